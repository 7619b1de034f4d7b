// Wiring of scanning into the main window.
#include "imaging/qt/scanfenster.h"

#include <QApplication>
#include <QProgressDialog>
#include <algorithm>
#include <chrono>
#include <memory>

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

ScanEinstellungen MitFortschritt(ScanEinstellungen e) {
  auto dialog = std::make_shared<std::unique_ptr<QProgressDialog>>();
  auto zuletzt = std::make_shared<std::chrono::steady_clock::time_point>();
  e.Weiter = [dialog, zuletzt](int64_t gelesen, int64_t erwartet) {
    // A device hands over a few hundred bytes at a time: the windows are
    // brought up to date some 30 times a second, not for each piece.
    const auto jetzt = std::chrono::steady_clock::now();
    if (*dialog && jetzt - *zuletzt < std::chrono::milliseconds(30)) return !(*dialog)->wasCanceled();
    *zuletzt = jetzt;
    if (!*dialog) {
      QWidget* vorn = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : QApplication::activeWindow();
      auto d = std::make_unique<QProgressDialog>(QString::fromUtf8("Seite wird gescannt..."),
                                                 QString::fromUtf8("Abbrechen"), 0, 0, vorn);
      d->setObjectName("ScanFortschritt");
      d->setWindowTitle(QString::fromUtf8("Scannen"));
      d->setWindowModality(Qt::ApplicationModal);
      d->setAutoClose(false);
      d->setAutoReset(false);
      d->setMinimumDuration(0);
      d->show();
      // Esc reaches it only as the active window.
      d->raise();
      d->activateWindow();
      *dialog = std::move(d);
    }
    QProgressDialog& d = **dialog;
    if (erwartet > 0) {
      d.setMaximum(1000);
      d.setValue(static_cast<int>(std::min<int64_t>(1000, gelesen * 1000 / erwartet)));
    }
    // Without a pause in the event loop nothing would reach the display:
    // the window system's queue is sent and answered here.
    QGuiApplication::sync();
    return !d.wasCanceled();
  };
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
