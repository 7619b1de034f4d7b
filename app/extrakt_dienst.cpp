// The extraction helper of the full-text indexer (search/volltext/
// auslesedienst.h). Started by the indexer with its socket on descriptor 3:
//
//   vxmdorvex-extrakt SPEICHER MAXDATEI MAXTEXT MINBILD PROGRAMMSEKUNDEN [niedrig|normal]
//
// For a look at what the indexer sees of one file:
//
//   vxmdorvex-extrakt --datei HOSTPFAD [--ocr SEITE]
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#include "search/volltext/auslesedienst.h"

int main(int argc, char** argv) {
  using namespace vxm::volltext;
  if (argc >= 3 && std::string_view(argv[1]) == "--datei") {
    Auszug a;
    if (argc >= 5 && std::string_view(argv[3]) == "--ocr") {
      a = OcrSeite(argv[2], static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10)));
    } else {
      a = Auslesen(argv[2]);
    }
    std::cerr << "Art: " << a.Art << ", Status: " << static_cast<int>(a.Status) << ", Seiten: " << a.Seiten
              << (a.Grund.empty() ? "" : ", Grund: " + a.Grund) << "\n";
    std::cout << a.Text;
    return a.Status == Auszugsstatus::NichtIndizierbar ? 1 : 0;
  }
  if (argc != 6 && argc != 7) {
    std::cerr << "Aufruf: vxmdorvex-extrakt --datei HOSTPFAD [--ocr SEITE]\n";
    return 2;
  }
  Ausleseoptionen o;
  const std::uint64_t speicher = std::strtoull(argv[1], nullptr, 10);
  o.MaxDateigroesse = std::strtoull(argv[2], nullptr, 10);
  o.MaxText = std::strtoull(argv[3], nullptr, 10);
  o.MinBildkante = std::atoi(argv[4]);
  o.ProgrammSekunden = std::atoi(argv[5]);
  return AuslesedienstLaufen(3, 3, speicher, o, argc == 6 || std::string_view(argv[6]) != "normal");
}
