// The SQLite engine under the record sets: a database file per connection,
// the host's Like and case-blind comparison registered as functions, the
// folded shadow columns kept by temporary triggers, the write-ahead log
// where two processes share a file, and the whole-file check before the
// first write (remembered for the process in sqliteprozess.cpp).
#include "platform/sqliteverbindung.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>

#include "platform/datenbank.h"
#include "platform/dateisystem.h"
#include "platform/fehler.h"
#include "platform/sqliteprozess.h"
#include "platform/sqltext.h"

namespace vxm {
namespace fs = std::filesystem;

namespace {

constexpr int kWartezeitMs = 10000;  // busy timeout: another process writes

bool Beginnt(std::string_view text, std::string_view anfang) {
  return text.substr(0, anfang.size()) == anfang;
}

[[noreturn]] void FehlerWerfen(sqlite3* db, int rc, std::string_view wobei, const std::string& datei) {
  const std::string meldung = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  // The statement helps with a fault of the program or the host's SQL; a
  // lock or a read-only file is the user's situation, told without it.
  const std::string ort = wobei.empty() ? std::string() : " [" + std::string(wobei) + "]";
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      throw VbFehler(fehlernr::Gesperrt, "Die Datenbank " + datei +
                                             " ist durch einen anderen Vorgang gesperrt. Bitte "
                                             "versuchen Sie es später noch einmal.");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      throw VbFehler(fehlernr::UnbekanntesFormat,
                     "Die Datenbank " + datei + " ist beschädigt oder keine Datenbank (" + meldung +
                         ")." + ort);
    case SQLITE_READONLY:
      // Nothing was to be changed yet: a file in log mode cannot even be read
      // where its log beside it cannot be made.
      if (wobei == "Öffnen")
        throw VbFehler(fehlernr::SchreibgeschuetztDb,
                       "Die Datenbank " + datei + " ist schreibgeschützt und kann hier nicht gelesen werden: ihr "
                       "Protokoll (-wal, -shm) kann in ihrem Ordner nicht angelegt werden.");
      throw VbFehler(fehlernr::SchreibgeschuetztDb,
                     "Die Datenbank " + datei + " ist schreibgeschützt; die Änderung wurde nicht "
                     "gespeichert.");
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

std::string SqlName(std::string_view name) {
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

class SqliteVerbindung;

class SqliteBefehl final : public Befehl {
 public:
  SqliteBefehl(SqliteVerbindung& v, sqlite3_stmt* s, std::string meldung)
      : v_(v), s_(s), meldung_(std::move(meldung)) {}
  ~SqliteBefehl() override { sqlite3_finalize(s_); }

  void Binden(int i, const Variant& wert) override { WertBinden(s_, i, wert); }
  void TextBinden(int i, std::string_view text) override {
    sqlite3_bind_text(s_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  void ZahlBinden(int i, int64_t zahl) override { sqlite3_bind_int64(s_, i, zahl); }
  bool Schritt() override;
  void Zuruecksetzen() override { sqlite3_reset(s_); }
  void BindungenLoeschen() override { sqlite3_clear_bindings(s_); }

  int Spaltenzahl() const override { return sqlite3_column_count(s_); }
  std::string Spaltenname(int i) const override {
    const char* n = sqlite3_column_name(s_, i);
    return n ? n : "";
  }
  std::string Herkunftstabelle(int i) const override {
    const char* t = sqlite3_column_table_name(s_, i);
    return t ? t : "";
  }
  std::string Herkunftsfeld(int i) const override {
    const char* o = sqlite3_column_origin_name(s_, i);
    return o ? o : "";
  }
  Variant Wert(int i) const override { return WertLesen(s_, i); }
  bool IstNull(int i) const override { return sqlite3_column_type(s_, i) == SQLITE_NULL; }
  int64_t ZahlWert(int i) const override { return sqlite3_column_int64(s_, i); }
  std::string_view TextWert(int i) const override {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s_, i));
    return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(s_, i))) : std::string_view();
  }
  bool NurLesend() const override { return sqlite3_stmt_readonly(s_) != 0; }
  int64_t Geaendert() const override { return geaendert_; }

  sqlite3_stmt* Roh() { return s_; }

 private:
  SqliteVerbindung& v_;
  sqlite3_stmt* s_;
  std::string meldung_;  // names the statement in errors ("" for kept ones)
  int64_t geaendert_ = 0;
};



class SqliteVerbindung final : public Verbindung {
 public:
  SqliteVerbindung(const fs::path& h, const std::string& d) : datei(d), host(h) {}

