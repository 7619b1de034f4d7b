// The public class the host creates and calls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "basis/aufrufparameter.h"
#include "platform/variant.h"

namespace vxm {

class Hauptfenster;

inline constexpr const char* kVerbindungAccess2000 = "Access 2000;";
inline constexpr const char* kVerbindungAccess = "Access";

class vxmDorvex {
 public:
  vxmDorvex();
  ~vxmDorvex();
  vxmDorvex(const vxmDorvex&) = delete;
  vxmDorvex& operator=(const vxmDorvex&) = delete;

  // Takes the host's parameter array (slots 0 to 100), shows the main window
  // modally and returns when it has been closed. Never raises an error to
  // the host.
  void Dorvex_Aufruf(std::vector<Variant>& Info);

  std::string SuchDokname() const;
  void SuchDokname(const std::string& wert);
  std::string SuchDokpfad() const;
  void SuchDokpfad(const std::string& wert);

 private:
  void Beenden();

  std::shared_ptr<Hauptfenster> fenster_;
};

// Connect text of the data sources, taken from slot 4 of the component's copy
// of the parameter array: "Access 2000;" stays, anything else becomes
// "Access" (and is written back into that copy).
std::string Verbindungstext();

}  // namespace vxm
