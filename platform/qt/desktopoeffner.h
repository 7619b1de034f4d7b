// Opening documents through the desktop's services (QDesktopServices).
#pragma once

#include "platform/oeffner.h"

namespace vxm {

// The opener of a window process: the desktop hands the file to its program
// (or to the portal in a sandbox); nothing that could take it gives the
// standard opener's message.
Oeffner DesktopOeffner();

}  // namespace vxm
