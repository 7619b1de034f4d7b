#include "platform/jetsql.h"

#include <utility>
#include <vector>

#include "platform/text.h"

namespace vxm {
namespace {

// --- code points -----------------------------------------------------------

// Folded code points; invalid bytes are kept apart from real code points.
std::vector<char32_t> Zeichen(std::string_view text) {
  std::vector<char32_t> aus;
  aus.reserve(text.size());
  std::size_t i = 0;
  bool gueltig = true;
  while (i < text.size()) {
    const char32_t c = Utf8Lesen(text, i, &gueltig);
    aus.push_back(gueltig ? ZeichenFalten(c) : (0x110000u + c));
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
    const char32_t c = Utf8Lesen(gefaltet, i, &gueltig);
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
