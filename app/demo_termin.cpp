#include "app/demo_termin.h"

#include <QApplication>
#include <QDialog>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

#include "basis/zustand.h"

namespace vxm::demo {

void DemoTerminverwaltung::Termin_Aufruf(std::vector<Variant>& aufrufParameter) {
  const std::string aufrufer =
      aufrufParameter.size() > slot::Aufrufer ? AlsText(aufrufParameter[slot::Aufrufer]) : std::string();
  // In front of the calling window, which is modal itself: a window of its
  // own would lie behind it and take no input.
  auto* w = new QDialog(QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                         : QApplication::activeWindow());
  w->setWindowModality(Qt::ApplicationModal);
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
