#include "basis/einstellungen.h"

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "basis/zustand.h"
#include "platform/benutzerordner.h"
#include "platform/fehler.h"
#include "platform/laufwerke.h"
#include "platform/text.h"

namespace vxm {
namespace fs = std::filesystem;

namespace {

std::string Umgebungswert(const char* name) {
  const char* w = std::getenv(name);
  return w ? std::string(w) : std::string();
}

std::optional<std::string> DateiLesen(const fs::path& pfad) {
  std::ifstream datei(pfad, std::ios::binary);
  if (!datei) return std::nullopt;
  std::ostringstream inhalt;
  inhalt << datei.rdbuf();
  return inhalt.str();
}

std::vector<std::string> Zeilen(const std::string& text) {
  std::vector<std::string> zeilen;
  std::size_t anfang = 0;
  while (anfang < text.size()) {
    std::size_t ende = text.find('\n', anfang);
    if (ende == std::string::npos) ende = text.size();
    std::string z = text.substr(anfang, ende - anfang);
    if (!z.empty() && z.back() == '\r') z.pop_back();
    zeilen.push_back(std::move(z));
    anfang = ende + 1;
  }
  return zeilen;
}

std::string Getrimmt(std::string_view s) {
  const char* leer = " \t";
  std::size_t a = s.find_first_not_of(leer);
  if (a == std::string_view::npos) return {};
  std::size_t e = s.find_last_not_of(leer);
  return std::string(s.substr(a, e - a + 1));
}

// Section name of a line "[name]", or nothing.
std::optional<std::string> Abschnittsname(const std::string& zeile) {
  std::string z = Getrimmt(zeile);
  if (z.size() < 2 || z.front() != '[') return std::nullopt;
  std::size_t zu = z.rfind(']');
  if (zu == std::string::npos || zu == 0) return std::nullopt;
  return Getrimmt(std::string_view(z).substr(1, zu - 1));
}

// The settings store escapes '%' and control characters so that every value
// survives the line-based file unchanged.
std::string Maskieren(std::string_view s, bool name) {
  static const char* hex = "0123456789ABCDEF";
  std::string aus;
  for (char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || c == '%' || (name && (c == '=' || c == '[' || c == ']'))) {
      aus += '%';
      aus += hex[b >> 4];
      aus += hex[b & 0xF];
    } else {
      aus += c;
    }
  }
  return aus;
}

int Hexziffer(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Demaskieren(std::string_view s) {
  std::string aus;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && Hexziffer(s[i + 1]) >= 0 && Hexziffer(s[i + 2]) >= 0) {
      aus += static_cast<char>(Hexziffer(s[i + 1]) * 16 + Hexziffer(s[i + 2]));
      i += 2;
    } else {
      aus += s[i];
    }
  }
  return aus;
}

// Section of the store for a registry key path: its last two components.
std::string StoreAbschnitt(const std::string& schluesselPfad) {
  std::string p = schluesselPfad;
  while (!p.empty() && p.back() == '\\') p.pop_back();
  std::size_t letzter = p.rfind('\\');
  if (letzter == std::string::npos || letzter == 0) return p;
  std::size_t vorletzter = p.rfind('\\', letzter - 1);
  return vorletzter == std::string::npos ? p : p.substr(vorletzter + 1);
}

// Line index of the first section `abschnitt` of the store, or nothing.
std::optional<std::size_t> StoreAbschnittSuchen(const std::vector<std::string>& zeilen,
                                                const std::string& abschnitt) {
  for (std::size_t i = 0; i < zeilen.size(); ++i) {
    auto name = Abschnittsname(zeilen[i]);
    if (name && GleichOhneFall(Demaskieren(*name), abschnitt)) return i;
  }
  return std::nullopt;
}

