// What the SQLite engine keeps for the whole process rather than per
// connection: its settings, which register files this process has checked
// whole, whether that check waits for the first write, and which files lie
// on another machine. The connection asks here; tests and tools set it.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vxm {

// The engine's settings for the whole process (its page cache, its memory
// figures), made before the first connection opens; once the engine has
// started they stay as they are. Every opening of a file calls it.
void SqliteEinrichten();

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
bool SchreibpruefungAufgeschoben();

// Replaces the test for a network file system (for tests; empty: statfs).
void NetzlaufwerkErkennungSetzen(std::function<bool(const std::filesystem::path&)> erkennen);
// Whether the file lies on another machine's file system (by the test set).
bool AufNetzlaufwerk(const std::filesystem::path& datei);

// Whether this process has checked the file whole and nobody changed it
// since; remembered after a check, and after closing a file this process
// wrote (its own checkpoint changes the file).
bool BeimStartGeprueft(const std::filesystem::path& p);
void AlsGeprueftMerken(const std::filesystem::path& p);

}  // namespace vxm
