// The SQLite engine under the record sets (see verbindung.h), with access to
// its handles for the code that still speaks plain SQLite.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/verbindung.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vxm {


// The engine's settings for the whole process (its page cache, its memory
// figures), made before the first connection opens; once the engine has
// started they stay as they are. Every opening of a file calls it.
void SqliteEinrichten();

// The SQLite handle of a connection, or nullptr for another engine.
::sqlite3* SqliteHandle(Verbindung& v);
// The statement behind a Befehl of a SQLite connection.
::sqlite3_stmt* SqliteAnweisung(Befehl& b);
// Replaces the test for a network file system (for tests; empty: statfs).
void NetzlaufwerkErkennungSetzen(std::function<bool(const std::filesystem::path&)> erkennen);

// PRAGMA integrity_check of a register file before anything opens it: the
// damage found (none when whole), or nothing when the check could not run
// (no such file, no database). A whole file is not checked again when this
// process opens it next: the check on opening reads the same pages.
std::optional<std::vector<std::string>> DateiSeitenPruefen(const std::filesystem::path& host);

// For a process that only reads (the search tool): a register file is not
// checked whole on opening but before this process's first write, which
// reading never makes (checking 300 MB takes most of a second). A process
// whose first write comes later may also defer it, to check while it does
// other work (the walk of `abgleichen`).
void SchreibpruefungAufschieben(bool aufschieben);

// Raises the VbFehler of a failed SQLite call on a connection.
[[noreturn]] void SqliteFehler(Verbindung& v, int rc, std::string_view wobei);

}  // namespace vxm