// Name of a store line "name=value" (unmasked), or nothing for other lines.
std::optional<std::string> StoreName(const std::string& zeile, std::string* wert = nullptr) {
  std::size_t gleich = zeile.find('=');
  if (gleich == std::string::npos || Abschnittsname(zeile)) return std::nullopt;
  if (wert) *wert = Demaskieren(std::string_view(zeile).substr(gleich + 1));
  return Demaskieren(Getrimmt(std::string_view(zeile).substr(0, gleich)));
}

// Long decimal fixed point with four decimals, as the settings' numbers are
// read under the German locale ("1,5"; "." groups thousands).
std::optional<int64_t> FestkommaLesen(const std::string& text) {
  std::string t = Getrimmt(text);
  if (t.empty()) return std::nullopt;
  bool negativ = false;
  std::size_t i = 0;
  if (t[0] == '+' || t[0] == '-') {
    negativ = t[0] == '-';
    ++i;
  }
  __extension__ using Gross128 = __int128;
  Gross128 wert = 0;
  int ziffern = 0;
  int nachkomma = -1;  // digits after the comma, -1 before it
  bool restUeberHalb = false, restGenauHalb = false, restGesehen = false;
  for (; i < t.size(); ++i) {
    char c = t[i];
    if (c >= '0' && c <= '9') {
      ++ziffern;
      if (nachkomma < 0) {
        wert = wert * 10 + (c - '0');
      } else if (nachkomma < 4) {
        wert = wert * 10 + (c - '0');
        ++nachkomma;
      } else {
        // Decide rounding from the first dropped digit and whether any
        // further one is non-zero.
        if (!restGesehen) {
          restGesehen = true;
          restUeberHalb = c > '5';
          restGenauHalb = c == '5';
        } else if (c != '0' && restGenauHalb) {
          restGenauHalb = false;
          restUeberHalb = true;
        }
      }
      if (wert > (Gross128(1) << 100)) return std::nullopt;
    } else if (c == '.' && nachkomma < 0) {
      continue;
    } else if (c == ',' && nachkomma < 0) {
      nachkomma = 0;
    } else {
      return std::nullopt;
    }
  }
  if (ziffern == 0) return std::nullopt;
  for (int k = nachkomma < 0 ? 0 : nachkomma; k < 4; ++k) wert *= 10;
  if (restUeberHalb || (restGenauHalb && (wert % 2) != 0)) ++wert;
  if (negativ) wert = -wert;
  constexpr int64_t grenze = INT64_MAX;
  if (wert > grenze || wert < -grenze) return std::nullopt;
  return static_cast<int64_t>(wert);
}

// Fixed-point value (four decimals) divided by a whole number, rounded half
// to even as the fixed-point type does.
int64_t GeteiltGerade(int64_t zaehler, int64_t nenner) {
  int64_t q = zaehler / nenner;
  int64_t r = zaehler % nenner;
  if (r < 0) {
    r = -r;
  }
  const int64_t doppelt = 2 * r;
  const int64_t richtung = (zaehler < 0) ? -1 : 1;
  if (doppelt > nenner || (doppelt == nenner && (q % 2) != 0)) q += richtung;
  return q;
}

// German text of a fixed-point value: no trailing zeros, comma before decimals.
std::string FestkommaText(int64_t wert) {
  std::string aus;
  uint64_t betrag = wert < 0 ? static_cast<uint64_t>(-(wert + 1)) + 1 : static_cast<uint64_t>(wert);
  if (wert < 0) aus += '-';
  aus += std::to_string(betrag / 10000);
  uint64_t nach = betrag % 10000;
  if (nach != 0) {
    std::string d = std::to_string(nach);
    d = std::string(4 - d.size(), '0') + d;
    while (!d.empty() && d.back() == '0') d.pop_back();
    aus += ',' + d;
  }
  return aus;
}

