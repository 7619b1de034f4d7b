#include "files/dateiloeschen.h"

#include <optional>

#include "files/registerpflege.h"
#include "files/registervorhaben.h"
#include "keywords/registerzugriff.h"
#include "files/wiedererkennung.h"
#include "platform/dienste.h"
#include "platform/fehler.h"

namespace vxm {
namespace {

bool Da(const std::string& pfad) {
  try {
    return Dienste().Dateien->FileExists(pfad);
  } catch (const VbFehler&) {
    return false;
  }
}

std::string Pfad(const std::string& ordner, const std::string& name) {
  return !ordner.empty() && ordner.back() == '\\' ? ordner + name : ordner + "\\" + name;
}

}  // namespace

LoeschErgebnis DateiMitRegisterLoeschen(Datenbank& db, const std::string& ordner, const std::string& name,
                                       const std::function<bool(const std::string& pfad)>& entfernen, bool papierkorb) {
  const std::string pfad = Pfad(ordner, name);
  // Beside a file whose name differs in letter case only, the rows kept for
  // both spellings are the other's: they stay, only this file goes.
  if (!GrossKleinZwilling(db, name, ordner).empty())
    return entfernen(pfad) || !Da(pfad) ? LoeschErgebnis::Geloescht : LoeschErgebnis::NichtGeloescht;
  Vorhaben v;
  v.Art = papierkorb ? VorhabenArt::Papierkorb : VorhabenArt::Loeschen;
  v.QuellOrdner = ordner;
  v.QuellName = name;
  // A record another process completed before we held the lock: start again.
  for (int versuch = 0; versuch < 3; ++versuch) {
    v.Nummer = VorhabenEintragen(db, v);  // a locked register stops here: nothing changed
    bool weg = false;
    try {
      Transaktion t(db);
      if (!VorhabenVorhanden(db, v.Nummer)) continue;
      {
        Transaktion zeilen(db);
        VorhabenRegisterAnwenden(db, v);
        weg = entfernen(pfad) || !Da(pfad);
        if (weg) zeilen.Bestaetigen();
      }
      VorhabenLoeschen(db, v.Nummer);
      t.Bestaetigen();
      return weg ? LoeschErgebnis::Geloescht : LoeschErgebnis::NichtGeloescht;
    } catch (const VbFehler&) {
      if (!weg) {
        if (Da(pfad)) VorhabenVerwerfen(db, v.Nummer);
        throw;
      }
      // The file is gone, the commit failed: the record finishes it.
      try {
        RegisterVorhabenAbschliessen(db);
      } catch (const VbFehler&) {
        return LoeschErgebnis::RegisterOffen;
      }
      return LoeschErgebnis::Geloescht;
    }
  }
  return Da(pfad) ? LoeschErgebnis::NichtGeloescht : LoeschErgebnis::Geloescht;
}

namespace {

// Rows and disk under the register's lock; false when the record was
// dropped by another process before the lock was had.
bool ErsetzenEinheit(Datenbank& db, const Vorhaben& v, const std::function<bool(const std::string&)>& papierkorb) {
  const std::string neu = Pfad(v.QuellOrdner, v.QuellName), ziel = Pfad(v.ZielOrdner, v.ZielName);
  bool ersetzt = false;
  try {
    Transaktion t(db);
    if (!VorhabenVorhanden(db, v.Nummer)) return false;
    std::optional<Transaktion> zeilen(std::in_place, db);
    const std::vector<int32_t> wartend = ZeilenFuerPapierkorbBeiseite(db, v.ZielName, v.ZielOrdner);
    VorhabenRegisterAnwenden(db, v);
    bool imKorb = false, weg = false;
    try {
      imKorb = papierkorb(ziel);
      if (!imKorb) {
        // Written over after all: its rows go with the content they described.
        for (const int32_t n : wartend) BeiseiteVerwerfen(db, n);
        Dienste().Dateien->DeleteFile(ziel, true);
      }
      weg = true;
      Dienste().Dateien->Name(neu, ziel);
      ersetzt = true;
    } catch (const VbFehler& e) {
      // The old file stays with its rows; or it is gone and its rows wait or went.
      if (weg)
        zeilen->Bestaetigen();
      else
        zeilen.reset();
      VorhabenLoeschen(db, v.Nummer);
      t.Bestaetigen();
      throw VbFehler(e.Nummer, imKorb ? e.Beschreibung + " Die Datei " + ziel + " liegt im Papierkorb." : e.Beschreibung);
    }
    zeilen->Bestaetigen();
    VorhabenLoeschen(db, v.Nummer);
    t.Bestaetigen();
    return true;
  } catch (const VbFehler&) {
    if (!ersetzt) {
      VorhabenVerwerfen(db, v.Nummer);
      throw;
    }
    // The new file is in place, the commit failed: the record finishes it, now or at the next opening.
    try {
      RegisterVorhabenAbschliessen(db);
    } catch (const VbFehler&) {
    }
    return true;
  }
}

}  // namespace

void DateiErsetzenMitRegister(Datenbank& db, const std::string& ordner, const std::string& neuName,
                              const std::string& name, const std::function<bool(const std::string& pfad)>& papierkorb) {
  Vorhaben v;
  v.Art = VorhabenArt::Ersetzen;
  v.QuellOrdner = v.ZielOrdner = ordner;
  v.QuellName = neuName;
  v.ZielName = name;
  v.ZielInDenPapierkorb = true;
  for (int versuch = 0; versuch < 3; ++versuch) {
    v.Nummer = VorhabenEintragen(db, v);  // a locked register stops here: nothing changed
    if (ErsetzenEinheit(db, v, papierkorb)) return;
  }
  throw VbFehler(fehlernr::Gesperrt, "Die Datenbank " + db.Datei() + " ist durch einen anderen Vorgang gesperrt.");
}

}  // namespace vxm
