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

}  // namespace vxm
