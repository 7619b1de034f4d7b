#include "imaging/bildpuffer.h"

#include <algorithm>
#include <array>
#include <new>
#include <unordered_map>

#ifdef VXM_MIT_GIF
#include <gif_lib.h>
#endif

namespace vxm {
namespace {

std::vector<int32_t> Graustufen() {
  std::vector<int32_t> p(256);
  for (int i = 0; i < 256; ++i) p[i] = RGB(i, i, i);
  return p;
}

void LeSchreiben(std::string& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

std::size_t Bildpuffer::ZeilenLaenge() const {
  return (static_cast<std::size_t>(Breite) * static_cast<std::size_t>(BitsProPixel) + 7) / 8;
}

int Bildpuffer::Index(int32_t x, int32_t y) const {
  const uint8_t* z = Zeile(y);
  if (BitsProPixel == 1) return (z[x / 8] >> (7 - x % 8)) & 1;
  return z[x];
}

int32_t Bildpuffer::Farbe(int32_t x, int32_t y) const {
  if (BitsProPixel == 24) {
    const uint8_t* p = Zeile(y) + 3 * static_cast<std::size_t>(x);
    return RGB(p[0], p[1], p[2]);
  }
  return Palette[static_cast<std::size_t>(Index(x, y))];
}

bool Bildpuffer::Gueltig() const {
  if (Breite <= 0 || Hoehe <= 0) return false;
  if (static_cast<int64_t>(Breite) * Hoehe > kBildpufferHoechstePixel) return false;
  if (BitsProPixel == 1 && Palette.size() != 2) return false;
  if (BitsProPixel == 8 && Palette.size() != 256) return false;
  if (BitsProPixel == 24 && !Palette.empty()) return false;
  if (BitsProPixel != 1 && BitsProPixel != 8 && BitsProPixel != 24) return false;
  return Daten.size() == ZeilenLaenge() * static_cast<std::size_t>(Hoehe);
}

int32_t BildpufferAnlegen(Bildpuffer& ziel, int32_t breite, int32_t hoehe, int bitsProPixel) {
  if (breite <= 0 || hoehe <= 0 || static_cast<int64_t>(breite) * hoehe > kBildpufferHoechstePixel)
    return vic::WertAusserhalb;
  if (bitsProPixel != 1 && bitsProPixel != 8 && bitsProPixel != 24) return vic::BitsNichtUnterstuetzt;
  Bildpuffer neu;
  neu.Breite = breite;
  neu.Hoehe = hoehe;
  neu.BitsProPixel = bitsProPixel;
  if (bitsProPixel == 8) neu.Palette = Graustufen();
  if (bitsProPixel == 1) neu.Palette = {RGB(0, 0, 0), RGB(255, 255, 255)};
  try {
    neu.Daten.assign(neu.ZeilenLaenge() * static_cast<std::size_t>(hoehe), 0);
  } catch (const std::bad_alloc&) {
    return vic::ZuWenigSpeicher;
  }
  ziel = std::move(neu);
  return 0;
}

int32_t Ein1Bit8Bit(const Bildpuffer& quelle, Bildpuffer& ziel) {
  if (!quelle.Gueltig()) return vic::UngueltigerPuffer;
  if (quelle.BitsProPixel != 1) return vic::BitsNichtUnterstuetzt;
  Bildpuffer neu;
  if (const int32_t r = BildpufferAnlegen(neu, quelle.Breite, quelle.Hoehe, 8)) return r;
  neu.Palette.assign(256, RGB(0, 0, 0));
  neu.Palette[0] = quelle.Palette[0];
  neu.Palette[1] = quelle.Palette[1];
  for (int32_t y = 0; y < quelle.Hoehe; ++y) {
    uint8_t* z = neu.Zeile(y);
    for (int32_t x = 0; x < quelle.Breite; ++x) z[x] = static_cast<uint8_t>(quelle.Index(x, y));
  }
  ziel = std::move(neu);
  return 0;
}

int32_t RgbZuPalette(const Bildpuffer& quelle, Bildpuffer& ziel, int farben) {
  if (!quelle.Gueltig()) return vic::UngueltigerPuffer;
  if (quelle.BitsProPixel != 24) return vic::BitsNichtUnterstuetzt;
  if (farben < 2 || farben > 256) return vic::WertAusserhalb;
  Bildpuffer neu;
  if (const int32_t r = BildpufferAnlegen(neu, quelle.Breite, quelle.Hoehe, 8)) return r;
  const std::size_t pixel = static_cast<std::size_t>(quelle.Breite) * static_cast<std::size_t>(quelle.Hoehe);
  const uint8_t* d = quelle.Daten.data();

  // Few colours (a drawing, a lineart page) keep their exact values.
  std::unordered_map<uint32_t, uint8_t> genau;
  for (std::size_t i = 0; i < pixel && genau.size() <= static_cast<std::size_t>(farben); ++i) {
    const uint32_t f = static_cast<uint32_t>(RGB(d[3 * i], d[3 * i + 1], d[3 * i + 2]));
    genau.try_emplace(f, static_cast<uint8_t>(genau.size() & 0xFF));
  }
  if (genau.size() <= static_cast<std::size_t>(farben)) {
    neu.Palette.assign(256, RGB(0, 0, 0));
    for (const auto& [f, i] : genau) neu.Palette[i] = static_cast<int32_t>(f);
    for (std::size_t i = 0; i < pixel; ++i)
      neu.Daten[i] = genau.at(static_cast<uint32_t>(RGB(d[3 * i], d[3 * i + 1], d[3 * i + 2])));
    ziel = std::move(neu);
    return 0;
  }

#ifdef VXM_MIT_GIF
  // Many colours: giflib's median cut over the three colour planes.
  std::vector<GifByteType> rot(pixel), gruen(pixel), blau(pixel);
  for (std::size_t i = 0; i < pixel; ++i) {
    rot[i] = d[3 * i];
    gruen[i] = d[3 * i + 1];
    blau[i] = d[3 * i + 2];
  }
  int groesse = farben;
  std::vector<GifColorType> karte(256);
  if (GifQuantizeBuffer(static_cast<unsigned>(quelle.Breite), static_cast<unsigned>(quelle.Hoehe), &groesse,
                        rot.data(), gruen.data(), blau.data(), neu.Daten.data(), karte.data()) != GIF_OK)
    return vic::ZuWenigSpeicher;  // its only failure is an allocation
  neu.Palette.assign(256, RGB(0, 0, 0));
  for (int i = 0; i < groesse && i < 256; ++i) neu.Palette[i] = RGB(karte[i].Red, karte[i].Green, karte[i].Blue);
  ziel = std::move(neu);
  return 0;
#else
  return vic::BitsNichtUnterstuetzt;
#endif
}

std::string BmpAusPuffer(const Bildpuffer& bild) {
  const int bpp = bild.BitsProPixel;
  const std::size_t farben = bpp == 24 ? 0 : bild.Palette.size();
  const std::size_t zeilenLaenge = ((static_cast<std::size_t>(bild.Breite) * bpp + 31) / 32) * 4;
  const std::size_t datenAnfang = 54 + 4 * farben;
  const std::size_t datenGroesse = zeilenLaenge * static_cast<std::size_t>(bild.Hoehe);
  std::string b;
  b.reserve(datenAnfang + datenGroesse);
  b += "BM";
  LeSchreiben(b, static_cast<uint32_t>(datenAnfang + datenGroesse), 4);
  LeSchreiben(b, 0, 4);
  LeSchreiben(b, static_cast<uint32_t>(datenAnfang), 4);
  LeSchreiben(b, 40, 4);
  LeSchreiben(b, static_cast<uint32_t>(bild.Breite), 4);
  LeSchreiben(b, static_cast<uint32_t>(bild.Hoehe), 4);
  LeSchreiben(b, 1, 2);
  LeSchreiben(b, static_cast<uint32_t>(bpp), 2);
  LeSchreiben(b, 0, 4);
  LeSchreiben(b, static_cast<uint32_t>(datenGroesse), 4);
  LeSchreiben(b, 2835, 4);
  LeSchreiben(b, 2835, 4);
  LeSchreiben(b, static_cast<uint32_t>(farben), 4);
  LeSchreiben(b, 0, 4);
  for (int32_t f : bild.Palette) {
    const auto u = static_cast<uint32_t>(f);
    b += static_cast<char>((u >> 16) & 0xFF);
    b += static_cast<char>((u >> 8) & 0xFF);
    b += static_cast<char>(u & 0xFF);
    b += '\0';
  }
  const std::size_t nutz = bild.ZeilenLaenge();
  for (int32_t y = bild.Hoehe - 1; y >= 0; --y) {
    const uint8_t* z = bild.Zeile(y);
    if (bpp == 24) {
      for (int32_t x = 0; x < bild.Breite; ++x) {
        const uint8_t* p = z + 3 * static_cast<std::size_t>(x);
        b += static_cast<char>(p[2]);
        b += static_cast<char>(p[1]);
        b += static_cast<char>(p[0]);
      }
    } else {
      b.append(reinterpret_cast<const char*>(z), nutz);
    }
    b.append(zeilenLaenge - nutz, '\0');
  }
  return b;
}

Bild BildAusPuffer(const Bildpuffer& bild) {
  Bild aus(bild.Breite, bild.Hoehe);
  for (int32_t y = 0; y < bild.Hoehe; ++y)
    for (int32_t x = 0; x < bild.Breite; ++x) aus.At(x, y) = bild.Farbe(x, y);
  return aus;
}

}  // namespace vxm
