// PNG and JPEG files of the scan image through Qt's image writers.
#pragma once

#include <QImage>

#include "imaging/bildpuffer.h"

namespace vxm {

// Installs the Qt encoders into BildkodiererDienst(); the main window does
// this at load.
void QtBildkodiererAnmelden();

// The picture as a QImage (mono, indexed 8 bits or RGB), sharing nothing.
QImage QImageAusPuffer(const Bildpuffer& bild);

}  // namespace vxm
