#include "platform/datenbank.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <unordered_map>

#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/jetsql.h"

namespace vxm {
namespace fs = std::filesystem;

namespace {

constexpr int kWartezeitMs = 10000;  // busy timeout: another process writes

// Files open on this thread, by host path: every source bound to the same
// file shares one connection (and so sees its own uncommitted rows).
std::map<std::string, std::weak_ptr<Datenbank>>& OffeneDatenbanken() {
  thread_local std::map<std::string, std::weak_ptr<Datenbank>> offen;
  return offen;
}

bool Beginnt(std::string_view text, std::string_view anfang) {
  return text.substr(0, anfang.size()) == anfang;
}

[[noreturn]] void SqliteFehler(sqlite3* db, int rc, std::string_view wobei, const std::string& datei) {
  const std::string meldung = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  const std::string ort = wobei.empty() ? std::string() : " [" + std::string(wobei) + "]";
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      throw VbFehler(fehlernr::Gesperrt, "Die Datenbank " + datei +
                                             " ist durch einen anderen Vorgang gesperrt. Bitte "
                                             "versuchen Sie es später noch einmal." + ort);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      throw VbFehler(fehlernr::UnbekanntesFormat,
                     "Die Datenbank " + datei + " ist beschädigt oder keine Datenbank (" + meldung +
                         ")." + ort);
    case SQLITE_READONLY:
      throw VbFehler(fehlernr::SchreibgeschuetztDb,
                     "Die Datenbank " + datei + " ist schreibgeschützt; die Änderung wurde nicht "
                     "gespeichert." + ort);
    case SQLITE_CONSTRAINT:
      throw VbFehler(fehlernr::DoppelterWert,
                     "Die Änderung verletzt eine Regel der Datenbank " + datei + " (" + meldung +
                         ")." + ort);
    case SQLITE_FULL:
    case SQLITE_IOERR:
      throw VbFehler(fehlernr::DatenbankFehler,
                     "Die Datenbank " + datei + " konnte nicht geschrieben werden (" + meldung +
                         ")." + ort);
    case SQLITE_CANTOPEN:
      throw VbFehler(3051,
                     "Die Datenbank " + datei + " konnte nicht geöffnet werden (" + meldung + ")." + ort);
    default: break;
  }
  if (Beginnt(meldung, "no such table"))
    throw VbFehler(fehlernr::TabelleFehlt, "Die Tabelle " + meldung.substr(meldung.find(':') + 1) +
                                              " ist in der Datenbank " + datei +
                                              " nicht vorhanden." + ort);
  if (Beginnt(meldung, "no such column"))
    throw VbFehler(fehlernr::UnbekannteSpalte, "Das Feld " + meldung.substr(meldung.find(':') + 1) +
                                                   " ist in der Datenbank " + datei +
                                                   " nicht vorhanden." + ort);
  if (meldung.find("syntax error") != std::string::npos || Beginnt(meldung, "incomplete input"))
    throw VbFehler(fehlernr::SyntaxFehler, "Syntaxfehler in der SQL-Anweisung (" + meldung + ")." + ort);
  throw VbFehler(fehlernr::DatenbankFehler,
                 "Datenbankfehler in " + datei + ": " + meldung + "." + ort);
}

// --- functions registered on every connection --------------------------------

std::string_view TextArg(sqlite3_value* v) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
  return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_value_bytes(v))) : std::string_view();
}

// X REGEXP Y calls regexp(Y, X): the host's Like (see jetsql.h).
void LikeFunktion(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  sqlite3_result_int(ctx, JetLike(TextArg(argv[1]), TextArg(argv[0])) ? 1 : 0);
}

void FaltenFunktion(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  const std::string f = Falten(TextArg(argv[0]));
  sqlite3_result_text(ctx, f.data(), static_cast<int>(f.size()), SQLITE_TRANSIENT);
}

int TextVergleich(void*, int na, const void* a, int nb, const void* b) {
  return TextVergleichen(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(na)),
                         std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(nb)));
}

Variant WertLesen(sqlite3_stmt* s, int i) {
  switch (sqlite3_column_type(s, i)) {
    case SQLITE_INTEGER: {
      const sqlite3_int64 v = sqlite3_column_int64(s, i);
      if (v >= INT32_MIN && v <= INT32_MAX) return Variant(static_cast<int32_t>(v));
      return Variant(static_cast<double>(v));
    }
    case SQLITE_FLOAT: return Variant(sqlite3_column_double(s, i));
    case SQLITE_NULL: return Variant(NullWert{});
    default: {
      const auto* p = static_cast<const char*>(sqlite3_column_blob(s, i));
      return Variant(std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(s, i))));
    }
  }
}

int WertBinden(sqlite3_stmt* s, int i, const Variant& v) {
  return std::visit(
      [&](const auto& x) -> int {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, NullWert>)
          return sqlite3_bind_null(s, i);
        else if constexpr (std::is_same_v<T, bool>)
          return sqlite3_bind_int(s, i, x ? -1 : 0);
        else if constexpr (std::is_same_v<T, int32_t>)
          return sqlite3_bind_int(s, i, x);
        else if constexpr (std::is_same_v<T, double>)
          return sqlite3_bind_double(s, i, x);
        else
          return sqlite3_bind_text(s, i, x.data(), static_cast<int>(x.size()), SQLITE_TRANSIENT);
      },
      v.Wert());
}

std::string Bezeichner(std::string_view name) {
  std::string aus = "\"";
  for (char c : name) {
    if (c == '"') aus += '"';
    aus += c;
  }
  return aus + "\"";
}

// A statement that is finalized when it goes out of scope.
struct Stmt {
  sqlite3_stmt* s = nullptr;
  ~Stmt() { sqlite3_finalize(s); }
};

