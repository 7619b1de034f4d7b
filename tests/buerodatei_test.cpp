// New empty office files through LibreOffice and the template cache. A
// LibreOffice call costs seconds: the valid-file tests share one cache folder
// per build, and the conversion back runs once for all three types.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>

#include "create/buerodatei.h"
#include "create/libreoffice.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

fs::path GemeinsamerCache() {
  const char* build = std::getenv("VXM_BUILD");
  return (build && *build) ? fs::path(build) / "test-vorlagen" : fs::temp_directory_path() / "vxm-test-vorlagen";
}

std::string Befehlsausgabe(const std::string& befehl) { return test::Befehl(befehl, false).Text; }

std::vector<std::string> Eintraege(const fs::path& ordner) {
  std::vector<std::string> namen;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(ordner, ec)) namen.push_back(e.path().filename().string());
  return namen;
}

class BueroDateiTest : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    gespeichert_ = LibreOffice();
    VorlagenOrdnerSetzen(GemeinsamerCache());
    OrdnerAnlegenHost("C:\\DOK");
  }
  void TearDown() override {
    LibreOffice() = gespeichert_;
    VorlagenOrdnerSetzen({});
    Umgebung::TearDown();
  }
  // A cache of this test alone, for the cases that must build or fail.
  fs::path EigenerCache() {
    fs::path c = temp_ / "vorlagen";
    VorlagenOrdnerSetzen(c);
    return c;
  }
  // A stand-in for soffice: a shell script with the given body.
  void FalschesSoffice(const std::string& koerper) {
    fs::path skript = temp_ / "soffice";
    std::ofstream(skript) << "#!/bin/sh\n" << koerper << "\n";
    fs::permissions(skript, fs::perms::owner_all);
    LibreOffice().Programm = skript.string();
  }

  LibreOfficeEinstellungen gespeichert_;
};

TEST_F(BueroDateiTest, JederTypWirdAlsGueltigeDateiAngelegtUndVonLibreOfficeGelesen) {
  ASSERT_TRUE(LibreOfficeVorhanden()) << "soffice fehlt";
  const std::vector<std::pair<std::string, std::string>> faelle = {
      {".doc", "C:\\DOK\\Brief.doc"}, {".XLS", "C:\\DOK\\Tabelle.XLS"}, {"ppt", "C:\\DOK\\Folien.ppt"}};
  std::string dateien;
  for (const auto& [endung, ziel] : faelle) {
    std::string fehler;
    ASSERT_TRUE(NeueBueroDatei(endung, ziel, &fehler)) << endung << ": " << fehler;
    const fs::path host = Host(ziel);
    EXPECT_TRUE(IstOle2Datei(host)) << ziel;
    EXPECT_NE(Befehlsausgabe("file -b '" + host.string() + "'").find("Composite Document File"), std::string::npos)
        << ziel;
    dateien += " '" + host.string() + "'";
  }
  EXPECT_TRUE(berichte_->empty());

  // One LibreOffice run reads all three back; each must go through the
  // export filter of its own application.
  const fs::path profil = temp_ / "profil", pdf = temp_ / "pdf";
  const std::string ausgabe =
      Befehlsausgabe("soffice --headless --norestore --nologo -env:UserInstallation=" + DateiUrl(profil) +
                     " --convert-to pdf --outdir '" + pdf.string() + "'" + dateien + " 2>&1");
  EXPECT_NE(ausgabe.find("writer_pdf_Export"), std::string::npos) << ausgabe;
  EXPECT_NE(ausgabe.find("calc_pdf_Export"), std::string::npos) << ausgabe;
  EXPECT_NE(ausgabe.find("impress_pdf_Export"), std::string::npos) << ausgabe;
  for (const char* name : {"Brief.pdf", "Tabelle.pdf", "Folien.pdf"}) {
    std::error_code ec;
    EXPECT_GT(fs::file_size(pdf / name, ec), 0u) << name << "\n" << ausgabe;
  }
}

TEST_F(BueroDateiTest, VorlageEntstehtAuchAufEinemAnderenThread) {
  auto zukunft = LeereVorlageImHintergrund(".xls");
  auto vorlage = zukunft.get();
  ASSERT_TRUE(vorlage);
  EXPECT_TRUE(IstOle2Datei(*vorlage));
  EXPECT_TRUE(NeueBueroDatei(".xls", "C:\\DOK\\Mappe.xls"));
  EXPECT_FALSE(LeereVorlageImHintergrund(".txt").get());
}

TEST_F(BueroDateiTest, VorhandeneDateiWirdNieUeberschrieben) {
  DateiAnlegen("C:\\DOK\\brief.DOC", "alt");
  std::string fehler;
  EXPECT_FALSE(NeueBueroDatei(".doc", "C:\\DOK\\Brief.doc", &fehler));  // names match without case
  EXPECT_FALSE(fehler.empty());
  EXPECT_EQ(Inhalt("C:\\DOK\\brief.DOC"), "alt");
  EXPECT_EQ(Eintraege(Host("C:\\DOK")).size(), 1u);
}

