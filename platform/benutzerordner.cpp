#include "platform/benutzerordner.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/dienste.h"

namespace vxm {
namespace {

std::filesystem::path Heimatordner() {
  if (const char* home = std::getenv("HOME"); home && *home == '/') return home;
  long groesse = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> puffer(groesse > 0 ? static_cast<std::size_t>(groesse) : 16384);
  passwd eintrag{};
  passwd* gefunden = nullptr;
  if (getpwuid_r(getuid(), &eintrag, puffer.data(), puffer.size(), &gefunden) == 0 && gefunden &&
      gefunden->pw_dir && *gefunden->pw_dir == '/')
    return gefunden->pw_dir;
  return std::filesystem::temp_directory_path();
}

}  // namespace

std::filesystem::path BenutzerOrdner(Ordnerart art) {
  const auto& gesetzt = art == Ordnerart::Konfiguration ? Dienste().KonfigOrdner : Dienste().CacheOrdner;
  if (!gesetzt.empty()) return gesetzt;
  const char* xdg = std::getenv(art == Ordnerart::Konfiguration ? "XDG_CONFIG_HOME" : "XDG_CACHE_HOME");
  if (xdg && *xdg == '/') return xdg;
  return Heimatordner() / (art == Ordnerart::Konfiguration ? ".config" : ".cache");
}

}  // namespace vxm