  sqlite3* db = nullptr;
  std::string datei;  // as the caller named it
  fs::path host;
  bool beschaedigt = false;
  bool geprueft = false;  // checked whole (now or earlier in this process)
  bool schreibbereit = false;  // checked and in its journal mode for this process's writes
  bool netz = false;
  std::unordered_map<std::string, std::unique_ptr<SqliteBefehl>> anweisungen;
  // The update triggers that complete folded twins, by folded table name:
  // trigger name and the text that makes it.
  std::unordered_map<std::string, std::vector<std::pair<std::string, std::string>>> zwillingsausloeser;

  ~SqliteVerbindung() override {
    anweisungen.clear();
    if (db) {
      // Statistics that exist are kept in step with a table that grew;
      // none are made where the planner's defaults serve (they could only
      // go stale). Never waits for another writer.
      if (schreibbereit && StatistikVorhanden()) {
        sqlite3_busy_timeout(db, 0);
        sqlite3_exec(db, "PRAGMA analysis_limit=1000; PRAGMA optimize", nullptr, nullptr, nullptr);
      }
      sqlite3_close_v2(db);
    }
    if (geprueft && !beschaedigt) AlsGeprueftMerken(host);
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
    Schreibbereit();
    std::string sql = "PRAGMA analysis_limit=1000;";
    for (const auto& t : tabellen) sql += " ANALYZE main." + Bezeichner(t) + ";";
    Ausfuehren(sql.c_str());
  }

  [[noreturn]] void Fehler(int rc, std::string_view wobei = {}) {
    if ((rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB) beschaedigt = true;
    FehlerWerfen(db, rc, wobei, datei);
  }

  void Ausfuehren(const char* sql) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Fehler(rc, sql);
  }

  void Schreibpruefung() override {
    if (beschaedigt)
      throw VbFehler(fehlernr::UnbekanntesFormat,
                     "Die Datenbank " + datei + " ist beschädigt; es wird nichts mehr hineingeschrieben.");
  }

