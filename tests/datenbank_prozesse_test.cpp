// Two processes writing the same register at once: nothing may be lost.
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "platform/datenbank.h"
#include "platform/fehler.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

constexpr int kRunden = 300;

// Registers files with one link each, every file in its own transaction,
// and every tenth keyword outside of one. Returns the exit code.
int Schreiber(const fs::path& datei, int nummer, int start) {
  char c;
  while (read(start, &c, 1) > 0) {
  }  // both begin when the parent closes the pipe
  try {
    auto db = DatenbankOeffnenHost(datei);
    for (int i = 0; i < kRunden; ++i) {
      Transaktion t(*db);
      Recordset dateien = db->OpenRecordset("SELECT * FROM Dateiinfo WHERE Dateinummer = 0");
      dateien.AddNew();
      const int32_t nr = dateien.Zahl("Dateinummer");
      dateien.FeldSetzen("Dateiname", "P" + std::to_string(nummer) + "-" + std::to_string(i) + ".txt");
      dateien.FeldSetzen("Dateipfad", "C:\\VXM\\VXMDOK\\" + std::to_string(nummer));
      dateien.Update();
      Recordset links = db->TabelleOeffnen("KeywordZwischentabelle");
      links.AddNew();
      links.FeldSetzen("Dateinummer", nr);
      links.FeldSetzen("KeywordID", nummer);
      links.Update();
      t.Bestaetigen();
      usleep(1000);  // a user's pace: the other writer gets its turn
      if (i % 10 == 0)
        db->Execute("INSERT INTO Keyword (Keyword) VALUES (\"K" + std::to_string(nummer) + "-" +
                    std::to_string(i) + "\")");
    }
    return 0;
  } catch (const VbFehler& f) {
    std::fprintf(stderr, "Schreiber %d: %s\n", nummer, f.what());
    return 1;
  }
}

class ZweiProzesseTest : public test::Umgebung, public ::testing::WithParamInterface<test::Ablage> {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    VXM_ABLAGE_PRUEFEN();
  }
};
VXM_AUF_ALLEN_ABLAGEN(ZweiProzesseTest);

TEST_P(ZweiProzesseTest, GleichzeitigesSchreibenVerliertNichts) {
  const fs::path datei = laufwerkC_ / "vxmdok.mdb";
  RegisterAnlegenAuf(GetParam(), datei);
  // no connection of this process may be inherited by the children
  std::vector<pid_t> kinder;
  int rohr[2];
  ASSERT_EQ(pipe(rohr), 0);
  for (int nummer = 1; nummer <= 2; ++nummer) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(rohr[1]);
      _exit(Schreiber(datei, nummer, rohr[0]));
    }
    kinder.push_back(pid);
  }
  close(rohr[0]);
  close(rohr[1]);
  for (pid_t pid : kinder) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }

  auto db = DatenbankOeffnenHost(datei);
  Recordset dateien = db->OpenRecordset("SELECT * FROM Dateiinfo");
  EXPECT_EQ(dateien.RecordCount(), 2 * kRunden);
  std::set<int32_t> nummern;
  std::map<int32_t, std::string> ordner;
  for (; !dateien.Eof(); dateien.MoveNext()) {
    nummern.insert(dateien.Zahl("Dateinummer"));
    ordner[dateien.Zahl("Dateinummer")] = dateien.Text("Dateipfad");
  }
  EXPECT_EQ(nummern.size(), static_cast<std::size_t>(2 * kRunden));
  // the two writers really took turns
  int wechsel = 0;
  std::string letzter;
  for (const auto& [nr, o] : ordner) {
    if (!letzter.empty() && o != letzter) ++wechsel;
    letzter = o;
  }
  EXPECT_GT(wechsel, 1);
  // every link names the file its own process wrote
  Recordset links = db->OpenRecordset("SELECT * FROM KeywordZwischentabelle");
  EXPECT_EQ(links.RecordCount(), 2 * kRunden);
  for (; !links.Eof(); links.MoveNext())
    EXPECT_EQ(ordner[links.Zahl("Dateinummer")], "C:\\VXM\\VXMDOK\\" + links.Text("KeywordID"));
  EXPECT_EQ(db->OpenRecordset("SELECT * FROM Keyword").RecordCount(), 2 * kRunden / 10);
}

}  // namespace
}  // namespace vxm
