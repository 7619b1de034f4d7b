// The log written per transaction: what a commit returned is in the log for
// every other reader at once, also one that writes and reads the file
// without this process's layer, and also after the process is killed.
#include "platform/logpuffer.h"

#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "platform/sqliteprozess.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

// A connection of the engine itself; vfs "unix" passes this process's layer by.
struct Roh {
  sqlite3* db = nullptr;
  Roh(const fs::path& datei, const char* vfs = nullptr) {
    EXPECT_EQ(sqlite3_open_v2(datei.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, vfs), SQLITE_OK);
    sqlite3_busy_timeout(db, 5000);
  }
  ~Roh() { sqlite3_close(db); }
  void Sql(const std::string& sql) const {
    char* fehler = nullptr;
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &fehler), SQLITE_OK) << (fehler ? fehler : "") << sql;
  }
  std::string Text(const std::string& sql) const {
    sqlite3_stmt* s = nullptr;
    std::string aus;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
      if (const auto* t = sqlite3_column_text(s, 0)) aus = reinterpret_cast<const char*>(t);
    sqlite3_finalize(s);
    return aus;
  }
};

// The numbers 1 to n as rows of g(value).
std::string Reihe(int n) {
  return "WITH RECURSIVE g(value) AS (SELECT 1 UNION ALL SELECT value + 1 FROM g WHERE value < " +
         std::to_string(n) + ") ";
}

// Rows of `stapel`: n rows with a filling of 700 to 1,599 bytes.
std::string StapelSql(int stapel, int n) {
  return "INSERT INTO Probe (Stapel, Nr, Fuellung) " + Reihe(n) + "SELECT " + std::to_string(stapel) +
         ", value, substr(replace(hex(zeroblob(700 + value % 900)), '0', char(97 + (value + " +
         std::to_string(stapel) + ") % 26)), 1, 700 + value % 900) FROM g";
}

class LogPufferTest : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    SqliteEinrichten();
    datei_ = temp_ / "probe.db";
    Roh r(datei_);
    r.Sql("PRAGMA journal_mode=WAL");
    r.Sql("CREATE TABLE Probe (Stapel INTEGER, Nr INTEGER, Fuellung TEXT, PRIMARY KEY (Stapel, Nr))");
  }
  // What a reader without the layer sees: rows per batch and whether the file is whole.
  std::string Stand() const {
    Roh r(datei_, "unix");
    return r.Text("SELECT group_concat(Stapel || ':' || n || ':' || l, ' ') FROM (SELECT Stapel, count(*) n, "
                  "sum(length(Fuellung)) l FROM Probe GROUP BY Stapel ORDER BY Stapel)") +
           " / " + r.Text("PRAGMA integrity_check");
  }
  fs::path datei_;
};

