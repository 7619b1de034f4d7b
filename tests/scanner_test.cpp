// Scanning from SANE's "test" device (configured by tests/sane, so nothing of
// the machine's SANE setup is touched) and the scanned page as a PDF file,
// checked with poppler.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>

#include "component/zustand.h"
#include "imaging/bilddatei.h"
#include "imaging/scanner.h"
#include "imaging/scanpdf.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

const fs::path kSaneOrdner = fs::path(__FILE__).parent_path() / "sane";

std::string Ausfuehren(const std::string& befehl) {
  std::string text;
  FILE* rohr = ::popen((befehl + " 2>&1").c_str(), "r");
  if (!rohr) return text;
  std::array<char, 4096> puffer{};
  std::size_t n;
  while ((n = std::fread(puffer.data(), 1, puffer.size(), rohr)) > 0) text.append(puffer.data(), n);
  ::pclose(rohr);
  return text;
}

class Umgebungsvariable {
 public:
  Umgebungsvariable(const char* name, const std::optional<std::string>& wert) : name_(name) {
    if (const char* alt = std::getenv(name)) alt_ = alt;
    if (wert) ::setenv(name, wert->c_str(), 1);
    else ::unsetenv(name);
  }
  ~Umgebungsvariable() {
    if (alt_) ::setenv(name_, alt_->c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> alt_;
};

class ScannerTest : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    OrdnerAnlegenHost("C:\\SCAN");
    ScanBildAnlegen();
  }

  // A SANE configuration of the test's own: the test device with extra
  // settings, or no backend at all.
  std::string EigeneSaneKonfiguration(const std::string& dll, const std::string& testConf) {
    const fs::path ordner = temp_ / "sane";
    fs::create_directories(ordner);
    std::ofstream(ordner / "dll.conf") << dll;
    std::ofstream(ordner / "test.conf") << testConf;
    return ordner.string();
  }

  std::string StatusKonfiguration(const std::string& status) {
    return EigeneSaneKonfiguration("test\n", "number_of_devices 1\nmode Color\nread-status-code \"" + status + "\"\n");
  }

  Umgebungsvariable sane_{"SANE_CONFIG_DIR", kSaneOrdner.string()};
  Umgebungsvariable scanner_{"VXM_SCANNER", std::nullopt};
  Umgebungsvariable optionen_{"VXM_SCAN_OPTIONEN", std::nullopt};
};

TEST_F(ScannerTest, SeiteVomTestgeraet) {
  const auto vorher = Zustand().ScanBild;
  ASSERT_EQ(ScanBildEinlesen(), 0);
  const auto& bild = *Zustand().ScanBild;
  EXPECT_NE(Zustand().ScanBild, vorher);
  EXPECT_TRUE(bild.Gueltig());
  EXPECT_EQ(bild.BitsProPixel, 24);
  // 80 x 100 mm at 50 dpi.
  EXPECT_EQ(bild.Breite, 157);
  EXPECT_EQ(bild.Hoehe, 196);
  std::set<int32_t> farben;
  for (int32_t x = 0; x < bild.Breite; ++x) farben.insert(bild.Farbe(x, bild.Hoehe / 2));
  EXPECT_GT(farben.size(), 4u);  // the colour pattern, not a blank page
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

TEST_F(ScannerTest, GeraeteOptionenUndBildarten) {
  Bildpuffer farbig, dreiPaesse, grau, strich, hand, fein;
  ASSERT_EQ(SeiteScannen(farbig, {"test:0", {}}), 0);
  ASSERT_EQ(SeiteScannen(dreiPaesse, {"", {{"three-pass", "true"}}}), 0);
  EXPECT_EQ(dreiPaesse.Daten, farbig.Daten);  // one frame per colour, put together

  ASSERT_EQ(SeiteScannen(grau, {"", {{"mode", "Gray"}, {"depth", "16"}}}), 0);
  EXPECT_EQ(grau.BitsProPixel, 8);
  ASSERT_EQ(SeiteScannen(strich, {"", {{"mode", "Gray"}, {"depth", "1"}}}), 0);
  EXPECT_EQ(strich.BitsProPixel, 1);
  EXPECT_EQ(strich.Breite, farbig.Breite);
  // A hand scanner does not announce its number of lines.
  ASSERT_EQ(SeiteScannen(hand, {"", {{"hand-scanner", "true"}}}), 0);
  EXPECT_GT(hand.Hoehe, 0);

  // Options from the environment when the caller gives none; unknown ones
  // are skipped, since one setting serves several scanners.
  {
    Umgebungsvariable opt("VXM_SCAN_OPTIONEN", "resolution=100;gibt-es-nicht=1");
    ASSERT_EQ(SeiteScannen(fein), 0);
    EXPECT_NEAR(fein.Breite, 2 * farbig.Breite, 1);
  }
  // A value the device refuses.
  Bildpuffer unveraendert = farbig;
  EXPECT_EQ(SeiteScannen(unveraendert, {"", {{"resolution", "viel"}}}), vic::WertAusserhalb);
  EXPECT_EQ(unveraendert.Daten, farbig.Daten);
}

// SANE reads its configuration folder once per process, so a scan under a
// configuration of its own runs in a fresh process (a death test of the
// thread-safe style re-runs the test binary). The child reports the result
// code as exit status and the message shown on stderr.
void ScanImEigenenProzess(const std::string& geraet) {
  const auto vorher = Zustand().ScanBild;
  const int32_t code = ScanBildEinlesen({geraet, {}});
  auto* dialoge = dynamic_cast<test::SkriptDialoge*>(Dienste().Meldungen.get());
  for (const auto& m : dialoge->Gezeigt) std::fprintf(stderr, "<%s|%s|%d>", m.Text.c_str(), m.Titel.c_str(), m.Stil);
  if (Zustand().ScanBild != vorher) std::fprintf(stderr, "<ScanBild ersetzt>");
  std::fflush(stderr);
  std::_Exit(-code);
}

TEST_F(ScannerTest, OhneScannerBleibtDasBild) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string meldung = "^<Das Programm konnte keinen Scanner erkennen!\\|Error encountered!\\|16>$";
  {
    Umgebungsvariable leer("SANE_CONFIG_DIR", EigeneSaneKonfiguration("# none\n", ""));
    EXPECT_EXIT(ScanImEigenenProzess(""), testing::ExitedWithCode(-vic::KeinScanner), meldung);
  }
  // A named device that is not there, by argument or by environment.
  EXPECT_EXIT(ScanImEigenenProzess("test:7"), testing::ExitedWithCode(-vic::KeinScanner), meldung);
  {
    Umgebungsvariable name("VXM_SCANNER", "test:9");
    EXPECT_EXIT(ScanImEigenenProzess(""), testing::ExitedWithCode(-vic::KeinScanner), meldung);
  }
}

