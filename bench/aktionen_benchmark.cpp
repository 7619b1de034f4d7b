// Register upkeep on a large store: the clean-up of a folder tree of 50,000
// files against a register of 100,000 rows (half inside the pattern, 1,000
// of them vanished), beside the plain walk of the same tree; moving the
// rows of a renamed folder holding 10,000 files; and the whole rename of such
// a folder as the tree makes it (record, lock, rows, disk, commit).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "files/ordnerumbenennen.h"
#include "files/registerpflege.h"
#include "platform/datenbank.h"
#include "platform/dienste.h"
#include "platform/laufwerke.h"
#include "files/ordnerlauf.h"

namespace {
namespace fs = std::filesystem;

constexpr int kOrdner = 500, kJeOrdner = 100;  // 50,000 files
constexpr int kWeg = 1000;

struct Bestand {
  fs::path wurzel;
  std::shared_ptr<vxm::Datenbank> db;

  Bestand() {
    wurzel = fs::temp_directory_path() / ("vxm_aktionen_bench_" + std::to_string(::getpid()));
    fs::remove_all(wurzel);
    for (int o = 0; o < kOrdner; ++o) {
      const fs::path d = wurzel / "BAUM" / ("Mieter " + std::to_string(o / 100)) / ("Akte " + std::to_string(o));
      fs::create_directories(d);
      for (int i = 0; i < kJeOrdner; ++i) std::ofstream(d / ("Dokument " + std::to_string(i) + ".txt")) << "x";
    }
    vxm::Laufwerkstabelle l;
    l.Zuordnen('C', wurzel);
    vxm::Dienste().Dateien = std::make_shared<vxm::HostDateisystem>(l);
    vxm::RegisterAnlegen((wurzel / "vxmdok.mdb").string());
    db = vxm::DatenbankOeffnenHost(wurzel / "vxmdok.mdb");
    vxm::Transaktion t(*db);
    sqlite3_stmt* s = db->Anweisung("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (?1, ?2)");
    auto zeile = [&](const std::string& name, const std::string& pfad) {
      sqlite3_bind_text(s, 1, name.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(s, 2, pfad.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_step(s);
      sqlite3_reset(s);
    };
    // 49,000 files that exist, 50,000 rows outside the pattern.
    for (int o = 0; o < kOrdner; ++o)
      for (int i = 0; i < kJeOrdner - 2; ++i)
        zeile("Dokument " + std::to_string(i) + ".txt", Ordner(o));
    for (int n = 0; n < 50000; ++n) zeile("Fremd " + std::to_string(n) + ".txt", "C:\\ANDERS\\" + std::to_string(n % 300));
    t.Bestaetigen();
    Verschwundene();
  }
  static std::string Ordner(int o) {
    return "C:\\BAUM\\Mieter " + std::to_string(o / 100) + "\\Akte " + std::to_string(o);
  }
  // 1,000 rows inside the pattern whose files are gone (two per folder).
  void Verschwundene() {
    vxm::Transaktion t(*db);
    sqlite3_stmt* s = db->Anweisung("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (?1, ?2)");
    for (int n = 0; n < kWeg; ++n) {
      const std::string name = "Verschwunden " + std::to_string(n) + ".txt", pfad = Ordner(n % kOrdner);
      sqlite3_bind_text(s, 1, name.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(s, 2, pfad.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_step(s);
      sqlite3_reset(s);
    }
    t.Bestaetigen();
  }
  ~Bestand() {
    db.reset();
    fs::remove_all(wurzel);
  }
};

Bestand& B() {
  static Bestand b;
  return b;
}

void RegisterBereinigen(benchmark::State& state) {
  auto& b = B();
  for (auto _ : state) {
    const vxm::Bereinigung r = vxm::RegisterBereinigen(*b.db, "C:\\BAUM*");
    if (r.Geloescht != kWeg || r.Geprueft != 50000) state.SkipWithError("wrong result");
    state.PauseTiming();
    b.Verschwundene();
    state.ResumeTiming();
  }
}
BENCHMARK(RegisterBereinigen)->Unit(benchmark::kMillisecond);

// The walk alone, as the clean-up makes it.
void DateiWalk(benchmark::State& state) {
  B();
  for (auto _ : state) {
    const vxm::DateiBestand bestand = vxm::DateiBestandLesen("C:\\BAUM");
    if (bestand.Dateien.size() != kOrdner * kJeOrdner) state.SkipWithError("walk incomplete");
  }
}
BENCHMARK(DateiWalk)->Unit(benchmark::kMillisecond);

// A folder with 10,000 registered files below it (100 folders of 100 files)
// renamed back and forth.
void OrdnerPfadNachziehen(benchmark::State& state) {
  auto& b = B();
  // Where the folder stands survives the harness's repeated runs of this function.
  static bool hin = true;
  for (auto _ : state) {
    const int64_t n = hin ? vxm::RegisterOrdnerNachziehen(*b.db, "C:\\BAUM\\Mieter 1", "C:\\BAUM\\Mieter Eins")
                          : vxm::RegisterOrdnerNachziehen(*b.db, "C:\\BAUM\\Mieter Eins", "C:\\BAUM\\Mieter 1");
    hin = !hin;
    if (n < 9800) state.SkipWithError(("too few rows: " + std::to_string(n)).c_str());
  }
}
BENCHMARK(OrdnerPfadNachziehen)->Unit(benchmark::kMillisecond);

void OrdnerUmbenennen(benchmark::State& state) {
  auto& b = B();
  static bool hin = true;
  for (auto _ : state) {
    const vxm::OrdnerUmbenennung u = hin ? vxm::OrdnerUmbenennen(*b.db, "C:\\BAUM\\Mieter 2", "Mieter Zwei")
                                         : vxm::OrdnerUmbenennen(*b.db, "C:\\BAUM\\Mieter Zwei", "Mieter 2");
    hin = !hin;
    if (!u.Umbenannt || u.Zeilen < 9800) state.SkipWithError(("not renamed: " + u.Meldung).c_str());
  }
}
BENCHMARK(OrdnerUmbenennen)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
