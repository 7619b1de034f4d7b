#include "search/volltext/vorerkennung.h"

#include <sys/stat.h>

#include <chrono>

#include "search/volltext/nebenleser.h"
#include "search/volltext/volltextindex.h"

namespace vxm::volltext {

Vorerkennung::Vorerkennung(const Dienstgrenzen& grenzen, std::function<bool()> ruhen)
    : grenzen_(grenzen), ruhen_(std::move(ruhen)) {
  // Only on CPU nothing else wants: the reading and writing never wait for it.
  grenzen_.NiedrigePrioritaet = true;
}

Vorerkennung::~Vorerkennung() { Anhalten(); }

void Vorerkennung::Vormerken(const std::string& host, std::int64_t groesse, std::int64_t mtime,
                             std::uint32_t seiten) {
  std::lock_guard<std::mutex> l(m_);
  for (std::uint32_t s = 0; s < seiten; ++s) offen_.push_back({host, groesse, mtime, s});
  // The helper lives with the thread that started it: one thread, started
  // here, ended by Anhalten.
  if (!thread_.joinable()) thread_ = std::thread([this] { Arbeiten(); });
  cv_.notify_all();
}

void Vorerkennung::Anhalten() {
  {
    std::lock_guard<std::mutex> l(m_);
    halt_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> l(m_);
  halt_ = false;
}

std::optional<Auszug> Vorerkennung::Nehmen(const std::string& host, std::int64_t groesse, std::int64_t mtime,
                                           std::uint32_t seite) {
  std::lock_guard<std::mutex> l(m_);
  const auto it = fertig_.find({host, groesse, mtime, seite});
  if (it == fertig_.end()) return std::nullopt;
  Auszug a = std::move(it->second);
  fertig_.erase(it);
  return a;
}

void Vorerkennung::Vergessen(const std::string& host) {
  std::lock_guard<std::mutex> l(m_);
  std::erase_if(offen_, [&](const Seite& s) { return s.Host == host; });
  std::erase_if(fertig_, [&](const auto& f) { return std::get<0>(f.first) == host; });
}

void Vorerkennung::Arbeiten() {
  ThreadNiedrig();
  Auslesedienst dienst(grenzen_);
  for (;;) {
    {
      std::unique_lock<std::mutex> l(m_);
      cv_.wait(l, [&] { return halt_ || !offen_.empty(); });
      if (halt_) return;
    }
    // Paused or ending: nothing begun (asked outside the lock, the
    // indexer's own lock comes first).
    if (ruhen_()) {
      std::unique_lock<std::mutex> l(m_);
      cv_.wait_for(l, std::chrono::milliseconds(250), [&] { return halt_; });
      continue;
    }
    Seite s;
    {
      std::lock_guard<std::mutex> l(m_);
      if (halt_) return;
      if (offen_.empty()) continue;
      s = std::move(offen_.front());
      offen_.pop_front();
    }
    // Changed since it was queued: the indexer reads it again anyway.
    struct stat st {};
    if (::stat(s.Host.c_str(), &st) != 0 || st.st_size != s.Groesse || Nanosekunden(st) != s.Mtime) continue;
    Auszug a = dienst.OcrSeite(s.Host, s.Nr);
    // A page that failed here is tried again by the indexer's own helpers.
    if (a.Status == Auszugsstatus::NichtIndizierbar) continue;
    std::lock_guard<std::mutex> l(m_);
    fertig_[{s.Host, s.Groesse, s.Mtime, s.Nr}] = std::move(a);
  }
}

}  // namespace vxm::volltext
