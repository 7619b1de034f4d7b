#include "keywords/registerpruefung.h"

#include <sqlite3.h>

#include <string>

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
  Zeile(db,
        "SELECT count(*), coalesce(sum(DateinameSchluessel IS NOT vxm_falten(Dateiname)), 0), "
        "coalesce(sum(DateipfadSchluessel IS NOT vxm_falten(Dateipfad)), 0) FROM Dateiinfo",
        {&b.Dateien, &b.DateinamenVeraltet, &b.DateipfadeVeraltet});
  Zeile(db, "SELECT count(*), coalesce(sum(KeywordSchluessel IS NOT vxm_falten(Keyword)), 0) FROM Keyword",
        {&b.Keywords, &b.KeywordsVeraltet});
  // In file order, so the probes of the file table move forward through it.
  Zeile(db,
        "SELECT count(*), "
        "coalesce(sum(NOT EXISTS (SELECT 1 FROM Dateiinfo d WHERE d.Dateinummer = z.Dateinummer)), 0), "
        "coalesce(sum(NOT EXISTS (SELECT 1 FROM Keyword k WHERE k.KeywordID = z.KeywordID)), 0) "
        "FROM (SELECT Dateinummer, KeywordID FROM KeywordZwischentabelle ORDER BY Dateinummer) z",
        {&b.Verknuepfungen, &b.OhneDatei, &b.OhneKeyword});
  Zeile(db,
        "SELECT count(*) FROM (SELECT 1 FROM Dateiinfo GROUP BY DateinameSchluessel, DateipfadSchluessel "
        "HAVING count(*) > 1)",
        {&b.Doppelt});
  return b;
}

}  // namespace vxm
