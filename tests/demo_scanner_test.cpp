// The demo host's stand-in scanner. Its source belongs to the demo program,
// so it is compiled into this test directly.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/demo_scanner.cpp"
#include "basis/zustand.h"
#include "imaging/bilddatei.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

class DemoScanner : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    if (const char* alt = std::getenv("SANE_CONFIG_DIR")) alt_ = alt;
    ::unsetenv("SANE_CONFIG_DIR");
    ::unsetenv("VXM_SCANNER");
    ScanBildAnlegen();
  }
  void TearDown() override {
    if (alt_) ::setenv("SANE_CONFIG_DIR", alt_->c_str(), 1);
    else ::unsetenv("SANE_CONFIG_DIR");
    ErsatzScanner().clear();
    Umgebung::TearDown();
  }
  std::optional<std::string> alt_;
};

std::string Lesen(const fs::path& p) {
  std::ifstream ein(p, std::ios::binary);
  std::ostringstream aus;
  aus << ein.rdbuf();
  return aus.str();
}

// The scan in a fresh process (SANE reads its configuration once per
// process): the size and depth of the page on stderr, the code as status.
void ScanImEigenenProzess() {
  const int32_t code = ScanBildEinlesen({});
  const auto& b = *Zustand().ScanBild;
  std::fprintf(stderr, "<%dx%dx%d>", b.Breite, b.Hoehe, b.BitsProPixel);
  std::fflush(stderr);
  std::_Exit(-code);
}

TEST_F(DemoScanner, TestgeraetStehtEinUndDieEigenenScannerBleiben) {
  const fs::path ordner = temp_ / "demo" / "sane";
  ASSERT_TRUE(demo::DemoScannerEinrichten(ordner));
  EXPECT_EQ(Lesen(ordner / "test.conf"), demo::kSaneTestKonfiguration);
  // In front of the machine's own folders (final ":"), which stay searched.
  ASSERT_NE(std::getenv("SANE_CONFIG_DIR"), nullptr);
  EXPECT_EQ(std::string(std::getenv("SANE_CONFIG_DIR")), ordner.string() + ":");
  EXPECT_EQ(ErsatzScanner(), "test");
  // A folder the user set is kept.
  ::setenv("SANE_CONFIG_DIR", "/eigene/sane", 1);
  ASSERT_TRUE(demo::DemoScannerEinrichten(ordner));
  EXPECT_EQ(std::string(std::getenv("SANE_CONFIG_DIR")), "/eigene/sane");
}

TEST_F(DemoScanner, OhneScannerScantDasTestgeraetMitDenDemoEinstellungen) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const fs::path ordner = temp_ / "sane";
  ASSERT_TRUE(demo::DemoScannerEinrichten(ordner));
  // No backend listed: as on a machine where SANE finds no scanner.
  std::ofstream(ordner / "dll.conf") << "# none\n";
  ::setenv("SANE_CONFIG_DIR", ordner.c_str(), 1);
  // The demo's colour pattern: 80 x 100 mm at 50 dpi, 24 bits.
  EXPECT_EXIT(ScanImEigenenProzess(), testing::ExitedWithCode(0), "^<157x196x24>$");
}

TEST_F(DemoScanner, UnschreibbarerOrdnerWirdGemeldet) {
  const fs::path datei = temp_ / "belegt";
  std::ofstream(datei) << "x";
  std::string fehler;
  EXPECT_FALSE(demo::DemoScannerEinrichten(datei / "sane", &fehler));
  EXPECT_NE(fehler.find("test.conf"), std::string::npos) << fehler;
  EXPECT_EQ(std::getenv("SANE_CONFIG_DIR"), nullptr);
  EXPECT_EQ(ErsatzScanner(), "test");  // SANE's own test settings then
}

}  // namespace
}  // namespace vxm