// Large and small commits, transactions that spill pages before their commit
// (small page cache) and write some twice (rows changed again), a rollback
// after a spill, synchronous FULL and NORMAL: a reader beside the writer,
// without the layer, sees each commit whole as soon as it returned, and
// nothing of the rolled-back one.
TEST_F(LogPufferTest, JederCommitIstFuerLeserOhneDieSchichtSofortGanzDa) {
  ASSERT_STREQ(sqlite3_vfs_find(nullptr)->zName, kLogPufferName);  // what the writer below goes through
  Roh w(datei_);
  std::string erwartet;
  auto pruefen = [&](int stapel, int n) {
    Roh r(datei_, "unix");
    const std::string ist = r.Text("SELECT count(*) || ':' || sum(length(Fuellung)) FROM Probe WHERE Stapel = " +
                                   std::to_string(stapel));
    const std::string soll = r.Text(Reihe(n) + "SELECT " + std::to_string(n) + " || ':' || sum(700 + value % 900) FROM g");
    EXPECT_EQ(ist, soll) << "Stapel " << stapel;
  };
  int stapel = 0;
  for (const char* sync : {"NORMAL", "FULL"}) {
    w.Sql(std::string("PRAGMA synchronous=") + sync);
    for (const int n : {1, 40, 3000}) {  // one page, some, thousands
      w.Sql(StapelSql(++stapel, n));
      pruefen(stapel, n);
    }
    // Spilled before its commit, pages written twice in one transaction.
    w.Sql("PRAGMA cache_size=20");
    w.Sql("BEGIN");
    w.Sql(StapelSql(++stapel, 2000));
    w.Sql("UPDATE Probe SET Fuellung = upper(Fuellung) WHERE Stapel = " + std::to_string(stapel));
    w.Sql("UPDATE Probe SET Fuellung = lower(Fuellung) WHERE Stapel = " + std::to_string(stapel));
    w.Sql("COMMIT");
    pruefen(stapel, 2000);
    // Spilled, then taken back: nothing of it, and the next commit is whole.
    const std::string vorher = Stand();
    w.Sql("BEGIN");
    w.Sql(StapelSql(++stapel, 2500));
    w.Sql("ROLLBACK");
    EXPECT_EQ(Stand(), vorher);
    w.Sql("PRAGMA cache_size=-65536");
    w.Sql(StapelSql(++stapel, 500));
    pruefen(stapel, 500);
  }
  // Written back into the file and the log begun anew: still whole.
  w.Sql("PRAGMA wal_checkpoint(TRUNCATE)");
  w.Sql(StapelSql(++stapel, 100));
  pruefen(stapel, 100);
  EXPECT_NE(Stand().find(" / ok"), std::string::npos) << Stand();
}

// Killed at random points while it commits batches of random size (some
// spilling before their commit): every batch reported committed is there
// whole, none in part, and the file is sound.
TEST_F(LogPufferTest, AbgeschossenBleibtJederCommitGanzOderFehlt) {
  std::mt19937 zufall(20261210);
  for (int runde = 0; runde < 8; ++runde) {
    const unsigned saat = zufall();
    int rohr = -1;
    const pid_t pid = test::KindMitRohr(rohr, [&](int schreiben) {
      std::mt19937 z(saat);
      sqlite3* db = nullptr;
      if (sqlite3_open(datei_.c_str(), &db) != SQLITE_OK) ::_exit(1);
      sqlite3_exec(db, "PRAGMA synchronous=NORMAL; PRAGMA cache_size=200", nullptr, nullptr, nullptr);
      for (int s = 1;; ++s) {
        const int n = std::uniform_int_distribution<int>(1, 1500)(z);
        if (sqlite3_exec(db, StapelSql(runde * 1000 + s, n).c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
          ::_exit(1);
        const int gemeldet[2] = {runde * 1000 + s, n};
        if (::write(schreiben, gemeldet, sizeof gemeldet) != sizeof gemeldet) ::_exit(2);
      }
    });
    ASSERT_GE(pid, 0);
    int gemeldet[2];
    ASSERT_EQ(::read(rohr, gemeldet, sizeof gemeldet), static_cast<ssize_t>(sizeof gemeldet));
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 60)(zufall)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    std::vector<std::pair<int, int>> bestaetigt{{gemeldet[0], gemeldet[1]}};
    while (::read(rohr, gemeldet, sizeof gemeldet) == static_cast<ssize_t>(sizeof gemeldet))
      bestaetigt.push_back({gemeldet[0], gemeldet[1]});
    ::close(rohr);

    Roh r(datei_, "unix");
    EXPECT_EQ(r.Text("PRAGMA integrity_check"), "ok");
    for (const auto& [stapel, n] : bestaetigt)
      EXPECT_EQ(r.Text("SELECT count(*) FROM Probe WHERE Stapel = " + std::to_string(stapel)), std::to_string(n))
          << "Runde " << runde << ", Stapel " << stapel;
    // At most the batch under way besides, and that one whole.
    const int weitere = std::stoi(r.Text("SELECT count(DISTINCT Stapel) FROM Probe WHERE Stapel > " +
                                         std::to_string(bestaetigt.back().first) + " AND Stapel < " +
                                         std::to_string(runde * 1000 + 1000)));
    EXPECT_LE(weitere, 1);
  }
}

}  // namespace
}  // namespace vxm
