#include "platform/rueckschreiben.h"

#include <sqlite3.h>

#include <cstring>

#include "platform/datenbank.h"

namespace vxm {
namespace {

// SQLite's own threshold for writing back after a commit (pages in the log).
constexpr int kSeiten = 1000;

bool MitLog(sqlite3* h) {
  sqlite3_stmt* s = nullptr;
  bool wal = false;
  if (sqlite3_prepare_v2(h, "PRAGMA main.journal_mode", -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
    wal = std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "wal") == 0;
  sqlite3_finalize(s);
  return wal;
}

}  // namespace

LogImHintergrund::LogImHintergrund(Datenbank& db) {
  sqlite3* h = db.Handle();
  if (!h || sqlite3_db_readonly(h, "main") != 0 || !MitLog(h)) return;
  const char* datei = sqlite3_db_filename(h, "main");
  if (!datei || !*datei) return;
  // (asking for the log mode also makes the connection find the log)
  if (sqlite3_open_v2(datei, &eigen_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK || !MitLog(eigen_)) {
    sqlite3_close(eigen_);
    eigen_ = nullptr;
    return;
  }
  sqlite3_busy_timeout(eigen_, 0);  // a write-back that meets a lock is left to the next one
  haupt_ = h;
  faden_ = std::thread([this] { Arbeiten(); });
  sqlite3_wal_hook(haupt_, &LogImHintergrund::NachCommit, this);  // (replaces the commit's own write-back)
}

LogImHintergrund::~LogImHintergrund() {
  if (!haupt_) return;
  sqlite3_wal_autocheckpoint(haupt_, kSeiten);
  {
    std::lock_guard<std::mutex> l(sperre_);
    ende_ = true;
  }
  wecken_.notify_one();
  faden_.join();
  sqlite3_close(eigen_);
}

int LogImHintergrund::NachCommit(void* selbst, sqlite3*, const char*, int seiten) {
  auto* s = static_cast<LogImHintergrund*>(selbst);
  if (seiten >= kSeiten) {
    {
      std::lock_guard<std::mutex> l(s->sperre_);
      s->faellig_ = true;
    }
    s->wecken_.notify_one();
  }
  return SQLITE_OK;
}

void LogImHintergrund::Arbeiten() {
  std::unique_lock<std::mutex> l(sperre_);
  for (;;) {
    wecken_.wait(l, [this] { return faellig_ || ende_; });
    if (!faellig_) return;  // ended with nothing due
    faellig_ = false;
    l.unlock();
    // Passive: never waits for, nor stops, the writer or a reader.
    sqlite3_wal_checkpoint_v2(eigen_, "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    l.lock();
  }
}

}  // namespace vxm
