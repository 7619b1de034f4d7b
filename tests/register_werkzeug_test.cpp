// The admin command and the sqlite3 shell on a register file.
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "files/fingerabdruck.h"
#include "files/registervorhaben.h"
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
  // Named in the store's Windows form, through the drive table.
  EXPECT_EQ(Aufruf("VXM_LAUFWERKE='C=" + laufwerkC_.string() + "' " + Werkzeug("pruefen 'C:\\vxmdok.mdb'")), 0)
      << ausgabe_;
  EXPECT_NE(ausgabe_.find("Register in Ordnung."), std::string::npos) << ausgabe_;

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

// Rows whose files left their place outside the program are named, also
// all rows of a folder renamed by the shell; a drive the table does not
// reach tells nothing. The register itself is sound, so the check passes.
TEST_F(RegisterWerkzeugTest, PruefenNenntZeilenOhneDatei) {
  ASSERT_EQ(Aufruf(Werkzeug("anlegen '" + datei_.string() + "'")), 0) << ausgabe_;
  DateiAnlegen("C:\\DOK\\A\\da.txt", "x");
  DateiAnlegen("C:\\DOK\\B\\brief.txt", "x");
  {
    auto db = DatenbankOeffnenHost(datei_);
    db->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (\"da.txt\", \"C:\\DOK\\A\"), "
                "(\"weg.txt\", \"C:\\DOK\\A\"), (\"brief.txt\", \"C:\\DOK\\B\"), "
                "(\"fremd.txt\", \"Q:\\ANDERS\")");
  }
  fs::rename(Host("C:\\DOK\\B"), Host("C:\\DOK") / "B neu");
  const std::string laufwerke = "VXM_LAUFWERKE='C=" + laufwerkC_.string() + "' ";
  EXPECT_EQ(Aufruf(laufwerke + Werkzeug("pruefen '" + datei_.string() + "'")), 0) << ausgabe_;
  EXPECT_NE(ausgabe_.find("mit abgleichen nachgeführt): 2\n  C:\\DOK\\A\\weg.txt\n  C:\\DOK\\B\\brief.txt\n"),
            std::string::npos)
      << ausgabe_;
  EXPECT_EQ(ausgabe_.find("fremd.txt"), std::string::npos) << "a drive the table does not map is not judged";
  EXPECT_NE(ausgabe_.find("Register in Ordnung."), std::string::npos) << ausgabe_;
}

// Two names exchanged outside the program before their folder was opened:
// the check names both files with what they hold now; an edited file is no
// such case. The register itself is sound.
TEST_F(RegisterWerkzeugTest, PruefenNenntVertauschteNamen) {
  ASSERT_EQ(Aufruf(Werkzeug("anlegen '" + datei_.string() + "'")), 0) << ausgabe_;
  DateiAnlegen("C:\\DOK\\A\\miete.txt", "Mieterhöhung");
  DateiAnlegen("C:\\DOK\\A\\heizung.txt", "Heizung kalt");
  DateiAnlegen("C:\\DOK\\A\\notiz.txt", "Notiz");
  for (const char* n : {"miete.txt", "heizung.txt", "notiz.txt"})
    fs::last_write_time(Host(std::string("C:\\DOK\\A\\") + n), fs::file_time_type::clock::now() - std::chrono::hours(1));
  {
    auto db = DatenbankOeffnenHost(datei_);
    db->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (\"miete.txt\", \"C:\\DOK\\A\"), "
                "(\"heizung.txt\", \"C:\\DOK\\A\"), (\"notiz.txt\", \"C:\\DOK\\A\")");
    AbgleichTabellenAnlegen(*db);
    for (int32_t nr : {1, 2, 3})
      ASSERT_TRUE(FingerabdruckNehmen(*db, nr, "C:\\DOK\\A", nr == 1 ? "miete.txt" : nr == 2 ? "heizung.txt" : "notiz.txt"));
  }
  const fs::path a = Host("C:\\DOK\\A");
  fs::rename(a / "miete.txt", a / "t");
  fs::rename(a / "heizung.txt", a / "miete.txt");
  fs::rename(a / "t", a / "heizung.txt");
  std::ofstream(a / "notiz.txt", std::ios::app) << " ergänzt";
  const std::string laufwerke = "VXM_LAUFWERKE='C=" + laufwerkC_.string() + "' ";
  EXPECT_EQ(Aufruf(laufwerke + Werkzeug("pruefen '" + datei_.string() + "'")), 0) << ausgabe_;
  EXPECT_NE(ausgabe_.find("Namen außerhalb des Programms vertauscht (beim nächsten Öffnen ihres Ordners oder mit "
                          "abgleichen nachgeführt): 2\n"
                          "  C:\\DOK\\A\\miete.txt enthält, was als C:\\DOK\\A\\heizung.txt eingetragen ist\n"
                          "  C:\\DOK\\A\\heizung.txt enthält, was als C:\\DOK\\A\\miete.txt eingetragen ist\n"),
            std::string::npos)
      << ausgabe_;
  EXPECT_EQ(ausgabe_.find("notiz.txt enthält"), std::string::npos) << ausgabe_;
  EXPECT_NE(ausgabe_.find("Register in Ordnung."), std::string::npos) << ausgabe_;
}

