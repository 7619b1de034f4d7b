// Per-user settings and the window scaling factor.
//
// The registry section "VxDbDriveBuchstPfadName" of application "VXM" is a
// settings file in the user's config folder; the suite's shared settings
// file "VXM-Settings.ini" lies in the folder USERPROFILE names (HOME when
// USERPROFILE is unset).
#pragma once

#include <string>

namespace vxm {

inline constexpr const char* kRegAnwendung = "VXM";
inline constexpr const char* kRegAbschnitt = "VxDbDriveBuchstPfadName";
inline constexpr const char* kRegDokPfad = "VXMDokPath";
inline constexpr const char* kRegDatPfad = "VXMDatPath";
// Key path of the section below the settings store, as RegWertLesen takes it.
inline constexpr const char* kRegSchluessel = "VXM\\VxDbDriveBuchstPfadName";

// Host path of the settings file that stands for the registry (the user's
// settings folder, then "VXM/VxDbDriveBuchstPfadName.ini"; VXM_REGISTRY
// overrides it for tests and scripts).
std::string RegistryDatei();

// The file holds one INI section per registry key, named by the key path
// below the settings store ("[VXM\VxDbDriveBuchstPfadName]"); values are
// kept verbatim, only '%' and control characters are written as %XX.

// Reads a value of a key. Only the last two components of the key path
// (application and section) select the section, so a full registry path
// works as well. True when it could be read (a value longer than 1023
// characters does not fit the reader's buffer and fails); a non-empty value
// also becomes KonfigDokPfad of the component state.
bool RegWertLesen(const std::string& schluesselPfad, const std::string& name, std::string& wert);
// The save-setting operation (creates the file and section when missing).
// The file is replaced atomically; a file that cannot be written raises
// VbFehler 75 and leaves the old file as it was.
void SaveSetting(const std::string& anwendung, const std::string& abschnitt,
                 const std::string& name, const std::string& wert);

// USERPROFILE (or HOME) + "/VXM-Settings.ini", as a host path. A Windows-form
// USERPROFILE ("C:\Users\x") is resolved through the drive table of the
// environment; "" when it lies on no mapped drive or neither variable is set.
std::string SettingsDateiPfad();
// Value of a key of an initialisation file; "" when missing (at most 31
// characters). Section and key names are matched without regard to case,
// blanks around the value and one pair of enclosing quotes are dropped; the
// first section of a name counts. Files that are not UTF-8 are read as
// Windows-1252.
std::string IniLesen(const std::string& datei, const std::string& abschnitt,
                     const std::string& schluessel);

// The scaling factor for a screen `breite` pixels wide from the settings
// file values "Skalieren" and "SkFaktor". 0 means: do not scale (also for
// every value that would shrink the window or is not a number). A valid
// factor lies between 1 and 2.
float SkalierFaktorBerechnen(int breite, const std::string& skalieren, const std::string& skFaktor);

}  // namespace vxm
