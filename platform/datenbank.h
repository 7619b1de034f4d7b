// Record-set sources on the embedded database: the three database files
// (host data, company, keyword register) are SQLite files under the names the
// host gives them, or databases on a PostgreSQL server that the office file
// kServerDatei beside them names. The SQL texts of the component are the
// host's dialect: double-quoted literals, Like with * ? # [a-z] [!x],
// comparisons without regard to case (umlauts folded), joins nested in
// parentheses; they are translated for the engine (jetsql.h), which sits
// behind an engine-neutral connection (verbindung.h).
//
// Errors are VbFehler with the host's numbers: 3024 missing database file
// (never created by opening), 3265 unknown field, 3021 no current row,
// 3151 database server not reachable or connection lost, others with a
// clear description.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/variant.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vxm {

namespace fehlernr {
inline constexpr int32_t KeinAktuellerDatensatz = 3021;
inline constexpr int32_t DatenbankFehlt = 3024;
inline constexpr int32_t FeldFehlt = 3265;
inline constexpr int32_t DatenbankFehler = 3146;
inline constexpr int32_t OhneEditOderAddNew = 3020;
inline constexpr int32_t DoppelterWert = 3022;
inline constexpr int32_t SchreibgeschuetztDb = 3027;
inline constexpr int32_t UnbekannteSpalte = 3061;
inline constexpr int32_t TabelleFehlt = 3078;
inline constexpr int32_t SyntaxFehler = 3075;
inline constexpr int32_t DatensatzGeloescht = 3167;
inline constexpr int32_t DatenbankExistiert = 3204;
inline constexpr int32_t Gesperrt = 3260;
inline constexpr int32_t UnbekanntesFormat = 3343;
inline constexpr int32_t ServerNichtErreichbar = 3151;  // database server down or connection lost
}  // namespace fehlernr

class Datenbank;
class Verbindung;

// Rows of one query, read when opened; the current row moves over them.
// A record set of one table (no join) can be changed: Edit/AddNew, set
// fields, Update; Delete. Changes are written at once.
class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(Recordset&&) noexcept;
  Recordset& operator=(Recordset&&) noexcept;

  bool Eof() const;
  bool Bof() const;
  void MoveFirst();
  void MoveNext();
  void MoveLast();
  void MovePrevious();
  // Number of rows.
  int32_t RecordCount() const;

  // Field of the current row by name, compared without regard to case
  // ("Keyword" and "keyword" are the same; "Tabelle.Feld" also works).
  Variant Feld(std::string_view name) const;
  std::string Text(std::string_view name) const;  // Null and empty give ""
  int32_t Zahl(std::string_view name) const;
  void FeldSetzen(std::string_view name, const Variant& wert);
  std::vector<std::string> Feldnamen() const;

  // Editing. Between AddNew and Update the new row's auto-increment key can
  // be read with Feld().
  void Edit();
  void AddNew();
  void Update();
  void CancelUpdate();
  void Delete();

 private:
  friend class Datenbank;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// One open database file. Opened through DatenbankOeffnen; shared by every
// source bound to the same file on this thread.
class Datenbank {
 public:
  ~Datenbank();
  const std::string& Datei() const;

  // A record set of SQL text in the host's dialect.
  Recordset OpenRecordset(std::string_view sql);
  // A whole table by name, changeable (rows in table order).
  Recordset TabelleOeffnen(std::string_view tabelle);
  // Runs a statement without result rows (host dialect); returns the number
  // of changed rows.
  int64_t Execute(std::string_view sql);

  // Everything between Beginnen and Bestaetigen is written whole or not at
  // all; Verwerfen (or leaving the scope of a Transaktion) rolls back.
  // Nested calls join the outer transaction.
  void Beginnen();
  // Beginnen for a change that adds or removes only rows of these names
  // (see Transaktion); it may not nest another transaction.
  void BeginnenFuer(const std::vector<std::string>& namen);
  void Bestaetigen();
  void Verwerfen();

  // The engine behind this database (see verbindung.h).
  Verbindung& Anbindung();

  // The SQLite handle, for code that needs plain SQLite (nullptr on another
  // engine).
  ::sqlite3* Handle();
  // A prepared statement of plain SQLite text, kept for the life of the
  // connection; returned reset with its bindings cleared. SQLite files only
  // (error 3146 on a server): new code uses sql::Abfrage (sqlhilfen.h),
  // which works on every engine.
  ::sqlite3_stmt* Anweisung(const std::string& sql);
  // Raises error 3343 once the file was found damaged: nothing more is
  // written to it through this connection.
  void Schreibpruefung();
  // Raises the VbFehler of a failed SQLite call on this connection.
  [[noreturn]] void Fehler(int rc, std::string_view wobei = {});

