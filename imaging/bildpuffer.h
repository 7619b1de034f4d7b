// The in-memory image of a scanned page: a pixel grid of 1, 8 or 24 bits per
// pixel, as the scanner delivers it, and the conversions the file writers
// need.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/bild.h"

namespace vxm {

struct Bildpuffer {
  int32_t Breite = 0;
  int32_t Hoehe = 0;
  int BitsProPixel = 0;          // 1, 8 or 24
  std::vector<int32_t> Palette;  // RGB longs: 2 entries at 1 bit, 256 at 8 bits, none at 24
  // Rows from the top, each ZeilenLaenge() bytes without padding. 1 bit:
  // leftmost pixel in the highest bit; 24 bits: red, green, blue.
  std::vector<uint8_t> Daten;

  std::size_t ZeilenLaenge() const;
  const uint8_t* Zeile(int32_t y) const { return Daten.data() + ZeilenLaenge() * static_cast<std::size_t>(y); }
  uint8_t* Zeile(int32_t y) { return Daten.data() + ZeilenLaenge() * static_cast<std::size_t>(y); }
  // Palette index of a pixel (1 and 8 bits).
  int Index(int32_t x, int32_t y) const;
  // RGB long of a pixel at any depth.
  int32_t Farbe(int32_t x, int32_t y) const;
  // A consistent buffer: a supported depth, a fitting palette and data size.
  bool Gueltig() const;
};

// Result codes of the image functions (0 success, negative failure); the
// messages belong to error_handler.
namespace vic {
inline constexpr int32_t WertAusserhalb = -1;
inline constexpr int32_t Empfangsfehler = -2;
inline constexpr int32_t DiskVoll = -3;
inline constexpr int32_t NichtOeffnen = -4;
inline constexpr int32_t UngueltigeDaten = -5;
inline constexpr int32_t NichtErstellen = -10;
inline constexpr int32_t UngueltigerDateityp = -11;
inline constexpr int32_t ZuWenigSpeicher = -14;
inline constexpr int32_t Scannerfehler = -19;
inline constexpr int32_t BitsNichtUnterstuetzt = -26;
inline constexpr int32_t KeineDaten = -33;
inline constexpr int32_t Zeitueberschreitung = -34;
inline constexpr int32_t UngueltigerPuffer = -42;
inline constexpr int32_t PapierstauEinzug = -45;
inline constexpr int32_t EinzugDeckelOffen = -46;
inline constexpr int32_t EinzugLeer = -47;
inline constexpr int32_t ModulFehlt = -50;
// Not in the message table on purpose: it shows the catch-all text that no
// scanner was found.
inline constexpr int32_t KeinScanner = -40;
// The user stopped the scan: nothing to report.
inline constexpr int32_t Abgebrochen = -1000;
}  // namespace vic

// Largest picture accepted anywhere (pixels): far above an A3 page at 600 dpi.
inline constexpr int64_t kBildpufferHoechstePixel = int64_t{1} << 28;

// Allocates a zero-filled image (grey palette at 8 bits, black and white at
// 1 bit). Returns 0, -1 for a size or depth out of range, -14 when memory
// runs out; `ziel` is only changed on success.
int32_t BildpufferAnlegen(Bildpuffer& ziel, int32_t breite, int32_t hoehe, int bitsProPixel);

// 1 bit to 8 bits with the same two palette colours.
int32_t Ein1Bit8Bit(const Bildpuffer& quelle, Bildpuffer& ziel);

// 24 bits to an 8-bit image with a palette of at most `farben` colours:
// exact when the picture has no more, else giflib's median cut.
int32_t RgbZuPalette(const Bildpuffer& quelle, Bildpuffer& ziel, int farben);

// Windows bitmap at the picture's own depth (1, 8 or 24 bits), uncompressed.
std::string BmpAusPuffer(const Bildpuffer& bild);

// The picture as a pixel grid of RGB longs.
Bild BildAusPuffer(const Bildpuffer& bild);

}  // namespace vxm
