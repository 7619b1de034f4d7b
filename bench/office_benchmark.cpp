// New office files: with the cached empty file (the everyday case) and the
// first one, which has LibreOffice build the empty file. The cache of the
// warm cases lives in a temporary folder, so the user's own cache is untouched.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "create/buerodatei.h"
#include "create/serienbrief.h"
#include "platform/dienste.h"

namespace {
namespace fs = std::filesystem;
using namespace vxm;

struct Ablage {
  fs::path Wurzel;
  Ablage() {
    std::random_device zufall;
    Wurzel = fs::temp_directory_path() / ("vxm-office-bench-" + std::to_string(zufall()));
    fs::create_directories(Wurzel / "c" / "DOK");
    Laufwerkstabelle l;
    l.Zuordnen('C', Wurzel / "c");
    Dienste().Dateien = std::make_shared<HostDateisystem>(l);
  }
  ~Ablage() {
    std::error_code ec;
    fs::remove_all(Wurzel, ec);
  }
};

void NeueDatei(benchmark::State& state, const char* endung) {
  Ablage ablage;
  VorlagenOrdnerSetzen(ablage.Wurzel / "vorlagen");
  if (!LeereVorlage(endung)) {
    state.SkipWithError("LibreOffice fehlt");
    return;
  }
  long n = 0;
  for (auto _ : state) {
    const std::string ziel = "C:\\DOK\\Neu" + std::to_string(n++) + endung;
    if (!NeueBueroDatei(endung, ziel)) state.SkipWithError("nicht angelegt");
    state.PauseTiming();
    Dienste().Dateien->DeleteFile(ziel, true);
    state.ResumeTiming();
  }
  VorlagenOrdnerSetzen({});
}

// The first file of a type: LibreOffice starts cold with a fresh profile.
void ErsteDatei(benchmark::State& state, const char* endung) {
  Ablage ablage;
  long n = 0;
  for (auto _ : state) {
    VorlagenOrdnerSetzen(ablage.Wurzel / ("kalt" + std::to_string(n)));
    if (!NeueBueroDatei(endung, "C:\\DOK\\Erste" + std::to_string(n++) + endung)) {
      state.SkipWithError("LibreOffice fehlt oder scheitert");
    }
  }
  VorlagenOrdnerSetzen({});
}

void Serienbrief(benchmark::State& state) {
  Ablage ablage;
  auto& fs = *Dienste().Dateien;
  fs.DateiSchreiben("C:\\DOK\\Brief.doc", std::string(40000, 'b'));
  fs.DateiSchreiben("C:\\DOK\\Adressen.XLS", std::string(20000, 'a'));
  for (auto _ : state) {
    if (!SerienbriefVorbereiten("C:\\DOK\\Adressen.XLS", "C:\\DOK\\Brief.doc", "C:\\DOK\\Serienbrief.doc")) {
      state.SkipWithError("nicht vorbereitet");
    }
  }
}

BENCHMARK_CAPTURE(NeueDatei, doc, ".doc")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(NeueDatei, xls, ".xls")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(NeueDatei, ppt, ".ppt")->Unit(benchmark::kMillisecond);
BENCHMARK(Serienbrief)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ErsteDatei, doc, ".doc")->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
