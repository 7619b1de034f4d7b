#include "files/dateidetails.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>

namespace vxm {
namespace {

TEST(IconSetzen, TabelleDerTypenOhneRuecksichtAufGrossschreibung) {
  struct Fall {
    const char* endung;
    int16_t icon;
  };
  for (const Fall& f : {Fall{"pdf", 6}, Fall{"PDF", 6}, Fall{"doc", 1}, Fall{"Dot", 1}, Fall{"rtf", 1},
                        Fall{"xls", 5}, Fall{"XLT", 5}, Fall{"ppt", 4}, Fall{"bmp", 2}, Fall{"jpg", 2},
                        Fall{"GIF", 2}, Fall{"png", 2}, Fall{"txt", 7}, Fall{"zip", 3}, Fall{"", 3},
                        Fall{"pd", 3}}) {
    EXPECT_EQ(IconSetzen(f.endung), f.icon) << f.endung;
  }
}

TEST(IconSetzen, AusDenLetztenDreiZeichenDesNamens) {
  EXPECT_EQ(IconSetzen(LetzteDreiZeichen("bericht.PDF")), 6);
  EXPECT_EQ(IconSetzen(LetzteDreiZeichen("x.jpeg")), 3);  // "peg"
  EXPECT_EQ(IconSetzen(LetzteDreiZeichen("x.docx")), 3);  // "ocx"
  EXPECT_EQ(LetzteDreiZeichen("Größe.föö"), "föö");
  EXPECT_EQ(LetzteDreiZeichen("aÜß"), "aÜß");
  EXPECT_EQ(LetzteDreiZeichen("ab"), "ab");
  EXPECT_EQ(LetzteDreiZeichen(""), "");
}

TEST(GroessenZeile, MusterOhneFuehrendeNullMitKommaUndTausenderpunkt) {
  EXPECT_EQ(GroessenZeile(2048), "Größe: 2, KB");
  EXPECT_EQ(GroessenZeile(0), "Größe: , KB");
  EXPECT_EQ(GroessenZeile(1536000), "Größe: 1.500, KB");
  EXPECT_EQ(KBFormat(512), ",5");
  EXPECT_EQ(KBFormat(1536), "1,5");
  EXPECT_EQ(KBFormat(1), ",");               // 0.00098 rounds to nothing
  EXPECT_EQ(KBFormat(6), ",01");
  EXPECT_EQ(KBFormat(128), ",13");           // 0.125: half rounds up
  EXPECT_EQ(KBFormat(1023), "1,");           // 0.999 rounds into the integer part
  EXPECT_EQ(KBFormat(1024 * 999 + 1023), "1.000,");
  EXPECT_EQ(KBFormat(1024ull * 1234567 + 256), "1.234.567,25");
  EXPECT_EQ(KBFormat(std::numeric_limits<std::uintmax_t>::max()), "18.014.398.509.481.984,");
}

// Sets TZ for one test and puts it back.
class Zeitzone {
 public:
  explicit Zeitzone(const char* tz) {
    if (const char* w = std::getenv("TZ")) alt_ = w;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~Zeitzone() {
    if (alt_) {
      ::setenv("TZ", alt_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  std::optional<std::string> alt_;
};

std::time_t Ortszeit(int tag, int monat, int jahr, int h, int m, int s) {
  std::tm t{};
  t.tm_mday = tag;
  t.tm_mon = monat - 1;
  t.tm_year = jahr - 1900;
  t.tm_hour = h;
  t.tm_min = m;
  t.tm_sec = s;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

TEST(DatumsZeile, DeutscheOrtszeitOhneUhrzeitUmMitternacht) {
  Zeitzone berlin("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(DatumsZeile(Ortszeit(7, 12, 2026, 14, 3, 5)), "Geändert: 07.12.2026 14:03:05");
  EXPECT_EQ(DatumZeitText(Ortszeit(1, 2, 2003, 9, 0, 0)), "01.02.2003 09:00:00");
  EXPECT_EQ(DatumZeitText(Ortszeit(7, 12, 2026, 0, 0, 0)), "07.12.2026");
  EXPECT_EQ(DatumZeitText(Ortszeit(7, 12, 2026, 0, 0, 1)), "07.12.2026 00:00:01");
  EXPECT_EQ(DatumZeitText(Ortszeit(15, 7, 2025, 12, 0, 0)), "15.07.2025 12:00:00");  // summer time
  // Local time, not UTC: midnight UTC is one o'clock in winter here.
  EXPECT_EQ(DatumZeitText(0), "01.01.1970 01:00:00");
}

TEST(GroesseFormatieren, StellenZahlRundetVorDemAbschneiden) {
  EXPECT_EQ(StellenZahl(0), 0);
  EXPECT_DOUBLE_EQ(StellenZahl(999), 2.9996);
  EXPECT_DOUBLE_EQ(StellenZahl(1000), 3);
  EXPECT_DOUBLE_EQ(StellenZahl(9999), 4);  // 3.99996 rounds up
  EXPECT_DOUBLE_EQ(StellenZahl(1536), 3.1864);
}

TEST(GroesseFormatieren, EinheitenUndMusterJeStellenzahl) {
  EXPECT_EQ(GroesseFormatieren(0), "0 Byte");
  EXPECT_EQ(GroesseFormatieren(7), "7 Byte");
  EXPECT_EQ(GroesseFormatieren(999), "999 Byte");
  EXPECT_EQ(GroesseFormatieren(1000), "0,98 KB");
  EXPECT_EQ(GroesseFormatieren(1536), "1,50 KB");
  EXPECT_EQ(GroesseFormatieren(9999), "9,8 KB");
  EXPECT_EQ(GroesseFormatieren(100000), "97,7 KB");
  EXPECT_EQ(GroesseFormatieren(999999), "0,95 MB");
  EXPECT_EQ(GroesseFormatieren(10000000), "09,5 MB");
  EXPECT_EQ(GroesseFormatieren(1e8), "95,4 MB");
  EXPECT_EQ(GroesseFormatieren(1e9), "0,93 GB");
  EXPECT_EQ(GroesseFormatieren(1e10), "9,3 GB");
  EXPECT_EQ(GroesseFormatieren(1e12), "0,91 TB");
  EXPECT_EQ(GroesseFormatieren(1e14), "90,9 TB");
}

TEST(GroesseFormatieren, JenseitsDerTabelleUndUnsinnigeWerte) {
  EXPECT_EQ(GroesseFormatieren(1e15), "0,89 PB");
  EXPECT_EQ(GroesseFormatieren(1e18), "0,87 EB");
  EXPECT_EQ(GroesseFormatieren(1e30), "827180,6 YB");
  EXPECT_EQ(GroesseFormatieren(-5), "0 Byte");
  EXPECT_EQ(GroesseFormatieren(std::nan("")), "0 Byte");
  EXPECT_EQ(GroesseFormatieren(std::numeric_limits<double>::infinity()), "0 Byte");
}

}  // namespace
}  // namespace vxm
