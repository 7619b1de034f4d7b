// Demo host: creates sample host databases, a company record and a document
// store with keywords on a folder of this machine that stands in for drive
// C:, then calls the component for one tenant, which opens its real window.
// Without a scanner set (VXMScanner, VXM_SCANNER) or found, scanning uses
// SANE's test device.
//
//   vxmdorvex-demo [--ordner DIR] [--mandant M] [--objekt N] [--be N] [--bn N]
//                  [--bildschirmfoto DATEI.png]
#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/adressexport.h"
#include "app/demo_daten.h"
#include "app/demo_scanner.h"
#include "app/demo_termin.h"
#include "app/wirt.h"
#include "basis/zustand.h"
#include "component/qt/oberflaeche.h"
#include "component/vxmdorvex.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/variant.h"

namespace {

using namespace vxm;

std::string Wert(int& i, int argc, char** argv) {
  if (i + 1 >= argc) {
    std::cerr << "Wert fehlt nach " << argv[i] << "\n";
    std::exit(2);
  }
  return argv[++i];
}

}  // namespace

int main(int argc, char** argv) {
  const auto start = std::chrono::steady_clock::now();
  std::string ordner = "demo-laufwerk-c";
  std::string mandant = "1";
  std::string foto;
  int32_t objekt = 7, be = 3, bn = 2;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    try {
      if (a == "--ordner") ordner = Wert(i, argc, argv);
      else if (a == "--mandant") mandant = Wert(i, argc, argv);
      else if (a == "--objekt") objekt = AlsLong(Variant(Wert(i, argc, argv)));
      else if (a == "--be") be = AlsLong(Variant(Wert(i, argc, argv)));
      else if (a == "--bn") bn = AlsLong(Variant(Wert(i, argc, argv)));
      else if (a == "--bildschirmfoto") foto = Wert(i, argc, argv);
      else {
        std::cerr << "Aufruf: vxmdorvex-demo [--ordner DIR] [--mandant M] [--objekt N] [--be N] [--bn N]"
                     " [--bildschirmfoto DATEI.png]\n";
        return 2;
      }
    } catch (const VbFehler&) {
      std::cerr << "Keine ganze Zahl: " << argv[i] << "\n";
      return 2;
    }
  }

  if (!wirt::AnzeigeVorbereiten("vxmdorvex-demo", foto)) return 3;
  // The demo keeps its per-user settings beside its store.
  const std::filesystem::path wurzel = std::filesystem::absolute(ordner);
  std::filesystem::create_directories(wurzel);
  if (!std::getenv("VXM_REGISTRY")) setenv("VXM_REGISTRY", (wurzel / "registry.ini").c_str(), 1);
  // Without a scanner set or found, scanner documents come from SANE's
  // test device, configured beside the store.
  if (std::string fehler; !demo::DemoScannerEinrichten(wurzel / "sane", &fehler)) std::cerr << fehler << "\n";

  QApplication app(argc, argv);
  const DemoAufruf aufruf = DemoDatenAnlegen(wurzel);
  wirt::DatenpfadEintragen("C:\\VXM\\VXMDAT");

  Laufwerkstabelle laufwerke;
  laufwerke.Zuordnen('C', wurzel);
  Dienste().Dateien = std::make_shared<HostDateisystem>(laufwerke);
  Dienste().Komponenten.vxmAllgError = [] { return wirt::FensterFehlerProgramm(); };
  Dienste().Komponenten.AdressExport = [] { return std::make_unique<wirt::TabellenAdressExport>(); };
  Dienste().Komponenten.vxmTerminverwaltung = [] { return std::make_unique<demo::DemoTerminverwaltung>(); };
  try {
    wirt::BeispieladressenAnlegen(wurzel / "VXM" / "VXMDAT" / "vxmdaten.mdb");
  } catch (const VbFehler& f) {
    std::cerr << "Beispieladressen nicht angelegt: " << f.Beschreibung << "\n";
  }
  OberflaecheEinrichten();

  wirt::NachDemLadenEinrichten("vxmdorvex-demo", foto, true, start);

  std::vector<Variant> info(kParameterAnzahl);
  info[slot::Datenbank] = Variant(aufruf.Datenbank);
  info[slot::FirmenDatenbank] = Variant(aufruf.FirmenDatenbank);
  info[slot::Mandant] = Variant(mandant);
  info[slot::Verbindung] = Variant("Access 2000;");
  info[slot::Objekt] = Variant(objekt);
  info[slot::Bestandseinheit] = Variant(be);
  info[slot::Bestandnehmer] = Variant(bn);

  vxmDorvex komponente;
  komponente.Dorvex_Aufruf(info);
  return wirt::FotoErgebnis("vxmdorvex-demo", foto);
}
