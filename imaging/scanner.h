// Acquiring one page from a scanner through SANE into the scan image.
//
// The device is the one named by the caller (the per-user setting), else
// the environment variable VXM_SCANNER, else the first device SANE finds,
// else the stand-in device a host may name (ErsatzScanner). SANE reads its
// configuration as usual; SANE_CONFIG_DIR points it at a folder of its own
// (tests/sane serves SANE's "test" device).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "imaging/bildpuffer.h"

namespace vxm {

struct ScanEinstellungen {
  std::string Geraet;  // SANE device name, e.g. "test:0"
  // Device options set before the scan, by SANE option name ("mode" "Color",
  // "resolution" "150"). Options the device does not know are skipped, so
  // one setting serves several scanners. Without any, the environment
  // variable VXM_SCAN_OPTIONEN ("mode=Color;resolution=150") is used.
  std::vector<std::pair<std::string, std::string>> Optionen;
  // Told the bytes read so far and those expected (0 when the device does
  // not know) as the picture comes in; false stops the scan, which then
  // returns vic::Abgebrochen and keeps nothing.
  std::function<bool(int64_t gelesen, int64_t erwartet)> Weiter = nullptr;
};

// The device scanned from when none is named and SANE finds none; empty
// (the default) gives "no scanner". The demo host names SANE's "test"
// device, so that a scanner document can be made on any machine.
std::string& ErsatzScanner();

// Where a SANE status occurred: opening the device and starting the scan, or
// reading the picture data.
enum class ScanPhase { Oeffnen, Lesen };

// The image result code for a SANE status (see the table in scanner.cpp).
int32_t VictorCodeAusSane(int saneStatus, ScanPhase phase);

// Scans one page into `ziel`. Returns 0 or a negative result code; `ziel`
// is only changed on success.
int32_t SeiteScannen(Bildpuffer& ziel, const ScanEinstellungen& einstellungen = {});

// The scan step of a new scanner document: on success `ScanBild` holds the
// page; otherwise the code is shown by error_handler with the name "0" (a
// scan the user stopped shows nothing) and `ScanBild` stays as it was.
// Returns the code.
int32_t ScanBildEinlesen(const ScanEinstellungen& einstellungen = {});

}  // namespace vxm
