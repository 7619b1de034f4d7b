#include "keywords/registerzugriff.h"

#include <filesystem>

#include "platform/jetsql.h"
#include "platform/oeffner.h"
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

namespace {

// Two files, not one file reached under two spellings (a case-blind mount).
bool ZweiDateien(std::string_view ordner, std::string_view a, std::string_view b) {
  try {
    // The names as they are: the drive table would find either for both.
    const std::filesystem::path o = HostPfadVon(std::string(ordner));
    const std::filesystem::path x = o / std::string(a), y = o / std::string(b);
    std::error_code ec;
    return std::filesystem::is_regular_file(x, ec) && std::filesystem::is_regular_file(y, ec) &&
           !std::filesystem::equivalent(x, y, ec) && !ec;
  } catch (const std::exception&) {
    return false;  // a path the drive table cannot map: as the register says
  }
}

struct Zeilenwahl {
  int32_t Nummer = 0;
  std::string Zwilling;  // the other file's name when the row is its
};

Zeilenwahl ZeileWaehlen(Datenbank& db, std::string_view name, std::string_view ordner) {
  Abfrage a(db,
            "SELECT Dateinummer, Dateiname, Dateipfad FROM Dateiinfo "
            "WHERE DateinameSchluessel = ?1 AND DateipfadSchluessel = ?2 ORDER BY rowid");
  a.Text(1, Falten(name)).Text(2, Falten(ordner));
  int32_t erste = 0, genau = 0;
  std::string ersterName;
  while (a.Zeile()) {
    if (!GleichOhneFall(a.Spalte(1), name) || !GleichOhneFall(a.Spalte(2), ordner)) continue;
    const auto nr = static_cast<int32_t>(a.ZahlSpalte(0));
    if (!erste) {
      erste = nr;
      ersterName = a.Spalte(1);
    }
    if (!genau && a.Spalte(1) == name) genau = nr;
  }
  if (erste == 0 || ersterName == name || !ZweiDateien(ordner, name, ersterName)) return {erste, {}};
  return {genau, genau ? std::string() : ersterName};
}

}  // namespace

int32_t DateiNummerDerDatei(Datenbank& db, std::string_view name, std::string_view ordner) {
  return ZeileWaehlen(db, name, ordner).Nummer;
}

std::string GrossKleinZwilling(Datenbank& db, std::string_view name, std::string_view ordner) {
  // Without the file itself there is no pair (a stat is cheaper than a
  // round trip to a server register).
  try {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(HostPfadVon(std::string(ordner)) / std::string(name), ec)) return {};
  } catch (const std::exception&) {
    return {};
  }
  return ZeileWaehlen(db, name, ordner).Zwilling;
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
