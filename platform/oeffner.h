// Hands documents to the desktop ("open" with the associated application)
// and resolves Windows-form paths to this machine's paths.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace vxm {

// Host path of a Windows-form path through the drive table of the platform
// services. Raises the drive table's errors (76, 52).
std::filesystem::path HostPfadVon(const std::string& windowsPfad);

// The shell's open request for a Windows-form path; tests and hosts replace
// it. The default starts xdg-open detached and, when nothing can open the
// file (no xdg-open, no program for the type, a missing file), says so
// through the message boxes of the platform services, naming the file and
// what to install or set.
using Oeffner = std::function<void(const std::string& windowsPfad)>;
Oeffner& DokumentOeffner();
Oeffner StandardOeffner();
void DokumentOeffnen(const std::string& windowsPfad);

namespace meldung {
std::string DateiNichtGefunden(const std::string& name);
std::string OeffnerFehlt(const std::string& name);
std::string KeinProgramm(const std::string& name);
}  // namespace meldung

}  // namespace vxm
