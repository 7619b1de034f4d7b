#include "platform/pgverbindung.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <map>
#include <optional>
#include <unordered_map>
#include <variant>

#include "platform/datenbank.h"
#include "platform/fehler.h"
#include "platform/pgschema.h"

namespace vxm {
namespace {

// The write lock of a database, or the shared form a change for named rows
// takes (see Namenssperren).
std::string Schreibsperre(bool geteilt) {
  return std::string("SELECT pg_advisory_xact_lock") + (geteilt ? "_shared(" : "(") + std::to_string(kSchreibsperre) +
         ")";
}

// Type oids of the server's built-in types.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700;

std::string ErsteZeile(const char* text) {
  std::string s = text ? text : "";
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  if (const auto n = s.find('\n'); n != std::string::npos) s = s.substr(0, n);
  return s;
}

// The client library's reason in the program's words, its own text kept
// behind it for whoever looks after the server.
std::string Grund(const char* text) {
  const std::string roh = ErsteZeile(text);
  const auto hat = [&](const char* t) { return roh.find(t) != std::string::npos; };
  const char* deutsch = nullptr;
  if (hat("No such file or directory") || hat("Connection refused"))
    deutsch = "der Server läuft nicht oder nimmt keine Verbindungen an";
  else if (hat("timeout expired"))
    deutsch = "er hat in der Wartezeit nicht geantwortet";
  else if (hat("could not translate host name"))
    deutsch = "der Rechnername ist unbekannt";
  else if (hat("Network is unreachable") || hat("No route to host"))
    deutsch = "das Netz zum Server ist nicht verbunden";
  else if (hat("password authentication failed") || hat("no password supplied") || hat("authentication failed"))
    deutsch = "die Anmeldung wurde abgelehnt (Benutzer und ~/.pgpass prüfen)";
  else if (hat("database") && hat("does not exist"))
    deutsch = "die Datenbank gibt es auf dem Server nicht";
  else if (hat("closed the connection") || hat("terminating connection") || hat("no connection to the server"))
    deutsch = "die Verbindung wurde unterbrochen";
  return deutsch ? std::string(deutsch) + " (" + roh + ")" : roh;
}

bool Beginnt(std::string_view text, std::string_view anfang) {
  return text.size() >= anfang.size() && std::equal(anfang.begin(), anfang.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
         });
}

// The libpq connection string behind "postgresql:...".
std::string Verbindungstext(std::string_view verbindung) {
  if (Beginnt(verbindung, "postgresql://")) return std::string(verbindung);
  return std::string(verbindung.substr(kServerPraefix.size()));
}

class PgVerbindung;

class PgBefehl final : public Befehl {
 public:
  PgBefehl(PgVerbindung& v, std::string sql, std::string meldung, bool vorbereitet)
      : v_(v), sql_(std::move(sql)), meldung_(std::move(meldung)), vorbereitet_(vorbereitet) {}
  ~PgBefehl() override { PQclear(res_); }

  void Binden(int i, const Variant& wert) override;
  void TextBinden(int i, std::string_view text) override { Setzen(i, std::string(text)); }
  void ZahlBinden(int i, int64_t zahl) override { Setzen(i, std::to_string(zahl)); }
  bool Schritt() override {
    if (!res_) {
      Ausfuehren();
      zeile_ = 0;
    } else {
      ++zeile_;
    }
    return zeile_ < PQntuples(res_);
  }
  void Zuruecksetzen() override {
    PQclear(res_);
    res_ = nullptr;
    zeile_ = -1;
  }
  void BindungenLoeschen() override { werte_.clear(); }

  int Spaltenzahl() const override { return PQnfields(Ergebnis()); }
  std::string Spaltenname(int i) const override { return PQfname(Ergebnis(), i); }
  std::string Herkunftstabelle(int i) const override;
  std::string Herkunftsfeld(int i) const override;

  Variant Wert(int i) const override;
  bool IstNull(int i) const override { return PQgetisnull(res_, zeile_, i) != 0; }
  int64_t ZahlWert(int i) const override { return std::strtoll(PQgetvalue(res_, zeile_, i), nullptr, 10); }
  std::string_view TextWert(int i) const override {
    return {PQgetvalue(res_, zeile_, i), static_cast<std::size_t>(PQgetlength(res_, zeile_, i))};
  }
  bool NurLesend() const override {
    std::size_t i = sql_.find_first_not_of(" \t\r\n(");
    return i != std::string::npos && (Beginnt(std::string_view(sql_).substr(i), "SELECT") ||
                                      Beginnt(std::string_view(sql_).substr(i), "WITH"));
  }
  int64_t Geaendert() const override { return geaendert_; }
  void Pruefen() override;

