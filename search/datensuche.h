// The file-name and text search over a folder tree: the depth-first data
// search (which also records every file it passes in DateiTabelle for the
// window) and the breadth-first name search. Both walk with the folder
// walk of files/ (ordnerlauf.h); folders and names handed out keep Windows
// form (folder + "\" + name).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "search/suchsteuerung.h"

namespace vxm {

inline constexpr const char* kMeldungKeineSuchergebnisse =
    "Überprüfen Sie nochmal das Suchkriterium, es liegen keine Suchergebnisse vor!";
inline constexpr const char* kMeldungAlleDateien =
    "Sie haben alle Dateien (*.*) ausgewählt,\r\n"
    "um lange Suchoperationen zu vermeiden geben Sie bitte\r\n"
    "einen Teile des Dateinamen den sie suchen möchten ein !!!";
inline constexpr const char* kMeldungNichtInterpretiert =
    "Sie haben einen Suchkriterium ausgewählt,\r\n"
    "welches nicht interpretiert werden kann!\r\n"
    "Format \"NAME.EXT\" = Dateiname.Erweiterung !!!";
inline constexpr const char* kMeldungOrdnerstruktur =
    "Es ist ein Fehler in der Ordnerstruktur festgestellt worden !\r\n"
    "Möglicherweise wurde ein Ordner gelöscht.\r\n"
    "Schließen Sie das Programm und Starten Sie es nochmals!";

// optSuchenDok / optTextInhalt.
enum class Suchmodus { Dokumente, TextInhalt };

// The name pattern of the data search: parts upper-cased, "" matches all.
struct Namensmuster {
  std::string Name;
  std::string Endung;
};

// From the search box text: with "*", the name part is the text before the
// first "*" and the extension the part after a "." in the last four
// characters when it is exactly three long; without "*", the whole text.
Namensmuster NamensmusterAusText(const std::string& text);

struct DatenSucheAuftrag {
  std::string Text;  // the search box text
  Suchmodus Modus = Suchmodus::Dokumente;
  // Record every file passed in DateiTabelle (the window needs it; a
  // command-line search does not).
  bool TabelleFuehren = true;
};

struct SuchErgebnis {
  long Ordner = 0;    // folders searched
  long Dateien = 0;   // hits
  bool Abgebrochen = false;
  // Folders that could not be read and were passed over (Windows form).
  std::vector<std::string> Ungelesen;
};

// The data search from `ordner` down: files of a folder first (recorded,
// tested, hits reported), then its sub-folders in name order. The file
// table of the component state is started afresh; it is complete when the
// result is neither cancelled nor has unread folders.
SuchErgebnis DatenSuche(const std::string& ordner, const DatenSucheAuftrag& auftrag,
                        SuchSteuerung* steuerung = nullptr);

// True when the file name's base contains `name` and its extension contains
// `endung` (case-blind; "*" or "" matches anything), both split the way
// DateinameZerlegen splits.
bool DateinameVergleich(const std::string& dateiname, const std::string& name,
                        const std::string& endung);

// The checks of the name-search button on the box text: "*.*" and a text
// that cannot be split give their message and false ("*.*" also empties the
// box). Otherwise the parts without their "*" land in `name` and `endung`
// and the box shows name + "." + extension.
bool NamenSucheVorbereiten(std::string& boxText, std::string& name, std::string& endung);

// The breadth-first name search: the start folder's files, then each folder
// of the queue in turn (sub-folders queued in name order). Every file that
// DateinameVergleich accepts is reported.
SuchErgebnis NamenSuche(const std::string& ordner, const std::string& name,
                        const std::string& endung, SuchSteuerung* steuerung = nullptr);

// The chain of folders from the drive root down to `ordner`, each ending in
// "\" as tree keys do. A folder of the chain that no longer exists goes to
// the general error report ("vxmDorvex in DirTreeHolen") and gives false.
bool DirTreeHolen(const std::string& ordner, std::vector<std::string>& kette);

}  // namespace vxm
