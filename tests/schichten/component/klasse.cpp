#include "basis/zustand.h"
#include "component/qt/oberflaeche.h"
