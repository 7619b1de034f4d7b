// Type icon of a file, as the file list, the searches and the keyword window
// show it.
#pragma once

#include <cstdint>
#include <string_view>

namespace vxm {

// Icon index for an extension given without the dot, any case: 1 word
// processing, 2 image, 3 other, 4 presentation, 5 spreadsheet, 6 PDF,
// 7 plain text. Callers pass the last three characters of the file name.
int16_t IconSetzen(std::string_view endung);

}  // namespace vxm
