// Changes that touch disk and register together, kept whole across a crash.
//
// Such a change (a folder rename, a file copied or moved) first commits a
// record of what it is about to do in a table of its own in the register
// (vxm_vorhaben). Then, holding the register's write lock, it changes the
// rows, does its disk step and deletes the record, all in one commit. If the
// program dies before that commit, the row changes are rolled back and the
// record stays behind. RegisterVorhabenAbschliessen looks at the disk for
// every record left: where the disk step happened it makes the register
// change again, where it did not it only drops the record.
//
// It works under the write lock too. An owner holds that lock from before
// its disk step until its commit, so a record seen under the lock belongs to
// a dead process or to one that has not yet touched the disk (that one sees
// its record gone and starts again).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/datenbank.h"

namespace vxm {

enum class VorhabenArt {
  OrdnerUmbenennen,     // QuellOrdner -> ZielOrdner, rows of the folder and below follow
  Verschieben,          // file; the target's rows give way to the source's row
  Kopieren,             // file; the target's rows go, the copy gets none
  KopierenMitKeywords,  // file; the target's rows go, the copy gets a row with the source's links
  Loeschen,             // file (Quell*); its rows go once it is gone
  Papierkorb,           // file (Quell*) into the trash; its rows wait set aside for its return
  Ersetzen,             // a finished file under a hidden name (Quell*) takes the place of Ziel*,
                        // whose file goes into the trash; the target's rows as for a copy
};

struct Vorhaben {
  int64_t Nummer = 0;
  VorhabenArt Art = VorhabenArt::Kopieren;
  std::string QuellOrdner, QuellName, ZielOrdner, ZielName;  // names empty for folders
  // A copy or move whose target goes into the desktop's trash first: the
  // target's rows known by a print wait set aside for its return, as after
  // a delete into the trash, instead of going with the content they described.
  bool ZielInDenPapierkorb = false;
};

// Commits the record in a transaction of its own; its number. Raises the
// VbFehler of the register (3260 when another process holds it). The prints
// of a file about to go into the trash are committed with it, so that its
// rows can wait for it even when the change is completed after a crash.
int64_t VorhabenEintragen(Datenbank& db, const Vorhaben& v);
// Inside the owner's transaction: whether the record is still there.
bool VorhabenVorhanden(Datenbank& db, int64_t nummer);
void VorhabenLoeschen(Datenbank& db, int64_t nummer);
// A change that failed before its step on disk (a lost connection, a
// register error) leaves nothing to complete: its record goes at once, on
// a new connection where the old one broke, so that it is never taken later
// for a change cut off half way and "completed" over what came after.
// Best effort; a record that stays is judged as before.
void VorhabenVerwerfen(Datenbank& db, int64_t nummer) noexcept;
// The records left behind, oldest first (none when the table is missing).
std::vector<Vorhaben> OffeneVorhaben(Datenbank& db);

// The register side of a file copy or move, as its commit makes it: every
// row of the target (name and folder) goes with its links - the content
// they described is gone - and the source's row moves there (Verschieben;
// further rows an old register holds for the source go) or is copied there
// with its links (KopierenMitKeywords).
void VorhabenRegisterAnwenden(Datenbank& db, const Vorhaben& v);

// The rows of a file that goes into the trash and that a print describes
// are set aside to wait for its return (bound to its place); their numbers.
// Rows without a print stay: any file at the place would take them.
std::vector<int32_t> ZeilenFuerPapierkorbBeiseite(Datenbank& db, const std::string& name, const std::string& ordner);

struct VorhabenBilanz {
  std::size_t Vollendet = 0;   // the disk step had happened: register change made
  std::size_t Verworfen = 0;   // it had not: record dropped, nothing else to do
  std::size_t Offen = 0;       // the disk cannot tell (both paths missing): record kept
  std::vector<std::string> Berichte;  // one line per record, in the program's words
};

// Completes or drops every record left behind by a process that died. Runs
// when the program opens its register and in `vxmdorvex-register pruefen`.
// Does nothing (and writes nothing) on a read-only register or when no
// record is left.
VorhabenBilanz RegisterVorhabenAbschliessen(Datenbank& db);

}  // namespace vxm
