#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <system_error>

#include "files/dateifunktionen.h"
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

}  // namespace
}  // namespace vxm
