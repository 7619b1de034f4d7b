// The text search of a walk's files on all cores while the walk goes on.
//
// The walk hands over each folder's files (with the folder open); helper
// threads check them, and the results come back folder by folder in the
// order the folders were handed over, so hits are still reported in the
// walk's order. Only the calling thread runs the window's events.
#pragma once

#include <sys/resource.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "search/suchsteuerung.h"

namespace vxm {

class Textpruefer {
 public:
  // Checks one file of the open folder `ordner` (a descriptor); true on a hit.
  using Pruefung = std::function<bool(int ordner, const std::string& name, SuchSteuerung* steuerung)>;

  // One folder's results: per file 1 hit, 0 none, 2 not searched (cancelled).
  struct Ordner {
    std::string Windows;
    std::vector<std::string> Namen;
    std::vector<char> Ergebnis;
  };

  // `steuerung` (may be null) is the caller's: its cancel flag stops the
  // helpers, its events run on the calling thread while it waits.
  Textpruefer(unsigned helfer, Pruefung pruefung, SuchSteuerung* steuerung);
  ~Textpruefer();
  Textpruefer(const Textpruefer&) = delete;
  Textpruefer& operator=(const Textpruefer&) = delete;

  // Hands over the files of a folder open as `deskriptor` (kept open here
  // through a duplicate until its files are checked); false when no
  // descriptor is left for it: the caller then checks them itself.
  bool Auftrag(const std::string& windows, int deskriptor, const std::vector<std::string>& namen);

  // Hands the finished folders at the front to `fertig`, in order. With
  // `alle`, waits for every folder; otherwise waits only while too much is
  // pending (memory and descriptors stay bounded).
  void Abholen(bool alle, const std::function<void(Ordner&)>& fertig);

  // Stops the helpers: what is not checked yet comes back as 2.
  void Abbrechen() { abbruch_ = true; }

 private:
  struct Stapel {
    Ordner Inhalt;
    int Deskriptor = -1;
    std::atomic<std::size_t> Offen{0};
  };

  void Arbeiten();
  bool Abgebrochen() const;

  Pruefung pruefung_;
  SuchSteuerung* steuerung_;
  std::mutex m_;
  std::condition_variable arbeit_, fertig_;
  std::deque<std::unique_ptr<Stapel>> stapel_;               // handed over, not yet handed back
  std::deque<std::pair<Stapel*, std::size_t>> warteschlange_;  // files not yet taken
  std::size_t offeneDateien_ = 0;                            // files of the folders in stapel_
  bool ende_ = false;
  std::atomic<bool> abbruch_{false};
  rlim_t grenze_ = 0;  // descriptors this process may hold
  std::exception_ptr fehler_;
  std::vector<std::jthread> helfer_;
};

}  // namespace vxm
