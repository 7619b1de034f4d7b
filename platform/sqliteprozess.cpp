// The SQLite engine's state for the whole process; see sqliteprozess.h.
#include "platform/sqliteprozess.h"

#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statfs.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>

#include "platform/logpuffer.h"

namespace vxm {
namespace fs = std::filesystem;

namespace {

// File systems of other machines: NFS, SMB/CIFS (old and new), FUSE (sshfs,
// gvfs and the like), AFS, 9P, Ceph.
bool StatfsNetzlaufwerk(const fs::path& datei) {
  struct statfs st {};
  if (::statfs(datei.parent_path().empty() ? "." : datei.parent_path().c_str(), &st) != 0) return false;
  switch (static_cast<unsigned long>(st.f_type)) {
    case 0x6969UL:      // NFS
    case 0x517BUL:      // SMB
    case 0xFF534D42UL:  // CIFS
    case 0xFE534D42UL:  // SMB2
    case 0x65735546UL:  // FUSE
    case 0x5346414FUL:  // AFS
    case 0x01021997UL:  // 9P
    case 0x00C36400UL:  // Ceph
      return true;
    default: return false;
  }
}

std::atomic<bool>& Aufgeschoben() {
  static std::atomic<bool> a{false};
  return a;
}
std::function<bool(const fs::path&)>& Netzlaufwerk() {
  static std::function<bool(const fs::path&)> erkennen = StatfsNetzlaufwerk;
  return erkennen;
}

// Files this process has checked whole: device and inode, with the change
// time the file had when this process last had it in hand (after the check,
// and after closing, when its own checkpoint has written to it). A file
// changed by anyone else since, or a new file under a reused inode, is
// checked again.
struct Dateistand {
  dev_t geraet = 0;
  ino_t knoten = 0;
  int64_t geaendert = 0;  // st_ctim in nanoseconds
};
std::mutex& GeprueftSperre() {
  static std::mutex m;
  return m;
}
std::map<std::pair<dev_t, ino_t>, int64_t>& Geprueft() {
  static std::map<std::pair<dev_t, ino_t>, int64_t> g;
  return g;
}
bool StandLesen(const fs::path& p, Dateistand& d) {
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return false;
  d = {st.st_dev, st.st_ino, static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
  return true;
}

// The page cache of a whole store's register holds tens of thousands of
// pages. Taken one by one from the heap, each costs a page fault of its
// own; from one reservation the system may back with huge pages, a handful
// do. Slots never used cost address space only; beyond them the engine
// takes its pages from the heap as before.
int SeitenspeicherEinrichten() {
  int kopf = 0;
  if (sqlite3_config(SQLITE_CONFIG_PCACHE_HDRSZ, &kopf) != SQLITE_OK) return -1;
  constexpr std::size_t kSeite = 4096, kPlaetze = 16384;
  const std::size_t platz = (kSeite + static_cast<std::size_t>(kopf) + 7) & ~std::size_t{7};
  void* speicher =
      ::mmap(nullptr, platz * kPlaetze, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (speicher == MAP_FAILED) return -1;
  ::madvise(speicher, platz * kPlaetze, MADV_HUGEPAGE);
  const int rc = sqlite3_config(SQLITE_CONFIG_PAGECACHE, speicher, static_cast<int>(platz), static_cast<int>(kPlaetze));
  if (rc != SQLITE_OK) ::munmap(speicher, platz * kPlaetze);
  return rc;
}

}  // namespace

void SqliteEinrichten() {
  // Nobody asks the engine for its memory figures: without them its
  // allocations take no lock.
  static const int ohneStatistik = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  static const int seitenspeicher = SeitenspeicherEinrichten();
  (void)ohneStatistik;
  (void)seitenspeicher;
  LogPufferEinrichten();  // (starts the engine: after the settings above)
}

bool SchreibpruefungAufgeschoben() { return Aufgeschoben().load(); }

bool AufNetzlaufwerk(const fs::path& datei) { return Netzlaufwerk()(datei); }

bool BeimStartGeprueft(const fs::path& p) {
  Dateistand d;
  if (!StandLesen(p, d)) return false;
  std::lock_guard<std::mutex> l(GeprueftSperre());
  const auto it = Geprueft().find({d.geraet, d.knoten});
  return it != Geprueft().end() && it->second == d.geaendert;
}
void AlsGeprueftMerken(const fs::path& p) {
  Dateistand d;
  if (!StandLesen(p, d)) return;
  std::lock_guard<std::mutex> l(GeprueftSperre());
  Geprueft()[{d.geraet, d.knoten}] = d.geaendert;
}

void SchreibpruefungAufschieben(bool aufschieben) { Aufgeschoben() = aufschieben; }

std::optional<std::vector<std::string>> DateiSeitenPruefen(const fs::path& host) {
  std::error_code ec;
  if (!fs::is_regular_file(host, ec) || fs::file_size(host, ec) == 0) return std::nullopt;
  SqliteEinrichten();
  ::sqlite3* db = nullptr;
  // Read and write, so a register in log mode can open its shared index;
  // nothing is written. Read-only where the file allows no more.
  int rc = sqlite3_open_v2(host.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close(db);
    db = nullptr;
    rc = sqlite3_open_v2(host.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  }
  std::optional<std::vector<std::string>> befunde;
  sqlite3_stmt* s = nullptr;
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(db, 10000);
    sqlite3_exec(db, "PRAGMA cache_size=-32768", nullptr, nullptr, nullptr);
    rc = sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr);
  }
  if (rc == SQLITE_OK) {
    std::vector<std::string> b;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
      const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
      if (t && std::string_view(t) != "ok") b.emplace_back(t);
    }
    if (rc == SQLITE_DONE) befunde = std::move(b);
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  if (befunde && befunde->empty()) AlsGeprueftMerken(host);
  return befunde;
}

void NetzlaufwerkErkennungSetzen(std::function<bool(const std::filesystem::path&)> erkennen) {
  Netzlaufwerk() = erkennen ? std::move(erkennen) : StatfsNetzlaufwerk;
}

}  // namespace vxm
