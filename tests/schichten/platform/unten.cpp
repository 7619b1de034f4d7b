#include "platform/text.h"
#include "basis/zustand.h"
