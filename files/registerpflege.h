// Upkeep of the keyword register when files are copied, moved, renamed or
// deleted outside it, and the clean-up of rows whose files are gone.
//
// A file is identified by name and folder (case-blind, first row in table
// order). Each function is one transaction: the register changes whole or
// not at all, and a failure raises VbFehler to the caller, which decides
// what the user is told about the file that already moved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/ordnerlauf.h"
#include "platform/datenbank.h"

namespace vxm {

// The row of (name, ordner) follows its file to (zielName, zielOrdner);
// Dateinummer and links stay. False when the file has no row.
bool RegisterDateiVerschieben(Datenbank& db, const std::string& name, const std::string& ordner,
                              const std::string& zielName, const std::string& zielOrdner);

// A row of its own for a copy, with one link per link of the source (all
// of them, in KeywordID order). The new Dateinummer; 0 when the source has
// no row (nothing is written then).
int32_t RegisterDateiKopieren(Datenbank& db, const std::string& name, const std::string& ordner,
                              const std::string& zielName, const std::string& zielOrdner);

// Removes the row of a deleted file and its links. False when there was none.
bool RegisterDateiEntfernen(Datenbank& db, const std::string& name, const std::string& ordner);

// Removes every row of (name, ordner) with its links - a register written
// before copies replaced the target's row may hold several. The number of
// rows removed.
std::size_t RegisterDateiZeilenEntfernen(Datenbank& db, const std::string& name, const std::string& ordner);
// The numbers of the rows of a file (name and folder compared case-blind).
std::vector<int32_t> RegisterDateiNummern(Datenbank& db, const std::string& name, const std::string& ordner);

// Rows whose file is not there, as Windows paths in table order: what the
// next opening of their folder (or `abgleichen`) follows up. A folder gone
// while the store is there counts with all its rows; a folder that cannot be
// listed otherwise (a drive away, no permission) tells nothing and is left out.
std::vector<std::string> ZeilenOhneDatei(Datenbank& db);

// Files that hold, by size and time, what the register knows as another
// row's file (names exchanged outside the program, not yet followed): one
// line each. Only stats each file; a register without prints gives none.
std::vector<std::string> ZeilenMitFremdemInhalt(Datenbank& db);

// After a folder was renamed: rows of `alt` and of every folder below it get
// the path with `alt` replaced by `neu` (upper-cased) in front. The number
// of rows changed.
int64_t RegisterOrdnerNachziehen(Datenbank& db, const std::string& alt, const std::string& neu);

struct Bereinigung {
  std::size_t Geprueft = 0;   // rows inside the pattern
  std::size_t Geloescht = 0;  // rows removed (their links went with them)
  std::size_t Behalten = 0;   // rows not found by the walk but kept (walk incomplete, file present)
  // Rows of vanished files are no longer removed (files/wiedererkennung.h):
  std::size_t Umgezogen = 0;  // their file found elsewhere under the store root
  std::size_t Beiseite = 0;   // set aside until their file turns up
};

// Judges the rows inside `muster` (a LIKE pattern on Dateipfad: "*", "?",
// "#" and [] as in the host's SQL, case-blind) whose files the walk did not
// find: each follows its content to a new place or is set aside with its
// links (VerschwundeneNachziehen). A row is kept when its folder lies in or below an
// unread folder, when the walk was cancelled, or when the file turns out to
// exist after all (checked on the file system before each removal).
Bereinigung RegisterBereinigenMitBestand(Datenbank& db, const std::string& muster, const DateiBestand& bestand);

// The clean-up as the window runs it: the folder named by the pattern (the
// text before its first wildcard, without a final "\") is walked - only that
// folder when the pattern has no wildcard, else its whole tree through the
// folder walk - and the rows of vanished files are judged. A single folder
// is then looked after (OrdnerNachpflegen: fingerprints, files turned up).
Bereinigung RegisterBereinigen(Datenbank& db, const std::string& muster);

}  // namespace vxm
