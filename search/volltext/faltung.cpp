#include "search/volltext/faltung.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/falltabelle.h"
#include "platform/text.h"

namespace vxm::volltext {
namespace {

// Base letters of the Latin letters with diacritics (U+00C0..U+024F and
// U+1E00..U+1EFF); "" where a character has none.
constexpr const char* kLatein[400] = {"a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e",
    "i", "i", "i", "i", "d", "n", "o", "o", "o", "o", "o", "", "o", "u", "u", "u", "u", "y", "th",
    "ss", "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i", "d", "n",
    "o", "o", "o", "o", "o", "", "o", "u", "u", "u", "u", "y", "th", "y", "a", "a", "a", "a", "a",
    "a", "c", "c", "c", "c", "c", "c", "c", "c", "d", "d", "d", "d", "e", "e", "e", "e", "e", "e",
    "e", "e", "e", "e", "g", "g", "g", "g", "g", "g", "g", "g", "h", "h", "h", "h", "i", "i", "i",
    "i", "i", "i", "i", "i", "i", "i", "", "", "j", "j", "k", "k", "", "l", "l", "l", "l", "l", "l",
    "", "", "l", "l", "n", "n", "n", "n", "n", "n", "", "", "", "o", "o", "o", "o", "o", "o", "oe",
    "oe", "r", "r", "r", "r", "r", "r", "s", "s", "s", "s", "s", "s", "s", "s", "t", "t", "t", "t",
    "", "", "u", "u", "u", "u", "u", "u", "u", "u", "u", "u", "u", "u", "w", "w", "y", "y", "y",
    "z", "z", "z", "z", "z", "z", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "o", "o", "", "", "", "",
    "", "", "", "", "", "", "", "", "", "u", "u", "", "", "", "", "", "", "", "", "", "", "", "",
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "a", "a", "i", "i", "o", "o",
    "u", "u", "u", "u", "u", "u", "u", "u", "u", "u", "", "a", "a", "a", "a", "", "", "", "", "g",
    "g", "k", "k", "o", "o", "o", "o", "", "", "j", "", "", "", "g", "g", "", "", "n", "n", "a",
    "a", "", "", "", "", "a", "a", "a", "a", "e", "e", "e", "e", "i", "i", "i", "i", "o", "o", "o",
    "o", "r", "r", "r", "r", "u", "u", "u", "u", "s", "s", "t", "t", "", "", "h", "h", "", "", "",
    "", "", "", "a", "a", "e", "e", "o", "o", "o", "o", "o", "o", "o", "o", "y", "y", "", "", "",
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
    ""};
constexpr const char* kLateinZusatz[256] = {"a", "a", "b", "b", "b", "b", "b", "b", "c", "c", "d",
    "d", "d", "d", "d", "d", "d", "d", "d", "d", "e", "e", "e", "e", "e", "e", "e", "e", "e", "e",
    "f", "f", "g", "g", "h", "h", "h", "h", "h", "h", "h", "h", "h", "h", "i", "i", "i", "i", "k",
    "k", "k", "k", "k", "k", "l", "l", "l", "l", "l", "l", "l", "l", "m", "m", "m", "m", "m", "m",
    "n", "n", "n", "n", "n", "n", "n", "n", "o", "o", "o", "o", "o", "o", "o", "o", "p", "p", "p",
    "p", "r", "r", "r", "r", "r", "r", "r", "r", "s", "s", "s", "s", "s", "s", "s", "s", "s", "s",
    "t", "t", "t", "t", "t", "t", "t", "t", "u", "u", "u", "u", "u", "u", "u", "u", "u", "u", "v",
    "v", "v", "v", "w", "w", "w", "w", "w", "w", "w", "w", "w", "w", "x", "x", "x", "x", "y", "y",
    "z", "z", "z", "z", "z", "z", "h", "t", "w", "y", "", "", "", "", "ss", "", "a", "a", "a", "a",
    "a", "a", "a", "a", "a", "a", "a", "a", "a", "a", "a", "a", "a", "a", "a", "a", "a", "a", "a",
    "a", "e", "e", "e", "e", "e", "e", "e", "e", "e", "e", "e", "e", "e", "e", "e", "e", "i", "i",
    "i", "i", "o", "o", "o", "o", "o", "o", "o", "o", "o", "o", "o", "o", "o", "o", "o", "o", "o",
    "o", "o", "o", "o", "o", "o", "o", "u", "u", "u", "u", "u", "u", "u", "u", "u", "u", "u", "u",
    "u", "u", "y", "y", "y", "y", "y", "y", "y", "y", "", "", "", "", "", ""};

// Windows-1252 bytes 0x80..0x9F (0 for the five unassigned ones).
constexpr char16_t kCp1252Hoch[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t AusCp1252(unsigned char b) {
  if (b >= 0x80 && b <= 0x9F) {
    const char16_t c = kCp1252Hoch[b - 0x80];
    return c ? c : 0xFFFD;
  }
  return b;
}

// One code point at s[i]; false (and nothing consumed) for a byte that does
// not start a valid UTF-8 sequence.
bool Utf8Zeichen(std::string_view s, std::size_t i, char32_t& c, std::size_t& laenge) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    c = b0;
    laenge = 1;
    return true;
  }
  std::size_t n;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 1, c = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    n = 2, c = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 3, c = b0 & 0x07, min = 0x10000;
  } else {
    return false;
  }
  if (s.size() - i <= n) return false;
  for (std::size_t k = 1; k <= n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return false;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  laenge = n + 1;
  return true;
}

void Kodieren(char32_t c, std::string& aus) {
  ::vxm::Utf8Anhaengen(c, aus);
}

bool Leerraum(char32_t c) {
  return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
         c == 0x205F || c == 0x3000 || c < 0x20 || c == 0x7F;
}

bool Unsichtbar(char32_t c) {
  return c == 0xAD || (c >= 0x200B && c <= 0x200D) || c == 0x2060 || c == 0xFEFF;
}

const char* Ligatur(char32_t c) {
  switch (c) {
    case 0xFB00: return "ff";
    case 0xFB01: return "fi";
    case 0xFB02: return "fl";
    case 0xFB03: return "ffi";
    case 0xFB04: return "ffl";
    case 0xFB05:
    case 0xFB06: return "st";
    default: return nullptr;
  }
}

// The folded form of the character at s[i] (as FaltenKern writes it):
// into `o`, its length as the result; `laenge` gets the bytes consumed.
// `blank` is the state of FaltenKern: the last byte written was a blank.
std::size_t ZeichenFalten(std::string_view s, std::size_t i, bool& blank, char (&o)[8], std::size_t& laenge) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (b > 0x20 && b < 0x7F) {
    o[0] = static_cast<char>(b >= 'A' && b <= 'Z' ? b | 0x20 : b);
    laenge = 1;
    blank = false;
    return 1;
  }
  char32_t c;
  if (!Utf8Zeichen(s, i, c, laenge)) {
    c = AusCp1252(b);
    laenge = 1;
  }
  if (Leerraum(c)) {
    if (blank) return 0;
    blank = true;
    o[0] = ' ';
    return 1;
  }
  if (Unsichtbar(c)) return 0;
  blank = false;
  const char* t = Ligatur(c);
  if (!t) {
    c = KleinBuchstabe(GrossBuchstabe(c));
    if (c >= 0xC0 && c < 0x250) {
      t = kLatein[c - 0xC0];
    } else if (c >= 0x1E00 && c < 0x1F00) {
      t = kLateinZusatz[c - 0x1E00];
    }
  }
  if (t && *t) {
    const std::size_t n = std::strlen(t);
    std::memcpy(o, t, n);
    return n;
  }
  std::string puffer;
  Kodieren(c, puffer);
  std::memcpy(o, puffer.data(), puffer.size());
  return puffer.size();
}

