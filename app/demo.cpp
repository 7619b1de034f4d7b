// Demo host: lays out a small document store on a folder of this machine
// that stands in for drive C:, calls the component for one tenant and shows
// what the main window would open, with an overview written as PDF.
//
//   vxmdorvex-demo [--ordner DIR] [--mandant M] [--objekt N] [--be N] [--bn N]
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/demo_adressexport.h"
#include "component/vxmdorvex.h"
#include "component/zustand.h"
#include "files/dateifunktionen.h"
#include "imaging/clspdf.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/text.h"
#include "store/ordnerlayout.h"

namespace {

using namespace vxm;

// Errors of the suite go to the terminal.
class KonsolenFehlerProgramm : public AllgFehlerProgramm {
 public:
  void FehlerNr(int32_t n) override { nummer_ = n; }
  void FehlerText(const std::string& t) override { text_ = t; }
  void HilfeDatei(const std::string&) override {}
  void HilfeKontext(const std::string&) override {}
  void Programm(const std::string& p) override { programm_ = p; }
  void Ort(const std::string& o) override { ort_ = o; }
  void Zusatz1(const std::string&) override {}
  void Zusatz2(const std::string&) override {}
  void Beenden(bool) override {}
  void Zeigen() override {
    std::cerr << "[vxmAllgError] FehlerNr " << nummer_ << ": " << text_;
    if (!ort_.empty()) std::cerr << " (" << ort_ << ")";
    std::cerr << "\n";
  }
  int16_t Ergebnis() override { return 0; }

 private:
  int32_t nummer_ = 0;
  std::string text_, programm_, ort_;
};

void BaumZeigen(const std::string& ordner, const std::string& einrueckung, std::vector<std::string>& zeilen) {
  auto& fs = *Dienste().Dateien;
  for (const auto& name : fs.SubFolders(ordner)) {
    const std::string pfad = ordner + "\\" + name;
    zeilen.push_back(einrueckung + name + "\\");
    BaumZeigen(pfad, einrueckung + "    ", zeilen);
  }
  for (const auto& datei : fs.Files(ordner)) {
    zeilen.push_back(einrueckung + datei.Name + "  (" + std::to_string(datei.Groesse) + " Bytes)");
  }
}

// Stands in for the main window until its full load step runs: it opens the
// store at the called entity's folder the way the window does.
class DemoFenster : public Hauptfenster {
 public:
  void ZeigeModal() override {
    auto& z = Zustand();
    z.LadeModus = true;
    z.KeywordDatenbank = KeywordDatenbankPfad(z.DatenbankPfad);
    z.DokWurzel = DokWurzelBestimmen(z.KonfigDokPfad, z.DatenbankPfad);
    if (!OrdnerVorhanden(z.DokWurzel) && !OrdnerAnlegen(z.DokWurzel)) {
      throw VbFehler::Standard(fehlernr::ObjektEntladen);
    }
    const std::string mandant = AlsText(z.AufrufParameter[slot::Mandant]);
    MandantOrdnerFestlegen(z.KonfigDokPfad, z.DatenbankPfad, mandant);
    z.OrdnerPfad = Gross(EntityOrdner(AlsLong(z.AufrufParameter[slot::Objekt]),
                                      AlsLong(z.AufrufParameter[slot::Bestandseinheit]),
                                      AlsLong(z.AufrufParameter[slot::Bestandnehmer]), z.MandantPfad));
    z.LadeModus = false;

    std::cout << "Datenbank:        " << z.DatenbankPfad << "\n"
              << "Keyworddatenbank: " << z.KeywordDatenbank << "\n"
              << "Dokumentenwurzel: " << z.DokWurzel << "\n"
              << "Mandantordner:    " << z.MandantPfad << "\n"
              << "Geöffnet bei:     " << z.OrdnerPfad << "\n\n";

    std::vector<std::string> zeilen;
    BaumZeigen(z.MandantPfad, "  ", zeilen);
    std::cout << z.MandantPfad << "\\\n";
    for (const auto& zeile : zeilen) std::cout << zeile << "\n";

    clsPDF pdf;
    pdf.PrintLine("Dokumentenverwaltung - " + z.MandantPfad);
    pdf.PrintLine("");
    for (const auto& zeile : zeilen) pdf.PrintLine(zeile);
    pdf.DrawWidth(0.5f);
    pdf.DrawLine(80, 74, 516, 74);
    const std::string ziel = z.OrdnerPfad + "\\Ordnerübersicht.pdf";
    pdf.SavePDF(ziel);
    std::cout << "\nÜbersicht geschrieben: " << ziel << "\n";
  }
  void Entladen() override {}
};

std::string Wert(int& i, int argc, char** argv) {
  if (i + 1 >= argc) {
    std::cerr << "Wert fehlt nach " << argv[i] << "\n";
    std::exit(2);
  }
  return argv[++i];
}

}  // namespace

int main(int argc, char** argv) {
  std::string ordner = "demo-laufwerk-c";
  std::string mandant = "1";
  int32_t objekt = 7, be = 3, bn = 2;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    try {
      if (a == "--ordner") ordner = Wert(i, argc, argv);
      else if (a == "--mandant") mandant = Wert(i, argc, argv);
      else if (a == "--objekt") objekt = AlsLong(Variant(Wert(i, argc, argv)));
      else if (a == "--be") be = AlsLong(Variant(Wert(i, argc, argv)));
      else if (a == "--bn") bn = AlsLong(Variant(Wert(i, argc, argv)));
      else {
        std::cerr << "Aufruf: vxmdorvex-demo [--ordner DIR] [--mandant M] [--objekt N] [--be N] [--bn N]\n";
        return 2;
      }
    } catch (const VbFehler&) {
      std::cerr << "Keine ganze Zahl: " << argv[i] << "\n";
      return 2;
    }
  }

  std::filesystem::create_directories(std::filesystem::path(ordner) / "VXM" / "VXMDAT");
  Laufwerkstabelle laufwerke;
  laufwerke.Zuordnen('C', std::filesystem::absolute(ordner));
  Dienste().Dateien = std::make_shared<HostDateisystem>(laufwerke);
  Dienste().Komponenten.vxmAllgError = [] { return std::make_unique<KonsolenFehlerProgramm>(); };
  Dienste().Komponenten.AdressExport = [] { return std::make_unique<demo::DemoAdressExport>(); };
  Zustand().HauptfensterErzeugen = [] { return std::make_shared<DemoFenster>(); };

  const std::string datenbank = "C:\\VXM\\VXMDAT\\daten.mdb";
  if (!DateiVorhanden(datenbank)) TextDateiAnlegen(datenbank, false);
  try {
    demo::DemoAdressdatenAnlegen(std::filesystem::path(ordner) / "VXM" / "VXMDAT" / "daten.mdb");
  } catch (const VbFehler& f) {
    std::cerr << "Beispieladressen nicht angelegt: " << f.Beschreibung << "\n";
  }

  std::vector<Variant> info(kParameterAnzahl);
  info[slot::Datenbank] = Variant(datenbank);
  info[slot::FirmenDatenbank] = Variant("C:\\VXM\\VXMDAT\\firma.mdb");
  info[slot::Mandant] = Variant(mandant);
  info[slot::Verbindung] = Variant("Access 2000;");
  info[slot::Objekt] = Variant(objekt);
  info[slot::Bestandseinheit] = Variant(be);
  info[slot::Bestandnehmer] = Variant(bn);

  std::cout << "Laufwerk C: = " << std::filesystem::absolute(ordner).string() << "\n";
  vxmDorvex komponente;
  komponente.Dorvex_Aufruf(info);
  return 0;
}
