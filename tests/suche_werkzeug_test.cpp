#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/datenbank.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

// The command-line search, run as a program on a temporary drive C:.
class SucheWerkzeugTest : public test::Umgebung {
 protected:
  void SetUp() override {
    test::Umgebung::SetUp();
    const char* build = std::getenv("VXM_BUILD");
    if (!build || !fs::exists(fs::path(build) / "vxmdorvex-suche")) {
      GTEST_SKIP() << "vxmdorvex-suche not built (VXM_BUILD unset)";
    }
    programm_ = (fs::path(build) / "vxmdorvex-suche").string();
  }

  // Runs the tool with `argumente` (already quoted); stdout and exit status.
  std::pair<std::string, int> Aufrufen(const std::string& argumente) {
    const std::string befehl = "VXM_LAUFWERKE='C=" + laufwerkC_.string() + "' '" + programm_ +
                               "' " + argumente + " 2>/dev/null";
    FILE* rohr = ::popen(befehl.c_str(), "r");
    std::string aus;
    std::array<char, 4096> puffer{};
    while (std::size_t n = std::fread(puffer.data(), 1, puffer.size(), rohr)) aus.append(puffer.data(), n);
    const int status = ::pclose(rohr);
    return {aus, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
  }

  std::string programm_;
};

TEST_F(SucheWerkzeugTest, TrefferEineZeileJe) {
  DateiAnlegen("C:\\VXMDOK\\1\\Brief.txt", "Ihre Nebenkosten");
  DateiAnlegen("C:\\VXMDOK\\1\\7\\alt.doc", std::string(3, '\0') + "NEBENKOSTEN");
  DateiAnlegen("C:\\VXMDOK\\2\\Rechnung.pdf", "nichts");
  auto [aus, status] = Aufrufen("--text nebenkosten --ohne-index --ordner 'C:\\vxmdok'");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(aus, "C:\\VXMDOK\\1\tBrief.txt\nC:\\VXMDOK\\1\\7\talt.doc\n");
  std::tie(aus, status) = Aufrufen("--name 'rech*.pdf'");  // from the drive's root
  EXPECT_EQ(status, 0);
  EXPECT_EQ(aus, "C:\\VXMDOK\\2\tRechnung.pdf\n");
  std::tie(aus, status) = Aufrufen("--name gibtsnicht");
  EXPECT_EQ(status, 1);
  EXPECT_EQ(aus, "");
}

TEST_F(SucheWerkzeugTest, FalscheAufrufe) {
  EXPECT_EQ(Aufrufen("").second, 2);
  EXPECT_EQ(Aufrufen("--text").second, 2);
  EXPECT_EQ(Aufrufen("--text a --name b").second, 2);
  EXPECT_EQ(Aufrufen("--keyword miete --register 'C:\\gibtsnicht.mdb'").second, 2);
}

TEST_F(SucheWerkzeugTest, SchluesselwoerterAusDemRegister) {
  OrdnerAnlegenHost("C:\\VXM\\VXMDAT");
  const std::string reg = Host("C:\\VXM\\VXMDAT\\vxmdok.mdb").string();
  RegisterAnlegen(reg);
  {
    auto db = DatenbankOeffnenHost(reg);
    db->Execute("INSERT INTO Keyword (Keyword) VALUES ('Miete')");
    db->Execute("INSERT INTO Keyword (Keyword) VALUES ('Mietvertrag')");
    db->Execute("INSERT INTO Keyword (Keyword) VALUES ('Heizung')");
    db->Execute("INSERT INTO Keyword (Keyword) VALUES ('Übergabe')");
    db->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES ('Brief.txt', 'C:\\VXM\\VXMDOK\\1')");
    db->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES ('Vertrag Müller.doc', 'C:\\VXM\\VXMDOK\\1\\7')");
    for (const char* paar : {"(1, 3)", "(2, 2)", "(2, 1)", "(1, 1)", "(2, 4)"})
      db->Execute(std::string("INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES ") + paar);
  }
  // Each file once, though it carries several of the keywords.
  auto [aus, status] = Aufrufen("--keyword 'miete;HEIZUNG'");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(aus, "C:\\VXM\\VXMDOK\\1\tBrief.txt\nC:\\VXM\\VXMDOK\\1\\7\tVertrag Müller.doc\n");
  // "*" stands for every keyword beginning with the part before it.
  std::tie(aus, status) = Aufrufen("--keyword 'mietv*'");
  EXPECT_EQ(aus, "C:\\VXM\\VXMDOK\\1\\7\tVertrag Müller.doc\n");
  std::tie(aus, status) = Aufrufen("--keyword ' übergabe ; '");
  EXPECT_EQ(aus, "C:\\VXM\\VXMDOK\\1\\7\tVertrag Müller.doc\n");
  // "miet" is no keyword of its own.
  std::tie(aus, status) = Aufrufen("--keyword miet");
  EXPECT_EQ(status, 1);
  EXPECT_EQ(aus, "");
  std::tie(aus, status) = Aufrufen("--keyword 'heiz*' --register 'C:\\VXM\\VXMDAT\\VXMDOK.MDB'");
  EXPECT_EQ(aus, "C:\\VXM\\VXMDOK\\1\tBrief.txt\n");
}

}  // namespace
}  // namespace vxm
