#include "imaging/bildpuffer.h"

#include <algorithm>
#include <array>
#include <new>
#include <unordered_map>

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

// Median cut over a 5-bit-per-channel histogram; each cell keeps the sums of
// its full 8-bit colours so that palette entries are true averages.
struct Zelle {
  uint32_t Anzahl = 0;
  uint64_t Summe[3] = {0, 0, 0};
};

struct Kiste {
  std::vector<uint16_t> Zellen;  // cell numbers rrrrrgggggbbbbb
  uint64_t Gewicht = 0;
  int Spanne = 0;
  int Achse = 0;
};

int Kanal(uint16_t zelle, int achse) { return (zelle >> (10 - 5 * achse)) & 31; }

void KisteVermessen(Kiste& k, const std::vector<Zelle>& zellen) {
  int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
  k.Gewicht = 0;
  for (uint16_t z : k.Zellen) {
    k.Gewicht += zellen[z].Anzahl;
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], Kanal(z, a));
      hi[a] = std::max(hi[a], Kanal(z, a));
    }
  }
  k.Spanne = -1;
  for (int a = 0; a < 3; ++a) {
    if (hi[a] - lo[a] > k.Spanne) {
      k.Spanne = hi[a] - lo[a];
      k.Achse = a;
    }
  }
}

std::vector<int32_t> MedianSchnitt(const std::vector<Zelle>& zellen, int farben) {
  std::vector<Kiste> kisten(1);
  for (std::size_t z = 0; z < zellen.size(); ++z)
    if (zellen[z].Anzahl) kisten[0].Zellen.push_back(static_cast<uint16_t>(z));
  KisteVermessen(kisten[0], zellen);
  while (static_cast<int>(kisten.size()) < farben) {
    // Split the box whose colours spread widest, weighted by its pixels.
    std::size_t beste = kisten.size();
    double bestWert = 0;
    for (std::size_t i = 0; i < kisten.size(); ++i) {
      if (kisten[i].Spanne <= 0 || kisten[i].Zellen.size() < 2) continue;
      const double wert = static_cast<double>(kisten[i].Spanne) * static_cast<double>(kisten[i].Gewicht);
      if (beste == kisten.size() || wert > bestWert) {
        beste = i;
        bestWert = wert;
      }
    }
    if (beste == kisten.size()) break;
    Kiste& k = kisten[beste];
    const int achse = k.Achse;
    std::sort(k.Zellen.begin(), k.Zellen.end(),
              [achse](uint16_t a, uint16_t b) { return Kanal(a, achse) < Kanal(b, achse); });
    uint64_t halb = k.Gewicht / 2, summe = 0;
    std::size_t schnitt = 1;
    for (; schnitt < k.Zellen.size(); ++schnitt) {
      summe += zellen[k.Zellen[schnitt - 1]].Anzahl;
      if (summe >= halb) break;
    }
    schnitt = std::min(schnitt, k.Zellen.size() - 1);
    Kiste neu;
    neu.Zellen.assign(k.Zellen.begin() + static_cast<std::ptrdiff_t>(schnitt), k.Zellen.end());
    k.Zellen.resize(schnitt);
    KisteVermessen(k, zellen);
    KisteVermessen(neu, zellen);
    kisten.push_back(std::move(neu));
  }
  std::vector<int32_t> palette;
  for (const Kiste& k : kisten) {
    uint64_t s[3] = {0, 0, 0}, n = 0;
    for (uint16_t z : k.Zellen) {
      n += zellen[z].Anzahl;
      for (int a = 0; a < 3; ++a) s[a] += zellen[z].Summe[a];
    }
    if (n == 0) continue;
    palette.push_back(RGB(static_cast<int>((s[0] + n / 2) / n), static_cast<int>((s[1] + n / 2) / n),
                          static_cast<int>((s[2] + n / 2) / n)));
  }
  return palette;
}

int Naechste(const std::vector<int32_t>& palette, int r, int g, int b) {
  int beste = 0;
  long bestAbstand = -1;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const auto u = static_cast<uint32_t>(palette[i]);
    const long dr = r - static_cast<int>(u & 0xFF), dg = g - static_cast<int>((u >> 8) & 0xFF),
               db = b - static_cast<int>((u >> 16) & 0xFF);
    const long abstand = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (bestAbstand < 0 || abstand < bestAbstand) {
      bestAbstand = abstand;
      beste = static_cast<int>(i);
    }
  }
  return beste;
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

  std::vector<Zelle> zellen(32768);
  auto zelleVon = [](uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
  };
  for (std::size_t i = 0; i < pixel; ++i) {
    Zelle& z = zellen[zelleVon(d[3 * i], d[3 * i + 1], d[3 * i + 2])];
    ++z.Anzahl;
    z.Summe[0] += d[3 * i];
    z.Summe[1] += d[3 * i + 1];
    z.Summe[2] += d[3 * i + 2];
  }
  const std::vector<int32_t> palette = MedianSchnitt(zellen, farben);
  // Each cell maps to the palette entry nearest to its mean colour.
  std::vector<int16_t> abbildung(32768, -1);
  for (std::size_t i = 0; i < pixel; ++i) {
    const uint16_t c = zelleVon(d[3 * i], d[3 * i + 1], d[3 * i + 2]);
    if (abbildung[c] < 0) {
      const Zelle& z = zellen[c];
      abbildung[c] = static_cast<int16_t>(Naechste(palette, static_cast<int>(z.Summe[0] / z.Anzahl),
                                                   static_cast<int>(z.Summe[1] / z.Anzahl),
                                                   static_cast<int>(z.Summe[2] / z.Anzahl)));
    }
    neu.Daten[i] = static_cast<uint8_t>(abbildung[c]);
  }
  neu.Palette.assign(256, RGB(0, 0, 0));
  std::copy(palette.begin(), palette.end(), neu.Palette.begin());
  ziel = std::move(neu);
  return 0;
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
