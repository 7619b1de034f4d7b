// Test scaffolding: a temporary folder as drive C:, message boxes that record
// what they show and answer from a script, and a recording error program.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/datenbank.h"
#include "platform/dateisystem.h"
#include "platform/dialoge.h"
#include "platform/komponenten.h"

namespace vxm::test {

// A keyword row added through the record-set layer, as the window adds it;
// its new KeywordID.
inline int32_t KeywordAnlegen(Datenbank& db, const std::string& name) {
  Recordset rs = db.TabelleOeffnen("Keyword");
  rs.AddNew();
  const int32_t id = rs.Zahl("KeywordID");
  rs.FeldSetzen("Keyword", name);
  rs.Update();
  return id;
}

struct Meldung {
  std::string Text;
  int Stil = 0;
  std::string Titel;
};

class SkriptDialoge : public Dialoge {
 public:
  int MsgBox(const std::string& text, int stil, const std::string& titel) override;
  std::string InputBox(const std::string& prompt, const std::string& titel,
                       const std::string& vorgabe) override;
  std::string DateiOeffnen(const std::string& titel, const std::string& filter,
                           const std::string& ordner) override;
  std::vector<Meldung> Gezeigt;
  std::deque<int> Antworten;            // vbOK when empty
  std::deque<std::string> Eingaben;     // input boxes: the preset when empty
  std::deque<std::string> Dateiwahlen;  // file dialogs: cancelled when empty
  std::vector<Meldung> Eingabefragen;   // prompts of the input boxes (Text = prompt)
  std::function<void()> BeimZeigen;     // runs as each message box opens
};

struct FehlerBericht {
  int32_t Nummer = 0;
  std::string Beschreibung, HilfeDatei, HilfeKontext, Programm, Ort, Zusatz1, Zusatz2;
  bool Flag = true;
  std::vector<std::string> Reihenfolge;  // names of the calls, in order
};

class AufzeichnendesFehlerProgramm : public AllgFehlerProgramm {
 public:
  explicit AufzeichnendesFehlerProgramm(std::shared_ptr<std::vector<FehlerBericht>> ziel)
      : ziel_(std::move(ziel)) {}
  void FehlerNr(int32_t n) override { b_.Nummer = n; b_.Reihenfolge.push_back("FehlerNr"); }
  void FehlerText(const std::string& t) override { b_.Beschreibung = t; b_.Reihenfolge.push_back("FehlerText"); }
  void HilfeDatei(const std::string& t) override { b_.HilfeDatei = t; b_.Reihenfolge.push_back("HilfeDatei"); }
  void HilfeKontext(const std::string& t) override { b_.HilfeKontext = t; b_.Reihenfolge.push_back("HilfeKontext"); }
  void Programm(const std::string& t) override { b_.Programm = t; b_.Reihenfolge.push_back("Programm"); }
  void Ort(const std::string& t) override { b_.Ort = t; b_.Reihenfolge.push_back("Ort"); }
  void Zusatz1(const std::string& t) override { b_.Zusatz1 = t; b_.Reihenfolge.push_back("Zusatz1"); }
  void Zusatz2(const std::string& t) override { b_.Zusatz2 = t; b_.Reihenfolge.push_back("Zusatz2"); }
  void Beenden(bool f) override { b_.Flag = f; b_.Reihenfolge.push_back("Beenden"); }
  void Zeigen() override { b_.Reihenfolge.push_back("Zeigen"); ziel_->push_back(b_); }
  int16_t Ergebnis() override { return 42; }

