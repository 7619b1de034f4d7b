#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "basis/dateifunktionen.h"
#include "basis/zustand.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

class DateifunktionenTest : public test::Umgebung {
 protected:
  bool Still() const { return berichte_->empty() && dialoge_->Gezeigt.empty(); }
};

// A file system whose rename fails as it does for a folder that another
// program holds open.
class BelegterOrdner : public HostDateisystem {
 public:
  using HostDateisystem::HostDateisystem;
  void Name(const std::string&, const std::string&) override {
    throw VbFehler::Standard(fehlernr::PfadZugriffsfehler);
  }
};

TEST_F(DateifunktionenTest, OrdnerVorhandenUndLesbar) {
  OrdnerAnlegenHost("C:\\VXMDOK\\1");
  EXPECT_TRUE(OrdnerVorhanden("C:\\VXMDOK\\1"));
  EXPECT_TRUE(OrdnerVorhanden("c:\\vxmdok\\1"));
  EXPECT_TRUE(OrdnerLesbar("C:\\VXMDOK"));
  EXPECT_FALSE(OrdnerVorhanden("C:\\VXMDOK\\2"));
  EXPECT_FALSE(OrdnerLesbar("C:\\VXMDOK\\2"));
  DateiAnlegen("C:\\VXMDOK\\brief.txt");
  EXPECT_FALSE(OrdnerVorhanden("C:\\VXMDOK\\brief.txt"));
  // An empty or malformed path is no folder either, and nothing is reported.
  EXPECT_FALSE(OrdnerVorhanden(""));
  EXPECT_TRUE(Still());
}

TEST_F(DateifunktionenTest, NamenInAllenSchriftenOhneRuecksichtAufGrossschreibung) {
  fs::create_directories(laufwerkC_ / "Łódź" / "Договоры" / "Αρχείο");
  std::ofstream(laufwerkC_ / "Łódź" / "Ωμέγα.txt") << "x";
  EXPECT_TRUE(OrdnerVorhanden("C:\\ŁÓDŹ"));
  EXPECT_TRUE(OrdnerVorhanden("C:\\łódź\\ДОГОВОРЫ\\ΑΡΧΕΊΟ"));
  EXPECT_TRUE(DateiVorhanden("C:\\ŁÓDŹ\\ΩΜΈΓΑ.TXT"));
  EXPECT_FALSE(OrdnerAnlegen("C:\\ŁÓDŹ"));  // exists already
  EXPECT_TRUE(Still());
}

TEST_F(DateifunktionenTest, NamenMitPunktOderLeerzeichenAmEndeWieUnterWindows) {
  OrdnerAnlegenHost("C:\\Akte");
  EXPECT_TRUE(OrdnerVorhanden("C:\\Akte."));
  EXPECT_FALSE(OrdnerAnlegen("C:\\AKTE "));  // exists already
  EXPECT_TRUE(OrdnerAnlegen("C:\\Neu."));
  EXPECT_TRUE(fs::is_directory(laufwerkC_ / "Neu"));
  EXPECT_TRUE(TextDateiAnlegen("C:\\Akte.\\brief.txt.", false));
  EXPECT_TRUE(DateiVorhanden("C:\\Akte\\brief.txt"));
  EXPECT_TRUE(PfadUmbenennen("C:\\akte\\brief.txt", "C:\\Neu\\Brief.txt . "));
  EXPECT_TRUE(fs::exists(laufwerkC_ / "Neu" / "Brief.txt"));
  EXPECT_TRUE(DateiLoeschen("C:\\Neu.\\brief.TXT."));
  EXPECT_EQ(std::distance(fs::directory_iterator(laufwerkC_), fs::directory_iterator()), 2);
  EXPECT_TRUE(fs::is_empty(laufwerkC_ / "Neu"));
  EXPECT_TRUE(Still());
}

TEST_F(DateifunktionenTest, OrdnerVorhandenMeldetUnerwarteteFehler) {
  EXPECT_FALSE(OrdnerVorhanden("C:\\a|b"));
  ASSERT_EQ(berichte_->size(), 1u);
  EXPECT_EQ(berichte_->front().Nummer, 52);
}

