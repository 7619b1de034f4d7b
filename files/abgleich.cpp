#include "files/abgleich.h"

#include <sqlite3.h>

#include <unordered_map>
#include <unordered_set>

#include "files/bestandslauf.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"

namespace vxm {
namespace {

using sql::SpaltenText;
using sql::TextBinden;
using sql::Zuruecksetzen;

struct Zeile {
  int32_t Nummer = 0;
  std::string Name, Ordner;
  std::optional<Fingerabdruck> Fp;
  bool Gesehen = false;
  int32_t Gleich = -1;  // next row of the same place (a register with doubles)
};

std::string OhneSchraegstrich(std::string p) {
  while (!p.empty() && p.back() == '\\') p.pop_back();
  return p;
}

bool ImOderUnter(const std::string& ordner, const std::string& wurzel) {
  return ordner.size() >= wurzel.size() && ordner.compare(0, wurzel.size(), wurzel) == 0 &&
         (ordner.size() == wurzel.size() || ordner[wurzel.size()] == '\\');
}

// Rows under the root with their prints, found by their folded place.
void ZeilenLaden(Datenbank& db, const std::string& wurzel, std::vector<Zeile>& zeilen,
                 std::unordered_map<std::string, int32_t>& orte, std::unordered_set<int64_t>& groessen) {
  const std::string wf = Falten(wurzel);
  sqlite3_stmt* s = db.Anweisung(
      "SELECT d.Dateinummer, d.Dateiname, d.Dateipfad, d.DateinameSchluessel, d.DateipfadSchluessel, "
      "f.Groesse, f.Hash, f.Mtime FROM Dateiinfo d LEFT JOIN vxm_fingerabdruck f ON f.Dateinummer = d.Dateinummer "
      "WHERE d.DateipfadSchluessel = ?1 OR d.DateipfadSchluessel = ?2 "
      "OR (d.DateipfadSchluessel >= ?2 AND d.DateipfadSchluessel < ?3) ORDER BY d.rowid");
  Zuruecksetzen z{s};
  TextBinden(s, 1, wf);
  TextBinden(s, 2, wf + "\\");
  TextBinden(s, 3, wf + "]");
  int rc;
  std::string schluessel;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    Zeile r;
    r.Nummer = sqlite3_column_int(s, 0);
    r.Name = SpaltenText(s, 1);
    r.Ordner = SpaltenText(s, 2);
    if (sqlite3_column_type(s, 5) != SQLITE_NULL) {
      Fingerabdruck f;
      f.Dateinummer = r.Nummer;
      f.Inhalt = {sqlite3_column_int64(s, 5), std::string(SpaltenText(s, 6))};
      f.Mtime = sqlite3_column_int64(s, 7);
      groessen.insert(f.Inhalt.Groesse);
      r.Fp = std::move(f);
    }
    schluessel = OhneSchraegstrich(std::string(SpaltenText(s, 4)));
    schluessel += '\\';
    schluessel += SpaltenText(s, 3);
    const auto idx = static_cast<int32_t>(zeilen.size());
    auto [it, neu] = orte.emplace(schluessel, idx);
    if (!neu) {
      // Doubles share the fate of the first row of their place.
      int32_t k = it->second;
      while (zeilen[static_cast<std::size_t>(k)].Gleich >= 0) k = zeilen[static_cast<std::size_t>(k)].Gleich;
      zeilen[static_cast<std::size_t>(k)].Gleich = idx;
    }
    zeilen.push_back(std::move(r));
  }
  if (rc != SQLITE_DONE) db.Fehler(rc);
}

void BeiseiteGroessen(Datenbank& db, std::unordered_set<int64_t>& groessen) {
  sqlite3_stmt* s = db.Anweisung(
      "SELECT f.Groesse FROM vxm_beiseite b CROSS JOIN vxm_fingerabdruck f ON f.Dateinummer = b.Dateinummer");
  Zuruecksetzen z{s};
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) groessen.insert(sqlite3_column_int64(s, 0));
  if (rc != SQLITE_DONE) db.Fehler(rc);
}

