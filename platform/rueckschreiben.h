// Writing a register's log back into its file on a thread of its own.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

struct sqlite3;

namespace vxm {

class Datenbank;

// While it lives, the log of the register file behind `db` (a file kept
// with a write-ahead log) is written back into the file by a thread with a
// connection of its own, as soon as a commit has filled it, instead of by
// the commit itself: a long run of batches does not wait for the disk after
// each one. The written-back state is the same; a crash at any point leaves
// the log and the file as a crash during the commit's own write-back would.
// Nothing happens for a server register or a file without the log. What is
// left at the end is written back by the next commit or the close, as usual.
class LogImHintergrund {
 public:
  explicit LogImHintergrund(Datenbank& db);
  ~LogImHintergrund();
  LogImHintergrund(const LogImHintergrund&) = delete;
  LogImHintergrund& operator=(const LogImHintergrund&) = delete;

 private:
  static int NachCommit(void* selbst, sqlite3*, const char*, int seiten);
  void Arbeiten();

  sqlite3* haupt_ = nullptr;
  sqlite3* eigen_ = nullptr;
  std::mutex sperre_;
  std::condition_variable wecken_;
  bool faellig_ = false, ende_ = false;
  std::thread faden_;
};

}  // namespace vxm