template <bool kMitHerkunft>
std::string FaltenKern(std::string_view s, std::vector<std::uint32_t>* herkunft) {
  // Written through a pointer into a buffer that grows on demand: this runs
  // over every text the index takes in.
  std::string aus(s.size() + 64, '\0');
  char* w = aus.data();
  char* ende = w + aus.size();
  if constexpr (kMitHerkunft) {
    herkunft->clear();
    herkunft->reserve(s.size() + 1);
  }
  auto platz = [&](std::size_t n) {
    if (static_cast<std::size_t>(ende - w) < n) {
      const std::size_t pos = static_cast<std::size_t>(w - aus.data());
      aus.resize(aus.size() * 2 + n);
      w = aus.data() + pos;
      ende = aus.data() + aus.size();
    }
  };
  bool blank = false;  // the last byte written is a blank
  auto schreiben = [&](std::string_view teil, std::size_t von) {
    platz(teil.size());
    std::memcpy(w, teil.data(), teil.size());
    w += teil.size();
    if constexpr (kMitHerkunft) herkunft->insert(herkunft->end(), teil.size(), static_cast<std::uint32_t>(von));
    blank = false;
  };
  auto leer = [&](std::size_t von) {
    if (blank) return;
    platz(1);
    *w++ = ' ';
    if constexpr (kMitHerkunft) herkunft->push_back(static_cast<std::uint32_t>(von));
    blank = true;
  };
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  std::string puffer;
  for (std::size_t i = 0; i < n;) {
    // Runs of printable ASCII: lower-cased as they are.
    if (p[i] > 0x20 && p[i] < 0x7F) {
      std::size_t j = i;
      while (j < n && p[j] > 0x20 && p[j] < 0x7F) ++j;
      platz(j - i);
      for (std::size_t k = i; k < j; ++k) {
        const unsigned char b = p[k];
        *w++ = static_cast<char>(b >= 'A' && b <= 'Z' ? b | 0x20 : b);
        if constexpr (kMitHerkunft) herkunft->push_back(static_cast<std::uint32_t>(k));
      }
      blank = false;
      i = j;
      continue;
    }
    const auto b = p[i];
    const std::size_t von = i;
    char32_t c;
    std::size_t laenge;
    if (!Utf8Zeichen(s, i, c, laenge)) {
      c = AusCp1252(b);
      laenge = 1;
    }
    i += laenge;
    if (Leerraum(c)) {
      leer(von);
      continue;
    }
    if (Unsichtbar(c)) continue;
    if (const char* lig = Ligatur(c)) {
      schreiben(lig, von);
      continue;
    }
    c = KleinBuchstabe(GrossBuchstabe(c));
    const char* basis = nullptr;
    if (c >= 0xC0 && c < 0x250) {
      basis = kLatein[c - 0xC0];
    } else if (c >= 0x1E00 && c < 0x1F00) {
      basis = kLateinZusatz[c - 0x1E00];
    }
    if (basis && *basis) {
      schreiben(basis, von);
      continue;
    }
    puffer.clear();
    Kodieren(c, puffer);
    schreiben(puffer, von);
  }
  aus.resize(static_cast<std::size_t>(w - aus.data()));
  if constexpr (kMitHerkunft) herkunft->push_back(static_cast<std::uint32_t>(s.size()));
  return aus;
}

}  // namespace

