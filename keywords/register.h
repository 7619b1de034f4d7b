// Operations of the main window on the keyword register (tables Dateiinfo,
// Keyword, KeywordZwischentabelle). Each change runs in one transaction and
// is written whole or not at all; the functions return what the window has
// to show instead of showing it, so they run without a window.
//
// A file is identified by name and folder, compared without regard to case;
// it has a Dateiinfo row exactly while it carries a keyword. Keyword names
// are unique without regard to case; typed names are stored upper-cased.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/datenbank.h"

namespace vxm {

// The file the panel works on: the name selected in the file list and the
// folder of the folder list.
struct AktuelleDatei {
  std::string Name;
  std::string Ordner;
};

// At most this many keywords are attached from one typed input.
inline constexpr std::size_t kHoechstensKeywordsJeEingabe = 51;

namespace meldung {
inline constexpr const char* LeereEingabe = "Leere Eingabe ist nicht erlaubt! Vorgang wird abgebrochen...";
inline constexpr const char* BereitsZugewiesen =
    "Achtung: Dieses Keywort wurde der ausgewählten Datei bereits zugewiesen!";
inline constexpr const char* Abgebrochen = "Vorgang wurde abgebrochen...";
inline constexpr const char* NichtsAusgewaehlt = "Bitte zuerst das Keywort auswählen (einfacher Mausklick)!";
inline constexpr const char* NeuerNamePrompt = "Bitte neuen Namen angeben: ";
inline constexpr const char* ZuVieleKeywords =
    "Es können höchstens 51 Keywörter auf einmal zugewiesen werden! Vorgang wird abgebrochen...";
std::string Doppelt(const std::string& keyword, const std::string& datei);
std::string EntfernenFrage(const std::string& keyword, const std::string& datei);
std::string NameVorhanden(const std::string& neu);
std::string AlleDateienFrage(int64_t anzahl);
std::string KeywordFehlt(const std::string& keyword);
// A file beside one whose name differs in letter case only (the register
// cannot tell them apart); the caller adds what was not done.
std::string NurGrossKlein(const std::string& datei, const std::string& zwilling);
// A change the register refused whole: why, and what was not done.
std::string NichtsVeraendert(const std::string& grund, const std::string& nichtGetan);
}  // namespace meldung

// Dateinummer of the file (0 = not registered).
int32_t DateiNummer(Datenbank& reg, const AktuelleDatei& datei);

// The keyword names of a file in link order (empty for 0).
std::vector<std::string> KeywordsDerDateiLesen(Datenbank& reg, int32_t dateinummer);

// Every keyword name in table order (the list of all keywords).
std::vector<std::string> AlleKeywords(Datenbank& reg);

struct EingabeErgebnis {
  // Refusal of the whole input (empty, too many keywords); nothing written.
  std::string Fehler;
  int32_t Dateinummer = 0;
  std::vector<std::string> NeueKeywords;  // created, in order
  std::vector<std::string> Doppelte;      // already on the file, as stored
};

// Splits the typed input (KeyZerlegen), creates the keywords not yet known,
// registers the file when needed and links every keyword not yet on it.
EingabeErgebnis KeywordsEingeben(Datenbank& reg, const AktuelleDatei& datei, const std::string& eingabe);

struct ZuweisungErgebnis {
  std::string Meldung;  // empty when the keyword was attached
  int32_t Dateinummer = 0;
  bool Angehaengt = false;
};

// Attaches one existing keyword (chosen by name) to the file.
ZuweisungErgebnis KeywordZuweisen(Datenbank& reg, const AktuelleDatei& datei, const std::string& keyword);

struct EntfernenErgebnis {
  int32_t Dateinummer = 0;
  bool Entfernt = false;     // a link row was deleted
  bool Abgemeldet = false;   // the file lost its last keyword and its row
};

// Removes the keyword from the file; the keyword itself stays. A file left
// without keywords loses its Dateiinfo row (and any link rows that point to
// keywords that no longer exist).
EntfernenErgebnis KeywordEntfernen(Datenbank& reg, const AktuelleDatei& datei, const std::string& keyword);

// The removal as the user asks for it: the question naming keyword and
// file, then KeywordEntfernen. Any answer but Yes changes nothing, says so
// and gives no result.
std::optional<EntfernenErgebnis> KeywordEntfernenNachFrage(Datenbank& reg, const AktuelleDatei& datei,
                                                           const std::string& keyword);

// The check before a rename: the message that refuses `neu` (already
// upper-cased by the caller), or "".
std::string UmbenennenPruefen(Datenbank& reg, const std::string& neu);

// Number of files that carry the keyword named `alt`.
int64_t DateienDesKeywords(Datenbank& reg, const std::string& alt);

struct UmbenennenErgebnis {
  std::string Meldung;  // refusal; nothing changed
  bool Geaendert = false;
  int32_t Dateinummer = 0;
};

// Renames every keyword equal to `alt` to `neu` (all files see the new name).
UmbenennenErgebnis KeywordUmbenennenAlle(Datenbank& reg, const std::string& alt, const std::string& neu);

// Moves only this file from the keyword `alt` to a new keyword `neu`; the old
// keyword stays on the other files.
UmbenennenErgebnis KeywordUmbenennenDiese(Datenbank& reg, const AktuelleDatei& datei, const std::string& alt,
                                          const std::string& neu);

}  // namespace vxm
