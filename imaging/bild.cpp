#include "imaging/bild.h"

#include <cctype>
#include <limits>

#include "platform/dienste.h"
#include "platform/fehler.h"

namespace vxm {
namespace {

constexpr std::uint64_t kHoechstePixelzahl = 1ull << 28;

[[noreturn]] void Ungueltig() { throw VbFehler::Standard(fehlernr::UngueltigesBild); }

uint32_t Le(const std::string& b, std::size_t pos, int bytes) {
  if (pos + bytes > b.size()) Ungueltig();
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[pos + i]);
  return v;
}

// Each side fits the grid's 32-bit size and the pixel count stays bounded;
// checked by division so no product can wrap.
void GroessePruefen(int64_t breite, int64_t hoehe) {
  if (breite <= 0 || hoehe <= 0) Ungueltig();
  if (breite > std::numeric_limits<int32_t>::max() || hoehe > std::numeric_limits<int32_t>::max()) Ungueltig();
  if (static_cast<uint64_t>(breite) > kHoechstePixelzahl / static_cast<uint64_t>(hoehe)) Ungueltig();
}

Bild BmpDekodieren(const std::string& b) {
  const uint32_t datenAnfang = Le(b, 10, 4);
  const uint32_t kopfGroesse = Le(b, 14, 4);
  if (kopfGroesse < 40) Ungueltig();
  const int32_t breite = static_cast<int32_t>(Le(b, 18, 4));
  const int32_t hoeheRoh = static_cast<int32_t>(Le(b, 22, 4));
  const uint32_t bpp = Le(b, 28, 2);
  const uint32_t kompression = Le(b, 30, 4);
  const uint32_t farbenGenutzt = Le(b, 46, 4);
  if (hoeheRoh == std::numeric_limits<int32_t>::min()) Ungueltig();
  const bool vonOben = hoeheRoh < 0;
  const int32_t hoehe = vonOben ? -hoeheRoh : hoeheRoh;
  GroessePruefen(breite, hoehe);
  if (!(kompression == 0 || (kompression == 3 && bpp == 32))) Ungueltig();
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) Ungueltig();

  std::vector<int32_t> palette;
  if (bpp <= 8) {
    const uint32_t anzahl = farbenGenutzt ? farbenGenutzt : (1u << bpp);
    if (anzahl > 256) Ungueltig();
    const std::size_t start = 14 + kopfGroesse;
    for (uint32_t i = 0; i < anzahl; ++i) {
      const std::size_t p = start + std::size_t{4} * i;
      palette.push_back(RGB(static_cast<int>(Le(b, p + 2, 1)), static_cast<int>(Le(b, p + 1, 1)),
                            static_cast<int>(Le(b, p, 1))));
    }
  }
  const std::size_t zeilenLaenge = ((static_cast<std::size_t>(breite) * bpp + 31) / 32) * 4;
  if (datenAnfang + zeilenLaenge * hoehe > b.size()) Ungueltig();

  Bild bild(breite, hoehe);
  for (int32_t zeile = 0; zeile < hoehe; ++zeile) {
    const int32_t y = vonOben ? zeile : hoehe - 1 - zeile;
    const std::size_t z = datenAnfang + zeilenLaenge * zeile;
    for (int32_t x = 0; x < breite; ++x) {
      int32_t farbe = 0;
      if (bpp == 24 || bpp == 32) {
        const std::size_t p = z + static_cast<std::size_t>(x) * (bpp / 8);
        farbe = RGB(static_cast<unsigned char>(b[p + 2]), static_cast<unsigned char>(b[p + 1]),
                    static_cast<unsigned char>(b[p]));
      } else {
        const std::size_t bit = static_cast<std::size_t>(x) * bpp;
        const auto byte = static_cast<unsigned char>(b[z + bit / 8]);
        const unsigned index = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        if (index >= palette.size()) Ungueltig();
        farbe = palette[index];
      }
      bild.At(x, y) = farbe;
    }
  }
  return bild;
}

