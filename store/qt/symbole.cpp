// The small icons of tree and lists: the desktop theme's where it has them,
// else our own, drawn at run time so they scale cleanly.
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <map>

#include "store/qt/ordnerbaum.h"

namespace vxm {
namespace {

constexpr int kGroesse = 32;

QPixmap Leinwand() {
  QPixmap p(kGroesse, kGroesse);
  p.fill(Qt::transparent);
  return p;
}

void Ordner(QPainter& m, QColor farbe, bool offen) {
  m.setPen(QPen(farbe.darker(160), 1.5));
  m.setBrush(farbe.darker(110));
  m.drawRoundedRect(QRectF(3, 7, 12, 6), 2, 2);
  m.setBrush(farbe);
  if (offen) {
    QPainterPath p;
    p.moveTo(3, 11);
    p.lineTo(29, 11);
    p.lineTo(25, 27);
    p.lineTo(3, 27);
    p.closeSubpath();
    m.drawRect(QRectF(3, 10, 24, 17));
    m.setBrush(farbe.lighter(120));
    QPainterPath klappe;
    klappe.moveTo(6, 15);
    klappe.lineTo(30, 15);
    klappe.lineTo(26, 27);
    klappe.lineTo(3, 27);
    klappe.closeSubpath();
    m.drawPath(klappe);
  } else {
    m.drawRoundedRect(QRectF(3, 10, 26, 17), 2, 2);
  }
}

void Blatt(QPainter& m, QColor kopf, const char* text) {
  m.setPen(QPen(QColor(90, 90, 90), 1.2));
  m.setBrush(Qt::white);
  QPainterPath p;
  p.moveTo(6, 2);
  p.lineTo(21, 2);
  p.lineTo(27, 8);
  p.lineTo(27, 30);
  p.lineTo(6, 30);
  p.closeSubpath();
  m.drawPath(p);
  m.setPen(QColor(170, 170, 170));
  for (int y = 12; y < 28; y += 4) m.drawLine(9, y, 24, y);
  if (text) {
    m.setPen(Qt::NoPen);
    m.setBrush(kopf);
    m.drawRect(QRectF(3, 17, 26, 11));
    m.setPen(Qt::white);
    QFont f("DejaVu Sans", 7, QFont::Bold);
    m.setFont(f);
    m.drawText(QRectF(3, 17, 26, 11), Qt::AlignCenter, QString::fromUtf8(text));
  }
}

QPixmap Zeichnen(int nummer, bool baum) {
  QPixmap p = Leinwand();
  QPainter m(&p);
  m.setRenderHint(QPainter::Antialiasing);
  if (baum) {
    switch (nummer) {
      case 1: {  // the store's own folder: blue with a document mark
        Ordner(m, QColor(66, 133, 214), false);
        m.setPen(QPen(Qt::white, 2));
        m.drawLine(10, 16, 22, 16);
        m.drawLine(10, 21, 19, 21);
        break;
      }
      case 2: Blatt(m, QColor(120, 120, 120), "?"); break;
      case 3:  // computer
        m.setPen(QPen(QColor(60, 60, 60), 1.5));
        m.setBrush(QColor(200, 220, 240));
        m.drawRoundedRect(QRectF(3, 4, 26, 18), 2, 2);
        m.setBrush(QColor(60, 60, 60));
        m.drawRect(QRectF(12, 23, 8, 3));
        m.drawRect(QRectF(7, 26, 18, 3));
        break;
      case 4:  // copy
        m.translate(-3, -1);
        Blatt(m, Qt::gray, nullptr);
        m.translate(6, 3);
        Blatt(m, Qt::gray, nullptr);
        break;
      case 5: Ordner(m, QColor(240, 200, 80), false); break;
      case 6: Blatt(m, QColor(110, 110, 110), "TXT"); break;
      case 7: Blatt(m, QColor(200, 40, 40), "PDF"); break;
      case 8: Blatt(m, QColor(150, 110, 40), "ZIP"); break;
      case 9: Blatt(m, QColor(40, 90, 180), "DOC"); break;
      case 10: Blatt(m, QColor(30, 130, 70), "XLS"); break;
      case 11: Ordner(m, QColor(240, 200, 80), true); break;
      default: Ordner(m, QColor(200, 200, 200), false);
    }
  } else {
    switch (nummer) {
      case 1: Blatt(m, QColor(40, 90, 180), "DOC"); break;
      case 2: {  // picture
        m.setPen(QPen(QColor(90, 90, 90), 1.2));
        m.setBrush(QColor(170, 215, 250));
        m.drawRect(QRectF(3, 5, 26, 22));
        m.setPen(Qt::NoPen);
        m.setBrush(QColor(250, 200, 40));
        m.drawEllipse(QPointF(10, 11), 3, 3);
        m.setBrush(QColor(70, 150, 70));
        QPainterPath berg;
        berg.moveTo(3, 27);
        berg.lineTo(13, 15);
        berg.lineTo(19, 22);
        berg.lineTo(23, 18);
        berg.lineTo(29, 27);
        berg.closeSubpath();
        m.drawPath(berg);
        break;
      }
      case 3: Blatt(m, QColor(120, 120, 120), nullptr); break;
      case 4: Blatt(m, QColor(210, 110, 30), "PPT"); break;
      case 5: Blatt(m, QColor(30, 130, 70), "XLS"); break;
      case 6: Blatt(m, QColor(200, 40, 40), "PDF"); break;
      case 7: Blatt(m, QColor(110, 110, 110), "TXT"); break;
      default: Blatt(m, QColor(120, 120, 120), nullptr);
    }
  }
  return p;
}

// The desktop theme's name for each picture (freedesktop naming); the
// drawn pictures stand in where the theme has none (or there is no theme).
const char* ThemenName(int nummer, bool baum) {
  if (baum) {
    switch (nummer) {
      case 1: return "folder-documents";
      case 2: return "dialog-question";
      case 3: return "computer";
      case 4: return "edit-copy";
      case 5: return "folder";
      case 6: return "text-x-generic";
      case 7: return "application-pdf";
      case 8: return "package-x-generic";
      case 9: return "x-office-document";
      case 10: return "x-office-spreadsheet";
      case 11: return "folder-open";
      default: return "folder";
    }
  }
  switch (nummer) {
    case 1: return "x-office-document";
    case 2: return "image-x-generic";
    case 4: return "x-office-presentation";
    case 5: return "x-office-spreadsheet";
    case 6: return "application-pdf";
    case 7: return "text-x-generic";
    default: return "unknown";
  }
}

QIcon Symbol(int nummer, bool baum) {
  static std::map<std::pair<int, bool>, QIcon> cache;
  auto& icon = cache[{nummer, baum}];
  if (icon.isNull()) icon = QIcon::fromTheme(QString::fromLatin1(ThemenName(nummer, baum)), QIcon(Zeichnen(nummer, baum)));
  return icon;
}

}  // namespace

QIcon BaumSymbol(int nummer) { return Symbol(nummer, true); }
QIcon DateiSymbol(int nummer) { return Symbol(nummer, false); }

}  // namespace vxm
