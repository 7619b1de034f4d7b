// Writing a 100-page document with text, graphics and a picture on every page.
#include <benchmark/benchmark.h>

#include "imaging/clspdf.h"

namespace {

using vxm::Bild;
using vxm::clsPDF;
using vxm::RGB;

// A scanned-looking page: mostly white with a few darker bands, so that the
// run-length encoder has both runs and literal stretches to deal with.
Bild Seitenbild(int breite, int hoehe) {
  Bild b(breite, hoehe, RGB(255, 255, 255));
  for (int y = 0; y < hoehe; ++y) {
    for (int x = 0; x < breite; ++x) {
      if ((y / 8) % 5 == 0) b.At(x, y) = RGB((x * 7 + y) & 0xFF, (x * 3) & 0xFF, y & 0xFF);
      else if (x % 50 < 3) b.At(x, y) = RGB(30, 30, 30);
    }
  }
  return b;
}

void Dokument(benchmark::State& state, bool grau) {
  const Bild bild = Seitenbild(static_cast<int>(state.range(0)), static_cast<int>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    clsPDF pdf([] { return std::tm{}; });
    for (int seite = 0; seite < 100; ++seite) {
      for (int zeile = 0; zeile < 60; ++zeile) {
        pdf.PrintLine("Seite " + std::to_string(seite + 1) + ", Zeile " + std::to_string(zeile + 1) +
                      ": Abrechnung (Heizung) über 1.234,56 EUR");
      }
      pdf.DrawBox(70, 50, 456, 740, vxm::kStilUmranden);
      pdf.DrawCircle(500, 780, 20, vxm::kStilFuellen);
      pdf.DrawPicture(300, 500, 200, 200, bild, grau);
      pdf.NewPage();
    }
    const std::string doc = pdf.Value();
    bytes = doc.size();
    benchmark::DoNotOptimize(doc.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void BM_HundertSeitenFarbig(benchmark::State& state) { Dokument(state, false); }
void BM_HundertSeitenGrau(benchmark::State& state) { Dokument(state, true); }

}  // namespace

BENCHMARK(BM_HundertSeitenFarbig)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HundertSeitenGrau)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
