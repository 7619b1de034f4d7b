// Copy and move with the register rows, without a window: a same-named
// target is replaced only after Yes and keeps one row at most; a locked
// register changes nothing; a crash at any point is completed or dropped.
#include "files/dateiuebertragung.h"

#include <signal.h>
#include <sys/stat.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <random>
#include <thread>

#include "files/fingerabdruck.h"
#include "files/registervorhaben.h"
#include "files/wiedererkennung.h"
#include "keywords/registerzugriff.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

struct Zeile {
  int32_t Nummer;
  std::string Name, Pfad;
  bool operator==(const Zeile&) const = default;
};

class DateiUebertragenBasis : public test::RegisterUmgebung {
 protected:
  const std::string kA = "C:\\DOK\\A", kB = "C:\\DOK\\B";

  // brief.doc in A (row 1, keywords 1 and 2) and a namesake in B (row 2, keyword 3).
  void SetUp() override {
    RegisterUmgebung::SetUp();
    if (IsSkipped()) return;
    DateiAnlegen(kA + "\\brief.doc", "neu");
    DateiAnlegen(kB + "\\brief.doc", "alt");
    Sql("INSERT INTO Keyword (Keyword) VALUES ('MIETE'), ('KAUTION'), ('ALT');"
        "INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES ('brief.doc', 'C:\\DOK\\A'), ('Brief.DOC', 'c:\\dok\\b');"
        "INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (1, 1), (1, 2), (2, 3);");
  }
  std::vector<Zeile> Zeilen() {
    std::vector<Zeile> z;
    for (Recordset rs = db_->OpenRecordset("SELECT * FROM Dateiinfo ORDER BY Dateinummer"); !rs.Eof(); rs.MoveNext())
      z.push_back({rs.Zahl("Dateinummer"), rs.Text("Dateiname"), rs.Text("Dateipfad")});
    return z;
  }
  std::vector<int32_t> Links(int32_t nr) {
    auto ids = KeywordIdsDerDatei(*db_, nr);
    std::sort(ids.begin(), ids.end());
    return ids;
  }
  int64_t Verknuepfungen() {
    Recordset rs = db_->OpenRecordset("SELECT COUNT(*) AS n FROM KeywordZwischentabelle");
    return rs.Zahl("n");
  }
  UebertragungsErgebnis Uebertragen(UebertragungsArt art, const std::string& zielOrdner = "C:\\DOK\\B") {
    Uebertragung u;
    u.Art = art;
    u.QuellOrdner = kA;
    u.QuellName = "brief.doc";
    u.ZielOrdner = zielOrdner;
    u.ZielName = "brief.doc";
    return DateiUebertragen(*db_, *dialoge_, u);
  }
  bool Da(const std::string& p) { return fs::exists(Host(p)); }
  // The keywords a set-aside row keeps for its file's return ("" when it waits for none).
  std::string Wartend(int32_t nr) {
    std::string s;
    for (Recordset rs = db_->OpenRecordset("SELECT Grund FROM vxm_beiseite WHERE Dateinummer = " + std::to_string(nr));
         !rs.Eof(); rs.MoveNext())
      s += rs.Text("Grund") + ":";
    for (Recordset rs = db_->OpenRecordset("SELECT KeywordID FROM vxm_beiseite_verknuepfung WHERE Dateinummer = " +
                                           std::to_string(nr) + " ORDER BY Folge");
         !rs.Eof(); rs.MoveNext())
      s += std::to_string(rs.Zahl("KeywordID"));
    return s;
  }
};

// On every engine.
VXM_AUF_ALLEN_ABLAGEN_AUS(DateiUebertragenTest, DateiUebertragenBasis);

// What needs a second SQLite connection holding the file.
class DateiUebertragenSqliteTest : public DateiUebertragenBasis {};

