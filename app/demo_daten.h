// Sample data of the demo host: a property manager's databases and a filled
// document store on the folder that stands in for drive C:.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace vxm {

// What the host passes to the component for the demo call.
struct DemoAufruf {
  std::string Datenbank = "C:\\VXM\\VXMDAT\\vxmdaten.mdb";   // host data (slot 0)
  std::string FirmenDatenbank = "C:\\VXM\\VXMDAT\\firma.mdb";  // company data (slot 1)
  std::string Mandant = "1";
  int32_t Objekt = 7;
  int32_t Bestandseinheit = 3;
  int32_t Bestandnehmer = 2;  // Jürgen Bäcker, Top 3 of Wohnanlage Müllerstraße 12
};

// Creates under `laufwerkC` (the host folder behind C:):
//   VXM\VXMDAT\vxmdaten.mdb   properties, units and tenants of Mandant 1
//   VXM\VXMDAT\firma.mdb      AllgFirmenDaten, VXMDOKPfad empty (root C:\VXM\VXMDOK)
//   VXM\VXMDAT\vxmdok.mdb     keyword register with keywords on some documents
//   VXM\VXMDOK\1\...          entity folders with letters (.txt, Windows-1252),
//                             PDF files and photos (PNG)
// Files that exist are left as they are; the register is filled only when it
// is created here. Returns the call the demo should make.
DemoAufruf DemoDatenAnlegen(const std::filesystem::path& laufwerkC);

}  // namespace vxm
