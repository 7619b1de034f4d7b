#include "files/registerpflege.h"
#include "platform/qt/steuerelemente.h"
#include "component/qt/frmdorvex.h"
#include "files/qt/aktionen.h"
