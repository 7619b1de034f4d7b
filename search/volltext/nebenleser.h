// The indexer's helper threads (internal to the indexer): the threads that
// drive further helper processes side by side with the worker's own.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "search/volltext/auslesedienst.h"

namespace vxm::volltext {

// Idle CPU and I/O priority for the calling thread alone (not the process:
// the window's threads keep theirs).
void ThreadNiedrig();

// Each thread starts its helper and keeps it for as long as the indexer
// works: a helper dies with the thread that started it, so no short-lived
// thread may start one.
class Nebenleser {
 public:
  Nebenleser(std::size_t anzahl, const Dienstgrenzen& grenzen, bool niedrig);
  ~Nebenleser();
  Nebenleser(const Nebenleser&) = delete;
  Nebenleser& operator=(const Nebenleser&) = delete;

  // Runs `arbeit` on every thread with its helper and on the caller's
  // thread with the caller's; returns when all are done. `arbeit` must not
  // throw (reading a file never does).
  void Gemeinsam(const std::function<void(Auslesedienst&)>& arbeit, Auslesedienst& eigener);

 private:
  void Bedienen(const Dienstgrenzen& grenzen, bool niedrig);

  std::mutex m_;
  std::condition_variable cv_;
  const std::function<void(Auslesedienst&)>* arbeit_ = nullptr;
  std::uint64_t runde_ = 0;
  std::size_t offen_ = 0;
  bool ende_ = false;
  std::vector<std::jthread> threads_;  // last: joined before the rest goes
};

}  // namespace vxm::volltext
