// Serial letters: the dated names, the address export of the host suite and
// the preparation of the output document.
//
// A Word 97 document written or read by LibreOffice keeps no mail-merge data
// source (measured with LibreOffice 7.4: the document's data-source setting
// is empty after a round trip through .doc; merge fields survive as
// MERGEFIELD but lose their database). So the output document stays a plain
// copy of the letter, and the address workbook is attached beside it as a
// LibreOffice Base data source: "<output name>.odb", whose connection is the
// workbook (one table per worksheet). The user picks it in Writer's mail
// merge (address list "Hinzufügen...", or Bearbeiten > Datenbank austauschen
// > Durchsuchen...) and runs the merge there.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace vxm {

// The platform's short date under a German locale: dd.mm.yyyy (local time).
std::string KurzDatum(std::time_t zeit);

// ordner + "\Serienbrief" + date + ".doc"
std::string AusgabeDokumentName(const std::string& ordner, std::time_t zeit);
// ordner + "\BeAdressen" + art ("ETTI" or "VORS") + date + ".XLS"
std::string AdressDateiName(const std::string& ordner, const std::string& art, std::time_t zeit);
// The data-source file that goes with an output document: its name with
// the last extension replaced by ".odb".
std::string DatenquelleName(const std::string& ausgabe);

// The content of a LibreOffice Base file (.odb) whose connection is the
// spreadsheet at `arbeitsmappeHost` (an absolute host path), every sheet
// listed as a table.
std::string DatenquelleOdb(const std::string& arbeitsmappeHost);

// Entry 70 of the parameter array when the wizard opens: the Objekt number
// if it is greater than 0, else the empty text.
void SerienbriefParameterSetzen();

// Result of one address export.
struct AdressExportErgebnis {
  bool Abgelehnt = false;  // an old workbook of that name exists and the user kept it
  std::string Datei;       // the new workbook (entry 74) when it exists afterwards
  std::string Fehler;      // why the export failed, empty otherwise
};

// The address export of the wizard for the kind "ETTI" or "VORS": entry 74
// becomes the workbook name in `ordner`; an existing workbook of that name is
// deleted after the question "Fehler beim erzeugen der Neuen Datei !" /
// "DATEI LÖSCHEN ?" (No stops). Then the outside component AdressExport
// writes the workbook. Pointer and focus are the caller's.
AdressExportErgebnis AdressenExportieren(const std::string& art, const std::string& ordner,
                                         std::time_t jetzt);

// Names of the templates in the folder `wurzel`: files whose extension (from
// the last "." on, upper-cased) is ".DOT", in the folder's order.
std::vector<std::string> VorlagenSuchen(const std::string& wurzel);
// "Keine Vorlagen im Verzeichniss: " + wurzel + " vorhanden." + two line
// breaks + "Die Neuanlage wird abgebrochen !" (title kTitelVorlagen).
std::string KeineVorlagenMeldung(const std::string& wurzel);

// Copies `dokument` to `ausgabe` unless both name the same file (an existing
// output is replaced only once the copy is whole) and attaches `adressen`
// beside it as DatenquelleName(ausgabe). Blocking, fast (no office program
// runs). False, with nothing of its own left behind, when the workbook or
// the letter is missing or a write fails (unexpected errors are reported).
bool SerienbriefVorbereiten(const std::string& adressen, const std::string& dokument,
                            const std::string& ausgabe);

inline constexpr const char* kFrageDateiLoeschenSerie =
    "Fehler beim erzeugen der Neuen Datei !\r\nDATEI LÖSCHEN ?";
inline constexpr const char* kTitelDateiLoeschen = "Datei löschen";
inline constexpr const char* kTitelVorlagen = "Vorlagenverzeichnis";

}  // namespace vxm
