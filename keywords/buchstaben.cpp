#include "keywords/eingabe.h"

namespace vxm {
namespace {

// Decodes one UTF-8 character; invalid bytes count as themselves (Latin-1).
char32_t Naechstes(std::string_view t, std::size_t& i) {
  const auto b = static_cast<unsigned char>(t[i]);
  int n = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
  if (n < 0 || i + n >= t.size() + (n ? 0 : 1)) {
    ++i;
    return b;
  }
  char32_t z = n == 0 ? b : n == 1 ? (b & 0x1F) : n == 2 ? (b & 0x0F) : (b & 0x07);
  for (int k = 1; k <= n; ++k) {
    const auto f = static_cast<unsigned char>(t[i + k]);
    if ((f & 0xC0) != 0x80) {
      ++i;
      return b;
    }
    z = (z << 6) | (f & 0x3F);
  }
  i += n + 1;
  return z;
}

}  // namespace

bool IstBuchstabe(char32_t z) {
  if ((z >= 'A' && z <= 'Z') || (z >= 'a' && z <= 'z')) return true;
  // Letters of Windows-1252 outside ASCII.
  switch (z) {
    case 0x0160: case 0x0161: case 0x017D: case 0x017E: case 0x0152: case 0x0153: case 0x0178:
    case 0x0192: case 0x00AA: case 0x00B5: case 0x00BA:
      return true;
    default:
      break;
  }
  return (z >= 0xC0 && z <= 0xFF) && z != 0xD7 && z != 0xF7;
}

bool IstBuchstabeOderZiffer(char32_t z) { return IstBuchstabe(z) || (z >= '0' && z <= '9'); }

bool IsAlpha(std::string_view text) {
  for (std::size_t i = 0; i < text.size();)
    if (!IstBuchstabe(Naechstes(text, i))) return false;
  return true;
}

bool IsAlphaNumeric(std::string_view text) {
  for (std::size_t i = 0; i < text.size();)
    if (!IstBuchstabeOderZiffer(Naechstes(text, i))) return false;
  return true;
}

}  // namespace vxm