TEST_F(BueroDateiTest, UngueltigeZieleUndTypenLassenNichtsZurueck) {
  EXPECT_FALSE(NeueBueroDatei(".txt", "C:\\DOK\\a.txt"));
  EXPECT_FALSE(NeueBueroDatei(".doc", "C:\\FEHLT\\a.doc"));   // folder missing
  EXPECT_FALSE(NeueBueroDatei(".doc", "C:\\DOK\\a<b>.doc"));  // name Windows forbids
  EXPECT_FALSE(NeueBueroDatei(".doc", "C:\\DOK"));            // a folder
  EXPECT_TRUE(Eintraege(Host("C:\\DOK")).empty());
  EXPECT_FALSE(fs::exists(Host("C:\\FEHLT")));
}

TEST_F(BueroDateiTest, BeschaedigteVorlageWirdNeuGebaut) {
  const fs::path cache = EigenerCache();
  fs::create_directories(cache);
  std::ofstream(cache / "leer.doc", std::ios::binary) << "kein OLE";
  EXPECT_FALSE(IstOle2Datei(cache / "leer.doc"));

  std::string fehler;
  auto vorlage = LeereVorlage(".doc", &fehler);
  ASSERT_TRUE(vorlage) << fehler;
  EXPECT_EQ(*vorlage, cache / "leer.doc");
  EXPECT_TRUE(IstOle2Datei(*vorlage));
  EXPECT_EQ(Eintraege(cache), std::vector<std::string>{"leer.doc"});  // no building folder left

  // An emptied file (a full disk, say) is no template either.
  std::ofstream(cache / "leer.doc", std::ios::trunc | std::ios::binary);
  EXPECT_FALSE(IstOle2Datei(cache / "leer.doc"));
}

TEST_F(BueroDateiTest, OhneLibreOfficeScheitertEsUndHinterlaesstNichts) {
  const fs::path cache = EigenerCache();
  LibreOffice().Programm = (temp_ / "nirgends" / "soffice").string();
  EXPECT_FALSE(LibreOfficeVorhanden());
  std::string fehler;
  EXPECT_FALSE(NeueBueroDatei(".doc", "C:\\DOK\\Brief.doc", &fehler));
  EXPECT_NE(fehler.find("nicht installiert"), std::string::npos) << fehler;
  EXPECT_TRUE(Eintraege(Host("C:\\DOK")).empty());
  EXPECT_TRUE(Eintraege(cache).empty());

  // A bare name that PATH does not know is missing as well.
  LibreOffice().Programm = "soffice-gibt-es-nicht";
  EXPECT_FALSE(NeueBueroDatei(".xls", "C:\\DOK\\Tabelle.xls"));
  EXPECT_TRUE(Eintraege(Host("C:\\DOK")).empty());
}

TEST_F(BueroDateiTest, ScheiterndesLibreOfficeWirdAlsFehlerGemeldet) {
  const fs::path cache = EigenerCache();
  struct Fall {
    const char* Skript;
    const char* Beschreibung;
  };
  // The script gets the output folder as its 9th argument.
  const std::vector<Fall> faelle = {
      {"exit 3", "Status 3"},
      {"exit 0", "nicht geschrieben"},
      {"printf 'kein OLE' > \"$9/leer.doc\"; exit 0",
       "keine gültige"},
      {"printf 'halb' > \"$9/leer.doc\"; exit 1", "Status 1"},
  };
  for (const auto& fall : faelle) {
    FalschesSoffice(fall.Skript);
    std::string fehler;
    EXPECT_FALSE(NeueBueroDatei(".doc", "C:\\DOK\\Brief.doc", &fehler)) << fall.Skript;
    EXPECT_NE(fehler.find(fall.Beschreibung), std::string::npos) << fall.Skript << ": " << fehler;
    EXPECT_TRUE(Eintraege(Host("C:\\DOK")).empty()) << fall.Skript;
    EXPECT_TRUE(Eintraege(cache).empty()) << fall.Skript;
  }
}

TEST_F(BueroDateiTest, HaengendesLibreOfficeWirdNachDemZeitlimitBeendet) {
  EigenerCache();
  FalschesSoffice("sleep 30 & sleep 30");  // with a child of its own, as soffice has
  LibreOffice().Zeitlimit = std::chrono::milliseconds(300);
  const auto start = std::chrono::steady_clock::now();
  const fs::path quelle = temp_ / "x.txt";
  std::ofstream(quelle) << "";
  KonvertierErgebnis k = Konvertieren(quelle, "doc:MS Word 97", temp_);
  EXPECT_FALSE(k.Erfolg);
  EXPECT_TRUE(k.Zeitueberschritten);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(fs::exists(temp_ / "x.doc"));
}

TEST_F(BueroDateiTest, KonvertierungErsetztKeineVorhandeneDatei) {
  FalschesSoffice("exit 0");
  const fs::path quelle = temp_ / "x.txt";
  std::ofstream(quelle) << "";
  std::ofstream(temp_ / "x.doc") << "alt";
  KonvertierErgebnis k = Konvertieren(quelle, "doc:MS Word 97", temp_);
  EXPECT_FALSE(k.Erfolg);
  std::ifstream ein(temp_ / "x.doc");
  std::string inhalt;
  ein >> inhalt;
  EXPECT_EQ(inhalt, "alt");
}

TEST(DateiUrlTest, KodiertLeerzeichenUndUmlaute) {
  EXPECT_EQ(DateiUrl("/tmp/a b/Müller.xls"), "file:///tmp/a%20b/M%C3%BCller.xls");
  EXPECT_EQ(DateiUrl("/x/Serienbrief07.12.2026.doc"), "file:///x/Serienbrief07.12.2026.doc");
}

}  // namespace
}  // namespace vxm
