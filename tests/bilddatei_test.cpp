// Saving the scan image by file extension, read back with the format's own
// library, and the messages of the image result codes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <tiffio.h>
#include <gif_lib.h>

#include "basis/zustand.h"
#include "imaging/bilddatei.h"
#include "imaging/bildpuffer.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

// Odd widths, so that row padding of every format is exercised.
Bildpuffer Muster(int bits, int32_t breite = 13, int32_t hoehe = 7) {
  Bildpuffer b;
  EXPECT_EQ(BildpufferAnlegen(b, breite, hoehe, bits), 0);
  if (bits == 8) {
    for (int i = 0; i < 256; ++i) b.Palette[i] = RGB(i, 255 - i, (i * 7) & 0xFF);  // not a grey ramp
  }
  for (int32_t y = 0; y < hoehe; ++y) {
    for (int32_t x = 0; x < breite; ++x) {
      if (bits == 1) {
        if ((x + 2 * y) % 3 == 0) b.Zeile(y)[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      } else if (bits == 8) {
        b.Zeile(y)[x] = static_cast<uint8_t>(x * 19 + y * 31);
      } else {
        uint8_t* p = b.Zeile(y) + 3 * x;
        p[0] = static_cast<uint8_t>(x * 20);
        p[1] = static_cast<uint8_t>(y * 36);
        p[2] = static_cast<uint8_t>((x * y) & 0xFF);
      }
    }
  }
  return b;
}

// A photo-like picture with far more than 256 colours.
Bildpuffer Verlauf(int32_t breite, int32_t hoehe) {
  Bildpuffer b;
  EXPECT_EQ(BildpufferAnlegen(b, breite, hoehe, 24), 0);
  for (int32_t y = 0; y < hoehe; ++y)
    for (int32_t x = 0; x < breite; ++x) {
      uint8_t* p = b.Zeile(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x * 255 / (breite - 1));
      p[1] = static_cast<uint8_t>(y * 255 / (hoehe - 1));
      p[2] = static_cast<uint8_t>(((x + y) * 3) & 0xFF);
    }
  return b;
}

int Kanal(int32_t f, int k) { return (static_cast<uint32_t>(f) >> (8 * k)) & 0xFF; }

class BildSpeichernTest : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    OrdnerAnlegenHost("C:\\SCAN");
    BildkodiererDienst() = {};
  }

  int32_t Speichern(const Bildpuffer& bild, const std::string& datei) {
    Zustand().ScanBild = std::make_shared<Bildpuffer>(bild);
    return BildSpeichern(datei);
  }

  std::string HostPfad(const std::string& windows) const { return Host(windows).string(); }

  static void PixelGleich(const Bildpuffer& soll, const Bild& ist) {
    ASSERT_EQ(ist.Breite, soll.Breite);
    ASSERT_EQ(ist.Hoehe, soll.Hoehe);
    EXPECT_EQ(ist.Pixel, BildAusPuffer(soll).Pixel);
  }

  Bild TiffLesen(const std::string& windows) const {
    TIFF* t = TIFFOpen(HostPfad(windows).c_str(), "r");
    EXPECT_NE(t, nullptr);
    if (!t) return {};
    uint32_t w = 0, h = 0;
    uint16_t kompression = 0;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(t, TIFFTAG_COMPRESSION, &kompression);
    EXPECT_EQ(kompression, COMPRESSION_NONE);
    std::vector<uint32_t> rgba(static_cast<std::size_t>(w) * h);
    EXPECT_EQ(TIFFReadRGBAImageOriented(t, w, h, rgba.data(), ORIENTATION_TOPLEFT, 0), 1);
    TIFFClose(t);
    Bild b(static_cast<int32_t>(w), static_cast<int32_t>(h));
    for (std::size_t i = 0; i < rgba.size(); ++i)
      b.Pixel[i] = RGB(TIFFGetR(rgba[i]), TIFFGetG(rgba[i]), TIFFGetB(rgba[i]));
    return b;
  }

  Bild GifLesen(const std::string& windows, int* farbzahl = nullptr) const {
    int fehler = 0;
    GifFileType* g = DGifOpenFileName(HostPfad(windows).c_str(), &fehler);
    EXPECT_NE(g, nullptr);
    if (!g) return {};
    EXPECT_EQ(DGifSlurp(g), GIF_OK);
    Bild b(g->SWidth, g->SHeight);
    const SavedImage& s = g->SavedImages[0];
    const ColorMapObject* karte = s.ImageDesc.ColorMap ? s.ImageDesc.ColorMap : g->SColorMap;
    if (farbzahl) *farbzahl = karte->ColorCount;
    for (std::size_t i = 0; i < b.Pixel.size(); ++i) {
      const GifColorType& c = karte->Colors[s.RasterBits[i]];
      b.Pixel[i] = RGB(c.Red, c.Green, c.Blue);
    }
    DGifCloseFile(g, &fehler);
    return b;
  }
};

