#include "platform/dienste.h"

#include <iostream>

namespace vxm {
namespace {

Plattform Standard() {
  Plattform p;
  p.Dateien = std::make_shared<HostDateisystem>(Laufwerkstabelle::AusUmgebung());
  p.Meldungen = std::make_shared<KonsolenDialoge>(std::cin, std::cout);
  return p;
}

thread_local Plattform tDienste = Standard();

}  // namespace

Plattform& Dienste() { return tDienste; }

void DiensteZuruecksetzen() { tDienste = Standard(); }

}  // namespace vxm
