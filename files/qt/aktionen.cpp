// Wiring of the file and folder actions into the main window.
#include "component/qt/frmdorvex.h"

namespace vxm {

void AktionenEinrichten(frmDorvex&) {}

}  // namespace vxm
