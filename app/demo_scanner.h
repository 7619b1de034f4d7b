// The demo host's scanner: on a machine without a scanner, SANE's "test"
// device stands in, so that a scanner document can be tried out.
#pragma once

#include <filesystem>
#include <string>

namespace vxm::demo {

// The settings of the stand-in device: a colour page with a pattern.
extern const char* const kSaneTestKonfiguration;

// Writes `ordner`/test.conf and puts `ordner` in front of SANE's own
// configuration folders (SANE_CONFIG_DIR with a final ":", so the
// machine's backends and scanners stay as they are), unless SANE_CONFIG_DIR
// is set already; then names SANE's "test" device as the stand-in for
// "no scanner set and none found". Returns false, with the reason in
// `fehler`, when the file cannot be written (the stand-in then scans with
// SANE's own test settings).
bool DemoScannerEinrichten(const std::filesystem::path& ordner, std::string* fehler = nullptr);

}  // namespace vxm::demo
