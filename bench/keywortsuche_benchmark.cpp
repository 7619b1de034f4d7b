// Keyword search on a register of 100,000 files: one keyword carried by
// 10,000 files with the result list filled, and a three-term search; and the
// list of all documents of a store of 50,000 files beside a bare recursive
// directory walk of the same tree.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sqlite3.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "basis/zustand.h"
#include "component/qt/frmdorvex.h"
#include "platform/datenbank.h"
#include "platform/dienste.h"
#include "search/qt/dateikeywoerter.h"
#include "search/qt/suchpanel.h"

namespace {
namespace fs = std::filesystem;
using namespace vxm;

constexpr int kDateien = 100000;
constexpr int kTraeger = 10000;  // files per searched keyword

const fs::path& Wurzel() {
  static const fs::path w = [] {
    fs::path p = fs::temp_directory_path() / "vxm-keywortsuche-bench";
    if (!fs::exists(p / "fertig")) {
      fs::remove_all(p);
      // Store: 10 x 10 x 5 folders of 100 files = 50,000 files.
      for (int a = 0; a < 10; ++a)
        for (int b = 0; b < 10; ++b)
          for (int c = 0; c < 5; ++c) {
            const fs::path o = p / "STORE" / std::to_string(a) / std::to_string(b) / ("Akte " + std::to_string(c));
            fs::create_directories(o);
            for (int i = 0; i < 100; ++i) std::ofstream(o / ("Schreiben " + std::to_string(i) + ".pdf"));
          }
      // Register: keywords K0..K2 carried by 10,000 files each (K1 and K2
      // overlap half), 100 other keywords spread over the rest.
      RegisterAnlegen((p / "vxmdok.mdb").string());
      auto db = DatenbankOeffnenHost(p / "vxmdok.mdb");
      Transaktion t(*db);
      sqlite3_stmt* s = db->Anweisung("INSERT INTO Keyword (Keyword) VALUES (?1)");
      for (int k = 0; k < 103; ++k) {
        const std::string n = "K" + std::to_string(k);
        sqlite3_reset(s);
        sqlite3_bind_text(s, 1, n.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(s) != SQLITE_DONE) std::abort();
      }
      s = db->Anweisung("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (?1, ?2)");
      for (int i = 1; i <= kDateien; ++i) {
        const std::string n = "Schreiben " + std::to_string(i) + ".pdf";
        const std::string o = "C:\\STORE\\" + std::to_string(i % 10) + "\\" + std::to_string(i / 10 % 10);
        sqlite3_reset(s);
        sqlite3_bind_text(s, 1, n.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 2, o.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(s) != SQLITE_DONE) std::abort();
      }
      s = db->Anweisung("INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (?1, ?2)");
      auto link = [&](int datei, int id) {
        sqlite3_reset(s);
        sqlite3_bind_int(s, 1, datei);
        sqlite3_bind_int(s, 2, id);
        if (sqlite3_step(s) != SQLITE_DONE) std::abort();
      };
      for (int i = 1; i <= kDateien; ++i) {
        if (i % 10 == 0) link(i, 1);                              // K0
        if (i % 10 == 1 || i % 20 == 2) link(i, 2);               // K1
        if (i % 20 == 2 || i % 20 == 3 || i % 20 == 13) link(i, 3);  // K2
        link(i, 4 + i % 100);
      }
      sqlite3_reset(s);
      t.Bestaetigen();
      db->Execute("ANALYZE");
      std::ofstream(p / "fertig") << "1";
    }
    return p;
  }();
  return w;
}

frmDorvex& Fenster() {
  static frmDorvex* f = [] {
    Laufwerkstabelle laufwerke;
    laufwerke.Zuordnen('C', Wurzel());
    Dienste().Dateien = std::make_shared<HostDateisystem>(laufwerke);
    auto* f = new frmDorvex;
    f->DOC_DATA.DatabaseName = "C:\\vxmdok.mdb";
    Zustand().DokWurzel = "C:\\STORE";
    // The window is refilled, not shown again (as while it is open).
    KeywortFenster(*f).Text1->setText("anwesend");
    return f;
  }();
  return *f;
}

void BM_EinKeyword10000Dateien(benchmark::State& state) {
  auto& f = Fenster();
  auto& w = KeywortFenster(f);
  for (auto _ : state) {
    w.lstDateiGefunden->clear();
    std::string k = "k0";
    f.SucheDateien(k);
    benchmark::DoNotOptimize(w.lstDateiGefunden->topLevelItemCount());
  }
  state.counters["Treffer"] = w.lstDateiGefunden->topLevelItemCount();
}
BENCHMARK(BM_EinKeyword10000Dateien)->Unit(benchmark::kMillisecond);

void BM_DreiBegriffe(benchmark::State& state) {
  auto& f = Fenster();
  auto& w = KeywortFenster(f);
  auto& z = Zustand();
  f.txtDateisuchen->setText("K0;K1;K2;");
  for (auto _ : state) {
    w.lstDateiGefunden->clear();
    z.SuchKeys[1] = "K0";
    z.SuchKeys[2] = "K1";
    z.SuchKeys[3] = "K2";
    z.SuchKeyAnzahl = 3;
    SuchPanelVon(f)->cmdSearch_Click();
    benchmark::DoNotOptimize(w.lstDateiGefunden->topLevelItemCount());
  }
  state.counters["Treffer"] = w.lstDateiGefunden->topLevelItemCount();
}
BENCHMARK(BM_DreiBegriffe)->Unit(benchmark::kMillisecond);

void BM_DokumenteSammeln50000(benchmark::State& state) {
  auto& w = KeywortFenster(Fenster());
  for (auto _ : state) {
    w.lstDateinamen->clear();
    w.DokumenteSammelnAb("C:\\STORE");
    benchmark::DoNotOptimize(w.lstDateinamen->count());
  }
  state.counters["Dateien"] = w.lstDateinamen->count();
}
BENCHMARK(BM_DokumenteSammeln50000)->Unit(benchmark::kMillisecond);

void Gehen(const fs::path& ordner, std::vector<std::string>& namen) {
  DIR* d = opendir(ordner.c_str());
  if (!d) return;
  std::vector<std::string> unter;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.' && (!e->d_name[1] || (e->d_name[1] == '.' && !e->d_name[2]))) continue;
    if (e->d_type == DT_DIR)
      unter.emplace_back(e->d_name);
    else
      namen.emplace_back(e->d_name);
  }
  closedir(d);
  for (auto& u : unter) Gehen(ordner / u, namen);
}

void BM_VerzeichnisGehen50000(benchmark::State& state) {
  std::size_t n = 0;
  for (auto _ : state) {
    std::vector<std::string> namen;
    Gehen(Wurzel() / "STORE", namen);
    n = namen.size();
    benchmark::DoNotOptimize(namen.data());
  }
  state.counters["Dateien"] = static_cast<double>(n);
}
BENCHMARK(BM_VerzeichnisGehen50000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  frmDateiKeywörter::NachDemZeigen = [](frmDateiKeywörter&) {};
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
