#include "platform/jetsql.h"

#include <utility>
#include <vector>

namespace vxm {
namespace {

// --- code points -----------------------------------------------------------

// Decodes one code point at s[i]; a malformed byte is returned as itself
// (marked by `gueltig` = false) and skipped alone.
char32_t Lesen(std::string_view s, std::size_t& i, bool& gueltig) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const auto folge = [&](std::size_t n) {
    if (i + n >= s.size()) return false;
    for (std::size_t k = 1; k <= n; ++k)
      if ((b(k) & 0xC0) != 0x80) return false;
    return true;
  };
  gueltig = true;
  const unsigned char b0 = b(0);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  if ((b0 & 0xE0) == 0xC0 && b0 >= 0xC2 && folge(1)) {
    char32_t c = ((b0 & 0x1Fu) << 6) | (b(1) & 0x3Fu);
    i += 2;
    return c;
  }
  if ((b0 & 0xF0) == 0xE0 && folge(2)) {
    char32_t c = ((b0 & 0x0Fu) << 12) | ((b(1) & 0x3Fu) << 6) | (b(2) & 0x3Fu);
    if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
      i += 3;
      return c;
    }
  }
  if ((b0 & 0xF8) == 0xF0 && folge(3)) {
    char32_t c = ((b0 & 0x07u) << 18) | ((b(1) & 0x3Fu) << 12) | ((b(2) & 0x3Fu) << 6) |
                 (b(3) & 0x3Fu);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      i += 4;
      return c;
    }
  }
  gueltig = false;
  ++i;
  return b0;
}

void Schreiben(char32_t c, std::string& aus) {
  if (c < 0x80) {
    aus += static_cast<char>(c);
  } else if (c < 0x800) {
    aus += static_cast<char>(0xC0 | (c >> 6));
    aus += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    aus += static_cast<char>(0xE0 | (c >> 12));
    aus += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    aus += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    aus += static_cast<char>(0xF0 | (c >> 18));
    aus += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    aus += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    aus += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Upper case of one code point; only pairs of equal UTF-8 length.
char32_t GrossZeichen(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c == 0xFF) return 0x178;
  if (c == 0x130 || c == 0x131) return c;                        // İ ı pair with ASCII i I
  if (c >= 0x100 && c <= 0x137) return c & ~1u;                  // Ā ā ... Ķ ķ
  if (c >= 0x139 && c <= 0x148) return (c & 1u) ? c : c - 1;     // Ĺ ĺ ... Ň ň
  if (c >= 0x14A && c <= 0x177) return c & ~1u;                  // Ŋ ŋ ... Ŷ ŷ
  if (c >= 0x179 && c <= 0x17E) return (c & 1u) ? c : c - 1;     // Ź ź ... Ž ž
  if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? 0x3A3 : c - 32;  // Greek
  if (c >= 0x430 && c <= 0x44F) return c - 32;                   // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  return c;
}

std::vector<char32_t> Zeichen(std::string_view text) {
  std::vector<char32_t> aus;
  aus.reserve(text.size());
  std::size_t i = 0;
  bool gueltig = true;
  while (i < text.size()) {
    char32_t c = Lesen(text, i, gueltig);
    // Invalid bytes are kept apart from real code points.
    aus.push_back(gueltig ? GrossZeichen(c) : (0x110000u + c));
  }
  return aus;
}

// --- Like --------------------------------------------------------------------

struct MusterTeil {
  enum Art { Beliebig, Eins, Ziffer, Genau, Klasse } art = Genau;
  char32_t zeichen = 0;
  std::vector<std::pair<char32_t, char32_t>> bereiche;
  bool negiert = false;

  bool Passt(char32_t c) const {
    switch (art) {
      case Eins: return true;
      case Ziffer: return c >= '0' && c <= '9';
      case Genau: return c == zeichen;
      case Klasse: {
        bool drin = false;
        for (const auto& [von, bis] : bereiche)
          if (c >= von && c <= bis) drin = true;
        return drin != negiert;
      }
      case Beliebig: break;
    }
    return false;
  }
};

std::vector<MusterTeil> MusterUebersetzen(const std::vector<char32_t>& m) {
  std::vector<MusterTeil> teile;
  for (std::size_t i = 0; i < m.size(); ++i) {
    MusterTeil t;
    const char32_t c = m[i];
    if (c == '*') {
      if (!teile.empty() && teile.back().art == MusterTeil::Beliebig) continue;
      t.art = MusterTeil::Beliebig;
    } else if (c == '?') {
      t.art = MusterTeil::Eins;
    } else if (c == '#') {
      t.art = MusterTeil::Ziffer;
    } else if (c == '[') {
      std::size_t ende = i + 1;
      while (ende < m.size() && m[ende] != ']') ++ende;
      if (ende >= m.size()) {  // not closed: an ordinary character
        t.zeichen = c;
      } else {
        std::size_t k = i + 1;
        if (ende - k >= 2 && m[k] == '!') {
          t.negiert = true;
          ++k;
        }
        if (k == ende) {  // "[]" stands for nothing
          i = ende;
          continue;
        }
        t.art = MusterTeil::Klasse;
        for (; k < ende; ++k) {
          if (k + 2 < ende && m[k + 1] == '-') {
            t.bereiche.emplace_back(m[k], m[k + 2]);
            k += 2;
          } else {
            t.bereiche.emplace_back(m[k], m[k]);
          }
        }
        i = ende;
      }
    } else {
      t.zeichen = c;
    }
    teile.push_back(std::move(t));
  }
  return teile;
}

}  // namespace

