// Child processes with a time limit: Debian's converters for the legacy
// office formats, and the extraction helper of the indexer.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace vxm::volltext {

struct Programmlauf {
  bool Gestartet = false;
  bool Zeitueberschreitung = false;
  int Exitstatus = -1;  // -1 when ended by a signal
  int Signal = 0;
  bool Gekuerzt = false;  // output beyond the limit; the program was stopped
  std::string Ausgabe;    // its standard output
};

// Runs `argumente` (argumente[0] looked up in PATH) with standard input and
// error on /dev/null, in a process group of its own. After `zeit`, or when
// the output passes `maxAusgabe`, the whole group is killed.
Programmlauf ProgrammAusfuehren(const std::vector<std::string>& argumente,
                                std::chrono::milliseconds zeit, std::size_t maxAusgabe);

}  // namespace vxm::volltext