// A single-precision number from German decimal text, or nothing.
std::optional<float> ZahlLesenDeutsch(const std::string& text) {
  // Only the form "digits,digits" arises here; anything else is no number.
  std::size_t komma = text.find(',');
  if (komma == std::string::npos || komma == 0 || komma + 1 >= text.size()) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i == komma) continue;
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  std::string c = text;
  c[komma] = '.';
  return std::strtof(c.c_str(), nullptr);
}

}  // namespace

std::string RegistryDatei() {
  std::string eigen = Umgebungswert("VXM_REGISTRY");
  if (!eigen.empty()) return eigen;
  return (BenutzerOrdner(Ordnerart::Konfiguration) / kRegAnwendung / (std::string(kRegAbschnitt) + ".ini")).string();
}

bool RegWertLesen(const std::string& schluesselPfad, const std::string& name, std::string& wert) {
  wert.clear();
  auto inhalt = DateiLesen(RegistryDatei());
  if (!inhalt) return false;
  const auto zeilen = Zeilen(*inhalt);
  auto anfang = StoreAbschnittSuchen(zeilen, StoreAbschnitt(schluesselPfad));
  if (!anfang) return false;  // the key does not exist
  for (std::size_t i = *anfang + 1; i < zeilen.size(); ++i) {
    if (Abschnittsname(zeilen[i])) break;
    std::string gelesen;
    auto n = StoreName(zeilen[i], &gelesen);
    if (!n || !GleichOhneFall(*n, name)) continue;
    // The reader's buffer holds 1024 characters including the terminator.
    if (Zeichenzahl(gelesen) > 1023) return false;
    if (!gelesen.empty() && gelesen.back() == '\0') gelesen.pop_back();
    wert = gelesen;
    if (!wert.empty()) Zustand().KonfigDokPfad = wert;
    return true;
  }
  return false;
}

void SaveSetting(const std::string& anwendung, const std::string& abschnitt,
                 const std::string& name, const std::string& wert) {
  const fs::path datei = RegistryDatei();
  const std::string schluessel = anwendung + "\\" + abschnitt;
  std::vector<std::string> zeilen;
  if (auto inhalt = DateiLesen(datei)) zeilen = Zeilen(*inhalt);

  const std::string neueZeile = Maskieren(name, true) + "=" + Maskieren(wert, false);
  if (auto anfang = StoreAbschnittSuchen(zeilen, schluessel)) {
    std::size_t ende = *anfang + 1;
    bool ersetzt = false;
    for (; ende < zeilen.size() && !Abschnittsname(zeilen[ende]); ++ende) {
      auto n = StoreName(zeilen[ende]);
      if (!ersetzt && n && GleichOhneFall(*n, name)) {
        zeilen[ende] = neueZeile;
        ersetzt = true;
      }
    }
    if (!ersetzt) {
      // After the section's last entry, before blank lines that part it from the next.
      std::size_t hier = ende;
      while (hier > *anfang + 1 && Getrimmt(zeilen[hier - 1]).empty()) --hier;
      zeilen.insert(zeilen.begin() + static_cast<std::ptrdiff_t>(hier), neueZeile);
    }
  } else {
    if (!zeilen.empty() && !Getrimmt(zeilen.back()).empty()) zeilen.emplace_back();
    zeilen.push_back("[" + Maskieren(schluessel, true) + "]");
    zeilen.push_back(neueZeile);
  }

  std::string text;
  for (const auto& z : zeilen) text += z + "\n";

  // Written beside the target and renamed over it, so a reader never sees
  // half a file and a failed write keeps the old one.
  std::error_code ec;
  if (datei.has_parent_path()) fs::create_directories(datei.parent_path(), ec);
  fs::path temp = datei;
  static std::atomic<unsigned> zaehler{0};
  temp += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(zaehler++);
  {
    std::ofstream aus(temp, std::ios::binary | std::ios::trunc);
    aus << text;
    aus.flush();
    if (!aus) {
      aus.close();
      fs::remove(temp, ec);
      throw VbFehler::Standard(fehlernr::PfadZugriffsfehler);
    }
  }
  fs::rename(temp, datei, ec);
  if (ec) {
    fs::remove(temp, ec);
    throw VbFehler::Standard(fehlernr::PfadZugriffsfehler);
  }
}

