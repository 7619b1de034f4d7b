#include "keywords/registerzugriff.h"

#include <sqlite3.h>

#include <random>

#include "platform/fehler.h"
#include "platform/jetsql.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

class RegisterzugriffBasis : public test::Umgebung {
 protected:
  void Einrichten(test::Ablage a) {
    datei_ = laufwerkC_ / "vxmdok.mdb";
    RegisterAnlegenAuf(a, datei_);
    db_ = DatenbankOeffnenHost(datei_);
  }

  int32_t Datei(const std::string& name, const std::string& ordner) {
    Recordset rs = db_->TabelleOeffnen("Dateiinfo");
    rs.AddNew();
    const int32_t nr = rs.Zahl("Dateinummer");
    rs.FeldSetzen("Dateiname", name);
    rs.FeldSetzen("Dateipfad", ordner);
    rs.Update();
    return nr;
  }
  int32_t Keyword(const std::string& name) { return test::KeywordAnlegen(*db_, name); }

  // The register operations' walk: the first row in table order whose
  // name and folder are equal without regard to case.
  int32_t DateiLaufend(const std::string& name, const std::string& ordner) {
    for (Recordset rs = db_->OpenRecordset("SELECT * FROM Dateiinfo"); !rs.Eof(); rs.MoveNext())
      if (GleichOhneFall(rs.Text("Dateiname"), name) && GleichOhneFall(rs.Text("Dateipfad"), ordner))
        return rs.Zahl("Dateinummer");
    return 0;
  }
  int32_t KeywordLaufend(const std::string& name) {
    for (Recordset rs = db_->OpenRecordset("SELECT * FROM Keyword"); !rs.Eof(); rs.MoveNext())
      if (GleichOhneFall(rs.Text("Keyword"), name)) return rs.Zahl("KeywordID");
    return 0;
  }

  std::filesystem::path datei_;
  std::shared_ptr<Datenbank> db_;
};

// Rows written by other programs: SQLite.
class RegisterzugriffTest : public RegisterzugriffBasis {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    Einrichten(test::Ablage::SQLite);
  }
};

class RegisterzugriffAblageTest : public RegisterzugriffBasis, public ::testing::WithParamInterface<test::Ablage> {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    VXM_ABLAGE_PRUEFEN();
    Einrichten(GetParam());
  }
};
VXM_AUF_ALLEN_ABLAGEN(RegisterzugriffAblageTest);

TEST_P(RegisterzugriffAblageTest, DateiNachNameUndOrdnerWieDerLauf) {
  const std::string ordner = "C:\\VXM\\VXMDOK\\1\\7\\3\\2";
  Datei("Plan 2.pdf", ordner);
  const int32_t stern = Datei("Plan*.pdf", ordner);
  const int32_t mueller = Datei("Brief Müller.txt", ordner + "\\Verträge");
  Datei("Brief Müller.txt", ordner);
  Datei("100%_fertig [alt].doc", ordner);
  Datei("O'Neil \"Zitat\".txt", ordner);
  const int32_t zweite = Datei("BRIEF MÜLLER.TXT", ordner + "\\VERTRÄGE");  // a second row of the same file
  EXPECT_GT(zweite, mueller);

  const std::vector<std::pair<std::string, std::string>> fragen = {
      {"Plan*.pdf", ordner},          {"plan?.pdf", ordner},
      {"brief müller.txt", ordner + "\\verträge"}, {"BRIEF MÜLLER.TXT", ordner},
      {"Brief Müller.txt", ordner + "\\"},  // folders compare exactly, no trailing backslash
      {"100%_fertig [alt].doc", ordner}, {"100x_fertig [alt].doc", ordner},
      {"100%_fertig a.doc", ordner},   {"o'neil \"zitat\".txt", ordner},
      {"", ""},                        {"Plan 2.pdf", "C:\\VXM\\VXMDOK\\1\\7\\3"}};
  for (const auto& [name, o] : fragen)
    EXPECT_EQ(DateiNummerSuchen(*db_, name, o), DateiLaufend(name, o)) << name << " | " << o;
  EXPECT_EQ(DateiNummerSuchen(*db_, "PLAN*.PDF", ordner), stern);
  EXPECT_EQ(DateiNummerSuchen(*db_, "brief müller.txt", ordner + "\\verträge"), mueller);  // the first row
  EXPECT_EQ(DateiNummerSuchen(*db_, "plan?.pdf", ordner), 0);

  // after renaming the first row, the second one is found
  db_->Execute("UPDATE Dateiinfo SET Dateiname = \"Alt.txt\" WHERE Dateinummer = " + std::to_string(mueller));
  EXPECT_EQ(DateiNummerSuchen(*db_, "Brief Müller.txt", ordner + "\\Verträge"), zweite);
}

