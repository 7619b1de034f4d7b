// The file list showing a folder of 100,000 files (VXM_BENCH_DATEIEN),
// side by side with `ls -f | sort -f` of the same folder in one run, and
// the growth of the resident size per listed file when the list is filled
// the first time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/dienste.h"
#include "platform/qt/steuerelemente.h"

namespace {
namespace fs = std::filesystem;
using namespace vxm;

int Dateien() {
  const char* n = std::getenv("VXM_BENCH_DATEIEN");
  return n ? std::atoi(n) : 100000;
}

const fs::path& Wurzel() {
  static const fs::path w = [] {
    fs::path p = fs::temp_directory_path() / ("vxm-dateiliste-bench-" + std::to_string(Dateien()));
    if (!fs::exists(p / "fertig")) {
      fs::remove_all(p);
      fs::create_directories(p / "ORDNER");
      for (int i = 0; i < Dateien(); ++i)
        std::ofstream(p / "ORDNER" / ("Schreiben an Mieter " + std::to_string(i * 7919 % Dateien()) + ".pdf"));
      std::ofstream(p / "fertig") << "1";
    }
    return p;
  }();
  return w;
}

long Resident() {
  long seiten = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &seiten, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

FileListBox& Liste() {
  static FileListBox* l = [] {
    Laufwerkstabelle laufwerke;
    laufwerke.Zuordnen('C', Wurzel());
    Dienste().Dateien = std::make_shared<HostDateisystem>(laufwerke);
    auto* l = new FileListBox;
    l->resize(400, 600);
    l->show();
    QApplication::processEvents();
    return l;
  }();
  return *l;
}

void Dateiliste_Ordner(benchmark::State& state) {
  auto& l = Liste();
  static long zuwachs = -1;
  if (zuwachs < 0) {
    const long vorher = Resident();
    l.SetPath("C:\\ORDNER");
    QApplication::processEvents();
    zuwachs = Resident() - vorher;
  }
  for (auto _ : state) {
    l.SetPath("C:\\ORDNER");
    QApplication::processEvents();  // lay out and paint the rows shown
    benchmark::DoNotOptimize(l.count());
  }
  state.counters["Dateien"] = l.count();
  state.counters["BytesJeDatei"] = static_cast<double>(zuwachs) / l.count();
}

void LsSortF_Ordner(benchmark::State& state) {
  const std::string befehl = "cd '" + (Wurzel() / "ORDNER").string() + "' && ls -f | sort -f > /dev/null";
  for (auto _ : state)
    if (std::system(befehl.c_str()) != 0) std::abort();
}

BENCHMARK(Dateiliste_Ordner)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(LsSortF_Ordner)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