Bild PnmDekodieren(const std::string& b) {
  const bool farbig = b[1] == '6';
  std::size_t pos = 2;
  auto zahl = [&]() -> int64_t {
    while (pos < b.size()) {
      if (b[pos] == '#') {
        while (pos < b.size() && b[pos] != '\n' && b[pos] != '\r') ++pos;
      } else if (std::isspace(static_cast<unsigned char>(b[pos]))) {
        ++pos;
      } else {
        break;
      }
    }
    int64_t v = 0;
    std::size_t ziffern = 0;
    while (pos < b.size() && std::isdigit(static_cast<unsigned char>(b[pos])) && ziffern < 10) {
      v = v * 10 + (b[pos++] - '0');
      ++ziffern;
    }
    if (ziffern == 0) Ungueltig();
    return v;
  };
  const int64_t breite = zahl();
  const int64_t hoehe = zahl();
  const int64_t hoechstwert = zahl();
  if (pos >= b.size() || !std::isspace(static_cast<unsigned char>(b[pos]))) Ungueltig();
  ++pos;
  GroessePruefen(breite, hoehe);
  if (hoechstwert < 1 || hoechstwert > 255) Ungueltig();
  const std::size_t kanaele = farbig ? 3 : 1;
  if (pos + static_cast<std::size_t>(breite * hoehe) * kanaele > b.size()) Ungueltig();
  Bild bild(static_cast<int32_t>(breite), static_cast<int32_t>(hoehe));
  auto wert = [&](std::size_t p) {
    return static_cast<int>(static_cast<unsigned char>(b[p]) * 255L / hoechstwert);
  };
  for (std::size_t i = 0; i < bild.Pixel.size(); ++i) {
    const std::size_t p = pos + i * kanaele;
    bild.Pixel[i] = farbig ? RGB(wert(p), wert(p + 1), wert(p + 2)) : RGB(wert(p), wert(p), wert(p));
  }
  return bild;
}

void LeSchreiben(std::string& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

Bild::Bild(int32_t breite, int32_t hoehe, int32_t farbe)
    : Breite(breite), Hoehe(hoehe),
      Pixel(static_cast<std::size_t>(breite) * static_cast<std::size_t>(hoehe), farbe) {}

Bild BildDekodieren(const std::string& bytes) {
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return BmpDekodieren(bytes);
  if (bytes.size() >= 2 && bytes[0] == 'P' && (bytes[1] == '5' || bytes[1] == '6'))
    return PnmDekodieren(bytes);
  Ungueltig();
}

Bild BildLaden(const std::string& pfad) { return BildDekodieren(Dienste().Dateien->DateiLesen(pfad)); }

std::string BmpKodieren(const Bild& bild) {
  const std::size_t zeilenLaenge = ((static_cast<std::size_t>(bild.Breite) * 24 + 31) / 32) * 4;
  const auto datenGroesse = static_cast<uint32_t>(zeilenLaenge * bild.Hoehe);
  std::string b = "BM";
  LeSchreiben(b, 54 + datenGroesse, 4);
  LeSchreiben(b, 0, 4);
  LeSchreiben(b, 54, 4);
  LeSchreiben(b, 40, 4);
  LeSchreiben(b, static_cast<uint32_t>(bild.Breite), 4);
  LeSchreiben(b, static_cast<uint32_t>(bild.Hoehe), 4);
  LeSchreiben(b, 1, 2);
  LeSchreiben(b, 24, 2);
  LeSchreiben(b, 0, 4);
  LeSchreiben(b, datenGroesse, 4);
  LeSchreiben(b, 2835, 4);
  LeSchreiben(b, 2835, 4);
  LeSchreiben(b, 0, 4);
  LeSchreiben(b, 0, 4);
  for (int32_t y = bild.Hoehe - 1; y >= 0; --y) {
    std::size_t start = b.size();
    for (int32_t x = 0; x < bild.Breite; ++x) {
      const int32_t f = bild.At(x, y);
      b += static_cast<char>((f >> 16) & 0xFF);
      b += static_cast<char>((f >> 8) & 0xFF);
      b += static_cast<char>(f & 0xFF);
    }
    while (b.size() - start < zeilenLaenge) b += '\0';
  }
  return b;
}

}  // namespace vxm
