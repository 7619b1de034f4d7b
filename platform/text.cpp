#include "platform/text.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/falltabelle.h"

namespace vxm {

char32_t Utf8Lesen(std::string_view s, std::size_t& i, bool* gueltig) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const auto folge = [&](std::size_t n) {
    if (i + n >= s.size()) return false;
    for (std::size_t k = 1; k <= n; ++k)
      if ((b(k) & 0xC0) != 0x80) return false;
    return true;
  };
  if (gueltig) *gueltig = true;
  const unsigned char b0 = b(0);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  if ((b0 & 0xE0) == 0xC0 && b0 >= 0xC2 && folge(1)) {
    const char32_t c = ((b0 & 0x1Fu) << 6) | (b(1) & 0x3Fu);
    i += 2;
    return c;
  }
  if ((b0 & 0xF0) == 0xE0 && folge(2)) {
    const char32_t c = ((b0 & 0x0Fu) << 12) | ((b(1) & 0x3Fu) << 6) | (b(2) & 0x3Fu);
    if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
      i += 3;
      return c;
    }
  }
  if ((b0 & 0xF8) == 0xF0 && folge(3)) {
    const char32_t c = ((b0 & 0x07u) << 18) | ((b(1) & 0x3Fu) << 12) | ((b(2) & 0x3Fu) << 6) | (b(3) & 0x3Fu);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      i += 4;
      return c;
    }
  }
  if (gueltig) *gueltig = false;
  ++i;
  return b0;
}

void Utf8Anhaengen(char32_t c, std::string& aus) {
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

bool GueltigesUtf8(std::string_view text) {
  bool gueltig = true;
  for (std::size_t i = 0; i < text.size() && gueltig;) Utf8Lesen(text, i, &gueltig);
  return gueltig;
}

std::string_view NaechstesZeichen(std::string_view text, std::size_t& i) {
  const std::size_t start = i;
  Utf8Lesen(text, i);
  return text.substr(start, i - start);
}

std::string_view LetzteZeichen(std::string_view text, std::size_t anzahl) {
  // Walk forward so broken sequences count as the decoder counts them.
  std::vector<std::size_t> anfaenge;
  anfaenge.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    anfaenge.push_back(i);
    Utf8Lesen(text, i);
  }
  if (anzahl >= anfaenge.size()) return text;
  return text.substr(anfaenge[anfaenge.size() - anzahl]);
}

char32_t ZeichenFalten(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  return GrossBuchstabe(KleinBuchstabe(c));
}

namespace {

// Walks the code points of a UTF-8 text; bytes that are not valid UTF-8 are
// handed to `roh` one at a time.
template <typename Zeichen, typename Roh>
void Durchlaufen(std::string_view text, Zeichen zeichen, Roh roh) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t start = i;
    bool gueltig = true;
    const char32_t c = Utf8Lesen(text, i, &gueltig);
    if (gueltig) {
      zeichen(c);
    } else {
      roh(text[start]);
    }
  }
}

template <typename F>
std::string Abbilden(std::string_view text, F f) {
  std::string aus;
  aus.reserve(text.size());
  Durchlaufen(text, [&](char32_t c) { Utf8Anhaengen(f(c), aus); }, [&](char b) { aus += b; });
  return aus;
}

// A text as case-blind comparison keys, one per character, with the byte
// position of each character in the original. A letter's key is the upper
// case of its lower case, so that all its forms ("ſ", "s", "S"; "ς", "σ",
// "Σ"; the Kelvin sign and "k") meet. Bytes that are not valid UTF-8 get keys
// beyond the code-point range and match only themselves.
struct Schluessel {
  std::u32string Zeichen;
  std::vector<std::size_t> Start;
};

Schluessel Schluesselbilden(std::string_view text, bool mitPositionen) {
  Schluessel s;
  s.Zeichen.reserve(text.size());
  if (mitPositionen) s.Start.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t start = i;
    bool gueltig = true;
    const char32_t c = Utf8Lesen(text, i, &gueltig);
    s.Zeichen += gueltig ? ZeichenFalten(c) : 0x110000 + static_cast<unsigned char>(text[start]);
    if (mitPositionen) s.Start.push_back(start);
  }
  return s;
}

// Windows-1252 bytes 0x80..0x9F; 0 marks the five unassigned ones.
constexpr std::array<char16_t, 32> kCp1252Hoch = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

std::string Falten(std::string_view text) {
  std::string aus;
  aus.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {  // the common case, without decoding
      aus += (b >= 'a' && b <= 'z') ? static_cast<char>(b - 32) : static_cast<char>(b);
      ++i;
      continue;
    }
    const std::size_t start = i;
    bool gueltig = true;
    const char32_t c = Utf8Lesen(text, i, &gueltig);
    if (gueltig)
      Utf8Anhaengen(ZeichenFalten(c), aus);
    else
      aus += text[start];
  }
  return aus;
}

std::string Gross(std::string_view text) { return Abbilden(text, GrossBuchstabe); }
std::string Klein(std::string_view text) { return Abbilden(text, KleinBuchstabe); }

bool GleichOhneFall(std::string_view a, std::string_view b) { return Falten(a) == Falten(b); }

bool BeginntMitOhneFall(std::string_view text, std::string_view anfang) {
  return GleichOhneFall(ErsteZeichen(text, Zeichenzahl(anfang)), anfang);
}

bool EnthaeltOhneFall(std::string_view heuhaufen, std::string_view nadel) {
  return Schluesselbilden(heuhaufen, false).Zeichen.find(Schluesselbilden(nadel, false).Zeichen) !=
         std::u32string::npos;
}

std::size_t LetztesVorkommenOhneFall(std::string_view heuhaufen, std::string_view nadel) {
  const Schluessel h = Schluesselbilden(heuhaufen, true);
  const std::size_t k = h.Zeichen.rfind(Schluesselbilden(nadel, false).Zeichen);
  if (k == std::u32string::npos) return std::string::npos;
  return k < h.Start.size() ? h.Start[k] : heuhaufen.size();
}

std::size_t Zeichenzahl(std::string_view text) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size(); ++n) Utf8Lesen(text, i);
  return n;
}

std::string ErsteZeichen(std::string_view text, std::size_t anzahl) {
  std::size_t i = 0;
  for (std::size_t n = 0; n < anzahl && i < text.size(); ++n) Utf8Lesen(text, i);
  return std::string(text.substr(0, i));
}

std::string Cp1252AusUtf8(std::string_view text) {
  std::string aus;
  aus.reserve(text.size());
  auto zeichen = [&](char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      aus += static_cast<char>(c);
      return;
    }
    char ersatz = '?';
    for (std::size_t k = 0; k < kCp1252Hoch.size(); ++k) {
      if (kCp1252Hoch[k] != 0 && kCp1252Hoch[k] == c) {
        ersatz = static_cast<char>(0x80 + k);
        break;
      }
    }
    aus += ersatz;
  };
  Durchlaufen(text, zeichen, [&](char b) { aus += b; });
  return aus;
}

std::string Utf8AusCp1252(std::string_view bytes) {
  std::string aus;
  aus.reserve(bytes.size());
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    char32_t c = b;
    if (b >= 0x80 && b < 0xA0) c = kCp1252Hoch[b - 0x80] ? kCp1252Hoch[b - 0x80] : b;
    Utf8Anhaengen(c, aus);
  }
  return aus;
}

}  // namespace vxm
