#include "search/volltext/volltextindex.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <cstring>
#include <memory>
#include <set>

#include "platform/sqliteprozess.h"
#include "platform/text.h"
#include "search/volltext/faltung.h"
#include "search/volltext/textpaket.h"
#include "search/volltext/volltextanweisung.h"
#include "search/volltext/zerleger.h"

namespace vxm::volltext {

using anweisung::Binden;
using anweisung::Ordnerteil;
using anweisung::Spalte;
using anweisung::Zurueck;

namespace {

// Changes of the folding or the layout that make the stored FTS index
// unusable raise this; the index is then built anew from the stored texts.
// 6: sections numbered densely (small row-id gaps keep the FTS doclists
// short), texts packed faster.
constexpr int kFormat = 6;

Indexeintrag Zeile(sqlite3_stmt* s) {
  Indexeintrag e;
  e.Id = sqlite3_column_int64(s, 0);
  e.Pfad = Spalte(s, 1);
  e.Groesse = sqlite3_column_int64(s, 2);
  e.Mtime = sqlite3_column_int64(s, 3);
  e.Hash = Spalte(s, 4);
  e.Zustand = static_cast<Indexzustand>(sqlite3_column_int(s, 5));
  e.Grund = Spalte(s, 6);
  e.Art = Spalte(s, 7);
  e.Seiten = static_cast<std::uint32_t>(sqlite3_column_int64(s, 8));
  e.Inhalt = sqlite3_column_int64(s, 9);
  return e;
}

// The FTS5 query for a folded phrase of three or more characters: every
// distinct 4-gram (at most 32, spread over the phrase) must be in the
// section; three characters are the prefix of a 4-gram or the end trigram.
std::string NgrammAbfrage(const std::string& p) {
  std::vector<std::size_t> start;  // byte offsets of the characters
  for (std::size_t i = 0; i < p.size(); ++i)
    if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) start.push_back(i);
  start.push_back(p.size());
  const std::size_t n = start.size() - 1;
  auto zitiert = [](std::string_view t) {
    std::string q = "\"";
    for (const char c : t) {
      if (c == '"') q += '"';
      q += c;
    }
    return q + '"';
  };
  if (n == 3) return zitiert(p) + "*";
  std::set<std::string> gramme;
  const std::size_t anzahl = n - 3;
  const std::size_t schritt = anzahl > 32 ? (anzahl + 31) / 32 : 1;
  for (std::size_t k = 0; k < anzahl; k += schritt) gramme.insert(p.substr(start[k], start[k + 4] - start[k]));
  gramme.insert(p.substr(start[n - 4], start[n] - start[n - 4]));
  std::string q;
  for (const auto& g : gramme) {
    if (!q.empty()) q += " AND ";
    q += zitiert(g);
  }
  return q;
}

}  // namespace

std::string IndexSchluessel(const std::string& pfad) {
  // Most paths are ASCII: upper-cased byte by byte, as Gross does.
  for (const char c : pfad)
    if (static_cast<unsigned char>(c) & 0x80) return Gross(pfad);
  std::string k = pfad;
  for (char& c : k)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return k;
}

std::string IndexOrdnerSchluessel(const std::string& ordner) {
  std::string k = IndexSchluessel(ordner);
  while (!k.empty() && (k.back() == '\\' || k.back() == '/')) k.pop_back();
  return k;
}

std::string Verbinden(const std::string& ordner, const std::string& name) {
  if (!ordner.empty() && ordner.back() == '\\') return ordner + name;
  return ordner + "\\" + name;
}

bool EigeneDatei(std::string_view n) {
  for (std::string_view endung : {".volltext", ".volltext-wal", ".volltext-shm", ".volltext-journal"}) {
    if (n.size() >= endung.size() && n.substr(n.size() - endung.size()) == endung) return true;
  }
  return false;
}

std::string Volltextindex::DateiNebenRegister(const std::string& reg) {
  const auto trenner = reg.find_last_of("\\/");
  const auto punkt = reg.rfind('.');
  const std::string basis =
      punkt != std::string::npos && (trenner == std::string::npos || punkt > trenner) ? reg.substr(0, punkt) : reg;
  return basis + ".volltext";
}

