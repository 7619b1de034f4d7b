// Keeps the full-text index current without making anyone wait: one queue
// worked off by a worker thread at idle priority (extraction itself runs
// in the helper process of auslesedienst.h). The folders the user opens
// are checked first; the window reports new, changed, renamed and deleted
// files; pictures and scans are recognised page by page once everything
// else is done. Results are written in batches, one transaction each, so
// a killed indexer loses at most its last batch and takes up where the
// index stands.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/laufwerke.h"
#include "search/volltext/auslesedienst.h"
#include "search/volltext/volltextindex.h"

namespace vxm::volltext {

struct Indexfortschritt {
  std::int64_t Erledigt = 0;  // files checked and current in the index
  std::int64_t Gesamt = 0;    // files found so far
  std::int64_t OcrOffen = 0;  // pictures and scans still to recognise
  bool Laeuft = false;
  bool Pausiert = false;
};

// "Index: 1.234 von 5.678 Dateien" (German digit grouping).
std::string FortschrittText(const Indexfortschritt& f);
std::string MitTausenderpunkten(std::int64_t zahl);

std::size_t StandardHelfer();

struct Indexiereroptionen {
  bool Voll = false;  // read every file again, changed or not
  bool Ocr = true;
  Dienstgrenzen Grenzen;
  std::size_t Stapel = 64;  // files per transaction ...
  std::chrono::milliseconds Stapelzeit{2000};  // ... or this long, whichever comes first
  bool NiedrigePrioritaet = true;
  // Helper processes reading files side by side (one per core, at most 2
  // by default: the indexer shares the machine with its user).
  std::size_t Helfer = StandardHelfer();
  // Follow every walked folder with the kernel's folder watching (the
  // window): new, changed, renamed and deleted files are checked at once.
  bool Beobachten = false;
};

class Indexierer {
 public:
  Indexierer(std::filesystem::path indexDatei, Laufwerkstabelle laufwerke,
             std::vector<std::string> wurzeln, Indexiereroptionen optionen = {});
  ~Indexierer();
  Indexierer(const Indexierer&) = delete;
  Indexierer& operator=(const Indexierer&) = delete;

  // The worker thread: walks the roots, then follows what it is told.
  void Starten();
  // Ends the worker after the file in hand; written results stay.
  void Anhalten();
  void Pausieren();
  void Fortsetzen();

  // The window opened this folder: its files are checked next.
  void OrdnerZuerst(const std::string& ordner);
  // A file or folder appeared or changed (folders are walked).
  void Geaendert(const std::string& pfad);
  void Umbenannt(const std::string& alt, const std::string& neu);
  void Geloescht(const std::string& pfad);

  Indexfortschritt Fortschritt() const;
  // Nothing queued and, when watching, nothing heard that is not worked in:
  // folder times recorded in the index stand for the disk.
  bool Ruhig() const;
  // The watching follows this folder (its key, IndexSchluessel without a
  // final backslash): while Ruhig, its recorded rows stand for it unseen.
  bool Beobachtet(const std::string& ordnerKey) const;
  std::string FortschrittText() const { return volltext::FortschrittText(Fortschritt()); }

  // Works the queue off in the calling thread until it is empty (the
  // nightly tool); `melden` sees the progress now and then.
  void Durchlaufen(const std::function<void(const Indexfortschritt&)>& melden = {});

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vxm::volltext
