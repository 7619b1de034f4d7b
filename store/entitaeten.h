// Which Objekt, BE and BN a folder inside the Mandant folder belongs to,
// read from the folder path, and the caption queries for them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vxm {

struct EntitaetsNummern {
  std::string Objekt;  // as written in the folder name; "" when none
  std::string Be;
  int32_t Bn = 0;
};

// Numbers from the levels below the Mandant folder (numeric levels only;
// a non-numeric level leaves its number empty, the next level is still read).
EntitaetsNummern NummernAusPfad(const std::string& ordner, const std::string& mandantPfad);

// Case-blind sort of folder names as the tree loader does it (stable for
// names equal without regard to case).
struct OrdnerEintrag {
  std::string Name;
  std::string Pfad;  // with trailing backslash
};
void OrdnerSortieren(std::vector<OrdnerEintrag>& eintraege);

}  // namespace vxm

namespace vxm {

// The caption queries, with the numbers as they stand in the folder names.
std::string ObjektSql(const std::string& objekt);
std::string BeSql(const std::string& objekt, const std::string& be);
std::string BnSql(const std::string& objekt, const std::string& be, int32_t bn);

}  // namespace vxm
