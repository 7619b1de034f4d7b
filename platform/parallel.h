// Work spread over the machine's cores.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace vxm {

// Calls f(i) for every i below n, each once, on up to one thread per core
// (the calling thread among them); returns when all are done. The first
// exception thrown is raised again here, the rest of the work skipped.
template <class F>
void AufAllenKernen(std::size_t n, F&& f) {
  const std::size_t kerne = std::max(1u, std::thread::hardware_concurrency());
  std::atomic<std::size_t> naechste{0};
  std::atomic<bool> fehlgeschlagen{false};
  std::exception_ptr fehler;
  std::mutex m;
  auto arbeiten = [&] {
    for (std::size_t i; !fehlgeschlagen.load(std::memory_order_relaxed) && (i = naechste++) < n;) {
      try {
        f(i);
      } catch (...) {
        std::lock_guard<std::mutex> l(m);
        if (!fehler) fehler = std::current_exception();
        fehlgeschlagen = true;
      }
    }
  };
  {
    std::vector<std::jthread> helfer;
    for (std::size_t h = 1; h < kerne && h < n; ++h) helfer.emplace_back(arbeiten);
    arbeiten();
  }
  if (fehler) std::rethrow_exception(fehler);
}

// As AufAllenKernen, but below `ab` items the calling thread does them
// alone: for few, starting threads costs more than it saves.
template <class F>
void AufAllenKernenAb(std::size_t n, std::size_t ab, F&& f) {
  if (n >= ab) {
    AufAllenKernen(n, f);
    return;
  }
  for (std::size_t i = 0; i < n; ++i) f(i);
}

}  // namespace vxm
