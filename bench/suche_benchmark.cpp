// In-memory speed of the case-blind phrase search (no file reads): German
// running text of 16 MiB that does not hold the phrase, so every byte is
// looked at. The whole-store comparison with other tools is
// bench/suche_vergleich.sh.
#include <benchmark/benchmark.h>

#include <string>

#include "search/textsuche.h"

namespace {

const std::string& Text() {
  static const std::string text = [] {
    static const char* woerter[] = {"Mieter ", "Wohnung ", "Betriebskosten ", "Heizung ",
                                    "Abrechnung ", "Zahlung ", "Frist ", "K\xC3\xBCndigung ",
                                    "\xC3\x9C" "bergabe ", "Schl\xFC" "ssel ", "1234 ", "\r\n"};
    std::string t;
    unsigned zufall = 7;
    while (t.size() < (16u << 20)) {
      zufall = zufall * 1103515245u + 12345u;
      t += woerter[(zufall >> 16) % 12];
    }
    return t;
  }();
  return text;
}

void Phrase(benchmark::State& state, const char* phrase) {
  const vxm::Suchphrase p(phrase);
  const std::string& t = Text();
  for (auto _ : state) {
    benchmark::DoNotOptimize(p.Finden(t.data(), t.size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(t.size()));
}

BENCHMARK_CAPTURE(Phrase, ascii, "Nebenkostenabrechnung");
BENCHMARK_CAPTURE(Phrase, umlaut_beide_kodierungen, "Grundstücksübergabe");
BENCHMARK_CAPTURE(Phrase, kurz, "qz");

}  // namespace

BENCHMARK_MAIN();
