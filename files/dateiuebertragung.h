// Copying and moving a file with its register rows, as one unit: the drop
// on the tree, paste and the file rename of the action menu all use it. The
// window gathers what goes where; the questions on the way (overwrite,
// keywords) and the reports of failures go through the Dialoge given.
#pragma once

#include <string>

#include "platform/datenbank.h"
#include "platform/dialoge.h"

namespace vxm {

inline constexpr const char* kFrageKeywordsUebernehmen = "Wollen Sie die zur Datei bestehenden Keywörter übernehmen?";
inline constexpr const char* kTitelUeberschreiben = "Datei ersetzen";

// The overwrite question, naming the file that would be replaced on a line of its own.
std::string FrageUeberschreiben(const std::string& ziel);

enum class UebertragungsArt {
  Kopieren,     // asks whether the copy takes the source's keywords (when it has any)
  NurKopieren,  // a bare copy (paste after a command other than cut or copy): no row for it
  Verschieben,  // the source's row follows the file
};

struct Uebertragung {
  UebertragungsArt Art = UebertragungsArt::Kopieren;
  std::string QuellOrdner, QuellName;  // folders in Windows form, as the register stores them
  std::string ZielOrdner, ZielName;
};

enum class UebertragungsErgebnis {
  Erledigt,
  Abgelehnt,       // the user said No to replacing the target: nothing changed
  Fehlgeschlagen,  // reported to the user; disk and register agree
};

// What the user did, as the messages call it: "kopiert", "verschoben", or
// "umbenannt" for a move within its folder.
const char* UebertragungsTat(UebertragungsArt art, const std::string& quellOrdner, const std::string& zielOrdner);

// Copies or moves the file. A target of that name is replaced only after
// the user agreed; its rows and links go, since its content does. At most
// one row per name and folder is left: the source's (move), the copy's own
// (copy with its keywords) or none. The register's write lock is held from
// the register change through the disk steps to the commit, behind a record
// that RegisterVorhabenAbschliessen completes after a crash.
UebertragungsErgebnis DateiUebertragen(Datenbank& db, Dialoge& dialoge, const Uebertragung& u);

}  // namespace vxm
