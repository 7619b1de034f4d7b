// The walk of the store on several threads, and reading a file it has just seen.
#include "files/bestandslauf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include "files/fingerabdruck.h"
#include "platform/inhaltshash.h"
#include "platform/text.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

class BestandslaufTest : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    wurzel_ = Host("C:\\Ablage");
    // 40 folders in three levels, a few files each, and what the walk leaves out.
    for (int a = 0; a < 4; ++a)
      for (int b = 0; b < 10; ++b) {
        const std::string o = "C:\\Ablage\\Mandant " + std::to_string(a) + "\\Akte " + std::to_string(b);
        for (int f = 0; f < 1 + b % 3; ++f) DateiAnlegen(o + "\\Brief " + std::to_string(f) + ".odt", "Text");
      }
    DateiAnlegen("C:\\Ablage\\Übersicht.pdf", "PDF");
    DateiAnlegen("C:\\Ablage\\.~vxm1234 Übersicht.pdf", "halb");
    std::ofstream(wurzel_ / "Mandant 0" / "a\\b.txt") << "kein Windows-Name";
    fs::create_directory_symlink(wurzel_ / "Mandant 1", wurzel_ / "Verweis");  // not entered: may lead in circles
  }
  fs::path wurzel_;
};

TEST_F(BestandslaufTest, AufMehrerenFaedenJedeDateiEinmalUndJeOrdnerAmStueck) {
  std::multiset<std::string> einzeln;
  const LaufErgebnis e1 = BestandLaufen(wurzel_, "C:\\Ablage", [&](const LaufDatei& f) {
    einzeln.insert(std::string(f.Ordner) + "\\" + std::string(f.Name));
  });
  EXPECT_EQ(e1.Dateien, 4u * 19 + 1);  // 1 to 3 in each folder, and the overview
  EXPECT_TRUE(einzeln.count("C:\\Ablage\\Übersicht.pdf"));
  EXPECT_TRUE(einzeln.count("C:\\Ablage\\Mandant 3\\Akte 8\\Brief 2.odt"));

  std::mutex m;
  std::multiset<std::string> parallel;
  std::map<std::string, std::set<std::size_t>> faedenJeOrdner;
  std::map<std::size_t, std::vector<std::string>> jeFaden;
  const LaufErgebnis e3 = BestandLaufen(wurzel_, "C:\\Ablage", 3, [&](std::size_t faden, const LaufDatei& f) {
    ASSERT_LT(faden, 3u);
    EXPECT_EQ(f.OrdnerFalte, Falten(f.Ordner));
    std::lock_guard<std::mutex> l(m);
    parallel.insert(std::string(f.Ordner) + "\\" + std::string(f.Name));
    faedenJeOrdner[std::string(f.Ordner)].insert(faden);
    auto& v = jeFaden[faden];
    if (v.empty() || v.back() != f.Ordner) v.emplace_back(f.Ordner);
  });
  EXPECT_EQ(e3.Dateien, e1.Dateien);
  EXPECT_EQ(parallel, einzeln);
  for (const auto& [ordner, faeden] : faedenJeOrdner) EXPECT_EQ(faeden.size(), 1u) << ordner;
  // A folder's files come in one run: no folder turns up twice in a thread's sequence.
  for (const auto& [faden, v] : jeFaden) EXPECT_EQ(std::set<std::string>(v.begin(), v.end()).size(), v.size());
}

TEST_F(BestandslaufTest, FehlerImAufrufBeendetDenLaufUndKommtAn) {
  std::atomic<int> gesehen{0};
  EXPECT_THROW(BestandLaufen(wurzel_, "C:\\Ablage", 2,
                             [&](std::size_t, const LaufDatei&) {
                               const int n = ++gesehen;
                               if (n == 5) throw std::runtime_error("abgebrochen");
                               // (the other thread slowed down: the throwing one may be
                               // put aside by a busy machine before it stops the walk)
                               if (n > 5) std::this_thread::sleep_for(std::chrono::milliseconds(2));
                             }),
               std::runtime_error);
  EXPECT_LT(gesehen.load(), 77);
  // Without a start folder nothing is called.
  const LaufErgebnis e = BestandLaufen(Host("C:\\Fehlt"), "C:\\Fehlt", 2, [](std::size_t, const LaufDatei&) { FAIL(); });
  EXPECT_FALSE(e.Gefunden);
}

// ------------------------------------------------- reading a file just seen

TEST_F(BestandslaufTest, GesehenGelesenNurWennUnveraendert) {
  const fs::path p = wurzel_ / "Übersicht.pdf";
  auto stand = StandLesen(p);
  ASSERT_TRUE(stand);
  const auto ueberPfad = InhaltLesen(p);
  ASSERT_TRUE(ueberPfad);
  EXPECT_EQ(InhaltLesen(p, *stand), ueberPfad);

  // Larger than one read: the same hash as read to the end.
  const fs::path gross = wurzel_ / "Scan.pdf";
  std::ofstream(gross, std::ios::binary) << std::string(700'001, 's');
  const auto standGross = StandLesen(gross);
  ASSERT_TRUE(standGross);
  const auto g = InhaltLesen(gross, *standGross);
  ASSERT_TRUE(g);
  EXPECT_EQ(g, InhaltLesen(gross));
  EXPECT_EQ(g->Groesse, 700'001);

  // Written to since it was seen: another length, or the same length with another time.
  std::ofstream(p, std::ios::app) << "+";
  EXPECT_FALSE(InhaltLesen(p, *stand));
  std::ofstream(p, std::ios::trunc) << "pdf";
  const timespec zeiten[2] = {{0, UTIME_OMIT}, {1'600'000'000, 5}};
  ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), zeiten, 0), 0);
  EXPECT_FALSE(InhaltLesen(p, *stand));

  // Gone, or a pipe in its place: nothing, and nothing waits for a writer.
  fs::remove(p);
  EXPECT_FALSE(InhaltLesen(p, *stand));
  ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0);
  EXPECT_FALSE(InhaltLesen(p, *stand));
  EXPECT_FALSE(InhaltLesen(p));
}

TEST(InhaltHashenTest, GroesseAlsHinweisAendertDenHashNicht) {
  const fs::path p = fs::temp_directory_path() / ("vxm_hash_" + std::to_string(::getpid()));
  for (const std::size_t n : {0u, 1u, 4096u, 262'144u, 262'145u, 600'000u}) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << std::string(n, 'h');
    Inhaltshash ohne{}, mit{};
    std::int64_t gelesenOhne = -1, gelesenMit = -1;
    const int a = ::open(p.c_str(), O_RDONLY), b = ::open(p.c_str(), O_RDONLY);
    ASSERT_TRUE(InhaltHashen(a, ohne, gelesenOhne));
    ASSERT_TRUE(InhaltHashen(b, mit, gelesenMit, static_cast<std::int64_t>(n)));
    ::close(a);
    ::close(b);
    EXPECT_EQ(ohne, mit) << n;
    EXPECT_EQ(gelesenMit, static_cast<std::int64_t>(n));
  }
  fs::remove(p);
}

}  // namespace
}  // namespace vxm