struct Spalteninfo {
  std::string name;
  bool schluessel = false;  // INTEGER PRIMARY KEY (the row id)
};

}  // namespace

// --- Datenbank ---------------------------------------------------------------

struct Datenbank::Impl {
  sqlite3* db = nullptr;
  std::string datei;  // as the caller named it
  fs::path host;
  std::weak_ptr<Datenbank> selbst;
  int tiefe = 0;
  bool beschaedigt = false;
  std::unordered_map<std::string, sqlite3_stmt*> anweisungen;

  ~Impl() {
    for (auto& [sql, s] : anweisungen) sqlite3_finalize(s);
    if (db) {
      // Statistics that exist are kept in step with a table that grew;
      // none are made where the planner's defaults serve (they could only
      // go stale). Never waits for another writer.
      if (!sqlite3_db_readonly(db, "main") && StatistikVorhanden()) {
        sqlite3_busy_timeout(db, 0);
        sqlite3_exec(db, "PRAGMA analysis_limit=1000; PRAGMA optimize", nullptr, nullptr, nullptr);
      }
      sqlite3_close_v2(db);
    }
  }

  bool StatistikVorhanden() {
    Stmt st;
    return sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_schema WHERE name = 'sqlite_stat1'", -1, &st.s, nullptr) ==
               SQLITE_OK &&
           sqlite3_step(st.s) == SQLITE_ROW;
  }

  // Statistics taken before a bulk change describe another table (e.g. all
  // shadow names NULL: every lookup would then plan as a full scan). Sampled
  // afresh, and only where statistics exist at all: without them the
  // planner's defaults already use the indexes.
  void StatistikErneuern(const std::set<std::string>& tabellen) {
    if (tabellen.empty() || !StatistikVorhanden()) return;
    std::string sql = "PRAGMA analysis_limit=1000;";
    for (const auto& t : tabellen) sql += " ANALYZE main." + Bezeichner(t) + ";";
    Ausfuehren(sql.c_str());
  }

  [[noreturn]] void Fehler(int rc, std::string_view wobei = {}) {
    if ((rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB) beschaedigt = true;
    SqliteFehler(db, rc, wobei, datei);
  }

  void Ausfuehren(const char* sql) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Fehler(rc, sql);
  }

  void Schreibpruefung() {
    if (beschaedigt)
      throw VbFehler(fehlernr::UnbekanntesFormat,
                     "Die Datenbank " + datei + " ist beschädigt; es wird nichts mehr hineingeschrieben.");
  }

  std::vector<Spalteninfo> Spalten(const std::string& tabelle) {
    Stmt st;
    const int rc = sqlite3_prepare_v2(db, "SELECT name, type, pk FROM pragma_table_info(?1)", -1, &st.s, nullptr);
    if (rc != SQLITE_OK) Fehler(rc);
    sqlite3_bind_text(st.s, 1, tabelle.c_str(), -1, SQLITE_TRANSIENT);
    std::vector<Spalteninfo> aus;
    int pks = 0;
    while (sqlite3_step(st.s) == SQLITE_ROW) {
      Spalteninfo s;
      s.name = reinterpret_cast<const char*>(sqlite3_column_text(st.s, 0));
      const char* typ = reinterpret_cast<const char*>(sqlite3_column_text(st.s, 1));
      const int pk = sqlite3_column_int(st.s, 2);
      if (pk > 0) ++pks;
      s.schluessel = pk == 1 && typ && GleichOhneFall(typ, "INTEGER");
      aus.push_back(std::move(s));
    }
    if (pks != 1)
      for (auto& s : aus) s.schluessel = false;
    return aus;
  }

  // Shadow columns X + "Schluessel" follow X through temporary triggers of
  // this connection, so the file itself needs no function of ours.
  void SchattenspaltenVerbinden() {
    Stmt st;
    int rc = sqlite3_prepare_v2(
        db, "SELECT m.name, p.name FROM sqlite_schema m, pragma_table_info(m.name) p "
            "WHERE m.type = 'table' AND m.name NOT LIKE 'sqlite~_%' ESCAPE '~' ORDER BY m.name, p.cid",
        -1, &st.s, nullptr);
    if (rc != SQLITE_OK) Fehler(rc);
    std::map<std::string, std::vector<std::string>> tabellen;
    while ((rc = sqlite3_step(st.s)) == SQLITE_ROW)
      tabellen[reinterpret_cast<const char*>(sqlite3_column_text(st.s, 0))].push_back(
          reinterpret_cast<const char*>(sqlite3_column_text(st.s, 1)));
    if (rc != SQLITE_DONE) Fehler(rc);
    std::vector<std::array<std::string, 3>> paare;  // table, column, shadow column
    std::set<std::string> geaendert;                 // tables changed in bulk here
    for (const auto& [tabelle, spalten] : tabellen) {
      for (const auto& spalte : spalten) {
        const std::string schatten = spalte + kSchluesselEndung;
        auto it = std::find_if(spalten.begin(), spalten.end(),
                               [&](const std::string& s) { return GleichOhneFall(s, schatten); });
        if (it == spalten.end()) continue;
        paare.push_back({tabelle, spalte, *it});
        const std::string t = Bezeichner(tabelle), setzen = "UPDATE " + t + " SET " + Bezeichner(*it) +
                                                          " = vxm_falten(NEW." + Bezeichner(spalte) +
                                                          ") WHERE rowid = NEW.rowid; END";
        const std::string name = "vxm_" + tabelle + "_" + spalte;
        const std::string sql =
            "CREATE TEMP TRIGGER IF NOT EXISTS " + Bezeichner(name + "_neu") + " AFTER INSERT ON main." + t +
            " BEGIN " + setzen + "; CREATE TEMP TRIGGER IF NOT EXISTS " + Bezeichner(name + "_aend") +
            " AFTER UPDATE OF " + Bezeichner(spalte) + " ON main." + t + " BEGIN " + setzen + ";";
        Ausfuehren(sql.c_str());
        // Rows written by other tools (the sqlite3 shell) lack the folded
        // names; fill them in, through the index on the shadow column.
        if (!sqlite3_db_readonly(db, "main")) {
          const std::string fehlt = " WHERE " + Bezeichner(*it) + " IS NULL AND " + Bezeichner(spalte) + " IS NOT NULL";
          Stmt pruefen;
          rc = sqlite3_prepare_v2(db, ("SELECT EXISTS (SELECT 1 FROM " + t + fehlt + ")").c_str(), -1, &pruefen.s, nullptr);
          if (rc != SQLITE_OK) Fehler(rc);
          rc = sqlite3_step(pruefen.s);
          if (rc == SQLITE_ROW && sqlite3_column_int(pruefen.s, 0)) {
            Ausfuehren(("UPDATE " + t + " SET " + Bezeichner(*it) + " = vxm_falten(" + Bezeichner(spalte) + ")" + fehlt).c_str());
            geaendert.insert(tabelle);
          } else if (rc != SQLITE_ROW) {
            Fehler(rc);
          }
        }
      }
    }
    if (!paare.empty() && !sqlite3_db_readonly(db, "main") && FaltungNachziehen(paare))
      for (const auto& p : paare) geaendert.insert(p[0]);
    if (!sqlite3_db_readonly(db, "main")) VeralteteStatistik(geaendert);
    StatistikErneuern(geaendert);
  }