std::string Falten(std::string_view text) { return FaltenKern<false>(text, nullptr); }

std::string Falten(std::string_view text, std::vector<std::uint32_t>& herkunft) {
  return FaltenKern<true>(text, &herkunft);
}

Faltsucher::Faltsucher(std::string gefaltet) : p_(std::move(gefaltet)) {
  if (p_.empty()) return;
  const auto p0 = static_cast<unsigned char>(p_[0]);
  // An ASCII byte folds to itself lower-cased; every other character is
  // looked at (its folded form may hold the byte anywhere: "ß" is "ss").
  for (int b = 0x80; b < 0x100; ++b) interessant_[b] = true;
  for (int b = 0; b < 0x80; ++b) {
    const bool druckbar = b > 0x20 && b < 0x7F;
    const int f = b >= 'A' && b <= 'Z' ? b | 0x20 : b;
    interessant_[b] = druckbar ? f == p0 : p0 == ' ';
  }
  int ascii = 0;
  for (int b = 0; b < 0x80; ++b)
    if (interessant_[b]) anfang_[ascii < 2 ? ascii : 1] = static_cast<unsigned char>(b), ++ascii;
  if (ascii == 1) anfang_[1] = anfang_[0];
  breit_ = ascii >= 1 && ascii <= 2;
  // An ASCII start folds to one byte, so the next raw byte, when printable
  // ASCII, must fold to the phrase's second byte.
  const auto p1 = p_.size() > 1 ? static_cast<unsigned char>(p_[1]) : 0;
  const bool druckbar1 = p1 > 0x20 && p1 < 0x7F;
  folge_[0] = druckbar1 ? p1 : 0;
  folge_[1] = druckbar1 && p1 >= 'a' && p1 <= 'z' ? static_cast<unsigned char>(p1 - 0x20) : folge_[0];
}

