#include "app/wirt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPixmap>
#include <cstdlib>
#include <iostream>

#include "basis/einstellungen.h"
#include "basis/zustand.h"
#include "component/qt/frmdorvex.h"
#include "component/qt/oberflaeche.h"
#include "platform/dienste.h"

namespace vxm::wirt {
namespace {

class FensterFehler : public AllgFehlerProgramm {
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
    std::cerr << "[vxmAllgError] FehlerNr " << nummer_ << ": " << text_ << (ort_.empty() ? "" : " (" + ort_ + ")")
              << "\n";
    if (!QApplication::instance() || QGuiApplication::platformName() == "offscreen") return;
    QMessageBox box;
    box.setWindowTitle("vxmAllgError");
    box.setIcon(QMessageBox::Critical);
    box.setText(QString::fromStdString("Fehler " + std::to_string(nummer_) + ": " + text_));
    box.setInformativeText(QString::fromStdString((programm_.empty() ? "vxmDorvex" : programm_) +
                                                  (ort_.empty() ? "" : "\n" + ort_)));
    box.exec();
  }
  int16_t Ergebnis() override { return 0; }

 private:
  int32_t nummer_ = 0;
  std::string text_, programm_, ort_;
};

enum class FotoStand { NichtGezeigt, Geschrieben, Fehlgeschlagen };
thread_local FotoStand tFoto = FotoStand::NichtGezeigt;

}  // namespace

std::unique_ptr<AllgFehlerProgramm> FensterFehlerProgramm() { return std::make_unique<FensterFehler>(); }

bool AnzeigeVorbereiten(const std::string& programm, const std::string& foto) {
  if (!foto.empty()) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return true;
  }
  const bool anzeige = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
  if (anzeige || std::getenv("QT_QPA_PLATFORM")) return true;
  std::cerr << programm << ": keine Anzeige gefunden (DISPLAY ist nicht gesetzt); "
               "mit --bildschirmfoto DATEI.png wird das Fenster ohne Anzeige in ein Bild geschrieben.\n";
  return false;
}

void NachDemLadenEinrichten(const std::string& programm, const std::string& foto, bool zeitMelden,
                            std::chrono::steady_clock::time_point start) {
  tFoto = FotoStand::NichtGezeigt;
  if (!foto.empty()) {
    // Nobody can answer a message box on the way to the picture: each goes to
    // standard error and gets its most cautious answer.
    Dienste().Meldungen = std::make_shared<StilleDialoge>(std::cerr);
    setenv("VXM_DIALOGE_BEHALTEN", "1", 1);
  }
  if (foto.empty() && !zeitMelden) return;
  NachDemLaden() = [programm, foto, zeitMelden, start](frmDorvex& fenster) {
    if (zeitMelden) {
      const auto ms =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
      std::cerr << "Fenster gezeigt nach " << ms.count() << " ms\n";
    }
    if (foto.empty()) return;
    QApplication::processEvents();
    if (!fenster.grab().save(QString::fromStdString(foto))) {
      std::cerr << programm << ": Bild konnte nicht geschrieben werden: " << foto << "\n";
      tFoto = FotoStand::Fehlgeschlagen;
    } else {
      std::cout << "Bildschirmfoto: " << foto << "\n";
      tFoto = FotoStand::Geschrieben;
    }
    fenster.close();
  };
}

int FotoErgebnis(const std::string& programm, const std::string& foto) {
  if (foto.empty() || tFoto == FotoStand::Geschrieben) return 0;
  if (tFoto == FotoStand::NichtGezeigt)
    std::cerr << programm << ": das Fenster wurde nicht geöffnet; kein Bild geschrieben: " << foto << "\n";
  return 1;
}

void DatenpfadEintragen(const std::string& windowsOrdner) {
  std::string wert;
  if (!RegWertLesen(kRegSchluessel, kRegDatPfad, wert))
    SaveSetting(kRegAnwendung, kRegAbschnitt, kRegDatPfad, windowsOrdner);
  // reading has set the configured document path as a side effect; the
  // window's load step works it out again
  Zustand().KonfigDokPfad.clear();
}

}  // namespace vxm::wirt