TEST_F(ScannerTest, SaneFehlerGebenDieBekanntenMeldungen) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Fall {
    const char* Status;
    int32_t Code;
    const char* Meldung;
  };
  const Fall faelle[] = {
      {"SANE_STATUS_JAMMED", -45, "Paper could not be unloaded from ADF"},
      {"SANE_STATUS_NO_DOCS", -47, "ADF bin is empty"},
      {"SANE_STATUS_COVER_OPEN", -46, "ADF lid was opened"},
      {"SANE_STATUS_IO_ERROR", -2, "Error in receiving image"},
      {"SANE_STATUS_NO_MEM", -14, "Insufficient memory"},
      {"SANE_STATUS_CANCELLED", -33, "No data from device"},
      {"SANE_STATUS_DEVICE_BUSY", -19, "Scanner error"},
      {"SANE_STATUS_ACCESS_DENIED", -19, "Scanner error"},
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.Status);
    Umgebungsvariable konf("SANE_CONFIG_DIR", StatusKonfiguration(f.Status));
    // Exactly one message, and no "<ScanBild ersetzt>" after it.
    EXPECT_EXIT(ScanImEigenenProzess(""), testing::ExitedWithCode(-f.Code),
                std::string("^<") + f.Meldung + "\\|Error encountered!\\|16>$");
  }
  EXPECT_EQ(VictorCodeAusSane(4, ScanPhase::Oeffnen), vic::KeinScanner);
  EXPECT_EQ(VictorCodeAusSane(9, ScanPhase::Oeffnen), vic::Scannerfehler);
  EXPECT_EQ(VictorCodeAusSane(99, ScanPhase::Lesen), vic::Scannerfehler);
}

// A file system whose reads of bitmaps fail, as a damaged disk would.
class UnlesbareBitmaps : public HostDateisystem {
 public:
  using HostDateisystem::HostDateisystem;
  std::string DateiLesen(const std::string& pfad) override {
    if (pfad.size() > 4 && pfad.substr(pfad.size() - 4) == ".bmp") throw VbFehler::Standard(fehlernr::PfadZugriffsfehler);
    return HostDateisystem::DateiLesen(pfad);
  }
};

class ScanZuPdfTest : public ScannerTest {
 protected:
  void SetUp() override {
    ScannerTest::SetUp();
    ASSERT_EQ(ScanBildEinlesen(), 0);
  }
  std::unique_ptr<clsPDF> pdf_;
};

