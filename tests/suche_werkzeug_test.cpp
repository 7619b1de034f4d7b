#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
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
  std::pair<std::string, int> Aufrufen(const std::string& argumente, const std::string& fehlerziel = "/dev/null") {
    const std::string befehl = "VXM_LAUFWERKE='C=" + laufwerkC_.string() + "' '" + programm_ +
                               "' " + argumente + " 2>'" + fehlerziel + "'";
    FILE* rohr = ::popen(befehl.c_str(), "r");
    std::string aus;
    std::array<char, 4096> puffer{};
    while (std::size_t n = std::fread(puffer.data(), 1, puffer.size(), rohr)) aus.append(puffer.data(), n);
    const int status = ::pclose(rohr);
    return {aus, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
  }

  // Runs the tool; stdout, stderr and exit status (-1 when it did not exit,
  // e.g. aborted).
  struct Lauf {
    std::string Aus, Fehler;
    int Status;
  };
  Lauf AufrufenMitFehler(const std::string& argumente) {
    const fs::path fehler = temp_ / "stderr.txt";
    auto [aus, status] = Aufrufen(argumente, fehler.string());
    std::ifstream ein(fehler);
    std::string text((std::istreambuf_iterator<char>(ein)), std::istreambuf_iterator<char>());
    return {aus, text, status};
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

TEST_F(SucheWerkzeugTest, NamenMitTabOderZeilenumbruchBleibenEineZeile) {
  // Such names are made outside the program (the store refuses them).
  fs::create_directories(laufwerkC_ / "VXMDOK" / "Ab\tlage");
  std::ofstream(laufwerkC_ / "VXMDOK" / "Ab\tlage" / "Rech\nnung.txt") << "Miete";
  std::ofstream(laufwerkC_ / "VXMDOK" / "Ab\tlage" / "a\\t.txt") << "Miete";
  std::ofstream(laufwerkC_ / "VXMDOK" / "Ab\tlage" / "Wagen\r.txt") << "Miete";
  std::ofstream(laufwerkC_ / "VXMDOK" / "\"Zitat\" 2.txt") << "Miete";
  auto [aus, status] = Aufrufen("--text miete --ohne-index --ordner 'C:\\VXMDOK'");
  EXPECT_EQ(status, 0);
  // Every hit one line of two fields; only fields that need it are quoted,
  // and a literal backslash stays apart from an escaped TAB.
  std::vector<std::string> zeilen;
  std::istringstream ein(aus);
  for (std::string z; std::getline(ein, z);) zeilen.push_back(z);
  std::sort(zeilen.begin(), zeilen.end());
  EXPECT_EQ(zeilen, (std::vector<std::string>{R"("C:\\VXMDOK\\Ab\tlage")" "\t" R"("Rech\nnung.txt")",
                                               R"("C:\\VXMDOK\\Ab\tlage")" "\t" R"("Wagen\r.txt")",
                                               R"("C:\\VXMDOK\\Ab\tlage")" "\t" R"(a\t.txt)",
                                               R"(C:\VXMDOK)" "\t" R"("\0042Zitat\0042 2.txt")"}));
  std::tie(aus, status) = Aufrufen("--name rech");
  EXPECT_EQ(aus, R"("C:\\VXMDOK\\Ab\tlage")" "\t" R"("Rech\nnung.txt")" "\n");
  // what a shell's printf '%b' makes of a quoted field is the name again
  std::string feld = R"("C:\\VXMDOK\\Ab\tlage")";
  feld = feld.substr(1, feld.size() - 2);
  FILE* p = popen(("printf '%b' '" + feld + "'").c_str(), "r");
  ASSERT_NE(p, nullptr);
  char puffer[256] = {};
  const std::size_t n = std::fread(puffer, 1, sizeof puffer - 1, p);
  pclose(p);
  EXPECT_EQ(std::string(puffer, n), "C:\\VXMDOK\\Ab\tlage");
}

TEST_F(SucheWerkzeugTest, UnlesbaresRegisterGibtMeldungUndStatusZwei) {
  OrdnerAnlegenHost("C:\\VXM\\VXMDAT");
  // A database without the register's tables.
  {
    sqlite3* roh = nullptr;
    ASSERT_EQ(sqlite3_open(Host("C:\\VXM\\VXMDAT\\fremd.mdb").c_str(), &roh), SQLITE_OK);
    sqlite3_exec(roh, "CREATE TABLE Kunden (Name TEXT)", nullptr, nullptr, nullptr);
    sqlite3_close(roh);
  }
  Lauf l = AufrufenMitFehler("--keyword miete --register 'C:\\VXM\\VXMDAT\\fremd.mdb'");
  EXPECT_EQ(l.Status, 2);
  EXPECT_EQ(l.Aus, "");
  EXPECT_NE(l.Fehler.find("Das Schlüsselwortregister C:\\VXM\\VXMDAT\\fremd.mdb kann nicht gelesen werden: "
                          "die Tabelle Dateiinfo fehlt"),
            std::string::npos)
      << l.Fehler;

  // A register whose pages were overwritten after it was written: the
  // register is large enough that the damage lies in the tables read.
  const std::string reg = Host("C:\\VXM\\VXMDAT\\vxmdok.mdb").string();
  RegisterAnlegen(reg);
  {
    auto db = DatenbankOeffnenHost(reg);
    Transaktion t(*db);
    db->Execute("INSERT INTO Keyword (Keyword) VALUES ('Miete')");
    for (int i = 0; i < 3000; ++i) {
      db->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES ('Brief " + std::to_string(i) +
                  ".txt', 'C:\\VXM\\VXMDOK\\1')");
      db->Execute("INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (" + std::to_string(i + 1) +
                  ", 1)");
    }
    t.Bestaetigen();
  }
  {
    // Fold the log into the file, keep the file in log mode, then damage
    // every page after the first few.
    sqlite3* roh = nullptr;
    ASSERT_EQ(sqlite3_open(reg.c_str(), &roh), SQLITE_OK);
    sqlite3_exec(roh, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(roh);
    std::fstream f(reg, std::ios::in | std::ios::out | std::ios::binary);
    const auto groesse = fs::file_size(reg);
    for (std::uintmax_t pos = 4 * 4096; pos + 4096 <= groesse; pos += 4096) {
      f.seekp(static_cast<std::streamoff>(pos + 100));
      f << std::string(200, '\x5a');
    }
  }
  l = AufrufenMitFehler("--keyword miete");
  EXPECT_EQ(l.Status, 2) << l.Fehler;
  EXPECT_EQ(l.Aus, "");
  EXPECT_NE(l.Fehler.find("vxmdorvex-suche: Das Schlüsselwortregister C:\\VXM\\VXMDAT\\vxmdok.mdb kann nicht "
                          "gelesen werden: "),
            std::string::npos)
      << l.Fehler;
  EXPECT_EQ(l.Fehler.find("terminate"), std::string::npos) << l.Fehler;
}

}  // namespace
}  // namespace vxm
