#include "platform/qt/protokoll.h"

namespace vxm {

Q_LOGGING_CATEGORY(vxmEreignisse, "vxm.ereignisse")

}  // namespace vxm
