#include "files/registerkopie.h"

#include <filesystem>
#include <string_view>

#include "files/fingerabdruck.h"
#include "platform/datenbank.h"
#include "platform/fehler.h"
#include "platform/pgverbindung.h"
#include "platform/sqlhilfen.h"
#include "platform/verbindung.h"

namespace vxm {
namespace {

using sql::Abfrage;

// Copies the rows of `auswahl` on q with `einfuegen` on z; the number of rows.
// `zahlen` names the columns (one letter each) that hold 64-bit integers
// ('Z'): they go as integers, never through a floating-point value.
int64_t Zeilen(Datenbank& q, Datenbank& z, const std::string& auswahl, const std::string& einfuegen, int spalten,
               std::string_view zahlen = {}) {
  Abfrage a(q, auswahl);
  int64_t n = 0;
  while (a.Zeile()) {
    Abfrage e(z, einfuegen);
    for (int i = 0; i < spalten; ++i) {
      if (static_cast<std::size_t>(i) < zahlen.size() && zahlen[static_cast<std::size_t>(i)] == 'Z' && !a.IstNull(i))
        e.Zahl(i + 1, a.ZahlSpalte(i));
      else
        e.Wert(i + 1, a.WertSpalte(i));
    }
    e.Ausfuehren();
    ++n;
  }
  return n;
}

int64_t Anzahl(Datenbank& db, const std::string& tabelle) {
  Abfrage a(db, "SELECT count(*) FROM " + tabelle);
  return a.Zeile() ? a.ZahlSpalte(0) : 0;
}

// The highest id ever given in `tabelle` of the source becomes the target's.
void Hoechststand(Datenbank& q, Datenbank& z, const std::string& tabelle) {
  const int64_t stand = q.Anbindung().NaechsterSchluessel(tabelle) - 1;
  if (z.Handle()) {
    Abfrage(z, "UPDATE sqlite_sequence SET seq = ?1 WHERE name = ?2 AND seq < ?1").Zahl(1, stand).Text(2, tabelle).Ausfuehren();
    Abfrage(z, "INSERT INTO sqlite_sequence (name, seq) SELECT ?2, ?1 WHERE ?1 > 0 AND NOT EXISTS "
               "(SELECT 1 FROM sqlite_sequence WHERE name = ?2)")
        .Zahl(1, stand)
        .Text(2, tabelle)
        .Ausfuehren();
  } else {
    Abfrage(z, "UPDATE vxm_folge SET \"Wert\" = ?1 WHERE \"Tabelle\" = ?2 AND \"Wert\" < ?1")
        .Zahl(1, stand)
        .Text(2, tabelle)
        .Ausfuehren();
  }
}

KopieErgebnis Uebertragen(Datenbank& q, Datenbank& z) {
  KopieErgebnis e;
  Transaktion t(z);
  e.Keywords = Zeilen(q, z, "SELECT KeywordID, Keyword FROM Keyword ORDER BY rowid",
                      "INSERT INTO Keyword (KeywordID, Keyword) VALUES (?1, ?2)", 2);
  e.Dateien = Zeilen(q, z, "SELECT Dateinummer, Dateiname, Dateipfad FROM Dateiinfo ORDER BY rowid",
                     "INSERT INTO Dateiinfo (Dateinummer, Dateiname, Dateipfad) VALUES (?1, ?2, ?3)", 3);
  e.Verknuepfungen = Zeilen(q, z, "SELECT Dateinummer, KeywordID FROM KeywordZwischentabelle ORDER BY rowid",
                            "INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (?1, ?2)", 2);
  Hoechststand(q, z, "Keyword");
  Hoechststand(q, z, "Dateiinfo");
  // Prints and set-aside rows go along: a moved register still recognises
  // moved files, and what waits for its file keeps waiting.
  if (AbgleichTabellenDa(q)) {
    AbgleichTabellenAnlegen(z);
    // (which file a print read is not copied: the copy may serve other disks)
    e.Abdruecke = Zeilen(q, z,
                         "SELECT Dateinummer, Groesse, Hash, Mtime, Gesehen, 0, 0 FROM vxm_fingerabdruck "
                         "ORDER BY Dateinummer",
                         kFingerabdruckSchreiben, 7, "ZZTZZZZ");
    e.Beiseite = Zeilen(q, z,
                        "SELECT Dateinummer, Dateiname, Dateipfad, NameFaltung, PfadFaltung, Seit, Grund, Hinweis "
                        "FROM vxm_beiseite ORDER BY Dateinummer",
                        "INSERT INTO vxm_beiseite (Dateinummer, Dateiname, Dateipfad, NameFaltung, PfadFaltung, Seit, "
                        "Grund, Hinweis) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)",
                        8, "ZTTTTZTT");
    Zeilen(q, z, "SELECT Dateinummer, KeywordID, Folge FROM vxm_beiseite_verknuepfung ORDER BY Dateinummer, Folge",
           "INSERT INTO vxm_beiseite_verknuepfung (Dateinummer, KeywordID, Folge) VALUES (?1, ?2, ?3)", 3, "ZZZ");
    Abfrage tage(q, "SELECT Wert FROM vxm_info WHERE Schluessel = 'BeiseiteTage'");
    if (tage.Zeile()) BeiseiteTageSetzen(z, BeiseiteTage(q));
  }
  if (Anzahl(z, "Keyword") != e.Keywords || Anzahl(z, "Dateiinfo") != e.Dateien ||
      Anzahl(z, "KeywordZwischentabelle") != e.Verknuepfungen)
    throw VbFehler(fehlernr::DatenbankFehler, "Die Kopie nach " + z.Datei() + " ist unvollständig; sie wird verworfen.");
  t.Bestaetigen();
  return e;
}

// A server register made by `anlegen` and still without a row takes the copy.
bool LeeresServerregister(const std::string& ziel) {
  auto z = DatenbankDateiOeffnenHost(ziel);
  if (z->Anbindung().Spalten("Dateiinfo").empty()) return false;
  if (Anzahl(*z, "Dateiinfo") + Anzahl(*z, "Keyword") + Anzahl(*z, "KeywordZwischentabelle") > 0)
    throw VbFehler(fehlernr::DatenbankExistiert,
                   "Die Datenbank " + z->Datei() + " enthält bereits ein Register mit Zeilen; es wird nicht überschrieben.");
  return true;
}

}  // namespace

KopieErgebnis RegisterKopieren(const std::string& quelle, const std::string& ziel) {
  // Files named are those files, also where the office file beside them
  // sends the workstations to a server.
  auto q = DatenbankDateiOeffnenHost(quelle);
  const bool datei = !IstServerVerbindung(ziel);
  // Creating the target refuses an existing database, the source included;
  // nothing after that may remove the target unless this call made it.
  if (datei || !LeeresServerregister(ziel)) RegisterAnlegen(ziel);
  try {
    auto z = DatenbankDateiOeffnenHost(ziel);
    return Uebertragen(*q, *z);
  } catch (...) {
    if (datei) {
      std::error_code ec;
      for (const char* endung : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(ziel + endung, ec);
    }
    throw;
  }
}

}  // namespace vxm
