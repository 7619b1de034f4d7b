// Options of vxmdorvex, the component's own host for offices without the
// suite: the parameter array's slots and the drive table, merged with the
// values the user's settings kept from earlier starts. Free of Qt; the
// program itself reads and writes the settings file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/laufwerke.h"
#include "platform/variant.h"

namespace vxm::programm {

// Keys of the kept values; each is also the name of its option ("--mandant").
inline constexpr const char* kDatenbank = "datenbank";
inline constexpr const char* kFirmenDatenbank = "firmendatenbank";
inline constexpr const char* kMandant = "mandant";
inline constexpr const char* kObjekt = "objekt";
inline constexpr const char* kBe = "be";
inline constexpr const char* kBn = "bn";
inline constexpr const char* kLaufwerke = "laufwerk";  // "C=/srv/vxm;D=/mnt/daten"

// The program's own store when nothing is configured: drive C: is a folder
// of the user's data folder, with these databases on it.
inline constexpr const char* kStandardDatenbank = "C:\\VXM\\VXMDAT\\vxmdaten.mdb";
inline constexpr const char* kStandardFirmenDatenbank = "C:\\VXM\\VXMDAT\\firma.mdb";
inline constexpr const char* kStandardMandant = "1";

using Werte = std::map<std::string, std::string>;

struct Befehlszeile {
  Werte Angaben;  // options given on this start (kept for the next ones)
  bool Anlegen = false;
  bool Hilfe = false;
  std::string Bildschirmfoto;
  std::string Fehler;  // not empty: the call was wrong; the message says why
};

// Reads the arguments after the program name. A number is checked here, so
// a wrong one never reaches the settings.
Befehlszeile BefehlszeileLesen(const std::vector<std::string>& argumente);

// The text of --hilfe.
std::string Hilfetext();

// What the component is called with.
struct Start {
  Laufwerkstabelle Laufwerke;
  std::string LaufwerkeText;  // the table in the form of VXM_LAUFWERKE
  std::string Datenbank, FirmenDatenbank, Mandant;  // Windows form
  int32_t Objekt = 0, Be = 0, Bn = 0;
  // Nothing configured (no database, no drive, no VXM_LAUFWERKE): the
  // program's own store, whose databases are made empty on the first start.
  bool EigeneAblage = false;

  // The parameter array of the call (slots 0, 1, 3, 4, 70, 71, 72).
  std::vector<Variant> Parameter() const;
  // Folder of the host data database, Windows form, without the final "\".
  std::string DatenOrdner() const;
  // The keyword register beside the host data database.
  std::string Register() const;
  // The document root of a new store: "VXMDOK" beside the data folder, where
  // the component looks when the user's settings name the data folder
  // ("VXMDatPath") and nothing else is configured.
  std::string Wurzel() const;
};

// Works the start out of the given values, the kept ones, the environment
// (VXM_LAUFWERKE) and the defaults; `eigenerOrdner` is the folder behind
// drive C: of the program's own store. Host paths of this machine given for
// the databases are turned into their Windows form on a mapped drive. Bad
// input gives no start and a message in `fehler`.
std::optional<Start> StartErmitteln(const Befehlszeile& aufruf, const Werte& behalten,
                                    const std::filesystem::path& eigenerOrdner, std::string& fehler);

// The values to keep after this start: the kept ones, each replaced by the
// one given this time.
Werte ZuBehalten(const Werte& behalten, const Werte& angaben);

// A database file of the start, with the schema it gets when it is made.
struct Datenbankdatei {
  enum class Art { Hostdaten, Firmendaten, Register };
  Art Inhalt;
  std::string Windows;
  std::filesystem::path Host;
};

// The three databases of a start that do not exist yet.
std::vector<Datenbankdatei> FehlendeDatenbanken(const Start& start);

// Makes them empty (folders as needed; the company database gets its one
// row with an empty document path). A file that cannot be made whole is
// removed again; raises VbFehler with the reason.
void DatenbankenAnlegen(const std::vector<Datenbankdatei>& dateien);

// With new databases the store gets its document root as well (the
// component creates the Mandant folder in it, one level at a time).
void WurzelAnlegen(const Start& start);

// The message for missing databases that are not made on their own.
std::string FehlendeMelden(const std::vector<Datenbankdatei>& dateien);

}  // namespace vxm::programm
