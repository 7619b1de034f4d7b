// The register's log written back on a thread of its own, also when the
// process is killed meanwhile.
#include "platform/rueckschreiben.h"

#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "platform/datenbank.h"
#include "platform/sqlhilfen.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;
using sql::Abfrage;

constexpr int kZeilenJeStapel = 3000;  // about 1,500 pages: more than one write-back is due for

void StapelSchreiben(Datenbank& db, int stapel) {
  Transaktion t(db);
  for (int i = 0; i < kZeilenJeStapel; ++i)
    Abfrage(db, "INSERT INTO Probe (Stapel, Fuellung) VALUES (?1, ?2)")
        .Zahl(1, stapel)
        .Text(2, std::string(1500, static_cast<char>('a' + stapel % 26)))
        .Ausfuehren();
  t.Bestaetigen();
}

class RueckschreibenTest : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    datei_ = laufwerkC_ / "vxmdok.mdb";
    RegisterAnlegen(datei_.string());
    auto db = DatenbankOeffnenHost(datei_);
    db->Execute("CREATE TABLE Probe (Stapel INTEGER, Fuellung TEXT)");
  }
  fs::path datei_;
};

TEST_F(RueckschreibenTest, DasLogKommtWaehrendDerArbeitInDieDatei) {
  auto db = DatenbankOeffnenHost(datei_);
  const auto vorher = fs::file_size(datei_);
  {
    LogImHintergrund log(*db);
    for (int s = 0; s < 3; ++s) StapelSchreiben(*db, s);
  }
  // Still open: only the background can have written the pages into the file.
  EXPECT_GT(fs::file_size(datei_), vorher + 3 * kZeilenJeStapel * 1500);
  // Afterwards commits write back as before, and everything is readable.
  StapelSchreiben(*db, 3);
  Abfrage a(*db, "SELECT count(*), count(DISTINCT Stapel) FROM Probe");
  ASSERT_TRUE(a.Zeile());
  EXPECT_EQ(a.ZahlSpalte(0), 4 * kZeilenJeStapel);
  EXPECT_EQ(a.ZahlSpalte(1), 4);
}

TEST_F(RueckschreibenTest, NurLesendOderOhneLogGeschiehtNichts) {
  {
    // A file without the log (rollback journal): nothing to write back, no thread.
    sqlite3* roh = nullptr;
    ASSERT_EQ(sqlite3_open(datei_.c_str(), &roh), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(roh, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(roh);
  }
  fs::permissions(datei_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  auto db = DatenbankOeffnenHost(datei_);
  LogImHintergrund log(*db);  // constructed and destroyed without a fault
  Abfrage a(*db, "SELECT count(*) FROM Probe");
  ASSERT_TRUE(a.Zeile());
  EXPECT_EQ(a.ZahlSpalte(0), 0);
}

// Killed at random points while batches are written and written back: every
// batch committed is there whole, none in part, and the file is sound.
TEST_F(RueckschreibenTest, AbgeschossenBleibtJederStapelGanzOderFehlt) {
  std::mt19937 zufall(20261209);
  for (int runde = 0; runde < 6; ++runde) {
    int rohr = -1;
    const pid_t pid = test::KindMitRohr(rohr, [&](int schreiben) {
      try {
        auto db = DatenbankOeffnenHost(datei_);
        LogImHintergrund log(*db);
        for (int s = 0;; ++s) {
          StapelSchreiben(*db, runde * 1000 + s);
          const char c = 's';
          if (::write(schreiben, &c, 1) != 1) ::_exit(2);  // one byte per committed batch
        }
      } catch (...) {
        ::_exit(1);
      }
    });
    ASSERT_GE(pid, 0);
    // Kill somewhere in the second to fourth batch, or in its write-back.
    char c;
    ASSERT_EQ(::read(rohr, &c, 1), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 120)(zufall)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    int bestaetigt = 1;
    while (::read(rohr, &c, 1) == 1) ++bestaetigt;
    ::close(rohr);

    sqlite3* roh = nullptr;
    ASSERT_EQ(sqlite3_open(datei_.c_str(), &roh), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(roh, "PRAGMA integrity_check", -1, &s, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "ok");
    sqlite3_finalize(s);
    ASSERT_EQ(sqlite3_prepare_v2(roh,
                                 "SELECT Stapel, count(*) FROM Probe WHERE Stapel >= ?1 AND Stapel < ?1 + 1000 "
                                 "GROUP BY Stapel",
                                 -1, &s, nullptr),
              SQLITE_OK);
    sqlite3_bind_int(s, 1, runde * 1000);
    int stapel = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
      EXPECT_EQ(sqlite3_column_int(s, 1), kZeilenJeStapel) << "Stapel " << sqlite3_column_int(s, 0);
      ++stapel;
    }
    sqlite3_finalize(s);
    sqlite3_close(roh);
    // Every batch the child reported is there; at most the one under way besides.
    EXPECT_GE(stapel, bestaetigt);
    EXPECT_LE(stapel, bestaetigt + 1);
  }
}

}  // namespace
}  // namespace vxm