  // The statement's name on the server once it is prepared there (kept
  // statements only); 0 when it must be prepared (again, after a reconnect).
  unsigned generation = 0;
  std::string name;
  const std::string& Sql() const { return sql_; }

 private:
  void Setzen(int i, std::optional<std::string> wert) {
    if (static_cast<std::size_t>(i) > werte_.size()) werte_.resize(static_cast<std::size_t>(i));
    werte_[static_cast<std::size_t>(i - 1)] = std::move(wert);
  }
  void Ausfuehren();
  // Columns are known once the statement ran (the server sends them with
  // the rows), so asking for them runs it.
  PGresult* Ergebnis() const {
    if (!res_) {
      const_cast<PgBefehl*>(this)->Ausfuehren();
      const_cast<PgBefehl*>(this)->zeile_ = -1;
    }
    return res_;
  }

  PgVerbindung& v_;
  std::string sql_, meldung_;
  bool vorbereitet_;
  std::vector<std::optional<std::string>> werte_;
  PGresult* res_ = nullptr;
  int zeile_ = -1;
  int64_t geaendert_ = 0;
};

class PgVerbindung final : public Verbindung {
 public:
  explicit PgVerbindung(const std::string& verbindung) : name_(ServerName(verbindung)), text_(verbindung) {}
  ~PgVerbindung() override {
    anweisungen_.clear();
    if (conn_) PQfinish(conn_);
  }

  void Verbinden() {
    // Defaults first: the connection string overrides them.
    // A dead network is noticed within a minute: keepalives while idle, a
    // timeout for unanswered data while a statement runs.
    const char* schluessel[] = {"connect_timeout", "application_name", "client_encoding", "keepalives",
                                "keepalives_idle", "keepalives_interval", "keepalives_count", "tcp_user_timeout",
                                "dbname", nullptr};
    const std::string text = Verbindungstext(text_);
    const char* werte[] = {"10", "vxmdorvex", "UTF8", "1", "30", "10", "3", "30000", text.c_str(), nullptr};
    conn_ = PQconnectdbParams(schluessel, werte, 1);
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) NichtErreichbar();
    Sitzung();
    KatalogLaden();
    LayerEinrichten(*this);
  }

  // --- errors ------------------------------------------------------------------

  [[noreturn]] void NichtErreichbar() const {
    std::string ort = conn_ && PQhost(conn_) ? PQhost(conn_) : "";
    // (a socket folder has no port of its own to name)
    if (conn_ && PQport(conn_) && *PQport(conn_) && !ort.empty() && ort[0] != '/') ort += ":" + std::string(PQport(conn_));
    const std::string db = conn_ && PQdb(conn_) ? PQdb(conn_) : "";
    throw VbFehler(fehlernr::ServerNichtErreichbar,
                   "Der Datenbankserver " + (ort.empty() ? name_ : ort) + (db.empty() ? "" : " (Datenbank " + db + ")") +
                       " ist nicht erreichbar: " + (conn_ ? Grund(PQerrorMessage(conn_)) : std::string("kein Speicher")) +
                       ". Bitte prüfen Sie, ob der Server läuft und das Netz verbunden ist.");
  }