TEST_F(DateifunktionenTest, OrdnerAnlegenNurEineEbeneUndNieDoppelt) {
  EXPECT_TRUE(OrdnerAnlegen("C:\\VXMDOK"));
  EXPECT_TRUE(fs::is_directory(laufwerkC_ / "VXMDOK"));
  EXPECT_FALSE(OrdnerAnlegen("C:\\VXMDOK"));
  EXPECT_FALSE(OrdnerAnlegen("c:\\vxmdok"));
  EXPECT_FALSE(OrdnerAnlegen("C:\\FEHLT\\UNTEN"));
  EXPECT_FALSE(fs::exists(laufwerkC_ / "FEHLT"));
  EXPECT_TRUE(Still());
}

TEST_F(DateifunktionenTest, OrdnerLoeschenMitInhalt) {
  DateiAnlegen("C:\\A\\B\\c.txt");
  EXPECT_TRUE(OrdnerLoeschen("C:\\A"));
  EXPECT_FALSE(fs::exists(laufwerkC_ / "A"));
  EXPECT_FALSE(OrdnerLoeschen("C:\\A"));
  EXPECT_TRUE(Still());
}

TEST_F(DateifunktionenTest, OrdnerMitSchreibgeschuetzterDateiBleibtGanz) {
  DateiAnlegen("C:\\A\\eins.txt");
  DateiAnlegen("C:\\A\\B\\zwei.txt");
  HostDateisystem::SchreibgeschuetztSetzen(Host("C:\\A\\B\\zwei.txt"), true);
  EXPECT_FALSE(OrdnerLoeschen("C:\\A"));
  EXPECT_EQ(berichte_->size(), 1u);
  EXPECT_EQ(berichte_->front().Nummer, 70);
  EXPECT_TRUE(fs::exists(Host("C:\\A\\eins.txt")));
  EXPECT_TRUE(fs::exists(Host("C:\\A\\B\\zwei.txt")));
}

TEST_F(DateifunktionenTest, LaufwerkswurzelWirdNieGeloescht) {
  DateiAnlegen("C:\\wichtig.txt");
  EXPECT_FALSE(OrdnerLoeschen("C:\\"));
  EXPECT_FALSE(OrdnerLoeschen("C:\\A\\.."));
  EXPECT_TRUE(fs::exists(laufwerkC_ / "wichtig.txt"));
}

TEST_F(DateifunktionenTest, DateiKopierenErsetztZielUndBehaeltZeit) {
  DateiAnlegen("C:\\quelle.txt", "neu");
  DateiAnlegen("C:\\Ziel\\ziel.txt", "alt");
  const auto zeit = fs::file_time_type::clock::now() - std::chrono::hours(48);
  fs::last_write_time(Host("C:\\quelle.txt"), zeit);
  EXPECT_TRUE(DateiKopieren("C:\\quelle.txt", "C:\\ziel\\ZIEL.TXT"));
  EXPECT_EQ(Inhalt("C:\\Ziel\\ziel.txt"), "neu");
  EXPECT_EQ(fs::last_write_time(Host("C:\\Ziel\\ziel.txt")), zeit);
  EXPECT_TRUE(DateiKopieren("C:\\quelle.txt", "C:\\Ziel\\"));
  EXPECT_EQ(Inhalt("C:\\Ziel\\quelle.txt"), "neu");
  EXPECT_EQ(fs_->Files("C:\\Ziel").size(), 2u);  // no leftovers of the copy
  EXPECT_TRUE(Still());
}