// A file that never was a database is named as such, without rescue steps,
// and stays as it was.
TEST_F(RegisterWerkzeugTest, KeineDatenbankWirdAlsSolcheGenannt) {
  const fs::path text = temp_ / "notiz.txt", leer = temp_ / "leer.mdb";
  std::ofstream(text) << "Keine Datenbank, nur Text.\n";
  std::ofstream{leer};
  for (const fs::path& p : {text, leer}) {
    EXPECT_EQ(Aufruf(Werkzeug("pruefen '" + p.string() + "'")), 1) << ausgabe_;
    EXPECT_NE(ausgabe_.find("ist keine Registerdatei"), std::string::npos) << ausgabe_;
    EXPECT_EQ(ausgabe_.find("So retten Sie"), std::string::npos) << ausgabe_;
  }
  std::ifstream d(text);
  std::string zeile;
  std::getline(d, zeile);
  EXPECT_EQ(zeile, "Keine Datenbank, nur Text.");
  EXPECT_EQ(fs::file_size(leer), 0u);
}

// A damaged register in log mode: the check refuses it, changes nothing (also
// with --reparieren) and says how to rescue what is readable; following the
// advice gives a register the check accepts.
TEST_F(RegisterWerkzeugTest, BeschaedigtesRegisterWirdNichtVeraendertUndDieRettungFunktioniert) {
  ASSERT_EQ(Aufruf(Werkzeug("anlegen '" + datei_.string() + "'")), 0) << ausgabe_;
  if (Aufruf(Shell("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                   "INSERT INTO Dateiinfo (Dateiname, Dateipfad, DateinameSchluessel, DateipfadSchluessel) "
                   "SELECT 'Brief ' || i || '.txt', 'C:\\A', 'BRIEF ' || i || '.TXT', 'C:\\A' FROM n; "
                   "INSERT INTO Keyword (Keyword, KeywordSchluessel) VALUES ('MIETE', 'MIETE'); "
                   "INSERT INTO KeywordZwischentabelle VALUES (1, 1); PRAGMA wal_checkpoint(TRUNCATE);")) != 0)
    GTEST_SKIP() << "sqlite3 fehlt: " << ausgabe_;
  ASSERT_EQ(Aufruf(Shell("SELECT (SELECT journal_mode FROM pragma_journal_mode) || ' ' || "
                         "(SELECT pageno FROM dbstat WHERE name = 'Dateiinfo' AND pagetype = 'leaf' LIMIT 1 OFFSET 3)")),
            0)
      << ausgabe_;
  ASSERT_EQ(ausgabe_.substr(0, 4), "wal ") << ausgabe_;
  const long seite = std::stol(ausgabe_.substr(4));
  {
    std::fstream d(datei_, std::ios::in | std::ios::out | std::ios::binary);
    d.seekp((seite - 1) * 4096);
    const std::string muell(4096, '\x5A');
    d.write(muell.data(), static_cast<std::streamsize>(muell.size()));
  }
  auto lesen = [](const fs::path& p) {
    std::ifstream d(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(d)), std::istreambuf_iterator<char>());
  };
  const std::string vorher = lesen(datei_);
  for (const char* zusatz : {"", " --reparieren"}) {
    EXPECT_EQ(Aufruf(Werkzeug("pruefen '" + datei_.string() + "'" + zusatz)), 1) << ausgabe_;
    EXPECT_NE(ausgabe_.find("beschädigt; es wird nichts daran geändert"), std::string::npos) << ausgabe_;
    EXPECT_NE(ausgabe_.find("So retten Sie"), std::string::npos) << ausgabe_;
    EXPECT_EQ(lesen(datei_), vorher);
  }
  // the advice, step 2 and 3, as printed
  const auto anfang = ausgabe_.find("2. ");
  ASSERT_NE(anfang, std::string::npos);
  const std::string schritt2 = ausgabe_.substr(anfang + 3, ausgabe_.find('\n', anfang) - anfang - 3);
  EXPECT_EQ(Aufruf(schritt2), 0) << schritt2 << "\n" << ausgabe_;
  const fs::path gerettet = datei_.string() + ".gerettet";
  EXPECT_EQ(Aufruf(Werkzeug("pruefen '" + gerettet.string() + "' --reparieren")), 0) << ausgabe_;
  auto db = DatenbankOeffnenHost(gerettet);
  const int32_t dateien = db->OpenRecordset("SELECT COUNT(*) AS n FROM Dateiinfo").Zahl("n");
  EXPECT_GT(dateien, 2000);  // one page of rows lost, the rest kept
  EXPECT_LT(dateien, 3000);
  EXPECT_EQ(DateiNummerSuchen(*db, "brief 1.txt", "c:\\a"), 1);
}

