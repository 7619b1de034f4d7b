// The register's lookups stay indexed when the planner's statistics were
// taken before a bulk change (rows written by the sqlite3 shell without the
// folded names, statistics gathered there, names filled in on opening).
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "keywords/registerzugriff.h"
#include "platform/datenbank.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

constexpr int kZeilen = 4000;

void Roh(sqlite3* db, const std::string& sql) {
  char* fehler = nullptr;
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &fehler), SQLITE_OK) << (fehler ? fehler : "");
}

// Full-scan steps of every statement of the connection so far.
int64_t Vollscans(Datenbank& db) {
  int64_t n = 0;
  for (sqlite3_stmt* s = sqlite3_next_stmt(db.Handle(), nullptr); s; s = sqlite3_next_stmt(db.Handle(), s))
    n += sqlite3_stmt_status(s, SQLITE_STMTSTATUS_FULLSCAN_STEP, 0);
  return n;
}

std::string Plan(Datenbank& db, const std::string& sql) {
  sqlite3_stmt* s = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db.Handle(), ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &s, nullptr), SQLITE_OK);
  std::string plan;
  while (sqlite3_step(s) == SQLITE_ROW) plan += std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 3))) + "\n";
  sqlite3_finalize(s);
  return plan;
}

class RegisterStatistikTest : public test::Umgebung {
 protected:
  fs::path datei;
  void SetUp() override {
    Umgebung::SetUp();
    OrdnerAnlegenHost("C:\\VXM\\VXMDAT");
    datei = Host("C:\\VXM\\VXMDAT\\vxmdok.mdb");
    RegisterAnlegen(datei.string());
  }

  // Rows as another tool writes them: no folded names; then statistics of
  // that state.
  void VeralteteStatistik() {
    sqlite3* roh = nullptr;
    ASSERT_EQ(sqlite3_open(datei.c_str(), &roh), SQLITE_OK);
    Roh(roh, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kZeilen) +
                 ") INSERT INTO Dateiinfo (Dateiname, Dateipfad) SELECT 'Brief ' || i || '.pdf', "
                 "'C:\\VXMDOK\\' || (i % 50) FROM n");
    Roh(roh, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
             "INSERT INTO Keyword (Keyword) SELECT 'Miete ' || i FROM n");
    Roh(roh, "INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) SELECT Dateinummer, 1 + Dateinummer % 500 "
             "FROM Dateiinfo");
    Roh(roh, "ANALYZE");
    sqlite3_close(roh);
  }
};

TEST_F(RegisterStatistikTest, LookupsStayIndexedAfterStatisticsWentStale) {
  VeralteteStatistik();
  auto db = DatenbankOeffnenHost(datei);  // fills in the folded names
  const int64_t vorher = Vollscans(*db);
  EXPECT_EQ(DateiNummerSuchen(*db, "brief 1234.PDF", "c:\\vxmdok\\34"), 1234);
  EXPECT_EQ(DateiNummerSuchen(*db, "Brief 99999.pdf", "C:\\VXMDOK\\1"), 0);
  EXPECT_EQ(KeywordIdSuchen(*db, "MIETE 321"), 321);
  EXPECT_EQ(Vollscans(*db) - vorher, 0);
  EXPECT_NE(Plan(*db, "SELECT Dateinummer FROM Dateiinfo WHERE DateinameSchluessel = ?1 AND "
                      "DateipfadSchluessel = ?2 ORDER BY rowid")
                .find("INDEX Dateiinfo_NameOrdner"),
            std::string::npos);
  EXPECT_NE(Plan(*db, "SELECT Dateinummer FROM Dateiinfo WHERE DateipfadSchluessel = ?1 ORDER BY rowid")
                .find("INDEX Dateiinfo_Ordner"),
            std::string::npos);
}

TEST_F(RegisterStatistikTest, NamesFilledInElsewhereAfterTheStatistics) {
  VeralteteStatistik();
  sqlite3* roh = nullptr;
  ASSERT_EQ(sqlite3_open(datei.c_str(), &roh), SQLITE_OK);
  Roh(roh, "UPDATE Dateiinfo SET DateinameSchluessel = upper(Dateiname), DateipfadSchluessel = upper(Dateipfad)");
  Roh(roh, "UPDATE Keyword SET KeywordSchluessel = upper(Keyword)");
  sqlite3_close(roh);
  auto db = DatenbankOeffnenHost(datei);  // nothing left to fill in
  const int64_t vorher = Vollscans(*db);
  EXPECT_EQ(DateiNummerSuchen(*db, "Brief 3999.pdf", "C:\\VXMDOK\\49"), 3999);
  EXPECT_EQ(KeywordIdSuchen(*db, "miete 500"), 500);
  EXPECT_EQ(Vollscans(*db) - vorher, 0);
}

TEST_F(RegisterStatistikTest, ReopenedRegisterKeepsFreshStatistics) {
  VeralteteStatistik();
  DatenbankOeffnenHost(datei).reset();
  // A second opening has nothing to fill in and must still plan right.
  auto db = DatenbankOeffnenHost(datei);
  const int64_t vorher = Vollscans(*db);
  EXPECT_EQ(DateiNummerSuchen(*db, "Brief 7.pdf", "C:\\VXMDOK\\7"), 7);
  EXPECT_EQ(Vollscans(*db) - vorher, 0);
}

TEST_F(RegisterStatistikTest, RegisterWithoutStatisticsGetsNoneOnOpening) {
  {
    auto db = DatenbankOeffnenHost(datei);
    db->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (\"a.pdf\", \"C:\\X\")");
    EXPECT_EQ(DateiNummerSuchen(*db, "A.PDF", "c:\\x"), 1);
  }
  sqlite3* roh = nullptr;
  ASSERT_EQ(sqlite3_open(datei.c_str(), &roh), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(roh, "SELECT count(*) FROM sqlite_schema WHERE name = 'sqlite_stat1'", -1, &s, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
  // The planner's defaults already use the indexes; nothing was written for it.
  EXPECT_EQ(sqlite3_column_int(s, 0), 0);
  sqlite3_finalize(s);
  sqlite3_close(roh);
}

}  // namespace
}  // namespace vxm
