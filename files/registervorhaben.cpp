#include "files/registervorhaben.h"

#include <sqlite3.h>
#include <unistd.h>

#include "files/registerpflege.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"

namespace vxm {
namespace {

using sql::SpaltenText;
using sql::TextBinden;
using sql::Zuruecksetzen;

constexpr const char* kTabelle =
    "CREATE TABLE IF NOT EXISTS vxm_vorhaben ("
    "Nummer INTEGER PRIMARY KEY AUTOINCREMENT, Art TEXT NOT NULL, "
    "QuellOrdner TEXT NOT NULL, QuellName TEXT NOT NULL, ZielOrdner TEXT NOT NULL, ZielName TEXT NOT NULL, "
    "Prozess TEXT, Angelegt TEXT NOT NULL DEFAULT (datetime('now')))";

struct ArtName {
  VorhabenArt Art;
  const char* Text;
};
constexpr ArtName kArten[] = {{VorhabenArt::OrdnerUmbenennen, "OrdnerUmbenennen"},
                              {VorhabenArt::Verschieben, "Verschieben"},
                              {VorhabenArt::Kopieren, "Kopieren"},
                              {VorhabenArt::KopierenMitKeywords, "KopierenMitKeywords"},
                              {VorhabenArt::Loeschen, "Loeschen"}};

const char* ArtText(VorhabenArt a) {
  for (const auto& n : kArten)
    if (n.Art == a) return n.Text;
  return "";
}

void Ausfuehren(Datenbank& db, sqlite3_stmt* s) {
  Zuruecksetzen z{s};
  const int rc = sqlite3_step(s);
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) db.Fehler(rc);
}

bool TabelleDa(Datenbank& db) {
  sqlite3_stmt* s = db.Anweisung("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'vxm_vorhaben'");
  Zuruecksetzen z{s};
  const int rc = sqlite3_step(s);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) db.Fehler(rc);
  return rc == SQLITE_ROW;
}

std::string Prozess() {
  char rechner[256] = {};
  if (::gethostname(rechner, sizeof rechner - 1) != 0) rechner[0] = 0;
  return std::to_string(::getpid()) + "@" + rechner;
}

std::string Pfad(const std::string& ordner, const std::string& name) {
  if (name.empty()) return ordner;
  return !ordner.empty() && ordner.back() == '\\' ? ordner + name : ordner + "\\" + name;
}

bool OrdnerDa(const std::string& p) {
  try {
    Dienste().Dateien->GetFolder(p);
    return true;
  } catch (const VbFehler&) {
    return false;
  }
}

bool DateiDa(const std::string& p) {
  try {
    return Dienste().Dateien->FileExists(p);
  } catch (const VbFehler&) {
    return false;
  }
}

// After a copy the target holds the source's bytes; before it, the old ones.
bool GleicherInhalt(const std::string& a, const std::string& b) {
  try {
    return Dienste().Dateien->DateiLesen(a) == Dienste().Dateien->DateiLesen(b);
  } catch (const VbFehler&) {
    return false;
  }
}

enum class Urteil { Vollenden, Verwerfen, Offen };

Urteil Beurteilen(const Vorhaben& v) {
  if (v.Art == VorhabenArt::OrdnerUmbenennen) {
    // Rows identify folders case-blind: a change of case alone needs nothing.
    if (GleichOhneFall(v.QuellOrdner, v.ZielOrdner)) return Urteil::Verwerfen;
    const bool alt = OrdnerDa(v.QuellOrdner), neu = OrdnerDa(v.ZielOrdner);
    if (neu && !alt) return Urteil::Vollenden;
    if (alt) return Urteil::Verwerfen;  // never renamed (a rename never replaces a folder)
    return Urteil::Offen;               // neither there: a drive away, or removed meanwhile
  }
  if (v.Art == VorhabenArt::Loeschen) return DateiDa(Pfad(v.QuellOrdner, v.QuellName)) ? Urteil::Verwerfen : Urteil::Vollenden;
  const std::string quelle = Pfad(v.QuellOrdner, v.QuellName), ziel = Pfad(v.ZielOrdner, v.ZielName);
  const bool q = DateiDa(quelle), z = DateiDa(ziel);
  if (q && z && GleicherInhalt(quelle, ziel)) return Urteil::Vollenden;
  if (q) return Urteil::Verwerfen;
  // The source went only after its copy was complete.
  if (v.Art == VorhabenArt::Verschieben && z) return Urteil::Vollenden;
  return Urteil::Offen;
}

std::string Beschreibung(const Vorhaben& v) {
  if (v.Art == VorhabenArt::OrdnerUmbenennen)
    return "Umbenennen des Ordners " + v.QuellOrdner + " in " + v.ZielOrdner;
  if (v.Art == VorhabenArt::Loeschen) return "Löschen der Datei " + Pfad(v.QuellOrdner, v.QuellName);
  return std::string(v.Art == VorhabenArt::Verschieben ? "Verschieben" : "Kopieren") + " der Datei " +
         Pfad(v.QuellOrdner, v.QuellName) + " nach " + Pfad(v.ZielOrdner, v.ZielName);
}

}  // namespace

