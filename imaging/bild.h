// Pixel grids of pictures, and loading them from picture files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vxm {

// Colours are RGB values as longs: red in the low byte, then green, then blue.
constexpr int32_t RGB(int rot, int gruen, int blau) {
  return (rot & 0xFF) | ((gruen & 0xFF) << 8) | ((blau & 0xFF) << 16);
}

struct Bild {
  int32_t Breite = 0;
  int32_t Hoehe = 0;
  std::vector<int32_t> Pixel;  // row by row from the top row, left to right

  Bild() = default;
  Bild(int32_t breite, int32_t hoehe, int32_t farbe = 0);
  int32_t& At(int32_t x, int32_t y) { return Pixel[static_cast<std::size_t>(y) * Breite + x]; }
  int32_t At(int32_t x, int32_t y) const { return Pixel[static_cast<std::size_t>(y) * Breite + x]; }
};

// Decodes Windows bitmaps (1, 4, 8, 24 and 32 bits per pixel, uncompressed)
// and binary PGM/PPM files. Raises error 481 for anything else or for a
// damaged file.
Bild BildDekodieren(const std::string& bytes);

// Loads a picture file given by its Windows path (error 53 when missing).
Bild BildLaden(const std::string& pfad);

// A 24-bit Windows bitmap of the picture.
std::string BmpKodieren(const Bild& bild);

}  // namespace vxm
