#include "app/demo_scanner.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

#include "imaging/scanner.h"

namespace vxm::demo {

const char* const kSaneTestKonfiguration =
    "# SANE \"test\" device of the vxmDorvex demo: it stands in when no scanner is\n"
    "# set (setting VXMScanner, VXM_SCANNER) and SANE finds none.\n"
    "number_of_devices 1\n"
    "mode Color\n"
    "depth 8\n"
    "hand-scanner false\n"
    "three-pass false\n"
    "resolution 50.0\n"
    "test-picture \"Color pattern\"\n"
    "read-status-code \"Default\"\n";

bool DemoScannerEinrichten(const std::filesystem::path& ordner, std::string* fehler) {
  // SANE looks for a device's configuration in these folders first and for
  // its list of backends (dll.conf, not written here) in the machine's own.
  bool ok = true;
  std::error_code ec;
  std::filesystem::create_directories(ordner, ec);
  std::ofstream datei(ordner / "test.conf", std::ios::binary | std::ios::trunc);
  datei << kSaneTestKonfiguration;
  datei.close();
  if (ec || !datei) {
    ok = false;
    if (fehler) *fehler = "SANE-Einstellungen nicht geschrieben: " + (ordner / "test.conf").string();
  }
  if (ok && !std::getenv("SANE_CONFIG_DIR")) ::setenv("SANE_CONFIG_DIR", (ordner.string() + ":").c_str(), 1);
  ErsatzScanner() = "test";
  return ok;
}

}  // namespace vxm::demo
