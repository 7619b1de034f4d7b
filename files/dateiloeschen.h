// Deleting a file together with its register rows, as one unit.
#pragma once

#include <functional>
#include <string>

#include "platform/datenbank.h"

namespace vxm {

enum class LoeschErgebnis {
  Geloescht,       // file gone (into the trash or deleted), rows and links gone (or set aside)
  NichtGeloescht,  // the file stays, and so do its rows
  RegisterOffen,   // file gone; the rows could not yet be removed (the record finishes it later)
};

// `entfernen` takes the file's Windows path and removes it (the window puts
// it into the desktop's trash, else deletes it); true on success. A record
// of the deletion is committed first, then under the register's write lock
// the rows go, the file goes and one commit ends it; after a crash the
// record completes or drops the change by whether the file is still there.
//
// `papierkorb`: the file goes to the trash; its rows then wait set aside,
// so the file put back at its place has its keywords again.
LoeschErgebnis DateiMitRegisterLoeschen(Datenbank& db, const std::string& ordner, const std::string& name,
                                       const std::function<bool(const std::string& pfad)>& entfernen,
                                       bool papierkorb = false);

// A finished file written beside `name` under a hidden name (`neuName`)
// takes its place. The old file goes into the trash through `papierkorb`
// (true when the trash took it; else it is deleted), its rows known by a
// print wait there for its return, the others go, and the new file starts
// without keywords. Record, rows, disk and one commit, as for a delete:
// after a crash the record completes the change (the hidden file put in
// place) or drops it. Raises the VbFehler of the register (nothing changed)
// or of the file system (the old file stays, unless the message says it
// is in the trash).
void DateiErsetzenMitRegister(Datenbank& db, const std::string& ordner, const std::string& neuName,
                              const std::string& name, const std::function<bool(const std::string& pfad)>& papierkorb);

}  // namespace vxm