std::string Falten(std::string_view text) {
  std::string aus;
  aus.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      aus += (b >= 'a' && b <= 'z') ? static_cast<char>(b - 32) : static_cast<char>(b);
      ++i;
      continue;
    }
    const std::size_t start = i;
    bool gueltig = true;
    const char32_t c = Lesen(text, i, gueltig);
    if (gueltig)
      Schreiben(GrossZeichen(c), aus);
    else
      aus += text[start];
  }
  return aus;
}

namespace {
// Primary sort key: folded, with the accented Latin letters on their base
// letter (Ä with A, ß as SS), as a German reader sorts.
std::string Grundform(std::string_view gefaltet) {
  static constexpr const char* kLatein1[] = {
      "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",  // C0-CF
      "D", "N", "O", "O", "O", "O", "O", "",  "O", "U", "U", "U", "U", "Y", "TH", "SS"};  // D0-DF
  std::string aus;
  aus.reserve(gefaltet.size());
  std::size_t i = 0;
  while (i < gefaltet.size()) {
    const std::size_t start = i;
    bool gueltig = true;
    const char32_t c = Lesen(gefaltet, i, gueltig);
    if (gueltig && c >= 0xC0 && c <= 0xDF && c != 0xD7)
      aus += kLatein1[c - 0xC0];
    else if (gueltig && c == 0x178)
      aus += 'Y';
    else
      aus.append(gefaltet.substr(start, i - start));
  }
  return aus;
}
}  // namespace

std::string Sortierform(std::string_view text) { return Grundform(Falten(text)); }

int TextVergleichen(std::string_view a, std::string_view b) {
  const std::string fa = Falten(a), fb = Falten(b);
  if (fa == fb) return 0;
  const int grund = Grundform(fa).compare(Grundform(fb));
  if (grund != 0) return grund < 0 ? -1 : 1;
  return fa < fb ? -1 : 1;
}

bool GleichGefaltet(std::string_view a, std::string_view b) {
  return a.size() == b.size() && Falten(a) == Falten(b);
}

bool JetLike(std::string_view wert, std::string_view muster) {
  const std::vector<char32_t> w = Zeichen(wert);
  const std::vector<MusterTeil> p = MusterUebersetzen(Zeichen(muster));
  std::size_t pi = 0, wi = 0, sternP = std::string::npos, sternW = 0;
  while (wi < w.size()) {
    if (pi < p.size() && p[pi].art == MusterTeil::Beliebig) {
      sternP = pi++;
      sternW = wi;
    } else if (pi < p.size() && p[pi].Passt(w[wi])) {
      ++pi;
      ++wi;
    } else if (sternP != std::string::npos) {
      pi = sternP + 1;
      wi = ++sternW;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi].art == MusterTeil::Beliebig) ++pi;
  return pi == p.size();
}

std::string LikeMaskieren(std::string_view text) {
  std::string aus;
  aus.reserve(text.size());
  for (char c : text) {
    if (c == '*' || c == '?' || c == '#' || c == '[') {
      aus += '[';
      aus += c;
      aus += ']';
    } else {
      aus += c;
    }
  }
  return aus;
}

}  // namespace vxm
