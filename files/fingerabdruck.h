// Content fingerprints of registered files, so a file moved or renamed
// outside the program can be recognised by what it holds.
//
// A fingerprint is the file's size and a 128-bit XXH3 hash of its bytes,
// kept with the time it was taken in the register's own table
// vxm_fingerabdruck (keyed by Dateinummer). The three register tables keep
// the shape the host knows; everything added lives in tables of its own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/datenbank.h"

namespace vxm {

// Size and modification time (nanoseconds since the epoch) of a regular
// file, and which file it is (device and inode; 0: not known). Symbolic
// links are followed.
struct DateiStand {
  int64_t Groesse = -1;
  int64_t Mtime = 0;
  int64_t Geraet = 0, Inode = 0;
  bool operator==(const DateiStand&) const = default;
};
std::optional<DateiStand> StandLesen(const std::filesystem::path& host);
// The same for a name inside an open folder (walks stat through the folder).
std::optional<DateiStand> StandLesen(int ordnerFd, const char* name);

// What a file holds: size and hash (32 hex digits).
struct DateiInhalt {
  int64_t Groesse = -1;
  std::string Hash;
  bool operator==(const DateiInhalt&) const = default;
};

// Reads the whole file. Nothing when it cannot be read, is no regular file or
// changed while it was read. `stand` receives size and time as read.
std::optional<DateiInhalt> InhaltLesen(const std::filesystem::path& host, DateiStand* stand = nullptr);
// The same for a file a walk has just seen in state `gesehen`: nothing when
// it is no longer in that state. Fewer system calls (its stat is known).
std::optional<DateiInhalt> InhaltLesen(const std::filesystem::path& host, const DateiStand& gesehen);
// The same for a name inside an open folder: a folder's files without a
// path lookup each.
std::optional<DateiInhalt> InhaltLesen(int ordnerFd, const char* name, const DateiStand& gesehen);

struct Fingerabdruck {
  int32_t Dateinummer = 0;
  DateiInhalt Inhalt;
  // Modification time the hash belongs to; kUnsicher when the file was
  // written so shortly before it was read that a later change within the
  // same clock tick could go unseen (it is then read again next time).
  int64_t Mtime = 0;
  int64_t Gesehen = 0;  // seconds since the epoch, when it was taken
  // The file read (device, inode; 0: not known). A rename keeps them: the
  // same file in the same state elsewhere needs no second reading.
  int64_t Geraet = 0, Inode = 0;
};
inline constexpr int64_t kUnsicher = -1;

// Whether the stored fingerprint still describes a file in this state.
bool Aktuell(const Fingerabdruck& f, const DateiStand& s);
// A fingerprint of a file just read (sets Mtime or kUnsicher and Gesehen).
Fingerabdruck Abdruck(int32_t nummer, const DateiInhalt& inhalt, const DateiStand& stand);
// The Mtime such a fingerprint gets now.
int64_t AbdruckMtime(const DateiStand& stand);

int64_t JetztSekunden();

// The tables of fingerprints and of set-aside rows. Reading works on a
// register that lacks them (nothing stored); Anlegen creates them (a write).
bool AbgleichTabellenDa(Datenbank& db);
void AbgleichTabellenAnlegen(Datenbank& db);
// Whether prints keep which file they read (registers of older versions
// get the columns with AbgleichTabellenAnlegen).
bool KennungDa(Datenbank& db);
// Whether this connection may write (a read-only file is left alone).
bool Beschreibbar(Datenbank& db);

std::optional<Fingerabdruck> FingerabdruckLesen(Datenbank& db, int32_t nummer);
// Inside the caller's transaction; the tables must exist.
void FingerabdruckSchreiben(Datenbank& db, const Fingerabdruck& f);
// Its statement (?1 number, ?2 size, ?3 hash, ?4 time, ?5 seen, ?6 device,
// ?7 inode; 0 or unbound: not known), for batches.
inline constexpr const char* kFingerabdruckSchreiben =
    "INSERT INTO vxm_fingerabdruck (Dateinummer, Groesse, Hash, Mtime, Gesehen, Geraet, Inode) VALUES (?1, ?2, ?3, "
    "?4, ?5, NULLIF(CAST(?6 AS BIGINT), 0), NULLIF(CAST(?7 AS BIGINT), 0)) "
    "ON CONFLICT (Dateinummer) DO UPDATE SET Groesse = excluded.Groesse, Hash = excluded.Hash, "
    "Mtime = excluded.Mtime, Gesehen = excluded.Gesehen, Geraet = excluded.Geraet, Inode = excluded.Inode";

// Tells a print which file it read, where it still describes that file in
// state `s` (its size and time); inside the caller's transaction.
void KennungSchreiben(Datenbank& db, int32_t nummer, const DateiStand& s);

// Takes the fingerprint of a registered file that just got keywords, unless
// the stored one is current. Best effort: a file that cannot be read keeps
// no fingerprint (the folder's clean-up tries again); false then.
bool FingerabdruckNehmen(Datenbank& db, int32_t nummer, const std::string& ordner, const std::string& name);

// Days a set-aside row is kept before it is dropped: the value of
// "BeiseiteTage" in the register's vxm_info table, else 90.
inline constexpr int32_t kBeiseiteTageVorgabe = 90;
int32_t BeiseiteTage(Datenbank& db);
// Stores it for every later clean-up and walk (1 to 99999 days).
void BeiseiteTageSetzen(Datenbank& db, int32_t tage);

}  // namespace vxm