// The same commands on a database server, and the copy between file and server.
TEST_F(RegisterWerkzeugTest, AufDemServerAnlegenPruefenReparierenUndKopieren) {
  if (test::PgTestServer().empty()) GTEST_SKIP() << test::kOhnePgServer;
  auto wort = [](const std::string& t) {  // one word for the shell
    std::string aus = "'";
    for (char c : t) aus += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return aus + "'";
  };
  test::ServerSchema schema;
  const std::string server = wort(schema.Verbindung());
  EXPECT_EQ(Aufruf(Werkzeug("anlegen " + server)), 0) << ausgabe_;
  EXPECT_EQ(Aufruf(Werkzeug("anlegen " + server)), 1);  // never overwritten
  EXPECT_NE(ausgabe_.find("bereits ein Register"), std::string::npos) << ausgabe_;
  EXPECT_EQ(Aufruf(Werkzeug("pruefen " + server)), 0) << ausgabe_;
  {
    auto db = DatenbankOeffnen(schema.Verbindung());
    db->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (\"Brief Müller.txt\", \"C:\\A\")");
    db->Execute("INSERT INTO Keyword (Keyword) VALUES (\"MIETE\")");
    VerknuepfungAnhaengen(*db, 1, 1);
  }
  // a change made past the triggers (psql) leaves the folded name behind ...
  schema.Roh("ALTER TABLE \"Dateiinfo\" DISABLE TRIGGER vxm_schatten; "
             "UPDATE \"Dateiinfo\" SET \"Dateiname\" = 'Brief Übel.txt'; "
             "ALTER TABLE \"Dateiinfo\" ENABLE TRIGGER vxm_schatten");
  EXPECT_EQ(Aufruf(Werkzeug("pruefen " + server)), 1);
  EXPECT_NE(ausgabe_.find("Dateiinfo.Dateiname: 1 veraltete"), std::string::npos) << ausgabe_;
  // ... until the check repairs it
  EXPECT_EQ(Aufruf(Werkzeug("pruefen " + server + " --reparieren")), 0) << ausgabe_;

  // server -> file -> another schema of the server, ids kept
  EXPECT_EQ(Aufruf(Werkzeug("kopieren " + server + " '" + datei_.string() + "'")), 0) << ausgabe_;
  EXPECT_NE(ausgabe_.find("1 Dateien, 1 Keywords, 1 Verknüpfungen"), std::string::npos) << ausgabe_;
  EXPECT_EQ(Aufruf(Werkzeug("pruefen '" + datei_.string() + "'")), 0) << ausgabe_;
  EXPECT_EQ(Aufruf(Werkzeug("kopieren " + server + " '" + datei_.string() + "'")), 1);  // never overwritten
  test::ServerSchema zweites;
  EXPECT_EQ(Aufruf(Werkzeug("kopieren '" + datei_.string() + "' " + wort(zweites.Verbindung()))), 0) << ausgabe_;
  auto db = DatenbankOeffnen(zweites.Verbindung());
  EXPECT_EQ(DateiNummerSuchen(*db, "BRIEF ÜBEL.TXT", "c:\\a"), 1);
  EXPECT_EQ(KeywordsDerDatei(*db, 1), std::vector<std::string>{"MIETE"});

  // anlegen, then kopieren into the still empty register; with the office
  // file beside the source naming a server, the file named is copied.
  test::ServerSchema drittes;
  const std::string dritter = wort(drittes.Verbindung());
  EXPECT_EQ(Aufruf(Werkzeug("anlegen " + dritter)), 0) << ausgabe_;
  {
    std::ofstream conf(datei_.parent_path() / kServerDatei);
    conf << datei_.filename().string() << " = " << schema.Verbindung() << "\n";
  }
  EXPECT_EQ(Aufruf(Werkzeug("kopieren '" + datei_.string() + "' " + dritter)), 0) << ausgabe_;
  EXPECT_NE(ausgabe_.find("Hinweis: Die Arbeitsplätze benutzen statt"), std::string::npos) << ausgabe_;
  EXPECT_NE(ausgabe_.find("1 Dateien, 1 Keywords, 1 Verknüpfungen"), std::string::npos) << ausgabe_;
  EXPECT_EQ(KeywordsDerDatei(*DatenbankOeffnen(drittes.Verbindung()), 1), std::vector<std::string>{"MIETE"});
  EXPECT_EQ(Aufruf(Werkzeug("kopieren '" + datei_.string() + "' " + dritter)), 1) << "a register with rows stays";
  EXPECT_NE(ausgabe_.find("bereits ein Register mit Zeilen"), std::string::npos) << ausgabe_;
  EXPECT_EQ(Aufruf(Werkzeug("pruefen '" + datei_.string() + "'")), 0) << ausgabe_;
  EXPECT_NE(ausgabe_.find("Dateien: 1"), std::string::npos) << "the file's own rows: " << ausgabe_;
  fs::remove(datei_.parent_path() / kServerDatei);

  // a server that is not there: a message naming it, no wait without end
  EXPECT_EQ(Aufruf(Werkzeug("pruefen 'postgresql:host=/tmp/vxm-kein-server dbname=vxm'")), 1);
  EXPECT_NE(ausgabe_.find("Fehler 3151"), std::string::npos) << ausgabe_;
  EXPECT_NE(ausgabe_.find("/tmp/vxm-kein-server"), std::string::npos) << ausgabe_;
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

// A change cut off by a crash is completed before a copy, which takes only
// the rows; one that cannot be judged stops the copy.
TEST_F(RegisterWerkzeugTest, KopierenVollendetAbgebrocheneAenderungenZuerst) {
  ASSERT_EQ(Aufruf(Werkzeug("anlegen '" + datei_.string() + "'")), 0) << ausgabe_;
  DateiAnlegen("C:\\DOK\\Neu\\a.txt");
  {
    auto db = DatenbankOeffnenHost(datei_);
    db->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (\"a.txt\", \"C:\\DOK\\Alt\")");
    Vorhaben v;  // renamed on disk, killed before the commit
    v.Art = VorhabenArt::OrdnerUmbenennen;
    v.QuellOrdner = "C:\\DOK\\Alt";
    v.ZielOrdner = "C:\\DOK\\Neu";
    VorhabenEintragen(*db, v);
    v.QuellOrdner = "C:\\DOK\\Weg";  // neither folder there
    v.ZielOrdner = "C:\\DOK\\Auch weg";
    VorhabenEintragen(*db, v);
  }
  const std::string umgebung = "VXM_LAUFWERKE='C=" + laufwerkC_.string() + "' ";
  const fs::path ziel = laufwerkC_ / "kopie.mdb";
  auto kopieren = [&] { return Aufruf(umgebung + Werkzeug("kopieren '" + datei_.string() + "' '" + ziel.string() + "'")); };
  EXPECT_EQ(kopieren(), 1);
  EXPECT_NE(ausgabe_.find("nicht beurteilbar"), std::string::npos) << ausgabe_;
  EXPECT_NE(ausgabe_.find("wird nicht kopiert"), std::string::npos) << ausgabe_;
  EXPECT_FALSE(fs::exists(ziel));
  OrdnerAnlegenHost("C:\\DOK\\Weg");  // back again: that one was never renamed
  EXPECT_EQ(kopieren(), 0) << ausgabe_;
  auto db = DatenbankOeffnenHost(ziel);
  EXPECT_EQ(DateiNummerSuchen(*db, "a.txt", "C:\\DOK\\Neu"), 1);
}

}  // namespace
}  // namespace vxm
