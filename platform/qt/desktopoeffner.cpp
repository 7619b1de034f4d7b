#include "platform/qt/desktopoeffner.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace vxm {

Oeffner DesktopOeffner() {
  return OeffnerMit([](const std::string& host) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(host)));
  });
}

}  // namespace vxm
