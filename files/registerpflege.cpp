#include "files/registerpflege.h"

#include <filesystem>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "files/wiedererkennung.h"
#include "keywords/registerzugriff.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/jetsql.h"
#include "platform/oeffner.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"

namespace vxm {
namespace {

using sql::Abfrage;

void ZeileSetzen(Datenbank& db, int32_t nummer, const std::string& name, const std::string& ordner) {
  Abfrage(db,
          "UPDATE Dateiinfo SET Dateiname = ?1, Dateipfad = ?2, DateinameSchluessel = ?3, "
          "DateipfadSchluessel = ?4 WHERE Dateinummer = ?5")
      .Text(1, name)
      .Text(2, ordner)
      .Text(3, Falten(name))
      .Text(4, Falten(ordner))
      .Zahl(5, nummer)
      .Ausfuehren();
}

void ZeileLoeschen(Datenbank& db, int32_t nummer) {
  Abfrage(db, "DELETE FROM KeywordZwischentabelle WHERE Dateinummer = ?1").Zahl(1, nummer).Ausfuehren();
  Abfrage(db, "DELETE FROM Dateiinfo WHERE Dateinummer = ?1").Zahl(1, nummer).Ausfuehren();
}

bool IstPlatzhalter(char c) { return c == '*' || c == '?' || c == '#' || c == '['; }

// The host's LIKE pattern as a GLOB on the folded column (a literal, so
// SQLite can use the index for a constant prefix).
std::string GlobAusLike(const std::string& muster) {
  const std::string f = Falten(muster);
  std::string g;
  for (std::size_t i = 0; i < f.size(); ++i) {
    const char c = f[i];
    if (c == '#') {
      g += "[0-9]";
    } else if (c == '[') {
      g += '[';
      if (i + 1 < f.size() && f[i + 1] == '!') {
        g += '^';
        ++i;
      }
    } else if (c == '\'') {
      g += "''";
    } else {
      g += c;
    }
  }
  return g;
}

// "X" is X itself or a folder below it (both folded).
bool ImOderUnter(const std::string& ordner, const std::string& wurzel) {
  if (ordner.size() < wurzel.size() || ordner.compare(0, wurzel.size(), wurzel) != 0) return false;
  return ordner.size() == wurzel.size() || ordner[wurzel.size()] == '\\' ||
         (!wurzel.empty() && wurzel.back() == '\\');
}

std::string OhneSchraegstrich(std::string p) {
  while (p.size() > 3 && p.back() == '\\') p.pop_back();
  if (p.size() == 3 && p.back() == '\\' && p[1] == ':') p.pop_back();
  return p;
}

// The folder a pattern names: the text before its first wildcard, cut back
// to a whole folder name when the wildcard stands inside a name.
std::string WurzelDesMusters(const std::string& muster, bool& mitPlatzhalter) {
  std::size_t i = 0;
  while (i < muster.size() && !IstPlatzhalter(muster[i])) ++i;
  mitPlatzhalter = i < muster.size();
  std::string w = muster.substr(0, i);
  if (mitPlatzhalter && !w.empty() && w.back() != '\\') {
    // "C:\A\Akte*" also matches "C:\A\Akten": only rows at or below a folder
    // the walk read are judged, so walk "C:\A\Akte" when it is one, else "C:\A".
    try {
      Dienste().Dateien->GetFolder(w);
    } catch (const VbFehler&) {
      const auto p = w.rfind('\\');
      w = p == std::string::npos ? std::string() : w.substr(0, p);
    }
  }
  return OhneSchraegstrich(w);
}

}  // namespace

bool RegisterDateiVerschieben(Datenbank& db, const std::string& name, const std::string& ordner,
                              const std::string& zielName, const std::string& zielOrdner) {
  db.Schreibpruefung();
  Transaktion t(db);
  const int32_t nummer = DateiNummerSuchen(db, name, ordner);
  if (nummer == 0) return false;
  ZeileSetzen(db, nummer, zielName, zielOrdner);
  t.Bestaetigen();
  return true;
}

int32_t RegisterDateiKopieren(Datenbank& db, const std::string& name, const std::string& ordner,
                              const std::string& zielName, const std::string& zielOrdner) {
  db.Schreibpruefung();
  Transaktion t(db);
  const int32_t quelle = DateiNummerSuchen(db, name, ordner);
  if (quelle == 0) return 0;
  const auto neu = static_cast<int32_t>(
      sql::Einfuegen(db,
                     "INSERT INTO Dateiinfo (Dateiname, Dateipfad, DateinameSchluessel, DateipfadSchluessel) "
                     "VALUES (?1, ?2, ?3, ?4)")
          .Text(1, zielName)
          .Text(2, zielOrdner)
          .Text(3, Falten(zielName))
          .Text(4, Falten(zielOrdner))
          .Ausfuehren());
  // Every link is copied: the old fixed table of 21 ids dropped the rest.
  Abfrage(db,
          "INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) "
          "SELECT ?1, KeywordID FROM KeywordZwischentabelle WHERE Dateinummer = ?2 ORDER BY KeywordID")
      .Zahl(1, neu)
      .Zahl(2, quelle)
      .Ausfuehren();
  t.Bestaetigen();
  return neu;
}

bool RegisterDateiEntfernen(Datenbank& db, const std::string& name, const std::string& ordner) {
  db.Schreibpruefung();
  Transaktion t(db);
  const int32_t nummer = DateiNummerSuchen(db, name, ordner);
  if (nummer == 0) return false;
  ZeileLoeschen(db, nummer);
  t.Bestaetigen();
  return true;
}

std::vector<int32_t> RegisterDateiNummern(Datenbank& db, const std::string& name, const std::string& ordner) {
  std::vector<int32_t> nummern;
  Abfrage a(db,
            "SELECT Dateinummer, Dateiname, Dateipfad FROM Dateiinfo "
            "WHERE DateinameSchluessel = ?1 AND DateipfadSchluessel = ?2");
  a.Text(1, Falten(name)).Text(2, Falten(ordner));
  while (a.Zeile())
    if (GleichOhneFall(a.Spalte(1), name) && GleichOhneFall(a.Spalte(2), ordner))
      nummern.push_back(static_cast<int32_t>(a.ZahlSpalte(0)));
  return nummern;
}

std::size_t RegisterDateiZeilenEntfernen(Datenbank& db, const std::string& name, const std::string& ordner) {
  db.Schreibpruefung();
  Transaktion t(db);
  const std::vector<int32_t> nummern = RegisterDateiNummern(db, name, ordner);
  for (int32_t n : nummern) ZeileLoeschen(db, n);
  t.Bestaetigen();
  return nummern.size();
}

int64_t RegisterOrdnerNachziehen(Datenbank& db, const std::string& alt, const std::string& neu) {
  const std::string a = OhneSchraegstrich(alt);
  const std::string n = Gross(OhneSchraegstrich(neu));
  if (a.empty()) return 0;
  const std::string fa = Falten(a);
  // Folding maps each character to one character, so the stored old prefix
  // has as many characters as `a` (substr counts characters).
  int zeichen = 0;
  for (unsigned char c : a)
    if ((c & 0xC0) != 0x80) ++zeichen;
  db.Schreibpruefung();
  Transaktion t(db);
  // The folder itself and everything below it: the folded paths from
  // "A\" up to (not including) "A]" are exactly those starting with "A\".
  // One statement for all rows of a table.
  auto nachziehen = [&](const std::string& tabelle, const std::string& faltung) {
    return Abfrage(db, "UPDATE " + tabelle + " SET Dateipfad = ?4 || substr(Dateipfad, ?5), " + faltung + " = ?6 || substr(" +
                           faltung + ", ?5) WHERE " + faltung + " = ?1 OR (" + faltung + " >= ?2 AND " + faltung +
                           " < ?3)")
        .Text(1, fa)
        .Text(2, fa + "\\")
        .Text(3, fa + "]")
        .Text(4, n)
        .Zahl(5, zeichen + 1)
        .Text(6, Falten(n))
        .Ausfuehren();
  };
  const int64_t geaendert = nachziehen("Dateiinfo", "DateipfadSchluessel");
  // Rows waiting set aside for files of the folder (in the trash, say) wait
  // at the new place: put back there, the files find them.
  if (AbgleichTabellenDa(db)) nachziehen("vxm_beiseite", "PfadFaltung");
  t.Bestaetigen();
  return geaendert;
}

Bereinigung RegisterBereinigenMitBestand(Datenbank& db, const std::string& muster, const DateiBestand& bestand) {
  Bereinigung b;
  bool mitPlatzhalter = false;
  const std::string wurzel = Falten(WurzelDesMusters(muster, mitPlatzhalter));
  std::string sql = "SELECT Dateinummer, Dateiname, Dateipfad, DateipfadSchluessel FROM Dateiinfo WHERE ";
  std::string wert;
  if (mitPlatzhalter) {
    sql += "DateipfadSchluessel GLOB '" + GlobAusLike(muster) + "' ORDER BY rowid";
  } else {
    // Register paths carry no final "\": a folder key names the same rows.
    sql += "DateipfadSchluessel = ?1 ORDER BY rowid";
    wert = Falten(OhneSchraegstrich(muster));
  }
  struct Zeile {
    int32_t Nummer;
    std::string Name, Pfad, PfadSchluessel;
  };
  std::vector<Zeile> zeilen;
  {
    Abfrage a(db, sql);
    if (!mitPlatzhalter) a.Text(1, wert);
    while (a.Zeile())
      zeilen.push_back({static_cast<int32_t>(a.ZahlSpalte(0)), std::string(a.Spalte(1)), std::string(a.Spalte(2)),
                        std::string(a.Spalte(3))});
  }
  b.Geprueft = zeilen.size();
  if (zeilen.empty()) return b;

  std::unordered_set<std::string> gefunden;
  gefunden.reserve(bestand.Dateien.size() * 2);
  for (const auto& d : bestand.Dateien) gefunden.insert(Falten(d));
  std::vector<std::string> luecken;
  for (const auto& l : bestand.Luecken) luecken.push_back(Falten(OhneSchraegstrich(l)));

  std::vector<int32_t> weg;
  for (const auto& z : zeilen) {
    if (z.Name.empty() && z.Pfad.empty()) continue;
    if (gefunden.count(z.PfadSchluessel + "\\" + Falten(z.Name))) continue;
    bool beurteilbar = bestand.Vollstaendig || !luecken.empty();
    // Only rows in the folder the walk covered are judged.
    if (!ImOderUnter(z.PfadSchluessel, wurzel)) beurteilbar = false;
    for (const auto& l : luecken)
      if (ImOderUnter(z.PfadSchluessel, l)) beurteilbar = false;
    // A file the walk missed for any other reason still keeps its row.
    if (beurteilbar) {
      try {
        if (Dienste().Dateien->FileExists(z.Pfad + "\\" + z.Name)) beurteilbar = false;
      } catch (const VbFehler&) {
        beurteilbar = false;
      }
    }
    if (!beurteilbar) {
      ++b.Behalten;
      continue;
    }
    weg.push_back(z.Nummer);
  }
  if (weg.empty()) return b;
  // Not deleted: looked for under the store root, else set aside.
  const Nachzug n = VerschwundeneNachziehen(db, weg);
  b.Umgezogen = n.Umgezogen + n.Zurueckgeholt;
  b.Beiseite = n.Beiseitegelegt;
  return b;
}

Bereinigung RegisterBereinigen(Datenbank& db, const std::string& muster) {
  bool mitPlatzhalter = false;
  const std::string ordner = WurzelDesMusters(muster, mitPlatzhalter);
  DateiBestand bestand;
  std::vector<DateiEintrag> eintraege;
  if (ordner.empty()) return {};
  if (!mitPlatzhalter) {
    // One folder: its own files are all a row of it can be.
    try {
      eintraege = Dienste().Dateien->Files(ordner);
      for (const auto& e : eintraege) bestand.Dateien.push_back(ordner + "\\" + e.Name);
    } catch (const VbFehler&) {
      // Unreadable or not there (a drive that is away looks the same): keep every row.
      bestand.Vollstaendig = false;
      bestand.Luecken.push_back(ordner);
    }
  } else {
    bestand = DateiBestandLesen(ordner);
  }
  Bereinigung b = RegisterBereinigenMitBestand(db, muster, bestand);
  if (!mitPlatzhalter && bestand.Vollstaendig) {
    const Nachzug n = OrdnerNachpflegen(db, ordner, eintraege);
    b.Umgezogen += n.Umgezogen + n.Zurueckgeholt;
    b.Beiseite += n.Beiseitegelegt;
  }
  return b;
}

namespace {

// A folder gone while the store is there (the first folder below its drive
// is): renamed or removed by another program. A drive away, a drive table
// that does not reach the store, or a folder that is there but cannot be
// read, is not that.
bool OrdnerWeg(const std::string& pfad) {
  const auto erster = pfad.find('\\', 3);
  if (pfad.size() < 4 || pfad[1] != ':' || erster == std::string::npos) return false;
  try {
    std::error_code ec;
    return !std::filesystem::exists(HostPfadVon(pfad), ec) &&
           std::filesystem::is_directory(HostPfadVon(pfad.substr(0, erster)), ec);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

std::vector<std::string> ZeilenMitFremdemInhalt(Datenbank& db) {
  std::vector<std::string> befunde;
  if (!AbgleichTabellenDa(db)) return befunde;
  struct Zeile {
    std::string Pfad;
    DateiStand Abdruck;
  };
  std::vector<Zeile> zeilen;
  std::map<std::pair<int64_t, int64_t>, std::vector<std::size_t>> nachStand;  // print's size and time: rows
  sql::Abfrage a(db,
                 "SELECT d.Dateiname, d.Dateipfad, f.Groesse, f.Mtime FROM Dateiinfo d CROSS JOIN vxm_fingerabdruck f "
                 "ON f.Dateinummer = d.Dateinummer ORDER BY d.Dateinummer");
  while (a.Zeile()) {
    const std::string name(a.Spalte(0)), pfad(a.Spalte(1));
    Zeile z{!pfad.empty() && pfad.back() == '\\' ? pfad + name : pfad + "\\" + name, {a.ZahlSpalte(2), a.ZahlSpalte(3)}};
    if (z.Abdruck.Mtime == kUnsicher) continue;  // its time tells nothing
    nachStand[{z.Abdruck.Groesse, z.Abdruck.Mtime}].push_back(zeilen.size());
    zeilen.push_back(std::move(z));
  }
  for (const auto& z : zeilen) {
    std::optional<DateiStand> jetzt;
    try {
      jetzt = StandLesen(HostPfadVon(z.Pfad));
    } catch (const VbFehler&) {
    }
    // (size and time only: the print's state as stored, without the file it read)
    if (!jetzt || (jetzt->Groesse == z.Abdruck.Groesse && jetzt->Mtime == z.Abdruck.Mtime)) continue;
    // A rename keeps the time to the nanosecond; an edit or a copy does not.
    const auto it = nachStand.find({jetzt->Groesse, jetzt->Mtime});
    if (it == nachStand.end() || it->second.size() != 1) continue;
    befunde.push_back(z.Pfad + " enthält, was als " + zeilen[it->second.front()].Pfad + " eingetragen ist");
  }
  return befunde;
}

std::vector<std::string> ZeilenOhneDatei(Datenbank& db) {
  std::vector<std::string> fehlend;
  // Each folder is listed once; its names folded, as rows name files case-blind.
  std::unordered_map<std::string, std::optional<std::unordered_set<std::string>>> ordner;
  sql::Abfrage a(db, "SELECT Dateiname, Dateipfad FROM Dateiinfo ORDER BY Dateinummer");
  while (a.Zeile()) {
    const std::string name(a.Spalte(0)), pfad(a.Spalte(1));
    auto [it, neu] = ordner.try_emplace(Falten(pfad));
    if (neu) {
      try {
        std::unordered_set<std::string> namen;
        for (const auto& n : Dienste().Dateien->FileNames(pfad)) namen.insert(Falten(n));
        it->second = std::move(namen);
      } catch (const VbFehler&) {
        if (OrdnerWeg(pfad)) it->second.emplace();  // none of its files is there
      }
    }
    if (it->second && !it->second->count(Falten(name)))
      fehlend.push_back(!pfad.empty() && pfad.back() == '\\' ? pfad + name : pfad + "\\" + name);
  }
  return fehlend;
}

}  // namespace vxm
