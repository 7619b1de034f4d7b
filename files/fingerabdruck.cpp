#include "files/fingerabdruck.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/fehler.h"
#include "platform/inhaltshash.h"
#include "platform/oeffner.h"
#include "platform/pgschema.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"

namespace vxm {
namespace {

using sql::Abfrage;

DateiStand StandAus(const struct stat& st) {
  return {static_cast<int64_t>(st.st_size), static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
          static_cast<int64_t>(st.st_dev), static_cast<int64_t>(st.st_ino)};
}

struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

std::string Hex(const Inhaltshash& h) {
  static const char* ziffern = "0123456789abcdef";
  std::string s(32, '0');
  for (std::size_t i = 0; i < 16; ++i) {
    s[2 * i] = ziffern[h[i] >> 4];
    s[2 * i + 1] = ziffern[h[i] & 15];
  }
  return s;
}

// Own tables beside the register. Set-aside rows keep their links in the
// order they were made (Folge), their old place (folded for lookups) and
// why they wait.
constexpr const char* kTabellen[] = {
    "CREATE TABLE IF NOT EXISTS vxm_fingerabdruck (Dateinummer INTEGER PRIMARY KEY, Groesse INTEGER NOT NULL, "
    "Hash TEXT NOT NULL, Mtime INTEGER NOT NULL, Gesehen INTEGER NOT NULL, Geraet INTEGER, Inode INTEGER)",
    "CREATE INDEX IF NOT EXISTS vxm_fingerabdruck_Inhalt ON vxm_fingerabdruck (Groesse, Hash)",
    "CREATE TABLE IF NOT EXISTS vxm_beiseite (Dateinummer INTEGER PRIMARY KEY, Dateiname TEXT NOT NULL, "
    "Dateipfad TEXT NOT NULL, NameFaltung TEXT NOT NULL, PfadFaltung TEXT NOT NULL, Seit INTEGER NOT NULL, "
    "Grund TEXT NOT NULL, Hinweis TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX IF NOT EXISTS vxm_beiseite_Seit ON vxm_beiseite (Seit)",
    "CREATE TABLE IF NOT EXISTS vxm_beiseite_verknuepfung (Dateinummer INTEGER NOT NULL, KeywordID INTEGER, "
    "Folge INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS vxm_beiseite_verknuepfung_Datei ON vxm_beiseite_verknuepfung (Dateinummer, Folge)",
};

}  // namespace

std::optional<DateiStand> StandLesen(const std::filesystem::path& host) {
  struct stat st;
  if (::stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return StandAus(st);
}

std::optional<DateiStand> StandLesen(int ordnerFd, const char* name) {
  struct stat st;
  if (::fstatat(ordnerFd, name, &st, 0) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return StandAus(st);
}

std::optional<DateiInhalt> InhaltLesen(const std::filesystem::path& host, DateiStand* stand) {
  // (not blocking: a pipe in a file's place is never waited on)
  Fd f{::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
  if (f.fd < 0) return std::nullopt;
  struct stat vorher;
  if (::fstat(f.fd, &vorher) != 0 || !S_ISREG(vorher.st_mode)) return std::nullopt;
  if (vorher.st_size >= (1 << 18)) ::posix_fadvise(f.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  Inhaltshash h;
  int64_t gelesen = 0;
  const bool gut = InhaltHashen(f.fd, h, gelesen, vorher.st_size);
  struct stat nachher;
  if (!gut || ::fstat(f.fd, &nachher) != 0) return std::nullopt;
  const DateiStand a = StandAus(vorher), b = StandAus(nachher);
  // Written to while we read: what we hashed may be neither version.
  if (!(a == b) || gelesen != b.Groesse) return std::nullopt;
  if (stand) *stand = b;
  return DateiInhalt{b.Groesse, Hex(h)};
}

std::optional<DateiInhalt> InhaltLesen(const std::filesystem::path& host, const DateiStand& gesehen) {
  return InhaltLesen(AT_FDCWD, host.c_str(), gesehen);
}

std::optional<DateiInhalt> InhaltLesen(int ordnerFd, const char* name, const DateiStand& gesehen) {
  Fd f{::openat(ordnerFd, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
  if (f.fd < 0) return std::nullopt;
  if (gesehen.Groesse >= (1 << 18)) ::posix_fadvise(f.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  Inhaltshash h;
  int64_t gelesen = 0;
  struct stat nachher;
  if (!InhaltHashen(f.fd, h, gelesen, gesehen.Groesse) || ::fstat(f.fd, &nachher) != 0 || !S_ISREG(nachher.st_mode))
    return std::nullopt;
  // Changed since it was seen, or while it was read: what was hashed may be neither.
  if (!(StandAus(nachher) == gesehen) || gelesen != gesehen.Groesse) return std::nullopt;
  return DateiInhalt{gesehen.Groesse, Hex(h)};
}

bool Aktuell(const Fingerabdruck& f, const DateiStand& s) {
  return f.Mtime != kUnsicher && f.Mtime == s.Mtime && f.Inhalt.Groesse == s.Groesse;
}

int64_t JetztSekunden() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

namespace {
// Some file systems keep times in whole seconds (or two): a write in the
// tick we read could leave the time unchanged. Such a print is checked again.
int64_t MtimeZu(const DateiStand& stand, int64_t jetzt) {
  return stand.Mtime / 1'000'000'000 + 2 >= jetzt ? kUnsicher : stand.Mtime;
}
}  // namespace

Fingerabdruck Abdruck(int32_t nummer, const DateiInhalt& inhalt, const DateiStand& stand) {
  Fingerabdruck f;
  f.Dateinummer = nummer;
  f.Inhalt = inhalt;
  f.Gesehen = JetztSekunden();
  f.Mtime = MtimeZu(stand, f.Gesehen);
  f.Geraet = stand.Geraet;
  f.Inode = stand.Inode;
  return f;
}

int64_t AbdruckMtime(const DateiStand& stand) { return MtimeZu(stand, JetztSekunden()); }

constexpr const char* kTabellenNamen[] = {"vxm_fingerabdruck", "vxm_beiseite", "vxm_beiseite_verknuepfung"};

bool AbgleichTabellenDa(Datenbank& db) {
  // Asked on every folder opened: answered from the schema in memory (the
  // file's, or the names the server connection read).
  if (!db.Handle()) {
    const SqlKatalog* k = db.Anbindung().Katalog();
    for (const char* t : kTabellenNamen)
      if (!k || !k->Namen.count(Falten(t))) return false;
    return true;
  }
  for (const char* t : kTabellenNamen)
    if (sqlite3_table_column_metadata(db.Handle(), "main", t, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) !=
        SQLITE_OK)
      return false;
  return true;
}

namespace {
constexpr const char* kKennungSpalten[] = {"Geraet", "Inode"};
bool AbdruckSpalteDa(sqlite3* h, const char* spalte) {
  return sqlite3_table_column_metadata(h, "main", "vxm_fingerabdruck", spalte, nullptr, nullptr, nullptr, nullptr,
                                       nullptr) == SQLITE_OK;
}
}  // namespace

bool KennungDa(Datenbank& db) {
  const SqlKatalog* k = db.Handle() ? nullptr : db.Anbindung().Katalog();
  for (const char* spalte : kKennungSpalten)
    if (db.Handle() ? !AbdruckSpalteDa(db.Handle(), spalte) : !k || !k->Namen.count(Falten(spalte))) return false;
  return true;
}

void AbgleichTabellenAnlegen(Datenbank& db) {
  if (AbgleichTabellenDa(db) && KennungDa(db)) return;
  db.Schreibpruefung();
  Transaktion t(db);
  if (!db.Handle()) {
    // Also where another workstation made them since this one connected:
    // the statement then only makes the connection read their names.
    db.Anbindung().Ausfuehren(kAbgleichTabellenServer, "Abgleich");
  } else {
    for (const char* sql : kTabellen) Abfrage(db, sql).Ausfuehren();
    for (const char* spalte : kKennungSpalten)
      if (!AbdruckSpalteDa(db.Handle(), spalte))
        Abfrage(db, std::string("ALTER TABLE vxm_fingerabdruck ADD COLUMN ") + spalte + " INTEGER").Ausfuehren();
  }
  t.Bestaetigen();
}

bool Beschreibbar(Datenbank& db) {
  try {
    return !db.Anbindung().NurLesen();
  } catch (const VbFehler&) {
    return false;  // the server gone: nothing is written now
  }
}

std::optional<Fingerabdruck> FingerabdruckLesen(Datenbank& db, int32_t nummer) {
  if (!AbgleichTabellenDa(db)) return std::nullopt;
  Abfrage a(db, "SELECT Groesse, Hash, Mtime, Gesehen FROM vxm_fingerabdruck WHERE Dateinummer = ?1");
  if (!a.Zahl(1, nummer).Zeile()) return std::nullopt;
  Fingerabdruck f;
  f.Dateinummer = nummer;
  f.Inhalt = {a.ZahlSpalte(0), std::string(a.Spalte(1))};
  f.Mtime = a.ZahlSpalte(2);
  f.Gesehen = a.ZahlSpalte(3);
  return f;
}

void FingerabdruckSchreiben(Datenbank& db, const Fingerabdruck& f) {
  Abfrage(db, kFingerabdruckSchreiben)
      .Zahl(1, f.Dateinummer)
      .Zahl(2, f.Inhalt.Groesse)
      .Text(3, f.Inhalt.Hash)
      .Zahl(4, f.Mtime)
      .Zahl(5, f.Gesehen)
      .Zahl(6, f.Geraet)
      .Zahl(7, f.Inode)
      .Ausfuehren();
}

void KennungSchreiben(Datenbank& db, int32_t nummer, const DateiStand& s) {
  Abfrage(db, "UPDATE vxm_fingerabdruck SET Geraet = ?2, Inode = ?3 WHERE Dateinummer = ?1 AND Groesse = ?4 AND Mtime = ?5")
      .Zahl(1, nummer)
      .Zahl(2, s.Geraet)
      .Zahl(3, s.Inode)
      .Zahl(4, s.Groesse)
      .Zahl(5, s.Mtime)
      .Ausfuehren();
}

bool FingerabdruckNehmen(Datenbank& db, int32_t nummer, const std::string& ordner, const std::string& name) {
  try {
    if (nummer <= 0 || !Beschreibbar(db)) return false;
    const std::filesystem::path host = HostPfadVon(ordner + "\\" + name);
    if (auto alt = FingerabdruckLesen(db, nummer)) {
      const auto s = StandLesen(host);
      if (s && Aktuell(*alt, *s)) return true;
    }
    DateiStand stand;
    const auto inhalt = InhaltLesen(host, &stand);
    if (!inhalt) return false;
    AbgleichTabellenAnlegen(db);
    Transaktion t(db);
    FingerabdruckSchreiben(db, Abdruck(nummer, *inhalt, stand));
    t.Bestaetigen();
    return true;
  } catch (const std::exception&) {
    // a locked or damaged register: the keywords are in, the print follows later
    return false;
  }
}

int32_t BeiseiteTage(Datenbank& db) {
  try {
    Abfrage a(db, "SELECT Wert FROM vxm_info WHERE Schluessel = 'BeiseiteTage'");
    if (a.Zeile()) {
      const std::string wert(a.Spalte(0));
      char* ende = nullptr;
      const long tage = std::strtol(wert.c_str(), &ende, 10);
      if (ende && *ende == '\0' && !wert.empty() && tage > 0 && tage < 100000) return static_cast<int32_t>(tage);
    }
  } catch (const VbFehler&) {
    // a register without vxm_info keeps the default
  }
  return kBeiseiteTageVorgabe;
}

void BeiseiteTageSetzen(Datenbank& db, int32_t tage) {
  db.Schreibpruefung();
  Transaktion t(db);
  // (a server register has the table from the start)
  if (db.Handle()) Abfrage(db, "CREATE TABLE IF NOT EXISTS vxm_info (Schluessel TEXT PRIMARY KEY, Wert TEXT)").Ausfuehren();
  Abfrage(db,
          "INSERT INTO vxm_info (Schluessel, Wert) VALUES ('BeiseiteTage', ?1) "
          "ON CONFLICT (Schluessel) DO UPDATE SET Wert = excluded.Wert")
      .Text(1, std::to_string(tage))
      .Ausfuehren();
  t.Bestaetigen();
}

}  // namespace vxm
