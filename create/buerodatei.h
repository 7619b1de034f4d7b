// New, empty word-processor, spreadsheet and presentation files (.doc,
// .xls, .ppt in the Office 97 formats).
//
// LibreOffice produces each empty type once (a call costs seconds); the
// result is kept in the user's cache folder and every later file is a copy
// of it. A cached file is checked before each use and built again when it
// is damaged.
//
// Threads: LeereVorlage works on host paths only and may run on a worker
// thread, so a window can build a missing template there and keep painting;
// NeueBueroDatei writes through the current thread's file-system object and
// belongs on the thread of the component (with a cached template it takes a
// few milliseconds).
#pragma once

#include <filesystem>
#include <future>
#include <optional>
#include <string>

namespace vxm {

// vxmdorvex/vorlagen in the user's cache folder, unless a folder was set
// (hosts and tests use their own).
std::filesystem::path VorlagenOrdner();
void VorlagenOrdnerSetzen(std::filesystem::path ordner);  // empty: back to the default

// True when the file is not empty and starts with the signature of an OLE2
// compound file (D0 CF 11 E0 A1 B1 1A E1), the container of all three formats.
bool IstOle2Datei(const std::filesystem::path& datei);

// True for ".doc", ".xls", ".ppt" (any case, dot optional).
bool IstBueroEndung(const std::string& endung);

// Host path of the checked empty file of the type; builds it with LibreOffice
// when it is missing or damaged. nullopt (and the reason in `fehler`) when
// the type is unknown or LibreOffice is missing or fails.
std::optional<std::filesystem::path> LeereVorlage(const std::string& endung,
                                                  std::string* fehler = nullptr);

// LeereVorlage on a thread of its own; the window polls or waits for the
// result and then calls NeueBueroDatei on its own thread. (Keep the future:
// a discarded one waits for the build in its destructor.)
std::future<std::optional<std::filesystem::path>> LeereVorlageImHintergrund(const std::string& endung);

// Creates the empty file of the type at `zielPfad` (Windows form) through the
// file-system object. Never replaces an existing file; on failure it leaves
// nothing it wrote, and `fehler` says why.
bool NeueBueroDatei(const std::string& endung, const std::string& zielPfad,
                    std::string* fehler = nullptr);

inline constexpr const char* kMeldungUngueltigerDateiname = "Ungültiger Dateiname !!!";
inline constexpr const char* kFrageNeueDateiLoeschen = "Fehler beim erzeugen der Neuen Datei\r\nDATEI LÖSCHEN ?";

}  // namespace vxm