  [[noreturn]] void Fehler(const PGresult* r, std::string_view wobei) {
    if (PQstatus(conn_) != CONNECTION_OK) {
      abgerissen_ = true;
      throw VbFehler(fehlernr::ServerNichtErreichbar,
                     "Die Verbindung zum Datenbankserver " + name_ +
                         " ist abgebrochen; die laufende Änderung wurde nicht gespeichert: " +
                         Grund(PQerrorMessage(conn_)) + ".");
    }
    const char* zustand = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    const std::string code = zustand ? zustand : "";
    const std::string meldung = ErsteZeile(r ? PQresultErrorMessage(r) : PQerrorMessage(conn_));
    // The statement helps with a fault of the program or the host's SQL; a
    // lock or missing rights are the user's situation, told without it.
    const std::string ort = wobei.empty() ? std::string() : " [" + std::string(wobei) + "]";
    if (code == "55P03" || code == "40P01" || code == "40001" || code == "57014")
      throw VbFehler(fehlernr::Gesperrt, "Die Datenbank " + name_ +
                                             " ist durch einen anderen Vorgang gesperrt. Bitte versuchen Sie es "
                                             "später noch einmal.");
    if (code == "XX001" || code == "XX002") {
      beschaedigt_ = true;
      throw VbFehler(fehlernr::UnbekanntesFormat,
                     "Die Datenbank " + name_ + " ist beschädigt (" + meldung + ")." + ort);
    }
    if (code == "25006" || code == "42501")
      throw VbFehler(fehlernr::SchreibgeschuetztDb, "Die Datenbank " + name_ +
                                                        " ist schreibgeschützt; die Änderung wurde nicht "
                                                        "gespeichert (" + meldung + ").");
    if (code.rfind("23", 0) == 0)
      throw VbFehler(fehlernr::DoppelterWert,
                     "Die Änderung verletzt eine Regel der Datenbank " + name_ + " (" + meldung + ")." + ort);
    if (code == "42P01")
      throw VbFehler(fehlernr::TabelleFehlt, "Eine Tabelle ist in der Datenbank " + name_ + " nicht vorhanden (" +
                                                 meldung + ")." + ort);
    if (code == "42703")
      throw VbFehler(fehlernr::UnbekannteSpalte,
                     "Ein Feld ist in der Datenbank " + name_ + " nicht vorhanden (" + meldung + ")." + ort);
    if (code == "42601")
      throw VbFehler(fehlernr::SyntaxFehler, "Syntaxfehler in der SQL-Anweisung (" + meldung + ")." + ort);
    throw VbFehler(fehlernr::DatenbankFehler, "Datenbankfehler in " + name_ + ": " + meldung + "." + ort);
  }

  // A statement that failed because the connection broke outside a
  // transaction may run again on a new one when it only reads (a server
  // restarted overnight): true when the caller should try once more.
  bool NochEinmal(bool nurLesend) {
    if (inTransaktion_ || !nurLesend || PQstatus(conn_) == CONNECTION_OK) return false;
    abgerissen_ = true;
    Bereit();
    return true;
  }

