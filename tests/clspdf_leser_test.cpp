// The writer's files as a real PDF reader sees them (poppler's tools).
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "imaging/clspdf.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

test::Befehlsausgabe Ausfuehren(const std::string& befehl) { return test::Befehl(befehl); }

bool PopplerDa() { return Ausfuehren("command -v pdftoppm && command -v pdfinfo && command -v pdftotext").Code == 0; }

struct Raster {
  int Breite = 0, Hoehe = 0;
  std::string Daten;
  std::array<int, 3> Farbe(int x, int y) const {
    const std::size_t p = (static_cast<std::size_t>(y) * Breite + x) * 3;
    return {static_cast<unsigned char>(Daten[p]), static_cast<unsigned char>(Daten[p + 1]),
            static_cast<unsigned char>(Daten[p + 2])};
  }
};

Raster PpmLesen(const fs::path& datei) {
  std::ifstream ein(datei, std::ios::binary);
  std::string magie;
  int hoechst = 0;
  Raster r;
  ein >> magie >> r.Breite >> r.Hoehe >> hoechst;
  ein.get();
  r.Daten.resize(static_cast<std::size_t>(r.Breite) * r.Hoehe * 3);
  ein.read(r.Daten.data(), static_cast<std::streamsize>(r.Daten.size()));
  return r;
}

std::string Zitat(const fs::path& p) { return "'" + p.string() + "'"; }

class PdfLeserTest : public test::Umgebung {
 protected:
  void SetUp() override {
    if (!PopplerDa()) GTEST_SKIP() << "poppler-utils not installed";
    test::Umgebung::SetUp();
  }

  fs::path Speichern(clsPDF& pdf, const std::string& name) {
    pdf.SavePDF("C:\\" + name);
    return Host("C:\\" + name);
  }

  Raster Rendern(const fs::path& pdf) {
    const fs::path basis = temp_ / "seite";
    const auto a = Ausfuehren("pdftoppm -r 72 -singlefile -f 1 -l 1 " + Zitat(pdf) + " " + Zitat(basis));
    EXPECT_EQ(a.Code, 0) << a.Text;
    EXPECT_EQ(a.Text, "") << "the reader complained";
    return PpmLesen(basis.string() + ".ppm");
  }

  static void FarbeNahe(const std::array<int, 3>& ist, std::array<int, 3> soll, const char* was) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(ist[i], soll[i], 3) << was << " channel " << i;
  }
};

TEST_F(PdfLeserTest, SeitenzahlUndSeitengroesse) {
  clsPDF pdf;
  for (int i = 1; i <= 150; ++i) pdf.PrintLine("Zeile " + std::to_string(i));
  const auto info = Ausfuehren("pdfinfo " + Zitat(Speichern(pdf, "lang.pdf")));
  ASSERT_EQ(info.Code, 0) << info.Text;
  EXPECT_NE(info.Text.find("Pages:           3"), std::string::npos) << info.Text;
  EXPECT_NE(info.Text.find("596 x 842 pts"), std::string::npos) << info.Text;
  EXPECT_NE(info.Text.find("Producer:        clsPDF [Tavrel]"), std::string::npos) << info.Text;
  EXPECT_EQ(info.Text.find("Error"), std::string::npos) << info.Text;

  clsPDF quer;
  quer.Orientation(1);
  quer.PrintLine("quer");
  const auto q = Ausfuehren("pdfinfo " + Zitat(Speichern(quer, "quer.pdf")));
  EXPECT_NE(q.Text.find("842 x 596 pts"), std::string::npos) << q.Text;
}

TEST_F(PdfLeserTest, TextWirdGelesen) {
  clsPDF pdf;
  pdf.PrintLine("Zeile 1...");
  pdf.PrintLine("Grüße (aus) C:\\VXMDOK");
  pdf.NewPage();
  pdf.PrintLine("Seite zwei");
  const auto text = Ausfuehren("pdftotext -layout " + Zitat(Speichern(pdf, "text.pdf")) + " -");
  ASSERT_EQ(text.Code, 0) << text.Text;
  EXPECT_NE(text.Text.find("Zeile 1..."), std::string::npos) << text.Text;
  EXPECT_NE(text.Text.find("Grüße (aus) C:\\VXMDOK"), std::string::npos) << text.Text;
  EXPECT_NE(text.Text.find("\fSeite zwei"), std::string::npos) << text.Text;
}

