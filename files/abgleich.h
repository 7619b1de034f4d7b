// The walk of `vxmdorvex-register abgleichen`: the whole store under a root
// compared with the register at once. Files found at their place get their
// fingerprints taken or renewed; rows whose files are gone follow their
// content to where it is now, or are set aside; set-aside rows whose files
// turned up come back; set-aside rows past their time are dropped.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "files/wiedererkennung.h"
#include "platform/datenbank.h"

namespace vxm {

struct AbgleichErgebnis {
  bool WurzelGefunden = true;
  std::size_t Dateien = 0;           // files walked
  std::size_t Eingetragen = 0;       // register rows under the root
  std::size_t Fingerabdruecke = 0;   // prints taken or renewed
  std::size_t Warten = 0;            // set-aside rows still waiting afterwards
  std::vector<std::string> Luecken;  // folders that could not be read (their rows were not judged)
  Nachzug Vorgaenge;
};

// Files changed per transaction: each file's change stays whole, and a kill
// loses at most the batch under way (nothing half-done).
inline constexpr std::size_t kAbgleichStapel = 4096;

// `wurzel` is a Windows-form folder; `melden` hears each re-linked,
// returned, set-aside or dropped file once its change is committed.
AbgleichErgebnis Abgleichen(Datenbank& db, const std::string& wurzel,
                            const std::function<void(const Vorgang&)>& melden = {});

// The summary line of a run.
std::string AbgleichZusammenfassung(const AbgleichErgebnis& e);

}  // namespace vxm
