// Counts and size of a folder for its properties window.
#pragma once

#include <cstdint>
#include <string>

namespace vxm {

// Subfolders and files of every level below `pfad` (the folder itself not
// counted) and the total size of its files. A missing folder leaves the
// outputs as they are. Folders that cannot be read are passed over and
// counted in `ungelesen`; counts stop at the 32-bit limit.
void OrdnerStatistik(std::string pfad, int32_t& unterordner, int32_t& dateien, double& groesse,
                     int32_t* ungelesen = nullptr);

// The recursive step: for each subfolder of `ordner`, first its own
// subfolders, then its counts are added.
void OrdnerZaehlen(const std::string& ordner, int32_t& unterordner, int32_t& dateien, double& groesse,
                   int32_t* ungelesen = nullptr);

}  // namespace vxm
