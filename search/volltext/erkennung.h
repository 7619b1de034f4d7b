// Recognition of the pictures and scans an indexer run leaves for last
// (internal to the indexer): their pages side by side on the helpers, each
// page into its own file's text.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace vxm::volltext {

class Auslesedienst;
class Nebenleser;
class Stapelschreiber;
class Volltextindex;
class Vorerkennung;

// A file to read, by both its names.
struct Dateiauftrag {
  std::string Windows, Host;
};

struct Erkennungsumfeld {
  Volltextindex& Index;
  Stapelschreiber& Schreiber;
  Auslesedienst& Dienst;
  Nebenleser* Weitere;  // further helpers side by side; may be null
  Vorerkennung* Vorab;  // pages recognised while files were read; may be null
  const std::atomic<bool>& Abbruch;
  // True when other work or a pause comes first: no further page is begun.
  std::function<bool()> Vorrang;
  // A file changed while it was recognised: to be checked afresh.
  std::function<void(const Dateiauftrag&)> Geaendert;
};

// Recognises the files of `liste` still waiting for it and records their
// texts; `fertig[i]` is set false where `liste[i]` was interrupted (it
// stays queued).
void Erkennen(const std::vector<Dateiauftrag>& liste, std::vector<char>& fertig, const Erkennungsumfeld& u);

}  // namespace vxm::volltext