Volltextindex::Volltextindex(const std::filesystem::path& datei) : datei_(datei) {
  SqliteEinrichten();
  if (sqlite3_open_v2(datei.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    const std::string m = db_ ? sqlite3_errmsg(db_) : "kein Speicher";
    sqlite3_close(db_);
    db_ = nullptr;
    throw IndexFehler("Volltextindex " + datei.string() + " nicht zu öffnen: " + m);
  }
  sqlite3_busy_timeout(db_, 15000);
  sqlite3_extended_result_codes(db_, 1);
  try {
    TokenizerAnmelden(db_);
    // Two processes opening a new index at once: switching it to the log
    // can answer "locked" without waiting (SQLite does not wait where
    // waiting could deadlock). Tried again for as long as the busy timeout.
    for (int versuch = 0;; ++versuch) {
      try {
        Ausfuehren("PRAGMA journal_mode=WAL");
        Ausfuehren("PRAGMA synchronous=NORMAL");
        // Searches read the same pages again and again: mapped, not copied.
        Ausfuehren("PRAGMA mmap_size=1073741824");
        Ausfuehren("PRAGMA cache_size=-32768");
        Aufbauen();
        break;
      } catch (const IndexFehler&) {
        if ((sqlite3_errcode(db_) & 0xFF) != SQLITE_BUSY || versuch >= 300) throw;
        if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    }
  } catch (...) {
    for (auto& [_, s] : anweisungen_) sqlite3_finalize(s);
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
}

Volltextindex::~Volltextindex() {
  for (auto& [_, s] : anweisungen_) sqlite3_finalize(s);
  if (db_) sqlite3_close(db_);
}

void Volltextindex::Ausfuehren(const char* sql) {
  char* fehler = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &fehler) != SQLITE_OK) {
    std::string m = fehler ? fehler : sqlite3_errmsg(db_);
    sqlite3_free(fehler);
    throw IndexFehler("Volltextindex: " + m);
  }
}

sqlite3_stmt* Volltextindex::Anweisung(const char* sql) {
  for (auto& [text, s] : anweisungen_)
    if (text == sql) return s;
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK)
    throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
  anweisungen_.emplace_back(sql, s);
  return s;
}

