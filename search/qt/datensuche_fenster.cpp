// Wiring of the name and text search into the main window.
#include "component/qt/frmdorvex.h"

namespace vxm {

void DatenSucheEinrichten(frmDorvex&) {}

}  // namespace vxm
