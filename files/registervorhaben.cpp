#include "files/registervorhaben.h"

#include <unistd.h>

#include "files/registerpflege.h"
#include "files/wiedererkennung.h"
#include "files/fingerabdruck.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/oeffner.h"
#include "platform/pgschema.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"
#include "platform/verbindung.h"

namespace vxm {
namespace {

using sql::Abfrage;

// The table of records, made on first use. On a server its names are
// unquoted (lower case there), so statements find them before the
// connection has read the new table's names; a register made there by
// `vxmdorvex-register anlegen` has it from the start.
constexpr const char* kTabelleSqlite =
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
                              {VorhabenArt::Loeschen, "Loeschen"},
                              {VorhabenArt::Papierkorb, "Papierkorb"},
                              {VorhabenArt::Ersetzen, "Ersetzen"}};

// A target that goes into the trash is marked on the kind, so an older
// version, which would drop the target's rows, leaves the record alone.
constexpr std::string_view kZielImKorb = "+Papierkorb";

std::string ArtText(const Vorhaben& v) {
  for (const auto& n : kArten)
    if (n.Art == v.Art) return std::string(n.Text) + (v.ZielInDenPapierkorb ? std::string(kZielImKorb) : "");
  return "";
}

bool TabelleDa(Datenbank& db) { return !db.Anbindung().Spalten("vxm_vorhaben").empty(); }

void TabelleAnlegen(Datenbank& db) {
  if (TabelleDa(db)) return;
  Verbindung& v = db.Anbindung();
  v.Ausfuehren(v.Ziel() == SqlZiel::PostgreSQL ? kVorhabenTabelleServer : kTabelleSqlite, "vxm_vorhaben");
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

bool OrdnerDa(const std::string& p) { return vxm::OrdnerDa(*Dienste().Dateien, p); }
bool DateiDa(const std::string& p) { return vxm::DateiDa(*Dienste().Dateien, p); }

// After a copy the target holds the source's bytes; before it, the old ones.
bool GleicherInhalt(const std::string& a, const std::string& b) {
  try {
    return Dienste().Dateien->DateiLesen(a) == Dienste().Dateien->DateiLesen(b);
  } catch (const VbFehler&) {
    return false;
  }
}

enum class Urteil { Vollenden, Verwerfen, Offen };

// Whether the file at the target still holds what the target's rows knew
// when the record was made (no print: cannot tell, taken as still there).
bool ZielUnveraendert(Datenbank& db, const Vorhaben& v) {
  for (const int32_t n : RegisterDateiNummern(db, v.ZielName, v.ZielOrdner))
    if (const auto f = FingerabdruckLesen(db, n)) {
      try {
        const auto jetzt = InhaltLesen(HostPfadVon(Pfad(v.ZielOrdner, v.ZielName)));
        return jetzt && *jetzt == f->Inhalt;
      } catch (const VbFehler&) {
        return true;
      }
    }
  return true;
}

Urteil Beurteilen(Datenbank& db, const Vorhaben& v) {
  if (v.Art == VorhabenArt::OrdnerUmbenennen) {
    // Rows identify folders case-blind: a change of case alone needs nothing.
    if (GleichOhneFall(v.QuellOrdner, v.ZielOrdner)) return Urteil::Verwerfen;
    const bool alt = OrdnerDa(v.QuellOrdner), neu = OrdnerDa(v.ZielOrdner);
    if (neu && !alt) return Urteil::Vollenden;
    if (alt) return Urteil::Verwerfen;  // never renamed (a rename never replaces a folder)
    return Urteil::Offen;               // neither there: a drive away, or removed meanwhile
  }
  if (v.Art == VorhabenArt::Loeschen || v.Art == VorhabenArt::Papierkorb)
    return DateiDa(Pfad(v.QuellOrdner, v.QuellName)) ? Urteil::Verwerfen : Urteil::Vollenden;
  const std::string quelle = Pfad(v.QuellOrdner, v.QuellName), ziel = Pfad(v.ZielOrdner, v.ZielName);
  const bool q = DateiDa(quelle), z = DateiDa(ziel);
  if (v.Art == VorhabenArt::Ersetzen) {
    // The old file gone: the new one is (or is now put) in its place.
    if (q != z) return q || !ZielUnveraendert(db, v) ? Urteil::Vollenden : Urteil::Verwerfen;
    return q ? Urteil::Verwerfen : Urteil::Offen;
  }
  if (q && z && GleicherInhalt(quelle, ziel)) return Urteil::Vollenden;
  if (q) return Urteil::Verwerfen;
  // The source went only after its copy was complete.
  if (v.Art == VorhabenArt::Verschieben && z) return Urteil::Vollenden;
  return Urteil::Offen;
}

std::string Beschreibung(const Vorhaben& v) {
  if (v.Art == VorhabenArt::OrdnerUmbenennen)
    return "Umbenennen des Ordners " + v.QuellOrdner + " in " + v.ZielOrdner;
  if (v.Art == VorhabenArt::Loeschen || v.Art == VorhabenArt::Papierkorb)
    return "Löschen der Datei " + Pfad(v.QuellOrdner, v.QuellName);
  if (v.Art == VorhabenArt::Ersetzen) return "Ersetzen der Datei " + Pfad(v.ZielOrdner, v.ZielName);
  return std::string(v.Art == VorhabenArt::Verschieben ? "Verschieben" : "Kopieren") + " der Datei " +
         Pfad(v.QuellOrdner, v.QuellName) + " nach " + Pfad(v.ZielOrdner, v.ZielName);
}

// Prints of the rows of a file about to go into the trash.
void AbdrueckeNehmen(Datenbank& db, const std::string& name, const std::string& ordner) {
  for (const int32_t n : RegisterDateiNummern(db, name, ordner)) FingerabdruckNehmen(db, n, ordner, name);
}

// The finished file of a replace, cut off before it took its place, takes it now.
void NeueAnDenPlatz(const Vorhaben& v, VorhabenBilanz& b) {
  const std::string neu = Pfad(v.QuellOrdner, v.QuellName), ziel = Pfad(v.ZielOrdner, v.ZielName);
  if (!DateiDa(neu) || DateiDa(ziel)) return;
  try {
    Dienste().Dateien->Name(neu, ziel);
  } catch (const VbFehler& e) {
    b.Berichte.push_back("Die neue Datei " + ziel + " konnte nicht an ihren Platz gebracht werden (" + e.Beschreibung +
                         ").");
  }
}

}  // namespace

int64_t VorhabenEintragen(Datenbank& db, const Vorhaben& v) {
  db.Schreibpruefung();
  Transaktion t(db);
  TabelleAnlegen(db);
  if (v.Art == VorhabenArt::Papierkorb) AbdrueckeNehmen(db, v.QuellName, v.QuellOrdner);
  if (v.ZielInDenPapierkorb) AbdrueckeNehmen(db, v.ZielName, v.ZielOrdner);
  const int64_t nummer = sql::Einfuegen(db,
                                        "INSERT INTO vxm_vorhaben (Art, QuellOrdner, QuellName, ZielOrdner, "
                                        "ZielName, Prozess) VALUES (?1, ?2, ?3, ?4, ?5, ?6)")
                             .Text(1, ArtText(v))
                             .Text(2, v.QuellOrdner)
                             .Text(3, v.QuellName)
                             .Text(4, v.ZielOrdner)
                             .Text(5, v.ZielName)
                             .Text(6, Prozess())
                             .Ausfuehren();
  t.Bestaetigen();
  return nummer;
}

bool VorhabenVorhanden(Datenbank& db, int64_t nummer) {
  if (!TabelleDa(db)) return false;
  return Abfrage(db, "SELECT 1 FROM vxm_vorhaben WHERE Nummer = ?1").Zahl(1, nummer).Zeile();
}

void VorhabenLoeschen(Datenbank& db, int64_t nummer) {
  if (!TabelleDa(db)) return;
  Abfrage(db, "DELETE FROM vxm_vorhaben WHERE Nummer = ?1").Zahl(1, nummer).Ausfuehren();
}

void VorhabenVerwerfen(Datenbank& db, int64_t nummer) noexcept {
  try {
    VorhabenLoeschen(db, nummer);
  } catch (...) {
    // the register away: the record stays, as after a crash
  }
}

std::vector<Vorhaben> OffeneVorhaben(Datenbank& db) {
  std::vector<Vorhaben> offen;
  if (!TabelleDa(db)) return offen;
  Abfrage a(db,
            "SELECT Nummer, Art, QuellOrdner, QuellName, ZielOrdner, ZielName FROM vxm_vorhaben ORDER BY Nummer");
  while (a.Zeile()) {
    Vorhaben v;
    v.Nummer = a.ZahlSpalte(0);
    std::string_view art = a.Spalte(1);
    if (art.ends_with(kZielImKorb)) {
      art.remove_suffix(kZielImKorb.size());
      v.ZielInDenPapierkorb = true;
    }
    bool bekannt = false;
    for (const auto& n : kArten)
      if (art == n.Text) {
        v.Art = n.Art;
        bekannt = true;
      }
    if (!bekannt) continue;  // written by a later version: left to it
    v.QuellOrdner = a.Spalte(2);
    v.QuellName = a.Spalte(3);
    v.ZielOrdner = a.Spalte(4);
    v.ZielName = a.Spalte(5);
    offen.push_back(std::move(v));
  }
  return offen;
}

namespace {

// A file into the trash: its rows wait set aside, bound to their place, so
// that only the file put back there, with the content its print knows,
// takes them back (the file restored from the trash has its keywords again;
// a copy elsewhere, or another file written under its name, does not).
void ZeilenBeiseiteFuerRueckkehr(Datenbank& db, const std::string& name, const std::string& ordner) {
  if (!AbgleichTabellenDa(db)) AbgleichTabellenAnlegen(db);
  for (int32_t n : RegisterDateiNummern(db, name, ordner)) ZeileBeiseitelegen(db, n, grund::Papierkorb, "");
}

}  // namespace

std::vector<int32_t> ZeilenFuerPapierkorbBeiseite(Datenbank& db, const std::string& name, const std::string& ordner) {
  std::vector<int32_t> wartend;
  if (!AbgleichTabellenDa(db)) return wartend;
  for (const int32_t n : RegisterDateiNummern(db, name, ordner)) {
    if (!FingerabdruckLesen(db, n)) continue;
    ZeileBeiseitelegen(db, n, grund::Papierkorb, "");
    wartend.push_back(n);
  }
  return wartend;
}

void VorhabenRegisterAnwenden(Datenbank& db, const Vorhaben& v) {
  Transaktion t(db);
  if (v.Art == VorhabenArt::OrdnerUmbenennen) {
    RegisterOrdnerNachziehen(db, v.QuellOrdner, v.ZielOrdner);
  } else if (v.Art == VorhabenArt::Loeschen) {
    RegisterDateiZeilenEntfernen(db, v.QuellName, v.QuellOrdner);
  } else if (v.Art == VorhabenArt::Papierkorb) {
    ZeilenBeiseiteFuerRueckkehr(db, v.QuellName, v.QuellOrdner);
  } else {
    // A change of case only is the file's own row, nothing gives way.
    if (!GleichOhneFall(Pfad(v.QuellOrdner, v.QuellName), Pfad(v.ZielOrdner, v.ZielName))) {
      if (v.ZielInDenPapierkorb) ZeilenFuerPapierkorbBeiseite(db, v.ZielName, v.ZielOrdner);
      RegisterDateiZeilenEntfernen(db, v.ZielName, v.ZielOrdner);
    }
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
  // The usual case reads the empty table and writes nothing.
  if (OffeneVorhaben(db).empty() || db.Anbindung().NurLesen()) return b;
  db.Schreibpruefung();
  Transaktion t(db);  // waits for an owner still at work
  for (const Vorhaben& v : OffeneVorhaben(db)) {
    switch (Beurteilen(db, v)) {
      case Urteil::Vollenden:
        VorhabenRegisterAnwenden(db, v);
        // A copy that took keywords is known by its content from the start,
        // as after an uncut copy.
        if (v.Art == VorhabenArt::KopierenMitKeywords) AbdrueckeNehmen(db, v.ZielName, v.ZielOrdner);
        if (v.Art == VorhabenArt::Ersetzen) NeueAnDenPlatz(v, b);
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
        // Cut off between the trash and the copy: the old target waits there.
        if (v.ZielInDenPapierkorb && !DateiDa(Pfad(v.ZielOrdner, v.ZielName))) {
          ZeilenFuerPapierkorbBeiseite(db, v.ZielName, v.ZielOrdner);
          b.Berichte.push_back(Beschreibung(v) + ": abgebrochen, bevor die neue Datei an ihren Platz kam; die Datei " +
                               Pfad(v.ZielOrdner, v.ZielName) +
                               " liegt im Papierkorb und bekommt ihre Keywörter wieder, wenn sie an ihren Platz "
                               "zurückgelegt wird.");
          break;
        }
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
