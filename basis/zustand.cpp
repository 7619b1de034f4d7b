#include "basis/zustand.h"

namespace vxm {
namespace {
thread_local Komponentenzustand tZustand;
}

Komponentenzustand& Zustand() { return tZustand; }

void ZustandZuruecksetzen() { tZustand = Komponentenzustand{}; }

}  // namespace vxm
