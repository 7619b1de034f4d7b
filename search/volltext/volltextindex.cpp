#include "search/volltext/volltextindex.h"

#include <zstd.h>

#include <algorithm>
#include <set>

#include "platform/text.h"
#include "search/volltext/faltung.h"

namespace vxm::volltext {
namespace {

// Changes of the folding or the layout that make the stored FTS index
// unusable raise this; the index is then built anew from the stored texts.
constexpr int kFormat = 1;

struct Zurueck {
  sqlite3_stmt* s;
  ~Zurueck() {
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
  }
};

void Binden(sqlite3_stmt* s, int i, std::string_view t) {
  sqlite3_bind_text(s, i, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

std::string Spalte(sqlite3_stmt* s, int i) {
  const auto* p = static_cast<const char*>(sqlite3_column_blob(s, i));
  return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s, i))) : std::string();
}

std::string Packen(const std::string& text) {
  std::string aus(ZSTD_compressBound(text.size()), '\0');
  const std::size_t n = ZSTD_compress(aus.data(), aus.size(), text.data(), text.size(), 6);
  if (ZSTD_isError(n)) throw IndexFehler("Text nicht komprimierbar");
  aus.resize(n);
  return aus;
}

std::string Entpacken(const std::string& z) {
  if (z.empty()) return {};
  const unsigned long long n = ZSTD_getFrameContentSize(z.data(), z.size());
  if (n == ZSTD_CONTENTSIZE_ERROR || n == ZSTD_CONTENTSIZE_UNKNOWN || n > (1ull << 31)) return {};
  std::string aus(static_cast<std::size_t>(n), '\0');
  const std::size_t r = ZSTD_decompress(aus.data(), aus.size(), z.data(), z.size());
  if (ZSTD_isError(r)) return {};
  aus.resize(r);
  return aus;
}

std::string Ordnerteil(const std::string& schluessel) {
  const auto p = schluessel.rfind('\\');
  return p == std::string::npos ? std::string() : schluessel.substr(0, p);
}

// "C:\A\" and "C:\A" name the same folder.
std::string OrdnerSchluessel(const std::string& ordner) {
  std::string k = IndexSchluessel(ordner);
  while (!k.empty() && (k.back() == '\\' || k.back() == '/')) k.pop_back();
  return k;
}

constexpr const char* kSpalten =
    "id, pfad, groesse, mtime, hash, zustand, grund, art, seiten";

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
  return e;
}

// The FTS5 query for a folded phrase: every distinct trigram (at most 32,
// spread over the phrase) must be in the file.
std::string TrigrammAbfrage(const std::string& p) {
  std::vector<std::size_t> start;  // byte offsets of the characters
  for (std::size_t i = 0; i < p.size(); ++i)
    if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) start.push_back(i);
  start.push_back(p.size());
  const std::size_t n = start.size() - 1;
  std::set<std::string> tri;
  const std::size_t anzahl = n - 2;
  const std::size_t schritt = anzahl > 32 ? (anzahl + 31) / 32 : 1;
  for (std::size_t k = 0; k < anzahl; k += schritt) tri.insert(p.substr(start[k], start[k + 3] - start[k]));
  tri.insert(p.substr(start[n - 3], start[n] - start[n - 3]));
  std::string q;
  for (const auto& t : tri) {
    if (!q.empty()) q += " AND ";
    q += '"';
    for (const char c : t) {
      if (c == '"') q += '"';
      q += c;
    }
    q += '"';
  }
  return q;
}

}  // namespace

std::string IndexSchluessel(const std::string& pfad) { return Gross(pfad); }

std::string Volltextindex::DateiNebenRegister(const std::string& reg) {
  const auto trenner = reg.find_last_of("\\/");
  const auto punkt = reg.rfind('.');
  const std::string basis =
      punkt != std::string::npos && (trenner == std::string::npos || punkt > trenner) ? reg.substr(0, punkt) : reg;
  return basis + ".volltext";
}

