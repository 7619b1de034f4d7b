// Preview of picture files, stretched to the box.
#pragma once

#include <string>

class QLabel;

namespace vxm {

// Shows the picture file `name` of `ordner` in the box, decoded at the box's
// size where the format allows; a file that is no picture empties and hides
// the box and gives false.
bool BildInBoxZeigen(QLabel& box, const std::string& ordner, const std::string& name);

}  // namespace vxm
