// Where the command-line tools search and index when no folder is given,
// and the check of a folder that is given.
#pragma once

#include <string>

#include "platform/laufwerke.h"
#include "platform/text.h"

namespace vxm {

// The document store beside the register ("…\VXMDAT\vxmdok.mdb" gives
// "…\VXMDOK"), as the window searches it; without one, the root of the
// first drive. The databases and the index beside them are no documents.
inline std::string StandardOrdner(const Laufwerkstabelle& laufwerke, const std::string& register_) {
  const auto strich = register_.rfind('\\');
  if (strich != std::string::npos) {
    const std::string daten = register_.substr(0, strich);
    const auto oben = daten.rfind('\\');
    if (oben != std::string::npos && GleichOhneFall(daten.substr(oben + 1), "VXMDAT")) {
      const std::string ablage = daten.substr(0, oben) + "\\VXMDOK";
      try {
        if (std::filesystem::is_directory(laufwerke.Aufloesen(ablage).Host)) return ablage;
      } catch (const std::exception&) {
        // a drive the table does not know: the first drive's root
      }
    }
  }
  return laufwerke.AktuellerOrdner();
}

// A folder or file the caller named must be there: a typing error must not
// turn into a run over another folder, or a new index beside nothing.
inline bool OrdnerDa(const Laufwerkstabelle& laufwerke, const std::string& ordner) {
  try {
    return std::filesystem::is_directory(laufwerke.Aufloesen(ordner).Host);
  } catch (const std::exception&) {
    return false;
  }
}
inline bool DateiDa(const Laufwerkstabelle& laufwerke, const std::string& datei) {
  try {
    return std::filesystem::is_regular_file(laufwerke.Aufloesen(datei).Host);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace vxm
