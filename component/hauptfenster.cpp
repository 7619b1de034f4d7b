#include "component/hauptfenster.h"

namespace vxm {
namespace {
// One window and one factory per thread, as the component state.
thread_local HauptfensterFabrik tFabrik;
thread_local std::shared_ptr<Hauptfenster> tFenster;
}  // namespace

HauptfensterFabrik& HauptfensterErzeugen() { return tFabrik; }

std::shared_ptr<Hauptfenster>& AktuellesHauptfenster() { return tFenster; }

}  // namespace vxm