  std::vector<Spalteninfo> Spalten(const std::string& tabelle) override {
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
    zwillingsausloeser.clear();
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
        const std::string t = Bezeichner(tabelle), s = Bezeichner(*it), c = Bezeichner(spalte);
        const std::string setzen =
            sqltext::Zusammen({"UPDATE ", t, " SET ", s, " = vxm_falten(NEW.", c, ") WHERE rowid = NEW.rowid AND ",
                               s, " IS NOT vxm_falten(NEW.", c, ") COLLATE BINARY; END"});
        // Only where the writer did not set the twin itself: ours do, and a
        // trigger body that would find nothing to do costs a lookup per row.
        const std::string wenn = sqltext::Zusammen({" WHEN NEW.", s, " IS NOT vxm_falten(NEW.", c, ") COLLATE BINARY"});
        const std::string name = sqltext::Zusammen({"vxm_", tabelle, "_", spalte});
        const std::string aend = sqltext::Zusammen({"CREATE TEMP TRIGGER IF NOT EXISTS ", Bezeichner(name + "_aend"),
                                                    " AFTER UPDATE OF ", c, " ON main.", t, wenn, " BEGIN ", setzen, ";"});
        const std::string sql = sqltext::Zusammen({"CREATE TEMP TRIGGER IF NOT EXISTS ", Bezeichner(name + "_neu"),
                                                   " AFTER INSERT ON main.", t, wenn, " BEGIN ", setzen, "; ", aend});
        Ausfuehren(sql.c_str());
        zwillingsausloeser[Falten(tabelle)].emplace_back(name + "_aend", aend);
        // Rows written by other tools (the sqlite3 shell) lack the folded
        // names; fill them in, through the index on the shadow column.
        if (!sqlite3_db_readonly(db, "main")) {
          const std::string fehlt = sqltext::Zusammen({" WHERE ", s, " IS NULL AND ", c, " IS NOT NULL"});
          Stmt pruefen;
          rc = sqlite3_prepare_v2(db, sqltext::Zusammen({"SELECT EXISTS (SELECT 1 FROM ", t, fehlt, ")"}).c_str(), -1, &pruefen.s, nullptr);
          if (rc != SQLITE_OK) Fehler(rc);
          rc = sqlite3_step(pruefen.s);
          if (rc == SQLITE_ROW && sqlite3_column_int(pruefen.s, 0)) {
            Schreibbereit();
            Ausfuehren(sqltext::Zusammen({"UPDATE ", t, " SET ", s, " = vxm_falten(", c, ")", fehlt}).c_str());
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
    Schreibbereit();
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

  // Before this process first writes to the file: a damaged page is not
  // noticed by writes that do not read it, so the whole file is checked
  // first; two processes may share the register: readers never wait for the
  // writer. The log keeps its index in memory shared on one machine, so on
  // a network share the file keeps the rollback journal and the file locks
  // of the file system. Nothing for a file opened for reading only.
  void Schreibbereit() {
    if (schreibbereit || sqlite3_db_readonly(db, "main")) return;
    if (!BeimStartGeprueft(host)) StartPruefung();
    geprueft = true;
    schreibbereit = true;
    if (netz)
      ProtokollBeenden();
    else if (!ImProtokollmodus())
      sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  }

  // PRAGMA quick_check reads every page (about half a second for a
  // register of 100,000 files), so it runs once per file and process.
  void StartPruefung() {
    Stmt pruefung;
    int rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &pruefung.s, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(pruefung.s);
    if (rc != SQLITE_ROW) Fehler(rc, "Prüfung");
    std::string ergebnis = reinterpret_cast<const char*>(sqlite3_column_text(pruefung.s, 0));
    if (ergebnis != "ok") {
      beschaedigt = true;
      if (const auto z = ergebnis.find("***\n"); z != std::string::npos) ergebnis.erase(0, z + 4);
      throw VbFehler(fehlernr::UnbekanntesFormat,
                     "Die Datenbank " + datei + " ist beschädigt (" + ergebnis +
                         "); es wird nichts hineingeschrieben. Bitte wenden Sie sich an Ihren EDV-Betreuer "
                         "(vxmdorvex-register pruefen).");
    }
  }

  void Verbinden() {
    SqliteEinrichten();
    std::error_code ec;
    if (fs::file_size(host, ec) == 0 && !ec)
      throw VbFehler(fehlernr::UnbekanntesFormat,
                     "Die Datenbank " + datei + " ist leer oder beschädigt (keine Datenbank).");
    // A file with the read-only attribute is opened for reading only, as
    // the host's engine does (also where this process could write anyway).
    const bool nurLesen = HostDateisystem::Schreibgeschuetzt(host);
    // A connection serves one thread at a time (helpers open their own), so
    // the engine's lock around every call would only cost.
    int rc = sqlite3_open_v2(host.c_str(), &db,
                             (nurLesen ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX, nullptr);
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
    netz = AufNetzlaufwerk(host);
    // Pages are checked as they are read, so damage found while working
    // stops the write that met it.
    sqlite3_exec(db, "PRAGMA cell_size_check=ON", nullptr, nullptr, nullptr);
    if (!SchreibpruefungAufgeschoben()) Schreibbereit();
    // once for the folder of the databases, not for each of them
    if (netz)
      DatenbankHinweisGeben("netz:" + host.parent_path().string(),
                            "Die Datenbank " + datei + " liegt auf einem Netzlaufwerk. Damit mehrere "
                            "Arbeitsplätze sicher gleichzeitig damit arbeiten können, wird eine Server-Datenbank "
                            "empfohlen (Eintrag in " + std::string(kServerDatei) +
                            "). Bitte wenden Sie sich an Ihren EDV-Betreuer.");
    // With the log, NORMAL keeps every commit whole after a crash of the
    // program; only a power loss may take back the last commits.
    if (ImProtokollmodus()) sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    // Lookups jump between index and table pages: keep a register of some
    // 100,000 files in memory once read (with its prints and indexes about
    // 40 MB; 64 MB at most, the size of the process's page reservation).
    sqlite3_exec(db, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);
    SchattenspaltenVerbinden();
    if (geprueft) AlsGeprueftMerken(host);
  }

  // A file switched to the log on a local disk before it was moved to the
  // share goes back to the journal (possible only while no one else has it open).
  void ProtokollBeenden() {
    if (!ImProtokollmodus()) return;
    const int rc = sqlite3_exec(db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK || ImProtokollmodus())
      throw VbFehler(fehlernr::Gesperrt, "Die Datenbank " + datei + " liegt auf einem Netzlaufwerk und ist noch "
                                         "im Protokollmodus eines anderen Arbeitsplatzes geöffnet. Bitte schließen "
                                         "Sie das Programm dort und versuchen Sie es noch einmal.");
  }

  bool ImProtokollmodus() {
    Stmt st;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &st.s, nullptr) != SQLITE_OK) return false;
    if (sqlite3_step(st.s) != SQLITE_ROW) return false;
    return GleichOhneFall(reinterpret_cast<const char*>(sqlite3_column_text(st.s, 0)), "wal");
  }

  // --- Verbindung ------------------------------------------------------------

  SqlZiel Ziel() const override { return SqlZiel::SQLite; }
  const std::string& Name() const override { return datei; }

  std::unique_ptr<Befehl> Vorbereiten(std::string_view sql, std::string_view fuerMeldung) override {
    const std::string_view meldung = fuerMeldung.empty() ? sql : fuerMeldung;
    sqlite3_stmt* s = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &s, nullptr);
    if (rc != SQLITE_OK) {
      sqlite3_finalize(s);
      Fehler(rc, meldung);
    }
    if (!s) Fehler(SQLITE_MISUSE, meldung);  // blank text
    return std::make_unique<SqliteBefehl>(*this, s, std::string(meldung));
  }

  Befehl& Gespeichert(const std::string& sql) override {
    auto it = anweisungen.find(sql);
    if (it != anweisungen.end()) return *it->second;
    sqlite3_stmt* s = nullptr;
    const int rc = sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
    if (rc != SQLITE_OK) {
      sqlite3_finalize(s);
      Fehler(rc, sql);
    }
    return *anweisungen.emplace(sql, std::make_unique<SqliteBefehl>(*this, s, std::string())).first->second;
  }

  int64_t Ausfuehren(std::string_view sql, std::string_view fuerMeldung) override {
    const std::string text(sql);
    const char* rest = text.c_str();
    int64_t geaendert = 0;
    bool schema = false;
    while (rest && *rest) {
      Stmt st;
      const char* weiter = nullptr;
      int rc = sqlite3_prepare_v2(db, rest, -1, &st.s, &weiter);
      if (rc != SQLITE_OK) Fehler(rc, fuerMeldung);
      rest = weiter;
      if (!st.s) continue;  // blank or comment
      const bool dml = sqlite3_stmt_readonly(st.s) == 0;
      if (dml) Schreibbereit();
      const std::string_view anweisung = sqlite3_sql(st.s);
      const auto anfang = Falten(anweisung.substr(0, 6));
      if (anfang == "CREATE" || anfang.substr(0, 5) == "ALTER" || anfang.substr(0, 4) == "DROP") schema = true;
      while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
      }
      if (rc != SQLITE_DONE) Fehler(rc, fuerMeldung);
      if (dml) geaendert += sqlite3_changes64(db);
    }
    if (schema) SchattenspaltenVerbinden();
    return geaendert;
  }

