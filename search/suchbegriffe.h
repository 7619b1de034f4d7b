// Keyword search over the register: expanding search terms and collecting
// the files that carry any of a set of keywords.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "keywords/registerzugriff.h"

namespace vxm {

class Datenbank;

// Names of every keyword (table order) whose name begins with `praefix`
// without regard to case; empty names are left out.
std::vector<std::string> KeywordsMitPraefix(Datenbank& reg, std::string_view praefix);

// The files that carry at least one of the keywords, each once, ordered by
// Dateinummer. Ids of 0 are ignored.
std::vector<RegisterTreffer> DateienMitKeywords(Datenbank& reg, const std::vector<int32_t>& ids);

// Case-blind "the first characters of `name` equal `praefix`".
bool BeginntMit(std::string_view name, std::string_view praefix);

}  // namespace vxm
