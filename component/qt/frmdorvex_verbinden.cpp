// Wiring of the controls' events to the handlers of the subsystems.
#include <QApplication>
#include <QFocusEvent>

#include "component/qt/frmdorvex.h"
#include "store/qt/ordnerbaum.h"

namespace vxm {
namespace {

// Hides a pop-up list when it loses the focus, as the host's lists do.
class PopupVerstecker : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::FocusOut) {
      auto* w = static_cast<QWidget*>(o);
      if (w->property("vxmBleibtOffen").toBool()) return false;
      w->hide();
    }
    return false;
  }
};

}  // namespace

void frmDorvex::Verbinden() {
  dirListBox->Change = [this] { dirListBox_Change(); };
  filListBox->Click = [this] { filListBox_Click(); };
  filListBox->DblClick = [this] { filListBox_DblClick(); };
  filListBox->MouseDown = [this](Qt::MouseButton k, int x, int y) { filListBox_MouseDown(k, x, y); };
  filListBox->MouseUp = [this](Qt::MouseButton k, int x, int y) { filListBox_MouseUp(k, x, y); };
  drvListBox->Change = [this] { drvListBox_Change(); };
  Baum->OrdnerMenueZeigen = [this](QPoint p) {
    lstOrdner->setEnabled(true);
    lstOrdner->move(std::min(p.x(), width() - lstOrdner->width()), std::min(p.y(), height() - lstOrdner->height()));
    lstOrdner->show();
    lstOrdner->raise();
    lstOrdner->setFocus();
  };
  auto* verstecker = new PopupVerstecker(this);
  for (QWidget* w : std::initializer_list<QWidget*>{lstAktion, lstOrdner, lstNeuOrdner, lstDokument, lstKeyword})
    w->installEventFilter(verstecker);
}

void frmDorvex::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
}

}  // namespace vxm