// Registered rows with a print outside the root: the walk says nothing of
// their files, so they may want a content found under the root.
std::vector<Suchender> AndereLaden(Datenbank& db, const std::string& wurzel) {
  const std::string wf = Falten(wurzel);
  sqlite3_stmt* s = db.Anweisung(
      "SELECT d.Dateinummer, d.Dateiname, d.Dateipfad, f.Groesse, f.Hash FROM Dateiinfo d CROSS JOIN "
      "vxm_fingerabdruck f ON f.Dateinummer = d.Dateinummer WHERE d.DateipfadSchluessel < ?1 OR "
      "(d.DateipfadSchluessel > ?1 AND d.DateipfadSchluessel < ?2) OR d.DateipfadSchluessel >= ?3");
  Zuruecksetzen z{s};
  TextBinden(s, 1, wf);
  TextBinden(s, 2, wf + "\\");
  TextBinden(s, 3, wf + "]");
  std::vector<Suchender> andere;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW)
    andere.push_back({sqlite3_column_int(s, 0), std::string(SpaltenText(s, 1)), std::string(SpaltenText(s, 2)), false,
                      {}, {}, DateiInhalt{sqlite3_column_int64(s, 3), std::string(SpaltenText(s, 4))}, std::nullopt});
  if (rc != SQLITE_DONE) db.Fehler(rc);
  return andere;
}

int64_t Zahl(Datenbank& db, const char* sql) {
  sqlite3_stmt* s = db.Anweisung(sql);
  Zuruecksetzen z{s};
  const int rc = sqlite3_step(s);
  if (rc != SQLITE_ROW) db.Fehler(rc);
  return sqlite3_column_int64(s, 0);
}

struct Erneuern {
  int32_t Zeile;
  std::filesystem::path Host;
};

}  // namespace

