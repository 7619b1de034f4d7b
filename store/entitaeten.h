// Which Objekt, BE and BN a folder inside the Mandant folder belongs to,
// read from the folder path, and the caption queries for them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vxm {

struct EntitaetsNummern {
  std::string Objekt;  // as written in the folder name; "" when none (or zero)
  std::string Be;
  int32_t Bn = 0;
};

// Numbers from the levels below the Mandant folder (numeric levels only;
// a non-numeric level leaves its number empty, the next level is still read).
// Numeric means plain decimal digits: these texts go into SQL as they stand.
// A folder that is not the Mandant folder or below it (compared without
// regard to case, whole components only) yields no numbers; a BN level
// beyond the 32-bit range counts as none.
EntitaetsNummern NummernAusPfad(const std::string& ordner, const std::string& mandantPfad);

// The caption queries. An empty number, or one that is not plain digits,
// is written as 0 (as the window's reset number fields are).
std::string ObjektSql(const std::string& objekt);
std::string BeSql(const std::string& objekt, const std::string& be);
std::string BnSql(const std::string& objekt, const std::string& be, int32_t bn);

// Case-blind sort of folder names as the tree loader does it (stable for
// names equal without regard to case).
struct OrdnerEintrag {
  std::string Name;
  std::string Pfad;  // with trailing backslash
};
void OrdnerSortieren(std::vector<OrdnerEintrag>& eintraege);

}  // namespace vxm
