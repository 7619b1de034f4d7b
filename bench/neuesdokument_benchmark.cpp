// A new .doc through the main window (type list, name panel, creation, the
// file list reread and the new entry selected and handed to the opener):
// with the cached empty file, and the first one of a cold LibreOffice.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "basis/zustand.h"
#include "component/qt/frmdorvex.h"
#include "create/buerodatei.h"
#include "create/qt/neuesdokument.h"
#include "platform/dienste.h"
#include "platform/oeffner.h"

namespace {
namespace fs = std::filesystem;
using namespace vxm;

class ZaehlendeDialoge : public Dialoge {
 public:
  int MsgBox(const std::string&, int, const std::string&) override {
    ++Anzahl;
    return vbNo;
  }
  int Anzahl = 0;
};

struct Fensterplatz {
  fs::path Wurzel;
  std::unique_ptr<frmDorvex> F;
  std::shared_ptr<ZaehlendeDialoge> Meldungen = std::make_shared<ZaehlendeDialoge>();
  int Geoeffnet = 0;

  Fensterplatz() {
    std::random_device zufall;
    Wurzel = fs::temp_directory_path() / ("vxm-neudok-bench-" + std::to_string(zufall()));
    fs::create_directories(Wurzel / "c" / "DOK");
    Laufwerkstabelle l;
    l.Zuordnen('C', Wurzel / "c");
    Dienste().Dateien = std::make_shared<HostDateisystem>(l);
    Dienste().Meldungen = Meldungen;
    DokumentOeffner() = [this](const std::string&) { ++Geoeffnet; };
    F = std::make_unique<frmDorvex>();
    for (const char* t : {"MS Word (*.DOC)", "MS Excel (*.XLS)", "MS Power-Point (*.PPT)", "Windowstext (*.TXT)",
                          "Serienbrief MS Word", "Scanner Import (*.PDF)"})
      F->lstDokument->addItem(t);
    F->filListBox->SetPath("C:\\DOK");
    Zustand().ScanModus = 0;
  }
  ~Fensterplatz() {
    F.reset();
    DokumentOeffner() = nullptr;
    std::error_code ec;
    fs::remove_all(Wurzel, ec);
  }
  // One pass of the user's steps; true when the file exists afterwards.
  bool NeuesWordDokument(const std::string& name) {
    auto* n = NeuesDokument::Von(*F);
    F->lstDokument->setCurrentRow(0);
    n->lstDokument_Click();
    F->txtNeuDokName->setText(QString::fromStdString(name));
    n->cmdDokNameOK_Click();
    return fs::exists(Wurzel / "c" / "DOK" / (name + ".doc"));
  }
};

void BM_NeuesWordDokument_Zwischengespeichert(benchmark::State& state) {
  Fensterplatz platz;
  VorlagenOrdnerSetzen(platz.Wurzel / "vorlagen");
  if (!LeereVorlage("doc")) {
    state.SkipWithError("LibreOffice fehlt");
    return;
  }
  long i = 0;
  for (auto _ : state) {
    const std::string name = "Brief " + std::to_string(i++);
    if (!platz.NeuesWordDokument(name)) state.SkipWithError("nicht angelegt");
    state.PauseTiming();
    fs::remove(platz.Wurzel / "c" / "DOK" / (name + ".doc"));
    state.ResumeTiming();
  }
  state.counters["Meldungen"] = platz.Meldungen->Anzahl;
  state.counters["Geoeffnet"] = platz.Geoeffnet;
  VorlagenOrdnerSetzen({});
}
BENCHMARK(BM_NeuesWordDokument_Zwischengespeichert)->Unit(benchmark::kMillisecond);

// The first of its type: LibreOffice builds the empty file (fresh profile),
// the window waits for it under the busy pointer.
void BM_NeuesWordDokument_KaltesLibreOffice(benchmark::State& state) {
  Fensterplatz platz;
  long i = 0;
  for (auto _ : state) {
    VorlagenOrdnerSetzen(platz.Wurzel / ("kalt" + std::to_string(i)));
    if (!platz.NeuesWordDokument("Erster " + std::to_string(i++))) state.SkipWithError("LibreOffice fehlt oder scheitert");
  }
  VorlagenOrdnerSetzen({});
}
BENCHMARK(BM_NeuesWordDokument_KaltesLibreOffice)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
