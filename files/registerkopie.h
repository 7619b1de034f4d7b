// Copying a keyword register between a file and a database server (or two
// of either kind), for an office that moves its register to a server.
#pragma once

#include <cstdint>
#include <string>

namespace vxm {

struct KopieErgebnis {
  int64_t Dateien = 0, Keywords = 0, Verknuepfungen = 0;
  int64_t Abdruecke = 0, Beiseite = 0;  // content prints, rows set aside
};

// Copies the register `quelle` into a new register `ziel` (a file path or
// "postgresql:..."): every row with its id, in table order, the content
// prints and set-aside rows with their links, and the highest
// ids ever given, so a deleted file's number is not given again on the
// target either. Error 3204 when `ziel` holds a register already. The rows
// are copied in one transaction: a failure leaves no partial copy (a file
// made for it is removed again; a server keeps its empty register).
KopieErgebnis RegisterKopieren(const std::string& quelle, const std::string& ziel);

}  // namespace vxm
