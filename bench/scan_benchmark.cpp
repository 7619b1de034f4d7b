// A scanned A4 colour page turned into a PDF file, against writing the same
// picture as PNG through Qt. Argument: resolution in dpi (150: 1240 x 1754,
// 300: 2480 x 3508). Peak memory per case: bench/scan_speicher.sh.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>

#include "basis/zustand.h"
#include "imaging/bilddatei.h"
#include "imaging/qt/bildkodierer_qt.h"
#include "imaging/scanpdf.h"
#include "platform/dienste.h"

namespace {
namespace fs = std::filesystem;
using namespace vxm;

// A letter as a colour scanner sees it: paper white with a little sensor
// noise, lines of dark text strokes, a coloured letterhead and a photo.
std::shared_ptr<Bildpuffer> Briefseite(int dpi) {
  const int32_t breite = dpi == 300 ? 2480 : 1240, hoehe = dpi == 300 ? 3508 : 1754;
  auto b = std::make_shared<Bildpuffer>();
  BildpufferAnlegen(*b, breite, hoehe, 24);
  uint32_t zufall = 12345;
  auto rauschen = [&] {
    zufall = zufall * 1664525u + 1013904223u;
    return static_cast<int>((zufall >> 24) % 5) - 2;
  };
  const int zeile = dpi / 6;  // 12 pt line pitch
  for (int32_t y = 0; y < hoehe; ++y) {
    uint8_t* z = b->Zeile(y);
    for (int32_t x = 0; x < breite; ++x) {
      int r = 250, g = 250, bl = 245;
      if (y < hoehe / 10 && x > breite / 2) {
        r = 30, g = 60 + (x * 100 / breite), bl = 160;  // letterhead
      } else if (y > hoehe / 2 && y < hoehe / 2 + hoehe / 6 && x > breite / 8 && x < breite / 2) {
        r = (x * 7 + y) & 0xFF, g = (x * 3 + y * 5) & 0xFF, bl = (y * 2) & 0xFF;  // photo
      } else if (y > hoehe / 8 && y % zeile < zeile / 2 && x > breite / 10 && x < breite * 9 / 10 &&
                 ((x / (dpi / 30)) * 7 + y / zeile) % 5 != 0 && (x * 13 + y * 7) % 11 < 4) {
        r = g = bl = 20;  // text strokes
      }
      uint8_t* p = z + 3 * static_cast<std::size_t>(x);
      p[0] = static_cast<uint8_t>(std::clamp(r + rauschen(), 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(g + rauschen(), 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp(bl + rauschen(), 0, 255));
    }
  }
  return b;
}

class Laufwerk {
 public:
  Laufwerk() {
    ordner_ = fs::temp_directory_path() / ("vxm-scan-bench-" + std::to_string(std::random_device{}()));
    fs::create_directories(ordner_ / "scan");
    Laufwerkstabelle laufwerke;
    laufwerke.Zuordnen('C', ordner_);
    Dienste().Dateien = std::make_shared<HostDateisystem>(laufwerke);
  }
  ~Laufwerk() {
    std::error_code ec;
    fs::remove_all(ordner_, ec);
  }
  std::uintmax_t Groesse(const std::string& name) const { return fs::file_size(ordner_ / "scan" / name); }

 private:
  fs::path ordner_;
};

void BM_ScanZuPdf(benchmark::State& state) {
  Laufwerk laufwerk;
  Zustand().ScanBild = Briefseite(static_cast<int>(state.range(0)));
  std::unique_ptr<clsPDF> pdf;
  for (auto _ : state) {
    if (!ScanZuPdf("C:\\scan", "Seite", pdf)) state.SkipWithError("kein PDF");
  }
  state.counters["pdf_bytes"] = static_cast<double>(laufwerk.Groesse("Seite.pdf"));
  state.counters["raw_bytes"] = static_cast<double>(Zustand().ScanBild->Daten.size());
  Zustand().ScanBild.reset();
}

void BM_PngMitQt(benchmark::State& state) {
  Laufwerk laufwerk;
  QtBildkodiererAnmelden();
  Zustand().ScanBild = Briefseite(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    if (BildSpeichern("C:\\scan\\Seite.png") != 0) state.SkipWithError("kein PNG");
  }
  state.counters["png_bytes"] = static_cast<double>(laufwerk.Groesse("Seite.png"));
  Zustand().ScanBild.reset();
}

// Only the picture in memory: the baseline for the peak-memory figures.
void BM_NurBild(benchmark::State& state) {
  Zustand().ScanBild = Briefseite(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(Zustand().ScanBild->Daten.data());
  Zustand().ScanBild.reset();
}

}  // namespace

BENCHMARK(BM_ScanZuPdf)->Arg(150)->Arg(300)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngMitQt)->Arg(150)->Arg(300)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NurBild)->Arg(150)->Arg(300)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