  // Statistics that say one value fills a whole index (taken while a
  // column was all NULL) while the column now holds several: taken before
  // a change made elsewhere (the sqlite3 shell). Two index probes each.
  void VeralteteStatistik(std::set<std::string>& tabellen) {
    if (!StatistikVorhanden()) return;
    Stmt st;
    if (sqlite3_prepare_v2(db,
                           "SELECT s.tbl, i.name, s.stat FROM sqlite_stat1 s, pragma_index_info(s.idx) i "
                           "WHERE i.seqno = 0 AND i.name IS NOT NULL",
                           -1, &st.s, nullptr) != SQLITE_OK)
      return;
    while (sqlite3_step(st.s) == SQLITE_ROW) {
      const std::string tabelle = reinterpret_cast<const char*>(sqlite3_column_text(st.s, 0));
      const std::string spalte = reinterpret_cast<const char*>(sqlite3_column_text(st.s, 1));
      long long zeilen = 0, jeWert = 0;
      if (std::sscanf(reinterpret_cast<const char*>(sqlite3_column_text(st.s, 2)), "%lld %lld", &zeilen, &jeWert) != 2 ||
          zeilen < 100 || jeWert < zeilen || tabellen.count(tabelle))
        continue;
      const std::string t = Bezeichner(tabelle), c = Bezeichner(spalte);
      std::string sql = "SELECT (SELECT min(";
      sql += c;
      sql += ") FROM ";
      sql += t;
      sql += ") IS NOT (SELECT max(";
      sql += c;
      sql += ") FROM ";
      sql += t;
      sql += ")";
      Stmt probe;
      if (sqlite3_prepare_v2(db, sql.c_str(), -1, &probe.s, nullptr) == SQLITE_OK &&
          sqlite3_step(probe.s) == SQLITE_ROW && sqlite3_column_int(probe.s, 0))
        tabellen.insert(tabelle);
    }
  }

  // The folded names were written by some version of Falten; when the
  // folding has changed since, they are computed again (once). True when
  // they were.
  bool FaltungNachziehen(const std::vector<std::array<std::string, 3>>& paare) {
    int version = 0;
    {
      Stmt st;
      if (sqlite3_prepare_v2(db, "SELECT Wert FROM vxm_info WHERE Schluessel = 'Faltung'", -1, &st.s, nullptr) ==
              SQLITE_OK &&
          sqlite3_step(st.s) == SQLITE_ROW)
        version = sqlite3_column_int(st.s, 0);
    }
    if (version == kFaltungsVersion) return false;
    Ausfuehren("BEGIN IMMEDIATE");
    try {
      for (const auto& [tabelle, spalte, schatten] : paare) {
        const std::string sql = "UPDATE " + Bezeichner(tabelle) + " SET " + Bezeichner(schatten) +
                                " = vxm_falten(" + Bezeichner(spalte) + ") WHERE " + Bezeichner(schatten) +
                                " IS NOT vxm_falten(" + Bezeichner(spalte) + ")";
        Ausfuehren(sql.c_str());
      }
      Ausfuehren("CREATE TABLE IF NOT EXISTS vxm_info (Schluessel TEXT PRIMARY KEY, Wert TEXT)");
      Ausfuehren(("INSERT OR REPLACE INTO vxm_info (Schluessel, Wert) VALUES ('Faltung', '" +
                  std::to_string(kFaltungsVersion) + "')").c_str());
      Ausfuehren("COMMIT");
    } catch (...) {
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
    return true;
  }

  void Verbinden() {
    std::error_code ec;
    if (fs::file_size(host, ec) == 0 && !ec)
      throw VbFehler(fehlernr::UnbekanntesFormat,
                     "Die Datenbank " + datei + " ist leer oder beschädigt (keine Datenbank).");
    // A file with the read-only attribute is opened for reading only, as
    // the host's engine does (also where this process could write anyway).
    const bool nurLesen = HostDateisystem::Schreibgeschuetzt(host);
    int rc = sqlite3_open_v2(host.c_str(), &db, nurLesen ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) Fehler(rc, "Öffnen");
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kWartezeitMs);
    // Read before anything is written: a file that is no database stays as it is.
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Fehler(rc, "Öffnen");
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "regexp", 2, flags, nullptr, LikeFunktion, nullptr, nullptr);
    sqlite3_create_function(db, "vxm_falten", 1, flags, nullptr, FaltenFunktion, nullptr, nullptr);
    sqlite3_create_collation(db, kTextKollation, SQLITE_UTF8, nullptr, TextVergleich);
    if (!sqlite3_db_readonly(db, "main") && !ImProtokollmodus()) {
      // Two processes may share the register: readers never wait for the
      // writer. The switch writes to the file, so a file that has not been
      // switched before is checked whole first (once).
      Stmt pruefung;
      rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &pruefung.s, nullptr);
      if (rc == SQLITE_OK) rc = sqlite3_step(pruefung.s);
      if (rc != SQLITE_ROW) Fehler(rc, "Prüfung");
      const std::string ergebnis = reinterpret_cast<const char*>(sqlite3_column_text(pruefung.s, 0));
      if (ergebnis != "ok") {
        beschaedigt = true;
        throw VbFehler(fehlernr::UnbekanntesFormat,
                       "Die Datenbank " + datei + " ist beschädigt (" + ergebnis + ").");
      }
      sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    }
    // With the log, NORMAL keeps every commit whole after a crash of the
    // program; only a power loss may take back the last commits.
    if (ImProtokollmodus()) sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    // Lookups jump between index and table pages: keep a register of some
    // 100,000 files in memory once read (32 MB at most).
    sqlite3_exec(db, "PRAGMA cache_size=-32768", nullptr, nullptr, nullptr);
    SchattenspaltenVerbinden();
  }

  bool ImProtokollmodus() {
    Stmt st;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &st.s, nullptr) != SQLITE_OK) return false;
    if (sqlite3_step(st.s) != SQLITE_ROW) return false;
    return GleichOhneFall(reinterpret_cast<const char*>(sqlite3_column_text(st.s, 0)), "wal");
  }
};