TEST_P(RegisterzugriffAblageTest, KeywordsUndVerknuepfungen) {
  const int32_t miete = Keyword("MIETE");
  const int32_t muell = Keyword("MÜLL");
  Keyword("müll");  // a later duplicate in other case: the first one counts
  const int32_t stern = Keyword("A*");
  for (const char* k : {"miete", "Müll", "MÜLL", "a*", "A?", "ab", "", "Heizung"})
    EXPECT_EQ(KeywordIdSuchen(*db_, k), KeywordLaufend(k)) << k;
  EXPECT_EQ(KeywordIdSuchen(*db_, "müll"), muell);
  EXPECT_EQ(KeywordIdSuchen(*db_, "a*"), stern);

  const int32_t brief = Datei("Brief.txt", "C:\\A");
  EXPECT_TRUE(VerknuepfungAnhaengen(*db_, brief, muell));
  EXPECT_TRUE(VerknuepfungAnhaengen(*db_, brief, miete));
  EXPECT_FALSE(VerknuepfungAnhaengen(*db_, brief, muell));
  EXPECT_TRUE(VerknuepfungVorhanden(*db_, brief, miete));
  EXPECT_FALSE(VerknuepfungVorhanden(*db_, brief, stern));
  EXPECT_EQ(KeywordIdsDerDatei(*db_, brief), (std::vector<int32_t>{muell, miete}));
  EXPECT_EQ(KeywordsDerDatei(*db_, brief), (std::vector<std::string>{"MÜLL", "MIETE"}));
  // the same rows as the "keywords of a file" query
  Recordset rs = db_->OpenRecordset(
      "SELECT Keyword.Keyword, KeywordZwischentabelle.Dateinummer FROM Keyword INNER JOIN KeywordZwischentabelle "
      "ON Keyword.KeywordID = KeywordZwischentabelle.KeywordID WHERE KeywordZwischentabelle.Dateinummer = " +
      std::to_string(brief));
  std::vector<std::string> ausSql;
  for (; !rs.Eof(); rs.MoveNext()) ausSql.push_back(rs.Text("Keyword"));
  EXPECT_EQ(ausSql, KeywordsDerDatei(*db_, brief));
  EXPECT_EQ(db_->OpenRecordset("SELECT * FROM KeywordZwischentabelle").RecordCount(), 2);
}

TEST_P(RegisterzugriffAblageTest, DateienMitKeywordWieDieEinzelsuche) {
  std::mt19937 zufall(7);
  std::vector<int32_t> kws;
  for (int i = 0; i < 6; ++i) kws.push_back(Keyword("K" + std::to_string(i)));
  for (int i = 0; i < 60; ++i) {
    const int32_t d = Datei("D" + std::to_string(i) + ".txt", "C:\\O" + std::to_string(i % 4));
    for (int k = 0; k < 3; ++k) VerknuepfungAnhaengen(*db_, d, kws[zufall() % kws.size()]);
  }
  db_->Execute("DELETE FROM Dateiinfo WHERE Dateinummer = 5");  // a link pointing nowhere is not listed
  for (int32_t id : {kws[0], kws[3], 999}) {
    Recordset rs = db_->OpenRecordset(
        "SELECT Dateiinfo.Dateiname, Dateiinfo.Dateipfad, Keyword.Keyword FROM Keyword INNER JOIN (Dateiinfo "
        "INNER JOIN KeywordZwischentabelle ON Dateiinfo.Dateinummer = KeywordZwischentabelle.Dateinummer) ON "
        "Keyword.KeywordID = KeywordZwischentabelle.KeywordID WHERE Keyword.KeywordID = " +
        std::to_string(id) + " ORDER BY Dateiinfo.Dateinummer");
    std::vector<std::pair<std::string, std::string>> erwartet, schnell;
    for (; !rs.Eof(); rs.MoveNext()) erwartet.emplace_back(rs.Text("Dateiname"), rs.Text("Dateipfad"));
    for (const auto& t : DateienMitKeyword(*db_, id)) schnell.emplace_back(t.Dateiname, t.Dateipfad);
    EXPECT_EQ(schnell, erwartet) << id;
  }
}

