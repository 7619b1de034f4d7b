#include "component/vxmdorvex.h"

#include "basis/zustand.h"
#include "component/hauptfenster.h"
#include "platform/fehler.h"

namespace vxm {

vxmDorvex::vxmDorvex() {
  Zustand().AufrufParameter.assign(kParameterAnzahl, Variant{});
}

vxmDorvex::~vxmDorvex() {
  try {
    Beenden();
  } catch (...) {
    // the host never sees errors of the component
  }
}

void vxmDorvex::Beenden() {
  if (auto fenster = AktuellesHauptfenster()) fenster->Entladen();
}

void vxmDorvex::Dorvex_Aufruf(std::vector<Variant>& Info) {
  auto& z = Zustand();
  try {
    z.AufrufParameter = Info;  // a copy: the caller's array stays as it is
    if (z.AufrufParameter.size() <= slot::FirmenDatenbank)
      throw VbFehler::Standard(fehlernr::IndexAusserhalb);
    z.DatenbankPfad = AlsText(z.AufrufParameter[slot::Datenbank]);
    z.FirmenDatenbank = AlsText(z.AufrufParameter[slot::FirmenDatenbank]);

    auto& erzeugen = HauptfensterErzeugen();
    if (!erzeugen) throw VbFehler::Standard(fehlernr::ObjektErstellung);
    fenster_ = erzeugen();
    if (!fenster_) throw VbFehler::Standard(fehlernr::ObjektErstellung);
    AktuellesHauptfenster() = fenster_;
    try {
      fenster_->ZeigeModal();
    } catch (const VbFehler& fehler) {
      if (fehler.Nummer != fehlernr::ObjektEntladen) throw;
      // The window unloaded itself while loading: not an error for the host.
      fenster_.reset();
      Beenden();
    }
    fenster_.reset();
  } catch (...) {
    // Any other failure ends the call silently.
    fenster_.reset();
  }
}

std::string vxmDorvex::SuchDokname() const { return Zustand().SuchDokname; }
void vxmDorvex::SuchDokname(const std::string& wert) { Zustand().SuchDokname = wert; }
std::string vxmDorvex::SuchDokpfad() const { return Zustand().SuchDokpfad; }
void vxmDorvex::SuchDokpfad(const std::string& wert) { Zustand().SuchDokpfad = wert; }

std::string Verbindungstext() {
  auto& parameter = Zustand().AufrufParameter;
  if (parameter.size() <= slot::Verbindung) parameter.resize(kParameterAnzahl);
  auto& wert = parameter[slot::Verbindung];
  const auto* text = std::get_if<std::string>(&wert.Wert());
  if (text && *text == kVerbindungAccess2000) return kVerbindungAccess2000;
  wert = Variant(kVerbindungAccess);
  return kVerbindungAccess;
}

}  // namespace vxm
