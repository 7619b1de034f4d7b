// Wiring of scanning into the main window.
#include "component/qt/frmdorvex.h"

namespace vxm {

void BilderEinrichten(frmDorvex&) {}

}  // namespace vxm
