// `vxmdorvex-register abgleichen` and `pruefen` on a store changed with the
// shell, and abgleichen killed at random points.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "basis/zustand.h"
#include "files/abgleich.h"
#include "files/fingerabdruck.h"
#include "files/wiedererkennung.h"
#include "keywords/register.h"
#include "keywords/registerzugriff.h"
#include "platform/datenbank.h"
#include "tests/hilfen.h"

extern char** environ;

namespace vxm {
namespace {
namespace fs = std::filesystem;

const std::string kWurzel = "C:\\VXMDOK";

class AbgleichWerkzeugTest : public test::Umgebung {
 protected:
  virtual test::Ablage Art() const { return test::Ablage::SQLite; }
  void SetUp() override {
    Umgebung::SetUp();
    const char* build = std::getenv("VXM_BUILD");
    werkzeug_ = fs::absolute(fs::path(build ? build : "build") / "vxmdorvex-register");
    if (!fs::exists(werkzeug_)) GTEST_SKIP() << "vxmdorvex-register nicht gebaut";
    if (Art() == test::Ablage::PostgreSQL && test::PgTestServer().empty()) GTEST_SKIP() << test::kOhnePgServer;
    datei_ = laufwerkC_ / "vxmdok.mdb";
    // The tool is given the register as the office names it: the file, or the server's connection.
    register_ = RegisterAnlegenAuf(Art(), datei_);
    Zustand().DokWurzel = kWurzel;
    ::setenv("VXM_LAUFWERKE", ("C=" + laufwerkC_.string()).c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("VXM_LAUFWERKE");
    Umgebung::TearDown();
  }

  int Aufruf(const std::vector<std::string>& argumente) {
    const fs::path aus = temp_ / "ausgabe.txt";
    std::string befehl = "'" + werkzeug_.string() + "'";
    for (const auto& a : argumente) {
      befehl += " '";
      for (const char c : a) befehl += c == '\'' ? std::string("'\\''") : std::string(1, c);
      befehl += "'";
    }
    const int status = std::system((befehl + " > '" + aus.string() + "' 2>&1").c_str());
    std::ifstream d(aus);
    ausgabe_.assign(std::istreambuf_iterator<char>(d), std::istreambuf_iterator<char>());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  bool Enthaelt(const std::string& text) const { return ausgabe_.find(text) != std::string::npos; }

  fs::path werkzeug_, datei_;
  std::string register_;
  std::string ausgabe_;
};

class AbgleichWerkzeugAblage : public AbgleichWerkzeugTest, public ::testing::WithParamInterface<test::Ablage> {
 protected:
  test::Ablage Art() const override { return GetParam(); }
};
VXM_AUF_ALLEN_ABLAGEN(AbgleichWerkzeugAblage);

TEST_P(AbgleichWerkzeugAblage, AbgleichenMeldetJedeDateiUndPruefenErklaertWasWartet) {
  {
    auto db = DatenbankOeffnenHost(datei_);
    for (const char* n : {"Vertrag.pdf", "Plan.pdf", "Weg.pdf"}) {
      DateiAnlegen(kWurzel + "\\A\\" + n, std::string("Inhalt ") + n);
      KeywordsEingeben(*db, {n, kWurzel + "\\A"}, "AKTE");
    }
  }
  // Written an hour ago: the prints keep the files' times (nanoseconds, beyond a double's precision).
  for (const char* n : {"Vertrag.pdf", "Plan.pdf", "Weg.pdf"}) {
    const fs::path p = Host(kWurzel + "\\A\\" + n);
    fs::last_write_time(p, fs::last_write_time(p) - std::chrono::hours(1));
  }
  // The first run takes the prints of files that have none.
  ASSERT_EQ(Aufruf({"abgleichen", register_, "--wurzel", kWurzel}), 0) << ausgabe_;
  EXPECT_TRUE(Enthaelt("3 Fingerabdrücke erfasst")) << ausgabe_;
  ASSERT_EQ(std::system(("mv '" + Host(kWurzel + "\\A\\Vertrag.pdf").string() + "' '" +
                         Host(kWurzel + "\\Vertrag 2024.pdf").string() + "'").c_str()), 0);
  DateiAnlegen(kWurzel + "\\B\\Plan.pdf", "Inhalt Plan.pdf");
  DateiAnlegen(kWurzel + "\\C\\Plan.pdf", "Inhalt Plan.pdf");
  fs::remove(Host(kWurzel + "\\A\\Plan.pdf"));
  fs::remove(Host(kWurzel + "\\A\\Weg.pdf"));
  // Before anything follows them up, pruefen names the rows whose files are gone.
  EXPECT_EQ(Aufruf({"pruefen", register_}), 0) << ausgabe_;
  EXPECT_TRUE(Enthaelt("Eingetragen, aber nicht vorhanden (beim nächsten Öffnen ihres Ordners oder mit abgleichen "
                       "nachgeführt): 3\n  " + kWurzel + "\\A\\Vertrag.pdf\n  " + kWurzel + "\\A\\Plan.pdf\n  " +
                       kWurzel + "\\A\\Weg.pdf\n")) << ausgabe_;
  ASSERT_EQ(Aufruf({"abgleichen", register_, "--wurzel", kWurzel + "\\"}), 0) << ausgabe_;
  EXPECT_TRUE(Enthaelt("Umgezogen: " + kWurzel + "\\A\\Vertrag.pdf -> " + kWurzel + "\\Vertrag 2024.pdf\n")) << ausgabe_;
  EXPECT_TRUE(Enthaelt("Beiseitegelegt: " + kWurzel + "\\A\\Weg.pdf (keine Datei mit gleichem Inhalt")) << ausgabe_;
  EXPECT_TRUE(Enthaelt("Beiseitegelegt: " + kWurzel + "\\A\\Plan.pdf (2 Dateien mit gleichem Inhalt: ")) << ausgabe_;
  EXPECT_TRUE(Enthaelt("1 umgezogen, 0 zurückgeholt, 2 beiseitegelegt (davon 1 mehrdeutig)")) << ausgabe_;

  // pruefen names every waiting row and why; they are no fault.
  EXPECT_EQ(Aufruf({"pruefen", register_}), 0) << ausgabe_;
  EXPECT_TRUE(Enthaelt("Beiseitegelegt (Dateien verschwunden, Keywörter aufbewahrt für 90 Tage): 2")) << ausgabe_;
  EXPECT_TRUE(Enthaelt(kWurzel + "\\A\\Plan.pdf (seit ")) << ausgabe_;
  EXPECT_TRUE(Enthaelt("2 Dateien mit gleichem Inhalt: ")) << ausgabe_;
  EXPECT_TRUE(Enthaelt(kWurzel + "\\B\\Plan.pdf")) << ausgabe_;
  EXPECT_TRUE(Enthaelt("es wird nicht geraten")) << ausgabe_;
  EXPECT_TRUE(Enthaelt(kWurzel + "\\A\\Weg.pdf (seit ")) << ausgabe_;
  EXPECT_FALSE(Enthaelt("nicht vorhanden")) << ausgabe_;
  EXPECT_TRUE(Enthaelt("Register in Ordnung.")) << ausgabe_;
  // A copy of the register keeps what waits, and knows the moved file by its content.
  const fs::path kopie = temp_ / "kopie.mdb";
  ASSERT_EQ(Aufruf({"kopieren", register_, kopie.string()}), 0) << ausgabe_;
  EXPECT_TRUE(Enthaelt("Mitgenommen: 3 Fingerabdrücke, 2 beiseitegelegte Einträge.")) << ausgabe_;
  EXPECT_EQ(Aufruf({"pruefen", kopie.string()}), 0) << ausgabe_;
  EXPECT_TRUE(Enthaelt("Beiseitegelegt (Dateien verschwunden, Keywörter aufbewahrt für 90 Tage): 2")) << ausgabe_;
  // Every print arrives exactly, also on a server register copied from the file.
  auto abdruecke = [](Datenbank& db) {
    std::vector<std::string> a;
    for (int32_t nr = 1; nr <= 3; ++nr)
      if (const auto f = FingerabdruckLesen(db, nr))
        a.push_back(f->Inhalt.Hash + "/" + std::to_string(f->Inhalt.Groesse) + "/" + std::to_string(f->Mtime));
    return a;
  };
  const auto soll = abdruecke(*DatenbankDateiOeffnenHost(register_));
  ASSERT_EQ(soll.size(), 3u);
  EXPECT_EQ(soll[0].find("/-1"), std::string::npos) << soll[0];
  EXPECT_EQ(abdruecke(*DatenbankDateiOeffnenHost(kopie)), soll);
  if (!test::PgTestServer().empty()) {
    test::ServerSchema zurueck;
    ASSERT_EQ(Aufruf({"kopieren", kopie.string(), zurueck.Verbindung()}), 0) << ausgabe_;
    EXPECT_EQ(abdruecke(*DatenbankOeffnen(zurueck.Verbindung())), soll);
  }
  fs::remove(Host(kWurzel + "\\C\\Plan.pdf"));
  ASSERT_EQ(Aufruf({"abgleichen", kopie.string(), "--wurzel", kWurzel}), 0) << ausgabe_;
  EXPECT_TRUE(Enthaelt("Zurückgeholt: " + kWurzel + "\\A\\Plan.pdf -> " + kWurzel + "\\B\\Plan.pdf")) << ausgabe_;
  // A row both set aside and registered is a fault.
  {
    auto db = DatenbankOeffnenHost(datei_);
    db->Execute("INSERT INTO Dateiinfo (Dateinummer, Dateiname, Dateipfad) SELECT Dateinummer, Dateiname, Dateipfad "
                "FROM vxm_beiseite WHERE Grund = \"nicht gefunden\"");
  }
  EXPECT_EQ(Aufruf({"pruefen", register_}), 1) << ausgabe_;
  EXPECT_TRUE(Enthaelt("Beiseitegelegt und zugleich eingetragen: 1")) << ausgabe_;
}

TEST_F(AbgleichWerkzeugTest, FalscherAufrufUndFehlendeWurzel) {
  EXPECT_EQ(Aufruf({"abgleichen", datei_.string()}), 2);
  EXPECT_EQ(Aufruf({"abgleichen", datei_.string(), "--wurzel"}), 2);
  EXPECT_EQ(Aufruf({"abgleichen", datei_.string(), "--ordner", kWurzel}), 2);
  EXPECT_EQ(Aufruf({"abgleichen", datei_.string(), "--wurzel", "C:\\FEHLT"}), 1);
  EXPECT_TRUE(Enthaelt("Der Ordner C:\\FEHLT wurde nicht gefunden.")) << ausgabe_;
  EXPECT_EQ(Aufruf({"abgleichen", (temp_ / "fehlt.mdb").string(), "--wurzel", kWurzel}), 1);
  EXPECT_FALSE(fs::exists(temp_ / "fehlt.mdb"));
  for (const char* falsch : {"0", "-3", "90x", ""}) {
    EXPECT_EQ(Aufruf({"abgleichen", datei_.string(), "--wurzel", kWurzel, "--tage", falsch}), 2) << falsch;
    EXPECT_TRUE(Enthaelt("--tage erwartet eine Zahl von 1 bis 99999.")) << ausgabe_;
  }
}

TEST_P(AbgleichWerkzeugAblage, AufbewahrungszeitWirdImRegisterGemerkt) {
  OrdnerAnlegenHost(kWurzel);
  ASSERT_EQ(Aufruf({"abgleichen", register_, "--wurzel", kWurzel, "--tage", "30"}), 0) << ausgabe_;
  EXPECT_TRUE(Enthaelt("Einträge verschwundener Dateien werden 30 Tage aufbewahrt.")) << ausgabe_;
  auto db = DatenbankOeffnenHost(datei_);
  EXPECT_EQ(BeiseiteTage(*db), 30) << "the window's clean-up follows it too";
}

// ------------------------------------------------------------- kill -9

// Where each row must be after any kill: at its old place, at its new place,
// or set aside - once, with all its links.
struct Soll {
  std::string Alt, Neu;
  fs::path Host;
  std::vector<int32_t> Links;
};

TEST_F(AbgleichWerkzeugTest, AbgleichenAbgeschossenLaesstJedeZeileEinmalMitAllenLinks) {
  constexpr int kDateien = 2000, kVerschoben = 800;
  std::map<int32_t, Soll> soll;
  {
    auto db = DatenbankOeffnenHost(datei_);
    Transaktion t(*db);
    for (int k = 1; k <= 5; ++k) db->Execute("INSERT INTO Keyword (Keyword) VALUES (\"K" + std::to_string(k) + "\")");
    sqlite3_stmt* zeile = db->Anweisung("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (?1, ?2)");
    sqlite3_stmt* link = db->Anweisung("INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (?1, ?2)");
    for (int i = 0; i < kDateien; ++i) {
      const std::string ordner = kWurzel + "\\O" + std::to_string(i % 30), name = "d" + std::to_string(i) + ".txt";
      // Written straight to the drive's folder: thousands of files, no lookups.
      const fs::path host = laufwerkC_ / "VXMDOK" / ("O" + std::to_string(i % 30));
      fs::create_directories(host);
      std::ofstream(host / name) << "Inhalt " << i << std::string(static_cast<std::size_t>(i % 7), '.');
      sqlite3_bind_text(zeile, 1, name.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(zeile, 2, ordner.c_str(), -1, SQLITE_TRANSIENT);
      ASSERT_EQ(sqlite3_step(zeile), SQLITE_DONE);
      sqlite3_reset(zeile);
      const auto nr = static_cast<int32_t>(sqlite3_last_insert_rowid(db->Handle()));
      Soll& s = soll[nr];
      s.Alt = s.Neu = ordner + "\\" + name;
      s.Host = host / name;
      for (int k = 0; k <= i % 3; ++k) {
        const int32_t kw = 1 + (i + 2 * k) % 5;
        sqlite3_bind_int(link, 1, nr);
        sqlite3_bind_int(link, 2, kw);
        ASSERT_EQ(sqlite3_step(link), SQLITE_DONE);
        sqlite3_reset(link);
        s.Links.push_back(kw);
      }
    }
    t.Bestaetigen();
    Abgleichen(*db, kWurzel);  // the prints
  }
  // Moves and renames with the shell's rename.
  int n = 0;
  for (auto& [nr, s] : soll) {
    if (n++ % (kDateien / kVerschoben + 1) != 0) continue;
    const std::string neu = kWurzel + "\\Neu" + std::to_string(nr % 7) + "\\n" + std::to_string(nr) + ".txt";
    const fs::path host = laufwerkC_ / "VXMDOK" / ("Neu" + std::to_string(nr % 7)) / ("n" + std::to_string(nr) + ".txt");
    fs::create_directories(host.parent_path());
    fs::rename(s.Host, host);
    s.Neu = neu;
  }
  const fs::path vorlage = temp_ / "vorlage.mdb";
  fs::copy_file(datei_, vorlage);

  auto pruefen = [&](int lauf) {
    auto db = DatenbankOeffnenHost(datei_);
    std::map<int32_t, std::string> da, beiseite;
    std::map<int32_t, std::vector<int32_t>> links;
    for (Recordset rs = db->OpenRecordset("SELECT Dateinummer, Dateiname, Dateipfad FROM Dateiinfo"); !rs.Eof();
         rs.MoveNext())
      da[rs.Zahl("Dateinummer")] = rs.Text("Dateipfad") + "\\" + rs.Text("Dateiname");
    for (Recordset rs = db->OpenRecordset("SELECT Dateinummer, Dateiname, Dateipfad FROM vxm_beiseite"); !rs.Eof();
         rs.MoveNext())
      beiseite[rs.Zahl("Dateinummer")] = rs.Text("Dateipfad") + "\\" + rs.Text("Dateiname");
    for (Recordset rs = db->OpenRecordset("SELECT Dateinummer, KeywordID FROM KeywordZwischentabelle ORDER BY rowid");
         !rs.Eof(); rs.MoveNext())
      links[rs.Zahl("Dateinummer")].push_back(rs.Zahl("KeywordID"));
    for (Recordset rs = db->OpenRecordset(
             "SELECT Dateinummer, KeywordID FROM vxm_beiseite_verknuepfung ORDER BY Dateinummer, Folge");
         !rs.Eof(); rs.MoveNext())
      links[rs.Zahl("Dateinummer")].push_back(rs.Zahl("KeywordID"));
    ASSERT_EQ(da.size() + beiseite.size(), soll.size()) << "Lauf " << lauf;
    for (const auto& [nr, s] : soll) {
      const bool registriert = da.count(nr) > 0;
      ASSERT_NE(registriert, beiseite.count(nr) > 0) << "Lauf " << lauf << ": Datei " << nr << " nicht genau einmal";
      if (registriert) ASSERT_TRUE(da[nr] == s.Alt || da[nr] == s.Neu) << "Lauf " << lauf << ": " << da[nr];
      else ASSERT_EQ(beiseite[nr], s.Alt) << "Lauf " << lauf;
      ASSERT_EQ(links[nr], s.Links) << "Lauf " << lauf << ": Datei " << nr;
    }
    ASSERT_TRUE(AbgleichBefunde(*db).empty());
  };

  auto starten = [&]() {
    std::vector<std::string> a = {werkzeug_.string(), "abgleichen", datei_.string(), "--wurzel", kWurzel};
    std::vector<char*> argv;
    for (auto& s : a) argv.push_back(s.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t aktionen;
    posix_spawn_file_actions_init(&aktionen);
    posix_spawn_file_actions_addopen(&aktionen, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &aktionen, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&aktionen);
    return pid;
  };
  auto zuruecksetzen = [&] {
    for (const char* endung : {"-wal", "-shm"}) fs::remove(datei_.string() + endung);
    fs::copy_file(vorlage, datei_, fs::copy_options::overwrite_existing);
  };

  // How long a whole run takes, to spread the kills over it.
  const auto start = std::chrono::steady_clock::now();
  int status = 0;
  ::waitpid(starten(), &status, 0);
  const auto dauer = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  pruefen(0);

  std::mt19937 zufall(20);
  std::uniform_int_distribution<int64_t> wann(0, dauer.count());
  int unterbrochen = 0;
  for (int lauf = 1; lauf <= 12; ++lauf) {
    if (lauf % 2 == 1) zuruecksetzen();  // every second run goes on from the killed one before
    const pid_t pid = starten();
    std::this_thread::sleep_for(std::chrono::microseconds(wann(zufall)));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) ++unterbrochen;
    pruefen(lauf);
    if (HasFatalFailure()) return;
  }
  // A last run completes what the killed ones left.
  ::waitpid(starten(), &status, 0);
  pruefen(99);
  auto db = DatenbankOeffnenHost(datei_);
  for (const auto& [nr, s] : soll) {
    const auto p = s.Neu.rfind('\\');
    ASSERT_EQ(DateiNummerSuchen(*db, s.Neu.substr(p + 1), s.Neu.substr(0, p)), nr);
  }
  RecordProperty("abgeschossen", unterbrochen);
  std::printf("abgleichen: %lld us je Lauf, %d von 12 Läufen abgeschossen\n", static_cast<long long>(dauer.count()),
              unterbrochen);
}

}  // namespace
}  // namespace vxm
