// The layer under the record sets: one connection to one database and its
// prepared statements, once per database engine. Record sets, transactions
// and the register code work through these two interfaces only; the SQL
// they hand over is the engine's own (the host's dialect is translated
// before, see jetsql.h).
//
// Every failure is raised as VbFehler with the host's numbers (see
// datenbank.h): 3260 locked, 3343 damaged, 3027 read-only, 3022 a rule of
// the database, 3078/3061 unknown table/field, 3075 syntax, 3146 others.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/jetsql.h"
#include "platform/variant.h"

namespace vxm {

// A column of a table, for record sets that change it.
struct Spalteninfo {
  std::string name;
  bool schluessel = false;  // the table's single integer key (its row id)
};

// One prepared statement. Parameters count from 1, columns from 0.
class Befehl {
 public:
  virtual ~Befehl() = default;

  virtual void Binden(int i, const Variant& wert) = 0;
  virtual void TextBinden(int i, std::string_view text) = 0;
  virtual void ZahlBinden(int i, int64_t zahl) = 0;
  // Runs the statement on the first call and moves to the next row on each
  // further one; true while a row is current.
  virtual bool Schritt() = 0;
  // Ends a run, so the statement can run again; bindings stay.
  virtual void Zuruecksetzen() = 0;
  virtual void BindungenLoeschen() = 0;

  virtual int Spaltenzahl() const = 0;
  virtual std::string Spaltenname(int i) const = 0;
  // Table and field a result column is read from; empty when it is computed.
  virtual std::string Herkunftstabelle(int i) const = 0;
  virtual std::string Herkunftsfeld(int i) const = 0;

  virtual Variant Wert(int i) const = 0;
  virtual bool IstNull(int i) const = 0;
  virtual int64_t ZahlWert(int i) const = 0;
  // Valid until the next step or reset; "" for Null.
  virtual std::string_view TextWert(int i) const = 0;

  // The statement only reads (a SELECT).
  virtual bool NurLesend() const = 0;
  // Has the engine check the text without running it (where preparing
  // does not do so already).
  virtual void Pruefen() {}
  // Rows inserted, changed or deleted by the last run.
  virtual int64_t Geaendert() const = 0;
};

// One open database.
class Verbindung {
 public:
  virtual ~Verbindung() = default;

  // How the host's dialect is written for this engine, and the names of its
  // schema the translation needs (nullptr for SQLite).
  virtual SqlZiel Ziel() const = 0;
  virtual const SqlKatalog* Katalog() const { return nullptr; }
  // Name as the connection was asked for (file or server), for messages.
  virtual const std::string& Name() const = 0;

  // A statement of this engine's SQL; its errors name `fuerMeldung` (the
  // text as the caller wrote it) when given.
  virtual std::unique_ptr<Befehl> Vorbereiten(std::string_view sql, std::string_view fuerMeldung = {}) = 0;
  // A statement of this program in SQLite's spelling (?N placeholders,
  // rowid, GLOB; see SqliteTextFuerPostgres), written for this engine,
  // prepared once and kept for the life of the connection.
  virtual Befehl& Gespeichert(const std::string& sql) = 0;
  // Runs one or more statements without result rows; the rows changed.
  virtual int64_t Ausfuehren(std::string_view sql, std::string_view fuerMeldung) = 0;

  // Transactions: Beginnen takes the write lock at once; nesting goes
  // through savepoints named by the caller.
  virtual void Beginnen() = 0;
  // Beginnen for a change that adds or removes rows of the names in
  // `namen` only (see Transaktion). An engine whose writers exclude each
  // other anyway begins as Beginnen does; a server lets changes of other
  // names run beside it, while every other transaction still excludes all.
  virtual void BeginnenFuer(const std::vector<std::string>& namen) {
    (void)namen;
    Beginnen();
  }
  // Whether the database holds this program's stored procedure `name` (a
  // server database set up or brought up to date by this version).
  virtual bool HatProzedur(const std::string& name) {
    (void)name;
    return false;
  }
  virtual void Festschreiben() = 0;
  virtual void Zuruecknehmen() = 0;
  virtual void Sicherungspunkt(int nummer) = 0;
  virtual void Freigeben(int nummer) = 0;
  virtual void ZurueckZu(int nummer) = 0;
  // True while a transaction is open on the engine's side (false after the
  // engine rolled one back by itself, e.g. a lost connection).
  virtual bool TransaktionOffen() = 0;

  // Columns of a table (empty for a view or an unknown name).
  virtual std::vector<Spalteninfo> Spalten(const std::string& tabelle) = 0;
  // A name quoted for this engine's SQL.
  virtual std::string Bezeichner(std::string_view name) const = 0;
  // The hidden column of the row id ("rowid" in SQLite).
  virtual std::string ZeilenSpalte() const = 0;
  // Placeholder of parameter i ("?1" / "$1").
  virtual std::string Platzhalter(int i) const = 0;
  // The next key of a table's integer key for a row about to be added; the
  // caller holds the transaction of Beginnen, so no one else takes it.
  virtual int64_t NaechsterSchluessel(const std::string& tabelle) = 0;
  // An INSERT of this engine that reports the new row's id: the text to run
  // and, after running it, the id.
  virtual std::string MitNeuerZeile(const std::string& insert) const = 0;
  virtual int64_t NeueZeile(Befehl& insert) = 0;

  // Until called again with false, this connection's writes to `tabelle`
  // set its folded twins (…Schluessel) themselves, as a batch of moves does:
  // the triggers that complete them for other writers rest meanwhile (each
  // would run a program per row only to find it done). Engines whose
  // triggers serve every session keep them.
  virtual void ZwillingeSelbstSetzen(const std::string& /*tabelle*/, bool /*selbst*/) {}

  // Refuses to write (3343) once the database was found damaged.
  virtual void Schreibpruefung() = 0;
  // This connection cannot change the database (a read-only file, a server
  // database this user may only read).
  virtual bool NurLesen() = 0;
};

// Opens a SQLite file (the caller made sure it exists); `datei` names it in
// messages. On a network file system (NFS, SMB/CIFS, FUSE) the file keeps
// its rollback journal with file locks (WAL needs memory shared on one
// machine) and the notice that a server database is advised is given.
std::unique_ptr<Verbindung> SqliteVerbinden(const std::string& hostPfad, const std::string& datei);

}  // namespace vxm