TEST_P(DateiUebertragenTest, VerschiebenErsetztDieZeileDesZiels) {
  // An old register may hold two rows for one file: both of the target go,
  // and the source's second row does not stay behind pointing nowhere.
  Sql("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES ('BRIEF.doc', 'C:\\DOK\\B'), ('brief.doc', 'C:\\DOK\\A');"
      "INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (3, 3), (4, 2);");
  dialoge_->Antworten = {vbYes};
  EXPECT_EQ(Uebertragen(UebertragungsArt::Verschieben), UebertragungsErgebnis::Erledigt);
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, "Im Zielordner gibt es bereits die Datei\r\nC:\\DOK\\B\\brief.doc\r\nWollen Sie sie ersetzen?");
  EXPECT_EQ(dialoge_->Gezeigt[0].Stil, vbYesNo + vbQuestion);
  EXPECT_FALSE(Da(kA + "\\brief.doc"));
  EXPECT_EQ(Inhalt(kB + "\\brief.doc"), "neu");
  EXPECT_EQ(Zeilen(), (std::vector<Zeile>{{1, "brief.doc", kB}}));
  EXPECT_EQ(Links(1), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(Verknuepfungen(), 2);
  EXPECT_TRUE(OffeneVorhaben(*db_).empty());
}

// The target folder holds the name in another letter case only: the
// question names the file that is replaced, as it is spelled there.
TEST_P(DateiUebertragenTest, ErsetzenFragtNachDerDateiInIhrerSchreibung) {
  std::filesystem::rename(Host(kB + "\\brief.doc"), Host(kB) / "Brief.DOC");
  dialoge_->Antworten = {vbNo};
  EXPECT_EQ(Uebertragen(UebertragungsArt::Verschieben), UebertragungsErgebnis::Abgelehnt);
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, "Im Zielordner gibt es bereits die Datei\r\nC:\\DOK\\B\\Brief.DOC\r\nWollen Sie sie ersetzen?");
  EXPECT_EQ(Inhalt(kB + "\\Brief.DOC"), "alt");
}

// Ja to replacing puts the old file into the trash where there is one, so
// the user can take it back; a copy that then fails says where it is.
TEST_P(DateiUebertragenTest, ErsetzteDateiLiegtImPapierkorb) {
  const fs::path korb = temp_ / "korb";
  fs::create_directories(korb);
  std::vector<std::string> weggelegt;
  Dienste().Papierkorb = [&](const std::string& p) {
    weggelegt.push_back(p);
    fs::rename(Host(p), korb / std::to_string(weggelegt.size()));
    return true;
  };
  std::filesystem::rename(Host(kB + "\\brief.doc"), Host(kB) / "Brief.doc");
  dialoge_->Antworten = {vbYes};
  EXPECT_EQ(Uebertragen(UebertragungsArt::Verschieben), UebertragungsErgebnis::Erledigt);
  EXPECT_EQ(weggelegt, std::vector<std::string>{kB + "\\Brief.doc"}) << "the file replaced, as spelled there";
  EXPECT_EQ(Inhalt(kB + "\\brief.doc"), "neu");
  {
    std::ifstream alt(korb / "1");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(alt), {}), "alt");
  }
  EXPECT_EQ(Zeilen(), (std::vector<Zeile>{{1, "brief.doc", kB}}));
  // Its keywords wait for it, bound to its place and content: the new file there takes nothing ...
  const auto wartend = BeiseiteListe(*db_);
  ASSERT_EQ(wartend.size(), 1u);
  EXPECT_EQ(wartend[0].Dateinummer, 2);
  EXPECT_EQ(wartend[0].Grund, grund::Papierkorb);
  EXPECT_EQ(wartend[0].Verknuepfungen, 1u);
  EXPECT_EQ(BeobachtungNachziehen(*db_, kB, {}, {"brief.doc"}).Vorgaenge.size(), 0u);
  // ... the old file put back there (the new one moved on) has them again.
  std::filesystem::rename(Host(kB + "\\brief.doc"), Host(kA + "\\brief.doc"));
  Sql("UPDATE Dateiinfo SET Dateipfad = 'C:\\DOK\\A' WHERE Dateinummer = 1");
  std::filesystem::rename(korb / "1", Host(kB) / "Brief.doc");
  EXPECT_EQ(BeobachtungNachziehen(*db_, kB, {}, {"Brief.doc"}).Zurueckgeholt, 1u);
  EXPECT_EQ(Links(2), std::vector<int32_t>{3});
  Sql("DELETE FROM Dateiinfo WHERE Dateinummer = 2; DELETE FROM KeywordZwischentabelle WHERE Dateinummer = 2");
  std::filesystem::rename(Host(kB) / "Brief.doc", Host(kB) / "brief.doc");
  std::filesystem::rename(Host(kA + "\\brief.doc"), Host(kB) / "neu.doc");
  Sql("UPDATE Dateiinfo SET Dateipfad = 'C:\\DOK\\B', Dateiname = 'neu.doc' WHERE Dateinummer = 1");

  // The copy fails after the old file went: nothing claims "nothing changed".
  struct KopieScheitert : HostDateisystem {
    using HostDateisystem::HostDateisystem;
    void CopyFile(const std::string&, const std::string&, bool) override {
      throw VbFehler(fehlernr::DatentraegerVoll, "Datenträger voll");
    }
  };
  Dienste().Dateien = std::make_shared<KopieScheitert>(fs_->Laufwerke());
  DateiAnlegen(kA + "\\brief.doc", "noch einmal");
  dialoge_->Gezeigt.clear();
  dialoge_->Antworten = {vbYes};
  EXPECT_EQ(Uebertragen(UebertragungsArt::Kopieren), UebertragungsErgebnis::Fehlgeschlagen);
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  const std::string meldung = dialoge_->Gezeigt.back().Text;
  EXPECT_NE(meldung.find("Die Datei " + kB + "\\brief.doc liegt im Papierkorb."), std::string::npos) << meldung;
  EXPECT_EQ(meldung.find("nichts verändert"), std::string::npos) << meldung;
  EXPECT_TRUE(OffeneVorhaben(*db_).empty());
  EXPECT_EQ(Zeilen(), (std::vector<Zeile>{{1, "neu.doc", kB}})) << "nothing else changed";
}

