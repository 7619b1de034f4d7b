// Preview of picture files, stretched to the box.
#include "imaging/qt/bildanzeige.h"

#include <QImageReader>
#include <QLabel>
#include <QPixmap>

#include "platform/oeffner.h"

namespace vxm {

bool BildInBoxZeigen(QLabel& box, const std::string& ordner, const std::string& name) {
  QLabel* picBox = &box;
  picBox->clear();
  try {
    QImageReader leser(QString::fromStdString(HostPfadVon(ordner + "\\" + name).string()));
    leser.setAutoTransform(true);
    const QSize ziel = picBox->contentsRect().size();
    // Large photos are decoded at the box size already: fast and small.
    if (leser.supportsOption(QImageIOHandler::ScaledSize) && ziel.isValid() && !ziel.isEmpty())
      leser.setScaledSize(ziel);
    const QImage bild = leser.read();
    if (bild.isNull()) throw std::runtime_error("kein Bild");
    // The box stretches the picture to its whole inner size, also after the
    // window was resized.
    picBox->setScaledContents(true);
    picBox->setPixmap(QPixmap::fromImage(bild));
    return true;
  } catch (const std::exception&) {
    picBox->hide();
    return false;
  }
}

}  // namespace vxm
