// Opening a register of 100,000 files: the whole-file check runs once per
// file and process (and again when someone else changed the file since), so
// a plain open stays cheap. Shown side by side: the open after the check,
// the open with the check, and the check alone.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/datenbank.h"

namespace {
namespace fs = std::filesystem;
using namespace vxm;

struct Register {
  fs::path ordner, datei;
  Register() {
    ordner = fs::temp_directory_path() / ("vxm-oeffnen-bench-" + std::to_string(getpid()));
    fs::create_directories(ordner);
    datei = ordner / "vxmdok.mdb";
    RegisterAnlegen(datei.string());
    sqlite3* db = nullptr;
    if (sqlite3_open(datei.c_str(), &db) != SQLITE_OK) std::abort();
    const char* sql =
        "BEGIN;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
        "INSERT INTO Dateiinfo (Dateiname, Dateipfad, DateinameSchluessel, DateipfadSchluessel) "
        "SELECT 'Schreiben Nr. ' || i || ' Hausmeister Jürgen.pdf', "
        "'C:\\VXM\\VXMDOK\\1\\' || (1 + i % 40) || '\\' || (1 + (i / 40) % 25) || '\\Verträge', "
        "upper('Schreiben Nr. ' || i || ' Hausmeister Jürgen.pdf'), "
        "upper('C:\\VXM\\VXMDOK\\1\\' || (1 + i % 40) || '\\' || (1 + (i / 40) % 25) || '\\Verträge') FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
        "INSERT INTO Keyword (Keyword, KeywordSchluessel) SELECT 'MIETE ' || i, 'MIETE ' || i FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300000) "
        "INSERT INTO KeywordZwischentabelle SELECT abs(random()) % 100000 + 1, abs(random()) % 2000 + 1 FROM n;"
        "COMMIT; PRAGMA wal_checkpoint(TRUNCATE);";
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
    sqlite3_close(db);
  }
  ~Register() {
    std::error_code ec;
    fs::remove_all(ordner, ec);
  }
  // A change of the file's status by "someone else": the next open checks again.
  void Anfassen() const { fs::permissions(datei, fs::status(datei).permissions()); }
};

Register& Reg() {
  static Register r;
  return r;
}

void BM_OeffnenNachPruefung(benchmark::State& state) {
  DatenbankOeffnenHost(Reg().datei);  // checked once
  for (auto _ : state) benchmark::DoNotOptimize(DatenbankOeffnenHost(Reg().datei));
}
BENCHMARK(BM_OeffnenNachPruefung)->Unit(benchmark::kMillisecond);

void BM_OeffnenMitPruefung(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Reg().Anfassen();
    state.ResumeTiming();
    benchmark::DoNotOptimize(DatenbankOeffnenHost(Reg().datei));
  }
}
BENCHMARK(BM_OeffnenMitPruefung)->Unit(benchmark::kMillisecond);

void BM_QuickCheckAllein(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(Reg().datei.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  for (auto _ : state) sqlite3_exec(db, "PRAGMA quick_check(1)", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}
BENCHMARK(BM_QuickCheckAllein)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