Datenbank::Datenbank() : impl_(std::make_unique<Impl>()) {}
Datenbank::~Datenbank() = default;

const std::string& Datenbank::Datei() const { return impl_->datei; }
sqlite3* Datenbank::Handle() { return impl_->db; }
void Datenbank::Fehler(int rc, std::string_view wobei) { impl_->Fehler(rc, wobei); }
void Datenbank::Schreibpruefung() { impl_->Schreibpruefung(); }

sqlite3_stmt* Datenbank::Anweisung(const std::string& sql) {
  auto it = impl_->anweisungen.find(sql);
  if (it != impl_->anweisungen.end()) {
    sqlite3_reset(it->second);
    sqlite3_clear_bindings(it->second);
    return it->second;
  }
  sqlite3_stmt* s = nullptr;
  const int rc = sqlite3_prepare_v3(impl_->db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
  if (rc != SQLITE_OK) impl_->Fehler(rc, sql);
  impl_->anweisungen.emplace(sql, s);
  return s;
}

void Datenbank::Beginnen() {
  if (impl_->tiefe == 0) {
    impl_->Schreibpruefung();
    // IMMEDIATE takes the write lock now (waiting for another writer), so
    // the transaction cannot fail half-way for want of it.
    impl_->Ausfuehren("BEGIN IMMEDIATE");
  } else {
    impl_->Ausfuehren(("SAVEPOINT vxm_" + std::to_string(impl_->tiefe)).c_str());
  }
  ++impl_->tiefe;
}

void Datenbank::Bestaetigen() {
  if (impl_->tiefe == 0)
    throw VbFehler(3034, "Bestätigen ohne begonnene Transaktion in " + impl_->datei + ".");
  --impl_->tiefe;
  try {
    if (impl_->tiefe == 0) {
      if (sqlite3_get_autocommit(impl_->db))
        throw VbFehler(fehlernr::DatenbankFehler,
                       "Die Transaktion in " + impl_->datei + " wurde abgebrochen; nichts wurde gespeichert.");
      impl_->Ausfuehren("COMMIT");
    } else {
      impl_->Ausfuehren(("RELEASE vxm_" + std::to_string(impl_->tiefe)).c_str());
    }
  } catch (...) {
    ++impl_->tiefe;  // still open: the caller rolls back
    throw;
  }
}

void Datenbank::Verwerfen() {
  if (impl_->tiefe == 0) return;
  --impl_->tiefe;
  if (impl_->tiefe == 0) {
    if (!sqlite3_get_autocommit(impl_->db)) impl_->Ausfuehren("ROLLBACK");
  } else {
    const std::string n = std::to_string(impl_->tiefe);
    impl_->Ausfuehren(("ROLLBACK TO vxm_" + n + "; RELEASE vxm_" + n).c_str());
  }
}

int64_t Datenbank::Execute(std::string_view sql) {
  const JetAnweisung a = JetUebersetzen(sql);
  if (!a.IstAbfrage) impl_->Schreibpruefung();
  const char* rest = a.Sql.c_str();
  int64_t geaendert = 0;
  bool schema = false;
  while (rest && *rest) {
    Stmt st;
    const char* weiter = nullptr;
    int rc = sqlite3_prepare_v2(impl_->db, rest, -1, &st.s, &weiter);
    if (rc != SQLITE_OK) impl_->Fehler(rc, sql);
    rest = weiter;
    if (!st.s) continue;  // blank or comment
    const bool dml = sqlite3_stmt_readonly(st.s) == 0;
    const std::string_view text = sqlite3_sql(st.s);
    const auto anfang = Falten(text.substr(0, 6));
    if (anfang == "CREATE" || anfang.substr(0, 5) == "ALTER" || anfang.substr(0, 4) == "DROP") schema = true;
    while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) impl_->Fehler(rc, sql);
    if (dml) geaendert += sqlite3_changes64(impl_->db);
  }
  if (schema) impl_->SchattenspaltenVerbinden();
  return geaendert;
}

