// vxmdorvex: the component's own host for offices without the suite. It
// takes the parameter array's slots as options, keeps them in the user's
// settings and opens the store (see --hilfe).
//
//   vxmdorvex [--datenbank DATEI] [--firmendatenbank DATEI] [--mandant NAME]
//             [--objekt N] [--be N] [--bn N] [--laufwerk X=ORDNER]...
//             [--anlegen] [--bildschirmfoto DATEI.png] [--hilfe]
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/adressexport.h"
#include "app/programm_optionen.h"
#include "app/wirt.h"
#include "component/qt/oberflaeche.h"
#include "component/vxmdorvex.h"
#include "platform/dienste.h"
#include "platform/fehler.h"

#ifndef VXM_APP_ID
#define VXM_APP_ID "vxmdorvex"
#endif

namespace {

using namespace vxm;
constexpr const char* kProgramm = "vxmdorvex";

// Standard error always; a message box as well when the user may have
// started the program from the desktop, where nobody reads standard error.
void Melden(const std::string& text, bool fenster) {
  std::cerr << kProgramm << ": " << text << "\n";
  if (fenster && QGuiApplication::platformName() != "offscreen")
    QMessageBox::critical(nullptr, "vxmDorvex", QString::fromStdString(text));
}

QSettings Einstellungen() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "VXM", "vxmdorvex"); }

programm::Werte Lesen(QSettings& einstellungen) {
  programm::Werte werte;
  for (const char* schluessel : {programm::kDatenbank, programm::kFirmenDatenbank, programm::kMandant,
                                 programm::kObjekt, programm::kBe, programm::kBn, programm::kLaufwerke}) {
    const QVariant wert = einstellungen.value(schluessel);
    if (wert.isValid()) werte[schluessel] = wert.toString().toStdString();
  }
  return werte;
}

// A failure to keep the settings costs the next start its values, not this one.
void Behalten(QSettings& einstellungen, const programm::Werte& werte) {
  for (const auto& [schluessel, wert] : werte)
    einstellungen.setValue(QString::fromStdString(schluessel), QString::fromStdString(wert));
  einstellungen.sync();
  if (einstellungen.status() != QSettings::NoError)
    std::cerr << kProgramm << ": Einstellungen konnten nicht gespeichert werden: "
              << einstellungen.fileName().toStdString() << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  const auto start = std::chrono::steady_clock::now();
  const auto aufruf = programm::BefehlszeileLesen(std::vector<std::string>(argv + 1, argv + argc));
  if (aufruf.Hilfe) {
    std::cout << programm::Hilfetext();
    return 0;
  }
  if (!aufruf.Fehler.empty()) {
    std::cerr << kProgramm << ": " << aufruf.Fehler << "\nMit --hilfe werden die Optionen erklärt.\n";
    return 2;
  }
  const std::string& foto = aufruf.Bildschirmfoto;
  if (!wirt::AnzeigeVorbereiten(kProgramm, foto)) return 3;

  QApplication app(argc, argv);
  QApplication::setOrganizationName("VXM");
  QApplication::setApplicationName(kProgramm);
  QGuiApplication::setDesktopFileName(VXM_APP_ID);
  QApplication::setWindowIcon(QIcon::fromTheme(VXM_APP_ID));
  const bool fenster = foto.empty();

  QSettings einstellungen = Einstellungen();
  const programm::Werte behalten = Lesen(einstellungen);
  const std::filesystem::path eigenerOrdner =
      std::filesystem::path(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString()) /
      "vxmdorvex" / "laufwerk-c";
  std::string fehler;
  const auto s = programm::StartErmitteln(aufruf, behalten, eigenerOrdner, fehler);
  if (!s) {
    Melden(fehler, fenster);
    return 2;
  }
  try {
    const auto fehlend = programm::FehlendeDatenbanken(*s);
    if (!fehlend.empty()) {
      if (!s->EigeneAblage && !aufruf.Anlegen) {
        Melden(programm::FehlendeMelden(fehlend), fenster);
        return 2;
      }
      programm::DatenbankenAnlegen(fehlend);
      programm::WurzelAnlegen(*s);
      for (const auto& d : fehlend) std::cerr << kProgramm << ": leer angelegt: " << d.Windows << "\n";
    }
  } catch (const VbFehler& f) {
    Melden(f.Beschreibung, fenster);
    return 1;
  }
  Behalten(einstellungen, programm::ZuBehalten(behalten, aufruf.Angaben));

  // Everything that resolves a drive letter sees the same table.
  setenv("VXM_LAUFWERKE", s->LaufwerkeText.c_str(), 1);
  Dienste().Dateien = std::make_shared<HostDateisystem>(s->Laufwerke);
  Dienste().Komponenten.vxmAllgError = [] { return wirt::FensterFehlerProgramm(); };
  // The serial letters' address workbooks come from the host data database.
  Dienste().Komponenten.AdressExport = [] { return std::make_unique<wirt::TabellenAdressExport>(); };
  wirt::DatenpfadEintragen(s->DatenOrdner());
  OberflaecheEinrichten();
  wirt::NachDemLadenEinrichten(kProgramm, foto, false, start);

  std::vector<Variant> info = s->Parameter();
  vxmDorvex komponente;
  komponente.Dorvex_Aufruf(info);
  return wirt::FotoErgebnis(kProgramm, foto);
}
