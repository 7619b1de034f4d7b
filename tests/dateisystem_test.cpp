#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <system_error>
#include <thread>

#include "basis/dateifunktionen.h"
#include "platform/dateisystem.h"
#include "platform/fehler.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

int32_t FehlerVon(const std::function<void()>& f) {
  try {
    f();
  } catch (const VbFehler& e) {
    return e.Nummer;
  }
  return 0;
}

// Lets no file of this process grow beyond `grenze` bytes, as a full disk
// would; writes past it fail with EFBIG instead of raising SIGXFSZ.
class Dateigrenze {
 public:
  explicit Dateigrenze(rlim_t grenze) {
    alterHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &alt_);
    rlimit neu = alt_;
    neu.rlim_cur = grenze;
    setrlimit(RLIMIT_FSIZE, &neu);
  }
  ~Dateigrenze() {
    setrlimit(RLIMIT_FSIZE, &alt_);
    std::signal(SIGXFSZ, alterHandler_);
  }

 private:
  rlimit alt_{};
  void (*alterHandler_)(int);
};

class DateisystemTest : public test::Umgebung {
 protected:
  bool Still() const { return berichte_->empty() && dialoge_->Gezeigt.empty(); }
  // Files and folders below a host folder, our own unfinished writes included.
  static std::size_t Eintraege(const fs::path& ordner) {
    std::size_t n = 0;
    for (auto it = fs::recursive_directory_iterator(ordner); it != fs::recursive_directory_iterator(); ++it)
      ++n;
    return n;
  }
};

TEST(SystemFehlernummer, UrsachenStattEinesSammelfehlers) {
  auto nr = [](std::errc e) { return SystemFehlernummer(std::make_error_code(e)); };
  EXPECT_EQ(nr(std::errc::filename_too_long), 52);
  EXPECT_EQ(nr(std::errc::illegal_byte_sequence), 52);
  EXPECT_EQ(nr(std::errc::invalid_argument), 52);
  EXPECT_EQ(nr(std::errc::no_space_on_device), 61);
  EXPECT_EQ(nr(std::errc::file_too_large), 61);
  EXPECT_EQ(SystemFehlernummer(std::error_code(EDQUOT, std::generic_category())), 61);
  EXPECT_EQ(nr(std::errc::permission_denied), 70);
  EXPECT_EQ(nr(std::errc::operation_not_permitted), 70);
  EXPECT_EQ(nr(std::errc::read_only_file_system), 70);
  EXPECT_EQ(nr(std::errc::is_a_directory), 70);
  EXPECT_EQ(nr(std::errc::device_or_resource_busy), 75);
  EXPECT_EQ(nr(std::errc::text_file_busy), 75);
  EXPECT_EQ(nr(std::errc::no_such_file_or_directory), 76);
  EXPECT_EQ(nr(std::errc::not_a_directory), 76);
  EXPECT_EQ(nr(std::errc::too_many_symbolic_link_levels), 76);
  EXPECT_EQ(nr(std::errc::file_exists), 58);
  EXPECT_EQ(nr(std::errc::directory_not_empty), 58);
  EXPECT_EQ(nr(std::errc::cross_device_link), 74);
  // anything else is a device error, never "in use"
  EXPECT_EQ(nr(std::errc::io_error), 57);
  EXPECT_EQ(nr(std::errc::network_down), 57);
}

TEST_F(DateisystemTest, ZuLangeNamenSindFalscheNamen) {
  const std::string lang(300, 'a');
  EXPECT_EQ(FehlerVon([&] { fs_->CreateFolder("C:\\" + lang); }), 52);
  EXPECT_EQ(FehlerVon([&] { fs_->CreateTextFile("C:\\" + lang + ".txt", false); }), 52);
  EXPECT_EQ(FehlerVon([&] { fs_->DateiSchreiben("C:\\" + lang + ".pdf", "x"); }), 52);
  EXPECT_EQ(Eintraege(laufwerkC_), 0u);
}

