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

// Host path of the settings file that stands for the registry
// ($XDG_CONFIG_HOME or ~/.config, then "VXM/VxDbDriveBuchstPfadName.ini";
// VXM_REGISTRY overrides it for tests and scripts).
std::string RegistryDatei();

// Reads a value of the section. True when it could be read; a non-empty
// value also becomes KonfigDokPfad of the component state.
bool RegWertLesen(const std::string& schluesselPfad, const std::string& name, std::string& wert);
// The save-setting operation (creates the file and section when missing).
void SaveSetting(const std::string& anwendung, const std::string& abschnitt,
                 const std::string& name, const std::string& wert);

// USERPROFILE (or HOME) + "/VXM-Settings.ini", as a host path.
std::string SettingsDateiPfad();
// Value of a key of an initialisation file; "" when missing (at most 31 characters).
std::string IniLesen(const std::string& datei, const std::string& abschnitt,
                     const std::string& schluessel);

// The scaling factor for a screen `breite` pixels wide from the settings
// file values "Skalieren" and "SkFaktor". 0 means: do not scale (also for
// every value that would shrink the window or is not a number).
float SkalierFaktorBerechnen(int breite, const std::string& skalieren, const std::string& skFaktor);

}  // namespace vxm
