#include "search/volltext/schreiber.h"

#include "search/volltext/nebenleser.h"

namespace vxm::volltext {

Stapelschreiber::Stapelschreiber(std::filesystem::path datei, std::size_t stapel,
                                 std::chrono::milliseconds stapelzeit, bool niedrig)
    : datei_(std::move(datei)), stapelGroesse_(stapel), stapelzeit_(stapelzeit), niedrig_(niedrig) {}

Stapelschreiber::~Stapelschreiber() {
  try {
    Beenden();
  } catch (...) {
  }
}

void Stapelschreiber::Starten(Volltextindex& eigener) {
  eigener_ = &eigener;
  if (thread_.joinable()) return;
  index_ = std::make_unique<Volltextindex>(datei_);
  ende_ = false;
  thread_ = std::thread([this] {
    if (niedrig_) ThreadNiedrig();
    std::unique_lock<std::mutex> l(m_);
    for (;;) {
      cv_.wait(l, [&] { return ende_ || !schlange_.empty(); });
      if (schlange_.empty()) break;
      auto st = std::move(schlange_.front());
      schlange_.pop_front();
      schreibtGerade_ = true;
      l.unlock();
      Schreiben(st, *index_);
      l.lock();
      schreibtGerade_ = false;
      cv_.notify_all();
    }
  });
}

void Stapelschreiber::Beenden() {
  Festschreiben();
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> l(m_);
    ende_ = true;
  }
  cv_.notify_all();
  thread_.join();
  index_.reset();
}

void Stapelschreiber::Vormerken(Schreibauftrag s) {
  if (stapel_.empty()) {
    stapelSeit_ = std::chrono::steady_clock::now();
    stapelBytes_ = 0;
  }
  // Compressing and taking the text apart here, on the caller's thread,
  // leaves the writer's thread (which all indexing waits for) only the
  // writing.
  if (s.Text) {
    s.Vor = Vorbereiten(*s.Text, s.Eintrag.Zustand == Indexzustand::Indiziert);
    s.Text.reset();
    stapelBytes_ += s.Vor->Bytes;
  }
  stapel_.push_back(std::move(s));
  // Few large texts make a batch as well: memory stays bounded.
  if (stapel_.size() >= stapelGroesse_ || stapelBytes_ >= (64u << 20) ||
      std::chrono::steady_clock::now() - stapelSeit_ >= stapelzeit_)
    Festschreiben();
}

void Stapelschreiber::Festschreiben() {
  if (stapel_.empty()) return;
  if (!thread_.joinable()) {
    Schreiben(stapel_, *eigener_);
    stapel_.clear();
    return;
  }
  std::unique_lock<std::mutex> l(m_);
  // At most two batches wait: memory stays bounded.
  cv_.wait(l, [&] { return schlange_.size() < 2; });
  schlange_.push_back(std::move(stapel_));
  stapel_.clear();
  cv_.notify_all();
}

void Stapelschreiber::Leeren() {
  Festschreiben();
  if (!thread_.joinable()) return;
  std::unique_lock<std::mutex> l(m_);
  cv_.wait(l, [&] { return schlange_.empty() && !schreibtGerade_; });
}

void Stapelschreiber::Schreiben(std::vector<Schreibauftrag>& stapel, Volltextindex& index) {
  // Another process may hold the lock for a while: retry, never lose.
  for (int versuch = 0;; ++versuch) {
    try {
      Volltextindex::Transaktion t(index);
      for (auto& s : stapel) {
        if (s.Ordner) {
          if (!verloren_) index.OrdnerzeitSchreiben(s.Eintrag.Pfad, s.Eintrag.Mtime, s.Zwillinge);
        } else if (s.Loeschen) {
          index.Entfernen(s.Eintrag.Pfad);
        } else if (s.NurZeit) {
          index.ZeitAktualisieren(s.Eintrag.Id, s.Eintrag.Groesse, s.Eintrag.Mtime);
        } else {
          index.Schreiben(s.Eintrag, s.Vor ? &*s.Vor : nullptr, s.TextErneuern);
        }
      }
      t.Festschreiben();
      break;
    } catch (const IndexFehler&) {
      if (versuch >= 5) {
        // Dropped; the files are found changed again next time, and no
        // folder time may vouch for them until then.
        verloren_ = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(200 * (versuch + 1)));
    }
  }
}

}  // namespace vxm::volltext
