#include "app/adressexport.h"

#include <sqlite3.h>

#include <fstream>
#include <random>
#include <set>
#include <system_error>

#include "basis/zustand.h"
#include "create/libreoffice.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/text.h"

namespace vxm::wirt {
namespace fs = std::filesystem;
namespace {

constexpr int32_t kDatenbankFehlt = 3024;
constexpr int32_t kTabelleFehlt = 3078;
constexpr int32_t kDatenbankFehler = 3049;
constexpr int32_t kKeinDatensatz = 3021;

class Verbindung {
 public:
  Verbindung(const fs::path& datei, int flags) {
    if (sqlite3_open_v2(datei.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      std::string text = db_ ? sqlite3_errmsg(db_) : "kein Speicher";
      sqlite3_close(db_);
      db_ = nullptr;
      throw VbFehler(kDatenbankFehlt, "Datenbank " + datei.string() + " nicht zu öffnen: " + text);
    }
  }
  ~Verbindung() { sqlite3_close(db_); }
  Verbindung(const Verbindung&) = delete;
  Verbindung& operator=(const Verbindung&) = delete;
  sqlite3* Db() const { return db_; }

  void Ausfuehren(const std::string& sql) {
    char* fehler = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &fehler) != SQLITE_OK) {
      std::string text = fehler ? fehler : "?";
      sqlite3_free(fehler);
      throw VbFehler(kDatenbankFehler, text);
    }
  }

  std::set<std::string> Spalten(const std::string& tabelle) {
    std::set<std::string> namen;
    sqlite3_stmt* st = nullptr;
    const std::string sql = "PRAGMA table_info(\"" + tabelle + "\")";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      throw VbFehler(kDatenbankFehler, sqlite3_errmsg(db_));
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
      namen.insert(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
    }
    sqlite3_finalize(st);
    return namen;
  }

 private:
  sqlite3* db_ = nullptr;
};

std::string Spalte(sqlite3_stmt* st, int i) {
  const unsigned char* t = sqlite3_column_text(st, i);
  return t ? reinterpret_cast<const char*>(t) : "";
}

// A column of the table if it has it, else an empty text. Field names are
// case-blind, as in the host's databases (ObjPLZ is ObjPlz there).
std::string Wahlweise(const std::set<std::string>& vorhanden, const std::string& alias,
                      const std::string& name) {
  for (const auto& n : vorhanden)
    if (GleichOhneFall(n, name)) return alias + ".\"" + n + "\"";
  return "''";
}

std::string CsvFeld(const std::string& wert) {
  std::string aus = "\"";
  for (char c : wert) {
    if (c == '"') aus += '"';
    aus += c;
  }
  return aus + "\"";
}

fs::path HostPfad(const std::string& windowsPfad) {
  auto* host = dynamic_cast<HostDateisystem*>(Dienste().Dateien.get());
  if (!host) throw VbFehler(fehlernr::PfadNichtGefunden, "kein Laufwerk für " + windowsPfad);
  return host->Laufwerke().Aufloesen(windowsPfad).Host;
}

void Exportieren(std::vector<Variant>& p, bool mitVorschreibung) {
  const std::string datenbank = AlsText(p.at(slot::Datenbank));
  const std::string ziel = AlsText(p.at(slot::Dokument));
  if (ziel.empty()) throw VbFehler(fehlernr::UngueltigerAufruf, "kein Dateiname in Eintrag 74");
  int32_t objekt = 0;
  if (!p.at(slot::Objekt).IstLeer() && AlsText(p[slot::Objekt]) != "") objekt = AlsLong(p[slot::Objekt]);

  const auto zeilen = AdressZeilen(HostPfad(datenbank), objekt, mitVorschreibung);
  // A workbook without one address would make letters to nobody.
  if (zeilen.size() < 2)
    throw VbFehler(kKeinDatensatz, objekt > 0 ? "Für das Objekt " + std::to_string(objekt) +
                                                    " sind in der Datenbank keine Bestandnehmer eingetragen."
                                              : std::string("In der Datenbank sind keine Bestandnehmer eingetragen."));

  // The CSV is named after the sheet the workbook should carry.
  std::error_code ec;
  std::random_device zufall;
  const fs::path arbeit =
      fs::temp_directory_path() / ("vxm-adressen-" + std::to_string(zufall()) + std::to_string(zufall()));
  fs::create_directories(arbeit, ec);
  const fs::path csv = arbeit / "Adressen.csv";
  {
    std::ofstream aus(csv, std::ios::binary);
    for (const auto& zeile : zeilen) {
      for (std::size_t i = 0; i < zeile.size(); ++i) aus << (i ? "," : "") << CsvFeld(zeile[i]);
      aus << "\r\n";
    }
  }
  // Comma, double quote, UTF-8, from line 1; every column as text so that
  // postcodes keep their leading zeros.
  std::string formate;
  for (std::size_t i = 1; i <= zeilen.front().size(); ++i) {
    formate += (i > 1 ? "/" : "") + std::to_string(i) + "/2";
  }
  const auto k = Konvertieren(csv, "xls:MS Excel 97", arbeit, "Text - txt - csv (StarCalc):44,34,76,1," + formate);
  if (!k.Erfolg) {
    fs::remove_all(arbeit, ec);
    throw VbFehler(fehlernr::ObjektErstellung, "Adressdatei nicht erzeugt: " + k.Fehler);
  }
  std::ifstream ein(k.Datei, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(ein)), std::istreambuf_iterator<char>());
  fs::remove_all(arbeit, ec);
  Dienste().Dateien->DateiSchreiben(ziel, bytes);
}

}  // namespace