TEST_F(DateisystemTest, UmbenennenAufZuLangenNamenIstKeinBelegterOrdner) {
  OrdnerAnlegenHost("C:\\Akten");
  EXPECT_FALSE(PfadUmbenennen("C:\\Akten", "C:\\" + std::string(300, 'b')));
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
  ASSERT_EQ(berichte_->size(), 1u);
  EXPECT_EQ(berichte_->front().Nummer, 52);
  EXPECT_TRUE(fs::is_directory(laufwerkC_ / "Akten"));
}

TEST_F(DateisystemTest, VollerDatentraegerLaesstAllesWieEsWar) {
  DateiAnlegen("C:\\alt.pdf", "alter Inhalt");
  DateiAnlegen("C:\\gross.bin", std::string(100000, 'g'));
  const std::size_t vorher = Eintraege(laufwerkC_);
  {
    Dateigrenze grenze(4096);
    EXPECT_EQ(FehlerVon([&] { fs_->DateiSchreiben("C:\\alt.pdf", std::string(50000, 'n')); }), 61);
    EXPECT_EQ(FehlerVon([&] { fs_->CopyFile("C:\\gross.bin", "C:\\kopie.bin", true); }), 61);
    EXPECT_FALSE(DateiKopieren("C:\\gross.bin", "C:\\alt.pdf"));
  }
  ASSERT_EQ(berichte_->size(), 1u);
  EXPECT_EQ(berichte_->front().Nummer, 61);
  EXPECT_EQ(Inhalt("C:\\alt.pdf"), "alter Inhalt");
  EXPECT_EQ(Eintraege(laufwerkC_), vorher);  // no half-written leftovers
}

// A new file appears whole or not at all, and never over a file: a full
// disk leaves nothing, and a writer killed at any point leaves no empty or
// partial file under the name (at most its hidden partial copy).
TEST_F(DateisystemTest, NeueDateiGanzOderGarNicht) {
  fs_->NeueDateiSchreiben("C:\\neu.doc", "Inhalt");
  EXPECT_EQ(Inhalt("C:\\neu.doc"), "Inhalt");
  EXPECT_EQ(FehlerVon([&] { fs_->NeueDateiSchreiben("C:\\NEU.doc", "anderes"); }), 58);
  EXPECT_EQ(Inhalt("C:\\neu.doc"), "Inhalt");
  EXPECT_EQ(Eintraege(laufwerkC_), 1u);
  {
    Dateigrenze grenze(4096);
    EXPECT_EQ(FehlerVon([&] { fs_->NeueDateiSchreiben("C:\\voll.doc", std::string(50000, 'v')); }), 61);
  }
  EXPECT_EQ(Eintraege(laufwerkC_), 1u);

  const std::string gross(8 << 20, 'g');
  const fs::path ziel = laufwerkC_ / "gross.doc";
  for (int lauf = 0; lauf < 30; ++lauf) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      try {
        fs_->NeueDateiSchreiben("C:\\gross.doc", gross);
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(lauf * 500));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::error_code ec;
    if (fs::exists(ziel)) {
      ASSERT_EQ(fs::file_size(ziel), gross.size()) << lauf;
    }
    fs::remove(ziel, ec);
  }
}

