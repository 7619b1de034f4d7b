#include "search/textpruefer.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

namespace vxm {

namespace {
// Bounds of what is handed over and not yet handed back: the walk waits
// beyond them (each folder holds a descriptor).
constexpr std::size_t kHoechstensDateien = 4096;
constexpr std::size_t kHoechstensOrdner = 128;
constexpr rlim_t kFreiBleiben = 8;
// How often the caller's events run while it waits on a long file.
constexpr auto kEreignisTakt = std::chrono::milliseconds(50);
}  // namespace

Textpruefer::Textpruefer(unsigned helfer, Pruefung pruefung, SuchSteuerung* steuerung)
    : pruefung_(std::move(pruefung)), steuerung_(steuerung) {
  rlimit r{};
  grenze_ = ::getrlimit(RLIMIT_NOFILE, &r) == 0 ? r.rlim_cur : 1024;
  for (unsigned i = 0; i < helfer; ++i) helfer_.emplace_back([this] { Arbeiten(); });
}

Textpruefer::~Textpruefer() {
  {
    std::lock_guard<std::mutex> l(m_);
    ende_ = true;
    abbruch_ = true;
  }
  arbeit_.notify_all();
  helfer_.clear();  // joins
  for (const auto& s : stapel_)
    if (s->Deskriptor >= 0) ::close(s->Deskriptor);
}

bool Textpruefer::Abgebrochen() const {
  return abbruch_.load(std::memory_order_relaxed) || (steuerung_ && steuerung_->Abgebrochen());
}

bool Textpruefer::Auftrag(const std::string& windows, int deskriptor, const std::vector<std::string>& namen) {
  auto s = std::make_unique<Stapel>();
  if (!namen.empty()) {
    s->Deskriptor = ::fcntl(deskriptor, F_DUPFD_CLOEXEC, 0);
    // The files checked need descriptors too: a few are always left free.
    if (s->Deskriptor >= 0 && static_cast<rlim_t>(s->Deskriptor) + kFreiBleiben >= grenze_) {
      ::close(s->Deskriptor);
      s->Deskriptor = -1;
    }
    if (s->Deskriptor < 0) return false;
  }
  s->Inhalt.Windows = windows;
  s->Inhalt.Namen = namen;
  s->Inhalt.Ergebnis.assign(namen.size(), 2);
  s->Offen = namen.size();
  std::lock_guard<std::mutex> l(m_);
  for (std::size_t i = 0; i < namen.size(); ++i) warteschlange_.emplace_back(s.get(), i);
  if (s->Deskriptor >= 0) offeneDateien_ += namen.size();
  stapel_.push_back(std::move(s));
  arbeit_.notify_all();
  return true;
}

void Textpruefer::Abholen(bool alle, const std::function<void(Ordner&)>& fertig) {
  for (;;) {
    std::unique_ptr<Stapel> vorn;
    {
      std::unique_lock<std::mutex> l(m_);
      if (stapel_.empty()) break;
      const bool zuViel = offeneDateien_ > kHoechstensDateien || stapel_.size() > kHoechstensOrdner;
      if (stapel_.front()->Offen.load() != 0) {
        if (!alle && !zuViel) break;
        // Waits in steps, so the caller's events (and its cancel) go on.
        fertig_.wait_for(l, kEreignisTakt, [&] { return stapel_.front()->Offen.load() == 0; });
        if (stapel_.front()->Offen.load() != 0) {
          l.unlock();
          if (steuerung_) steuerung_->Melden();
          if (steuerung_ && steuerung_->Abgebrochen()) abbruch_ = true;
          continue;
        }
      }
      if (fehler_) std::rethrow_exception(std::exchange(fehler_, nullptr));
      vorn = std::move(stapel_.front());
      stapel_.pop_front();
      if (vorn->Deskriptor >= 0) offeneDateien_ -= vorn->Inhalt.Namen.size();
    }
    if (vorn->Deskriptor >= 0) ::close(vorn->Deskriptor);
    fertig(vorn->Inhalt);
  }
}

void Textpruefer::Arbeiten() {
  // Helpers only watch the cancel flags; the window's events run on the
  // caller's thread alone.
  SuchSteuerung eigene;
  eigene.Ereignisse = [&] {
    if (Abgebrochen()) eigene.Abbrechen = true;
  };
  for (;;) {
    Stapel* s;
    std::size_t i;
    {
      std::unique_lock<std::mutex> l(m_);
      arbeit_.wait(l, [&] { return ende_ || !warteschlange_.empty(); });
      if (ende_) return;
      std::tie(s, i) = warteschlange_.front();
      warteschlange_.pop_front();
    }
    char ergebnis = 2;
    if (!Abgebrochen()) {
      try {
        ergebnis = pruefung_(s->Deskriptor, s->Inhalt.Namen[i], &eigene) ? 1 : 0;
      } catch (...) {
        std::lock_guard<std::mutex> l(m_);
        if (!fehler_) fehler_ = std::current_exception();
      }
      if (eigene.Abgebrochen()) ergebnis = 2;
    }
    s->Inhalt.Ergebnis[i] = ergebnis;
    // The last file of a folder wakes the caller; `s` is not touched after.
    if (s->Offen.fetch_sub(1) == 1) {
      std::lock_guard<std::mutex> l(m_);
      fertig_.notify_all();
    }
  }
}

}  // namespace vxm