TEST_F(DateifunktionenTest, DateiKopierenErwarteteUndGemeldeteFehler) {
  DateiAnlegen("C:\\a.txt", "inhalt");
  EXPECT_FALSE(DateiKopieren("C:\\fehlt.txt", "C:\\b.txt"));
  EXPECT_FALSE(DateiKopieren("C:\\a.txt", "C:\\fehlt\\b.txt"));
  EXPECT_TRUE(Still());
  // Onto itself: refused, and the file keeps its content.
  EXPECT_FALSE(DateiKopieren("C:\\a.txt", "C:\\A.TXT"));
  EXPECT_EQ(Inhalt("C:\\a.txt"), "inhalt");
  DateiAnlegen("C:\\schutz.txt", "alt");
  HostDateisystem::SchreibgeschuetztSetzen(Host("C:\\schutz.txt"), true);
  EXPECT_FALSE(DateiKopieren("C:\\a.txt", "C:\\schutz.txt"));
  EXPECT_EQ(Inhalt("C:\\schutz.txt"), "alt");
  EXPECT_EQ(berichte_->size(), 2u);
}

TEST_F(DateifunktionenTest, DateiLoeschen) {
  DateiAnlegen("C:\\weg.txt");
  EXPECT_TRUE(DateiLoeschen("C:\\WEG.txt"));
  EXPECT_FALSE(fs::exists(laufwerkC_ / "weg.txt"));
  EXPECT_FALSE(DateiLoeschen("C:\\weg.txt"));
  OrdnerAnlegenHost("C:\\ordner");
  EXPECT_FALSE(DateiLoeschen("C:\\ordner"));
  EXPECT_TRUE(fs::exists(laufwerkC_ / "ordner"));
  EXPECT_TRUE(Still());

  DateiAnlegen("C:\\schutz.txt");
  HostDateisystem::SchreibgeschuetztSetzen(Host("C:\\schutz.txt"), true);
  EXPECT_FALSE(DateiLoeschen("C:\\schutz.txt"));
  EXPECT_TRUE(fs::exists(laufwerkC_ / "schutz.txt"));
  ASSERT_EQ(berichte_->size(), 1u);
  EXPECT_EQ(berichte_->front().Nummer, 70);
}

TEST_F(DateifunktionenTest, TextDateiAnlegenErsetztNurAufWunsch) {
  EXPECT_TRUE(TextDateiAnlegen("C:\\neu.txt", false));
  EXPECT_TRUE(fs::exists(laufwerkC_ / "neu.txt"));
  DateiAnlegen("C:\\alt.txt", "bleibt");
  EXPECT_FALSE(TextDateiAnlegen("C:\\alt.txt", false));
  EXPECT_EQ(Inhalt("C:\\alt.txt"), "bleibt");
  ASSERT_EQ(berichte_->size(), 1u);
  EXPECT_EQ(berichte_->front().Nummer, 58);
  EXPECT_TRUE(TextDateiAnlegen("C:\\alt.txt", true));
  EXPECT_EQ(Inhalt("C:\\alt.txt"), "");
}

TEST_F(DateifunktionenTest, DateiVorhanden) {
  DateiAnlegen("C:\\Dok\\Brief.doc");
  EXPECT_TRUE(DateiVorhanden("C:\\dok\\brief.DOC"));
  EXPECT_FALSE(DateiVorhanden("C:\\Dok"));
  EXPECT_FALSE(DateiVorhanden("Q:\\x"));
  EXPECT_FALSE(DateiVorhanden(""));
  EXPECT_TRUE(Still());
}

TEST_F(DateifunktionenTest, PfadUmbenennenErsetztNieEtwas) {
  DateiAnlegen("C:\\a.txt", "a");
  DateiAnlegen("C:\\b.txt", "b");
  EXPECT_FALSE(PfadUmbenennen("C:\\a.txt", "C:\\B.TXT"));
  EXPECT_EQ(Inhalt("C:\\a.txt"), "a");
  EXPECT_EQ(Inhalt("C:\\b.txt"), "b");
  ASSERT_EQ(berichte_->size(), 1u);
  EXPECT_EQ(berichte_->front().Nummer, 58);
}

