#include "platform/komponenten.h"

#include "platform/fehler.h"

namespace vxm {

std::unique_ptr<AllgFehlerProgramm> AussenKomponenten::AllgErrorErzeugen() const {
  if (!vxmAllgError) throw VbFehler::Standard(fehlernr::ObjektErstellung);
  auto objekt = vxmAllgError();
  if (!objekt) throw VbFehler::Standard(fehlernr::ObjektErstellung);
  return objekt;
}

std::unique_ptr<vxm::AdressExport> AussenKomponenten::AdressExportErzeugen() const {
  if (!AdressExport) throw VbFehler::Standard(fehlernr::ObjektErstellung);
  auto objekt = AdressExport();
  if (!objekt) throw VbFehler::Standard(fehlernr::ObjektErstellung);
  return objekt;
}

std::unique_ptr<Terminverwaltung> AussenKomponenten::TerminverwaltungErzeugen() const {
  if (!vxmTerminverwaltung) throw VbFehler::Standard(fehlernr::ObjektErstellung);
  auto objekt = vxmTerminverwaltung();
  if (!objekt) throw VbFehler::Standard(fehlernr::ObjektErstellung);
  return objekt;
}

}  // namespace vxm
