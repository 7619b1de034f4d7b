// Logging categories of the window code (QT_LOGGING_RULES switches them,
// e.g. "vxm.*.debug=true").
#pragma once

#include <QLoggingCategory>

namespace vxm {

// Errors that an event handler left and nobody took.
Q_DECLARE_LOGGING_CATEGORY(vxmEreignisse)

}  // namespace vxm
