#include "platform/qt/qtuebersetzung.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace vxm {

bool QtTexteDeutsch() {
  auto* app = QCoreApplication::instance();
  if (!app) return false;
  // Once per application object (a host may make a new one per call).
  static QPointer<QTranslator> geladen;
  if (geladen && geladen->parent() == app) return true;
  auto* t = new QTranslator(app);
  // "qt" pulls in qtbase and the other modules' catalogues.
  if (!t->load(QLocale(QLocale::German, QLocale::Germany), "qt", "_",
               QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete t;
    return false;
  }
  QCoreApplication::installTranslator(t);
  geladen = t;
  return true;
}

}  // namespace vxm
