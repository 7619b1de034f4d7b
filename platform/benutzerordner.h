// The current user's folders for settings and caches.
//
// The window layer fills them from QStandardPaths (Dienste().Benutzerordner);
// tools without a window follow the same XDG rules: a relative XDG_*_HOME
// is ignored, and without HOME the account's home folder counts. Never the
// working folder.
#pragma once

#include <filesystem>

namespace vxm {

enum class Ordnerart { Konfiguration, Cache };

std::filesystem::path BenutzerOrdner(Ordnerart art);

}  // namespace vxm
