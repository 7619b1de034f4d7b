// Takes the missing prints of the register in small steps while the window
// is idle (see files/abdrucknachtrag.h).
#include <QTimer>
#include <QWidget>

#include "basis/qt/hauptfensterzugang.h"
#include "files/abdrucknachtrag.h"

namespace vxm {
namespace {

class AbdruckNachtrag : public QObject {
 public:
  explicit AbdruckNachtrag(Hauptfensterzugang& f) : QObject(&f.Fenster()), f_(f) {
    setObjectName("AbdruckNachtrag");
    // The user's first steps go first; then a step now and then, each
    // short enough (one transaction, about a megabyte read) not to be felt.
    takt_.setInterval(250);
    connect(&takt_, &QTimer::timeout, this, [this] { Schritt(); });
    QTimer::singleShot(10000, this, [this] { takt_.start(); });
  }

 private:
  void Schritt() {
    try {
      const Nachtragsschritt n = AbdrueckeNachtragen(f_.Register().Database(), weiter_);
      weiter_ = n.Weiter;
      if (n.Fertig) takt_.stop();
    } catch (const std::exception&) {
      // No register, a locked one or a damaged one: the folder opens keep
      // taking prints as before; nothing to tell the user here.
      takt_.stop();
    }
  }

  Hauptfensterzugang& f_;
  QTimer takt_;
  int32_t weiter_ = 0;
};

}  // namespace

void AbdruckNachtragEinrichten(Hauptfensterzugang& f) { new AbdruckNachtrag(f); }

}  // namespace vxm