Recordset Datenbank::TabelleOeffnen(std::string_view tabelle) {
  std::string name(tabelle);
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
  if (name.find(']') != std::string::npos)
    throw VbFehler(fehlernr::TabelleFehlt, "Ungültiger Tabellenname " + name + ".");
  return OpenRecordset("SELECT * FROM [" + name + "]");
}

// --- Recordset -----------------------------------------------------------------

namespace {
struct Feldinfo {
  std::string name;      // as the query names it
  std::string tabelle;   // table of origin, when the column is a plain field
  std::string ursprung;  // field of origin
};
struct Zeile {
  std::vector<Variant> werte;
  int64_t rowid = 0;
  bool geloescht = false;
};
}  // namespace

struct Recordset::Impl {
  std::shared_ptr<Datenbank> db;
  std::string tabelle;  // changeable when not empty
  std::vector<Feldinfo> felder;
  std::vector<Zeile> zeilen;
  long pos = 0;
  int32_t anzahl = 0;
  enum class Modus { Keiner, Bearbeiten, Neu } modus = Modus::Keiner;
  std::vector<std::pair<std::string, Variant>> puffer;  // table field -> new value
  std::vector<Spalteninfo> tabellenSpalten;

  ~Impl() {
    try {
      Abbrechen();
    } catch (...) {
    }
  }

  const std::string& Datei() const { return db->Datei(); }

  int Index(std::string_view name) const {
    std::string n(name);
    auto ohneKlammern = [](std::string s) {
      if (s.size() >= 2 && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
      return s;
    };
    n = ohneKlammern(n);
    for (std::size_t i = 0; i < felder.size(); ++i)
      if (GleichOhneFall(felder[i].name, n)) return static_cast<int>(i);
    const auto punkt = n.rfind('.');
    if (punkt != std::string::npos) {
      const std::string tab = ohneKlammern(n.substr(0, punkt)), feld = ohneKlammern(n.substr(punkt + 1));
      for (std::size_t i = 0; i < felder.size(); ++i)
        if (GleichOhneFall(felder[i].tabelle, tab) &&
            (GleichOhneFall(felder[i].ursprung, feld) || GleichOhneFall(felder[i].name, feld)))
          return static_cast<int>(i);
    }
    return -1;
  }

  [[noreturn]] void FeldFehlt(std::string_view name) const {
    throw VbFehler(fehlernr::FeldFehlt, "Das Feld " + std::string(name) +
                                           " ist in dieser Datensatzgruppe nicht vorhanden.");
  }

  // The table field behind a name, for changes; empty when there is none
  // (`berechnet`: the name is a computed column of the query).
  std::string TabellenFeldSuchen(std::string_view name, bool* berechnet = nullptr) const {
    const int i = Index(name);
    if (i >= 0) {
      if (felder[i].ursprung.empty() || !GleichOhneFall(felder[i].tabelle, tabelle)) {
        if (berechnet) *berechnet = true;
        return {};
      }
      return felder[i].ursprung;
    }
    std::string n(name);
    if (n.size() >= 2 && n.front() == '[' && n.back() == ']') n = n.substr(1, n.size() - 2);
    if (const auto punkt = n.rfind('.'); punkt != std::string::npos) {
      if (!GleichOhneFall(n.substr(0, punkt), tabelle)) return {};
      n = n.substr(punkt + 1);
    }
    for (const auto& s : tabellenSpalten)
      if (GleichOhneFall(s.name, n)) return s.name;
    return {};
  }

  std::string TabellenFeld(std::string_view name) const {
    bool berechnet = false;
    std::string feld = TabellenFeldSuchen(name, &berechnet);
    if (berechnet) throw VbFehler(3164, "Das Feld " + std::string(name) + " kann nicht geändert werden.");
    if (feld.empty()) FeldFehlt(name);
    return feld;
  }

  void Aenderbar() const {
    if (tabelle.empty())
      throw VbFehler(fehlernr::SchreibgeschuetztDb,
                     "Diese Datensatzgruppe kann nicht geändert werden (Abfrage über mehrere Tabellen "
                     "oder mit Gruppierung).");
  }

  bool Gueltig() const { return pos >= 0 && pos < static_cast<long>(zeilen.size()); }

  void Aktuell() const {
    if (!Gueltig())
      throw VbFehler(fehlernr::KeinAktuellerDatensatz, "Kein aktueller Datensatz.");
    if (zeilen[static_cast<std::size_t>(pos)].geloescht)
      throw VbFehler(fehlernr::DatensatzGeloescht, "Der Datensatz ist gelöscht.");
  }

  Variant* Gepuffert(const std::string& feld) {
    for (auto& [n, w] : puffer)
      if (GleichOhneFall(n, feld)) return &w;
    return nullptr;
  }

  // Reads the stored values of one row into the fields that come from the table.
  void ZeileLesen(Zeile& z) {
    std::string sql = "SELECT ";
    std::vector<std::size_t> welche;
    for (std::size_t i = 0; i < felder.size(); ++i) {
      if (felder[i].ursprung.empty() || !GleichOhneFall(felder[i].tabelle, tabelle)) continue;
      if (!welche.empty()) sql += ", ";
      sql += Bezeichner(felder[i].ursprung);
      welche.push_back(i);
    }
    if (welche.empty()) return;
    sql += " FROM " + Bezeichner(tabelle) + " WHERE rowid = ?1";
    sqlite3_stmt* s = db->Anweisung(sql);
    sqlite3_bind_int64(s, 1, z.rowid);
    const int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW)
      for (std::size_t k = 0; k < welche.size(); ++k) z.werte[welche[k]] = WertLesen(s, static_cast<int>(k));
    sqlite3_reset(s);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) db->Fehler(rc);
  }

  // Leaves Edit or AddNew. The transaction of AddNew only kept the new key
  // reserved; the record set itself wrote nothing in it, so it is closed
  // without rolling back what other record sets of the file did meanwhile.
  void Abbrechen() {
    const bool neu = modus == Modus::Neu;
    modus = Modus::Keiner;
    puffer.clear();
    if (neu) {
      try {
        db->Bestaetigen();
      } catch (...) {
        db->Verwerfen();
        throw;
      }
    }
  }

  void Ueberspringen(int richtung) {
    while (Gueltig() && zeilen[static_cast<std::size_t>(pos)].geloescht) pos += richtung;
  }
};

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