// A copy killed while it writes leaves its hidden partial copy behind.
// Opening the folder removes it once its writer is gone; a partial copy of
// a process still at work stays, and so does every file a user named, even
// one starting like ours - and listings show those.
TEST_F(DateisystemTest, VerwaisteZwischendateienGehenEigeneNamenBleiben) {
  DateiAnlegen("C:\\A\\gross.bin", std::string(16 << 20, 'g'));
  const fs::path a = laufwerkC_ / "A";
  std::string halb;
  const pid_t kind = ::fork();
  if (kind == 0) {
    try {
      fs_->CopyFile("C:\\A\\gross.bin", "C:\\A\\kopie.bin", true);
    } catch (...) {
    }
    ::_exit(0);
  }
  for (int i = 0; i < 20000 && halb.empty(); ++i) {
    for (const auto& e : fs::directory_iterator(a))
      if (e.path().filename().string().rfind(".~vxm", 0) == 0) halb = e.path().filename().string();
    if (halb.empty()) ::usleep(100);
  }
  ::kill(kind, SIGKILL);
  int status = 0;
  ::waitpid(kind, &status, 0);
  if (halb.empty() || !WIFSIGNALED(status)) GTEST_SKIP() << "die Kopie war zu schnell fertig";
  ASSERT_TRUE(fs::exists(a / halb));
  EXPECT_TRUE(IstEigeneZwischendatei(halb));

  auto anlegen = [&](const std::string& name, std::chrono::seconds alter) {
    std::ofstream(a / name) << "x";
    fs::last_write_time(a / name, fs::file_time_type::clock::now() - alter);
  };
  // Written before this clean-up began (a kill leaves it as it was).
  fs::last_write_time(a / halb, fs::file_time_type::clock::now() - std::chrono::seconds(5));
  const std::string eigen = Zwischendateiname(::getpid());  // this process is at work
  anlegen(eigen, std::chrono::seconds(5));
  // Another machine's: judged by age alone.
  std::string fremdAlt = Zwischendateiname(1), fremdNeu = Zwischendateiname(1);
  const auto rechner = fremdAlt.find('-') + 1;
  const std::string anderer = fremdAlt.substr(rechner, 8) == "00000000" ? "11111111" : "00000000";
  fremdAlt.replace(rechner, 8, anderer);
  fremdNeu.replace(rechner, 8, anderer);
  anlegen(fremdAlt, std::chrono::hours(48));
  anlegen(fremdNeu, std::chrono::hours(1));
  const std::vector<std::string> nutzer = {".~vxm1234567.tmp", ".~vxmeigene Notiz.tmp", ".~vxm1-zz-1.tmp",
                                           "~vxm" + halb.substr(5)};
  for (const auto& n : nutzer) anlegen(n, std::chrono::hours(48));

  EXPECT_EQ(fs_->ZwischendateienAufraeumen("C:\\A"), 2u);
  EXPECT_FALSE(fs::exists(a / halb));
  EXPECT_FALSE(fs::exists(a / fremdAlt));
  EXPECT_TRUE(fs::exists(a / eigen));
  EXPECT_TRUE(fs::exists(a / fremdNeu));
  std::vector<std::string> gelistet;
  for (const auto& e : fs_->Files("C:\\A")) gelistet.push_back(e.Name);
  for (const auto& n : nutzer) {
    EXPECT_TRUE(fs::exists(a / n)) << n;
    EXPECT_NE(std::find(gelistet.begin(), gelistet.end(), n), gelistet.end()) << n;
  }
  EXPECT_EQ(std::find(gelistet.begin(), gelistet.end(), eigen), gelistet.end());
  EXPECT_FALSE(IstEigeneZwischendatei(".~vxm1234567.tmp"));
}

