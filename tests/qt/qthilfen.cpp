#include "tests/qt/qthilfen.h"

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <sqlite3.h>

#include "basis/einstellungen.h"
#include "basis/zustand.h"
#include "platform/datenbank.h"
#include "platform/oeffner.h"
#include "search/qt/volltextfenster.h"

namespace vxm::test {

void FensterUmgebung::SetUp() {
  Umgebung::SetUp();
  setenv("VXM_REGISTRY", (temp_ / "registry.ini").c_str(), 1);
  setenv("USERPROFILE", temp_.c_str(), 1);
  setenv("VXM_DIALOGE_BEHALTEN", "1", 1);
  // Deleted files go to a trash of the test's own, never the user's.
  std::filesystem::create_directories(temp_ / "xdg-daten");
  setenv("XDG_DATA_HOME", (temp_ / "xdg-daten").c_str(), 1);
  auto* geoeffnet = &geoeffnet_;
  DokumentOeffner() = [geoeffnet](const std::string& pfad) { geoeffnet->push_back(pfad); };
  OrdnerAnlegenHost("C:\\VXM\\VXMDAT");
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1");
  Sql(datenbank_,
      "CREATE TABLE ObjDaten(objnummer INTEGER, ObjBezeichnung TEXT);"
      "CREATE TABLE Bestandseinheitsdaten(BeObjNr INTEGER, BeBeNr INTEGER, BeTuerNr TEXT);"
      "CREATE TABLE Bestandnehmerdaten(BnObjNr INTEGER, BnBeNr INTEGER, BnBnNr INTEGER, BnName TEXT);"
      "INSERT INTO ObjDaten VALUES(7, 'Wohnanlage Müllerstraße 12, Hinterhaus mit Garten');"
      "INSERT INTO Bestandseinheitsdaten VALUES(7, 3, 'Top 3');"
      "INSERT INTO Bestandnehmerdaten VALUES(7, 3, 2, 'Jürgen Bäcker');");
  Sql(firma_, "CREATE TABLE AllgFirmenDaten(Firmenname TEXT, VXMDOKPfad TEXT);"
              "INSERT INTO AllgFirmenDaten VALUES('Hausverwaltung Österreicher', NULL);");
  RegisterAnlegen(Host(register_).string());
  auto& p = Zustand().AufrufParameter;
  p.assign(kParameterAnzahl, Variant{});
  p[0] = Variant(datenbank_);
  p[1] = Variant(firma_);
  p[3] = Variant("1");
  p[4] = Variant("Access 2000;");
  p[70] = Variant(int32_t{7});
  p[71] = Variant(int32_t{3});
  p[72] = Variant(int32_t{2});
  Zustand().DatenbankPfad = datenbank_;
  Zustand().FirmenDatenbank = firma_;
  // The derived root is used unless a test configures one; the host data
  // folder in the settings keeps the installation message away.
  RegistrySetzen(kRegDatPfad, "C:\\VXM\\VXMDAT");
}

void FensterUmgebung::TearDown() {
  fenster_.reset();
  DokumentOeffner() = nullptr;
  unsetenv("VXM_REGISTRY");
  unsetenv("USERPROFILE");
  unsetenv("VXM_DIALOGE_BEHALTEN");
  unsetenv("XDG_DATA_HOME");
  Umgebung::TearDown();
}

void FensterUmgebung::Sql(const std::string& datenbank, const std::string& skript) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(Host(datenbank).c_str(), &db), SQLITE_OK);
  char* fehler = nullptr;
  const int rc = sqlite3_exec(db, skript.c_str(), nullptr, nullptr, &fehler);
  const std::string text = fehler ? fehler : "";
  sqlite3_free(fehler);
  sqlite3_close(db);
  ASSERT_EQ(rc, SQLITE_OK) << text;
}

void FensterUmgebung::FirmenPfad(const char* pfad) {
  if (!pfad) {
    Sql(firma_, "UPDATE AllgFirmenDaten SET VXMDOKPfad = NULL;");
    return;
  }
  std::string p = pfad;
  std::string q;
  for (char c : p) q += c == '\'' ? std::string("''") : std::string(1, c);
  Sql(firma_, "UPDATE AllgFirmenDaten SET VXMDOKPfad = '" + q + "';");
}

void FensterUmgebung::RegistrySetzen(const std::string& name, const std::string& wert) {
  SaveSetting(kRegAnwendung, kRegAbschnitt, name, wert);
}

std::string FensterUmgebung::RegistryLesen(const std::string& name) {
  const std::string vorher = Zustand().KonfigDokPfad;
  std::string wert;
  RegWertLesen(kRegSchluessel, name, wert);
  Zustand().KonfigDokPfad = vorher;
  return wert;
}

bool FensterUmgebung::Laden() {
  fenster_ = std::make_unique<frmDorvex>();
  return fenster_->Form_Load();
}

std::vector<std::string> FensterUmgebung::Meldungstexte() const {
  std::vector<std::string> t;
  for (auto& m : dialoge_->Gezeigt) t.push_back(m.Text);
  return t;
}

}  // namespace vxm::test

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  // No background indexer beside the windows under test; its own tests switch it on.
  vxm::VolltextFenster::Eingeschaltet() = false;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