  // IMMEDIATE takes the write lock now (waiting for another writer), so
  // the transaction cannot fail half-way for want of it.
  void Beginnen() override {
    Schreibbereit();
    Ausfuehren("BEGIN IMMEDIATE");
  }
  void Festschreiben() override { Ausfuehren("COMMIT"); }
  void Zuruecknehmen() override {
    if (!sqlite3_get_autocommit(db)) Ausfuehren("ROLLBACK");
  }
  void Sicherungspunkt(int n) override { Ausfuehren(("SAVEPOINT vxm_" + std::to_string(n)).c_str()); }
  void Freigeben(int n) override { Ausfuehren(("RELEASE vxm_" + std::to_string(n)).c_str()); }
  void ZurueckZu(int n) override {
    const std::string z = std::to_string(n);
    Ausfuehren(("ROLLBACK TO vxm_" + z + "; RELEASE vxm_" + z).c_str());
  }
  bool TransaktionOffen() override { return !sqlite3_get_autocommit(db); }
  bool NurLesen() override { return sqlite3_db_readonly(db, "main") == 1; }

  std::string Bezeichner(std::string_view name) const override { return SqlName(name); }

  // The triggers are this connection's own (TEMP): no other writer loses them.
  void ZwillingeSelbstSetzen(const std::string& tabelle, bool selbst) override {
    const auto it = zwillingsausloeser.find(Falten(tabelle));
    if (it == zwillingsausloeser.end()) return;
    for (const auto& [name, machen] : it->second)
      Ausfuehren(selbst ? ("DROP TRIGGER IF EXISTS temp." + Bezeichner(name)).c_str() : machen.c_str());
  }
  std::string ZeilenSpalte() const override { return "rowid"; }
  std::string Platzhalter(int i) const override { return "?" + std::to_string(i); }

