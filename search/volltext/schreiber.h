// The indexer's writer (internal to the indexer): collects the results of
// checked files into batches and writes each batch in one transaction, on
// a thread of its own so folding and indexing overlap the next reads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "search/volltext/volltextindex.h"

namespace vxm::volltext {

struct Schreibauftrag {
  Indexeintrag Eintrag;
  std::optional<std::string> Text;  // made ready (Vor) when handed over
  bool NurZeit = false;
  bool Loeschen = false;
  bool Ordner = false;  // Eintrag.Pfad is a folder listed at Eintrag.Mtime
  bool TextErneuern = false;  // a text shared with files of the same bytes is replaced
  std::optional<Vorbereitet> Vor{};
  std::vector<std::string> Zwillinge{};  // a folder's files without a row (see Ordnerzeit)
};

class Stapelschreiber {
 public:
  // A batch is handed over at `stapel` results or after `stapelzeit`,
  // whichever comes first.
  Stapelschreiber(std::filesystem::path datei, std::size_t stapel, std::chrono::milliseconds stapelzeit,
                  bool niedrig);
  ~Stapelschreiber();
  Stapelschreiber(const Stapelschreiber&) = delete;
  Stapelschreiber& operator=(const Stapelschreiber&) = delete;

  // Starts the thread with its own connection to the index; `eigener` (the
  // caller's) writes when no thread runs.
  void Starten(Volltextindex& eigener);
  // Writes what is collected and ends the thread.
  void Beenden();

  void Vormerken(Schreibauftrag s);
  // Hands the batch to the thread (or writes it here when there is none).
  void Festschreiben();
  // Everything handed over is written.
  void Leeren();

 private:
  void Schreiben(std::vector<Schreibauftrag>& stapel, Volltextindex& index);

  std::filesystem::path datei_;
  std::size_t stapelGroesse_;
  std::chrono::milliseconds stapelzeit_;
  bool niedrig_;
  Volltextindex* eigener_ = nullptr;

  std::vector<Schreibauftrag> stapel_;
  std::chrono::steady_clock::time_point stapelSeit_;
  std::size_t stapelBytes_ = 0;
  bool verloren_ = false;  // a batch could not be written

  std::thread thread_;
  std::unique_ptr<Volltextindex> index_;
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::vector<Schreibauftrag>> schlange_;
  bool ende_ = false, schreibtGerade_ = false;
};

}  // namespace vxm::volltext