TEST_P(DateiUebertragenTest, NeinZumErsetzenAendertNichts) {
  for (auto art : {UebertragungsArt::Verschieben, UebertragungsArt::Kopieren, UebertragungsArt::NurKopieren}) {
    dialoge_->Gezeigt.clear();
    dialoge_->Antworten = {vbNo};
    EXPECT_EQ(Uebertragen(art), UebertragungsErgebnis::Abgelehnt);
    EXPECT_EQ(dialoge_->Gezeigt.size(), 1u);  // no keyword question after No
    EXPECT_EQ(Inhalt(kA + "\\brief.doc"), "neu");
    EXPECT_EQ(Inhalt(kB + "\\brief.doc"), "alt");
    EXPECT_EQ(Zeilen().size(), 2u);
    EXPECT_EQ(Verknuepfungen(), 3);
  }
}

TEST_P(DateiUebertragenTest, KopieMitUndOhneKeywoerterLaesstHoechstensEineZeile) {
  // Yes to replacing, Yes to the keywords: the copy's own row with the source's links.
  dialoge_->Antworten = {vbYes, vbYes};
  EXPECT_EQ(Uebertragen(UebertragungsArt::Kopieren), UebertragungsErgebnis::Erledigt);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, kFrageKeywordsUebernehmen);
  EXPECT_EQ(Inhalt(kB + "\\brief.doc"), "neu");
  auto z = Zeilen();
  ASSERT_EQ(z.size(), 2u);
  EXPECT_EQ(z[0], (Zeile{1, "brief.doc", kA}));
  EXPECT_EQ(z[1].Pfad, kB);
  EXPECT_EQ(Links(z[1].Nummer), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(Links(1), (std::vector<int32_t>{1, 2}));
  // A tagged copy is known by its content at once (moved before its folder is opened).
  {
    const auto abdruck = FingerabdruckLesen(*db_, z[1].Nummer);
    ASSERT_TRUE(abdruck.has_value());
    EXPECT_EQ(abdruck->Inhalt.Groesse, 3);
  }
  EXPECT_EQ(Verknuepfungen(), 4);  // keyword 3 went with the replaced file
  // Yes to replacing, No to the keywords: the old row goes, the copy has none.
  DateiAnlegen(kB + "\\brief.doc", "wieder alt");
  dialoge_->Antworten = {vbYes, vbNo};
  EXPECT_EQ(Uebertragen(UebertragungsArt::Kopieren), UebertragungsErgebnis::Erledigt);
  EXPECT_EQ(Zeilen(), (std::vector<Zeile>{{1, "brief.doc", kA}}));
  EXPECT_EQ(Verknuepfungen(), 2);
  // A bare copy asks only about replacing.
  Sql("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES ('brief.doc', 'C:\\DOK\\B');");
  dialoge_->Gezeigt.clear();
  dialoge_->Antworten = {vbYes};
  EXPECT_EQ(Uebertragen(UebertragungsArt::NurKopieren), UebertragungsErgebnis::Erledigt);
  EXPECT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(Zeilen(), (std::vector<Zeile>{{1, "brief.doc", kA}}));
}

