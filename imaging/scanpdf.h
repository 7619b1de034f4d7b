// Turning the scanned page in `ScanBild` into a one-page PDF file.
#pragma once

#include <memory>
#include <string>

#include "imaging/clspdf.h"

namespace vxm {

// Saves `ScanBild` as ordner\name.bmp, draws that bitmap onto a new
// one-page document (kept in `pdf`, as the main window keeps its writer),
// writes ordner\name.pdf, replacing an existing file, and deletes the bitmap.
//
// Returns true when the PDF was written. When the bitmap cannot be written
// the image writer has already told the user; when it cannot be read back
// or the PDF cannot be written, the user gets a message naming the file, and
// the bitmap is kept so that the page is not lost.
bool ScanZuPdf(const std::string& ordner, const std::string& name, std::unique_ptr<clsPDF>& pdf);

}  // namespace vxm
