// Keyword search over the register: expanding search terms and collecting
// the files that carry any of a set of keywords.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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

// The same, handed to `treffer` row by row while the register is read:
// one query for all keywords, nothing held. Returns the number of files.
// `treffer` must not use `reg`.
std::size_t DateienMitKeywordsLesen(
    Datenbank& reg, const std::vector<int32_t>& ids,
    const std::function<void(int32_t nummer, std::string_view name, std::string_view pfad)>& treffer);

// Case-blind "the first characters of `name` equal `praefix`".
bool BeginntMit(std::string_view name, std::string_view praefix);

}  // namespace vxm
