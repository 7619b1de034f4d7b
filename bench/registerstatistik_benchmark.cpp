// File lookups on a register of 1,000,000 files (VXM_BENCH_DATEIEN) whose
// planner statistics were taken before the folded names were filled in
// (rows written by the sqlite3 shell, ANALYZE there, names filled later),
// side by side in one run:
//   Lookup_PlainSqlite_StaleStatistics  the lookup on a plain connection that
//                                       keeps the stale statistics (the plan
//                                       the register had before)
//   Lookup_Register_StaleStatistics     DateiNummerSuchen after this program
//                                       opened the same register
//   Lookup_PlainSqlite_FreshAnalyze     reference: plain connection after a
//                                       full ANALYZE
//   Open_Register_StaleStatistics       opening the stale register (filling
//                                       in the names and sampling afresh)
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "keywords/registerzugriff.h"
#include "platform/datenbank.h"

namespace {
namespace fs = std::filesystem;
using namespace vxm;

int Dateien() {
  const char* n = std::getenv("VXM_BENCH_DATEIEN");
  return n ? std::atoi(n) : 1000000;
}

void Roh(sqlite3* db, const std::string& sql) {
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
}

const fs::path& Ordner() {
  static const fs::path o = [] {
    fs::path p = fs::temp_directory_path() / ("vxm-statistik-bench-" + std::to_string(getpid()));
    fs::create_directories(p);
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(fs::temp_directory_path() / ("vxm-statistik-bench-" + std::to_string(getpid())), ec);
    });
    return p;
  }();
  return o;
}

// A register as the shell leaves it: rows without folded names, then ANALYZE.
fs::path Veraltet(const std::string& name, bool namenFuellen) {
  const fs::path datei = Ordner() / name;
  RegisterAnlegen(datei.string());
  sqlite3* db = nullptr;
  if (sqlite3_open(datei.c_str(), &db) != SQLITE_OK) std::abort();
  Roh(db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(Dateien()) +
              ") INSERT INTO Dateiinfo (Dateiname, Dateipfad) SELECT 'Schreiben ' || i || '.pdf', "
              "'C:\\VXM\\VXMDOK\\1\\' || (i % 997) FROM n");
  Roh(db, "ANALYZE");
  if (namenFuellen)
    Roh(db, "UPDATE Dateiinfo SET DateinameSchluessel = upper(Dateiname), DateipfadSchluessel = upper(Dateipfad)");
  sqlite3_close(db);
  return datei;
}

int Ziel(int k) { return 1 + static_cast<int>((static_cast<long long>(k) * 7919) % Dateien()); }

void PlainLookup(benchmark::State& state, sqlite3* db) {
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT Dateinummer, Dateiname, Dateipfad FROM Dateiinfo "
                     "WHERE DateinameSchluessel = ?1 AND DateipfadSchluessel = ?2 ORDER BY rowid",
                     -1, &s, nullptr);
  int k = 0;
  for (auto _ : state) {
    const int i = Ziel(++k);
    const std::string n = "SCHREIBEN " + std::to_string(i) + ".PDF", o = "C:\\VXM\\VXMDOK\\1\\" + std::to_string(i % 997);
    sqlite3_bind_text(s, 1, n.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 2, o.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(s) != SQLITE_ROW || sqlite3_column_int(s, 0) != i) std::abort();
    sqlite3_reset(s);
  }
  sqlite3_finalize(s);
}

void Lookup_PlainSqlite_StaleStatistics(benchmark::State& state) {
  static const fs::path datei = Veraltet("roh.mdb", true);
  sqlite3* db = nullptr;
  sqlite3_open_v2(datei.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  PlainLookup(state, db);
  sqlite3_close(db);
}

void Lookup_Register_StaleStatistics(benchmark::State& state) {
  static const fs::path datei = Veraltet("register.mdb", false);
  auto db = DatenbankOeffnenHost(datei);
  int k = 0;
  for (auto _ : state) {
    const int i = Ziel(++k);
    if (DateiNummerSuchen(*db, "Schreiben " + std::to_string(i) + ".pdf",
                          "C:\\VXM\\VXMDOK\\1\\" + std::to_string(i % 997)) != i)
      std::abort();
  }
}

void Lookup_PlainSqlite_FreshAnalyze(benchmark::State& state) {
  static const fs::path datei = [] {
    fs::path d = Veraltet("frisch.mdb", true);
    sqlite3* db = nullptr;
    sqlite3_open(d.c_str(), &db);
    Roh(db, "ANALYZE");
    sqlite3_close(db);
    return d;
  }();
  sqlite3* db = nullptr;
  sqlite3_open_v2(datei.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  PlainLookup(state, db);
  sqlite3_close(db);
}

void Open_Register_StaleStatistics(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::error_code ec;
    fs::remove(Ordner() / "oeffnen.mdb", ec);
    const fs::path datei = Veraltet("oeffnen.mdb", false);
    state.ResumeTiming();
    auto db = DatenbankOeffnenHost(datei);
    benchmark::DoNotOptimize(db.get());
    db.reset();
    state.PauseTiming();
    for (const char* e : {"", "-wal", "-shm"}) fs::remove(datei.string() + e, ec);
    state.ResumeTiming();
  }
}

BENCHMARK(Lookup_PlainSqlite_StaleStatistics)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(Lookup_Register_StaleStatistics)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(Lookup_PlainSqlite_FreshAnalyze)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(Open_Register_StaleStatistics)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
