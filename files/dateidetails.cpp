#include "files/dateidetails.h"

#include <cmath>
#include <cstdio>

#include "platform/text.h"

namespace vxm {

namespace {

// Digits of a whole number with "." between groups of three.
std::string Gruppiert(std::uintmax_t zahl) {
  std::string ziffern = std::to_string(zahl);
  std::string aus;
  for (std::size_t i = 0; i < ziffern.size(); ++i) {
    if (i > 0 && (ziffern.size() - i) % 3 == 0) aus += '.';
    aus += ziffern[i];
  }
  return aus;
}

// `wert` with `nachkomma` decimals (rounded half away from zero, as the
// format patterns do), at least `vorkomma` integer digits, German comma.
std::string Festformat(double wert, int vorkomma, int nachkomma) {
  const double skala = std::pow(10.0, nachkomma);
  const double gerundet = std::round(std::fabs(wert) * skala);
  const bool negativ = wert < 0 && gerundet > 0;
  const double ganz = std::floor(gerundet / skala);
  const double bruch = gerundet - ganz * skala;
  char puffer[400];
  std::snprintf(puffer, sizeof puffer, "%0*.0f", vorkomma, ganz);
  std::string aus = negativ ? "-" : "";
  aus += puffer;
  if (nachkomma > 0) {
    std::snprintf(puffer, sizeof puffer, "%0*.0f", nachkomma, bruch);
    aus += ',';
    aus += puffer;
  }
  return aus;
}

}  // namespace

int16_t IconSetzen(const std::string& endung) {
  const std::string e = Klein(endung);
  if (e == "pdf") return 6;
  if (e == "doc" || e == "dot" || e == "rtf") return 1;
  if (e == "xls" || e == "xlt") return 5;
  if (e == "ppt") return 4;
  if (e == "bmp" || e == "jpg" || e == "gif" || e == "png") return 2;
  if (e == "txt") return 7;
  return 3;
}

std::string LetzteDreiZeichen(const std::string& name) {
  const std::size_t anzahl = Zeichenzahl(name);
  if (anzahl <= 3) return name;
  return name.substr(ErsteZeichen(name, anzahl - 3).size());
}

std::string KBFormat(std::uintmax_t bytes) {
  // bytes / 1024 to two decimals, in whole numbers so that no size loses
  // precision; exact halves (0.125 KB) round up.
  std::uintmax_t ganz = bytes / 1024;
  std::uintmax_t hundertstel = ((bytes % 1024) * 100 + 512) / 1024;
  if (hundertstel == 100) {
    ++ganz;
    hundertstel = 0;
  }
  std::string aus = ganz == 0 ? std::string() : Gruppiert(ganz);
  aus += ',';
  if (hundertstel != 0) {
    aus += static_cast<char>('0' + hundertstel / 10);
    if (hundertstel % 10 != 0) aus += static_cast<char>('0' + hundertstel % 10);
  }
  return aus;
}

std::string GroessenZeile(std::uintmax_t bytes) { return "Größe: " + KBFormat(bytes) + " KB"; }

std::string DatumZeitText(std::time_t zeit) {
  std::tm t{};
  if (!localtime_r(&zeit, &t)) return {};
  char puffer[64];
  if (t.tm_hour == 0 && t.tm_min == 0 && t.tm_sec == 0) {
    std::snprintf(puffer, sizeof puffer, "%02d.%02d.%04d", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900);
  } else {
    std::snprintf(puffer, sizeof puffer, "%02d.%02d.%04d %02d:%02d:%02d", t.tm_mday, t.tm_mon + 1,
                  t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
  }
  return puffer;
}

std::string DatumsZeile(std::time_t zeit) { return "Geändert: " + DatumZeitText(zeit); }

double StellenZahl(double bytes) {
  if (!(bytes > 0) || !std::isfinite(bytes)) return 0;
  // Rounded half to even, as the fixed-point result type rounds.
  return std::nearbyint(std::log10(bytes) * 10000.0) / 10000.0;
}

std::string GroesseFormatieren(double bytes) {
  if (!(bytes > 0) || !std::isfinite(bytes)) bytes = 0;
  static const char* const einheiten[] = {"Byte", "KB", "MB", "GB", "TB", "PB", "EB", "ZB", "YB"};
  const int k = static_cast<int>(std::floor(StellenZahl(bytes)));
  int stufe = k / 3;
  if (stufe > 8) stufe = 8;
  const double wert = bytes / std::pow(1024.0, stufe);

  int vorkomma = 1;
  int nachkomma;
  if (k <= 2) {
    nachkomma = 0;
  } else if (k == 7) {
    vorkomma = 2;  // "00.0"
    nachkomma = 1;
  } else if (k % 3 == 0 && k < 27) {
    nachkomma = 2;
  } else {
    nachkomma = 1;
  }
  return Festformat(wert, vorkomma, nachkomma) + " " + einheiten[stufe];
}

}  // namespace vxm
