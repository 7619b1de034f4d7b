// Recognition ahead of time (internal to the indexer): while the indexer
// still reads files, the pictures and scans it has found are recognised a
// page at a time by a helper of their own at idle priority, on the CPU the
// reading and writing leave free. Nothing is written here: the pages wait
// until the indexer's recognition takes them (see Erkennen), which would
// otherwise begin only after the last file was read.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>

#include "search/volltext/auslesedienst.h"

namespace vxm::volltext {

class Vorerkennung {
 public:
  // `ruhen` says when no page may be begun (the indexer paused or ending).
  Vorerkennung(const Dienstgrenzen& grenzen, std::function<bool()> ruhen);
  ~Vorerkennung();
  Vorerkennung(const Vorerkennung&) = delete;
  Vorerkennung& operator=(const Vorerkennung&) = delete;

  // The pages of a file of this size and time (nanoseconds) to recognise.
  void Vormerken(const std::string& host, std::int64_t groesse, std::int64_t mtime, std::uint32_t seiten);
  // Stops: the page in hand is finished (or given up when the indexer is
  // stopped), nothing further is begun until the next Vormerken.
  void Anhalten();
  // A page recognised of the file as it was at that size and time, once.
  std::optional<Auszug> Nehmen(const std::string& host, std::int64_t groesse, std::int64_t mtime,
                               std::uint32_t seite);
  // Forgets the file's pages, recognised or waiting.
  void Vergessen(const std::string& host);

 private:
  struct Seite {
    std::string Host;
    std::int64_t Groesse = 0, Mtime = 0;
    std::uint32_t Nr = 0;
  };
  void Arbeiten();

  Dienstgrenzen grenzen_;
  std::function<bool()> ruhen_;
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<Seite> offen_;
  std::map<std::tuple<std::string, std::int64_t, std::int64_t, std::uint32_t>, Auszug> fertig_;
  bool halt_ = false;
  std::thread thread_;
};

}  // namespace vxm::volltext
