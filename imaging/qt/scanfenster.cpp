// Wiring of scanning into the main window.
#include "imaging/qt/scanfenster.h"

#include <QApplication>

#include "basis/einstellungen.h"
#include "basis/zustand.h"
#include "basis/qt/hauptfensterzugang.h"
#include "imaging/bilddatei.h"
#include "imaging/qt/bildkodierer_qt.h"

namespace vxm {

ScanEinstellungen ScannerAusEinstellungen() {
  ScanEinstellungen e;
  // Reading a value also sets the configured document path; this value
  // is no path, so the path read before stays.
  const std::string vorher = Zustand().KonfigDokPfad;
  std::string wert;
  if (RegWertLesen(kRegSchluessel, kRegScanner, wert)) e.Geraet = wert;
  Zustand().KonfigDokPfad = vorher;
  return e;
}

void BilderEinrichten(Hauptfensterzugang& f) {
  f.LadeHakenAnmelden([](LadePhase p) {
    switch (p) {
      case LadePhase::Anfang:
        ScanBildAnlegen();
        QtBildkodiererAnmelden();
        SanduhrDienst() = [](bool an) {
          if (an) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
          } else {
            QApplication::restoreOverrideCursor();
          }
        };
        break;
      case LadePhase::Entladen:
        ScanBildFreigeben();
        SanduhrDienst() = nullptr;
        break;
      default:
        break;
    }
  });
}

}  // namespace vxm
