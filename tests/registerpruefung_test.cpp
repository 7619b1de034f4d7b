// The register check's findings, each table read once.
#include "keywords/registerpruefung.h"

#include <sqlite3.h>

#include "platform/datenbank.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

class RegisterPruefung : public test::Umgebung {};

TEST_F(RegisterPruefung, BefundeInEinemDurchgangJeTabelle) {
  OrdnerAnlegenHost("C:\\VXM");
  const auto datei = Host("C:\\VXM\\vxmdok.mdb");
  RegisterAnlegen(datei.string());
  {
    sqlite3* roh = nullptr;
    ASSERT_EQ(sqlite3_open(datei.c_str(), &roh), SQLITE_OK);
    const char* sql =
        "INSERT INTO Dateiinfo (Dateiname, Dateipfad, DateinameSchluessel, DateipfadSchluessel) VALUES "
        "('a.txt', 'C:\\X', 'A.TXT', 'C:\\X'), ('A.TXT', 'c:\\x', 'A.TXT', 'C:\\X'), "  // twice
        "('b.txt', 'C:\\X', 'ALT.TXT', 'C:\\X'), ('c.txt', 'C:\\Y', 'C.TXT', 'C:\\ALT');"
        "INSERT INTO Keyword (Keyword, KeywordSchluessel) VALUES ('Miete', 'MIETE'), ('Heizung', 'ALT');"
        "INSERT INTO KeywordZwischentabelle VALUES (1, 1), (2, 2), (9, 1), (3, 7), (4, 1);";
    ASSERT_EQ(sqlite3_exec(roh, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(roh);
  }
  auto db = DatenbankOeffnenHost(datei);
  int anweisungen = 0;
  sqlite3_trace_v2(db->Handle(), SQLITE_TRACE_STMT,
                   [](unsigned, void* z, void*, void*) {
                     ++*static_cast<int*>(z);
                     return 0;
                   },
                   &anweisungen);
  const RegisterBefund b = RegisterBefundErheben(*db);
  sqlite3_trace_v2(db->Handle(), 0, nullptr, nullptr);
  EXPECT_EQ(anweisungen, 4) << "one query per table and one for the duplicates";
  EXPECT_EQ(b.Dateien, 4);
  EXPECT_EQ(b.Keywords, 2);
  EXPECT_EQ(b.Verknuepfungen, 5);
  EXPECT_EQ(b.DateinamenVeraltet, 1);
  EXPECT_EQ(b.DateipfadeVeraltet, 1);
  EXPECT_EQ(b.KeywordsVeraltet, 1);
  EXPECT_EQ(b.OhneDatei, 1);
  EXPECT_EQ(b.OhneKeyword, 1);
  EXPECT_EQ(b.Doppelt, 1);
}

}  // namespace
}  // namespace vxm
