#include "component/qt/oberflaeche.h"

#include <QApplication>
#include <QPointer>
#include <QStandardPaths>

#include "component/hauptfenster.h"
#include "component/qt/frmdorvex.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/oeffner.h"
#include "platform/qt/desktopoeffner.h"

namespace vxm {
namespace {

class QtHauptfenster : public Hauptfenster {
 public:
  void ZeigeModal() override {
    if (!QApplication::instance()) {
      // A host without Qt of its own: the component brings its application object.
      static int argc = 1;
      static char name[] = "vxmDorvex";
      static char* argv[] = {name, nullptr};
      app_ = std::make_unique<QApplication>(argc, argv);
    }
    fenster_ = new frmDorvex;
    fenster_->setAttribute(Qt::WA_DeleteOnClose, false);
    const bool geladen = fenster_->Form_Load();
    if (!geladen) {
      delete fenster_;
      throw VbFehler::Standard(fehlernr::ObjektEntladen);
    }
    fenster_->setModal(true);
    fenster_->show();
    if (auto& danach = NachDemLaden()) danach(*fenster_);
    if (fenster_ && fenster_->isVisible()) fenster_->exec();
    delete fenster_;
  }
  void Entladen() override {
    if (fenster_) fenster_->close();
  }

 private:
  QPointer<frmDorvex> fenster_;
  std::unique_ptr<QApplication> app_;
};

}  // namespace

std::function<void(frmDorvex&)>& NachDemLaden() {
  static thread_local std::function<void(frmDorvex&)> haken;
  return haken;
}

void OberflaecheEinrichten() {
  HauptfensterErzeugen() = [] { return std::make_shared<QtHauptfenster>(); };
  // Documents open through the desktop (its portal in a sandbox) rather than
  // a helper process of our own.
  DokumentOeffner() = DesktopOeffner();
  auto ordner = [](QStandardPaths::StandardLocation art) {
    return std::filesystem::path(QStandardPaths::writableLocation(art).toStdString());
  };
  Dienste().KonfigOrdner = ordner(QStandardPaths::GenericConfigLocation);
  Dienste().CacheOrdner = ordner(QStandardPaths::GenericCacheLocation);
}

}  // namespace vxm
