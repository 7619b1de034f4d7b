// Scaffolding for the window tests: a temporary drive C: with the three
// databases of a small Mandant, scripted dialogs, a recording document
// opener, and the main window loaded offscreen.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "component/qt/frmdorvex.h"
#include "tests/hilfen.h"

namespace vxm::test {

class FensterUmgebung : public Umgebung {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs an SQL script (plain SQLite) on a Windows-form database path.
  void Sql(const std::string& datenbank, const std::string& skript);
  // Writes the company record's document path (NULL for none).
  void FirmenPfad(const char* pfad);
  void RegistrySetzen(const std::string& name, const std::string& wert);
  std::string RegistryLesen(const std::string& name);

  // Creates the window and runs its load step.
  bool Laden();
  frmDorvex& F() { return *fenster_; }
  std::vector<std::string> Meldungstexte() const;

  std::unique_ptr<frmDorvex> fenster_;
  std::vector<std::string> geoeffnet_;  // documents handed to the desktop
  const std::string datenbank_ = "C:\\VXM\\VXMDAT\\daten.mdb";
  const std::string firma_ = "C:\\VXM\\VXMDAT\\firma.mdb";
  const std::string register_ = "C:\\VXM\\VXMDAT\\vxmdok.mdb";
};

}  // namespace vxm::test
