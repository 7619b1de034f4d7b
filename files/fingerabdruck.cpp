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
#include "platform/sqlhilfen.h"

namespace vxm {
namespace {

using sql::SpaltenText;
using sql::TextBinden;
using sql::Zuruecksetzen;

DateiStand StandAus(const struct stat& st) {
  return {static_cast<int64_t>(st.st_size),
          static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
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

void Schritt(Datenbank& db, sqlite3_stmt* s) {
  Zuruecksetzen z{s};
  const int rc = sqlite3_step(s);
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) db.Fehler(rc);
}

// Own tables beside the register. Set-aside rows keep their links in the
// order they were made (Folge), their old place (folded for lookups) and
// why they wait.
constexpr const char* kTabellen[] = {
    "CREATE TABLE IF NOT EXISTS vxm_fingerabdruck (Dateinummer INTEGER PRIMARY KEY, Groesse INTEGER NOT NULL, "
    "Hash TEXT NOT NULL, Mtime INTEGER NOT NULL, Gesehen INTEGER NOT NULL)",
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
  Fd f{::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY)};
  if (f.fd < 0) return std::nullopt;
  struct stat vorher;
  if (::fstat(f.fd, &vorher) != 0 || !S_ISREG(vorher.st_mode)) return std::nullopt;
  if (vorher.st_size >= (1 << 18)) ::posix_fadvise(f.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  Inhaltshash h;
  int64_t gelesen = 0;
  const bool gut = InhaltHashen(f.fd, h, gelesen);
  struct stat nachher;
  if (!gut || ::fstat(f.fd, &nachher) != 0) return std::nullopt;
  const DateiStand a = StandAus(vorher), b = StandAus(nachher);
  // Written to while we read: what we hashed may be neither version.
  if (!(a == b) || gelesen != b.Groesse) return std::nullopt;
  if (stand) *stand = b;
  return DateiInhalt{b.Groesse, Hex(h)};
}

bool Aktuell(const Fingerabdruck& f, const DateiStand& s) {
  return f.Mtime != kUnsicher && f.Mtime == s.Mtime && f.Inhalt.Groesse == s.Groesse;
}

int64_t JetztSekunden() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

Fingerabdruck Abdruck(int32_t nummer, const DateiInhalt& inhalt, const DateiStand& stand) {
  Fingerabdruck f;
  f.Dateinummer = nummer;
  f.Inhalt = inhalt;
  f.Gesehen = JetztSekunden();
  // Some file systems keep times in whole seconds (or two): a write in the
  // tick we read could leave the time unchanged. Such a print is checked again.
  f.Mtime = stand.Mtime / 1'000'000'000 + 2 >= f.Gesehen ? kUnsicher : stand.Mtime;
  return f;
}

bool AbgleichTabellenDa(Datenbank& db) {
  // Asked on every folder opened: answered from the schema in memory. A
  // server register has none of these tables (yet).
  if (!db.Handle()) return false;
  for (const char* t : {"vxm_fingerabdruck", "vxm_beiseite", "vxm_beiseite_verknuepfung"})
    if (sqlite3_table_column_metadata(db.Handle(), "main", t, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) !=
        SQLITE_OK)
      return false;
  return true;
}

void AbgleichTabellenAnlegen(Datenbank& db) {
  if (AbgleichTabellenDa(db)) return;
  db.Schreibpruefung();
  Transaktion t(db);
  for (const char* sql : kTabellen) Schritt(db, db.Anweisung(sql));
  t.Bestaetigen();
}

bool Beschreibbar(Datenbank& db) { return db.Handle() && sqlite3_db_readonly(db.Handle(), "main") == 0; }

std::optional<Fingerabdruck> FingerabdruckLesen(Datenbank& db, int32_t nummer) {
  if (!AbgleichTabellenDa(db)) return std::nullopt;
  sqlite3_stmt* s =
      db.Anweisung("SELECT Groesse, Hash, Mtime, Gesehen FROM vxm_fingerabdruck WHERE Dateinummer = ?1");
  Zuruecksetzen z{s};
  sqlite3_bind_int(s, 1, nummer);
  const int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return std::nullopt;
  if (rc != SQLITE_ROW) db.Fehler(rc);
  Fingerabdruck f;
  f.Dateinummer = nummer;
  f.Inhalt = {sqlite3_column_int64(s, 0), std::string(SpaltenText(s, 1))};
  f.Mtime = sqlite3_column_int64(s, 2);
  f.Gesehen = sqlite3_column_int64(s, 3);
  return f;
}

void FingerabdruckSchreiben(Datenbank& db, const Fingerabdruck& f) {
  sqlite3_stmt* s = db.Anweisung(
      "INSERT OR REPLACE INTO vxm_fingerabdruck (Dateinummer, Groesse, Hash, Mtime, Gesehen) "
      "VALUES (?1, ?2, ?3, ?4, ?5)");
  sqlite3_bind_int(s, 1, f.Dateinummer);
  sqlite3_bind_int64(s, 2, f.Inhalt.Groesse);
  TextBinden(s, 3, f.Inhalt.Hash);
  sqlite3_bind_int64(s, 4, f.Mtime);
  sqlite3_bind_int64(s, 5, f.Gesehen);
  Schritt(db, s);
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
    sqlite3_stmt* s = db.Anweisung("SELECT Wert FROM vxm_info WHERE Schluessel = 'BeiseiteTage'");
    Zuruecksetzen z{s};
    if (sqlite3_step(s) == SQLITE_ROW) {
      const std::string wert(SpaltenText(s, 0));
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
  Schritt(db, db.Anweisung("CREATE TABLE IF NOT EXISTS vxm_info (Schluessel TEXT PRIMARY KEY, Wert TEXT)"));
  sqlite3_stmt* s = db.Anweisung("INSERT OR REPLACE INTO vxm_info (Schluessel, Wert) VALUES ('BeiseiteTage', ?1)");
  TextBinden(s, 1, std::to_string(tage));
  Schritt(db, s);
  t.Bestaetigen();
}

}  // namespace vxm