// The listing: files only (links as what they point to), exact sizes and
// the file's own modification second, sorted by name; a missing folder is
// an error, not an empty list.
TEST_F(DateisystemTest, OrdnerlisteNurDateienMitGroesseUndZeit) {
  DateiAnlegen("C:\\A\\b.pdf", std::string(1234, 'b'));
  DateiAnlegen("C:\\A\\a.txt", "");
  OrdnerAnlegenHost("C:\\A\\Unterordner");
  const fs::path a = Host("C:\\A");
  fs::create_symlink(a / "b.pdf", a / "verweis.pdf");
  fs::create_symlink(a / "fehlt.pdf", a / "ins Leere.pdf");
  fs::create_directory_symlink(a / "Unterordner", a / "Ordnerverweis");
  const timespec zeiten[2] = {{1'600'000'000, 999'999'999}, {1'600'000'000, 999'999'999}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (a / "b.pdf").c_str(), zeiten, 0), 0);

  const auto liste = fs_->Files("C:\\A");
  ASSERT_EQ(liste.size(), 3u);
  EXPECT_EQ(liste[0].Name, "a.txt");
  EXPECT_EQ(liste[0].Groesse, 0u);
  EXPECT_EQ(liste[1].Name, "b.pdf");
  EXPECT_EQ(liste[1].Groesse, 1234u);
  EXPECT_EQ(liste[1].Geaendert, 1'600'000'000);  // not rounded up to the next second
  EXPECT_EQ(liste[2].Name, "verweis.pdf");
  EXPECT_EQ(liste[2].Groesse, 1234u);
  EXPECT_EQ(liste[2].Geaendert, 1'600'000'000);
  EXPECT_TRUE(fs_->Files("C:\\A\\Unterordner").empty());
  EXPECT_EQ(FehlerVon([&] { fs_->Files("C:\\Fehlt"); }), 76);
}

// Linked folders are listed as folders, except a link back to the folder
// itself or one above it: its files would come again under endless paths.
TEST_F(DateisystemTest, OrdnerverweisZurueckWirdNichtGelistet) {
  OrdnerAnlegenHost("C:\\A\\B\\C");
  OrdnerAnlegenHost("C:\\Anderswo");
  const fs::path b = Host("C:\\A\\B");
  fs::create_directory_symlink(b, b / "C" / "hoch");
  fs::create_directory_symlink(b / "C", b / "C" / "schleife");
  fs::create_directory_symlink(Host("C:\\A"), b / "C" / "ganz hoch");
  fs::create_directory_symlink(Host("C:\\Anderswo"), b / "C" / "Archiv");
  fs::create_directory_symlink(b / "C", b / "seitlich");
  EXPECT_EQ(fs_->SubFolders("C:\\A\\B\\C"), std::vector<std::string>{"Archiv"});
  EXPECT_EQ(fs_->SubFolders("C:\\A\\B"), (std::vector<std::string>{"C", "seitlich"}));
  EXPECT_TRUE(fs_->SubFolders("C:\\A\\B\\seitlich").size() == 1u);
}

// ---- moving files to another drive ------------------------------------------

class LaufwerkswechselTest : public DateisystemTest {
 protected:
  void SetUp() override {
    DateisystemTest::SetUp();
    laufwerkD_ = temp_ / "d";
    fs::create_directories(laufwerkD_);
    fs_->Laufwerke().Zuordnen('D', laufwerkD_);
  }
  // Drive D: on another file system, where a rename cannot move anything.
  bool AnderesDateisystemFuerD() {
    std::error_code ec;
    const fs::path shm = "/dev/shm";
    if (!fs::is_directory(shm, ec)) return false;
    struct stat a {}, b {};
    if (::stat(shm.c_str(), &a) != 0 || ::stat(temp_.c_str(), &b) != 0 || a.st_dev == b.st_dev)
      return false;
    fremd_ = shm / temp_.filename();
    if (!fs::create_directories(fremd_, ec)) return false;
    laufwerkD_ = fremd_;
    fs_->Laufwerke().Zuordnen('D', laufwerkD_);
    return true;
  }
  void TearDown() override {
    if (!fremd_.empty()) {
      std::error_code ec;
      fs::remove_all(fremd_, ec);
    }
    DateisystemTest::TearDown();
  }
  fs::path laufwerkD_, fremd_;
};

TEST_F(LaufwerkswechselTest, DateiWandertAufEinAnderesLaufwerk) {
  DateiAnlegen("C:\\Akten\\brief.txt", "Inhalt");
  fs::create_directories(laufwerkD_ / "Archiv");
  EXPECT_TRUE(PfadUmbenennen("C:\\akten\\BRIEF.txt", "d:\\archiv\\Brief.txt"));
  EXPECT_FALSE(fs::exists(laufwerkC_ / "Akten" / "brief.txt"));
  EXPECT_EQ(Inhalt("D:\\Archiv\\Brief.txt"), "Inhalt");
  EXPECT_TRUE(Still());
}

TEST_F(LaufwerkswechselTest, GleicherPfadAufAnderemLaufwerkIstKeinUnterordner) {
  DateiAnlegen("C:\\Akte", "Inhalt");
  fs::create_directories(laufwerkD_ / "Akte");
  EXPECT_TRUE(PfadUmbenennen("C:\\Akte", "D:\\Akte\\Akte"));
  EXPECT_EQ(Inhalt("D:\\Akte\\Akte"), "Inhalt");
  EXPECT_TRUE(Still());
}

TEST_F(LaufwerkswechselTest, OrdnerBleibenAufIhremLaufwerk) {
  DateiAnlegen("C:\\Akten\\brief.txt");
  EXPECT_FALSE(PfadUmbenennen("C:\\Akten", "D:\\Akten"));
  ASSERT_EQ(berichte_->size(), 1u);
  EXPECT_EQ(berichte_->front().Nummer, 74);
  EXPECT_TRUE(fs::exists(laufwerkC_ / "Akten" / "brief.txt"));
  EXPECT_FALSE(fs::exists(laufwerkD_ / "Akten"));
}

TEST_F(LaufwerkswechselTest, VorhandenesZielWirdNieErsetzt) {
  DateiAnlegen("C:\\a.txt", "neu");
  std::ofstream(laufwerkD_ / "a.txt") << "alt";
  EXPECT_FALSE(PfadUmbenennen("C:\\a.txt", "D:\\A.TXT"));
  EXPECT_EQ(berichte_->front().Nummer, 58);
  EXPECT_EQ(Inhalt("C:\\a.txt"), "neu");
  EXPECT_EQ(Inhalt("D:\\a.txt"), "alt");
}

TEST_F(LaufwerkswechselTest, ZwischenDateisystemenKopierenDannLoeschen) {
  if (!AnderesDateisystemFuerD()) GTEST_SKIP() << "no second file system at hand";
  DateiAnlegen("C:\\scan.pdf", std::string(200000, 's'));
  const auto zeit = fs::file_time_type::clock::now() - std::chrono::hours(72);
  fs::last_write_time(Host("C:\\scan.pdf"), zeit);
  EXPECT_TRUE(PfadUmbenennen("C:\\scan.pdf", "D:\\Scan.pdf"));
  EXPECT_FALSE(fs::exists(laufwerkC_ / "scan.pdf"));
  EXPECT_EQ(fs::file_size(laufwerkD_ / "Scan.pdf"), 200000u);
  EXPECT_EQ(fs::last_write_time(laufwerkD_ / "Scan.pdf"), zeit);
  EXPECT_EQ(Eintraege(laufwerkD_), 1u);
  EXPECT_TRUE(Still());
}

TEST_F(LaufwerkswechselTest, UnvollstaendigeKopieLaesstDieQuelleStehen) {
  if (!AnderesDateisystemFuerD()) GTEST_SKIP() << "no second file system at hand";
  DateiAnlegen("C:\\scan.pdf", std::string(200000, 's'));
  {
    Dateigrenze grenze(4096);
    EXPECT_FALSE(PfadUmbenennen("C:\\scan.pdf", "D:\\scan.pdf"));
  }
  ASSERT_EQ(berichte_->size(), 1u);
  EXPECT_EQ(berichte_->front().Nummer, 61);
  EXPECT_EQ(fs::file_size(laufwerkC_ / "scan.pdf"), 200000u);
  EXPECT_EQ(Eintraege(laufwerkD_), 0u);
}

}  // namespace
}  // namespace vxm
