// Watches the folders of the document store with the kernel's inotify, so
// a running indexer hears of every change at once: files written in place
// and changes in folders no window shows included. What it tells: which
// folder's listing or files changed, which file or folder was renamed
// (and to what), which folder went, and when it lost track (its queue ran
// over). Folders on network file systems are not watched, since changes
// made there by other machines go unreported.
#pragma once

#include <cstdint>

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct inotify_event;

namespace vxm::volltext {

struct Aenderung {
  enum class Art {
    Ordner,      // something in the folder Pfad changed (its files or listing)
    Umbenannt,   // Pfad is now Neu (a file or folder; both folders changed as well)
    Weg,         // the folder Pfad was deleted or moved out of sight
    Ueberlauf,   // changes were lost: everything may have changed
  };
  Art Art;
  std::string Pfad, Neu;  // Windows form
};

class Ordnerwache {
 public:
  Ordnerwache();
  ~Ordnerwache();
  Ordnerwache(const Ordnerwache&) = delete;
  Ordnerwache& operator=(const Ordnerwache&) = delete;

  bool Bereit() const { return fd_ >= 0; }
  // Watches one folder (not those below it); true when it is watched now.
  // False on a network file system or at the system's limit of watches.
  bool Beobachten(const std::string& windows, const std::string& host);
  bool Beobachtet(const std::string& windows);
  // Waits up to `ms` milliseconds for changes; an empty list on timeout.
  // A renamed folder keeps being watched under its new name.
  std::vector<Aenderung> Warten(int ms);

 private:
  struct Wache {
    std::string Windows, Host;
  };
  void Umbenennen(const std::string& altWin, const std::string& neuWin, const std::string& neuHost);
  // One event of the kernel; folders that changed are named once in geaendert.
  void Ereignis(const inotify_event& ev, std::vector<Aenderung>& aus, std::vector<std::string>& geaendert);
  void WegzuegeAltern(std::vector<Aenderung>& aus);

  int fd_ = -1;
  std::mutex m_;
  std::unordered_map<int, Wache> wachen_;
  std::unordered_map<std::string, int> nachSchluessel_;  // folder key: watch
  // A rename seen from its old side, waiting a moment for its new side.
  struct Wegzug {
    std::uint32_t Cookie;
    std::string Windows;
    bool IstOrdner;
    int Runden;
  };
  std::vector<Wegzug> wegzuege_;
};

}  // namespace vxm::volltext
