// A fast walk over every file below a folder of the store: one directory
// read per folder and one stat per entry, with size and time, the folder in
// Windows form and folded. Used where the store is searched for moved files.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "files/fingerabdruck.h"

namespace vxm {

struct LaufDatei {
  std::string_view Ordner;       // Windows form, no final "\"
  std::string_view OrdnerFalte;  // Falten(Ordner)
  std::string_view Name;         // as on disk
  const std::filesystem::path* HostOrdner;
  DateiStand Stand;
};

struct LaufErgebnis {
  std::size_t Dateien = 0;
  std::vector<std::string> Luecken;  // folders (Windows form) that could not be read
  bool Gefunden = true;              // false when the start folder is not there
};

// Walks `windowsWurzel` (resolved through the drive table). Sub-folders that
// are symbolic links are not entered (they may lead in circles or out of the
// store); names no Windows path can hold (with "\") and our own unfinished
// writes (".~vxm...") are left out, as the file list leaves them out.
LaufErgebnis BestandLaufen(const std::string& windowsWurzel, const std::function<void(const LaufDatei&)>& jeDatei);
// The same for a start folder already resolved to `host`: asks no platform
// service, so it may run on a worker thread.
LaufErgebnis BestandLaufen(const std::filesystem::path& host, const std::string& windowsWurzel,
                           const std::function<void(const LaufDatei&)>& jeDatei);
// The same on `faeden` threads (the calling one among them): the walk is
// mostly system calls, which one thread cannot spread over the cores.
// jeDatei runs on all of them at once and gets the number of its thread
// (below `faeden`); the files of one folder come one after another from one
// thread. Luecken come sorted. The first exception thrown by jeDatei stops
// the walk and is raised here.
LaufErgebnis BestandLaufen(const std::filesystem::path& host, const std::string& windowsWurzel, std::size_t faeden,
                           const std::function<void(std::size_t faden, const LaufDatei&)>& jeDatei);

}  // namespace vxm