Recordset Datenbank::OpenRecordset(std::string_view sql) {
  JetAnweisung a = JetUebersetzen(sql);
  Stmt st;
  int rc = sqlite3_prepare_v2(impl_->db, a.Sql.c_str(), -1, &st.s, nullptr);
  if (rc != SQLITE_OK && a.IstAbfrage) {
    // a view or a table without row id: no table order to keep, no changes
    a = JetUebersetzen(sql, false);
    rc = sqlite3_prepare_v2(impl_->db, a.Sql.c_str(), -1, &st.s, nullptr);
  }
  if (rc != SQLITE_OK) impl_->Fehler(rc, sql);
  if (!a.IstAbfrage || !st.s || !sqlite3_stmt_readonly(st.s))
    throw VbFehler(3219, "Die Anweisung liefert keine Datensätze: " + std::string(sql));

  Recordset rs;
  rs.impl_ = std::make_unique<Recordset::Impl>();
  auto& r = *rs.impl_;
  r.db = impl_->selbst.lock();
  const int n = sqlite3_column_count(st.s);
  int erste = 0;
  if (!a.Tabelle.empty() && n > 0 && std::string_view(sqlite3_column_name(st.s, 0)) == kZeilenSpalte) {
    erste = 1;
    r.tabelle = a.Tabelle;
    r.tabellenSpalten = impl_->Spalten(a.Tabelle);
    if (r.tabellenSpalten.empty()) r.tabelle.clear();  // a view
  }
  for (int i = erste; i < n; ++i) {
    Feldinfo f;
    f.name = sqlite3_column_name(st.s, i);
    if (const char* t = sqlite3_column_table_name(st.s, i)) f.tabelle = t;
    if (const char* o = sqlite3_column_origin_name(st.s, i)) f.ursprung = o;
    r.felder.push_back(std::move(f));
  }
  while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
    Zeile z;
    if (erste) z.rowid = sqlite3_column_int64(st.s, 0);
    z.werte.reserve(static_cast<std::size_t>(n - erste));
    for (int i = erste; i < n; ++i) z.werte.push_back(WertLesen(st.s, i));
    r.zeilen.push_back(std::move(z));
  }
  if (rc != SQLITE_DONE) impl_->Fehler(rc, sql);
  r.anzahl = static_cast<int32_t>(r.zeilen.size());
  return rs;
}

// A deleted row stays current until the next move, as in the host's
// "Delete, MoveNext" loops.
bool Recordset::Eof() const { return !impl_ || impl_->pos >= static_cast<long>(impl_->zeilen.size()); }
bool Recordset::Bof() const { return !impl_ || impl_->pos < 0 || impl_->zeilen.empty(); }

void Recordset::MoveFirst() {
  if (!impl_) return;
  impl_->Abbrechen();
  impl_->pos = 0;
  impl_->Ueberspringen(+1);
}

void Recordset::MoveLast() {
  if (!impl_) return;
  impl_->Abbrechen();
  impl_->pos = static_cast<long>(impl_->zeilen.size()) - 1;
  impl_->Ueberspringen(-1);
  if (impl_->pos < 0) impl_->pos = static_cast<long>(impl_->zeilen.size());  // empty: at the end
}

void Recordset::MoveNext() {
  if (Eof()) throw VbFehler(fehlernr::KeinAktuellerDatensatz, "Kein aktueller Datensatz.");
  impl_->Abbrechen();
  ++impl_->pos;
  impl_->Ueberspringen(+1);
}

void Recordset::MovePrevious() {
  if (Bof()) throw VbFehler(fehlernr::KeinAktuellerDatensatz, "Kein aktueller Datensatz.");
  impl_->Abbrechen();
  --impl_->pos;
  impl_->Ueberspringen(-1);
}

int32_t Recordset::RecordCount() const { return impl_ ? impl_->anzahl : 0; }

Variant Recordset::Feld(std::string_view name) const {
  if (!impl_) throw VbFehler(fehlernr::KeinAktuellerDatensatz, "Kein aktueller Datensatz.");
  auto& r = *impl_;
  if (r.modus != Impl::Modus::Keiner) {
    const std::string feld = r.TabellenFeldSuchen(name);
    if (!feld.empty()) {
      if (const Variant* w = r.Gepuffert(feld)) return *w;
      if (r.modus == Impl::Modus::Neu) return Variant(NullWert{});
    } else if (r.modus == Impl::Modus::Neu) {
      if (r.Index(name) < 0) r.FeldFehlt(name);
      return Variant(NullWert{});
    }
  }
  const int i = r.Index(name);
  if (i < 0) r.FeldFehlt(name);
  r.Aktuell();
  return r.zeilen[static_cast<std::size_t>(r.pos)].werte[static_cast<std::size_t>(i)];
}

std::string Recordset::Text(std::string_view name) const {
  const Variant v = Feld(name);
  if (v.IstNull() || v.IstLeer()) return {};
  return AlsText(v);
}

