// Reconciling the document path of the company record, the user's settings
// and the host data folder at start-up.
#include "component/dokpfad.h"

#include <vector>

#include "basis/dateifunktionen.h"
#include "basis/einstellungen.h"
#include "basis/fehlermelden.h"
#include "platform/datenbank.h"
#include "platform/dialoge.h"
#include "platform/fehler.h"
#include "platform/text.h"
#include "store/ordnerlayout.h"

namespace vxm {
namespace {

// The configured path and at most 20 parents are remembered for creation.
constexpr std::size_t kMaxPfadEbenen = 21;

}  // namespace

std::optional<std::string> FirmenstammQuelle::DokPfadLesen() {
  quelle_.RecordSource = "SELECT * FROM AllgFirmenDaten";
  quelle_.Refresh();
  auto& rs = quelle_.Rs();
  if (rs.RecordCount() == 0) return std::nullopt;
  rs.MoveFirst();
  const Variant v = rs.Feld("VXMDOKPfad");
  return v.IstNull() ? std::string() : AlsText(v);
}

void FirmenstammQuelle::DokPfadSchreiben(const std::string& pfad) {
  auto& rs = quelle_.Rs();
  rs.MoveFirst();
  rs.Edit();
  rs.FeldSetzen("VXMDOKPfad", Variant(pfad));
  rs.Update();
}

DokPfadAbgleich::DokPfadAbgleich(Firmenstamm& firma, Dialoge& meldungen, std::string datenbankPfad,
                                 std::string konfigDokPfad, std::string dokWurzel)
    : firma_(firma),
      meldungen_(meldungen),
      datenbankPfad_(std::move(datenbankPfad)),
      konfig_(std::move(konfigDokPfad)),
      wurzel_(std::move(dokWurzel)) {}

bool DokPfadAbgleich::Fehler(const std::exception& e) {
  if (Ladefehler) return Ladefehler(e);
  FehlerMelden(e);
  return true;
}

bool DokPfadAbgleich::Lesen(const char* name) {
  std::string wert;
  const bool gelesen = RegWertLesen(kRegSchluessel, name, wert);
  // A value read replaces the configured path (RegWertLesen does the same to
  // the component state); an empty one leaves the path as it was.
  if (gelesen && !wert.empty()) konfig_ = wert;
  return gelesen;
}

DokPfadEntscheidung DokPfadAbgleich::Festlegen() {
  Abgleichen();
  const bool weiter = konfig_.empty() ? AbgeleitetenPfadAnwenden() : KonfigPfadAnwenden();
  return {konfig_, wurzel_, !weiter};
}

void DokPfadAbgleich::Abgleichen() {
  try {
    const std::optional<std::string> gespeichert = firma_.DokPfadLesen();
    const std::string d = gespeichert.value_or("");
    if (!d.empty()) {
      // The company record wins over the settings.
      if (Lesen(kRegDokPfad) && !konfig_.empty() && konfig_ == d) return;
      SaveSetting(kRegAnwendung, kRegAbschnitt, kRegDokPfad, d);
      konfig_ = d;
      return;
    }
    if (Lesen(kRegDokPfad)) {
      if (konfig_.empty()) return;
      firma_.DokPfadSchreiben(konfig_);
      return;
    }
    if (Lesen(kRegDatPfad) && !konfig_.empty()) {
      // The host data folder's parent holds the store.
      std::string p = konfig_;
      while (p.size() > 3 && p.back() == '\\') p.pop_back();
      const auto pos = p.rfind('\\');
      if (pos != std::string::npos) p = p.substr(0, pos);
      konfig_ = p;
      SaveSetting(kRegAnwendung, kRegAbschnitt, kRegDokPfad, p + "\\" + kDokOrdnerName);
      if (gespeichert) firma_.DokPfadSchreiben(p);
      return;
    }
    meldungen_.MsgBox(kMeldungInstallationFehlerhaft, vbOKOnly, "");
  } catch (const VbFehler& e) {
    // A company table without the field: the record plays no part.
    if (e.Nummer == fehlernr::FeldFehlt) return;
    FehlerMelden(e);
  } catch (const std::exception& e) {
    FehlerMelden(e);
  }
}

bool DokPfadAbgleich::FirmenPfadSchreiben(const std::string& pfad) {
  try {
    if (!firma_.DokPfadLesen()) return true;
    firma_.DokPfadSchreiben(pfad);
  } catch (const std::exception& e) {
    return Fehler(e);
  }
  return true;
}

bool DokPfadAbgleich::KonfigPfadAnwenden() {
  try {
    const std::string u = Gross(konfig_);
    const std::string laufwerk = u.substr(0, 1);
    if (!LaufwerkVorhanden(laufwerk)) {
      meldungen_.MsgBox("Laufwerkspfad \"" + laufwerk + ":\" nicht gefunden!" + vbCrLf +
                            "Bitte überprüfen Sie den angegebenen Pfad im Firmenstamm!",
                        vbCritical, kMeldungPfadFehltTitel);
      return false;
    }
    // Walk up to the first folder that exists, then create the rest top-down.
    std::vector<std::string> fehlend;
    std::string p = u;
    bool ueberlauf = false;
    while (!p.empty() && !OrdnerLesbar(p)) {
      if (fehlend.size() == kMaxPfadEbenen) {
        ueberlauf = true;
        break;
      }
      fehlend.push_back(p);
      const auto pos = p.rfind('\\');
      if (pos == std::string::npos || pos < 3) break;
      p = p.substr(0, pos);
    }
    if (ueberlauf)
      FehlerMelden(VbFehler(fehlernr::IndexAusserhalb,
                            "Der konfigurierte Pfad liegt mehr als 20 Ebenen unter dem ersten vorhandenen Ordner."));
    for (auto it = fehlend.rbegin(); it != fehlend.rend(); ++it) OrdnerAnlegen(*it);
    if (!FirmenPfadSchreiben(u)) return false;
    Abgleichen();
    wurzel_ = DokWurzelBestimmen(konfig_, datenbankPfad_);
    if (!EnthaeltOhneFall(Gross(konfig_), std::string("\\") + kDokOrdnerName)) konfig_ = wurzel_;
  } catch (const std::exception& e) {
    return Fehler(e);
  }
  return true;
}

bool DokPfadAbgleich::AbgeleitetenPfadAnwenden() {
  try {
    wurzel_ = DokWurzelBestimmen("", datenbankPfad_);
    if (!FirmenPfadSchreiben(wurzel_)) return false;
    Abgleichen();
    if (!OrdnerVorhanden(wurzel_) && !OrdnerAnlegen(wurzel_)) {
      meldungen_.MsgBox(std::string("Der angegebene Pfad für die Dokumentenverwaltung konnte nicht erstellt werden") +
                            vbCrLf + "Es ist anzunehmen dass ihre Einstellungen falsch konfiguriert wurden...",
                        vbOKOnly, "");
      return false;
    }
  } catch (const std::exception& e) {
    return Fehler(e);
  }
  return true;
}

}  // namespace vxm