TEST_F(PdfLeserTest, FlaechenUndBilderErscheinenAnIhremPlatz) {
  clsPDF pdf;
  pdf.PrintLine("Bilder");
  pdf.FillColor(RGB(255, 0, 0));
  pdf.DrawBox(100, 100, 100, 100, kStilFuellen);

  // raw samples: four different colours
  Bild vier(2, 2);
  vier.At(0, 0) = RGB(255, 255, 0);
  vier.At(1, 0) = RGB(0, 255, 255);
  vier.At(0, 1) = RGB(255, 0, 255);
  vier.At(1, 1) = RGB(0, 0, 0);
  pdf.DrawPicture(300, 100, 100, 100, vier, false);

  // run-length encoded samples
  Bild haelften(40, 40, RGB(0, 200, 0));
  for (int y = 0; y < 40; ++y)
    for (int x = 20; x < 40; ++x) haelften.At(x, y) = RGB(0, 0, 200);
  pdf.DrawPicture(100, 300, 100, 100, haelften, false);
  pdf.DrawPicture(300, 300, 100, 100, Bild(10, 10, RGB(200, 100, 50)), true);
  // mirrored: the left half now shows on the right
  pdf.DrawPicture(100, 500, -100, 100, haelften, false);

  const std::string inhalt = pdf.Value();
  ASSERT_NE(inhalt.find("/F /RL"), std::string::npos);
  const Raster r = Rendern(Speichern(pdf, "bilder.pdf"));
  ASSERT_EQ(r.Breite, 596);
  ASSERT_EQ(r.Hoehe, 842);
  FarbeNahe(r.Farbe(150, 150), {255, 0, 0}, "box");
  FarbeNahe(r.Farbe(50, 150), {255, 255, 255}, "outside the box");
  FarbeNahe(r.Farbe(325, 125), {255, 255, 0}, "top left");
  FarbeNahe(r.Farbe(375, 125), {0, 255, 255}, "top right");
  FarbeNahe(r.Farbe(325, 175), {255, 0, 255}, "bottom left");
  FarbeNahe(r.Farbe(375, 175), {0, 0, 0}, "bottom right");
  FarbeNahe(r.Farbe(125, 350), {0, 200, 0}, "left half");
  FarbeNahe(r.Farbe(175, 350), {0, 0, 200}, "right half");
  const int grau = (77 * 200 + 151 * 100 + 28 * 50 + 127) / 256;
  FarbeNahe(r.Farbe(350, 350), {grau, grau, grau}, "grey picture");
  FarbeNahe(r.Farbe(125, 550), {0, 0, 200}, "mirrored left");
  FarbeNahe(r.Farbe(175, 550), {0, 200, 0}, "mirrored right");
}

TEST_F(PdfLeserTest, LinienUndKreise) {
  clsPDF pdf;
  pdf.PrintLine("Linien");
  pdf.DrawColor(RGB(0, 0, 255));
  pdf.DrawWidth(6);
  pdf.DrawLine(50, 400, 550, 400);
  pdf.FillColor(RGB(0, 160, 0));
  pdf.DrawCircle(300, 600, 80, kStilFuellen);
  const Raster r = Rendern(Speichern(pdf, "linien.pdf"));
  FarbeNahe(r.Farbe(300, 400), {0, 0, 255}, "line");
  FarbeNahe(r.Farbe(300, 404), {255, 255, 255}, "beside the line");
  FarbeNahe(r.Farbe(300, 600), {0, 160, 0}, "circle centre");
  FarbeNahe(r.Farbe(300, 530), {0, 160, 0}, "inside the circle");
  FarbeNahe(r.Farbe(370, 670), {255, 255, 255}, "outside the circle");
}

}  // namespace
}  // namespace vxm
