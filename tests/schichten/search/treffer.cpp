#include "files/dateidetails.h"
#include "basis/qt/bildschirm.h"
