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

// The shell's open request for a Windows-form path; the window layer
// installs the desktop's (DesktopOeffner), tests and hosts replace it.
// Without either, StandardOeffner serves the tools: it starts xdg-open
// detached. Whichever opens, when nothing can open the file (no opener, no
// program for the type, a missing file) it says so through the message
// boxes of the platform services, naming the file and what to install or set.
using Oeffner = std::function<void(const std::string& windowsPfad)>;
Oeffner& DokumentOeffner();
Oeffner StandardOeffner();
void DokumentOeffnen(const std::string& windowsPfad);

// An opener that hands the file's host path to `starten` (false: nothing
// took it), with the messages of the standard opener for a missing file
// and for a file nothing could open.
Oeffner OeffnerMit(std::function<bool(const std::string& hostPfad)> starten);

namespace meldung {
std::string DateiNichtGefunden(const std::string& name);
std::string OeffnerFehlt(const std::string& name);
std::string KeinProgramm(const std::string& name);
}  // namespace meldung

}  // namespace vxm