AbgleichErgebnis Abgleichen(Datenbank& db, const std::string& wurzelEingabe,
                            const std::function<void(const Vorgang&)>& melden) {
  AbgleichErgebnis e;
  AbgleichTabellenAnlegen(db);
  const std::string wurzel = OhneSchraegstrich(wurzelEingabe);

  std::vector<Zeile> zeilen;
  std::unordered_map<std::string, int32_t> orte;
  std::unordered_set<int64_t> groessen;  // a file of another size cannot be a sought one
  ZeilenLaden(db, wurzel, zeilen, orte, groessen);
  BeiseiteGroessen(db, groessen);
  e.Eingetragen = zeilen.size();

  std::vector<Erneuern> erneuern;
  std::vector<Kandidat> kandidaten;
  std::string schluessel;
  const LaufErgebnis lauf = BestandLaufen(wurzel, [&](const LaufDatei& f) {
    schluessel.assign(f.OrdnerFalte);
    schluessel += '\\';
    schluessel += Falten(f.Name);
    const auto it = orte.find(schluessel);
    if (it == orte.end()) {
      if (groessen.count(f.Stand.Groesse))
        kandidaten.push_back({std::string(f.Ordner), std::string(f.Name), *f.HostOrdner / f.Name, f.Stand, std::nullopt});
      return;
    }
    for (int32_t k = it->second; k >= 0; k = zeilen[static_cast<std::size_t>(k)].Gleich)
      zeilen[static_cast<std::size_t>(k)].Gesehen = true;
    const Zeile& z = zeilen[static_cast<std::size_t>(it->second)];
    if (!z.Fp || !Aktuell(*z.Fp, f.Stand)) erneuern.push_back({it->second, *f.HostOrdner / f.Name});
  });
  e.WurzelGefunden = lauf.Gefunden;
  e.Dateien = lauf.Dateien;
  e.Luecken = lauf.Luecken;
  if (!lauf.Gefunden) return e;

  // Prints of files at their place, in batches.
  for (std::size_t a = 0; a < erneuern.size();) {
    std::vector<Fingerabdruck> neu;
    for (; a < erneuern.size() && neu.size() < kAbgleichStapel; ++a) {
      DateiStand stand;
      if (auto inhalt = InhaltLesen(erneuern[a].Host, &stand))
        neu.push_back(Abdruck(zeilen[static_cast<std::size_t>(erneuern[a].Zeile)].Nummer, *inhalt, stand));
    }
    Transaktion t(db);
    for (const auto& f : neu) FingerabdruckSchreiben(db, f);
    t.Bestaetigen();
    e.Fingerabdruecke += neu.size();
  }

  // Rows whose files are gone look for their content among the files
  // without a row; set-aside rows join them.
  std::vector<std::string> luecken;
  for (const auto& l : lauf.Luecken) luecken.push_back(Falten(l));
  Zuordnung zuordnung(db);
  for (const auto& z : zeilen) {
    if (z.Gesehen) {
      zuordnung.Vorhanden(z.Nummer);
      continue;
    }
    const std::string of = Falten(OhneSchraegstrich(z.Ordner));
    bool unlesbar = false;
    for (const auto& l : luecken) unlesbar = unlesbar || ImOderUnter(of, l);
    if (unlesbar) continue;
    std::optional<DateiInhalt> inhalt;
    std::optional<int64_t> mtime;
    if (z.Fp) {
      inhalt = z.Fp->Inhalt;
      mtime = z.Fp->Mtime;
    }
    zuordnung.Suchen(Suchender{z.Nummer, z.Name, z.Ordner, false, {}, {}, std::move(inhalt), mtime});
  }
  zuordnung.BeiseiteDazu();
  zuordnung.AndereNur(AndereLaden(db, wurzel));
  for (auto& k : kandidaten) zuordnung.Dazu(std::move(k));
  Zuordnung::Weise weise;
  weise.Melden = melden;
  weise.Stapel = kAbgleichStapel;
  weise.Nachpruefen = false;  // the walk has just seen both places
  e.Vorgaenge = zuordnung.Ausfuehren(weise);

  for (const auto& v : AbgelaufeneVerwerfen(db, melden).Vorgaenge) e.Vorgaenge.Dazu(v);
  {
    // Prints of rows the program has removed meanwhile.
    Transaktion t(db);
    sqlite3_stmt* s = db.Anweisung(
        "DELETE FROM vxm_fingerabdruck WHERE NOT EXISTS (SELECT 1 FROM Dateiinfo d WHERE d.Dateinummer = "
        "vxm_fingerabdruck.Dateinummer) AND NOT EXISTS (SELECT 1 FROM vxm_beiseite b WHERE b.Dateinummer = "
        "vxm_fingerabdruck.Dateinummer)");
    Zuruecksetzen z{s};
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) db.Fehler(rc);
    t.Bestaetigen();
  }
  e.Warten = static_cast<std::size_t>(Zahl(db, "SELECT count(*) FROM vxm_beiseite"));
  return e;
}

std::string AbgleichZusammenfassung(const AbgleichErgebnis& e) {
  const auto& n = e.Vorgaenge;
  std::string s = "Abgleich beendet: " + std::to_string(e.Dateien) + " Dateien, " + std::to_string(e.Eingetragen) +
                  " eingetragen; " + std::to_string(n.Umgezogen) + " umgezogen, " + std::to_string(n.Zurueckgeholt) +
                  " zurückgeholt, " + std::to_string(n.Beiseitegelegt) + " beiseitegelegt (davon " +
                  std::to_string(n.Mehrdeutig) + " mehrdeutig), " + std::to_string(n.Verworfen) + " verworfen; " +
                  std::to_string(e.Fingerabdruecke) + " Fingerabdrücke erfasst; " + std::to_string(e.Warten) +
                  " Einträge warten beiseite.";
  if (!e.Luecken.empty())
    s += " Nicht lesbar (dort nichts geändert): " + std::to_string(e.Luecken.size()) + " Ordner.";
  return s;
}

}  // namespace vxm