int32_t Recordset::Zahl(std::string_view name) const {
  const Variant v = Feld(name);
  if (v.IstNull() || v.IstLeer()) return 0;
  return AlsLong(v);
}

void Recordset::FeldSetzen(std::string_view name, const Variant& wert) {
  if (!impl_ || impl_->modus == Impl::Modus::Keiner)
    throw VbFehler(fehlernr::OhneEditOderAddNew, "Ein Feld kann nur nach Edit oder AddNew gesetzt werden.");
  auto& r = *impl_;
  const std::string feld = r.TabellenFeld(name);
  if (Variant* w = r.Gepuffert(feld))
    *w = wert;
  else
    r.puffer.emplace_back(feld, wert);
}

std::vector<std::string> Recordset::Feldnamen() const {
  std::vector<std::string> aus;
  if (impl_)
    for (const auto& f : impl_->felder) aus.push_back(f.name);
  return aus;
}

void Recordset::Edit() {
  if (!impl_) throw VbFehler(fehlernr::KeinAktuellerDatensatz, "Kein aktueller Datensatz.");
  auto& r = *impl_;
  r.Aenderbar();
  r.Abbrechen();
  r.Aktuell();
  r.modus = Impl::Modus::Bearbeiten;
}

void Recordset::AddNew() {
  if (!impl_) throw VbFehler(fehlernr::SchreibgeschuetztDb, "Keine Datensatzgruppe geöffnet.");
  auto& r = *impl_;
  r.Aenderbar();
  r.Abbrechen();
  // The new key must be known before the row is stored, and no other
  // process may take it meanwhile: the write lock is held until Update or
  // CancelUpdate.
  r.db->Beginnen();
  r.modus = Impl::Modus::Neu;
  try {
    for (const auto& s : r.tabellenSpalten) {
      if (!s.schluessel) continue;
      const std::string t = Bezeichner(r.tabelle);
      sqlite3_stmt* st = r.db->Anweisung("SELECT count(*) FROM sqlite_schema WHERE name = 'sqlite_sequence'");
      int rc = sqlite3_step(st);
      const bool folge = rc == SQLITE_ROW && sqlite3_column_int(st, 0) > 0;
      sqlite3_reset(st);
      if (folge) {
        // AUTOINCREMENT never reuses a key, also not one of a deleted last row
        st = r.db->Anweisung("SELECT max(coalesce((SELECT max(rowid) FROM " + t + "), 0), " +
                             "coalesce((SELECT seq FROM sqlite_sequence WHERE name = ?1), 0)) + 1");
        sqlite3_bind_text(st, 1, r.tabelle.c_str(), -1, SQLITE_TRANSIENT);
      } else {
        st = r.db->Anweisung("SELECT coalesce(max(rowid), 0) + 1 FROM " + t);
      }
      rc = sqlite3_step(st);
      if (rc != SQLITE_ROW) r.db->Fehler(rc);
      const sqlite3_int64 neu = sqlite3_column_int64(st, 0);
      sqlite3_reset(st);
      r.puffer.emplace_back(s.name, neu <= INT32_MAX ? Variant(static_cast<int32_t>(neu))
                                                     : Variant(static_cast<double>(neu)));
    }
  } catch (...) {
    r.Abbrechen();
    throw;
  }
}

void Recordset::Update() {
  if (!impl_ || impl_->modus == Impl::Modus::Keiner)
    throw VbFehler(fehlernr::OhneEditOderAddNew, "Update ohne Edit oder AddNew.");
  auto& r = *impl_;
  const std::string t = Bezeichner(r.tabelle);
  if (r.modus == Impl::Modus::Bearbeiten) {
    if (r.puffer.empty()) {
      r.modus = Impl::Modus::Keiner;
      return;
    }
    r.db->Schreibpruefung();
    Zeile& z = r.zeilen[static_cast<std::size_t>(r.pos)];
    std::string sql = "UPDATE " + t + " SET ";
    for (std::size_t i = 0; i < r.puffer.size(); ++i)
      sql += (i ? ", " : "") + Bezeichner(r.puffer[i].first) + " = ?" + std::to_string(i + 1);
    sql += " WHERE rowid = ?" + std::to_string(r.puffer.size() + 1);
    Stmt st;
    int rc = sqlite3_prepare_v2(r.db->Handle(), sql.c_str(), -1, &st.s, nullptr);
    if (rc != SQLITE_OK) r.db->Fehler(rc, sql);
    for (std::size_t i = 0; i < r.puffer.size(); ++i) WertBinden(st.s, static_cast<int>(i + 1), r.puffer[i].second);
    sqlite3_bind_int64(st.s, static_cast<int>(r.puffer.size() + 1), z.rowid);
    rc = sqlite3_step(st.s);
    if (rc != SQLITE_DONE) r.db->Fehler(rc, sql);
    r.modus = Impl::Modus::Keiner;
    r.puffer.clear();
    r.ZeileLesen(z);
    return;
  }
  // AddNew
  try {
    std::string spalten, werte;
    for (std::size_t i = 0; i < r.puffer.size(); ++i) {
      spalten += (i ? ", " : "") + Bezeichner(r.puffer[i].first);
      werte += (i ? ", ?" : "?") + std::to_string(i + 1);
    }
    const std::string sql = r.puffer.empty() ? "INSERT INTO " + t + " DEFAULT VALUES"
                                             : "INSERT INTO " + t + " (" + spalten + ") VALUES (" + werte + ")";
    Stmt st;
    int rc = sqlite3_prepare_v2(r.db->Handle(), sql.c_str(), -1, &st.s, nullptr);
    if (rc != SQLITE_OK) r.db->Fehler(rc, sql);
    for (std::size_t i = 0; i < r.puffer.size(); ++i) WertBinden(st.s, static_cast<int>(i + 1), r.puffer[i].second);
    rc = sqlite3_step(st.s);
    if (rc != SQLITE_DONE) r.db->Fehler(rc, sql);
    Zeile z;
    z.rowid = sqlite3_last_insert_rowid(r.db->Handle());
    z.werte.assign(r.felder.size(), Variant(NullWert{}));
    r.ZeileLesen(z);
    r.db->Bestaetigen();
    r.modus = Impl::Modus::Keiner;
    r.puffer.clear();
    // The new row joins the set at its end; the current row stays.
    const bool amEnde = r.pos >= static_cast<long>(r.zeilen.size());
    r.zeilen.push_back(std::move(z));
    if (amEnde) r.pos = static_cast<long>(r.zeilen.size());
    ++r.anzahl;
  } catch (...) {
    r.Abbrechen();  // nothing of the new row is kept
    throw;
  }
}

