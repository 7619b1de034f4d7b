#include "app/demo_termin.h"

#include <QDialog>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

#include "basis/zustand.h"

namespace vxm::demo {

void DemoTerminverwaltung::Termin_Aufruf(std::vector<Variant>& aufrufParameter) {
  const std::string aufrufer =
      aufrufParameter.size() > slot::Aufrufer ? AlsText(aufrufParameter[slot::Aufrufer]) : std::string();
  auto* w = new QDialog;
  w->setAttribute(Qt::WA_DeleteOnClose);
  w->setObjectName("vxmTerminverwaltung");
  w->setWindowTitle("vxmTerminverwaltung - Neuer Termin");
  auto* l = new QFormLayout(w);
  l->addRow("Dokument:", new QLabel(QString::fromStdString(name_), w));
  l->addRow("Ordner:", new QLabel(QString::fromStdString(ordner_), w));
  l->addRow("Aufrufer (39):", new QLabel(QString::fromStdString(aufrufer), w));
  auto* ok = new QPushButton("Schließen", w);
  QObject::connect(ok, &QPushButton::clicked, w, &QDialog::close);
  l->addRow(ok);
  w->show();
}

}  // namespace vxm::demo
