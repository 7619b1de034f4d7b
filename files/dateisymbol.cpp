#include "files/dateisymbol.h"

#include <string>

#include "platform/text.h"

namespace vxm {

int16_t IconSetzen(std::string_view endung) {
  const std::string e = Klein(endung);
  if (e == "pdf") return 6;
  if (e == "doc" || e == "dot" || e == "rtf") return 1;
  if (e == "xls" || e == "xlt") return 5;
  if (e == "ppt") return 4;
  if (e == "bmp" || e == "jpg" || e == "gif" || e == "png") return 2;
  if (e == "txt") return 7;
  return 3;
}

}  // namespace vxm
