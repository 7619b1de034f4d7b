// Wiring of the keyword panel into the main window.
#include "component/qt/frmdorvex.h"

namespace vxm {

void KeywortPanelEinrichten(frmDorvex&) {}

}  // namespace vxm