TEST_P(DateiUebertragenTest, OhneZielWirdNurNachKeywoerternGefragt) {
  OrdnerAnlegenHost("C:\\DOK\\C");
  dialoge_->Antworten = {vbNo};
  EXPECT_EQ(Uebertragen(UebertragungsArt::Kopieren, "C:\\DOK\\C"), UebertragungsErgebnis::Erledigt);
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, kFrageKeywordsUebernehmen);
  EXPECT_EQ(Inhalt("C:\\DOK\\C\\brief.doc"), "neu");
  EXPECT_EQ(Zeilen().size(), 2u);
  EXPECT_EQ(Uebertragen(UebertragungsArt::Verschieben, "C:\\DOK\\D"), UebertragungsErgebnis::Fehlgeschlagen);
  EXPECT_NE(dialoge_->Gezeigt.back().Text.find("nicht verschoben"), std::string::npos);
  EXPECT_TRUE(Da(kA + "\\brief.doc"));
  EXPECT_EQ(Zeilen()[0].Pfad, kA);
  EXPECT_TRUE(OffeneVorhaben(*db_).empty());
}

TEST_P(DateiUebertragenTest, SchreibgeschuetzteQuelleBeimErsetzenBehaeltIhreZeile) {
  fs::permissions(Host(kA + "\\brief.doc"), fs::perms::owner_write, fs::perm_options::remove);
  dialoge_->Antworten = {vbYes};
  EXPECT_EQ(Uebertragen(UebertragungsArt::Verschieben), UebertragungsErgebnis::Fehlgeschlagen);
  EXPECT_NE(dialoge_->Gezeigt.back().Text.find("beiden Ordnern"), std::string::npos);
  // The target's old content is gone, and with it its row; the source keeps its own.
  EXPECT_EQ(Inhalt(kB + "\\brief.doc"), "neu");
  EXPECT_EQ(Zeilen(), (std::vector<Zeile>{{1, "brief.doc", kA}}));
  EXPECT_EQ(Links(1), (std::vector<int32_t>{1, 2}));
  EXPECT_TRUE(OffeneVorhaben(*db_).empty());
}