TEST_F(ScanZuPdfTest, EineSeiteMitDemBildInSeinerGroesse) {
  if (Ausfuehren("command -v pdfinfo && command -v pdfimages").empty()) GTEST_SKIP() << "poppler fehlt";
  DateiAnlegen("C:\\SCAN\\Brief.pdf", "alt");  // replaced without a question
  ASSERT_TRUE(ScanZuPdf("C:\\SCAN", "Brief", pdf_));
  ASSERT_TRUE(pdf_);
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
  EXPECT_FALSE(fs::exists(Host("C:\\SCAN\\Brief.bmp")));
  const std::string pdf = Host("C:\\SCAN\\Brief.pdf").string();

  const std::string info = Ausfuehren("pdfinfo '" + pdf + "'");
  EXPECT_TRUE(std::regex_search(info, std::regex("Pages:\\s+1\\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("Page size:\\s+596 x 842 pts"))) << info;

  // One image of exactly the scanned pixel size.
  const std::string liste = Ausfuehren("pdfimages -list '" + pdf + "'");
  const auto& bild = *Zustand().ScanBild;
  const std::regex zeile("\\n\\s*1\\s+0\\s+image\\s+(\\d+)\\s+(\\d+)\\s+rgb\\s+3\\s+8");
  std::smatch treffer;
  ASSERT_TRUE(std::regex_search(liste, treffer, zeile)) << liste;
  EXPECT_EQ(std::stoi(treffer[1]), bild.Breite);
  EXPECT_EQ(std::stoi(treffer[2]), bild.Hoehe);
  EXPECT_EQ(std::count(liste.begin(), liste.end(), '\n'), 3) << liste;  // two header lines, one image

  EXPECT_NE(Ausfuehren("pdftotext '" + pdf + "' -").find("Zeile 1..."), std::string::npos);
}

// The page is closed before saving (to spare memory); the file must still be
// exactly what the plain sequence of text line, picture and save gives.
TEST_F(ScanZuPdfTest, GleicheBytesWieDieSchrittfolge) {
  ASSERT_EQ(BildSpeichern("C:\\SCAN\\Vergleich.bmp"), 0);
  clsPDF soll;
  soll.PrintLine("Zeile 1...");
  soll.DrawPicture(0, 0, 590, 800, std::string("C:\\SCAN\\Vergleich.bmp"), false);
  soll.SavePDF("C:\\SCAN\\Vergleich.pdf");
  ASSERT_TRUE(ScanZuPdf("C:\\SCAN", "Brief", pdf_));
  const std::regex datum("/CreationDate \\(D:\\d{14}\\)");
  const std::string a = std::regex_replace(Inhalt("C:\\SCAN\\Brief.pdf"), datum, "");
  const std::string b = std::regex_replace(Inhalt("C:\\SCAN\\Vergleich.pdf"), datum, "");
  EXPECT_EQ(a.size(), b.size());
  EXPECT_TRUE(a == b);
  EXPECT_NE(a.find("/W " + std::to_string(Zustand().ScanBild->Breite) + "\r"), std::string::npos);
}

TEST_F(ScanZuPdfTest, PdfNichtSchreibbarBehaeltDasBild) {
  fs::create_directories(Host("C:\\SCAN") / "Brief.pdf");  // a folder in the way
  EXPECT_FALSE(ScanZuPdf("C:\\SCAN", "Brief", pdf_));
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text.rfind("Die PDF-Datei konnte nicht geschrieben werden:\r\nC:\\SCAN\\Brief.pdf", 0), 0u)
      << dialoge_->Gezeigt[0].Text;
  EXPECT_EQ(dialoge_->Gezeigt[0].Stil, vbCritical);
  const Bild gerettet = BildLaden("C:\\SCAN\\Brief.bmp");
  EXPECT_EQ(gerettet.Pixel, BildAusPuffer(*Zustand().ScanBild).Pixel);
}

TEST_F(ScanZuPdfTest, UnlesbaresBildWirdGemeldetUndBleibt) {
  Laufwerkstabelle laufwerke;
  laufwerke.Zuordnen('C', laufwerkC_);
  Dienste().Dateien = std::make_shared<UnlesbareBitmaps>(laufwerke);
  EXPECT_FALSE(ScanZuPdf("C:\\SCAN", "Brief", pdf_));
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, "Die gescannte Seite konnte nicht gelesen werden:\r\nC:\\SCAN\\Brief.bmp");
  EXPECT_TRUE(fs::exists(Host("C:\\SCAN\\Brief.bmp")));
  EXPECT_FALSE(fs::exists(Host("C:\\SCAN\\Brief.pdf")));
}

TEST_F(ScanZuPdfTest, BitmapNichtGeschriebenKeinPdf) {
  EXPECT_FALSE(ScanZuPdf("C:\\FEHLT", "Brief", pdf_));
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);  // only the image writer's message
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, "Cannot create C:\\FEHLT\\Brief.bmp");
  EXPECT_FALSE(fs::exists(Host("C:\\FEHLT")));
}

}  // namespace
}  // namespace vxm
