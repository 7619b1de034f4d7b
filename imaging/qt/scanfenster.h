// Scanning in the main window: the scan image's life, the hourglass and the
// scanner chosen in the per-user settings.
#pragma once

#include "imaging/scanner.h"

namespace vxm {

// Settings value that names the SANE device (e.g. "test:0"), in the section
// of the document path.
inline constexpr const char* kRegScanner = "VXMScanner";

// The scanner of the per-user settings; an empty device lets the scanner
// fall back to VXM_SCANNER, then to the first device SANE finds.
ScanEinstellungen ScannerAusEinstellungen();

// The same settings with a progress dialog ("ScanFortschritt") that opens
// as the page comes in: the windows keep painting, and "Abbrechen" or Esc
// stops the scan. The dialog goes with the last copy of the settings.
ScanEinstellungen MitFortschritt(ScanEinstellungen e);

class Hauptfensterzugang;
// The scan image and the wait cursor follow the main window's life.
void BilderEinrichten(Hauptfensterzugang& f);

}  // namespace vxm
