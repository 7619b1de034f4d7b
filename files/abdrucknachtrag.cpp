#include "files/abdrucknachtrag.h"

#include <string>
#include <vector>

#include "files/fingerabdruck.h"
#include "platform/fehler.h"
#include "platform/oeffner.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"
#include "platform/verbindung.h"

namespace vxm {

using sql::Abfrage;

Nachtragsschritt AbdrueckeNachtragen(Datenbank& db, int32_t ab, const Nachtragsgrenzen& grenzen) {
  Nachtragsschritt n;
  n.Weiter = ab;
  if (!Beschreibbar(db)) {
    n.Fertig = true;
    return n;
  }
  // A change of the window's own is under way (a step may come while one of
  // its questions is open): this step waits for the next turn.
  if (db.Anbindung().TransaktionOffen()) return n;
  AbgleichTabellenAnlegen(db);
  struct Gelesen {
    Fingerabdruck f;
    std::string Name, Ordner;
  };
  std::vector<Gelesen> gelesen;
  std::size_t gesehen = 0;
  int64_t bytes = 0;
  {
    Abfrage a(db,
              "SELECT d.Dateinummer, d.Dateiname, d.Dateipfad FROM Dateiinfo d WHERE d.Dateinummer >= ?1 AND NOT "
              "EXISTS (SELECT 1 FROM vxm_fingerabdruck f WHERE f.Dateinummer = d.Dateinummer) ORDER BY d.Dateinummer "
              "LIMIT ?2");
    a.Zahl(1, ab).Zahl(2, static_cast<int64_t>(grenzen.Zeilen));
    while (bytes < grenzen.LeseBudget && a.Zeile()) {
      ++gesehen;
      const auto nr = static_cast<int32_t>(a.ZahlSpalte(0));
      n.Weiter = nr + 1;
      const std::string name(a.Spalte(1)), ordner(a.Spalte(2));
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
  for (const auto& g : gelesen) {
    // A row renamed or moved meanwhile (the window's own doing) keeps no print of another file.
    n.Erfasst += static_cast<std::size_t>(
        Abfrage(db,
                "INSERT INTO vxm_fingerabdruck (Dateinummer, Groesse, Hash, Mtime, Gesehen, Geraet, Inode) "
                "SELECT Dateinummer, CAST(?2 AS BIGINT), CAST(?3 AS TEXT), CAST(?4 AS BIGINT), CAST(?5 AS BIGINT), "
                "NULLIF(CAST(?8 AS BIGINT), 0), NULLIF(CAST(?9 AS BIGINT), 0) "
                "FROM Dateiinfo WHERE Dateinummer = ?1 AND Dateiname = ?6 AND Dateipfad = ?7 "
                "ON CONFLICT (Dateinummer) DO NOTHING")
            .Zahl(1, g.f.Dateinummer)
            .Zahl(2, g.f.Inhalt.Groesse)
            .Text(3, g.f.Inhalt.Hash)
            .Zahl(4, g.f.Mtime)
            .Zahl(5, g.f.Gesehen)
            .Text(6, g.Name)
            .Text(7, g.Ordner)
            .Zahl(8, g.f.Geraet)
            .Zahl(9, g.f.Inode)
            .Ausfuehren());
  }
  t.Bestaetigen();
  return n;
}

}  // namespace vxm