std::size_t Faltsucher::NaechsterAnfang(const unsigned char* d, std::size_t i, std::size_t n) const {
#if defined(__SSE2__)
  if (breit_) {
    const __m128i a = _mm_set1_epi8(static_cast<char>(anfang_[0])), b = _mm_set1_epi8(static_cast<char>(anfang_[1]));
    const __m128i c = _mm_set1_epi8(static_cast<char>(folge_[0])), g = _mm_set1_epi8(static_cast<char>(folge_[1]));
    const __m128i leer = _mm_set1_epi8(0x21), entf = _mm_set1_epi8(0x7F);
    for (; i + 17 <= n; i += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
      const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + 1));
      // A start byte followed by a byte that may continue (signed: beyond
      // ASCII counts as below 0x21), and every byte with its high bit set.
      const __m128i start = _mm_or_si128(_mm_cmpeq_epi8(x, a), _mm_cmpeq_epi8(x, b));
      const __m128i folge = p_.size() < 2 ? _mm_set1_epi8(-1)
                                          : _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(y, c), _mm_cmpeq_epi8(y, g)),
                                                         _mm_or_si128(_mm_cmplt_epi8(y, leer), _mm_cmpeq_epi8(y, entf)));
      const int treffer = _mm_movemask_epi8(_mm_and_si128(start, folge)) | _mm_movemask_epi8(x);
      if (treffer) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(treffer)));
    }
  }
#endif
  while (i < n && !interessant_[d[i]]) ++i;
  return i;
}

bool Faltsucher::Weiter(std::string_view text, std::size_t i, std::size_t k, bool blank, std::size_t& bis) const {
  char o[8];
  while (k < p_.size()) {
    if (i >= text.size()) return false;
    std::size_t laenge;
    const std::size_t n = ZeichenFalten(text, i, blank, o, laenge);
    const std::size_t m = std::min(n, p_.size() - k);
    if (std::memcmp(o, p_.data() + k, m) != 0) return false;
    k += m;
    i += laenge;
  }
  bis = i;
  return true;
}

bool Faltsucher::Finden(std::string_view text, std::size_t& von, std::size_t& bis) const {
  if (p_.empty()) return false;
  const auto* d = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  const bool fuehrendLeer = p_[0] == ' ';
  bool blank = false;  // FaltenKern's state; only a phrase beginning with a blank needs it
  char o[8];
  for (std::size_t i = 0; i < n;) {
    if (!fuehrendLeer) {
      // Skip what cannot begin a match: ASCII bytes that fold to another byte.
      i = NaechsterAnfang(d, i, n);
      if (i >= n) return false;
    }
    std::size_t laenge;
    bool b = blank;
    const std::size_t m = ZeichenFalten(text, i, b, o, laenge);
    for (std::size_t j = 0; j < m; ++j) {
      if (o[j] != p_[0]) continue;
      // The character's own folded form, from byte j on, then the next ones.
      const std::size_t passt = std::min(m - j, p_.size());
      if (std::memcmp(o + j, p_.data(), passt) != 0) continue;
      std::size_t ende = i + laenge;
      if (passt == p_.size() || Weiter(text, ende, passt, b, ende)) {
        von = i;
        bis = ende;
        return true;
      }
    }
    blank = b;
    i += laenge;
  }
  return false;
}

std::size_t Zeichen(std::string_view s) {
  std::size_t n = 0;
  for (const char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

bool Wortzeichen(std::string_view s, std::size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  return b >= 0x80 || (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
}

std::string AlsUtf8(std::string_view s) {
  std::string aus;
  aus.reserve(s.size() + s.size() / 8);
  for (std::size_t i = 0; i < s.size();) {
    char32_t c;
    std::size_t laenge;
    if (Utf8Zeichen(s, i, c, laenge)) {
      aus.append(s.data() + i, laenge);
      i += laenge;
    } else {
      Kodieren(AusCp1252(static_cast<unsigned char>(s[i])), aus);
      ++i;
    }
  }
  return aus;
}

}  // namespace vxm::volltext
