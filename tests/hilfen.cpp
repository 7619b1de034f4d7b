#include "tests/hilfen.h"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

#include "basis/zustand.h"
#include "component/hauptfenster.h"
#include "platform/datenbank.h"
#include "platform/dienste.h"

namespace vxm::test {

Befehlsausgabe Befehl(const std::string& befehl, bool mitFehlern) {
  Befehlsausgabe a;
  FILE* rohr = ::popen((mitFehlern ? befehl + " 2>&1" : befehl).c_str(), "r");
  if (!rohr) return a;
  std::array<char, 4096> puffer{};
  std::size_t n;
  while ((n = std::fread(puffer.data(), 1, puffer.size(), rohr)) > 0) a.Text.append(puffer.data(), n);
  a.Code = ::pclose(rohr);
  return a;
}
namespace fs = std::filesystem;

int SkriptDialoge::MsgBox(const std::string& text, int stil, const std::string& titel) {
  Gezeigt.push_back({text, stil, titel});
  if (BeimZeigen) BeimZeigen();
  if (Antworten.empty()) return vbOK;
  int a = Antworten.front();
  Antworten.pop_front();
  return a;
}

std::string SkriptDialoge::InputBox(const std::string& prompt, const std::string& titel,
                                   const std::string& vorgabe) {
  Eingabefragen.push_back({prompt, 0, titel});
  if (Eingaben.empty()) return vorgabe;
  auto a = Eingaben.front();
  Eingaben.pop_front();
  return a;
}

std::string SkriptDialoge::DateiOeffnen(const std::string& titel, const std::string&,
                                       const std::string&) {
  Eingabefragen.push_back({"<Datei>", 0, titel});
  if (Dateiwahlen.empty()) return {};
  auto a = Dateiwahlen.front();
  Dateiwahlen.pop_front();
  return a;
}

void Umgebung::SetUp() {
  std::random_device zufall;
  temp_ = fs::temp_directory_path() / ("vxm-test-" + std::to_string(zufall()) + std::to_string(zufall()));
  laufwerkC_ = temp_ / "c";
  fs::create_directories(laufwerkC_);
  Laufwerkstabelle laufwerke;
  laufwerke.Zuordnen('C', laufwerkC_);
  fs_ = std::make_shared<HostDateisystem>(laufwerke);
  dialoge_ = std::make_shared<SkriptDialoge>();
  berichte_ = std::make_shared<std::vector<FehlerBericht>>();
  Dienste().Dateien = fs_;
  Dienste().Meldungen = dialoge_;
  auto berichte = berichte_;
  Dienste().Komponenten.vxmAllgError = [berichte] {
    return std::make_unique<AufzeichnendesFehlerProgramm>(berichte);
  };
  ZustandZuruecksetzen();
  HauptfensterErzeugen() = nullptr;
  AktuellesHauptfenster().reset();
}

std::string AblageName(const ::testing::TestParamInfo<Ablage>& info) {
  return info.param == Ablage::SQLite ? "SQLite" : "PostgreSQL";
}

std::string PgTestServer() {
  const char* s = std::getenv("VXM_PG_TEST");
  return s ? s : "";
}

namespace {
// The test server's connection as keyword=value pairs (a URI is taken apart).
std::string Schluesselwerte(const std::string& verbindung) {
  char* fehler = nullptr;
  PQconninfoOption* o = PQconninfoParse(verbindung.c_str(), &fehler);
  PQfreemem(fehler);
  if (!o) return verbindung;
  std::string aus;
  for (PQconninfoOption* p = o; p->keyword; ++p) {
    if (!p->val || !*p->val) continue;
    std::string wert;
    for (char c : std::string(p->val)) wert += (c == '\'' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    aus += std::string(aus.empty() ? "" : " ") + p->keyword + "='" + wert + "'";
  }
  PQconninfoFree(o);
  return aus;
}
}  // namespace

ServerSchema::ServerSchema() {
  static int zaehler = 0;
  std::random_device zufall;
  name_ = "vxmtest_" + std::to_string(getpid()) + "_" + std::to_string(++zaehler) + "_" + std::to_string(zufall() % 100000);
  Roh("CREATE SCHEMA " + name_);
  verbindung_ = "postgresql:" + Schluesselwerte(PgTestServer()) + " options='-c search_path=" + name_ + "'";
}

ServerSchema::~ServerSchema() {
  try {
    Roh("DROP SCHEMA IF EXISTS " + name_ + " CASCADE");
  } catch (...) {
  }
}

void ServerSchema::Roh(const std::string& sql) const {
  PGconn* c = PQconnectdb((Schluesselwerte(PgTestServer()) +
                           (verbindung_.empty() ? std::string() : " options='-c search_path=" + name_ + "'"))
                              .c_str());
  const bool ok = PQstatus(c) == CONNECTION_OK;
  PGresult* r = ok ? PQexec(c, ("SET client_min_messages = warning; SET lock_timeout = '20s'; " + sql).c_str()) : nullptr;
  const auto status = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
  const std::string fehler = r ? PQresultErrorMessage(r) : PQerrorMessage(c);
  PQclear(r);
  PQfinish(c);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
    throw std::runtime_error("PostgreSQL: " + fehler + " [" + sql + "]");
}

std::string Umgebung::RegisterAnlegenAuf(Ablage ablage, const fs::path& hostPfad) {
  registerDatei_ = hostPfad;
  if (ablage == Ablage::SQLite) {
    RegisterAnlegen(hostPfad.string());
    return hostPfad.string();
  }
  schema_ = std::make_unique<ServerSchema>();
  RegisterAnlegen(schema_->Verbindung());
  std::ofstream(hostPfad.parent_path() / kServerDatei, std::ios::app)
      << "# Register der Tests\n" << hostPfad.filename().string() << " = " << schema_->Verbindung() << "\n";
  return schema_->Verbindung();
}

void Umgebung::RegisterRoh(const std::string& sql) {
  if (schema_) return schema_->Roh(sql);
  sqlite3* roh = nullptr;
  ASSERT_EQ(sqlite3_open(registerDatei_.c_str(), &roh), SQLITE_OK);
  char* fehler = nullptr;
  const int rc = sqlite3_exec(roh, sql.c_str(), nullptr, nullptr, &fehler);
  const std::string text = fehler ? fehler : "";
  sqlite3_free(fehler);
  sqlite3_close(roh);
  ASSERT_EQ(rc, SQLITE_OK) << text << " [" << sql << "]";
}

void Umgebung::TearDown() {
  schema_.reset();
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(temp_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(temp_, ec);
  ZustandZuruecksetzen();
  HauptfensterErzeugen() = nullptr;
  AktuellesHauptfenster().reset();
  DiensteZuruecksetzen();
}

fs::path Umgebung::Host(const std::string& windowsPfad) const {
  return fs_->Laufwerke().Aufloesen(windowsPfad).Host;
}

void Umgebung::OrdnerAnlegenHost(const std::string& windowsPfad) { fs::create_directories(Host(windowsPfad)); }

void Umgebung::DateiAnlegen(const std::string& windowsPfad, const std::string& inhalt) {
  auto p = Host(windowsPfad);
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << inhalt;
}

std::string Umgebung::Inhalt(const std::string& windowsPfad) const {
  std::ifstream datei(Host(windowsPfad), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(datei)), std::istreambuf_iterator<char>());
}

void Umgebung::OhneFehlerprogramm() { Dienste().Komponenten.vxmAllgError = nullptr; }

void RegisterUmgebung::SetUp() {
  Umgebung::SetUp();
  if (Art() == Ablage::PostgreSQL && PgTestServer().empty()) GTEST_SKIP() << kOhnePgServer;
  datei_ = laufwerkC_ / "vxmdok.mdb";
  RegisterAnlegenAuf(Art(), datei_);
  db_ = DatenbankOeffnenHost(datei_);
}

void RegisterUmgebung::TearDown() {
  db_.reset();
  Umgebung::TearDown();
}

void RegisterUmgebung::Sql(const std::string& sql) {
  std::size_t von = 0;
  while (von < sql.size()) {
    std::size_t bis = sql.find(';', von);
    if (bis == std::string::npos) bis = sql.size();
    const std::string eine = sql.substr(von, bis - von);
    if (eine.find_first_not_of(" \t\r\n") != std::string::npos) db_->Execute(eine);
    von = bis + 1;
  }
}

int KindMitRohr(int& lesen, const std::function<void(int schreiben)>& kind) {
  int rohr[2];
  if (::pipe(rohr) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(rohr[0]);
    kind(rohr[1]);
    ::_exit(0);
  }
  ::close(rohr[1]);
  if (pid < 0) {
    ::close(rohr[0]);
    return -1;
  }
  lesen = rohr[0];
  return pid;
}

}  // namespace vxm::test