 private:
  friend class DatenbankZugang;
  friend class Recordset;
  Datenbank();
  std::shared_ptr<Datenbank> Selbst();
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Opens a Windows-form database path through the drive table of the
// platform services (error 3024 when the file does not exist).
//
// An office keeps a database on a server by naming it in the file
// kServerDatei beside it, one line per database file:
//     vxmdok.mdb = postgresql:service=vxmdok
// (a libpq connection string or URI after "postgresql:"; the password never
// there but in each user's ~/.pgpass or service file). Every workstation
// that shares the folder then opens the server database instead of the
// file. A "postgresql:..." text instead of a path opens that server
// database directly (tools). Error 3151 when the server cannot be reached.
std::shared_ptr<Datenbank> DatenbankOeffnen(const std::string& datei);
// The same for a path of this machine (tools, tests).
std::shared_ptr<Datenbank> DatenbankOeffnenHost(const std::filesystem::path& host);
// A tool that names a file means that file, whatever kServerDatei beside
// it names for the workstations ("postgresql:..." still opens the server).
std::shared_ptr<Datenbank> DatenbankDateiOeffnenHost(const std::filesystem::path& host);

inline constexpr const char* kServerDatei = "vxmserver.conf";
// The server connection kServerDatei names for a database file ("" = the file).
std::string ServerFuerDatenbank(const std::filesystem::path& host);

// Notices the user should read once (e.g. a database file on a network
// share, where a server database is advised for several workstations). The
// window layer sets where they are shown; each is given once per process.
void DatenbankHinweiseSetzen(std::function<void(const std::string&)> zeigen);
void DatenbankHinweisGeben(const std::string& schluessel, const std::string& text);

// A transaction as a scope: rolls back unless Bestaetigen was called.
class Transaktion {
 public:
  explicit Transaktion(Datenbank& db) : db_(db) { db_.Beginnen(); }
  // A change whose check-then-insert or delete concerns only the rows of
  // `namen` (folded keys such as a file's name and folder or a keyword's
  // name): on a server it runs beside changes of other names instead of
  // waiting for every writer. All other transactions exclude it.
  Transaktion(Datenbank& db, const std::vector<std::string>& namen) : db_(db) { db_.BeginnenFuer(namen); }
  ~Transaktion();
  void Bestaetigen();
  Transaktion(const Transaktion&) = delete;
  Transaktion& operator=(const Transaktion&) = delete;

 private:
  Datenbank& db_;
  bool offen_ = true;
};

// A record-set source of a window ("Data" control): a database file, a
// connect text and a record source. Refresh opens the file (on first use)
// and runs the record source.
class Datenquelle {
 public:
  explicit Datenquelle(std::string name = {}) : Name(std::move(name)) {}

  std::string Name;          // e.g. "DOC_DATA"
  std::string DatabaseName;  // Windows-form file name
  std::string Connect;       // "Access 2000;" or "Access"
  std::string RecordSource;  // SQL text or a table name

  void Refresh();
  Recordset& Rs();             // the record set of the last Refresh
  Datenbank& Database();       // opens the file when needed
  // Drops the open file (when DatabaseName changes).
  void Schliessen();

 private:
  std::shared_ptr<Datenbank> db_;
  std::string dbDatei_;
  Recordset rs_;
};

// Sets the connect text of every record-set source of a window.
void DatenquellenVerbinden(const std::vector<Datenquelle*>& quellen, const std::string& connect);

// Creates the tables of an empty keyword register (Dateiinfo, Keyword,
// KeywordZwischentabelle) with their indexes in a new file (error 3204 when
// the file exists), or on a database server ("postgresql:...", error 3204
// when its schema holds a register already). Dateiinfo and Keyword carry shadow columns
// (DateinameSchluessel, DateipfadSchluessel, KeywordSchluessel) holding the
// folded names (Falten); the layer keeps them current on every write, so the
// file needs no function of this program to be read or repaired with the
// sqlite3 tool (after repairs outside this program, run
// `vxmdorvex-register pruefen --reparieren`).
void RegisterAnlegen(const std::string& hostPfad);
// The host data database (ObjDaten, Bestandseinheitsdaten,
// Bestandnehmerdaten) and the company database (AllgFirmenDaten), empty.
void HostdatenAnlegen(const std::string& hostPfad);
void FirmendatenAnlegen(const std::string& hostPfad);

// Suffix of a shadow column: column X is mirrored folded in X + this.
inline constexpr const char* kSchluesselEndung = "Schluessel";

}  // namespace vxm
