#include "files/abdrucknachtrag.h"

#include <sqlite3.h>

#include <string>
#include <vector>

#include "files/fingerabdruck.h"
#include "files/wiedererkennung_intern.h"
#include "platform/fehler.h"
#include "platform/oeffner.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"

namespace vxm {

using erkennung::Schritt;
using erkennung::Zeile;
using sql::SpaltenText;
using sql::Zuruecksetzen;

Nachtragsschritt AbdrueckeNachtragen(Datenbank& db, int32_t ab, const Nachtragsgrenzen& grenzen) {
  Nachtragsschritt n;
  n.Weiter = ab;
  if (!Beschreibbar(db)) {
    n.Fertig = true;
    return n;
  }
  // A change of the window's own is under way (a step may come while one of
  // its questions is open): this step waits for the next turn.
  if (!sqlite3_get_autocommit(db.Handle())) return n;
  AbgleichTabellenAnlegen(db);
  struct Gelesen {
    Fingerabdruck f;
    std::string Name, Ordner;
  };
  std::vector<Gelesen> gelesen;
  std::size_t gesehen = 0;
  int64_t bytes = 0;
  {
    sqlite3_stmt* s = db.Anweisung(
        "SELECT d.Dateinummer, d.Dateiname, d.Dateipfad FROM Dateiinfo d WHERE d.Dateinummer >= ?1 AND NOT EXISTS "
        "(SELECT 1 FROM vxm_fingerabdruck f WHERE f.Dateinummer = d.Dateinummer) ORDER BY d.Dateinummer LIMIT ?2");
    Zuruecksetzen z{s};
    sqlite3_bind_int(s, 1, ab);
    sqlite3_bind_int64(s, 2, static_cast<sqlite3_int64>(grenzen.Zeilen));
    while (bytes < grenzen.LeseBudget && Zeile(db, s)) {
      ++gesehen;
      const int32_t nr = sqlite3_column_int(s, 0);
      n.Weiter = nr + 1;
      const std::string name(SpaltenText(s, 1)), ordner(SpaltenText(s, 2));
      std::filesystem::path host;
      try {
        host = HostPfadVon(ordner + "\\" + name);
      } catch (const VbFehler&) {
        continue;  // a drive that is away: its folder's open takes it later
      }
      const auto stand = StandLesen(host);
      if (!stand || stand->Groesse > grenzen.GroessteDatei) continue;
      DateiStand gelesenStand;
      if (const auto inhalt = InhaltLesen(host, &gelesenStand)) {
        bytes += inhalt->Groesse;
        gelesen.push_back({Abdruck(nr, *inhalt, gelesenStand), name, ordner});
      }
    }
  }
  n.Fertig = gesehen < grenzen.Zeilen && bytes < grenzen.LeseBudget;
  if (gelesen.empty()) return n;
  Transaktion t(db);
  sqlite3_stmt* w = db.Anweisung(
      "INSERT OR IGNORE INTO vxm_fingerabdruck (Dateinummer, Groesse, Hash, Mtime, Gesehen) "
      "SELECT ?1, ?2, ?3, ?4, ?5 FROM Dateiinfo WHERE Dateinummer = ?1 AND Dateiname = ?6 AND Dateipfad = ?7");
  for (const auto& g : gelesen) {
    // A row renamed or moved meanwhile (the window's own doing) keeps no print of another file.
    sqlite3_bind_int(w, 1, g.f.Dateinummer);
    sqlite3_bind_int64(w, 2, g.f.Inhalt.Groesse);
    sql::TextBinden(w, 3, g.f.Inhalt.Hash);
    sqlite3_bind_int64(w, 4, g.f.Mtime);
    sqlite3_bind_int64(w, 5, g.f.Gesehen);
    sql::TextBinden(w, 6, g.Name);
    sql::TextBinden(w, 7, g.Ordner);
    Schritt(db, w);
    n.Erfasst += static_cast<std::size_t>(sqlite3_changes(db.Handle()));
  }
  t.Bestaetigen();
  return n;
}

}  // namespace vxm