namespace {

// A current index is opened without writing (a search must not wait for
// the indexer's lock, nor take one).
int FormatLesen(sqlite3* db) {
  sqlite3_stmt* s = nullptr;
  int format = 0;
  if (sqlite3_prepare_v2(db, "SELECT wert FROM meta WHERE schluessel='format'", -1, &s, nullptr) == SQLITE_OK &&
      sqlite3_step(s) == SQLITE_ROW)
    format = sqlite3_column_int(s, 0);
  sqlite3_finalize(s);
  return format;
}

bool Uebersetzbar(sqlite3* db, const char* sql, bool zeileNoetig) {
  sqlite3_stmt* s = nullptr;
  const bool da =
      sqlite3_prepare_v2(db, sql, -1, &s, nullptr) == SQLITE_OK && (!zeileNoetig || sqlite3_step(s) == SQLITE_ROW);
  sqlite3_finalize(s);
  return da;
}

// Names of files without a row of their own, kept with their folder's
// time (added to indexes of the same format, so nothing is re-indexed).
bool ZwillingeDa(sqlite3* db) { return Uebersetzbar(db, "SELECT zwillingszeit, zwillinge FROM ordner LIMIT 0", false); }

// Texts of plain files beyond the extraction's limit were once kept cut
// and counted as read in full; such files are now read by the search.
bool LangeGeprueft(sqlite3* db) { return Uebersetzbar(db, "SELECT 1 FROM meta WHERE schluessel='lange_texte'", true); }

bool Aktuell(sqlite3* db) { return FormatLesen(db) == kFormat && ZwillingeDa(db) && LangeGeprueft(db); }

// Older layouts: a text per file, sections numbered file id * 8192 +
// number. Files of the same bytes now share the text of the first.
constexpr const char* kAltesFormatUmbauen =
    "DROP TABLE IF EXISTS volltext;"
    "ALTER TABLE abschnitte RENAME TO abschnitte_alt;"
    "ALTER TABLE dateien ADD COLUMN inhalt INTEGER;"
    "CREATE TABLE inhalte (id INTEGER PRIMARY KEY, groesse INTEGER NOT NULL, hash BLOB,"
    " im_index INTEGER NOT NULL DEFAULT 0);"
    "CREATE TEMP TABLE erste AS SELECT id, groesse, hash, zustand = 1 AND im_index = 1 AS indiziert FROM dateien d"
    " WHERE EXISTS (SELECT 1 FROM abschnitte_alt a WHERE a.id >= d.id * 8192 AND a.id < (d.id + 1) * 8192)"
    " AND (zustand <> 1 OR im_index <> 1 OR hash IS NULL OR id = (SELECT min(x.id) FROM dateien x"
    "  WHERE x.groesse = d.groesse AND x.hash = d.hash AND x.zustand = 1 AND x.im_index = 1));"
    "INSERT INTO inhalte (id, groesse, hash, im_index) SELECT id, groesse, hash, indiziert FROM erste;"
    "UPDATE dateien SET inhalt = id WHERE id IN (SELECT id FROM erste);"
    "UPDATE dateien SET inhalt = (SELECT min(x.id) FROM erste x WHERE x.indiziert AND x.groesse = dateien.groesse"
    " AND x.hash = dateien.hash) WHERE inhalt IS NULL AND zustand = 1 AND im_index = 1;"
    "CREATE TABLE abschnitte (id INTEGER PRIMARY KEY, inhalt INTEGER NOT NULL, nr INTEGER NOT NULL,"
    " eigen INTEGER NOT NULL, daten BLOB NOT NULL);"
    "INSERT INTO abschnitte (inhalt, nr, eigen, daten) SELECT id / 8192, id % 8192, eigen, daten"
    " FROM abschnitte_alt WHERE id / 8192 IN (SELECT id FROM erste) ORDER BY id;"
    "DROP TABLE abschnitte_alt; DROP TABLE erste;"
    "DROP INDEX IF EXISTS dateien_inhalt;"
    "ALTER TABLE dateien DROP COLUMN im_index;";

constexpr const char* kTabellen =
    "CREATE TABLE IF NOT EXISTS meta (schluessel TEXT PRIMARY KEY, wert TEXT);"
    "CREATE TABLE IF NOT EXISTS dateien ("
    " id INTEGER PRIMARY KEY,"
    " pfad TEXT NOT NULL,"
    " schluessel TEXT NOT NULL UNIQUE,"
    " ordner TEXT NOT NULL,"
    " groesse INTEGER NOT NULL DEFAULT 0,"
    " mtime INTEGER NOT NULL DEFAULT 0,"
    " hash BLOB,"
    " zustand INTEGER NOT NULL,"
    " grund TEXT,"
    " art TEXT,"
    " seiten INTEGER NOT NULL DEFAULT 0,"
    " inhalt INTEGER);"
    // A text, held by the files of its bytes; only texts of indexed files
    // are in the FTS index (and shared).
    "CREATE TABLE IF NOT EXISTS inhalte (id INTEGER PRIMARY KEY, groesse INTEGER NOT NULL, hash BLOB,"
    " im_index INTEGER NOT NULL DEFAULT 0);"
    // The FTS row id of a section is its id.
    "CREATE TABLE IF NOT EXISTS abschnitte (id INTEGER PRIMARY KEY, inhalt INTEGER NOT NULL,"
    " nr INTEGER NOT NULL, eigen INTEGER NOT NULL, daten BLOB NOT NULL);"
    "CREATE INDEX IF NOT EXISTS abschnitte_inhalt ON abschnitte(inhalt, nr);"
    "CREATE INDEX IF NOT EXISTS inhalte_bytes ON inhalte(groesse, hash) WHERE im_index = 1;"
    "CREATE TABLE IF NOT EXISTS ordner (schluessel TEXT PRIMARY KEY, pfad TEXT NOT NULL, mtime INTEGER NOT NULL,"
    " zwillingszeit INTEGER, zwillinge TEXT);"
    "CREATE INDEX IF NOT EXISTS dateien_ordner ON dateien(ordner);"
    "CREATE INDEX IF NOT EXISTS dateien_text ON dateien(inhalt);"
    "CREATE INDEX IF NOT EXISTS dateien_ohne_text ON dateien(ordner) WHERE zustand <> 1;"
    "CREATE VIRTUAL TABLE IF NOT EXISTS volltext USING fts5(t, content='', tokenize='vxmtri', detail=none);";

}  // namespace

void Volltextindex::Aufbauen() {
  if (Aktuell(db_)) return;
  Transaktion t(*this);
  const int format = FormatLesen(db_);
  if (Aktuell(db_)) return;  // another process was quicker
  if (format > 0 && format < kFormat) Ausfuehren(kAltesFormatUmbauen);
  Ausfuehren(kTabellen);
  if (!ZwillingeDa(db_))
    Ausfuehren("ALTER TABLE ordner ADD COLUMN zwillingszeit INTEGER; ALTER TABLE ordner ADD COLUMN zwillinge TEXT;");
  if (format > 0 && format < kFormat) {
    // The stored texts are indexed again, under the new section numbers.
    sqlite3_stmt* s = Anweisung(
        "SELECT a.id, a.daten FROM abschnitte a JOIN inhalte i ON i.id = a.inhalt WHERE i.im_index = 1");
    sqlite3_stmt* ein = Anweisung("INSERT INTO volltext(rowid, t) VALUES (?, ?)");
    Zurueck z{s};
    while (sqlite3_step(s) == SQLITE_ROW) {
      Zurueck z1{ein};
      sqlite3_bind_int64(ein, 1, sqlite3_column_int64(s, 0));
      Binden(ein, 2, Falten(Entpacken(Spalte(s, 1))));
      if (sqlite3_step(ein) != SQLITE_DONE) throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
    }
  }
  if (!LangeGeprueft(db_)) {
    Ausfuehren(
        "UPDATE dateien SET zustand = 2, grund = 'Text länger als 64 MB; die Suche liest die Datei selbst'"
        " WHERE zustand = 1 AND groesse > 67108864 AND art IN ('text', 'markup', 'rtf');"
        "INSERT OR REPLACE INTO meta VALUES ('lange_texte', '1')");
  }
  {
    sqlite3_stmt* m = Anweisung("INSERT OR REPLACE INTO meta VALUES ('format', ?)");
    Zurueck z3{m};
    sqlite3_bind_int(m, 1, kFormat);
    sqlite3_step(m);
  }
  t.Festschreiben();
}

