// What a window needs to drive a long search: a callback for each hit and
// each folder entered, a hook that runs its pending events, and a cancel
// flag. Every field may stay empty.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace vxm {

inline constexpr const char* kStatusSucheLaeuft = "Suche läuft... ";

struct SuchTreffer {
  std::string Name;    // the file name as found on disk
  std::string Ordner;  // Windows-form folder holding it
  int16_t Icon = 3;    // IconSetzen of the name's last three characters
  // The entry key of the result list: folder, a backslash, the name.
  std::string Schluessel() const;
};

struct SuchSteuerung {
  // Each hit as soon as it is found.
  std::function<void(const SuchTreffer&)> Treffer;
  // Each folder as the walk enters it (Windows form).
  std::function<void(const std::string& ordner)> OrdnerBetreten;
  // Runs after each block read and each folder entered: the window shows
  // "Suche läuft... " and lets its pending events run.
  std::function<void()> Ereignisse;
  // Set to end the search (from any callback, or from another thread).
  // Checked between blocks, files and folders; what was found stays found.
  std::atomic<bool> Abbrechen{false};

  bool Abgebrochen() const { return Abbrechen.load(std::memory_order_relaxed); }
  void Melden() {
    if (Ereignisse) Ereignisse();
  }
};

}  // namespace vxm