int64_t VorhabenEintragen(Datenbank& db, const Vorhaben& v) {
  db.Schreibpruefung();
  Transaktion t(db);
  const int rc = sqlite3_exec(db.Handle(), kTabelle, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) db.Fehler(rc, "vxm_vorhaben");
  sqlite3_stmt* s = db.Anweisung(
      "INSERT INTO vxm_vorhaben (Art, QuellOrdner, QuellName, ZielOrdner, ZielName, Prozess) "
      "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
  TextBinden(s, 1, ArtText(v.Art));
  TextBinden(s, 2, v.QuellOrdner);
  TextBinden(s, 3, v.QuellName);
  TextBinden(s, 4, v.ZielOrdner);
  TextBinden(s, 5, v.ZielName);
  TextBinden(s, 6, Prozess());
  Ausfuehren(db, s);
  const int64_t nummer = sqlite3_last_insert_rowid(db.Handle());
  t.Bestaetigen();
  return nummer;
}

bool VorhabenVorhanden(Datenbank& db, int64_t nummer) {
  if (!TabelleDa(db)) return false;
  sqlite3_stmt* s = db.Anweisung("SELECT 1 FROM vxm_vorhaben WHERE Nummer = ?1");
  Zuruecksetzen z{s};
  sqlite3_bind_int64(s, 1, nummer);
  const int rc = sqlite3_step(s);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) db.Fehler(rc);
  return rc == SQLITE_ROW;
}

void VorhabenLoeschen(Datenbank& db, int64_t nummer) {
  if (!TabelleDa(db)) return;
  sqlite3_stmt* s = db.Anweisung("DELETE FROM vxm_vorhaben WHERE Nummer = ?1");
  sqlite3_bind_int64(s, 1, nummer);
  Ausfuehren(db, s);
}

std::vector<Vorhaben> OffeneVorhaben(Datenbank& db) {
  std::vector<Vorhaben> offen;
  if (!TabelleDa(db)) return offen;
  sqlite3_stmt* s = db.Anweisung(
      "SELECT Nummer, Art, QuellOrdner, QuellName, ZielOrdner, ZielName FROM vxm_vorhaben ORDER BY Nummer");
  Zuruecksetzen z{s};
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    Vorhaben v;
    v.Nummer = sqlite3_column_int64(s, 0);
    const std::string_view art = SpaltenText(s, 1);
    bool bekannt = false;
    for (const auto& n : kArten)
      if (art == n.Text) {
        v.Art = n.Art;
        bekannt = true;
      }
    if (!bekannt) continue;  // written by a later version: left to it
    v.QuellOrdner = SpaltenText(s, 2);
    v.QuellName = SpaltenText(s, 3);
    v.ZielOrdner = SpaltenText(s, 4);
    v.ZielName = SpaltenText(s, 5);
    offen.push_back(std::move(v));
  }
  if (rc != SQLITE_DONE) db.Fehler(rc);
  return offen;
}

void VorhabenRegisterAnwenden(Datenbank& db, const Vorhaben& v) {
  Transaktion t(db);
  if (v.Art == VorhabenArt::OrdnerUmbenennen) {
    RegisterOrdnerNachziehen(db, v.QuellOrdner, v.ZielOrdner);
  } else if (v.Art == VorhabenArt::Loeschen) {
    RegisterDateiZeilenEntfernen(db, v.QuellName, v.QuellOrdner);
  } else {
    // A change of case only is the file's own row, nothing gives way.
    if (!GleichOhneFall(Pfad(v.QuellOrdner, v.QuellName), Pfad(v.ZielOrdner, v.ZielName)))
      RegisterDateiZeilenEntfernen(db, v.ZielName, v.ZielOrdner);
    if (v.Art == VorhabenArt::Verschieben &&
        RegisterDateiVerschieben(db, v.QuellName, v.QuellOrdner, v.ZielName, v.ZielOrdner) &&
        !GleichOhneFall(Pfad(v.QuellOrdner, v.QuellName), Pfad(v.ZielOrdner, v.ZielName)))
      RegisterDateiZeilenEntfernen(db, v.QuellName, v.QuellOrdner);  // further rows of an old register
    else if (v.Art == VorhabenArt::KopierenMitKeywords)
      RegisterDateiKopieren(db, v.QuellName, v.QuellOrdner, v.ZielName, v.ZielOrdner);
  }
  t.Bestaetigen();
}

VorhabenBilanz RegisterVorhabenAbschliessen(Datenbank& db) {
  VorhabenBilanz b;
  if (sqlite3_db_readonly(db.Handle(), "main") == 1) return b;
  // The usual case reads one row of the schema and writes nothing.
  if (OffeneVorhaben(db).empty()) return b;
  db.Schreibpruefung();
  Transaktion t(db);  // waits for an owner still at work
  for (const Vorhaben& v : OffeneVorhaben(db)) {
    switch (Beurteilen(v)) {
      case Urteil::Vollenden:
        VorhabenRegisterAnwenden(db, v);
        if (v.Art == VorhabenArt::Verschieben) {
          // The copy is complete: the source goes, as the move would have done.
          const std::string quelle = Pfad(v.QuellOrdner, v.QuellName);
          if (DateiDa(quelle)) {
            try {
              Dienste().Dateien->DeleteFile(quelle, false);
            } catch (const VbFehler&) {
              b.Berichte.push_back("Die Datei " + quelle + " konnte nicht gelöscht werden; sie bleibt ohne Keywörter.");
            }
          }
        }
        VorhabenLoeschen(db, v.Nummer);
        ++b.Vollendet;
        b.Berichte.push_back(Beschreibung(v) + ": abgebrochen nach dem Schritt auf dem Datenträger, Register nachgeführt.");
        break;
      case Urteil::Verwerfen:
        VorhabenLoeschen(db, v.Nummer);
        ++b.Verworfen;
        b.Berichte.push_back(Beschreibung(v) + ": abgebrochen vor dem Schritt auf dem Datenträger, nichts verändert.");
        break;
      case Urteil::Offen:
        ++b.Offen;
        b.Berichte.push_back(Beschreibung(v) + ": nicht beurteilbar (Quelle und Ziel fehlen), bleibt vorgemerkt.");
        break;
    }
  }
  t.Bestaetigen();
  return b;
}

}  // namespace vxm
