#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/ordnerlauf.h"
#include "platform/dateisystem.h"
#include "platform/dienste.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

using Liste = std::vector<std::string>;

class OrdnerlaufTest : public test::Umgebung {};

// Records what the walk hands out, and can stop it.
class Protokoll : public Ordnerlauf {
 public:
  Liste Betreten_, Dateien_;
  std::size_t StopNach = 0;  // folders entered before the walk ends (0: never)

 protected:
  bool Betreten(const std::string& o) override {
    if (StopNach && Betreten_.size() == StopNach) return false;
    Betreten_.push_back(o);
    return true;
  }
  void Dateien(const std::string& o, Ordnerleser& leser) override {
    // The folder is open while its files are handed out (on this machine).
    EXPECT_GE(leser.Deskriptor(), 0);
    for (const auto& n : leser.Dateien()) Dateien_.push_back(PfadVerbinden(o, n));
  }
};

TEST_F(OrdnerlaufTest, TiefeZuerstInNamensfolge) {
  DateiAnlegen("C:\\W\\b.doc");
  DateiAnlegen("C:\\W\\a.doc");
  DateiAnlegen("C:\\W\\Y\\e.doc");
  DateiAnlegen("C:\\W\\Y\\X\\d.doc");
  DateiAnlegen("C:\\W\\Z\\c.doc");
  OrdnerAnlegenHost("C:\\W\\LEER");
  Protokoll p;
  p.Laufen("C:\\W\\");
  EXPECT_EQ(p.Betreten_, (Liste{"C:\\W", "C:\\W\\LEER", "C:\\W\\Y", "C:\\W\\Y\\X", "C:\\W\\Z"}));
  EXPECT_EQ(p.Dateien_, (Liste{"C:\\W\\a.doc", "C:\\W\\b.doc", "C:\\W\\Y\\e.doc", "C:\\W\\Y\\X\\d.doc",
                               "C:\\W\\Z\\c.doc"}));
  EXPECT_TRUE(p.Ungelesen().empty());

  // A walk that is told to stop enters no further folder.
  Protokoll kurz;
  kurz.StopNach = 2;
  kurz.Laufen("C:\\W");
  EXPECT_EQ(kurz.Betreten_, (Liste{"C:\\W", "C:\\W\\LEER"}));
}

TEST_F(OrdnerlaufTest, BestandMitLueckenUndSchleifen) {
  DateiAnlegen("C:\\B\\brief.doc");
  DateiAnlegen("C:\\B\\U\\miete.pdf");
  DateiAnlegen("C:\\B\\" + Zwischendateiname(::getpid()));  // our own unfinished copy
  // A link back up would walk forever; each folder is read once.
  fs::create_directory_symlink(Host("C:\\B"), Host("C:\\B\\U\\ZURUECK"));
  DateiBestand b = DateiBestandLesen("C:\\B");
  EXPECT_EQ(b.Dateien, (Liste{"C:\\B\\BRIEF.DOC", "C:\\B\\U\\MIETE.PDF"}));
  EXPECT_TRUE(b.Vollstaendig);
  EXPECT_TRUE(b.Luecken.empty());

  // A start folder that does not resolve, and one that is not there.
  b = DateiBestandLesen("Q:\\NIRGENDS");
  EXPECT_FALSE(b.Vollstaendig);
  EXPECT_EQ(b.Luecken.size(), 1u);
  b = DateiBestandLesen("C:\\FEHLT");
  EXPECT_FALSE(b.Vollstaendig);
  EXPECT_EQ(b.Luecken, Liste{"C:\\FEHLT"});

  // A folder without read permission is a gap; the rest is read.
  if (::geteuid() != 0) {
    fs::permissions(Host("C:\\B\\U"), fs::perms::none);
    b = DateiBestandLesen("C:\\B");
    fs::permissions(Host("C:\\B\\U"), fs::perms::owner_all);
    EXPECT_EQ(b.Dateien, Liste{"C:\\B\\BRIEF.DOC"});
    EXPECT_EQ(b.Luecken, Liste{"C:\\B\\U"});
    EXPECT_FALSE(b.Vollstaendig);
  }
}

}  // namespace
}  // namespace vxm
