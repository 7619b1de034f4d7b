// One-to-one case mappings of every Unicode letter that has them. A letter
// whose other form is more than one character (German "ß") stays as it is.
#pragma once

namespace vxm {

char32_t GrossBuchstabe(char32_t c);
char32_t KleinBuchstabe(char32_t c);

}  // namespace vxm
