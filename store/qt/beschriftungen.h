// Captions of the host's entities for the folder being viewed.
#pragma once

#include <string>

class QLabel;
class QWidget;

namespace vxm {

class Datenquelle;

// Where the captions come from and go to.
struct EntitaetsAnzeige {
  Datenquelle& Objekte;   // OO_DATA
  Datenquelle& Einheiten; // BE_DATA
  Datenquelle& Nehmer;    // BN_DATA
  QLabel* ObjName;
  QLabel* BeName;
  QLabel* BnName;
  QWidget* Rahmen;        // shown when any caption was found
};

// Captions of the object, unit and tenant that the folder path names. An
// error goes to the general error report, during the load step to the
// caller.
void EntitaetenBeschriften(const std::string& ordner, const EntitaetsAnzeige& a);

}  // namespace vxm