  // Before a statement: a broken connection is made again, but never inside
  // a transaction (its work is gone on the server; the caller rolls back).
  void Bereit() {
    // A server that closed the connection while it was idle (restarted, the
    // process ended) said so on the socket, its reason and then the end: both
    // read here without waiting (a call reads one), so a change is not sent
    // into a connection known to be gone (its loss could then not be told
    // from one midway).
    for (int i = 0; i < 2 && !inTransaktion_ && !abgerissen_ && PQstatus(conn_) == CONNECTION_OK; ++i)
      PQconsumeInput(conn_);
    if (PQstatus(conn_) == CONNECTION_OK && !abgerissen_) return;
    if (inTransaktion_) Fehler(nullptr, {});
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK) NichtErreichbar();
    abgerissen_ = false;
    ++generation_;  // prepared statements are gone with the old session
    Sitzung();
  }

  PGresult* Befehlen(const char* sql) {
    Bereit();
    PGresult* r = PQexec(conn_, sql);
    const auto s = PQresultStatus(r);
    if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) {
      Ergebnis e{r};
      Fehler(r, sql);
    }
    return r;
  }
  void Befehl_(const char* sql) { PQclear(Befehlen(sql)); }

  struct Ergebnis {  // clears a result when it goes out of scope
    PGresult* r;
    ~Ergebnis() { PQclear(r); }
  };

  // --- Verbindung ------------------------------------------------------------

  SqlZiel Ziel() const override { return SqlZiel::PostgreSQL; }
  const SqlKatalog* Katalog() const override { return &kat_; }
  const std::string& Name() const override { return name_; }

  std::unique_ptr<Befehl> Vorbereiten(std::string_view sql, std::string_view fuerMeldung) override {
    return std::make_unique<PgBefehl>(*this, std::string(sql), std::string(fuerMeldung.empty() ? sql : fuerMeldung),
                                      false);
  }

  Befehl& Gespeichert(const std::string& sql) override {
    auto it = anweisungen_.find(sql);
    if (it != anweisungen_.end()) return *it->second;
    auto b = std::make_unique<PgBefehl>(*this, SqliteTextFuerPostgres(sql, kat_), sql, true);
    return *anweisungen_.emplace(sql, std::move(b)).first->second;
  }

  int64_t Ausfuehren(std::string_view sql, std::string_view fuerMeldung) override {
    Bereit();
    const std::string text(sql);
    if (!PQsendQuery(conn_, text.c_str())) Fehler(nullptr, fuerMeldung);
    int64_t geaendert = 0;
    bool schema = false;
    PGresult* fehler = nullptr;
    while (PGresult* r = PQgetResult(conn_)) {
      const auto s = PQresultStatus(r);
      if ((s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) && !fehler) {
        fehler = r;
        continue;
      }
      const std::string befehl = PQcmdStatus(r);
      if (Beginnt(befehl, "CREATE") || Beginnt(befehl, "ALTER") || Beginnt(befehl, "DROP")) schema = true;
      if (Beginnt(befehl, "INSERT") || Beginnt(befehl, "UPDATE") || Beginnt(befehl, "DELETE"))
        geaendert += std::strtoll(PQcmdTuples(r), nullptr, 10);
      PQclear(r);
    }
    if (fehler) {
      Ergebnis e{fehler};
      Fehler(fehler, fuerMeldung);
    }
    if (schema) KatalogLaden();
    return geaendert;
  }

  // One round trip: the transaction and the write lock of the database.
  void Beginnen() override { BeginnenMit("BEGIN; " + Schreibsperre(false)); }
  void BeginnenFuer(const std::vector<std::string>& namen) override {
    std::string sql = "BEGIN; " + Schreibsperre(true);
    for (const std::int32_t n : Namenssperren(namen))
      sql += ", pg_advisory_xact_lock(" + std::to_string(kNamenRaum) + ", " + std::to_string(n) + ")";
    BeginnenMit(sql);
  }

  bool HatProzedur(const std::string& name) override {
    if (prozedurenStand_ != generation_) {  // asked again after a reconnect (the server may be another)
      prozeduren_.clear();
      prozedurenStand_ = generation_;
    }
    const auto it = prozeduren_.find(name);
    if (it != prozeduren_.end()) return it->second;
    auto b = Vorbereiten(
        "SELECT count(*) FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace "
        "WHERE n.nspname = current_schema() AND p.proname = $1 AND p.prokind = 'p'", {});
    b->TextBinden(1, name);
    const bool da = b->Schritt() && b->ZahlWert(0) > 0;
    prozeduren_.emplace(name, da);
    return da;
  }

 private:
  void BeginnenMit(const std::string& sql) {
    Bereit();
    PGresult* r = PQexec(conn_, sql.c_str());
    if (PQresultStatus(r) != PGRES_TUPLES_OK && NochEinmal(true)) {  // nothing was done yet
      PQclear(r);
      r = PQexec(conn_, sql.c_str());
    }
    Ergebnis e{r};
    inTransaktion_ = true;
    if (PQresultStatus(r) != PGRES_TUPLES_OK) {
      Zuruecknehmen();
      Fehler(r, "BEGIN");
    }
  }

 public:
  void Festschreiben() override {
    Ergebnis e{Befehlen("COMMIT")};
    inTransaktion_ = false;
    // a transaction that failed on the server ends in ROLLBACK, silently
    if (!Beginnt(PQcmdStatus(e.r), "COMMIT"))
      throw VbFehler(fehlernr::DatenbankFehler,
                     "Die Transaktion in " + name_ + " wurde abgebrochen; nichts wurde gespeichert.");
  }
  void Zuruecknehmen() override {
    inTransaktion_ = false;
    if (PQstatus(conn_) == CONNECTION_OK && !abgerissen_ && PQtransactionStatus(conn_) != PQTRANS_IDLE)
      PQclear(PQexec(conn_, "ROLLBACK"));
  }
  void Sicherungspunkt(int n) override { Befehl_(("SAVEPOINT vxm_" + std::to_string(n)).c_str()); }
  void Freigeben(int n) override { Befehl_(("RELEASE SAVEPOINT vxm_" + std::to_string(n)).c_str()); }
  void ZurueckZu(int n) override {
    const std::string z = std::to_string(n);
    Befehl_(("ROLLBACK TO SAVEPOINT vxm_" + z + "; RELEASE SAVEPOINT vxm_" + z).c_str());
  }
  bool TransaktionOffen() override {
    return PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) == PQTRANS_INTRANS;
  }

  std::vector<Spalteninfo> Spalten(const std::string& tabelle) override {
    const auto it = kat_.Namen.find(Falten(tabelle));
    if (it == kat_.Namen.end()) return {};
    if (auto s = spalten_.find(it->second); s != spalten_.end()) return s->second;
    Befehl& b = Gespeichert(
        "SELECT a.attname, coalesce(i.indnatts = 1 AND a.attnum = ANY (i.indkey) AND a.atttypid IN (20, 21, 23), false) "
        "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
        "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
        "LEFT JOIN pg_index i ON i.indrelid = c.oid AND i.indisprimary "
        "WHERE n.nspname = current_schema() AND c.relname = ?1 AND c.relkind IN ('r', 'p') "
        "AND a.attname <> 'vxm_zeile' ORDER BY a.attnum");
    b.Zuruecksetzen();
    b.TextBinden(1, it->second);
    std::vector<Spalteninfo> aus;
    while (b.Schritt()) aus.push_back({std::string(b.TextWert(0)), b.TextWert(1) == "t"});
    b.Zuruecksetzen();
    return spalten_[it->second] = aus;
  }

  std::string Bezeichner(std::string_view name) const override {
    const auto it = kat_.Namen.find(Falten(name));
    const std::string_view n = it != kat_.Namen.end() ? std::string_view(it->second) : name;
    std::string aus = "\"";
    for (char c : n) aus += c == '"' ? std::string("\"\"") : std::string(1, c);
    return aus + "\"";
  }
  std::string ZeilenSpalte() const override { return kServerZeilenSpalte; }
  std::string Platzhalter(int i) const override { return "$" + std::to_string(i); }

  int64_t NaechsterSchluessel(const std::string& tabelle) override {
    std::string schluessel;
    for (const auto& s : Spalten(tabelle))
      if (s.schluessel) schluessel = s.name;
    const std::string t = Bezeichner(tabelle);
    // The highest key ever given (kept by the key trigger), also of a
    // deleted last row; the row lock keeps the number for this transaction.
    Befehl& b = Gespeichert("SELECT greatest((SELECT \"Wert\" FROM vxm_folge WHERE \"Tabelle\" = ?1 FOR UPDATE), "
                            "(SELECT max(" + Bezeichner(schluessel) + ") FROM " + t + "), 0) + 1");
    b.Zuruecksetzen();
    b.TextBinden(1, kat_.Namen.count(Falten(tabelle)) ? kat_.Namen.at(Falten(tabelle)) : tabelle);
    b.Schritt();
    const int64_t neu = b.ZahlWert(0);
    b.Zuruecksetzen();
    return neu;
  }

  std::string MitNeuerZeile(const std::string& insert) const override {
    return insert + " RETURNING " + kServerZeilenSpalte;
  }
  int64_t NeueZeile(Befehl& insert) override { return insert.ZahlWert(0); }

  // Writable when the session may write and this user may change a table
  // of the schema.
  bool NurLesen() override {
    auto b = Vorbereiten(
        "SELECT current_setting('transaction_read_only') = 'off' AND coalesce((SELECT bool_or("
        "has_table_privilege(c.oid, 'INSERT, UPDATE, DELETE')) FROM pg_class c JOIN pg_namespace n ON "
        "n.oid = c.relnamespace WHERE n.nspname = current_schema() AND c.relkind = 'r'), false)",
        "Schreibrecht");
    return !(b->Schritt() && b->TextWert(0) == "t");
  }

  void Schreibpruefung() override {
    if (beschaedigt_)
      throw VbFehler(fehlernr::UnbekanntesFormat,
                     "Die Datenbank " + name_ + " ist beschädigt; es wird nichts mehr hineingeschrieben.");
  }

  // --- for the statements ------------------------------------------------------

  PGconn* Conn() { return conn_; }
  unsigned Generation() const { return generation_; }
  std::string NeuerName() { return "vxm_" + std::to_string(++namen_); }

  // Table and field of a result column (the server gives their numbers).
  std::pair<std::string, std::string> Herkunft(Oid tabelle, int feld) {
    if (tabelle == 0 || feld <= 0) return {};
    const auto schluessel = std::make_pair(tabelle, feld);
    if (auto it = herkunft_.find(schluessel); it != herkunft_.end()) return it->second;
    Befehl& b = Gespeichert(
        "SELECT c.relname, a.attname FROM pg_class c JOIN pg_attribute a ON a.attrelid = c.oid "
        "WHERE c.oid = ?1 AND a.attnum = ?2");
    b.Zuruecksetzen();
    b.ZahlBinden(1, tabelle);
    b.ZahlBinden(2, feld);
    std::pair<std::string, std::string> h;
    if (b.Schritt()) h = {std::string(b.TextWert(0)), std::string(b.TextWert(1))};
    b.Zuruecksetzen();
    return herkunft_[schluessel] = h;
  }

  // The names of the schema, for the translation (again after CREATE, ALTER, DROP).
  void KatalogLaden() {
    SqlKatalog k;
    Ergebnis e{Befehlen(
        "SELECT c.relname, a.attname, t.typcategory FROM pg_class c "
        "JOIN pg_namespace n ON n.oid = c.relnamespace "
        "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
        "JOIN pg_type t ON t.oid = a.atttypid "
        "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p', 'v', 'm', 'f') ORDER BY c.relname, a.attnum")};
    std::map<std::string, std::vector<std::string>> spalten;
    for (int i = 0; i < PQntuples(e.r); ++i) {
      const std::string tabelle = PQgetvalue(e.r, i, 0), feld = PQgetvalue(e.r, i, 1);
      k.Namen[Falten(tabelle)] = tabelle;
      if (feld == kServerZeilenSpalte) {
        k.MitZeile.insert(Falten(tabelle));
        continue;
      }
      k.Namen.emplace(Falten(feld), feld);
      if (PQgetvalue(e.r, i, 2)[0] == 'S') k.TextSpalten.insert(Falten(feld));
      spalten[tabelle].push_back(feld);
    }
    for (const auto& [tabelle, felder] : spalten)
      for (const auto& f : felder)
        for (const auto& s : felder)
          if (GleichOhneFall(s, f + kSchluesselEndung)) k.Schatten[Falten(f)] = s;
    kat_ = std::move(k);
    spalten_.clear();
  }

 private:
  // Waits for a lock as long as SQLite waits for a writer. A commit returns
  // before the server has flushed its log, as SQLite's log does with
  // synchronous=NORMAL: a crash of the server may take back the last commits
  // (some tenths of a second), never leave half of one. A connection string
  // with options='-c synchronous_commit=on' keeps the server's flush.
  void Sitzung() {
    Befehl_("SET lock_timeout = '10s'; SET client_min_messages = warning");
    Ergebnis e{Befehlen("SELECT source FROM pg_settings WHERE name = 'synchronous_commit'")};
    if (PQntuples(e.r) == 1 && std::string_view(PQgetvalue(e.r, 0, 0)) != "client")
      Befehl_("SET synchronous_commit = off");
  }

  PGconn* conn_ = nullptr;
  std::string name_, text_;
  SqlKatalog kat_;
  std::unordered_map<std::string, std::unique_ptr<PgBefehl>> anweisungen_;
  std::map<std::pair<Oid, int>, std::pair<std::string, std::string>> herkunft_;
  std::map<std::string, std::vector<Spalteninfo>> spalten_;  // by table, until the schema changes
  bool inTransaktion_ = false, abgerissen_ = false, beschaedigt_ = false;
  unsigned generation_ = 1, namen_ = 0;
  std::map<std::string, bool> prozeduren_;  // HatProzedur, for this session
  unsigned prozedurenStand_ = 0;
};

