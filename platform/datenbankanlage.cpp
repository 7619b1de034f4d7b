// The schemas of the three database files.
#include <sqlite3.h>

#include <filesystem>

#include "platform/datenbank.h"
#include "platform/fehler.h"
#include "platform/jetsql.h"
#include "platform/pgverbindung.h"
#include "platform/sqliteprozess.h"

namespace vxm {
namespace fs = std::filesystem;

namespace {

// Keyword register. Names are looked up case-blind through the shadow
// columns; ids are AUTOINCREMENT so a deleted file's number is never handed
// to another file (link rows of other processes may still name it).
constexpr const char* kRegisterSchema = R"SQL(
CREATE TABLE Dateiinfo (
  Dateinummer INTEGER PRIMARY KEY AUTOINCREMENT,
  Dateiname TEXT,
  Dateipfad TEXT,
  DateinameSchluessel TEXT,
  DateipfadSchluessel TEXT
);
CREATE INDEX Dateiinfo_NameOrdner ON Dateiinfo (DateinameSchluessel, DateipfadSchluessel);
CREATE INDEX Dateiinfo_Ordner ON Dateiinfo (DateipfadSchluessel);
CREATE TABLE Keyword (
  KeywordID INTEGER PRIMARY KEY AUTOINCREMENT,
  Keyword TEXT,
  KeywordSchluessel TEXT
);
CREATE INDEX Keyword_Name ON Keyword (KeywordSchluessel);
CREATE TABLE KeywordZwischentabelle (
  Dateinummer INTEGER,
  KeywordID INTEGER
);
CREATE INDEX KeywordZwischentabelle_Datei ON KeywordZwischentabelle (Dateinummer, KeywordID);
CREATE INDEX KeywordZwischentabelle_Keyword ON KeywordZwischentabelle (KeywordID, Dateinummer);
CREATE TABLE vxm_info (Schluessel TEXT PRIMARY KEY, Wert TEXT);
PRAGMA user_version = 1;
)SQL";

constexpr const char* kHostdatenSchema = R"SQL(
CREATE TABLE ObjDaten (
  objnummer INTEGER PRIMARY KEY,
  ObjBezeichnung TEXT,
  ObjStrasse TEXT,
  ObjPlz TEXT,
  ObjOrt TEXT
);
CREATE TABLE Bestandseinheitsdaten (
  BeObjNr INTEGER NOT NULL,
  BeBeNr INTEGER NOT NULL,
  BeTuerNr TEXT,
  BeLage TEXT,
  BeFlaeche REAL,
  PRIMARY KEY (BeObjNr, BeBeNr)
);
CREATE TABLE Bestandnehmerdaten (
  BnObjNr INTEGER NOT NULL,
  BnBeNr INTEGER NOT NULL,
  BnBnNr INTEGER NOT NULL,
  BnName TEXT,
  BnAnrede TEXT,
  BnEinzug TEXT,
  PRIMARY KEY (BnObjNr, BnBeNr, BnBnNr)
);
)SQL";

constexpr const char* kFirmendatenSchema = R"SQL(
CREATE TABLE AllgFirmenDaten (
  FirmenNr INTEGER PRIMARY KEY,
  Firmenname TEXT,
  Strasse TEXT,
  Plz TEXT,
  Ort TEXT,
  VXMDOKPfad TEXT
);
)SQL";

void Anlegen(const std::string& hostPfad, const char* schema) {
  std::error_code ec;
  if (fs::exists(hostPfad, ec))
    throw VbFehler(fehlernr::DatenbankExistiert, "Die Datenbank " + hostPfad + " existiert bereits.");
  SqliteEinrichten();
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(hostPfad.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  std::string fehler;
  if (rc == SQLITE_OK) {
    const std::string sql = std::string("PRAGMA journal_mode=WAL; BEGIN IMMEDIATE;") + schema + "COMMIT;";
    char* text = nullptr;
    rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &text);
    if (rc != SQLITE_OK) fehler = text ? text : sqlite3_errstr(rc);
    sqlite3_free(text);
  } else {
    fehler = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  }
  sqlite3_close_v2(db);
  if (rc != SQLITE_OK) {
    // no half-made file stays behind
    for (const char* endung : {"", "-wal", "-shm", "-journal"}) fs::remove(hostPfad + endung, ec);
    throw VbFehler(fehlernr::DatenbankFehler,
                   "Die Datenbank " + hostPfad + " konnte nicht angelegt werden (" + fehler + ").");
  }
}

}  // namespace

void RegisterAnlegen(const std::string& hostPfad) {
  if (IstServerVerbindung(hostPfad)) return PostgresRegisterAnlegen(hostPfad);
  Anlegen(hostPfad, (std::string(kRegisterSchema) + "INSERT INTO vxm_info VALUES ('Faltung', '" +
                     std::to_string(kFaltungsVersion) + "');\n").c_str());
}
void HostdatenAnlegen(const std::string& hostPfad) { Anlegen(hostPfad, kHostdatenSchema); }
void FirmendatenAnlegen(const std::string& hostPfad) { Anlegen(hostPfad, kFirmendatenSchema); }

}  // namespace vxm
