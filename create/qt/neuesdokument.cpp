// Wiring of new documents and serial letters into the main window.
#include "component/qt/frmdorvex.h"

namespace vxm {

void NeuesDokumentEinrichten(frmDorvex&) {}

}  // namespace vxm
