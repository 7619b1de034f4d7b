#include "search/volltext/nebenleser.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

#include "search/volltext/indexierer.h"

namespace vxm::volltext {

std::size_t StandardHelfer() { return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 2); }

void ThreadNiedrig() {
  const pid_t tid = static_cast<pid_t>(::syscall(SYS_gettid));
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), 19);
  sched_param sp{};
  ::sched_setscheduler(0, SCHED_IDLE, &sp);  // this thread only on Linux
  ::syscall(SYS_ioprio_set, 1, tid, 3 << 13);
}

Nebenleser::Nebenleser(std::size_t anzahl, const Dienstgrenzen& grenzen, bool niedrig) {
  for (std::size_t i = 0; i < anzahl; ++i) threads_.emplace_back([this, grenzen, niedrig] { Bedienen(grenzen, niedrig); });
}

Nebenleser::~Nebenleser() {
  {
    std::lock_guard<std::mutex> l(m_);
    ende_ = true;
  }
  cv_.notify_all();
}

// One thread: its helper lives exactly as long as the thread.
void Nebenleser::Bedienen(const Dienstgrenzen& grenzen, bool niedrig) {
  if (niedrig) ThreadNiedrig();
  Auslesedienst dienst(grenzen);
  std::uint64_t gesehen = 0;
  for (;;) {
    const std::function<void(Auslesedienst&)>* arbeit;
    {
      std::unique_lock<std::mutex> l(m_);
      cv_.wait(l, [&] { return ende_ || runde_ != gesehen; });
      if (ende_) return;
      gesehen = runde_;
      arbeit = arbeit_;
    }
    (*arbeit)(dienst);
    std::lock_guard<std::mutex> l(m_);
    if (--offen_ == 0) cv_.notify_all();
  }
}

void Nebenleser::Gemeinsam(const std::function<void(Auslesedienst&)>& arbeit, Auslesedienst& eigener) {
  {
    std::lock_guard<std::mutex> l(m_);
    arbeit_ = &arbeit;
    offen_ = threads_.size();
    ++runde_;
  }
  cv_.notify_all();
  arbeit(eigener);
  std::unique_lock<std::mutex> l(m_);
  cv_.wait(l, [&] { return offen_ == 0; });
}

}  // namespace vxm::volltext
