// The real main window for the entry class: a host calls
// OberflaecheEinrichten() once on its user-interface thread; from then on
// vxmDorvex::Dorvex_Aufruf opens frmDorvex modally.
#pragma once

#include <functional>

namespace vxm {

class frmDorvex;

void OberflaecheEinrichten();

// Called after the load step, before the window runs its events (tests and
// the demo's screenshot use it; the window is visible by then).
std::function<void(frmDorvex&)>& NachDemLaden();

}  // namespace vxm
