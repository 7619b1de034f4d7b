// Turning the scanned page in `ScanBild` into a one-page PDF file.
#pragma once

#include <memory>
#include <string>

#include "imaging/clspdf.h"
#include "platform/datenbank.h"

namespace vxm {

// Saves `ScanBild` as ordner\name.bmp, draws that bitmap onto a new
// one-page document (kept in `pdf`, as the main window keeps its writer),
// writes ordner\name.pdf, replacing an existing file, and deletes the bitmap.
//
// Returns true when the PDF was written. When the bitmap cannot be written
// the image writer has already told the user; when it cannot be read back
// or the PDF cannot be written, the user gets a message naming the file, and
// the bitmap is kept so that the page is not lost.
//
// With `register`, a replaced PDF's rows wait in the trash with it (its
// keywords come back when it is put back), the new scan starts without
// any, and a crash between the steps is completed or dropped.
bool ScanZuPdf(const std::string& ordner, const std::string& name, std::unique_ptr<clsPDF>& pdf,
               Datenbank* register_ = nullptr);

}  // namespace vxm
