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
#include <iterator>
#include <fstream>
#include <optional>
#include <sstream>

#include <dlfcn.h>
#include <sane/sane.h>

#include "basis/zustand.h"
#include "files/wiedererkennung.h"
#include "keywords/register.h"
#include "keywords/registerzugriff.h"
#include "imaging/bilddatei.h"
#include "imaging/scanner.h"
#include "imaging/scanpdf.h"
#include "platform/dateisystem.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "tests/hilfen.h"

// SANE's test backend now and then loses a read buffer of its reader task
// when the scan is cancelled after the last byte (a race inside the
// backend, seen as a 14130-byte leak in libsane-test.so); the sanitizer
// build is told to let that one pass.
extern "C" const char* __lsan_default_suppressions() { return "leak:libsane-test.so\n"; }

namespace vxm {
namespace {
namespace fs = std::filesystem;

const fs::path kSaneOrdner = fs::path(__FILE__).parent_path() / "sane";

// SANE unloads its backend at sane_exit; kept loaded, a leak inside the
// backend names its library instead of an unknown module, so that the
// sanitizer build can tell it from a leak of ours.
const bool kBackendBleibt = [] {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&sane_init), &info) || !info.dli_fname) return false;
  const fs::path backend = fs::path(info.dli_fname).parent_path() / "sane" / "libsane-test.so.1";
  return dlopen(backend.c_str(), RTLD_LAZY | RTLD_NODELETE) != nullptr;
}();

std::string Ausfuehren(const std::string& befehl) { return test::Befehl(befehl).Text; }

std::vector<std::string> Zeilen(const std::string& text) {
  std::vector<std::string> aus;
  std::istringstream ein(text);
  for (std::string z; std::getline(ein, z);) aus.push_back(z);
  return aus;
}

std::vector<std::string> Woerter(const std::string& text) {
  std::vector<std::string> aus;
  std::istringstream ein(text);
  for (std::string w; ein >> w;) aus.push_back(w);
  return aus;
}

