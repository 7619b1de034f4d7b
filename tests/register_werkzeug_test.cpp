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

TEST_F(RegisterWerkzeugTest, UmbenennenNimmtDieZeilenMitUndSagtWarumNicht) {
  ASSERT_EQ(Aufruf(Werkzeug("anlegen '" + datei_.string() + "'")), 0) << ausgabe_;
  DateiAnlegen("C:\\DOK\\Briefe\\2025\\a.txt");
  DateiAnlegen("C:\\DOK\\Post alt\\b.txt");
  {
    auto db = DatenbankOeffnenHost(datei_);
    db->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (\"a.txt\", \"C:\\DOK\\Briefe\\2025\")");
    db->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (\"b.txt\", \"C:\\DOK\\Post alt\")");
  }
  const std::string umgebung = "VXM_LAUFWERKE='C=" + laufwerkC_.string() + "' ";
  auto umbenennen = [&](const std::string& ordner, const std::string& name) {
    return Aufruf(umgebung + Werkzeug("umbenennen '" + datei_.string() + "' '" + ordner + "' '" + name + "'"));
  };
  EXPECT_EQ(umbenennen("C:\\DOK\\Briefe", "Post"), 0) << ausgabe_;
  EXPECT_NE(ausgabe_.find("Der Ordner heißt jetzt C:\\DOK\\Post; 1 Registereintrag nachgeführt"), std::string::npos) << ausgabe_;
  EXPECT_TRUE(fs::exists(Host("C:\\DOK\\Post\\2025\\a.txt")));
  {
    auto db = DatenbankOeffnenHost(datei_);
    EXPECT_EQ(DateiNummerSuchen(*db, "a.txt", "C:\\DOK\\Post\\2025"), 1);
    EXPECT_EQ(DateiNummerSuchen(*db, "b.txt", "C:\\DOK\\Post alt"), 2);
  }
  // Missing folder, name taken, no name: exit 1 with the reason, nothing moved.
  EXPECT_EQ(umbenennen("C:\\DOK\\Briefe", "Post"), 1);
  EXPECT_NE(ausgabe_.find("wurde nicht gefunden"), std::string::npos) << ausgabe_;
  EXPECT_EQ(umbenennen("C:\\DOK\\Post", "post ALT"), 1);
  EXPECT_NE(ausgabe_.find("bereits"), std::string::npos) << ausgabe_;
  EXPECT_EQ(umbenennen("C:\\DOK\\Post", "a\\b"), 1);
  EXPECT_NE(ausgabe_.find("nicht zulässig"), std::string::npos) << ausgabe_;
  EXPECT_TRUE(fs::exists(Host("C:\\DOK\\Post\\2025\\a.txt")));
  EXPECT_EQ(Aufruf(Werkzeug("umbenennen '" + datei_.string() + "' 'C:\\DOK\\Post'")), 2);
  EXPECT_EQ(Aufruf(Werkzeug("pruefen '" + datei_.string() + "'")), 0) << ausgabe_;
}

}  // namespace
}  // namespace vxm
