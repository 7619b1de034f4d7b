#include "keywords/registerzugriff.h"

#include "platform/jetsql.h"
#include "platform/sqlhilfen.h"

namespace vxm {

using sql::Abfrage;

int32_t DateiNummerSuchen(Datenbank& db, std::string_view name, std::string_view ordner) {
  // The index holds the folded pair and then the row id, so its first
  // match is the first row in table order.
  Abfrage a(db,
            "SELECT Dateinummer, Dateiname, Dateipfad FROM Dateiinfo "
            "WHERE DateinameSchluessel = ?1 AND DateipfadSchluessel = ?2 ORDER BY rowid");
  a.Text(1, Falten(name)).Text(2, Falten(ordner));
  while (a.Zeile())
    if (GleichOhneFall(a.Spalte(1), name) && GleichOhneFall(a.Spalte(2), ordner))
      return static_cast<int32_t>(a.ZahlSpalte(0));
  return 0;
}

int32_t KeywordIdSuchen(Datenbank& db, std::string_view name) {
  Abfrage a(db, "SELECT KeywordID, Keyword FROM Keyword WHERE KeywordSchluessel = ?1 ORDER BY rowid");
  a.Text(1, Falten(name));
  while (a.Zeile())
    if (GleichOhneFall(a.Spalte(1), name)) return static_cast<int32_t>(a.ZahlSpalte(0));
  return 0;
}

std::vector<int32_t> KeywordIdsDerDatei(Datenbank& db, int32_t dateinummer) {
  Abfrage a(db, "SELECT KeywordID FROM KeywordZwischentabelle WHERE Dateinummer = ?1 ORDER BY rowid");
  a.Zahl(1, dateinummer);
  std::vector<int32_t> ids;
  while (a.Zeile()) ids.push_back(static_cast<int32_t>(a.ZahlSpalte(0)));
  return ids;
}

std::vector<std::string> KeywordsDerDatei(Datenbank& db, int32_t dateinummer) {
  Abfrage a(db,
            "SELECT Keyword.Keyword FROM Keyword INNER JOIN KeywordZwischentabelle "
            "ON Keyword.KeywordID = KeywordZwischentabelle.KeywordID "
            "WHERE KeywordZwischentabelle.Dateinummer = ?1 "
            "ORDER BY KeywordZwischentabelle.rowid, Keyword.rowid");
  a.Zahl(1, dateinummer);
  std::vector<std::string> namen;
  while (a.Zeile()) namen.emplace_back(a.Spalte(0));
  return namen;
}

bool VerknuepfungVorhanden(Datenbank& db, int32_t dateinummer, int32_t keywordId) {
  Abfrage a(db, "SELECT 1 FROM KeywordZwischentabelle WHERE Dateinummer = ?1 AND KeywordID = ?2 LIMIT 1");
  a.Zahl(1, dateinummer).Zahl(2, keywordId);
  return a.Zeile();
}

bool VerknuepfungAnhaengen(Datenbank& db, int32_t dateinummer, int32_t keywordId) {
  Transaktion t(db);
  if (VerknuepfungVorhanden(db, dateinummer, keywordId)) return false;
  Abfrage(db, "INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (?1, ?2)")
      .Zahl(1, dateinummer)
      .Zahl(2, keywordId)
      .Ausfuehren();
  t.Bestaetigen();
  return true;
}

std::vector<RegisterTreffer> DateienMitKeyword(Datenbank& db, int32_t keywordId) {
  Abfrage a(db,
            "SELECT Dateiinfo.Dateinummer, Dateiinfo.Dateiname, Dateiinfo.Dateipfad "
            "FROM KeywordZwischentabelle INNER JOIN Dateiinfo "
            "ON Dateiinfo.Dateinummer = KeywordZwischentabelle.Dateinummer "
            "WHERE KeywordZwischentabelle.KeywordID = ?1 AND "
            "EXISTS (SELECT 1 FROM Keyword WHERE Keyword.KeywordID = ?1) "
            "ORDER BY KeywordZwischentabelle.Dateinummer, KeywordZwischentabelle.rowid");  // index order
  a.Zahl(1, keywordId);
  std::vector<RegisterTreffer> treffer;
  while (a.Zeile())
    treffer.push_back({static_cast<int32_t>(a.ZahlSpalte(0)), std::string(a.Spalte(1)), std::string(a.Spalte(2))});
  return treffer;
}

}  // namespace vxm