void PgBefehl::Binden(int i, const Variant& wert) {
  std::visit(
      [&](const auto& x) {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, NullWert>)
          Setzen(i, std::nullopt);
        else if constexpr (std::is_same_v<T, bool>)
          Setzen(i, x ? "-1" : "0");
        else if constexpr (std::is_same_v<T, int32_t>)
          Setzen(i, std::to_string(x));
        else if constexpr (std::is_same_v<T, double>)
          Setzen(i, AlsText(Variant(x)));
        else
          Setzen(i, x);
      },
      wert.Wert());
}

void PgBefehl::Ausfuehren() {
  PQclear(res_);
  res_ = nullptr;
  std::vector<const char*> werte;
  for (const auto& w : werte_) werte.push_back(w ? w->c_str() : nullptr);
  const int n = static_cast<int>(werte.size());
  v_.Bereit();
  PGconn* c = v_.Conn();
  if (vorbereitet_) {
    if (generation != v_.Generation()) {
      name = v_.NeuerName();
      PGresult* p = PQprepare(c, name.c_str(), sql_.c_str(), 0, nullptr);
      PgVerbindung::Ergebnis e{p};
      if (PQresultStatus(p) != PGRES_COMMAND_OK) v_.Fehler(p, meldung_);
      generation = v_.Generation();
    }
    res_ = PQexecPrepared(c, name.c_str(), n, werte.data(), nullptr, nullptr, 0);
  } else {
    res_ = PQexecParams(c, sql_.c_str(), n, nullptr, werte.data(), nullptr, nullptr, 0);
  }
  auto s = PQresultStatus(res_);
  if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK && v_.NochEinmal(NurLesend())) {
    PQclear(res_);
    res_ = nullptr;
    return Ausfuehren();
  }
  if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) {
    PGresult* r = res_;
    res_ = nullptr;
    PgVerbindung::Ergebnis e{r};
    v_.Fehler(r, meldung_);
  }
  geaendert_ = std::strtoll(PQcmdTuples(res_), nullptr, 10);
}

