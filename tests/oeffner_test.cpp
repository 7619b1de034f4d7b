// Handing documents to the desktop: what the user is told when nothing can
// open a file. xdg-open is played by small scripts on a PATH of the test's own.
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/oeffner.h"
#include "tests/hilfen.h"

namespace vxm::test {
namespace {

namespace fs = std::filesystem;

class Oeffnen : public Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    pfadVorher_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    DokumentOeffner() = StandardOeffner();
    fs::create_directories(temp_ / "bin");
    setenv("PATH", (temp_ / "bin").c_str(), 1);
    DateiAnlegen("C:\\Ablage\\Plan.xyz", "x");
  }
  void TearDown() override {
    setenv("PATH", pfadVorher_.c_str(), 1);
    Umgebung::TearDown();
  }
  // An xdg-open that ends with the given code.
  void Helfer(int code) {
    const fs::path p = temp_ / "bin" / "xdg-open";
    std::ofstream(p) << "#!/bin/sh\nexit " << code << "\n";
    chmod(p.c_str(), 0755);
  }
  std::string Letzte() { return dialoge_->Gezeigt.empty() ? std::string() : dialoge_->Gezeigt.back().Text; }

  std::string pfadVorher_;
};

TEST_F(Oeffnen, OhneXdgOpenSagtEsWasFehlt) {
  DokumentOeffnen("C:\\Ablage\\Plan.xyz");
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(Letzte(), meldung::OeffnerFehlt("Plan.xyz"));
  EXPECT_NE(Letzte().find("\"Plan.xyz\""), std::string::npos);
  EXPECT_NE(Letzte().find("xdg-utils"), std::string::npos);
}

TEST_F(Oeffnen, OhneProgrammFuerDenTypSagtEsWasEinzurichtenIst) {
  for (int code : {3, 4}) {
    dialoge_->Gezeigt.clear();
    Helfer(code);
    DokumentOeffnen("C:\\Ablage\\Plan.xyz");
    ASSERT_EQ(dialoge_->Gezeigt.size(), 1u) << code;
    EXPECT_EQ(Letzte(), meldung::KeinProgramm("Plan.xyz"));
    EXPECT_NE(Letzte().find("\".xyz\""), std::string::npos);
    EXPECT_NE(Letzte().find("xdg-mime default"), std::string::npos);
  }
}

TEST_F(Oeffnen, GeoeffnetOderFehlendeDatei) {
  Helfer(0);
  DokumentOeffnen("C:\\Ablage\\Plan.xyz");
  EXPECT_TRUE(dialoge_->Gezeigt.empty()) << Letzte();
  DokumentOeffnen("C:\\Ablage\\Weg.pdf");
  EXPECT_EQ(Letzte(), meldung::DateiNichtGefunden("Weg.pdf"));
}

// The opener the window installs hands the host path to the desktop and
// keeps the messages: a missing file never reaches it, a refusal is told.
TEST_F(Oeffnen, FremderStarterBehaeltDieMeldungen) {
  std::vector<std::string> gestartet;
  bool nimmt = false;
  DokumentOeffner() = OeffnerMit([&](const std::string& host) {
    gestartet.push_back(host);
    return nimmt;
  });
  DokumentOeffnen("C:\\Ablage\\Fehlt.doc");
  EXPECT_TRUE(gestartet.empty());
  EXPECT_EQ(Letzte(), meldung::DateiNichtGefunden("Fehlt.doc"));
  DokumentOeffnen("C:\\Ablage\\Plan.xyz");
  ASSERT_EQ(gestartet.size(), 1u);
  EXPECT_EQ(fs::path(gestartet[0]), Host("C:\\Ablage\\Plan.xyz"));
  EXPECT_EQ(Letzte(), meldung::KeinProgramm("Plan.xyz"));
  const auto gezeigt = dialoge_->Gezeigt.size();
  nimmt = true;
  DokumentOeffnen("C:\\Ablage\\Plan.xyz");
  EXPECT_EQ(gestartet.size(), 2u);
  EXPECT_EQ(dialoge_->Gezeigt.size(), gezeigt);
}

}  // namespace
}  // namespace vxm::test