Volltextindex::Volltextindex(const std::filesystem::path& datei) : datei_(datei) {
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
    Ausfuehren("PRAGMA journal_mode=WAL");
    Ausfuehren("PRAGMA synchronous=NORMAL");
    Aufbauen();
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

void Volltextindex::Aufbauen() {
  // A current index is opened without writing (a search must not wait for
  // the indexer's lock, nor take one).
  {
    sqlite3_stmt* s = nullptr;
    int format = 0;
    if (sqlite3_prepare_v2(db_, "SELECT wert FROM meta WHERE schluessel='format'", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
      format = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
    if (format == kFormat) return;
  }
  Transaktion t(*this);
  Ausfuehren(
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
      " text BLOB,"
      " im_index INTEGER NOT NULL DEFAULT 0);"
      "CREATE INDEX IF NOT EXISTS dateien_ordner ON dateien(ordner);"
      "CREATE INDEX IF NOT EXISTS dateien_inhalt ON dateien(groesse, hash);"
      "CREATE VIRTUAL TABLE IF NOT EXISTS volltext USING fts5("
      " t, content='', tokenize='trigram case_sensitive 1', detail=none);");
  int format = 0;
  {
    sqlite3_stmt* s = Anweisung("SELECT wert FROM meta WHERE schluessel='format'");
    Zurueck z{s};
    if (sqlite3_step(s) == SQLITE_ROW) format = sqlite3_column_int(s, 0);
  }
  if (format != kFormat) {
    // A different folding: the stored texts are indexed again.
    Ausfuehren("DELETE FROM volltext; UPDATE dateien SET im_index = 0");
    sqlite3_stmt* s = Anweisung("SELECT id, text FROM dateien WHERE zustand = 1 AND text IS NOT NULL");
    sqlite3_stmt* ein = Anweisung("INSERT INTO volltext(rowid, t) VALUES (?, ?)");
    sqlite3_stmt* markieren = Anweisung("UPDATE dateien SET im_index = 1 WHERE id = ?");
    Zurueck z{s};
    while (sqlite3_step(s) == SQLITE_ROW) {
      const std::int64_t id = sqlite3_column_int64(s, 0);
      const std::string text = Falten(Entpacken(Spalte(s, 1)));
      Zurueck z1{ein}, z2{markieren};
      sqlite3_bind_int64(ein, 1, id);
      Binden(ein, 2, text);
      sqlite3_bind_int64(markieren, 1, id);
      if (sqlite3_step(ein) != SQLITE_DONE || sqlite3_step(markieren) != SQLITE_DONE)
        throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
    }
    sqlite3_stmt* m = Anweisung("INSERT OR REPLACE INTO meta VALUES ('format', ?)");
    Zurueck z3{m};
    sqlite3_bind_int(m, 1, kFormat);
    sqlite3_step(m);
  }
  t.Festschreiben();
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
      "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten FROM dateien WHERE schluessel = ?");
  Zurueck z{s};
  Binden(s, 1, IndexSchluessel(pfad));
  if (sqlite3_step(s) != SQLITE_ROW) return std::nullopt;
  return Zeile(s);
}

std::vector<Indexeintrag> Volltextindex::EintraegeUnter(const std::string& ordner, bool rekursiv) {
  const std::string k = OrdnerSchluessel(ordner);
  sqlite3_stmt* s = Anweisung(
      rekursiv ? "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten FROM dateien"
                 " WHERE ordner = ?1 OR (ordner >= ?1 || '\\' AND ordner < ?1 || ']')"
               : "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten FROM dateien WHERE ordner = ?1");
  Zurueck z{s};
  Binden(s, 1, k);
  std::vector<Indexeintrag> v;
  while (sqlite3_step(s) == SQLITE_ROW) v.push_back(Zeile(s));
  return v;
}

std::optional<Indexeintrag> Volltextindex::GleicherInhalt(std::int64_t groesse, const std::string& hash) {
  if (hash.empty()) return std::nullopt;
  sqlite3_stmt* s = Anweisung(
      "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten FROM dateien"
      " WHERE groesse = ? AND hash = ? AND zustand = 1 AND im_index = 1 LIMIT 1");
  Zurueck z{s};
  sqlite3_bind_int64(s, 1, groesse);
  sqlite3_bind_blob(s, 2, hash.data(), static_cast<int>(hash.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(s) != SQLITE_ROW) return std::nullopt;
  return Zeile(s);
}

std::string Volltextindex::Text(std::int64_t id) {
  sqlite3_stmt* s = Anweisung("SELECT text FROM dateien WHERE id = ?");
  Zurueck z{s};
  sqlite3_bind_int64(s, 1, id);
  if (sqlite3_step(s) != SQLITE_ROW) return {};
  return Entpacken(Spalte(s, 0));
}

std::vector<Indexeintrag> Volltextindex::NichtIndizierbare() {
  sqlite3_stmt* s = Anweisung(
      "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten FROM dateien"
      " WHERE zustand = 2 ORDER BY schluessel");
  Zurueck z{s};
  std::vector<Indexeintrag> v;
  while (sqlite3_step(s) == SQLITE_ROW) v.push_back(Zeile(s));
  return v;
}

std::vector<Indexeintrag> Volltextindex::OcrAusstehende() {
  sqlite3_stmt* s = Anweisung(
      "SELECT id, pfad, groesse, mtime, hash, zustand, grund, art, seiten FROM dateien"
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

void Volltextindex::IndexEntfernen(std::int64_t id) {
  // A contentless FTS table forgets a row only when told its indexed text.
  sqlite3_stmt* s = Anweisung("SELECT text FROM dateien WHERE id = ? AND im_index = 1");
  std::string alt;
  {
    Zurueck z{s};
    sqlite3_bind_int64(s, 1, id);
    if (sqlite3_step(s) != SQLITE_ROW) return;
    alt = Falten(Entpacken(Spalte(s, 0)));
  }
  sqlite3_stmt* d = Anweisung("INSERT INTO volltext(volltext, rowid, t) VALUES ('delete', ?, ?)");
  Zurueck z{d};
  sqlite3_bind_int64(d, 1, id);
  Binden(d, 2, alt);
  if (sqlite3_step(d) != SQLITE_DONE) throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
  sqlite3_stmt* m = Anweisung("UPDATE dateien SET im_index = 0 WHERE id = ?");
  Zurueck z2{m};
  sqlite3_bind_int64(m, 1, id);
  sqlite3_step(m);
}

void Volltextindex::Schreiben(Indexeintrag& e, const std::string* text) {
  const std::string schluessel = IndexSchluessel(e.Pfad);
  // The row of this path keeps its id; a copied id of another row does not count.
  const auto alt = Eintrag(e.Pfad);
  e.Id = alt ? alt->Id : 0;
  if (e.Id != 0) IndexEntfernen(e.Id);
  sqlite3_stmt* s = Anweisung(
      "INSERT INTO dateien (id, pfad, schluessel, ordner, groesse, mtime, hash, zustand, grund, art, seiten,"
      " text, im_index) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, 0)"
      " ON CONFLICT(schluessel) DO UPDATE SET pfad = ?2, groesse = ?5, mtime = ?6, hash = ?7, zustand = ?8,"
      " grund = ?9, art = ?10, seiten = ?11, text = ?12, im_index = 0"
      " RETURNING id");
  std::string gepackt;
  if (text) gepackt = Packen(*text);
  {
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
    if (text) sqlite3_bind_blob(s, 12, gepackt.data(), static_cast<int>(gepackt.size()), SQLITE_TRANSIENT);
    else sqlite3_bind_null(s, 12);
    if (sqlite3_step(s) != SQLITE_ROW) throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
    e.Id = sqlite3_column_int64(s, 0);
  }
  if (text && e.Zustand == Indexzustand::Indiziert) {
    sqlite3_stmt* ein = Anweisung("INSERT INTO volltext(rowid, t) VALUES (?, ?)");
    Zurueck z{ein};
    sqlite3_bind_int64(ein, 1, e.Id);
    Binden(ein, 2, Falten(*text));
    if (sqlite3_step(ein) != SQLITE_DONE) throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
    sqlite3_stmt* m = Anweisung("UPDATE dateien SET im_index = 1 WHERE id = ?");
    Zurueck z2{m};
    sqlite3_bind_int64(m, 1, e.Id);
    sqlite3_step(m);
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
  const auto e = Eintrag(pfad);
  if (!e) return;
  IndexEntfernen(e->Id);
  sqlite3_stmt* s = Anweisung("DELETE FROM dateien WHERE id = ?");
  Zurueck z{s};
  sqlite3_bind_int64(s, 1, e->Id);
  sqlite3_step(s);
}

void Volltextindex::Umbenennen(const std::string& alt, const std::string& neu) {
  const std::string ka = OrdnerSchluessel(alt), kn = OrdnerSchluessel(neu);
  if (ka == kn) return;
  std::string neuPfad = neu;
  while (!neuPfad.empty() && neuPfad.back() == '\\') neuPfad.pop_back();
  // Rows already standing at the new place describe files that are gone.
  Entfernen(neuPfad);
  for (const auto& e : EintraegeUnter(neuPfad, true)) Entfernen(e.Pfad);
  {
    sqlite3_stmt* s = Anweisung(
        "UPDATE dateien SET pfad = ?1, schluessel = ?2, ordner = ?3 WHERE schluessel = ?4");
    Zurueck z{s};
    Binden(s, 1, neuPfad);
    Binden(s, 2, kn);
    Binden(s, 3, Ordnerteil(kn));
    Binden(s, 4, ka);
    sqlite3_step(s);
  }
  // Everything below a renamed folder: the folder part of path and keys.
  sqlite3_stmt* s = Anweisung(
      "UPDATE dateien SET pfad = ?1 || substr(pfad, length(?2) + 1),"
      " schluessel = ?3 || substr(schluessel, length(?2) + 1),"
      " ordner = ?3 || substr(ordner, length(?2) + 1)"
      " WHERE schluessel >= ?4 || '\\' AND schluessel < ?4 || ']'");
  Zurueck z{s};
  Binden(s, 1, neuPfad);
  Binden(s, 2, ka);
  Binden(s, 3, kn);
  Binden(s, 4, ka);
  if (sqlite3_step(s) != SQLITE_DONE) throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
}

std::vector<std::int64_t> Volltextindex::Kandidaten(const std::string& gefaltet, bool& sicher) {
  std::vector<std::int64_t> ids;
  const std::size_t zeichen = Zeichen(gefaltet);
  sicher = zeichen == 3;  // one trigram: present is found
  sqlite3_stmt* s;
  std::string abfrage;
  if (zeichen >= 3) {
    abfrage = TrigrammAbfrage(gefaltet);
    s = Anweisung("SELECT rowid FROM volltext WHERE volltext MATCH ? ORDER BY rowid");
  } else {
    s = Anweisung("SELECT id FROM dateien WHERE zustand = 1 AND im_index = 1 ORDER BY id");
  }
  Zurueck z{s};
  if (zeichen >= 3) Binden(s, 1, abfrage);
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(s, 0));
  if (rc != SQLITE_DONE) throw IndexFehler(std::string("Volltextindex: ") + sqlite3_errmsg(db_));
  return ids;
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
