// Scaling of the window by the per-user factor of the suite's settings file.
#include "basis/einstellungen.h"
#include "basis/qt/bildschirm.h"
#include "component/qt/frmdorvex.h"

namespace vxm {

void frmDorvex::Platzieren(QWidget* w, double links, double oben, double breite, double hoehe) {
  const float f = faktor_ > 0 ? faktor_ : 1.0f;
  const int b = breite >= 0 ? Skaliert(Twips(breite), f) : w->width();
  const int h = hoehe >= 0 ? Skaliert(Twips(hoehe), f) : w->height();
  // Keep the panel inside the window however small the user made it.
  int x = Skaliert(Twips(links), f);
  int y = Skaliert(Twips(oben), f);
  x = std::max(0, std::min(x, width() - b));
  y = std::max(0, std::min(y, height() - h));
  w->setGeometry(x, y, b, h);
  w->raise();
}

void frmDorvex::FensterSkalieren(bool fensterSkalieren, bool schriftSkalieren) {
  const int breite = BildschirmBreite();
  const std::string datei = SettingsDateiPfad();
  const float faktor = SkalierFaktorBerechnen(breite, IniLesen(datei, "Section1", "Skalieren"),
                                              IniLesen(datei, "Section2", "SkFaktor"));
  // 0 (or a text that is no number) leaves the window as it is.
  if (!(faktor > 0.0f)) return;
  faktor_ = faktor;
  if (fensterSkalieren) {
    const QRect g = geometry();
    setGeometry(Skaliert(g.x(), faktor), Skaliert(g.y(), faktor),
                Skaliert(g.width(), faktor), Skaliert(g.height(), faktor));
  }
  if (schriftSkalieren) {
    // Once: the children take the window's font. (Multiplying the same font
    // object twice made it grow by the square of the factor.)
    QFont schrift = font();
    schrift.setPointSizeF(schrift.pointSizeF() * faktor);
    setFont(schrift);
  }
  for (QWidget* w : Ueberlagerungen) {
    const QRect g = w->geometry();
    w->setGeometry(Skaliert(g.x(), faktor), Skaliert(g.y(), faktor),
                   Skaliert(g.width(), faktor), Skaliert(g.height(), faktor));
  }
}

}  // namespace vxm
