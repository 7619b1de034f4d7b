#include "platform/dienste.h"

#include <iostream>

namespace vxm {
namespace {

Plattform Standard() {
  Plattform p;
  p.Dateien = std::make_shared<HostDateisystem>(Laufwerkstabelle::AusUmgebung());
  // A host thread that installs nothing must never wait for an answer.
  p.Meldungen = std::make_shared<StilleDialoge>(std::cerr);
  return p;
}

thread_local Plattform tDienste = Standard();

}  // namespace

Plattform& Dienste() { return tDienste; }

void DiensteZuruecksetzen() { tDienste = Standard(); }

}  // namespace vxm
