// The admin command and the sqlite3 shell on a register file.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "keywords/registerzugriff.h"
#include "platform/datenbank.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

class RegisterWerkzeugTest : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    const char* build = std::getenv("VXM_BUILD");
    werkzeug_ = fs::path(build ? build : "build") / "vxmdorvex-register";
    if (!fs::exists(werkzeug_)) GTEST_SKIP() << "vxmdorvex-register nicht gebaut";
    datei_ = laufwerkC_ / "vxmdok.mdb";
  }

  // Exit code of a shell command; its output lands in ausgabe_.
  int Aufruf(const std::string& befehl) {
    const fs::path aus = temp_ / "ausgabe.txt";
    const int status = std::system((befehl + " > '" + aus.string() + "' 2>&1").c_str());
    std::ifstream d(aus);
    ausgabe_.assign(std::istreambuf_iterator<char>(d), std::istreambuf_iterator<char>());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Werkzeug(const std::string& argumente) {
    return "'" + werkzeug_.string() + "' " + argumente;
  }
  std::string Shell(const std::string& sql) {
    return "sqlite3 '" + datei_.string() + "' \"" + sql + "\"";
  }

  fs::path werkzeug_, datei_;
  std::string ausgabe_;
};

TEST_F(RegisterWerkzeugTest, AnlegenPruefenUndMitDerShellLesenUndReparieren) {
  EXPECT_EQ(Aufruf(Werkzeug("anlegen '" + datei_.string() + "'")), 0) << ausgabe_;
  EXPECT_EQ(Aufruf(Werkzeug("anlegen '" + datei_.string() + "'")), 1);  // never overwritten
  EXPECT_NE(ausgabe_.find("existiert bereits"), std::string::npos) << ausgabe_;
  EXPECT_EQ(Aufruf(Werkzeug("pruefen '" + datei_.string() + "'")), 0) << ausgabe_;
  EXPECT_EQ(Aufruf(Werkzeug("pruefen '" + (laufwerkC_ / "fehlt.mdb").string() + "'")), 1);
  EXPECT_FALSE(fs::exists(laufwerkC_ / "fehlt.mdb"));
  EXPECT_EQ(Aufruf(Werkzeug("")), 2);

  {
    auto db = DatenbankOeffnenHost(datei_);
    db->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (\"Brief Müller.txt\", \"C:\\A\")");
    db->Execute("INSERT INTO Keyword (Keyword) VALUES (\"MIETE\")");
    VerknuepfungAnhaengen(*db, 1, 1);
  }
  // the shell reads the file and can rebuild its indexes: the schema names
  // no function or collation of this program
  if (Aufruf(Shell("SELECT Dateiname, DateinameSchluessel FROM Dateiinfo; REINDEX; PRAGMA integrity_check;")) != 0 &&
      ausgabe_.find("not found") != std::string::npos)
    GTEST_SKIP() << "sqlite3 fehlt";
  EXPECT_NE(ausgabe_.find("Brief Müller.txt|BRIEF MÜLLER.TXT"), std::string::npos) << ausgabe_;
  EXPECT_NE(ausgabe_.find("ok"), std::string::npos) << ausgabe_;

  // a change made in the shell leaves the folded name behind ...
  ASSERT_EQ(Aufruf(Shell("UPDATE Dateiinfo SET Dateiname = 'Brief Übel.txt'")), 0) << ausgabe_;
  EXPECT_EQ(Aufruf(Werkzeug("pruefen '" + datei_.string() + "'")), 1);
  EXPECT_NE(ausgabe_.find("veraltete"), std::string::npos) << ausgabe_;
  // ... until the check repairs it
  EXPECT_EQ(Aufruf(Werkzeug("pruefen '" + datei_.string() + "' --reparieren")), 0) << ausgabe_;
  auto db = DatenbankOeffnenHost(datei_);
  EXPECT_EQ(DateiNummerSuchen(*db, "BRIEF ÜBEL.TXT", "c:\\a"), 1);
}

}  // namespace
}  // namespace vxm
