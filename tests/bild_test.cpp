#include <gtest/gtest.h>

#include <random>

#include "imaging/bild.h"
#include "platform/fehler.h"

namespace vxm {
namespace {

int32_t FehlerVon(const std::string& bytes) {
  try {
    BildDekodieren(bytes);
  } catch (const VbFehler& f) {
    return f.Nummer;
  }
  return 0;
}

void Le(std::string& b, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A 4-bit bitmap with a two-colour palette, stored top-down.
std::string VierBitBmp() {
  std::string b = "BM";
  Le(b, 0, 4);
  Le(b, 0, 4);
  Le(b, 14 + 40 + 8, 4);
  Le(b, 40, 4);
  Le(b, 3, 4);                          // width
  Le(b, static_cast<uint32_t>(-2), 4);  // height, negative: top row first
  Le(b, 1, 2);
  Le(b, 4, 2);
  Le(b, 0, 4);
  Le(b, 0, 4);
  Le(b, 0, 4);
  Le(b, 0, 4);
  Le(b, 2, 4);  // colours used
  Le(b, 0, 4);
  b += std::string("\x00\x00\xFF\x00", 4);  // index 0: red (stored blue, green, red)
  b += std::string("\xFF\x00\x00\x00", 4);  // index 1: blue
  b += std::string("\x01\x00\x00\x00", 4);  // row 0: 0 1 0
  b += std::string("\x11\x10\x00\x00", 4);  // row 1: 1 1 1
  return b;
}

TEST(BildDatei, BmpHinUndZurueck) {
  Bild bild(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) bild.At(x, y) = RGB(x * 50, y * 100, 7);
  const Bild gelesen = BildDekodieren(BmpKodieren(bild));
  EXPECT_EQ(gelesen.Breite, 5);
  EXPECT_EQ(gelesen.Hoehe, 3);
  EXPECT_EQ(gelesen.Pixel, bild.Pixel);
}

TEST(BildDatei, PaletteUndZeilenVonOben) {
  const Bild b = BildDekodieren(VierBitBmp());
  ASSERT_EQ(b.Breite, 3);
  ASSERT_EQ(b.Hoehe, 2);
  const int32_t rot = RGB(255, 0, 0), blau = RGB(0, 0, 255);
  EXPECT_EQ(b.Pixel, (std::vector<int32_t>{rot, blau, rot, blau, blau, blau}));
}

TEST(BildDatei, PgmUndPpm) {
  const Bild grau = BildDekodieren(std::string("P5\n# Kommentar\n2 1\n255\n\x10\xF0"));
  EXPECT_EQ(grau.Pixel, (std::vector<int32_t>{RGB(16, 16, 16), RGB(240, 240, 240)}));
  const Bild farbe = BildDekodieren(std::string("P6 1 1 15 \x0F\x00\x05", 13));
  EXPECT_EQ(farbe.Pixel, (std::vector<int32_t>{RGB(255, 0, 85)}));
}

TEST(BildDatei, KaputteOderFremdeDateienSindUngueltigeBilder) {
  EXPECT_EQ(FehlerVon(""), 481);
  EXPECT_EQ(FehlerVon("GIF89a"), 481);
  std::string bmp = VierBitBmp();
  EXPECT_EQ(FehlerVon(bmp.substr(0, bmp.size() - 3)), 481);  // rows cut short
  std::string riesig = bmp;
  riesig[18] = '\xFF';
  riesig[19] = '\xFF';
  riesig[20] = '\xFF';
  riesig[21] = '\x7F';
  EXPECT_EQ(FehlerVon(riesig), 481);
  std::string index = bmp;
  index[bmp.size() - 8] = '\x21';  // palette index 2 of a two-colour palette
  EXPECT_EQ(FehlerVon(index), 481);
  EXPECT_EQ(FehlerVon("P6 100 100 255 abc"), 481);
  EXPECT_EQ(FehlerVon("P5 1 1 999 a"), 481);
  // dimensions whose product wraps 64 bits, or that exceed a 32-bit width
  // 9999034998 x 1844852436 wraps 64 bits to 3512, which the data covers
  EXPECT_EQ(FehlerVon("P5 9999034998 1844852436 255 " + std::string(3512, 'x')), 481);
  EXPECT_EQ(FehlerVon("P5 4294967296 1 255 a"), 481);
  EXPECT_EQ(FehlerVon("P6 4294967297 4294967297 255 a"), 481);
}

TEST(BildDatei, ZufaelligVeraenderteDateienStuerzenNichtAb) {
  const std::string vorlage = BmpKodieren(Bild(7, 5, RGB(1, 2, 3)));
  std::mt19937 zufall(99);
  for (int runde = 0; runde < 2000; ++runde) {
    std::string b = vorlage;
    for (int k = 0; k < 4; ++k) b[zufall() % 54] = static_cast<char>(zufall());
    if (zufall() % 4 == 0) b.resize(zufall() % b.size());
    const int32_t nummer = FehlerVon(b);
    EXPECT_TRUE(nummer == 0 || nummer == 481) << nummer;
  }
}

}  // namespace
}  // namespace vxm
