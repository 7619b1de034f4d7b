#include "keywords/registerpruefung.h"

#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/datenbank.h"
#include "platform/sqlhilfen.h"

namespace vxm {

namespace {

// Runs `sql`, whose one row gives `n` numbers.
template <std::size_t n>
void Zeile(Datenbank& db, const std::string& sql, int64_t* (&&ziele)[n]) {
  sqlite3_stmt* s = db.Anweisung(sql);
  const int rc = sqlite3_step(s);
  if (rc != SQLITE_ROW) {
    sqlite3_reset(s);
    db.Fehler(rc, sql);
  }
  for (std::size_t i = 0; i < n; ++i) *ziele[i] = sqlite3_column_int64(s, static_cast<int>(i));
  sqlite3_reset(s);
}

// One pass over a table in row order: its numbers (ascending) and, per
// flag column, how many rows have it set.
template <std::size_t n>
std::vector<int64_t> Durchgang(Datenbank& db, const char* sql, int64_t* (&&zaehler)[n]) {
  std::vector<int64_t> nummern;
  sqlite3_stmt* s = db.Anweisung(sql);
  sql::Zuruecksetzen z{s};
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    nummern.push_back(sqlite3_column_int64(s, 0));
    for (std::size_t i = 0; i < n; ++i) *zaehler[i] += sqlite3_column_int(s, static_cast<int>(i + 1));
  }
  if (rc != SQLITE_DONE) db.Fehler(rc, sql);
  return nummern;
}

// Links whose file or keyword is missing, in one pass over each table: the
// links in file order (their index) merged with the file numbers, the
// keyword ids looked up in memory. Probing the tables for every link
// slowed down more than the tables grew.
void VerknuepfungenPruefen(Datenbank& db, const std::vector<int64_t>& dateien, const std::vector<int64_t>& keywords,
                           RegisterBefund& b) {
  const char* sql = "SELECT Dateinummer, KeywordID FROM KeywordZwischentabelle ORDER BY Dateinummer";
  sqlite3_stmt* s = db.Anweisung(sql);
  sql::Zuruecksetzen z{s};
  std::size_t d = 0;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    ++b.Verknuepfungen;
    // Only a whole number can name a row (as the comparison in SQL would).
    if (sqlite3_column_type(s, 0) == SQLITE_INTEGER) {
      const int64_t nr = sqlite3_column_int64(s, 0);
      while (d < dateien.size() && dateien[d] < nr) ++d;
      if (d == dateien.size() || dateien[d] != nr) ++b.OhneDatei;
    } else {
      ++b.OhneDatei;
    }
    if (sqlite3_column_type(s, 1) != SQLITE_INTEGER ||
        !std::binary_search(keywords.begin(), keywords.end(), sqlite3_column_int64(s, 1)))
      ++b.OhneKeyword;
  }
  if (rc != SQLITE_DONE) db.Fehler(rc, sql);
}

}  // namespace

namespace {

int64_t Anzahl(Datenbank& db, const std::string& sql) {
  sql::Abfrage a(db, sql);
  return a.Zeile() ? a.ZahlSpalte(0) : 0;
}

// A server register: one plain count per finding, in statements the
// server's translation knows.
RegisterBefund AufDemServer(Datenbank& db) {
  RegisterBefund b;
  b.Dateien = Anzahl(db, "SELECT count(*) FROM Dateiinfo");
  b.Keywords = Anzahl(db, "SELECT count(*) FROM Keyword");
  b.Verknuepfungen = Anzahl(db, "SELECT count(*) FROM KeywordZwischentabelle");
  b.DateinamenVeraltet =
      Anzahl(db, "SELECT count(*) FROM Dateiinfo WHERE DateinameSchluessel IS NOT vxm_falten(Dateiname)");
  b.DateipfadeVeraltet =
      Anzahl(db, "SELECT count(*) FROM Dateiinfo WHERE DateipfadSchluessel IS NOT vxm_falten(Dateipfad)");
  b.KeywordsVeraltet = Anzahl(db, "SELECT count(*) FROM Keyword WHERE KeywordSchluessel IS NOT vxm_falten(Keyword)");
  b.OhneDatei = Anzahl(db,
                       "SELECT count(*) FROM KeywordZwischentabelle z WHERE NOT EXISTS "
                       "(SELECT 1 FROM Dateiinfo d WHERE d.Dateinummer = z.Dateinummer)");
  b.OhneKeyword = Anzahl(db,
                         "SELECT count(*) FROM KeywordZwischentabelle z WHERE NOT EXISTS "
                         "(SELECT 1 FROM Keyword k WHERE k.KeywordID = z.KeywordID)");
  b.Doppelt = Anzahl(db,
                     "SELECT count(*) FROM (SELECT 1 FROM Dateiinfo GROUP BY DateinameSchluessel, "
                     "DateipfadSchluessel HAVING count(*) > 1) AS d");
  return b;
}

}  // namespace

RegisterBefund RegisterBefundErheben(Datenbank& db) {
  if (!db.Handle()) return AufDemServer(db);
  RegisterBefund b;
  const std::vector<int64_t> dateien = Durchgang(
      db,
      "SELECT Dateinummer, DateinameSchluessel IS NOT vxm_falten(Dateiname), "
      "DateipfadSchluessel IS NOT vxm_falten(Dateipfad) FROM Dateiinfo ORDER BY Dateinummer",
      {&b.DateinamenVeraltet, &b.DateipfadeVeraltet});
  b.Dateien = static_cast<int64_t>(dateien.size());
  const std::vector<int64_t> keywords = Durchgang(
      db, "SELECT KeywordID, KeywordSchluessel IS NOT vxm_falten(Keyword) FROM Keyword ORDER BY KeywordID",
      {&b.KeywordsVeraltet});
  b.Keywords = static_cast<int64_t>(keywords.size());
  VerknuepfungenPruefen(db, dateien, keywords, b);
  Zeile(db,
        "SELECT count(*) FROM (SELECT 1 FROM Dateiinfo GROUP BY DateinameSchluessel, DateipfadSchluessel "
        "HAVING count(*) > 1)",
        {&b.Doppelt});
  return b;
}

}  // namespace vxm
