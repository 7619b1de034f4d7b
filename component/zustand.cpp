#include "component/zustand.h"

namespace vxm {
namespace {
thread_local Komponentenzustand tZustand;
}

Komponentenzustand& Zustand() { return tZustand; }

void ZustandZuruecksetzen() {
  auto fabrik = std::move(tZustand.HauptfensterErzeugen);
  tZustand = Komponentenzustand{};
  tZustand.HauptfensterErzeugen = std::move(fabrik);
}

}  // namespace vxm