std::string SettingsDateiPfad() {
  std::string profil = Umgebungswert("USERPROFILE");
  if (profil.empty()) profil = Umgebungswert("HOME");
  if (profil.empty()) return {};
  const bool windowsForm = profil.size() >= 2 && profil[1] == ':' &&
                           std::isalpha(static_cast<unsigned char>(profil[0]));
  if (!windowsForm) {
    while (profil.size() > 1 && profil.back() == '/') profil.pop_back();
    if (profil == "/") return "/VXM-Settings.ini";
    return profil + "/VXM-Settings.ini";
  }
  // The file name is resolved with the folder, case-blind as Windows does.
  while (!profil.empty() && (profil.back() == '\\' || profil.back() == '/')) profil.pop_back();
  try {
    return Laufwerkstabelle::AusUmgebung().Aufloesen(profil + "\\VXM-Settings.ini").Host.string();
  } catch (const VbFehler&) {
    return {};
  }
}

std::string IniLesen(const std::string& datei, const std::string& abschnitt,
                     const std::string& schluessel) {
  if (datei.empty()) return {};
  std::error_code ec;
  if (fs::is_directory(datei, ec)) return {};
  auto inhalt = DateiLesen(datei);
  if (!inhalt) return {};
  std::string text = std::move(*inhalt);
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
    text.erase(0, 3);
  } else if (!GueltigesUtf8(text)) {
    text = Utf8AusCp1252(text);
  }

  bool imAbschnitt = false;
  bool abschnittGesehen = false;
  for (const auto& zeile : Zeilen(text)) {
    if (auto name = Abschnittsname(zeile)) {
      // Only the first section of a name is searched.
      if (imAbschnitt) return {};
      imAbschnitt = !abschnittGesehen && GleichOhneFall(*name, abschnitt);
      abschnittGesehen = abschnittGesehen || imAbschnitt;
      continue;
    }
    if (!imAbschnitt) continue;
    std::size_t gleich = zeile.find('=');
    if (gleich == std::string::npos) continue;
    if (!GleichOhneFall(Getrimmt(std::string_view(zeile).substr(0, gleich)), schluessel)) continue;
    std::string wert = Getrimmt(std::string_view(zeile).substr(gleich + 1));
    if (wert.size() >= 2 && (wert.front() == '"' || wert.front() == '\'') && wert.back() == wert.front()) {
      wert = wert.substr(1, wert.size() - 2);
    }
    // The reader's buffer holds 32 characters including the terminator.
    return ErsteZeichen(wert, 31);
  }
  return {};
}

float SkalierFaktorBerechnen(int breite, const std::string& skalieren, const std::string& skFaktor) {
  if (breite == 800) return 0;
  if (skalieren == "0" || skalieren.empty()) return 0;
  if (skFaktor == "10") return 2.0f;

  // A step that is not a number leaves K at 0, which reads as factor 1.
  int64_t k = 0;
  if (auto wert = FestkommaLesen(skFaktor)) {
    k = *wert;
    const int64_t grenze = INT64_MAX / 10;
    if (breite == 1024 && k < grenze && k > -grenze) {
      k = GeteiltGerade(k * 10, 3);
    } else if (breite == 1280 && k < grenze && k > -grenze) {
      k = GeteiltGerade(k * 10, 5);
    }
  }
  if (k == int64_t{10} * 10000) return 2.0f;

  // "1," followed by K's text: only a whole, non-negative K gives a number.
  auto faktor = ZahlLesenDeutsch("1," + FestkommaText(k));
  if (!faktor || !(*faktor >= 1.0f) || !std::isfinite(*faktor)) return 0;
  return *faktor;
}

}  // namespace vxm
