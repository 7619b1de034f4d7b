#include "files/dateiloeschen.h"

#include "files/registerpflege.h"
#include "files/registervorhaben.h"
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

}  // namespace vxm
