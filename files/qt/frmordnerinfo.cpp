#include "files/qt/frmordnerinfo.h"

#include <QGridLayout>
#include <QTimer>
#include <QVBoxLayout>

#include "basis/qt/bildschirm.h"
#include "basis/qt/hauptfensterzugang.h"
#include "files/dateidetails.h"
#include "files/ordnerstatistik.h"
#include "platform/qt/steuerelemente.h"
#include "store/qt/ordnerbaum.h"

namespace vxm {
namespace {

const char* const kBeschriftungUnterordner = "Unterordner";
const char* const kBeschriftungDateien = "Dateien";

QLabel* Beschriftung(QWidget* eltern, const char* name, const char* text) {
  auto* l = new QLabel(QString::fromUtf8(text), eltern);
  l->setObjectName(name);
  return l;
}

}  // namespace

std::function<void(frmOrdnerInfo&)> frmOrdnerInfo::NachDemZeigen;

frmOrdnerInfo::frmOrdnerInfo(QWidget* eltern) : QDialog(eltern) {
  setObjectName("frmOrdnerInfo");
  setWindowTitle("OrdnerEigenschaften");
  setModal(true);
  auto* haupt = new QVBoxLayout(this);
  Frame1 = new QGroupBox("Eigenschaften", this);
  Frame1->setObjectName("Frame1");
  auto* g = new QGridLayout(Frame1);
  Image1 = new QLabel(Frame1);
  Image1->setObjectName("Image1");
  Image1->setPixmap(BaumSymbol(5).pixmap(32, 32));
  g->addWidget(Image1, 0, 0, 2, 1, Qt::AlignTop);
  Label1 = Beschriftung(Frame1, "Label1", "Ordner Name:");
  txtName = new QLineEdit(Frame1);
  txtName->setObjectName("txtName");
  txtName->setReadOnly(true);
  Label2 = Beschriftung(Frame1, "Label2", "Ort des Ordner:");
  lblOrdnerOrt = Beschriftung(Frame1, "lblOrdnerOrt", "");
  lblOrdnerOrt->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Label3 = Beschriftung(Frame1, "Label3", "Grösse des Ordner:");
  Label4 = Beschriftung(Frame1, "Label4", "Inhalt des Ordner:");
  for (int i = 0; i < 3; ++i) {
    lblInfo[static_cast<std::size_t>(i)] = Beschriftung(Frame1, ("lblInfo_" + std::to_string(i)).c_str(), "");
    lblInfo[static_cast<std::size_t>(i)]->setProperty("Index", i);
  }
  g->addWidget(Label1, 0, 1);
  g->addWidget(txtName, 0, 2);
  g->addWidget(Label2, 1, 1);
  g->addWidget(lblOrdnerOrt, 1, 2);
  g->addWidget(Label3, 2, 1);
  g->addWidget(lblInfo[0], 2, 2);
  g->addWidget(Label4, 3, 1);
  g->addWidget(lblInfo[1], 3, 2);
  g->addWidget(lblInfo[2], 4, 2);
  haupt->addWidget(Frame1);
  cmdEnde = new QPushButton("OK", this);
  cmdEnde->setObjectName("cmdEnde");
  cmdEnde->setDefault(true);
  haupt->addWidget(cmdEnde, 0, Qt::AlignRight);
  connect(cmdEnde, &QPushButton::clicked, this, &QDialog::accept);
  resize(Twips(5400), Twips(3300));
}

void frmOrdnerInfo::Form_Load(Hauptfensterzugang& f) {
  const float faktor = f.Faktor() > 0 ? f.Faktor() : 1.0f;
  if (faktor != 1.0f) {
    resize(static_cast<int>(static_cast<float>(width()) * faktor), static_cast<int>(static_cast<float>(height()) * faktor));
    QFont s = font();
    s.setPointSizeF(s.pointSizeF() * faktor);
    setFont(s);
  }
  const QPoint oben = f.Fenster().mapToGlobal(QPoint(0, 0));
  move(oben.x() + Twips(4000), oben.y() + Twips(500));
}

void frmOrdnerInfo::Fuellen(const std::string& pfad) {
  int32_t unterordner = 0, dateien = 0, ungelesen = 0;
  double groesse = 0;
  OrdnerStatistik(pfad, unterordner, dateien, groesse, &ungelesen);
  std::string p = pfad;
  while (p.size() > 3 && p.back() == '\\') p.pop_back();
  const auto pos = p.rfind('\\');
  const std::string name = pos == std::string::npos ? p : p.substr(pos + 1);
  const std::string ort = pos == std::string::npos ? std::string() : p.substr(0, pos);
  lblInfo[0]->setText(Q(GroesseFormatieren(groesse)));
  lblInfo[1]->setText(Q(std::to_string(unterordner) + " " + kBeschriftungUnterordner));
  lblInfo[2]->setText(Q(std::to_string(dateien) + " " + kBeschriftungDateien));
  // Folders that could not be read are not in the counts: say so.
  if (ungelesen > 0)
    lblInfo[2]->setText(lblInfo[2]->text() + Q(" (" + std::to_string(ungelesen) + " Ordner nicht lesbar)"));
  lblOrdnerOrt->setText(Q(ort));
  txtName->setText(Q(" " + name));
}

int frmOrdnerInfo::Zeigen() {
  if (NachDemZeigen) {
    auto hook = NachDemZeigen;
    QTimer::singleShot(0, this, [this, hook] { hook(*this); });
  }
  return exec();
}

}  // namespace vxm
