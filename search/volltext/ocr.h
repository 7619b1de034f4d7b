// Text recognition with tesseract and its German data, one page at a time.
#pragma once

#include <filesystem>
#include <string>

namespace vxm::volltext {

// Text of an 8-bit grey page image of `dpi` dots per inch.
std::string OcrGrau(const unsigned char* daten, int breite, int hoehe, int zeilenbytes, int dpi);

// Text of page `seite` of a picture file (TIFF may hold several); the
// number of pages in `seiten`. Throws std::runtime_error when unreadable.
std::string OcrBilddatei(const std::filesystem::path& datei, unsigned seite, unsigned& seiten);

// Width and height of a picture without decoding it; false when unknown.
bool Bildgroesse(const std::filesystem::path& datei, int& breite, int& hoehe, unsigned& seiten);

}  // namespace vxm::volltext
