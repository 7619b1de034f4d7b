// Opening a folder of 10,000 files in the file list and loading a tree node
// with 2,000 sub-folders, each beside a bare directory listing plus sort of
// the same folder.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "basis/zustand.h"
#include "component/qt/frmdorvex.h"
#include "platform/dienste.h"
#include "store/qt/ordnerbaum.h"

namespace {
namespace fs = std::filesystem;
using namespace vxm;

const fs::path& Wurzel() {
  static const fs::path w = [] {
    fs::path p = fs::temp_directory_path() / "vxm-fenster-bench";
    if (!fs::exists(p / "fertig")) {
      fs::remove_all(p);
      fs::create_directories(p / "VIELEDATEIEN");
      for (int i = 0; i < 10000; ++i)
        std::ofstream(p / "VIELEDATEIEN" / ("Schreiben " + std::to_string(i * 7919 % 10000) + ".txt")) << "x";
      fs::create_directories(p / "VIELEORDNER");
      for (int i = 0; i < 2000; ++i) fs::create_directories(p / "VIELEORDNER" / ("Akte " + std::to_string(i * 7 % 2000)));
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
    return new frmDorvex;
  }();
  return *f;
}

// readdir, keep regular files (or folders), sort by folded name.
std::vector<std::string> Listing(const fs::path& ordner, bool ordnerGesucht) {
  std::vector<std::string> namen;
  DIR* d = opendir(ordner.c_str());
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    const bool istOrdner = e->d_type == DT_DIR;
    if (istOrdner == ordnerGesucht) namen.emplace_back(e->d_name);
  }
  closedir(d);
  std::sort(namen.begin(), namen.end(), [](const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  });
  return namen;
}

void BM_DateilisteOeffnen(benchmark::State& state) {
  auto& f = Fenster();
  for (auto _ : state) {
    f.filListBox->SetPath("C:\\VIELEDATEIEN");
    benchmark::DoNotOptimize(f.filListBox->count());
  }
  state.counters["Dateien"] = f.filListBox->count();
}
BENCHMARK(BM_DateilisteOeffnen)->Unit(benchmark::kMillisecond);

void BM_VerzeichnislisteSortiert_Dateien(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Listing(Wurzel() / "VIELEDATEIEN", false));
}
BENCHMARK(BM_VerzeichnislisteSortiert_Dateien)->Unit(benchmark::kMillisecond);

void BM_KnotenMit2000UnterordnernLaden(benchmark::State& state) {
  auto& f = Fenster();
  for (auto _ : state) {
    state.PauseTiming();  // removing the previous round's nodes is not part of loading
    f.Baum->Leeren();
    state.ResumeTiming();
    f.Baum->Hinzufuegen(nullptr, "C:\\VIELEORDNER\\", "VIELEORDNER", 5, 11);
    f.Baum->UnterordnerLaden("C:\\VIELEORDNER\\");
    benchmark::DoNotOptimize(f.Baum->Anzahl());
  }
  state.counters["Knoten"] = f.Baum->Anzahl();
}
BENCHMARK(BM_KnotenMit2000UnterordnernLaden)->Unit(benchmark::kMillisecond);

void BM_VerzeichnislisteSortiert_Ordner(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Listing(Wurzel() / "VIELEORDNER", true));
}
BENCHMARK(BM_VerzeichnislisteSortiert_Ordner)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