Volltextindex::Lesen::Lesen(Volltextindex& index) : index_(index) {
  if (sqlite3_get_autocommit(index_.db_))
    begonnen_ = sqlite3_exec(index_.db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
}

Volltextindex::Lesen::~Lesen() {
  if (begonnen_) sqlite3_exec(index_.db_, "COMMIT", nullptr, nullptr, nullptr);
}

Volltextindex::Transaktion::Transaktion(Volltextindex& index) : index_(index) {
  index_.Ausfuehren("BEGIN IMMEDIATE");
}

Volltextindex::Transaktion::~Transaktion() {
  if (offen_) sqlite3_exec(index_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Volltextindex::Transaktion::Festschreiben() {
  index_.Ausfuehren("COMMIT");
  offen_ = false;
}

std::optional<Indexeintrag> Volltextindex::Eintrag(const std::string& pfad) {
  sqlite3_stmt* s = Anweisung(
      "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten, inhalt FROM dateien WHERE schluessel = ?");
  Zurueck z{s};
  Binden(s, 1, IndexSchluessel(pfad));
  if (sqlite3_step(s) != SQLITE_ROW) return std::nullopt;
  return Zeile(s);
}

std::vector<Indexeintrag> Volltextindex::EintraegeUnter(const std::string& ordner, bool rekursiv) {
  const std::string k = IndexOrdnerSchluessel(ordner);
  sqlite3_stmt* s = Anweisung(
      rekursiv ? "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten, inhalt FROM dateien"
                 " WHERE ordner = ?1 OR (ordner >= ?1 || '\\' AND ordner < ?1 || ']')"
               : "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten, inhalt FROM dateien WHERE ordner = ?1");
  Zurueck z{s};
  Binden(s, 1, k);
  std::vector<Indexeintrag> v;
  while (sqlite3_step(s) == SQLITE_ROW) v.push_back(Zeile(s));
  return v;
}

std::optional<Indexeintrag> Volltextindex::GleicherInhalt(std::int64_t groesse, const std::string& hash) {
  if (hash.empty()) return std::nullopt;
  sqlite3_stmt* s = Anweisung(
      "SELECT d.id, d.pfad, d.groesse, d.mtime, d.hash, d.zustand, d.grund, d.art, d.seiten, d.inhalt"
      " FROM inhalte i JOIN dateien d ON d.inhalt = i.id"
      " WHERE i.groesse = ? AND i.hash = ? AND i.im_index = 1 AND d.zustand = 1 LIMIT 1");
  Zurueck z{s};
  sqlite3_bind_int64(s, 1, groesse);
  sqlite3_bind_blob(s, 2, hash.data(), static_cast<int>(hash.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(s) != SQLITE_ROW) return std::nullopt;
  return Zeile(s);
}

std::string Volltextindex::Text(std::int64_t id) {
  sqlite3_stmt* s = Anweisung(
      "SELECT a.eigen, a.daten FROM dateien d JOIN abschnitte a ON a.inhalt = d.inhalt WHERE d.id = ? ORDER BY a.nr");
  Zurueck z{s};
  sqlite3_bind_int64(s, 1, id);
  std::string text;
  while (sqlite3_step(s) == SQLITE_ROW) {
    const std::string teil = Entpacken(Spalte(s, 1));
    text.append(teil, 0, std::min<std::size_t>(teil.size(), static_cast<std::size_t>(sqlite3_column_int64(s, 0))));
  }
  return text;
}

std::string Volltextindex::InhaltText(std::int64_t inhalt) {
  sqlite3_stmt* s = Anweisung("SELECT eigen, daten FROM abschnitte WHERE inhalt = ? ORDER BY nr");
  Zurueck z{s};
  sqlite3_bind_int64(s, 1, inhalt);
  std::string text;
  while (sqlite3_step(s) == SQLITE_ROW) {
    const std::string teil = Entpacken(Spalte(s, 1));
    text.append(teil, 0, std::min<std::size_t>(teil.size(), static_cast<std::size_t>(sqlite3_column_int64(s, 0))));
  }
  return text;
}

std::vector<Indexeintrag> Volltextindex::DateienMitInhalt(std::int64_t inhalt) {
  sqlite3_stmt* s = Anweisung(
      "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten, inhalt FROM dateien WHERE inhalt = ?");
  Zurueck z{s};
  sqlite3_bind_int64(s, 1, inhalt);
  std::vector<Indexeintrag> v;
  while (sqlite3_step(s) == SQLITE_ROW) v.push_back(Zeile(s));
  return v;
}

std::vector<Indexeintrag> Volltextindex::DateienMitInhalten(const std::vector<std::int64_t>& inhalte) {
  std::vector<Indexeintrag> v;
  if (inhalte.empty()) return v;
  std::string liste = "[";
  for (const auto i : inhalte) liste += (liste.size() > 1 ? "," : "") + std::to_string(i);
  liste += "]";
  sqlite3_stmt* s = Anweisung(
      "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten, inhalt FROM dateien"
      " WHERE inhalt IN (SELECT value FROM json_each(?))");
  Zurueck z{s};
  Binden(s, 1, liste);
  while (sqlite3_step(s) == SQLITE_ROW) v.push_back(Zeile(s));
  return v;
}

std::string Volltextindex::AbschnittText(std::int64_t abschnitt) {
  sqlite3_stmt* s = Anweisung("SELECT daten FROM abschnitte WHERE id = ?");
  Zurueck z{s};
  sqlite3_bind_int64(s, 1, abschnitt);
  if (sqlite3_step(s) != SQLITE_ROW) return {};
  return Entpacken(Spalte(s, 0));
}

bool Volltextindex::AbschnittDaten(std::int64_t abschnitt, std::string& aus) {
  sqlite3_stmt* s = Anweisung("SELECT daten FROM abschnitte WHERE id = ?");
  Zurueck z{s};
  sqlite3_bind_int64(s, 1, abschnitt);
  if (sqlite3_step(s) != SQLITE_ROW) return false;
  const auto* p = static_cast<const char*>(sqlite3_column_blob(s, 0));
  aus.append(p, static_cast<std::size_t>(sqlite3_column_bytes(s, 0)));
  return true;
}

std::optional<Indexeintrag> Volltextindex::EintragNachId(std::int64_t id) {
  sqlite3_stmt* s = Anweisung(
      "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten, inhalt FROM dateien WHERE id = ?");
  Zurueck z{s};
  sqlite3_bind_int64(s, 1, id);
  if (sqlite3_step(s) != SQLITE_ROW) return std::nullopt;
  return Zeile(s);
}

std::vector<Indexeintrag> Volltextindex::OhneIndextextUnter(const std::string& ordner) {
  sqlite3_stmt* s = Anweisung(
      "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten, inhalt FROM dateien INDEXED BY dateien_ohne_text"
      " WHERE zustand <> 1 AND (ordner = ?1 OR (ordner >= ?1 || '\\' AND ordner < ?1 || ']'))");
  Zurueck z{s};
  Binden(s, 1, IndexOrdnerSchluessel(ordner));
  std::vector<Indexeintrag> v;
  while (sqlite3_step(s) == SQLITE_ROW) v.push_back(Zeile(s));
  return v;
}

std::vector<Indexeintrag> Volltextindex::NichtIndizierbare() {
  sqlite3_stmt* s = Anweisung(
      "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten, inhalt FROM dateien"
      " WHERE zustand = 2 ORDER BY schluessel");
  Zurueck z{s};
  std::vector<Indexeintrag> v;
  while (sqlite3_step(s) == SQLITE_ROW) v.push_back(Zeile(s));
  return v;
}

std::vector<Indexeintrag> Volltextindex::OcrAusstehende() {
  sqlite3_stmt* s = Anweisung(
      "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten, inhalt FROM dateien"
      " WHERE zustand = 3 ORDER BY id");
  Zurueck z{s};
  std::vector<Indexeintrag> v;
  while (sqlite3_step(s) == SQLITE_ROW) v.push_back(Zeile(s));
  return v;
}

Indexstatistik Volltextindex::Statistik() {
  sqlite3_stmt* s = Anweisung("SELECT zustand, count(*) FROM dateien GROUP BY zustand");
  Zurueck z{s};
  Indexstatistik st;
  while (sqlite3_step(s) == SQLITE_ROW) {
    const auto n = sqlite3_column_int64(s, 1);
    switch (sqlite3_column_int(s, 0)) {
      case 1: st.Indiziert = n; break;
      case 2: st.NichtIndizierbar = n; break;
      case 3: st.OcrAusstehend = n; break;
    }
  }
  return st;
}

void Volltextindex::InhaltLoesen(std::int64_t id) {
  std::int64_t inhalt = 0;
  {
    sqlite3_stmt* s = Anweisung("SELECT inhalt FROM dateien WHERE id = ?");
    Zurueck z{s};
    sqlite3_bind_int64(s, 1, id);
    if (sqlite3_step(s) == SQLITE_ROW) inhalt = sqlite3_column_int64(s, 0);
  }
  if (inhalt == 0) return;
  {
    sqlite3_stmt* s = Anweisung("UPDATE dateien SET inhalt = NULL WHERE id = ?");
    Zurueck z{s};
    sqlite3_bind_int64(s, 1, id);
    sqlite3_step(s);
  }
  bool gehalten = false;
  {
    sqlite3_stmt* s = Anweisung("SELECT 1 FROM dateien WHERE inhalt = ? LIMIT 1");
    Zurueck z{s};
    sqlite3_bind_int64(s, 1, inhalt);
    gehalten = sqlite3_step(s) == SQLITE_ROW;
  }
  if (!gehalten) InhaltEntfernen(inhalt);
}

void Volltextindex::InhaltEntfernen(std::int64_t inhalt) {
  // A contentless FTS table forgets a row only when told its indexed text.
  bool imIndex = false;
  {
    sqlite3_stmt* s = Anweisung("SELECT im_index FROM inhalte WHERE id = ?");
    Zurueck z{s};
    sqlite3_bind_int64(s, 1, inhalt);
    imIndex = sqlite3_step(s) == SQLITE_ROW && sqlite3_column_int(s, 0) == 1;
  }
  if (imIndex) {
    sqlite3_stmt* s = Anweisung("SELECT id, daten FROM abschnitte WHERE inhalt = ?");
    sqlite3_stmt* d = Anweisung("INSERT INTO volltext(volltext, rowid, t) VALUES ('delete', ?, ?)");
    Zurueck z{s};
    sqlite3_bind_int64(s, 1, inhalt);
    while (sqlite3_step(s) == SQLITE_ROW) {
      Zurueck z2{d};
      sqlite3_bind_int64(d, 1, sqlite3_column_int64(s, 0));
      Binden(d, 2, Falten(Entpacken(Spalte(s, 1))));
      if (sqlite3_step(d) != SQLITE_DONE) throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
    }
  }
  for (const char* sql : {"DELETE FROM abschnitte WHERE inhalt = ?", "DELETE FROM inhalte WHERE id = ?"}) {
    sqlite3_stmt* w = Anweisung(sql);
    Zurueck z3{w};
    sqlite3_bind_int64(w, 1, inhalt);
    if (sqlite3_step(w) != SQLITE_DONE) throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
  }
}

void Volltextindex::Schreiben(Indexeintrag& e, const Vorbereitet* text, bool textErneuern) {
  // The row of this path keeps its id; a copied id of another row does not count.
  const auto alt = Eintrag(e.Pfad);
  e.Id = alt ? alt->Id : 0;
  if (e.Id != 0) InhaltLoesen(e.Id);
  const bool indizieren = e.Zustand == Indexzustand::Indiziert;
  if (text && indizieren && !text->MitGrammen) throw IndexFehler("Volltextindex: Text ohne N-Gramme");
  std::int64_t inhalt = text && indizieren && !e.Hash.empty() ? GeteilterInhalt(e) : 0;
  bool neuerText = text && inhalt == 0;
  std::int64_t ersetzt = 0;
  if (inhalt != 0 && textErneuern) {
    // The shared text read again (a full run): replaced for all who hold it.
    InhaltEntfernen(inhalt);
    ersetzt = inhalt;
    neuerText = true;
  }
  if (neuerText) inhalt = InhaltAnlegen(e, indizieren);
  if (ersetzt) {
    sqlite3_stmt* u = Anweisung("UPDATE dateien SET inhalt = ? WHERE inhalt = ?");
    Zurueck z{u};
    sqlite3_bind_int64(u, 1, inhalt);
    sqlite3_bind_int64(u, 2, ersetzt);
    sqlite3_step(u);
  }
  e.Inhalt = inhalt;
  DateizeileSchreiben(e);
  if (neuerText) AbschnitteSchreiben(inhalt, *text, indizieren);
}

std::int64_t Volltextindex::GeteilterInhalt(const Indexeintrag& e) {
  sqlite3_stmt* s = Anweisung("SELECT id FROM inhalte WHERE groesse = ? AND hash = ? AND im_index = 1 LIMIT 1");
  Zurueck z{s};
  sqlite3_bind_int64(s, 1, e.Groesse);
  sqlite3_bind_blob(s, 2, e.Hash.data(), static_cast<int>(e.Hash.size()), SQLITE_TRANSIENT);
  return sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
}

std::int64_t Volltextindex::InhaltAnlegen(const Indexeintrag& e, bool indizieren) {
  sqlite3_stmt* s = Anweisung("INSERT INTO inhalte (groesse, hash, im_index) VALUES (?, ?, ?) RETURNING id");
  Zurueck z{s};
  sqlite3_bind_int64(s, 1, e.Groesse);
  if (e.Hash.empty()) sqlite3_bind_null(s, 2);
  else sqlite3_bind_blob(s, 2, e.Hash.data(), static_cast<int>(e.Hash.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int(s, 3, indizieren ? 1 : 0);
  if (sqlite3_step(s) != SQLITE_ROW) throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
  const std::int64_t inhalt = sqlite3_column_int64(s, 0);
  sqlite3_step(s);
  return inhalt;
}

void Volltextindex::DateizeileSchreiben(Indexeintrag& e) {
  const std::string schluessel = IndexSchluessel(e.Pfad);
  sqlite3_stmt* s = Anweisung(
      "INSERT INTO dateien (id, pfad, schluessel, ordner, groesse, mtime, hash, zustand, grund, art, seiten,"
      " inhalt) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)"
      " ON CONFLICT(schluessel) DO UPDATE SET pfad = ?2, groesse = ?5, mtime = ?6, hash = ?7, zustand = ?8,"
      " grund = ?9, art = ?10, seiten = ?11, inhalt = ?12"
      " RETURNING id");
  Zurueck z{s};
  if (e.Id) sqlite3_bind_int64(s, 1, e.Id); else sqlite3_bind_null(s, 1);
  Binden(s, 2, e.Pfad);
  Binden(s, 3, schluessel);
  Binden(s, 4, Ordnerteil(schluessel));
  sqlite3_bind_int64(s, 5, e.Groesse);
  sqlite3_bind_int64(s, 6, e.Mtime);
  if (e.Hash.empty()) sqlite3_bind_null(s, 7);
  else sqlite3_bind_blob(s, 7, e.Hash.data(), static_cast<int>(e.Hash.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int(s, 8, static_cast<int>(e.Zustand));
  Binden(s, 9, e.Grund);
  Binden(s, 10, e.Art);
  sqlite3_bind_int64(s, 11, e.Seiten);
  if (e.Inhalt) sqlite3_bind_int64(s, 12, e.Inhalt); else sqlite3_bind_null(s, 12);
  if (sqlite3_step(s) != SQLITE_ROW) throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
  e.Id = sqlite3_column_int64(s, 0);
}

void Volltextindex::AbschnitteSchreiben(std::int64_t inhalt, const Vorbereitet& text, bool indizieren) {
  sqlite3_stmt* ab = Anweisung("INSERT INTO abschnitte (inhalt, nr, eigen, daten) VALUES (?, ?, ?, ?) RETURNING id");
  sqlite3_stmt* ein = Anweisung("INSERT INTO volltext(rowid, t) VALUES (?, ?)");
  std::int64_t nr = 0;
  for (const auto& a : text.Teile) {
    const std::string& gepackt = a.Gepackt;
    std::int64_t rowid = 0;
    {
      Zurueck z{ab};
      sqlite3_bind_int64(ab, 1, inhalt);
      sqlite3_bind_int64(ab, 2, nr++);
      sqlite3_bind_int64(ab, 3, static_cast<std::int64_t>(a.Eigen));
      sqlite3_bind_blob(ab, 4, gepackt.data(), static_cast<int>(gepackt.size()), SQLITE_STATIC);
      if (sqlite3_step(ab) != SQLITE_ROW) throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
      rowid = sqlite3_column_int64(ab, 0);
      sqlite3_step(ab);
    }
    if (indizieren) {
      Zurueck z{ein};
      sqlite3_bind_int64(ein, 1, rowid);
      Binden(ein, 2, a.Gramme);
      if (sqlite3_step(ein) != SQLITE_DONE) throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
    }
  }
}

void Volltextindex::ZeitAktualisieren(std::int64_t id, std::int64_t groesse, std::int64_t mtime) {
  sqlite3_stmt* s = Anweisung("UPDATE dateien SET groesse = ?, mtime = ? WHERE id = ?");
  Zurueck z{s};
  sqlite3_bind_int64(s, 1, groesse);
  sqlite3_bind_int64(s, 2, mtime);
  sqlite3_bind_int64(s, 3, id);
  sqlite3_step(s);
}

void Volltextindex::Entfernen(const std::string& pfad) {
  OrdnerzeitenVergessen(pfad);  // when it names a folder
  const auto e = Eintrag(pfad);
  if (!e) return;
  InhaltLoesen(e->Id);
  sqlite3_stmt* s = Anweisung("DELETE FROM dateien WHERE id = ?");
  Zurueck z{s};
  sqlite3_bind_int64(s, 1, e->Id);
  sqlite3_step(s);
}

std::pair<std::int64_t, std::int64_t> Volltextindex::Stand() {
  sqlite3_stmt* s = Anweisung("PRAGMA data_version");
  Zurueck z{s};
  const std::int64_t andere = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
  return {andere, sqlite3_total_changes64(db_)};
}

std::shared_ptr<const void> Volltextindex::Gemerkt(const std::string& name) {
  if (!gemerkt_.Wert || gemerkt_.Name != name || gemerkt_.Stand != Stand()) return nullptr;
  return gemerkt_.Wert;
}

void Volltextindex::Merken(const std::string& name, std::shared_ptr<const void> wert) {
  gemerkt_ = {name, Stand(), std::move(wert)};
}

std::vector<Volltextindex::Kandidat> Volltextindex::Kandidaten(const std::string& gefaltet, bool& sicher,
                                                               bool mitDaten) {
  std::vector<Kandidat> v;
  const std::size_t zeichen = Zeichen(gefaltet);
  sicher = zeichen == 3 || zeichen == 4;  // one n-gram: present is found
  sqlite3_stmt* s;
  std::string abfrage;
  if (zeichen >= 3) {
    // A long phrase: its start lies whole in one section.
    std::size_t ende = std::min(gefaltet.size(), kUeberlappung / 2);
    while (ende < gefaltet.size() && (static_cast<unsigned char>(gefaltet[ende]) & 0xC0) == 0x80) ++ende;
    abfrage = NgrammAbfrage(gefaltet.substr(0, ende));
    s = Anweisung(mitDaten ? "SELECT a.id, a.inhalt, a.nr, a.daten FROM volltext v JOIN abschnitte a ON a.id = v.rowid"
                             " WHERE volltext MATCH ?"
                           : "SELECT a.id, a.inhalt, a.nr FROM volltext v JOIN abschnitte a ON a.id = v.rowid"
                             " WHERE volltext MATCH ?");
  } else {
    s = Anweisung(mitDaten ? "SELECT a.id, a.inhalt, a.nr, a.daten FROM abschnitte a JOIN inhalte i ON i.id = a.inhalt"
                             " WHERE i.im_index = 1"
                           : "SELECT a.id, a.inhalt, a.nr FROM abschnitte a JOIN inhalte i ON i.id = a.inhalt"
                             " WHERE i.im_index = 1");
  }
  Zurueck z{s};
  if (zeichen >= 3) Binden(s, 1, abfrage);
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    v.push_back({sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1), sqlite3_column_int64(s, 2), {}});
    if (mitDaten) v.back().Daten = Spalte(s, 3);
  }
  if (rc != SQLITE_DONE) throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
  std::sort(v.begin(), v.end(), [](const Kandidat& x, const Kandidat& y) {
    return x.Inhalt != y.Inhalt ? x.Inhalt < y.Inhalt : x.Nr < y.Nr;
  });
  return v;
}

void Volltextindex::Optimieren() { Ausfuehren("INSERT INTO volltext(volltext) VALUES ('optimize')"); }

bool Volltextindex::Verdichten(int seiten) {
  // A negative count merges any level with two segments or more, so steps
  // repeated until nothing changes end where 'optimize' ends.
  const auto vorher = sqlite3_total_changes64(db_);
  Ausfuehren(("INSERT INTO volltext(volltext, rank) VALUES ('merge', " + std::to_string(-std::max(seiten, 1)) + ")")
                 .c_str());
  // The command itself counts as one change; merged pages add more.
  return sqlite3_total_changes64(db_) - vorher >= 2;
}

std::string Volltextindex::Pruefen() {
  std::string aus;
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db_, "PRAGMA integrity_check", -1, &s, nullptr) == SQLITE_OK) {
    while (sqlite3_step(s) == SQLITE_ROW) {
      const std::string z = Spalte(s, 0);
      if (z != "ok") aus += z + "\n";
    }
  }
  sqlite3_finalize(s);
  char* fehler = nullptr;
  if (sqlite3_exec(db_, "INSERT INTO volltext(volltext) VALUES ('integrity-check')", nullptr, nullptr, &fehler) !=
      SQLITE_OK) {
    aus += std::string("FTS: ") + (fehler ? fehler : "?") + "\n";
  }
  sqlite3_free(fehler);
  return aus;
}

}  // namespace vxm::volltext
