// Wiring of the keyword search panel into the main window.
#include "component/qt/frmdorvex.h"

namespace vxm {

void SuchPanelEinrichten(frmDorvex&) {}

}  // namespace vxm