std::vector<std::vector<std::string>> AdressZeilen(const fs::path& datenbank, int32_t objekt,
                                                   bool mitVorschreibung) {
  std::error_code ec;
  if (!fs::is_regular_file(datenbank, ec)) {
    throw VbFehler(kDatenbankFehlt, "Datenbank " + datenbank.string() + " nicht gefunden");
  }
  Verbindung v(datenbank, SQLITE_OPEN_READONLY);
  const auto bn = v.Spalten("Bestandnehmerdaten");
  if (bn.empty()) throw VbFehler(kTabelleFehlt, "Tabelle Bestandnehmerdaten fehlt");
  const auto obj = v.Spalten("ObjDaten");
  const bool mitObjekt = !obj.empty();

  std::string sql = "SELECT b.BnObjNr, b.BnBeNr, b.BnBnNr, b.BnName, " + Wahlweise(bn, "b", "BnAnrede") + ", " +
                    Wahlweise(bn, "b", "BnStrasse") + ", " + Wahlweise(bn, "b", "BnPLZ") + ", " +
                    Wahlweise(bn, "b", "BnOrt") + ", " + Wahlweise(bn, "b", "BnVorschreibung");
  if (mitObjekt) {
    sql += ", " + Wahlweise(obj, "o", "ObjBezeichnung") + ", " + Wahlweise(obj, "o", "ObjStrasse") + ", " +
           Wahlweise(obj, "o", "ObjPLZ") + ", " + Wahlweise(obj, "o", "ObjOrt") +
           " FROM Bestandnehmerdaten b LEFT JOIN ObjDaten o ON o.objnummer = b.BnObjNr";
  } else {
    sql += ", '', '', '', '' FROM Bestandnehmerdaten b";
  }
  sql += " WHERE ?1 <= 0 OR b.BnObjNr = ?1 ORDER BY b.BnObjNr, b.BnBeNr, b.BnBnNr";

  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(v.Db(), sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    throw VbFehler(kDatenbankFehler, sqlite3_errmsg(v.Db()));
  }
  sqlite3_bind_int(st, 1, objekt);
  std::vector<std::vector<std::string>> zeilen;
  zeilen.push_back(kAdressSpalten);
  if (mitVorschreibung) zeilen.front().push_back(kSpalteVorschreibung);
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    std::string strasse = Spalte(st, 5), plz = Spalte(st, 6), ort = Spalte(st, 7);
    if (strasse.empty() && plz.empty() && ort.empty()) {
      strasse = Spalte(st, 10);
      plz = Spalte(st, 11);
      ort = Spalte(st, 12);
    }
    std::string objektText = Spalte(st, 0);
    if (!Spalte(st, 9).empty()) objektText += " " + Spalte(st, 9);
    std::vector<std::string> zeile = {Spalte(st, 4), Spalte(st, 3), strasse,       plz,
                                      ort,           objektText,    Spalte(st, 1), Spalte(st, 2)};
    if (mitVorschreibung) zeile.push_back(Spalte(st, 8));
    zeilen.push_back(std::move(zeile));
  }
  const std::string fehler = rc == SQLITE_DONE ? "" : sqlite3_errmsg(v.Db());
  sqlite3_finalize(st);
  if (!fehler.empty()) throw VbFehler(kDatenbankFehler, fehler);
  return zeilen;
}

void TabellenAdressExport::Etiketten(std::vector<Variant>& p) { Exportieren(p, false); }
void TabellenAdressExport::Vorschreibung(std::vector<Variant>& p) { Exportieren(p, true); }

void BeispieladressenAnlegen(const fs::path& datenbank) {
  Verbindung v(datenbank, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  v.Ausfuehren(
      "CREATE TABLE IF NOT EXISTS ObjDaten (objnummer INTEGER PRIMARY KEY, ObjBezeichnung TEXT, "
      "ObjStrasse TEXT, ObjPLZ TEXT, ObjOrt TEXT);"
      "CREATE TABLE IF NOT EXISTS Bestandnehmerdaten (BnObjNr INTEGER, BnBeNr INTEGER, BnBnNr INTEGER, "
      "BnName TEXT, BnAnrede TEXT, BnStrasse TEXT, BnPLZ TEXT, BnOrt TEXT, BnVorschreibung TEXT);");
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(v.Db(), "SELECT COUNT(*) FROM Bestandnehmerdaten", -1, &st, nullptr);
  const bool leer = sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) == 0;
  sqlite3_finalize(st);
  if (!leer) return;
  try {
    v.Ausfuehren(
        "BEGIN;"
        "INSERT OR IGNORE INTO ObjDaten (objnummer, ObjBezeichnung, ObjStrasse, ObjPLZ, ObjOrt) VALUES "
        "(7, 'Wohnanlage Lindenhof', 'Lindenstraße 12', '01067', 'Dresden'),"
        "(8, 'Geschäftshaus Markt', 'Am Markt 3', '04109', 'Leipzig');"
        "INSERT INTO Bestandnehmerdaten (BnObjNr, BnBeNr, BnBnNr, BnName, BnAnrede, BnStrasse, BnPLZ, BnOrt, "
        "BnVorschreibung) VALUES "
        "(7, 1, 1, 'Jürgen Müller', 'Herr', '', '', '', '612,40'),"
        "(7, 3, 2, 'Anna Schäfer', 'Frau', '', '', '', '548,00'),"
        "(7, 4, 3, 'Weiß & Söhne GmbH', 'Firma', 'Postfach 11 22', '01001', 'Dresden', '1.250,00'),"
        "(8, 1, 1, 'Petra Groß', 'Frau', '', '', '', '830,75');"
        "COMMIT;");
  } catch (const VbFehler&) {
    v.Ausfuehren("ROLLBACK;");
    throw;
  }
}

}  // namespace vxm::wirt
