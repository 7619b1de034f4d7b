// Renaming a folder of the store together with its register rows: the tree's
// label edit and `vxmdorvex-register umbenennen` both use it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/datenbank.h"

namespace vxm {

struct OrdnerUmbenennung {
  bool Umbenannt = false;
  // The register refused (locked by another process, damaged, read-only):
  // the folder was not touched.
  bool RegisterFehler = false;
  int32_t Fehlernummer = 0;  // of the step that failed; 0 when renamed
  std::string Meldung;       // why not, in the program's words (or a warning after success)
  std::string NeuerPfad;     // parent of the folder + "\" + new name
  int64_t Zeilen = 0;        // register rows that followed
};

// Renames `ordner` (Windows form) to `neuerName` in the same parent folder,
// as one unit with the rows of the folder and every folder below it: the
// register's write lock is taken first, the rows move, the folder is
// renamed, and one commit ends it. A failed rename changes no row; a locked
// register renames nothing. A crash between the rename and the commit is
// completed by RegisterVorhabenAbschliessen.
OrdnerUmbenennung OrdnerUmbenennen(Datenbank& db, const std::string& ordner, const std::string& neuerName);

// A name a folder or file may carry: not empty, not "." or "..", none of
// \ / : * ? " < > | and no control character.
bool GueltigerDateiname(const std::string& name);

}  // namespace vxm
