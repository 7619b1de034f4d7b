#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/hilfen.h"
#include "tests/volltext_hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

// vxmdorvex-index and vxmdorvex-suche --text as programs on a drive C:.
class VolltextWerkzeug : public test::Umgebung {
 protected:
  void SetUp() override {
    test::Umgebung::SetUp();
    const char* build = std::getenv("VXM_BUILD");
    if (!build || !fs::exists(fs::path(build) / "vxmdorvex-index")) GTEST_SKIP() << "vxmdorvex-index not built";
    build_ = build;
    OrdnerAnlegenHost("C:\\VXM\\VXMDAT");
  }

  std::pair<std::string, int> Aufrufen(const std::string& programm, const std::string& argumente) {
    const std::string befehl = "VXM_LAUFWERKE='C=" + laufwerkC_.string() + "' VXM_EXTRAKT='" + build_ +
                               "/vxmdorvex-extrakt' '" + build_ + "/" + programm + "' " + argumente + " 2>/dev/null";
    FILE* rohr = ::popen(befehl.c_str(), "r");
    std::string aus;
    std::array<char, 4096> puffer{};
    while (std::size_t n = std::fread(puffer.data(), 1, puffer.size(), rohr)) aus.append(puffer.data(), n);
    const int status = ::pclose(rohr);
    return {aus, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
  }

  std::string build_;
};

TEST_F(VolltextWerkzeug, IndexierenSuchenUndFehlerListen) {
  DateiAnlegen("C:\\VXMDOK\\1\\Brief.txt", "Ihre Nebenkosten\r\nfür 2023");
  DateiAnlegen("C:\\VXMDOK\\1\\7\\Angebot.docx", test::ZipBauen({{"word/document.xml", "<p>NEBENKOSTEN-Pauschale</p>"}}));
  DateiAnlegen("C:\\VXMDOK\\2\\kaputt.pdf", "%PDF-1.4 kaputt");
  EXPECT_EQ(Aufrufen("vxmdorvex-index", "--ordner 'C:\\VXMDOK'").second, 0);
  EXPECT_TRUE(fs::exists(Host("C:\\VXM\\VXMDAT\\vxmdok.volltext")));
  auto [aus, status] = Aufrufen("vxmdorvex-suche", "--text nebenkosten --ordner 'C:\\VXMDOK'");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(aus, "C:\\VXMDOK\\1\tBrief.txt\nC:\\VXMDOK\\1\\7\tAngebot.docx\n") << "two fields, as without the index";
  std::tie(aus, status) = Aufrufen("vxmdorvex-suche", "--text nebenkosten --kontext --ordner 'C:\\VXMDOK'");
  EXPECT_EQ(aus, "C:\\VXMDOK\\1\tBrief.txt\tIhre Nebenkosten für 2023\n"
                 "C:\\VXMDOK\\1\\7\tAngebot.docx\tNEBENKOSTEN-Pauschale\n");
  // The byte search alone cannot see inside the zipped document.
  std::tie(aus, status) = Aufrufen("vxmdorvex-suche", "--text nebenkosten --ohne-index --ordner 'C:\\VXMDOK'");
  EXPECT_EQ(aus, "C:\\VXMDOK\\1\tBrief.txt\n");
  std::tie(aus, status) = Aufrufen("vxmdorvex-suche", "--text nebenkosten --ohne-index --kontext --ordner 'C:\\VXMDOK'");
  EXPECT_EQ(aus, "C:\\VXMDOK\\1\tBrief.txt\t\n") << "the same three fields, the words unknown";
  std::tie(aus, status) = Aufrufen("vxmdorvex-index", "--fehler");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(aus, "C:\\VXMDOK\\2\\kaputt.pdf\tPDF beschädigt oder nicht lesbar\n");
  EXPECT_EQ(Aufrufen("vxmdorvex-index", "--unsinn").second, 2);
  // Help asked for is no error, and comes on standard output.
  for (const char* programm : {"vxmdorvex-index", "vxmdorvex-suche", "vxmdorvex-register"}) {
    std::tie(aus, status) = Aufrufen(programm, "--hilfe");
    EXPECT_EQ(status, 0) << programm;
    EXPECT_EQ(aus.rfind("Aufruf: ", 0), 0u) << programm << ": " << aus;
  }
  EXPECT_EQ(Aufrufen("vxmdorvex-index", "--index 'Q:\\x.volltext'").second, 3);
}

// Without --ordner the tools take the store beside the register, never the
// databases and the index; a folder or register that is not there is an
// error, not a run over something else.
TEST_F(VolltextWerkzeug, OhneOrdnerDieAblageNebenDemRegister) {
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\Brief.txt", "Ihre Nebenkosten");
  DateiAnlegen("C:\\VXM\\VXMDAT\\vxmdok.mdb", "Nebenkosten als Keyword");
  DateiAnlegen("C:\\VXM\\VXMDAT\\notiz.txt", "Nebenkosten");
  EXPECT_EQ(Aufrufen("vxmdorvex-index", "").second, 0);
  auto [aus, status] = Aufrufen("vxmdorvex-suche", "--text nebenkosten");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(aus, "C:\\VXM\\VXMDOK\\1\tBrief.txt\n");
  std::tie(aus, status) = Aufrufen("vxmdorvex-suche", "--text nebenkosten --ohne-index");
  EXPECT_EQ(aus, "C:\\VXM\\VXMDOK\\1\tBrief.txt\n");
  std::tie(aus, status) = Aufrufen("vxmdorvex-suche", "--name '*.*'");
  EXPECT_EQ(aus, "C:\\VXM\\VXMDOK\\1\tBrief.txt\n");
  // Named on purpose, the data folder is searched.
  std::tie(aus, status) = Aufrufen("vxmdorvex-suche", "--text nebenkosten --ohne-index --ordner 'C:\\VXM\\VXMDAT'");
  EXPECT_NE(aus.find("notiz.txt"), std::string::npos) << aus;

  for (const char* ordner : {"C:\\NIX", "Z:\\X"}) {
    EXPECT_EQ(Aufrufen("vxmdorvex-index", std::string("--ordner '") + ordner + "'").second, 2) << ordner;
    EXPECT_EQ(Aufrufen("vxmdorvex-suche", std::string("--text a --ordner '") + ordner + "'").second, 2) << ordner;
  }
  EXPECT_EQ(Aufrufen("vxmdorvex-index", "--register 'C:\\nix.mdb'").second, 2);
  EXPECT_FALSE(fs::exists(Host("C:\\nix.volltext")));
}

}  // namespace
}  // namespace vxm