void Recordset::CancelUpdate() {
  if (impl_) impl_->Abbrechen();
}

void Recordset::Delete() {
  if (!impl_) throw VbFehler(fehlernr::KeinAktuellerDatensatz, "Kein aktueller Datensatz.");
  auto& r = *impl_;
  r.Aenderbar();
  r.Abbrechen();
  r.Aktuell();
  r.db->Schreibpruefung();
  Zeile& z = r.zeilen[static_cast<std::size_t>(r.pos)];
  sqlite3_stmt* st = r.db->Anweisung("DELETE FROM " + Bezeichner(r.tabelle) + " WHERE rowid = ?1");
  sqlite3_bind_int64(st, 1, z.rowid);
  const int rc = sqlite3_step(st);
  sqlite3_reset(st);
  if (rc != SQLITE_DONE) r.db->Fehler(rc);
  z.geloescht = true;
  --r.anzahl;
}

// --- opening -------------------------------------------------------------------

namespace {

fs::path HostPfad(const std::string& datei) {
  try {
    if (auto* host = dynamic_cast<HostDateisystem*>(Dienste().Dateien.get()))
      return host->Laufwerke().Aufloesen(datei).Host;
    return Laufwerkstabelle::AusUmgebung().Aufloesen(datei).Host;
  } catch (const VbFehler& f) {
    throw VbFehler(fehlernr::DatenbankFehlt,
                   "Die Datenbank " + datei + " wurde nicht gefunden (" + f.Beschreibung + ").");
  }
}

std::shared_ptr<Datenbank> Oeffnen(const fs::path& host, const std::string& datei);

}  // namespace

class DatenbankZugang {
 public:
  static std::shared_ptr<Datenbank> Neu(const fs::path& host, const std::string& datei) {
    auto db = std::shared_ptr<Datenbank>(new Datenbank());
    db->impl_->datei = datei;
    db->impl_->host = host;
    db->impl_->selbst = db;
    db->impl_->Verbinden();
    return db;
  }
};

namespace {
std::shared_ptr<Datenbank> Oeffnen(const fs::path& host, const std::string& datei) {
  std::error_code ec;
  if (!fs::is_regular_file(host, ec))
    throw VbFehler(fehlernr::DatenbankFehlt, "Die Datenbank " + datei + " wurde nicht gefunden.");
  const std::string schluessel = fs::weakly_canonical(host, ec).string();
  auto& offen = OffeneDatenbanken();
  if (auto it = offen.find(schluessel); it != offen.end()) {
    if (auto db = it->second.lock()) return db;
  }
  std::erase_if(offen, [](const auto& e) { return e.second.expired(); });
  auto db = DatenbankZugang::Neu(host, datei);
  offen[schluessel] = db;
  return db;
}
}  // namespace

std::shared_ptr<Datenbank> DatenbankOeffnen(const std::string& datei) {
  return Oeffnen(HostPfad(datei), datei);
}

std::shared_ptr<Datenbank> DatenbankOeffnenHost(const std::filesystem::path& host) {
  return Oeffnen(host, host.string());
}

Transaktion::~Transaktion() {
  if (offen_) {
    try {
      db_.Verwerfen();
    } catch (...) {
    }
  }
}

void Transaktion::Bestaetigen() {
  if (!offen_) return;
  db_.Bestaetigen();
  offen_ = false;
}

// --- record-set sources ------------------------------------------------------

Datenbank& Datenquelle::Database() {
  if (!db_ || dbDatei_ != DatabaseName) {
    rs_ = Recordset();
    db_.reset();
    db_ = DatenbankOeffnen(DatabaseName);
    dbDatei_ = DatabaseName;
  }
  return *db_;
}

void Datenquelle::Refresh() {
  Datenbank& db = Database();
  rs_ = Recordset();  // a pending AddNew of the old set is rolled back first
  const std::string& q = RecordSource;
  // a bare name (or [name]) is a table; anything else is SQL text
  const bool klammer = q.size() >= 2 && q.front() == '[' && q.back() == ']';
  const bool tabelle = klammer || (!q.empty() && std::all_of(q.begin(), q.end(), [](char c) {
                         const auto u = static_cast<unsigned char>(c);
                         return u >= 0x80 || std::isalnum(u) || c == '_';
                       }));
  rs_ = tabelle ? db.TabelleOeffnen(q) : db.OpenRecordset(q);
}

Recordset& Datenquelle::Rs() { return rs_; }

void Datenquelle::Schliessen() {
  rs_ = Recordset();
  db_.reset();
  dbDatei_.clear();
}

void DatenquellenVerbinden(const std::vector<Datenquelle*>& quellen, const std::string& connect) {
  for (Datenquelle* q : quellen)
    if (q) q->Connect = connect;
}

}  // namespace vxm
