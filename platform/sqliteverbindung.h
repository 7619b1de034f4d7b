// The SQLite engine under the record sets (see verbindung.h), with access to
// its handles for the code that still speaks plain SQLite.
#pragma once

#include <string>
#include <string_view>

#include "platform/verbindung.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vxm {

// The SQLite handle of a connection, or nullptr for another engine.
::sqlite3* SqliteHandle(Verbindung& v);
// The statement behind a Befehl of a SQLite connection.
::sqlite3_stmt* SqliteAnweisung(Befehl& b);

// Raises the VbFehler of a failed SQLite call on a connection.
[[noreturn]] void SqliteFehler(Verbindung& v, int rc, std::string_view wobei);

}  // namespace vxm
