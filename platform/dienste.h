// The platform services the component uses on the current thread: the file
// system, message boxes and outside components. A host (or a test) installs
// its own; without one, the machine's file system behind the drive table of
// the environment is used, and messages go to standard error and are
// answered at once without waiting (StilleDialoge).
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <memory>

#include "platform/dateisystem.h"
#include "platform/dialoge.h"
#include "platform/komponenten.h"

namespace vxm {

struct Plattform {
  std::shared_ptr<Dateisystem> Dateien;
  std::shared_ptr<Dialoge> Meldungen;
  AussenKomponenten Komponenten;
  // The user's settings and cache folders as the desktop names them; empty:
  // the XDG rules (platform/benutzerordner.h).
  std::filesystem::path KonfigOrdner, CacheOrdner;
  // Moves a file (Windows-form path) into the desktop's trash, so the user
  // can take it back; false where no trash takes it. Installed by the
  // window; without one there is no trash.
  std::function<bool(const std::string& windowsPfad)> Papierkorb;
};

Plattform& Dienste();

// Back to the defaults described above.
void DiensteZuruecksetzen();

}  // namespace vxm
