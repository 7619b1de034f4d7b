#include "keywords/eingabe.h"
#include "platform/text.h"

namespace vxm {

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
    if (!IstBuchstabe(Utf8Lesen(text, i))) return false;
  return true;
}

bool IsAlphaNumeric(std::string_view text) {
  for (std::size_t i = 0; i < text.size();)
    if (!IstBuchstabeOderZiffer(Utf8Lesen(text, i))) return false;
  return true;
}

}  // namespace vxm
