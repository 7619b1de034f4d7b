#include "keywords/registerzugriff.h"

#include <sqlite3.h>

#include "platform/jetsql.h"
#include "platform/sqlhilfen.h"

namespace vxm {
namespace {

using sql::SpaltenText;
using sql::TextBinden;
using sql::Zuruecksetzen;

int32_t ErsteZahl(Datenbank& db, sqlite3_stmt* s) {
  Zuruecksetzen z{s};
  const int rc = sqlite3_step(s);
  if (rc == SQLITE_ROW) return sqlite3_column_int(s, 0);
  if (rc != SQLITE_DONE) db.Fehler(rc);
  return 0;
}

}  // namespace

int32_t DateiNummerSuchen(Datenbank& db, std::string_view name, std::string_view ordner) {
  // The index holds the folded pair and then the row id, so its first
  // match is the first row in table order.
  sqlite3_stmt* s = db.Anweisung(
      "SELECT Dateinummer, Dateiname, Dateipfad FROM Dateiinfo "
      "WHERE DateinameSchluessel = ?1 AND DateipfadSchluessel = ?2 ORDER BY rowid");
  Zuruecksetzen z{s};
  TextBinden(s, 1, Falten(name));
  TextBinden(s, 2, Falten(ordner));
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    if (GleichOhneFall(SpaltenText(s, 1), name) && GleichOhneFall(SpaltenText(s, 2), ordner))
      return sqlite3_column_int(s, 0);
  }
  if (rc != SQLITE_DONE) db.Fehler(rc);
  return 0;
}

int32_t KeywordIdSuchen(Datenbank& db, std::string_view name) {
  sqlite3_stmt* s = db.Anweisung(
      "SELECT KeywordID, Keyword FROM Keyword WHERE KeywordSchluessel = ?1 ORDER BY rowid");
  Zuruecksetzen z{s};
  TextBinden(s, 1, Falten(name));
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW)
    if (GleichOhneFall(SpaltenText(s, 1), name)) return sqlite3_column_int(s, 0);
  if (rc != SQLITE_DONE) db.Fehler(rc);
  return 0;
}

std::vector<int32_t> KeywordIdsDerDatei(Datenbank& db, int32_t dateinummer) {
  sqlite3_stmt* s = db.Anweisung(
      "SELECT KeywordID FROM KeywordZwischentabelle WHERE Dateinummer = ?1 ORDER BY rowid");
  Zuruecksetzen z{s};
  sqlite3_bind_int(s, 1, dateinummer);
  std::vector<int32_t> ids;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) ids.push_back(sqlite3_column_int(s, 0));
  if (rc != SQLITE_DONE) db.Fehler(rc);
  return ids;
}

std::vector<std::string> KeywordsDerDatei(Datenbank& db, int32_t dateinummer) {
  sqlite3_stmt* s = db.Anweisung(
      "SELECT Keyword.Keyword FROM Keyword INNER JOIN KeywordZwischentabelle "
      "ON Keyword.KeywordID = KeywordZwischentabelle.KeywordID "
      "WHERE KeywordZwischentabelle.Dateinummer = ?1 "
      "ORDER BY KeywordZwischentabelle.rowid, Keyword.rowid");
  Zuruecksetzen z{s};
  sqlite3_bind_int(s, 1, dateinummer);
  std::vector<std::string> namen;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) namen.emplace_back(SpaltenText(s, 0));
  if (rc != SQLITE_DONE) db.Fehler(rc);
  return namen;
}

bool VerknuepfungVorhanden(Datenbank& db, int32_t dateinummer, int32_t keywordId) {
  sqlite3_stmt* s = db.Anweisung(
      "SELECT 1 FROM KeywordZwischentabelle WHERE Dateinummer = ?1 AND KeywordID = ?2 LIMIT 1");
  sqlite3_bind_int(s, 1, dateinummer);
  sqlite3_bind_int(s, 2, keywordId);
  return ErsteZahl(db, s) == 1;
}

bool VerknuepfungAnhaengen(Datenbank& db, int32_t dateinummer, int32_t keywordId) {
  Transaktion t(db);
  if (VerknuepfungVorhanden(db, dateinummer, keywordId)) return false;
  sqlite3_stmt* s = db.Anweisung("INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (?1, ?2)");
  Zuruecksetzen z{s};
  sqlite3_bind_int(s, 1, dateinummer);
  sqlite3_bind_int(s, 2, keywordId);
  const int rc = sqlite3_step(s);
  if (rc != SQLITE_DONE) db.Fehler(rc);
  t.Bestaetigen();
  return true;
}

std::vector<RegisterTreffer> DateienMitKeyword(Datenbank& db, int32_t keywordId) {
  sqlite3_stmt* s = db.Anweisung(
      "SELECT Dateiinfo.Dateinummer, Dateiinfo.Dateiname, Dateiinfo.Dateipfad "
      "FROM KeywordZwischentabelle INNER JOIN Dateiinfo "
      "ON Dateiinfo.Dateinummer = KeywordZwischentabelle.Dateinummer "
      "WHERE KeywordZwischentabelle.KeywordID = ?1 AND "
      "EXISTS (SELECT 1 FROM Keyword WHERE Keyword.KeywordID = ?1) "
      "ORDER BY KeywordZwischentabelle.Dateinummer");  // index order: by file, then link order
  Zuruecksetzen z{s};
  sqlite3_bind_int(s, 1, keywordId);
  std::vector<RegisterTreffer> treffer;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW)
    treffer.push_back({sqlite3_column_int(s, 0), std::string(SpaltenText(s, 1)), std::string(SpaltenText(s, 2))});
  if (rc != SQLITE_DONE) db.Fehler(rc);
  return treffer;
}

}  // namespace vxm
