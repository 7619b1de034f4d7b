#include "basis/qt/bildschirm.h"

#include <cmath>

#include <QGuiApplication>
#include <QScreen>

namespace vxm {

int Twips(double twips) { return static_cast<int>(std::lround(twips / 15.0)); }

int Skaliert(int pixel, float faktor) { return static_cast<int>(static_cast<float>(pixel) * faktor); }

int BildschirmBreite() {
  const QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().width() : 0;
}

int BildschirmHoehe() {
  const QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().height() : 0;
}

std::string BildschirmAufloesung() {
  return std::to_string(BildschirmBreite()) + " X " + std::to_string(BildschirmHoehe());
}

}  // namespace vxm