 private:
  std::shared_ptr<std::vector<FehlerBericht>> ziel_;
  FehlerBericht b_;
};

// The engines the register and record-set tests run on.
enum class Ablage { SQLite, PostgreSQL };
std::string AblageName(const ::testing::TestParamInfo<Ablage>& info);

// The libpq connection string of the test server (environment variable
// VXM_PG_TEST), "" when none is given: the PostgreSQL cases are skipped.
std::string PgTestServer();
inline constexpr const char* kOhnePgServer =
    "VXM_PG_TEST ist nicht gesetzt: kein PostgreSQL-Testserver, der Fall wird übersprungen";

// In the SetUp of a test on every engine: the server case is skipped, with
// a message, when no test server is given.
#define VXM_ABLAGE_PRUEFEN()                                                                   \
  if (GetParam() == ::vxm::test::Ablage::PostgreSQL && ::vxm::test::PgTestServer().empty()) \
  GTEST_SKIP() << ::vxm::test::kOhnePgServer
#define VXM_AUF_ALLEN_ABLAGEN(fixture)                                                                     \
  INSTANTIATE_TEST_SUITE_P(Ablagen, fixture,                                                              \
                           ::testing::Values(::vxm::test::Ablage::SQLite, ::vxm::test::Ablage::PostgreSQL), \
                           ::vxm::test::AblageName)

// A schema of its own on the test server, dropped again at the end.
class ServerSchema {
 public:
  ServerSchema();
  ~ServerSchema();
  ServerSchema(const ServerSchema&) = delete;
  ServerSchema& operator=(const ServerSchema&) = delete;
  // "postgresql:..." that works in this schema.
  const std::string& Verbindung() const { return verbindung_; }
  // Runs SQL of the server directly (as psql would), outside the layer.
  void Roh(const std::string& sql) const;

 private:
  std::string name_, verbindung_;
};

// A temporary drive C: with recording services; the component state is fresh
// for every test.
class Umgebung : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Host path behind a Windows path of drive C:.
  std::filesystem::path Host(const std::string& windowsPfad) const;
  void DateiAnlegen(const std::string& windowsPfad, const std::string& inhalt = "x");
  void OrdnerAnlegenHost(const std::string& windowsPfad);
  std::string Inhalt(const std::string& windowsPfad) const;
  void OhneFehlerprogramm();

  // Creates an empty register for the database file at `hostPfad`: the file
  // itself, or a fresh schema on the test server that the office file
  // beside it names for it (see kServerDatei). Returns the text that opens
  // it directly (the path or "postgresql:...").
  std::string RegisterAnlegenAuf(Ablage ablage, const std::filesystem::path& hostPfad);
  // Runs SQL of the engine outside the layer, on the register made by
  // RegisterAnlegenAuf (the sqlite3 shell or psql).
  void RegisterRoh(const std::string& sql);

  std::filesystem::path temp_;
  std::filesystem::path laufwerkC_;
  std::unique_ptr<ServerSchema> schema_;
  std::filesystem::path registerDatei_;
  std::shared_ptr<HostDateisystem> fs_;
  std::shared_ptr<SkriptDialoge> dialoge_;
  std::shared_ptr<std::vector<FehlerBericht>> berichte_;
};

// An environment with an empty register open as db_ (C:\vxmdok.mdb), on
// the engine Art() names; the server case is skipped without a test server.
// What a shell command printed (with its errors when `mitFehlern`) and
// its status as pclose gives it.
struct Befehlsausgabe {
  int Code = -1;
  std::string Text;
};
Befehlsausgabe Befehl(const std::string& befehl, bool mitFehlern = true);

// A derived SetUp goes on only when !IsSkipped().
class RegisterUmgebung : public Umgebung {
 protected:
  virtual Ablage Art() const { return Ablage::SQLite; }
  void SetUp() override;
  void TearDown() override;
  // Statements in the host's dialect, separated by ";", through the layer
  // (so the folded names follow on every engine).
  void Sql(const std::string& sql);

  std::filesystem::path datei_;
  std::shared_ptr<Datenbank> db_;
};

// Forks a child that runs `kind` with the write end of a pipe and then
// ends; the parent gets the child's pid (-1 on failure) and the read end.
int KindMitRohr(int& lesen, const std::function<void(int schreiben)>& kind);

}  // namespace vxm::test

// A fixture `name` over `basis` (a RegisterUmgebung) that runs on every engine.
#define VXM_AUF_ALLEN_ABLAGEN_AUS(name, basis)                                             \
  class name : public basis, public ::testing::WithParamInterface<::vxm::test::Ablage> { \
   protected:                                                                            \
    ::vxm::test::Ablage Art() const override { return GetParam(); }                      \
  };                                                                                     \
  VXM_AUF_ALLEN_ABLAGEN(name)