void PgBefehl::Pruefen() {
  v_.Bereit();
  PGresult* p = PQprepare(v_.Conn(), "", sql_.c_str(), 0, nullptr);
  PgVerbindung::Ergebnis e{p};
  if (PQresultStatus(p) != PGRES_COMMAND_OK) v_.Fehler(p, meldung_);
}

std::string PgBefehl::Herkunftstabelle(int i) const {
  return v_.Herkunft(PQftable(Ergebnis(), i), PQftablecol(Ergebnis(), i)).first;
}
std::string PgBefehl::Herkunftsfeld(int i) const {
  return v_.Herkunft(PQftable(Ergebnis(), i), PQftablecol(Ergebnis(), i)).second;
}

Variant PgBefehl::Wert(int i) const {
  if (PQgetisnull(res_, zeile_, i)) return Variant(NullWert{});
  const char* w = PQgetvalue(res_, zeile_, i);
  switch (PQftype(res_, i)) {
    case kInt2:
    case kInt4:
    case kInt8: {
      const long long z = std::strtoll(w, nullptr, 10);
      if (z >= INT32_MIN && z <= INT32_MAX) return Variant(static_cast<int32_t>(z));
      return Variant(static_cast<double>(z));
    }
    case kFloat4:
    case kFloat8:
    case kNumeric: return Variant(std::strtod(w, nullptr));
    case kBool: return Variant(static_cast<int32_t>(w[0] == 't' ? -1 : 0));
    default: return Variant(std::string(w, static_cast<std::size_t>(PQgetlength(res_, zeile_, i))));
  }
}

}  // namespace