// The rest of the line that starts with `name`.
std::string Feld(const std::vector<std::string>& zeilen, const std::string& name) {
  for (const auto& z : zeilen)
    if (z.rfind(name, 0) == 0) return z.substr(name.size());
  return {};
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

// The picture comes in with its progress; stopped, the scan keeps nothing
// and says nothing, and the next scan works.
TEST_F(ScannerTest, FortschrittUndAbbruch) {
  std::vector<std::pair<int64_t, int64_t>> schritte;
  ScanEinstellungen e{"", {{"resolution", "150"}}};
  e.Weiter = [&](int64_t gelesen, int64_t erwartet) {
    schritte.emplace_back(gelesen, erwartet);
    return true;
  };
  Bildpuffer ganz;
  ASSERT_EQ(SeiteScannen(ganz, e), 0);
  ASSERT_GE(schritte.size(), 2u);
  EXPECT_EQ(schritte.front(), (std::pair<int64_t, int64_t>{0, 0})) << "told before the device is opened";
  for (std::size_t i = 2; i < schritte.size(); ++i) EXPECT_GT(schritte[i].first, schritte[i - 1].first);
  EXPECT_EQ(schritte.back().first, schritte.back().second) << "the whole page, as announced";

  const auto vorher = Zustand().ScanBild;
  int aufrufe = 0;
  e.Weiter = [&](int64_t, int64_t) { return ++aufrufe < 3; };
  EXPECT_EQ(ScanBildEinlesen(e), vic::Abgebrochen);
  EXPECT_EQ(aufrufe, 3);
  EXPECT_EQ(Zustand().ScanBild, vorher);
  EXPECT_TRUE(dialoge_->Gezeigt.empty()) << dialoge_->Gezeigt[0].Text;
  EXPECT_EQ(ScanBildEinlesen(), 0);
}

TEST_F(ScannerTest, GeraeteOptionenUndBildarten) {
  Bildpuffer farbig, dreiPaesse, grau, strich, hand, fein;
  ASSERT_EQ(SeiteScannen(farbig, {"test:0", {}}), 0);
  ASSERT_EQ(SeiteScannen(dreiPaesse, {"", {{"three-pass", "true"}}}), 0);
  EXPECT_EQ(dreiPaesse.Daten, farbig.Daten);  // one frame per colour, put together

  ASSERT_EQ(SeiteScannen(grau, {"", {{"mode", "Gray"}, {"depth", "16"}}}), 0);  // cut to 8 bits
  EXPECT_EQ(grau.BitsProPixel, 8);
  EXPECT_EQ(grau.Breite, farbig.Breite);
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

TEST_F(ScannerTest, ErsatzgeraetNurWennKeinerGesetztUndKeinerGefunden) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Zuruecksetzen {
    ~Zuruecksetzen() { ErsatzScanner().clear(); }
  } zuruecksetzen;
  ErsatzScanner() = "test";
  // SANE knows no backend at all: the stand-in device scans.
  Umgebungsvariable leer("SANE_CONFIG_DIR", EigeneSaneKonfiguration("# none\n", "number_of_devices 1\nmode Color\n"));
  EXPECT_EXIT(ScanImEigenenProzess(""), testing::ExitedWithCode(0), "^<ScanBild ersetzt>$");
  // A device that was named is never replaced by the stand-in.
  const std::string meldung = "^<Das Programm konnte keinen Scanner erkennen!\\|Error encountered!\\|16>$";
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

  const auto info = Zeilen(Ausfuehren("pdfinfo '" + pdf + "'"));
  EXPECT_EQ(Woerter(Feld(info, "Pages:")), (std::vector<std::string>{"1"}));
  EXPECT_EQ(Feld(info, "Page size:").find("596 x 842 pts"), Feld(info, "Page size:").find_first_not_of(' '));

  // One image (after two header lines) of exactly the scanned pixel size:
  // page 1, number 0, an image, width, height, rgb, 3 components, 8 bits.
  const auto liste = Zeilen(Ausfuehren("pdfimages -list '" + pdf + "'"));
  ASSERT_EQ(liste.size(), 3u);
  const auto& bild = *Zustand().ScanBild;
  const auto felder = Woerter(liste[2]);
  ASSERT_GE(felder.size(), 8u) << liste[2];
  EXPECT_EQ(std::vector<std::string>(felder.begin(), felder.begin() + 8),
            (std::vector<std::string>{"1", "0", "image", std::to_string(bild.Breite), std::to_string(bild.Hoehe),
                                      "rgb", "3", "8"}));

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
  auto ohneDatum = [](std::string text) {
    const std::size_t p = text.find("/CreationDate (D:");
    if (p != std::string::npos) text.erase(p, 32);  // 17 + 14 digits + ")"
    return text;
  };
  const std::string a = ohneDatum(Inhalt("C:\\SCAN\\Brief.pdf"));
  const std::string b = ohneDatum(Inhalt("C:\\SCAN\\Vergleich.pdf"));
  EXPECT_EQ(a.size(), b.size());
  EXPECT_TRUE(a == b);
  EXPECT_NE(a.find("/W " + std::to_string(Zustand().ScanBild->Breite) + "\r"), std::string::npos);
}

// A PDF the user agreed to replace goes into the trash where there is one,
// once the new one is written; no partial copy stays beside it.
TEST_F(ScanZuPdfTest, ErsetztesPdfLiegtImPapierkorb) {
  DateiAnlegen("C:\\SCAN\\Brief.pdf", "alte Fassung");
  const fs::path korb = temp_ / "korb";
  fs::create_directories(korb);
  std::vector<std::string> weggelegt;
  Dienste().Papierkorb = [&](const std::string& p) {
    // the new document is already written beside it
    bool neuDa = false;
    for (const auto& e : fs::directory_iterator(Host("C:\\SCAN")))
      neuDa = neuDa || (IstEigeneZwischendatei(e.path().filename().string()) && fs::file_size(e.path()) > 1000);
    EXPECT_TRUE(neuDa);
    weggelegt.push_back(p);
    fs::rename(Host(p), korb / "Brief.pdf");
    return true;
  };
  ASSERT_TRUE(ScanZuPdf("C:\\SCAN", "Brief", pdf_));
  EXPECT_EQ(weggelegt, std::vector<std::string>{"C:\\SCAN\\Brief.pdf"});
  std::ifstream alt(korb / "Brief.pdf");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(alt), {}), "alte Fassung");
  EXPECT_EQ(Inhalt("C:\\SCAN\\Brief.pdf").rfind("%PDF", 0), 0u);
  std::vector<std::string> namen;
  for (const auto& e : fs::directory_iterator(Host("C:\\SCAN"))) namen.push_back(e.path().filename().string());
  EXPECT_EQ(namen, std::vector<std::string>{"Brief.pdf"}) << "no bitmap, no partial copy";
}

// The replaced PDF's keywords go into the trash with it: the new scan
// starts without any, and the old one put back has them again.
TEST_F(ScanZuPdfTest, ErsetztesPdfNimmtSeineKeywoerterMitInDenPapierkorb) {
  DateiAnlegen("C:\\SCAN\\Vertrag.pdf", "unterschriebener Vertrag");
  const std::string registerDatei = (temp_ / "vxmdok.mdb").string();
  RegisterAnlegen(registerDatei);
  auto db = DatenbankOeffnenHost(registerDatei);
  ASSERT_TRUE(KeywordsEingeben(*db, {"Vertrag.pdf", "C:\\SCAN"}, "MIETVERTRAG").Fehler.empty());
  const fs::path korb = temp_ / "korb.pdf";
  Dienste().Papierkorb = [&](const std::string& p) {
    fs::rename(Host(p), korb);
    return true;
  };
  ASSERT_TRUE(ScanZuPdf("C:\\SCAN", "Vertrag", pdf_, db.get()));
  EXPECT_EQ(Inhalt("C:\\SCAN\\Vertrag.pdf").rfind("%PDF", 0), 0u);
  EXPECT_EQ(DateiNummerSuchen(*db, "Vertrag.pdf", "C:\\SCAN"), 0) << "the scan starts without keywords";
  fs::remove(Host("C:\\SCAN\\Vertrag.pdf"));
  fs::rename(korb, Host("C:\\SCAN\\Vertrag.pdf"));
  EXPECT_TRUE(AmPlatzWartendeZurueckholen(*db, "C:\\SCAN", "Vertrag.pdf"));
  EXPECT_EQ(KeywordsDerDatei(*db, DateiNummerSuchen(*db, "Vertrag.pdf", "C:\\SCAN")),
            std::vector<std::string>{"MIETVERTRAG"});
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