TEST_F(BildSpeichernTest, BmpHaeltJedeTiefe) {
  for (int bits : {1, 8, 24}) {
    SCOPED_TRACE(bits);
    const Bildpuffer bild = Muster(bits);
    ASSERT_EQ(Speichern(bild, "C:\\SCAN\\seite.bmp"), 0);
    const std::string bytes = Inhalt("C:\\SCAN\\seite.bmp");
    EXPECT_EQ(bytes[28], static_cast<char>(bits));  // written at its own depth
    PixelGleich(bild, BildDekodieren(bytes));
  }
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

TEST_F(BildSpeichernTest, TifUnkomprimiertInJederTiefe) {
  Bildpuffer grau = Muster(8);
  for (int i = 0; i < 256; ++i) grau.Palette[i] = RGB(i, i, i);
  Bildpuffer weissSchwarz = Muster(1);
  weissSchwarz.Palette = {RGB(255, 255, 255), RGB(0, 0, 0)};
  Bildpuffer rotBlau = Muster(1);
  rotBlau.Palette = {RGB(255, 0, 0), RGB(0, 0, 255)};
  int n = 0;
  for (const Bildpuffer& bild : {Muster(1), weissSchwarz, rotBlau, Muster(8), grau, Muster(24)}) {
    SCOPED_TRACE(n++);
    ASSERT_EQ(Speichern(bild, "C:\\SCAN\\seite.tif"), 0);
    PixelGleich(bild, TiffLesen("C:\\SCAN\\seite.tif"));
  }
}

TEST_F(BildSpeichernTest, GifMitPaletteUndReduziertemFarbbild) {
  for (int bits : {1, 8}) {
    SCOPED_TRACE(bits);
    const Bildpuffer bild = Muster(bits);
    ASSERT_EQ(Speichern(bild, "C:\\SCAN\\seite.gif"), 0);
    PixelGleich(bild, GifLesen("C:\\SCAN\\seite.gif"));
  }
  // A colour page with few colours keeps them exactly.
  const Bildpuffer wenige = Muster(24);
  ASSERT_EQ(Speichern(wenige, "C:\\SCAN\\seite.gif"), 0);
  PixelGleich(wenige, GifLesen("C:\\SCAN\\seite.gif"));

  // Thousands of colours are reduced to a 256-colour palette that stays close.
  const Bildpuffer viele = Verlauf(200, 150);
  ASSERT_EQ(Speichern(viele, "C:\\SCAN\\foto.gif"), 0);
  int farbzahl = 0;
  const Bild gelesen = GifLesen("C:\\SCAN\\foto.gif", &farbzahl);
  ASSERT_EQ(gelesen.Breite, 200);
  ASSERT_EQ(gelesen.Hoehe, 150);
  EXPECT_EQ(farbzahl, 256);
  const Bild soll = BildAusPuffer(viele);
  double summe = 0;
  int groesste = 0;
  for (std::size_t i = 0; i < soll.Pixel.size(); ++i)
    for (int k = 0; k < 3; ++k) {
      const int d = std::abs(Kanal(soll.Pixel[i], k) - Kanal(gelesen.Pixel[i], k));
      summe += d;
      groesste = std::max(groesste, d);
    }
  // giflib's median cut on a smooth gradient: 8.5 on average, 58 at worst
  EXPECT_LT(summe / (3.0 * static_cast<double>(soll.Pixel.size())), 10.0);
  EXPECT_LT(groesste, 64);
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

TEST_F(BildSpeichernTest, EndungZaehltNurMitDenLetztenDreiZeichen) {
  const Bildpuffer bild = Muster(24);
  // Upper case is lowered first.
  ASSERT_EQ(Speichern(bild, "C:\\SCAN\\SEITE.BMP"), 0);
  PixelGleich(bild, BildDekodieren(Inhalt("C:\\SCAN\\SEITE.BMP")));
  ASSERT_EQ(Speichern(bild, "C:\\SCAN\\Seite.TiF"), 0);
  EXPECT_TRUE(dialoge_->Gezeigt.empty());

  // ".jpeg" ends in "peg"; a name without a dot but ending in "bmp" counts.
  EXPECT_EQ(Speichern(bild, "C:\\SCAN\\seite.jpeg"), vic::UngueltigerDateityp);
  EXPECT_FALSE(std::filesystem::exists(Host("C:\\SCAN\\seite.jpeg")));
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, "Invalid filetype: C:\\SCAN\\seite.jpeg");
  EXPECT_EQ(dialoge_->Gezeigt[0].Stil, vbCritical);
  EXPECT_EQ(dialoge_->Gezeigt[0].Titel, "Error encountered!");
  EXPECT_EQ(Speichern(bild, "C:\\SCAN\\seitebmp"), 0);
  EXPECT_EQ(Speichern(bild, "mp"), vic::UngueltigerDateityp);
}

TEST_F(BildSpeichernTest, FehlschlaegeNennenDenGrund) {
  const Bildpuffer bild = Muster(24);
  // Missing folder: the file cannot be created.
  EXPECT_EQ(Speichern(bild, "C:\\FEHLT\\seite.bmp"), vic::NichtErstellen);
  // PNG and JPEG need the Qt encoders, which the core alone lacks.
  EXPECT_EQ(Speichern(bild, "C:\\SCAN\\seite.png"), vic::ModulFehlt);
  EXPECT_EQ(Speichern(bild, "C:\\SCAN\\seite.jpg"), vic::ModulFehlt);
  // A 24-bit GIF cannot be written without reduction.
  EXPECT_EQ(GifSpeichern("C:\\SCAN\\roh.gif", bild), vic::BitsNichtUnterstuetzt);
  ASSERT_EQ(dialoge_->Gezeigt.size(), 3u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, "Cannot create C:\\FEHLT\\seite.bmp");
  EXPECT_EQ(dialoge_->Gezeigt[1].Text, "Function not available due to missing module");

  // Before the window loaded (or after it unloaded) there is no image.
  Zustand().ScanBild.reset();
  EXPECT_EQ(BildSpeichern("C:\\SCAN\\leer.bmp"), vic::UngueltigerPuffer);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Invalid image buffer address");
  EXPECT_FALSE(std::filesystem::exists(Host("C:\\SCAN\\leer.bmp")));
}

TEST_F(BildSpeichernTest, ScanBildLebtVomLadenBisZumEntladen) {
  ScanBildAnlegen();
  ASSERT_TRUE(Zustand().ScanBild);
  EXPECT_EQ(Zustand().ScanBild->Breite, 256);
  EXPECT_EQ(Zustand().ScanBild->Hoehe, 256);
  EXPECT_EQ(Zustand().ScanBild->BitsProPixel, 8);
  // Without a scan, the blank start-up image is what gets saved.
  ASSERT_EQ(BildSpeichern("C:\\SCAN\\leer.bmp"), 0);
  const Bild b = BildDekodieren(Inhalt("C:\\SCAN\\leer.bmp"));
  EXPECT_EQ(b.Breite, 256);
  EXPECT_EQ(b.Hoehe, 256);
  ScanBildFreigeben();
  EXPECT_FALSE(Zustand().ScanBild);
}

TEST_F(BildSpeichernTest, SanduhrUmJedesSpeichern) {
  // Each switch with the number of messages shown so far: the pointer is
  // back to normal before the failure message appears.
  std::vector<std::pair<bool, std::size_t>> schalter;
  SanduhrDienst() = [&](bool an) { schalter.emplace_back(an, dialoge_->Gezeigt.size()); };
  Speichern(Muster(8), "C:\\SCAN\\a.bmp");
  Speichern(Muster(8), "C:\\SCAN\\a.xyz");
  SanduhrDienst() = nullptr;
  using S = std::pair<bool, std::size_t>;
  EXPECT_EQ(schalter, (std::vector<S>{S{true, 0}, S{false, 0}, S{true, 0}, S{false, 0}}));
  EXPECT_EQ(dialoge_->Gezeigt.size(), 1u);
}

TEST(Bildpuffer, KonvertierungenFuerJpgUndGif) {
  const Bildpuffer eins = Muster(1);
  Bildpuffer acht;
  ASSERT_EQ(Ein1Bit8Bit(eins, acht), 0);
  EXPECT_EQ(acht.BitsProPixel, 8);
  EXPECT_EQ(BildAusPuffer(acht).Pixel, BildAusPuffer(eins).Pixel);
  EXPECT_EQ(Ein1Bit8Bit(Muster(8), acht), vic::BitsNichtUnterstuetzt);

  Bildpuffer pal;
  EXPECT_EQ(RgbZuPalette(Verlauf(64, 64), pal, 1), vic::WertAusserhalb);
  ASSERT_EQ(RgbZuPalette(Verlauf(64, 64), pal, 16), 0);
  std::set<uint8_t> benutzt(pal.Daten.begin(), pal.Daten.end());
  EXPECT_LE(benutzt.size(), 16u);
  EXPECT_GT(benutzt.size(), 8u);

  Bildpuffer kaputt = Muster(24);
  kaputt.Daten.pop_back();
  EXPECT_EQ(RgbZuPalette(kaputt, pal, 256), vic::UngueltigerPuffer);
  EXPECT_EQ(BildpufferAnlegen(pal, 0, 5, 8), vic::WertAusserhalb);
  EXPECT_EQ(BildpufferAnlegen(pal, 5, 5, 4), vic::BitsNichtUnterstuetzt);
  EXPECT_EQ(BildpufferAnlegen(pal, 1 << 15, 1 << 15, 8), vic::WertAusserhalb);
}

class ErrorHandlerTest : public test::Umgebung {};

TEST_F(ErrorHandlerTest, MeldungstabelleUndNamensregel) {
  // Entries marked for the name get it appended; the others never do.
  EXPECT_EQ(VictorMeldung(-3, "0"), "Disk full, file not written: 0");
  EXPECT_EQ(VictorMeldung(-4, "a.bmp"), "Cannot open a.bmp");
  EXPECT_EQ(VictorMeldung(-27, "x"), "Unreadable BMP format: x");
  EXPECT_EQ(VictorMeldung(-19, "0"), "Scanner error");
  EXPECT_EQ(VictorMeldung(-12, "x"), "DIB is compressed and can not be processed");
  EXPECT_EQ(VictorMeldung(-51, "x"), "TIF page not found");
  // Codes outside the table: no scanner.
  EXPECT_EQ(VictorMeldung(-40, "0"), "Das Programm konnte keinen Scanner erkennen!");
  EXPECT_EQ(VictorMeldung(-7, "x"), "Das Programm konnte keinen Scanner erkennen!");
  EXPECT_EQ(VictorMeldung(3, "x"), "Das Programm konnte keinen Scanner erkennen!");
  EXPECT_EQ(VictorMeldung(0, "x"), "");

  error_handler(0, "x");
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
  error_handler(-40, "0");
  error_handler(-3, "0");
  ASSERT_EQ(dialoge_->Gezeigt.size(), 2u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, "Das Programm konnte keinen Scanner erkennen!");
  EXPECT_EQ(dialoge_->Gezeigt[1].Text, "Disk full, file not written: 0");
  for (const auto& m : dialoge_->Gezeigt) {
    EXPECT_EQ(m.Stil, vbCritical + vbOKOnly);
    EXPECT_EQ(m.Titel, "Error encountered!");
  }
}

}  // namespace
}  // namespace vxm