// A register step that fails (here a trigger; on a server a lost
// connection) leaves no record behind: a record that stayed would later be
// taken for a move cut off half way and "completed" over the move the user
// then made, dropping the moved file's keywords.
TEST_F(DateiUebertragenSqliteTest, FehlgeschlagenerRegisterschrittHinterlaesstKeinVorhaben) {
  std::filesystem::remove(Host(kB + "\\brief.doc"));
  Sql("DELETE FROM Dateiinfo WHERE Dateinummer = 2; DELETE FROM KeywordZwischentabelle WHERE Dateinummer = 2;");
  ASSERT_EQ(sqlite3_exec(db_->Handle(), "CREATE TRIGGER kaputt BEFORE UPDATE ON Dateiinfo BEGIN SELECT RAISE(ABORT, 'kaputt'); END",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  EXPECT_EQ(Uebertragen(UebertragungsArt::Verschieben), UebertragungsErgebnis::Fehlgeschlagen);
  EXPECT_TRUE(Da(kA + "\\brief.doc"));
  EXPECT_FALSE(Da(kB + "\\brief.doc"));
  EXPECT_TRUE(OffeneVorhaben(*db_).empty());
  ASSERT_EQ(sqlite3_exec(db_->Handle(), "DROP TRIGGER kaputt", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_EQ(Uebertragen(UebertragungsArt::Verschieben), UebertragungsErgebnis::Erledigt);
  RegisterVorhabenAbschliessen(*db_);  // another workstation's start
  EXPECT_EQ(Zeilen(), (std::vector<Zeile>{{1, "brief.doc", kB}}));
  EXPECT_EQ(Links(1), (std::vector<int32_t>{1, 2}));
}

TEST_F(DateiUebertragenSqliteTest, GesperrtesRegisterAendertNichts) {
  sqlite3* andere = nullptr;
  ASSERT_EQ(sqlite3_open(datei_.c_str(), &andere), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(andere, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_busy_timeout(db_->Handle(), 200);
  dialoge_->Antworten = {vbYes};
  EXPECT_EQ(Uebertragen(UebertragungsArt::Verschieben), UebertragungsErgebnis::Fehlgeschlagen);
  sqlite3_exec(andere, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(andere);
  EXPECT_NE(dialoge_->Gezeigt.back().Text.find("gesperrt"), std::string::npos) << dialoge_->Gezeigt.back().Text;
  EXPECT_NE(dialoge_->Gezeigt.back().Text.find("wurde nicht verschoben, es wurde nichts verändert"), std::string::npos)
      << dialoge_->Gezeigt.back().Text;
  EXPECT_EQ(Inhalt(kA + "\\brief.doc"), "neu");
  EXPECT_EQ(Inhalt(kB + "\\brief.doc"), "alt");
  EXPECT_EQ(Zeilen().size(), 2u);
  // A rename (a move within its folder) is called what it is.
  ASSERT_EQ(sqlite3_open(datei_.c_str(), &andere), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(andere, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  Uebertragung u{UebertragungsArt::Verschieben, kA, "brief.doc", kA, "Brief 2026.doc"};
  EXPECT_EQ(DateiUebertragen(*db_, *dialoge_, u), UebertragungsErgebnis::Fehlgeschlagen);
  sqlite3_exec(andere, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(andere);
  EXPECT_NE(dialoge_->Gezeigt.back().Text.find("wurde nicht umbenannt, es wurde nichts verändert"), std::string::npos)
      << dialoge_->Gezeigt.back().Text;
  EXPECT_TRUE(Da(kA + "\\brief.doc"));
  EXPECT_FALSE(Da(kA + "\\Brief 2026.doc"));
}

// The states a crash can leave, made by hand: the record is committed, the
// rows are as before, and the disk is at one step or another.
TEST_P(DateiUebertragenTest, AbschliessenFolgtDenDateienAufDemDatentraeger) {
  auto vorhaben = [&](VorhabenArt art) {
    Vorhaben v;
    v.Art = art;
    v.QuellOrdner = kA;
    v.QuellName = "brief.doc";
    v.ZielOrdner = kB;
    v.ZielName = "brief.doc";
    VorhabenEintragen(*db_, v);
  };
  // Move, killed before the copy was complete: dropped.
  vorhaben(VorhabenArt::Verschieben);
  EXPECT_EQ(RegisterVorhabenAbschliessen(*db_).Verworfen, 1u);
  EXPECT_EQ(Zeilen().size(), 2u);
  EXPECT_EQ(Inhalt(kB + "\\brief.doc"), "alt");
  // Copy with keywords, killed after the copy: completed.
  vorhaben(VorhabenArt::KopierenMitKeywords);
  DateiAnlegen(kB + "\\brief.doc", "neu");
  EXPECT_EQ(RegisterVorhabenAbschliessen(*db_).Vollendet, 1u);
  auto z = Zeilen();
  ASSERT_EQ(z.size(), 2u);
  EXPECT_EQ(z[1].Pfad, kB);
  EXPECT_EQ(Links(z[1].Nummer), (std::vector<int32_t>{1, 2}));
  EXPECT_TRUE(FingerabdruckLesen(*db_, z[1].Nummer)) << "the copy is known by its content";
  EXPECT_TRUE(Da(kA + "\\brief.doc"));
  // Move, killed after the copy, before the source went: completed, source removed.
  vorhaben(VorhabenArt::Verschieben);
  EXPECT_EQ(RegisterVorhabenAbschliessen(*db_).Vollendet, 1u);
  EXPECT_FALSE(Da(kA + "\\brief.doc"));
  EXPECT_EQ(Zeilen(), (std::vector<Zeile>{{1, "brief.doc", kB}}));
  EXPECT_EQ(Links(1), (std::vector<int32_t>{1, 2}));
  EXPECT_TRUE(OffeneVorhaben(*db_).empty());
}

// A replace whose old target went into the trash, cut off before or after
// the copy: the old target's row and keyword wait for it either way.
TEST_P(DateiUebertragenTest, ErsetzteImPapierkorbWartetNachAbbruch) {
  const fs::path korb = temp_ / "korb";
  fs::create_directories(korb);
  for (const bool kopiert : {true, false}) {
    SCOPED_TRACE(kopiert ? "nach der Kopie" : "vor der Kopie");
    DateiAnlegen(kA + "\\brief.doc", "neu");
    DateiAnlegen(kB + "\\brief.doc", "alt");
    Vorhaben v{0, VorhabenArt::Verschieben, kA, "brief.doc", kB, "brief.doc", true};
    VorhabenEintragen(*db_, v);  // takes the print of the file about to go
    fs::rename(Host(kB + "\\brief.doc"), korb / "brief.doc");
    if (kopiert) fs::copy_file(Host(kA + "\\brief.doc"), Host(kB + "\\brief.doc"));
    const VorhabenBilanz b = RegisterVorhabenAbschliessen(*db_);
    EXPECT_EQ(b.Vollendet, kopiert ? 1u : 0u);
    ASSERT_EQ(b.Berichte.size(), 1u);
    if (!kopiert) {
      EXPECT_NE(b.Berichte[0].find("die Datei " + kB + "\\brief.doc liegt im Papierkorb"), std::string::npos)
          << b.Berichte[0];
    }
    EXPECT_EQ(Zeilen(), (std::vector<Zeile>{{1, "brief.doc", kopiert ? kB : kA}}));
    EXPECT_EQ(Links(1), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(Wartend(2), "Papierkorb:3");
    EXPECT_TRUE(OffeneVorhaben(*db_).empty());
    // Put back for the next round (the copy's row 1 back in A).
    if (kopiert) {
      fs::rename(Host(kB + "\\brief.doc"), Host(kA + "\\brief.doc"));
      Sql("UPDATE Dateiinfo SET Dateipfad = 'C:\\DOK\\A' WHERE Dateinummer = 1");
    }
    fs::rename(korb / "brief.doc", Host(kB + "\\brief.doc"));
    Sql("INSERT INTO Dateiinfo (Dateinummer, Dateiname, Dateipfad) VALUES (2, 'Brief.DOC', 'c:\\dok\\b');"
        "INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (2, 3);"
        "DELETE FROM vxm_beiseite; DELETE FROM vxm_beiseite_verknuepfung;");
  }
}

// A move onto a same-named file in a child process, killed at random points.
TEST_P(DateiUebertragenTest, VerschiebenNachJedemKillEinig) {
  const std::string gross(1 << 20, 'n');  // a copy that takes a moment
  std::mt19937 zufall(std::random_device{}());
  std::map<std::string, int> punkte;
  int laeufe = 0;
  long dauer = 0;
  const fs::path korb = temp_ / "korb";
  fs::create_directories(korb);
  AbgleichTabellenAnlegen(*db_);
  for (; laeufe < 103; ++laeufe) {
    // Every second run has a trash: the replaced file goes there before the copy.
    const bool mitKorb = laeufe % 2 == 1;
    const fs::path weggelegt = korb / std::to_string(laeufe);
    // Fresh start: source with row 1 and keywords 1, 2; target with its own row and keyword 3.
    DateiAnlegen(kA + "\\brief.doc", gross);
    DateiAnlegen(kB + "\\brief.doc", "alt");
    Sql("DELETE FROM Dateiinfo; DELETE FROM KeywordZwischentabelle;"
        "DELETE FROM vxm_beiseite; DELETE FROM vxm_beiseite_verknuepfung; DELETE FROM vxm_fingerabdruck;"
        "INSERT INTO Dateiinfo (Dateinummer, Dateiname, Dateipfad) VALUES (1, 'brief.doc', 'C:\\DOK\\A'), "
        "(2, 'brief.doc', 'C:\\DOK\\B');"
        "INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (1, 1), (1, 2), (2, 3);");
    db_.reset();  // the child opens its own connection
    dialoge_->Antworten = {vbYes};
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
      try {
        if (mitKorb)
          Dienste().Papierkorb = [&](const std::string& p) {
            fs::rename(Host(p), weggelegt);
            return true;
          };
        auto db = DatenbankOeffnenHost(datei_);
        Uebertragung u{UebertragungsArt::Verschieben, kA, "brief.doc", kB, "brief.doc"};
        ::_exit(DateiUebertragen(*db, *dialoge_, u) == UebertragungsErgebnis::Erledigt ? 0 : 1);
      } catch (...) {
        ::_exit(2);
      }
    }
    // The first runs measure a whole move; the others are cut off somewhere in it.
    int status = 0;
    if (laeufe < 3) {
      ::waitpid(pid, &status, 0);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      const long d = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
      dauer = laeufe == 0 ? d : std::min(dauer, d);
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<long>(0, dauer * 11 / 10)(zufall)));
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
    }
    db_ = DatenbankOeffnenHost(datei_);
    const bool vorgemerkt = !OffeneVorhaben(*db_).empty();
    const bool quelle = Da(kA + "\\brief.doc"), ziel = Da(kB + "\\brief.doc");
    const bool ersetzt = ziel && Inhalt(kB + "\\brief.doc") == gross;
    ++punkte[WIFSIGNALED(status) ? std::string(vorgemerkt ? "vorgemerkt, " : "") +
                                       (ersetzt ? (quelle ? "kopiert" : "kopiert, Quelle weg")
                                                : ziel ? "nicht kopiert" : "altes Ziel im Papierkorb")
                                 : "fertig"];
    RegisterVorhabenAbschliessen(*db_);
    // Either nothing happened or all of it; never a row without its file or two for one.
    // The replaced file, once in the trash, has its row and keyword waiting for its return.
    const auto z = Zeilen();
    const bool imKorb = mitKorb && fs::exists(weggelegt);
    ASSERT_EQ(Wartend(2), imKorb ? "Papierkorb:3" : "") << laeufe;
    if (Da(kA + "\\brief.doc")) {
      // The old target is in its place, or (cut off after the trash took it) in the trash.
      if (Da(kB + "\\brief.doc")) {
        ASSERT_EQ(Inhalt(kB + "\\brief.doc"), "alt") << laeufe;
        ASSERT_EQ(z, (std::vector<Zeile>{{1, "brief.doc", kA}, {2, "brief.doc", kB}})) << laeufe;
      } else {
        ASSERT_TRUE(imKorb) << laeufe;
        ASSERT_EQ(z, (std::vector<Zeile>{{1, "brief.doc", kA}})) << laeufe;
      }
      ASSERT_EQ(Links(1), (std::vector<int32_t>{1, 2}));
    } else {
      ASSERT_EQ(Inhalt(kB + "\\brief.doc"), gross) << laeufe;
      ASSERT_EQ(z, (std::vector<Zeile>{{1, "brief.doc", kB}})) << laeufe;
      if (mitKorb) {
        std::ifstream alt(weggelegt);
        ASSERT_EQ(std::string(std::istreambuf_iterator<char>(alt), {}), "alt") << laeufe << ": the replaced file is in the trash";
      }
      ASSERT_EQ(Links(1), (std::vector<int32_t>{1, 2}));
      ASSERT_EQ(Verknuepfungen(), 2);
    }
    ASSERT_TRUE(OffeneVorhaben(*db_).empty());
  }
  std::cout << "Verschieben: " << laeufe << " Läufe, ganzer Lauf " << dauer << " µs\n";
  for (const auto& [punkt, n] : punkte) std::cout << "  " << punkt << ": " << n << "\n";
}

}  // namespace
}  // namespace vxm
