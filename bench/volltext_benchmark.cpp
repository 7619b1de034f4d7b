// Query time of the text search with the full-text index against the byte
// search, on a corpus that bench/volltext_vergleich.sh builds and indexes.
//
//   VXM_LAUFWERKE="C=/korpus" VXM_VOLLTEXT_INDEX=/pfad/index.volltext
//   VXM_PHRASEN="Nebenkostenabrechnung;GNU General Public License"
//   build/vxm_volltext_benchmark --benchmark_repetitions=9
// (the three variables in the environment of the call)
//
// Each phrase is searched over the whole drive C:, with the contexts of the
// hits. "Index" looks at every file (size and time) to find those the index
// does not hold current; "IndexOrdnerzeiten" trusts folders unchanged since
// they were indexed, as the window with its folder watching may;
// "IndexBeobachtet" is the window with its indexer idle: every watched
// folder stands for itself unseen (not even its time is read).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/dateisystem.h"
#include "platform/dienste.h"
#include "platform/laufwerke.h"
#include "search/datensuche.h"
#include "search/volltext/volltextsuche.h"

namespace {

using namespace vxm;

std::vector<std::string> Phrasen() {
  std::vector<std::string> v;
  const char* e = std::getenv("VXM_PHRASEN");
  std::string s = e ? e : "Nebenkostenabrechnung";
  std::size_t a = 0;
  while (a <= s.size()) {
    auto b = s.find(';', a);
    if (b == std::string::npos) b = s.size();
    if (b > a) v.push_back(s.substr(a, b - a));
    a = b + 1;
  }
  return v;
}

void MitIndex(benchmark::State& state, std::string phrase, bool ordnerzeiten, bool beobachtet) {
  static const auto laufwerke = Laufwerkstabelle::AusUmgebung();
  static std::unique_ptr<volltext::Volltextindex> index = [] {
    const char* p = std::getenv("VXM_VOLLTEXT_INDEX");
    return p ? std::make_unique<volltext::Volltextindex>(p) : nullptr;
  }();
  long treffer = 0, bytesuche = 0;
  for (auto _ : state) {
    volltext::VolltextAuftrag a;
    a.Phrase = phrase;
    a.Ordner = "C:\\";
    a.Ordnerzeiten = ordnerzeiten;
    if (beobachtet) a.OrdnerUnveraendert = [](const std::string&) { return true; };
    const auto e = volltext::VolltextSuchen(index.get(), laufwerke, a, [](const volltext::VolltextTreffer&) {});
    treffer = e.Dateien;
    bytesuche = e.Bytesuche;
  }
  state.counters["Treffer"] = static_cast<double>(treffer);
  state.counters["Bytesuche"] = static_cast<double>(bytesuche);  // files searched by their bytes
}

void Bytesuche(benchmark::State& state, std::string phrase) {
  Dienste().Dateien = std::make_shared<HostDateisystem>(Laufwerkstabelle::AusUmgebung());
  long treffer = 0;
  for (auto _ : state) {
    DatenSucheAuftrag a;
    a.Text = phrase;
    a.Modus = Suchmodus::TextInhalt;
    a.TabelleFuehren = false;
    treffer = DatenSuche("C:\\", a).Dateien;
  }
  state.counters["Treffer"] = static_cast<double>(treffer);
}

const bool kAngemeldet = [] {
  for (const auto& p : Phrasen()) {
    benchmark::RegisterBenchmark(("Index/" + p).c_str(), MitIndex, p, false, false)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("IndexOrdnerzeiten/" + p).c_str(), MitIndex, p, true, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("IndexBeobachtet/" + p).c_str(), MitIndex, p, true, true)
        ->Unit(benchmark::kMillisecond);
    if (!std::getenv("VXM_OHNE_BYTESUCHE"))
      benchmark::RegisterBenchmark(("Bytesuche/" + p).c_str(), Bytesuche, p)->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
