// A tiny host of the installed component, as the suite uses it: its own
// databases, its message boxes and error program, the drive table, then one
// call with the parameter array. It writes the opened window into
// STORE/fenster.png, closes it and checks that the call went through without
// a message or an error report.
//
//   vxm_wirt STORE   (STORE/c stands for drive C:; the keyword register
//                     C:\VXM\VXMDAT\vxmdok.mdb must exist)
#include <sqlite3.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "component/qt/oberflaeche.h"
#include "component/vxmdorvex.h"
#include "platform/dienste.h"

namespace {

namespace fs = std::filesystem;

// Message boxes nobody answers: each is recorded and gets OK or Cancel.
struct Aufzeichnung : vxm::Dialoge {
  int MsgBox(const std::string& text, int stil, const std::string&) override {
    Texte.push_back(text);
    return (stil & 7) == vxm::vbOKOnly ? vxm::vbOK : vxm::vbCancel;
  }
  std::vector<std::string> Texte;
};

struct Fehlerbericht : vxm::AllgFehlerProgramm {
  explicit Fehlerbericht(std::vector<std::string>& ziel) : ziel_(ziel) {}
  void FehlerNr(int32_t n) override { text_ = std::to_string(n); }
  void FehlerText(const std::string& t) override { text_ += ": " + t; }
  void HilfeDatei(const std::string&) override {}
  void HilfeKontext(const std::string&) override {}
  void Programm(const std::string&) override {}
  void Ort(const std::string& o) override { text_ += " (" + o + ")"; }
  void Zusatz1(const std::string&) override {}
  void Zusatz2(const std::string&) override {}
  void Beenden(bool) override {}
  void Zeigen() override { ziel_.push_back(text_); }
  int16_t Ergebnis() override { return 0; }

 private:
  std::vector<std::string>& ziel_;
  std::string text_;
};

bool Ausfuehren(const fs::path& datei, const char* sql) {
  sqlite3* db = nullptr;
  bool gut = sqlite3_open(datei.c_str(), &db) == SQLITE_OK &&
             sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
  if (!gut) std::cerr << datei << ": " << sqlite3_errmsg(db) << "\n";
  sqlite3_close(db);
  return gut;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Aufruf: vxm_wirt STORE\n";
    return 2;
  }
  const fs::path laufwerkC = fs::absolute(argv[1]) / "c";
  const fs::path dat = laufwerkC / "VXM" / "VXMDAT";
  fs::create_directories(laufwerkC / "VXM" / "VXMDOK" / "1" / "7");
  if (!Ausfuehren(dat / "haus.mdb",
                  "CREATE TABLE ObjDaten (objnummer INTEGER PRIMARY KEY, ObjBezeichnung TEXT);"
                  "CREATE TABLE Bestandseinheitsdaten (BeObjNr INTEGER, BeBeNr INTEGER, BeTuerNr TEXT);"
                  "CREATE TABLE Bestandnehmerdaten (BnObjNr INTEGER, BnBeNr INTEGER, BnBnNr INTEGER, BnName TEXT);"
                  "INSERT INTO ObjDaten VALUES (7, 'Wohnanlage am Installationsweg 1');") ||
      !Ausfuehren(dat / "firma.mdb",
                  "CREATE TABLE AllgFirmenDaten (FirmenNr INTEGER PRIMARY KEY, VXMDOKPfad TEXT);"
                  "INSERT INTO AllgFirmenDaten VALUES (1, 'C:\\VXM');"))
    return 1;

  // The host keeps its message boxes while the window is open.
  setenv("VXM_DIALOGE_BEHALTEN", "1", 1);
  QApplication app(argc, argv);
  vxm::Laufwerkstabelle laufwerke;
  laufwerke.Zuordnen('C', laufwerkC);
  auto meldungen = std::make_shared<Aufzeichnung>();
  std::vector<std::string> fehler;
  vxm::Dienste().Dateien = std::make_shared<vxm::HostDateisystem>(laufwerke);
  vxm::Dienste().Meldungen = meldungen;
  vxm::Dienste().Komponenten.vxmAllgError = [&fehler] { return std::make_unique<Fehlerbericht>(fehler); };
  vxm::OberflaecheEinrichten();

  // Once the window shows, it is written into a picture and closed.
  const QString bild = QString::fromStdString((fs::absolute(argv[1]) / "fenster.png").string());
  bool gezeigt = false, gespeichert = false;
  QTimer warten;
  QObject::connect(&warten, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() != "frmDorvex" || !w->isVisible()) continue;
      gezeigt = true;
      gespeichert = w->grab().save(bild);
      w->close();
      warten.stop();
    }
  });
  warten.start(50);

  std::vector<vxm::Variant> info(vxm::kParameterAnzahl);
  info[vxm::slot::Datenbank] = vxm::Variant("C:\\VXM\\VXMDAT\\haus.mdb");
  info[vxm::slot::FirmenDatenbank] = vxm::Variant("C:\\VXM\\VXMDAT\\firma.mdb");
  info[vxm::slot::Mandant] = vxm::Variant("1");
  info[vxm::slot::Verbindung] = vxm::Variant("ODBC;");
  info[vxm::slot::Objekt] = vxm::Variant(int32_t{7});
  {
    vxm::vxmDorvex komponente;
    komponente.Dorvex_Aufruf(info);
  }

  int ergebnis = 0;
  const auto pruefen = [&](bool gut, const std::string& was) {
    if (!gut) {
      std::cerr << "vxm_wirt: " << was << "\n";
      ergebnis = 1;
    }
  };
  pruefen(gezeigt, "the window frmDorvex never showed");
  pruefen(gespeichert, "the picture was not written");
  for (const auto& t : meldungen->Texte) pruefen(false, "message: " + t);
  for (const auto& t : fehler) pruefen(false, "error report: " + t);
  // the component works on a copy of the array
  pruefen(info[vxm::slot::Verbindung] == vxm::Variant("ODBC;"), "the caller's array was changed");
  if (ergebnis == 0) std::cout << "vxm_wirt: window shown and closed, " << bild.toStdString() << "\n";
  return ergebnis;
}
