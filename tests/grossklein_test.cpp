// Two files of a folder whose names differ in letter case only, as this
// file system allows and the case-blind register cannot tell apart: the
// rows kept for both spellings stay with the file whose name they keep.
// Showing, tagging, deleting, copying and moving the other one never takes
// or loses them.
#include <filesystem>
#include <fstream>

#include "files/dateiloeschen.h"
#include "files/dateiuebertragung.h"
#include "keywords/register.h"
#include "keywords/registerzugriff.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

class GrossKleinBasis : public test::RegisterUmgebung {
 protected:
  const std::string kA = "C:\\DOK\\A", kB = "C:\\DOK\\B";

  // Case.txt (row 1, keyword MIETE) and case.txt beside it, without a row.
  void SetUp() override {
    RegisterUmgebung::SetUp();
    if (IsSkipped()) return;
    DateiAnlegen(kA + "\\Case.txt", "gross");
    Klein();
    DateiAnlegen(kB + "\\leer.txt", "");
    Sql("INSERT INTO Keyword (Keyword) VALUES ('MIETE'), ('KAUTION');"
        "INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES ('Case.txt', 'C:\\DOK\\A');"
        "INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (1, 1);");
  }
  // Made by another program (the drive table would find Case.txt for it).
  void Klein() { std::ofstream(Host(kA) / "case.txt") << "klein"; }
  int64_t Zeilen() { return db_->OpenRecordset("SELECT COUNT(*) AS n FROM Dateiinfo").Zahl("n"); }
  std::vector<std::string> KeywordsVonCase() { return KeywordsDerDatei(*db_, DateiNummerSuchen(*db_, "Case.txt", kA)); }
  bool Da(const std::string& p) { return fs::exists(Host(p)); }
  bool KleinDa() { return fs::exists(Host(kA) / "case.txt"); }
  UebertragungsErgebnis Uebertragen(UebertragungsArt art, const std::string& name, const std::string& ziel,
                                    const std::string& zielName) {
    Uebertragung u;
    u.Art = art;
    u.QuellOrdner = kA;
    u.QuellName = name;
    u.ZielOrdner = ziel;
    u.ZielName = zielName;
    return DateiUebertragen(*db_, *dialoge_, u);
  }
};

VXM_AUF_ALLEN_ABLAGEN_AUS(GrossKlein, GrossKleinBasis);

TEST_P(GrossKlein, DieZeileGehoertDerDateiIhresNamens) {
  EXPECT_EQ(DateiNummerDerDatei(*db_, "Case.txt", kA), 1);
  EXPECT_EQ(DateiNummerDerDatei(*db_, "case.txt", kA), 0);
  EXPECT_EQ(GrossKleinZwilling(*db_, "case.txt", kA), "Case.txt");
  EXPECT_EQ(GrossKleinZwilling(*db_, "Case.txt", kA), "");
  // A spelling no file has is the register's case-blind answer, as ever.
  EXPECT_EQ(DateiNummerDerDatei(*db_, "CASE.TXT", kA), 1);
  // Alone on disk (renamed in the shell), the other spelling has the row.
  fs::remove(Host(kA) / "Case.txt");
  EXPECT_EQ(DateiNummerDerDatei(*db_, "case.txt", kA), 1);
  EXPECT_EQ(GrossKleinZwilling(*db_, "case.txt", kA), "");
}

TEST_P(GrossKlein, KeywordsFuerDenZwillingWerdenAbgelehnt) {
  const auto z = KeywordZuweisen(*db_, {"case.txt", kA}, "KAUTION");
  EXPECT_FALSE(z.Angehaengt);
  EXPECT_NE(z.Meldung.find("nur in der Groß- und Kleinschreibung"), std::string::npos) << z.Meldung;
  const auto e = KeywordsEingeben(*db_, {"case.txt", kA}, "KAUTION");
  EXPECT_NE(e.Fehler.find("bitte benennen Sie Case.txt um"), std::string::npos) << e.Fehler;
  const auto r = KeywordEntfernen(*db_, {"case.txt", kA}, "MIETE");
  EXPECT_FALSE(r.Entfernt);
  EXPECT_EQ(Zeilen(), 1);
  EXPECT_EQ(KeywordsVonCase(), std::vector<std::string>{"MIETE"});
  // The file that owns the row is tagged as ever.
  EXPECT_TRUE(KeywordZuweisen(*db_, {"Case.txt", kA}, "KAUTION").Angehaengt);
}

TEST_P(GrossKlein, LoeschenDesZwillingsLaesstDieZeilenDesAnderen) {
  for (const bool papierkorb : {true, false}) {
    Klein();
    const auto e = DateiMitRegisterLoeschen(
        *db_, kA, "case.txt",
        [&](const std::string& p) {
          fs::remove(Host(p));
          return true;
        },
        papierkorb);
    EXPECT_EQ(e, LoeschErgebnis::Geloescht);
    EXPECT_FALSE(KleinDa());
    EXPECT_TRUE(fs::exists(Host(kA) / "Case.txt"));
    EXPECT_EQ(KeywordsVonCase(), std::vector<std::string>{"MIETE"}) << papierkorb;
  }
}

TEST_P(GrossKlein, KopierenUndVerschiebenNehmenKeineFremdenZeilenMit) {
  // Moved or renamed, the twin would take the other's rows: refused, nothing changed.
  EXPECT_EQ(Uebertragen(UebertragungsArt::Verschieben, "case.txt", kB, "case.txt"),
            UebertragungsErgebnis::Fehlgeschlagen);
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  EXPECT_NE(dialoge_->Gezeigt.back().Text.find("nicht verschoben"), std::string::npos);
  EXPECT_EQ(Uebertragen(UebertragungsArt::Verschieben, "case.txt", kA, "anders.txt"),
            UebertragungsErgebnis::Fehlgeschlagen);
  EXPECT_NE(dialoge_->Gezeigt.back().Text.find("nicht umbenannt"), std::string::npos);
  EXPECT_TRUE(KleinDa());
  EXPECT_FALSE(fs::exists(Host(kB) / "case.txt"));
  // Copied, it goes without keywords and without asking for them.
  const std::size_t gefragt = dialoge_->Gezeigt.size();
  EXPECT_EQ(Uebertragen(UebertragungsArt::Kopieren, "case.txt", kB, "case.txt"), UebertragungsErgebnis::Erledigt);
  EXPECT_EQ(dialoge_->Gezeigt.size(), gefragt);
  EXPECT_EQ(DateiNummerSuchen(*db_, "case.txt", kB), 0);
  // The owner moves with its rows; the one left behind has none now.
  // A file spelled otherwise at the target is the one to replace, asked for by its name.
  dialoge_->Antworten = {vbNo};
  EXPECT_EQ(Uebertragen(UebertragungsArt::Verschieben, "Case.txt", kB, "Case.txt"), UebertragungsErgebnis::Abgelehnt);
  EXPECT_NE(dialoge_->Gezeigt.back().Text.find("C:\\DOK\\B\\case.txt"), std::string::npos) << dialoge_->Gezeigt.back().Text;
  EXPECT_EQ(Uebertragen(UebertragungsArt::Verschieben, "Case.txt", kA, "Gross.txt"), UebertragungsErgebnis::Erledigt);
  EXPECT_EQ(KeywordsDerDatei(*db_, DateiNummerSuchen(*db_, "Gross.txt", kA)), std::vector<std::string>{"MIETE"});
  EXPECT_EQ(DateiNummerDerDatei(*db_, "case.txt", kA), 0);
  EXPECT_EQ(Zeilen(), 1);
}

}  // namespace
}  // namespace vxm
