#include "platform/logpuffer.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vxm {
namespace {

// A frame in the log: a header of 24 bytes, then the page. Bytes 4 to 7 of
// the header hold the file's size after a commit, zero in other frames.
constexpr int kKopf = 24;
// Gathered at most before it is written anyway (a transaction larger than
// the page cache spills frames before its commit).
constexpr std::size_t kHoechstens = std::size_t{32} << 20;
constexpr std::size_t kBehalten = std::size_t{8} << 20;
// The layer below writes at most 128 KB in one call.
constexpr std::size_t kStueck = std::size_t{120} << 10;

bool CommitKopf(const void* kopf) {
  const auto* b = static_cast<const unsigned char*>(kopf);
  return (b[4] | b[5] | b[6] | b[7]) != 0;
}

sqlite3_vfs* Unten() {
  static sqlite3_vfs* unten = sqlite3_vfs_find(nullptr);
  return unten;
}

// A log file: the layer below's file sits right behind it.
struct LogDatei {
  sqlite3_file basis;
  sqlite3_file* unten;
  std::vector<char>* puffer;  // frames not yet written, from offset `ab` on
  sqlite3_int64 ab;
  bool seiteFolgt;  // the last frame header gathered waits for its page
};
constexpr std::size_t kVersatz = (sizeof(LogDatei) + 7) & ~std::size_t{7};

LogDatei* Log(sqlite3_file* f) { return reinterpret_cast<LogDatei*>(f); }
const sqlite3_io_methods* M(LogDatei* d) { return d->unten->pMethods; }

int Schreiben(LogDatei* d) {
  d->seiteFolgt = false;
  int rc = SQLITE_OK;
  for (std::size_t von = 0; von < d->puffer->size() && rc == SQLITE_OK; von += kStueck) {
    const std::size_t n = std::min(kStueck, d->puffer->size() - von);
    rc = M(d)->xWrite(d->unten, d->puffer->data() + von, static_cast<int>(n), d->ab + static_cast<sqlite3_int64>(von));
  }
  d->puffer->clear();
  // Kept for the next transaction (fresh memory costs a page fault a page),
  // unless one transaction made it large.
  if (d->puffer->capacity() > kBehalten) std::vector<char>().swap(*d->puffer);
  return rc;
}

int Anhaengen(LogDatei* d, const void* daten, int n, sqlite3_int64 wo) {
  if (d->puffer->empty()) d->ab = wo;
  const auto* b = static_cast<const char*>(daten);
  d->puffer->insert(d->puffer->end(), b, b + n);
  return d->puffer->size() >= kHoechstens ? Schreiben(d) : SQLITE_OK;
}

// Only pairs of a frame header that is no commit and the page right behind
// it are gathered; everything else is written at once, after what was
// gathered. So the commit frame itself finds all frames before it written,
// and a log rewritten in place (checksums, a page written twice in one
// transaction) or written in another shape goes through as SQLite wrote it.
int LogSchreiben(sqlite3_file* f, const void* daten, int n, sqlite3_int64 wo) {
  LogDatei* d = Log(f);
  const bool anschliessend = d->puffer->empty() || wo == d->ab + static_cast<sqlite3_int64>(d->puffer->size());
  if (d->seiteFolgt) {
    d->seiteFolgt = false;
    if (anschliessend && n != kKopf) return Anhaengen(d, daten, n, wo);
  } else if (n == kKopf && anschliessend && !CommitKopf(daten)) {
    d->seiteFolgt = true;
    return Anhaengen(d, daten, n, wo);
  }
  if (const int rc = Schreiben(d); rc != SQLITE_OK) return rc;
  return M(d)->xWrite(d->unten, daten, n, wo);
}

int LogSchliessen(sqlite3_file* f) {
  LogDatei* d = Log(f);
  const int rc = Schreiben(d);
  const int rcZu = M(d)->xClose(d->unten);
  delete d->puffer;
  d->puffer = nullptr;
  return rc != SQLITE_OK ? rc : rcZu;
}

int LogLesen(sqlite3_file* f, void* daten, int n, sqlite3_int64 wo) {
  LogDatei* d = Log(f);
  if (const int rc = Schreiben(d); rc != SQLITE_OK) return rc;
  return M(d)->xRead(d->unten, daten, n, wo);
}

int LogKuerzen(sqlite3_file* f, sqlite3_int64 groesse) {
  LogDatei* d = Log(f);
  if (const int rc = Schreiben(d); rc != SQLITE_OK) return rc;
  return M(d)->xTruncate(d->unten, groesse);
}

int LogSync(sqlite3_file* f, int flags) {
  LogDatei* d = Log(f);
  if (const int rc = Schreiben(d); rc != SQLITE_OK) return rc;
  return M(d)->xSync(d->unten, flags);
}

int LogGroesse(sqlite3_file* f, sqlite3_int64* groesse) {
  LogDatei* d = Log(f);
  if (const int rc = Schreiben(d); rc != SQLITE_OK) return rc;
  return M(d)->xFileSize(d->unten, groesse);
}

int LogSteuern(sqlite3_file* f, int op, void* arg) {
  LogDatei* d = Log(f);
  if (const int rc = Schreiben(d); rc != SQLITE_OK) return rc;
  return M(d)->xFileControl(d->unten, op, arg);
}

int LogSperren(sqlite3_file* f, int art) { return M(Log(f))->xLock(Log(f)->unten, art); }
int LogEntsperren(sqlite3_file* f, int art) { return M(Log(f))->xUnlock(Log(f)->unten, art); }
int LogGesperrt(sqlite3_file* f, int* aus) { return M(Log(f))->xCheckReservedLock(Log(f)->unten, aus); }
int LogSektor(sqlite3_file* f) { return M(Log(f))->xSectorSize(Log(f)->unten); }
int LogEigenschaften(sqlite3_file* f) { return M(Log(f))->xDeviceCharacteristics(Log(f)->unten); }

// Version 1: the log is never mapped into memory nor has a shared index of its own.
const sqlite3_io_methods kLogMethoden = {
    1,       LogSchliessen, LogLesen,   LogSchreiben,     LogKuerzen, LogSync,   LogGroesse,
    LogSperren, LogEntsperren, LogGesperrt, LogSteuern, LogSektor, LogEigenschaften,
    nullptr, nullptr,       nullptr,    nullptr,          nullptr,    nullptr,
};

int Oeffnen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* ausFlags) {
  sqlite3_vfs* u = Unten();
  // Every other file is the layer below's own, in the same memory.
  if (!(flags & SQLITE_OPEN_WAL)) return u->xOpen(u, name, f, flags, ausFlags);
  LogDatei* d = Log(f);
  d->basis.pMethods = nullptr;
  d->unten = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(f) + kVersatz);
  d->unten->pMethods = nullptr;
  const int rc = u->xOpen(u, name, d->unten, flags, ausFlags);
  if (rc != SQLITE_OK) {
    if (d->unten->pMethods) d->unten->pMethods->xClose(d->unten);
    return rc;
  }
  d->puffer = new (std::nothrow) std::vector<char>();
  if (!d->puffer) {
    d->unten->pMethods->xClose(d->unten);
    return SQLITE_NOMEM;
  }
  d->ab = 0;
  d->seiteFolgt = false;
  d->basis.pMethods = &kLogMethoden;
  return SQLITE_OK;
}

}  // namespace

void LogPufferEinrichten() {
  static const bool eingerichtet = [] {
    sqlite3_vfs* u = Unten();
    if (!u) return false;
    // Everything but the opening is the layer below's (its own data included).
    static sqlite3_vfs eigen = *u;
    eigen.pNext = nullptr;
    eigen.zName = kLogPufferName;
    eigen.szOsFile = static_cast<int>(kVersatz) + u->szOsFile;
    eigen.xOpen = Oeffnen;
    return sqlite3_vfs_register(&eigen, 1) == SQLITE_OK;
  }();
  (void)eingerichtet;
}

}  // namespace vxm