bool IstServerVerbindung(std::string_view text) { return Beginnt(text, kServerPraefix); }

bool EnthaeltPasswort(std::string_view verbindung) {
  char* fehler = nullptr;
  PQconninfoOption* optionen = PQconninfoParse(Verbindungstext(verbindung).c_str(), &fehler);
  PQfreemem(fehler);
  if (!optionen) return false;
  bool passwort = false;
  for (PQconninfoOption* o = optionen; o->keyword; ++o)
    if (std::string_view(o->keyword) == "password" && o->val && *o->val) passwort = true;
  PQconninfoFree(optionen);
  return passwort;
}

std::string ServerName(std::string_view verbindung) {
  // "password=..." in a connection string or ":secret@" in a URI stays hidden
  std::string aus(verbindung);
  for (std::size_t p = 0; (p = Falten(aus).find("PASSWORD", p)) != std::string::npos;) {
    std::size_t w = aus.find('=', p);
    if (w == std::string::npos) break;
    std::size_t ende = aus.find_first_of(" &", w + 1);
    if (ende == std::string::npos) ende = aus.size();
    aus.replace(w + 1, ende - w - 1, "***");
    p = w + 4;
  }
  if (const auto schema = aus.find("://"); schema != std::string::npos) {
    const auto at = aus.find('@', schema);
    const auto doppel = aus.find(':', schema + 3);
    if (at != std::string::npos && doppel != std::string::npos && doppel < at) aus.replace(doppel + 1, at - doppel - 1, "***");
  }
  return aus;
}

std::unique_ptr<Verbindung> PostgresVerbinden(const std::string& verbindung) {
  auto v = std::make_unique<PgVerbindung>(verbindung);
  v->Verbinden();
  return v;
}

void PostgresRegisterAnlegen(const std::string& verbindung) {
  auto v = PostgresVerbinden(verbindung);
  RegisterSchemaAnlegen(*v);
}

}  // namespace vxm