TEST_F(DateifunktionenTest, PfadUmbenennenVerschiebtUndAendertSchreibweise) {
  DateiAnlegen("C:\\Ordner\\datei.txt", "x");
  OrdnerAnlegenHost("C:\\Archiv");
  EXPECT_TRUE(PfadUmbenennen("C:\\ordner\\datei.txt", "C:\\archiv\\Datei.txt"));
  EXPECT_TRUE(fs::exists(laufwerkC_ / "Archiv" / "Datei.txt"));
  EXPECT_TRUE(PfadUmbenennen("C:\\Ordner", "C:\\ORDNER"));
  EXPECT_TRUE(fs::is_directory(laufwerkC_ / "ORDNER"));
  EXPECT_FALSE(fs::exists(laufwerkC_ / "Ordner"));
  EXPECT_FALSE(PfadUmbenennen("C:\\fehlt", "C:\\neu"));
  EXPECT_TRUE(Still());
}

TEST_F(DateifunktionenTest, OrdnerLaesstSichNichtInSichSelbstVerschieben) {
  OrdnerAnlegenHost("C:\\A\\B");
  EXPECT_FALSE(PfadUmbenennen("C:\\A", "C:\\a\\B\\A"));
  EXPECT_TRUE(fs::is_directory(laufwerkC_ / "A" / "B"));
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, kMeldungOrdnerInBenutzung);
}

TEST_F(DateifunktionenTest, BelegterOrdnerZeigtEigeneMeldungOhneBericht) {
  Dienste().Dateien = std::make_shared<BelegterOrdner>(fs_->Laufwerke());
  OrdnerAnlegenHost("C:\\A");
  EXPECT_FALSE(PfadUmbenennen("C:\\A", "C:\\B"));
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text,
            "Sie befinden sich noch(z.B. im Windwos Explorer) in diesem Ordner. Bitte schließen und "
            "nochmals umbenennen!");
  EXPECT_EQ(dialoge_->Gezeigt[0].Stil, vbOKOnly);
  EXPECT_TRUE(berichte_->empty());
}

TEST_F(DateifunktionenTest, LaufwerkVorhandenUeberspringtNichtBereiteLaufwerke) {
  fs_->Laufwerke().Zuordnen('A', temp_ / "leeres-diskettenlaufwerk");
  fs_->Laufwerke().Zuordnen('D', temp_);
  EXPECT_TRUE(LaufwerkVorhanden("C"));
  EXPECT_TRUE(LaufwerkVorhanden("D"));
  EXPECT_FALSE(LaufwerkVorhanden("A"));
  EXPECT_FALSE(LaufwerkVorhanden("E"));
  EXPECT_FALSE(LaufwerkVorhanden("c"));  // the letters are compared exactly
  EXPECT_TRUE(Still());
}

TEST_F(DateifunktionenTest, DateinameZerlegen) {
  std::string p = "C:\\a\\bericht.final.docx";
  EXPECT_TRUE(DateinameZerlegen(p));
  EXPECT_EQ(p, "bericht.final.docx");
  EXPECT_EQ(Zustand().SuchName, "bericht");
  EXPECT_EQ(Zustand().SuchEndung, "fin");

  p = "C:\\a\\liesmich";
  EXPECT_TRUE(DateinameZerlegen(p));
  EXPECT_EQ(p, "liesmich");
  EXPECT_EQ(Zustand().SuchName, "liesmich");
  EXPECT_EQ(Zustand().SuchEndung, "*");

  p = "";
  EXPECT_FALSE(DateinameZerlegen(p));
  EXPECT_EQ(Zustand().SuchName, "*");
  EXPECT_EQ(Zustand().SuchEndung, "*");

  p = ".profil";
  EXPECT_TRUE(DateinameZerlegen(p));
  EXPECT_EQ(Zustand().SuchName, "*");
  EXPECT_EQ(Zustand().SuchEndung, "pro");

  p = "übersicht.äöüx";  // three characters, not three bytes
  EXPECT_TRUE(DateinameZerlegen(p));
  EXPECT_EQ(Zustand().SuchEndung, "äöü");
}

}  // namespace
}  // namespace vxm
