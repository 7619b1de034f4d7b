#include "keywords/registerzugriff.h"
#include "search/datensuche.h"
