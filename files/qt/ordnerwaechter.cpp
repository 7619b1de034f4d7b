// Watches the folder the file list shows, so files and sub-folders made,
// renamed or removed by others appear without a restart.
#include <QFileSystemWatcher>
#include <QTimer>

#include "component/qt/frmdorvex.h"
#include "platform/oeffner.h"
#include "platform/text.h"
#include "store/qt/ordnerbaum.h"

namespace vxm {
namespace {

class OrdnerWaechter : public QObject {
 public:
  explicit OrdnerWaechter(frmDorvex& f) : QObject(&f), f_(f) {
    setObjectName("OrdnerWaechter");
    // Changes come in bursts (a copy writes many times): one refresh after them.
    ruhe_.setSingleShot(true);
    ruhe_.setInterval(200);
    connect(&waechter_, &QFileSystemWatcher::directoryChanged, this, [this] { ruhe_.start(); });
    connect(&ruhe_, &QTimer::timeout, this, [this] { Ereignis([this] { Nachziehen(); }); });
    f.filListBox->PfadGesetzt = [this] { Beobachten(); };
  }

 private:
  void Beobachten() {
    QString neu;
    try {
      neu = QString::fromStdString(HostPfadVon(f_.filListBox->Path()).string());
    } catch (const std::exception&) {
      // a folder the drive table does not know is not watched
    }
    if (neu == ordner_) return;
    if (!ordner_.isEmpty()) waechter_.removePath(ordner_);
    ordner_ = neu;
    if (!ordner_.isEmpty()) waechter_.addPath(ordner_);
  }

  void Nachziehen() {
    // While a search walks the folders, or a label is edited, it waits.
    if (!f_.DirChangeAktiv || f_.Baum->LabelWirdBearbeitet()) {
      ruhe_.start();
      return;
    }
    // A watched folder that was removed or renamed drops out of the watcher.
    if (!ordner_.isEmpty() && !waechter_.directories().contains(ordner_)) waechter_.addPath(ordner_);
    const std::string p = f_.dirListBox->Path();
    if (auto* k = f_.Baum->Knoten(!p.empty() && p.back() == '\\' ? p : p + "\\")) f_.Baum->KinderAbgleichen(k);
    if (GleichOhneFall(f_.filListBox->Path(), f_.dirListBox->Path())) f_.DateilisteAuffrischen();
  }

  frmDorvex& f_;
  QFileSystemWatcher waechter_;
  QTimer ruhe_;
  QString ordner_;
};

}  // namespace

void OrdnerWaechterEinrichten(frmDorvex& f) { new OrdnerWaechter(f); }

}  // namespace vxm
