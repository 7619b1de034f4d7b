// What every program of this package that hosts the component itself needs
// (the demo and vxmdorvex): the suite's error program as a window, the check
// for a display, the picture of the opened window, and the host data folder
// in the user's settings.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/komponenten.h"

namespace vxm::wirt {

// The suite's error program "vxmAllgError" as a message window; each report
// also goes to standard error (and only there when no window can be shown).
std::unique_ptr<AllgFehlerProgramm> FensterFehlerProgramm();

// Before the QApplication is made. With a picture file the window is drawn
// offscreen; without one and without a display, `programm` says so on
// standard error and the result is false (exit status 3).
bool AnzeigeVorbereiten(const std::string& programm, const std::string& foto);

// After OberflaecheEinrichten: once the window is loaded it is written into
// `foto` and closed; until then messages are answered without waiting. Without a picture nothing happens, unless `zeitMelden`
// asks for the time from `start` until the window showed.
void NachDemLadenEinrichten(const std::string& programm, const std::string& foto, bool zeitMelden,
                            std::chrono::steady_clock::time_point start);

// After the call: the exit status of the picture. 0 without a picture file
// or when it was written; 1 when it could not be written or the window never
// showed (its load step gave up), which `programm` says on standard error.
int FotoErgebnis(const std::string& programm, const std::string& foto);

// As the suite's installer does: "VXMDatPath" names the host data folder
// (Windows form) unless the user's settings already have one.
void DatenpfadEintragen(const std::string& windowsOrdner);

}  // namespace vxm::wirt