  int64_t NaechsterSchluessel(const std::string& tabelle) override {
    const std::string t = SqlName(tabelle);
    sqlite3_stmt* st = Roh("SELECT count(*) FROM sqlite_schema WHERE name = 'sqlite_sequence'");
    int rc = sqlite3_step(st);
    const bool folge = rc == SQLITE_ROW && sqlite3_column_int(st, 0) > 0;
    sqlite3_reset(st);
    if (folge) {
      // AUTOINCREMENT never reuses a key, also not one of a deleted last row
      st = Roh("SELECT max(coalesce((SELECT max(rowid) FROM " + t + "), 0), " +
               "coalesce((SELECT seq FROM sqlite_sequence WHERE name = ?1), 0)) + 1");
      sqlite3_bind_text(st, 1, tabelle.c_str(), -1, SQLITE_TRANSIENT);
    } else {
      st = Roh("SELECT coalesce(max(rowid), 0) + 1 FROM " + t);
    }
    rc = sqlite3_step(st);
    if (rc != SQLITE_ROW) Fehler(rc);
    const sqlite3_int64 neu = sqlite3_column_int64(st, 0);
    sqlite3_reset(st);
    return neu;
  }

  std::string MitNeuerZeile(const std::string& insert) const override { return insert; }
  int64_t NeueZeile(Befehl&) override { return sqlite3_last_insert_rowid(db); }

  // A kept statement, reset with its bindings cleared.
  sqlite3_stmt* Roh(const std::string& sql) {
    Befehl& b = Gespeichert(sql);
    b.Zuruecksetzen();
    b.BindungenLoeschen();
    return static_cast<SqliteBefehl&>(b).Roh();
  }
};

bool SqliteBefehl::Schritt() {
  if (!v_.schreibbereit && !sqlite3_stmt_readonly(s_)) v_.Schreibbereit();
  const int rc = sqlite3_step(s_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) {
    geaendert_ = sqlite3_stmt_readonly(s_) ? 0 : sqlite3_changes64(v_.db);
    return false;
  }
  sqlite3_reset(s_);
  v_.Fehler(rc, meldung_.empty() ? std::string_view(sqlite3_sql(s_)) : std::string_view(meldung_));
}

}  // namespace

std::unique_ptr<Verbindung> SqliteVerbinden(const std::string& hostPfad, const std::string& datei) {
  auto v = std::make_unique<SqliteVerbindung>(hostPfad, datei);
  v->Verbinden();
  return v;
}

sqlite3* SqliteHandle(Verbindung& v) {
  auto* s = dynamic_cast<SqliteVerbindung*>(&v);
  return s ? s->db : nullptr;
}

sqlite3_stmt* SqliteAnweisung(Befehl& b) {
  auto* s = dynamic_cast<SqliteBefehl*>(&b);
  return s ? s->Roh() : nullptr;
}

void SqliteFehler(Verbindung& v, int rc, std::string_view wobei) {
  if (auto* s = dynamic_cast<SqliteVerbindung*>(&v)) s->Fehler(rc, wobei);
  FehlerWerfen(nullptr, rc, wobei, v.Name());
}

}  // namespace vxm
