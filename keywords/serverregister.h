// Entering and removing one file's keywords on a server register in one
// round trip: the register's stored procedures do what register.cpp does
// statement by statement, under the same locks, as a change of their own.
// With six round trips per change, a server shared by several workstations
// spent most of its time passing messages.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keywords/register.h"

namespace vxm {

struct ServerEingabe {
  int32_t Dateinummer = 0;
  std::vector<bool> Neu;               // per name given: created
  std::vector<std::string> Doppelte;   // already on the file, as stored
};

// nullopt when the register is no server database with the procedures, or a
// transaction is open (the change then joins it, done by the caller).
// `namen` are the distinct names to attach in the order typed; `sperren`
// what the change locks (see Transaktion).
std::optional<ServerEingabe> EingebenAufServer(Datenbank& reg, const AktuelleDatei& datei,
                                               const std::vector<std::string>& namen,
                                               const std::vector<std::string>& sperren);
std::optional<EntfernenErgebnis> EntfernenAufServer(Datenbank& reg, const AktuelleDatei& datei,
                                                    const std::string& keyword,
                                                    const std::vector<std::string>& sperren);

// A text[] of the server in its text form ({a,"b c"}) and back.
std::string ServerListe(const std::vector<std::string>& werte);
std::vector<std::string> ServerListeLesen(std::string_view text);

}  // namespace vxm
