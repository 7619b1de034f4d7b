// What the details panel shows of a file: type icon, size and date lines,
// and the unit-scaled size of the folder properties. German formats.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace vxm {

// Icon index 1-7 for an extension given without the dot (callers pass the
// last three characters of the file name); case is ignored.
int16_t IconSetzen(const std::string& endung);

// Last three characters of a UTF-8 file name (fewer when it is shorter).
std::string LetzteDreiZeichen(const std::string& name);

// A byte count as the details panel formats it: bytes / 1024 with
// "##,###.##" under a German locale ("2,", ",", "1.500,", ",5"): no leading
// zero, "." groups thousands, at most two decimals rounded half away from
// zero, and the decimal comma always printed.
std::string KBFormat(std::uintmax_t bytes);
// "Größe: " + KBFormat + " KB".
std::string GroessenZeile(std::uintmax_t bytes);

// Local date and time as the German locale's default text
// ("07.12.2026 14:03:05"; the time is left out at exactly midnight).
std::string DatumZeitText(std::time_t zeit);
// "Geändert: " + DatumZeitText.
std::string DatumsZeile(std::time_t zeit);

// log10 of the size rounded to four decimals; 0 for 0.
double StellenZahl(double bytes);
// Unit-scaled size text ("0 Byte", "0,98 KB", "09,5 MB"). Beyond the
// terabytes the units go on in steps of 1024 ("PB", "EB", "ZB", "YB") with
// the patterns of the terabytes ("0.00", then "0.0"); sizes that are not a
// number or negative count as 0.
std::string GroesseFormatieren(double bytes);

}  // namespace vxm
