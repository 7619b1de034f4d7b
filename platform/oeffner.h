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

// The shell's open request for a Windows-form path. The default starts
// xdg-open detached and reports nothing; tests and hosts replace it.
using Oeffner = std::function<void(const std::string& windowsPfad)>;
Oeffner& DokumentOeffner();
void DokumentOeffnen(const std::string& windowsPfad);

}  // namespace vxm