TEST_F(RegisterzugriffTest, ZeilenAusDemSqliteWerkzeugWerdenGefunden) {
  Datei("a.txt", "C:\\A");
  db_.reset();
  // as if written with the sqlite3 shell: no folded names
  sqlite3* roh = nullptr;
  ASSERT_EQ(sqlite3_open(datei_.c_str(), &roh), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(roh,
                         "INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES ('Über.txt', 'C:\\Ä');"
                         "INSERT INTO Keyword (Keyword) VALUES ('Straße')",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(roh);
  db_ = DatenbankOeffnenHost(datei_);
  EXPECT_EQ(DateiNummerSuchen(*db_, "ÜBER.TXT", "c:\\ä"), 2);
  EXPECT_EQ(KeywordIdSuchen(*db_, "STRAßE"), 1);
}

TEST_F(RegisterzugriffTest, GeaenderteFaltungWirdBeimOeffnenNachgezogen) {
  Datei("Begrüßung Yıldız.txt", "C:\\A");
  db_.reset();
  // as written by an earlier folding that turned ı into İ
  sqlite3* roh = nullptr;
  ASSERT_EQ(sqlite3_open(datei_.c_str(), &roh), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(roh,
                         "UPDATE Dateiinfo SET DateinameSchluessel = 'BEGRÜßUNG YİLDİZ.TXT';"
                         "UPDATE vxm_info SET Wert = '1' WHERE Schluessel = 'Faltung'",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(roh);
  db_ = DatenbankOeffnenHost(datei_);
  EXPECT_EQ(DateiNummerSuchen(*db_, "begrüßung yıldız.txt", "c:\\a"), 1);
  Recordset rs = db_->OpenRecordset("SELECT * FROM vxm_info");
  EXPECT_EQ(rs.Zahl("Wert"), kFaltungsVersion);
}

// On the server the shadow columns are kept by triggers whoever writes; a
// changed folding (another version of the functions) is refolded when a
// workstation of the new version connects.
class RegisterzugriffServerTest : public RegisterzugriffBasis {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    if (test::PgTestServer().empty()) GTEST_SKIP() << test::kOhnePgServer;
    Einrichten(test::Ablage::PostgreSQL);
  }
};

TEST_F(RegisterzugriffServerTest, ZeilenAusPsqlUndGeaenderteFaltung) {
  Datei("Begrüßung Yıldız.txt", "C:\\A");
  db_.reset();
  RegisterRoh("INSERT INTO \"Dateiinfo\" (\"Dateiname\", \"Dateipfad\") VALUES ('Über.txt', 'C:\\Ä');"
              "INSERT INTO \"Keyword\" (\"Keyword\") VALUES ('Straße');"
              // as written by an earlier folding that turned ı into İ
              "ALTER TABLE \"Dateiinfo\" DISABLE TRIGGER vxm_schatten;"
              "UPDATE \"Dateiinfo\" SET \"DateinameSchluessel\" = 'BEGRÜßUNG YİLDİZ.TXT' WHERE \"Dateinummer\" = 1;"
              "ALTER TABLE \"Dateiinfo\" ENABLE TRIGGER vxm_schatten;"
              "COMMENT ON FUNCTION vxm_falten(text) IS 'Faltung 1';"
              "UPDATE vxm_info SET \"Wert\" = '1' WHERE \"Schluessel\" = 'Faltung'");
  db_ = DatenbankOeffnenHost(datei_);
  EXPECT_EQ(DateiNummerSuchen(*db_, "ÜBER.TXT", "c:\\ä"), 2);
  EXPECT_EQ(KeywordIdSuchen(*db_, "STRAßE"), 1);
  EXPECT_EQ(DateiNummerSuchen(*db_, "begrüßung yıldız.txt", "c:\\a"), 1);
  Recordset rs = db_->OpenRecordset("SELECT * FROM vxm_info");
  EXPECT_EQ(rs.Zahl("Wert"), kFaltungsVersion);
}

}  // namespace
}  // namespace vxm
