// The terms of the search box in keyword mode: what typing, the suggestion
// list and the keyword list do to the terms, and what the box and the
// suggestion list must show then. The terms live in the component state
// (SuchKeys, SuchTeil, WildKeys, ...); the window hands in the box text and
// the key as plain data and shows the answer.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vxm {

struct Komponentenzustand;
class Dialoge;

// A key pressed in the search box.
struct SuchTaste {
  enum class Art { Zeichen, Rueckschritt, Eingabe };
  Art art = Art::Zeichen;
  char32_t zeichen = 0;  // Zeichen: the character it types; 0 for a key that types none
};

// What the search box and the suggestion list lstKeywordsSuche must do
// after an event, in the order of the fields.
struct SuchfeldAnzeige {
  // A key press: the key must not reach the box.
  bool Verschluckt = false;
  // The box takes this text as if it had been typed (its change is handled
  // again), caret at the end; nothing else follows.
  std::optional<std::string> Eingabe;
  // New entries of the suggestion list, which is shown below the box.
  std::optional<std::vector<std::string>> Vorschlaege;
  bool ListeVerstecken = false;
  // The program rewrites the box with this text, caret at the end; the
  // change this causes is the program's own. Call TextGesetzt() afterwards.
  std::optional<std::string> Text;
  bool CaretAnsEnde = false;
};

// Names of every keyword that begins with a prefix without regard to case,
// in table order, without empty names (KeywordsMitPraefix on the register).
using KeywordsMitAnfang = std::function<std::vector<std::string>(std::string_view praefix)>;

class SuchbegriffZustand {
 public:
  explicit SuchbegriffZustand(Komponentenzustand& z) : z_(z) {}

  // A key in the box in keyword mode, before it reaches the box. Letters and
  // digits extend the open term, "*" completes a wildcard term, ";" and
  // Enter complete the open term, any other character is a separator: ";"
  // goes into the box instead and completes the term. Backspace shortens the
  // open term, re-opens the last completed one, or in an empty box forgets
  // every term.
  SuchfeldAnzeige Taste(const SuchTaste& taste, std::string_view text);

  // The box text changed (typed or set). In keyword mode a last character
  // that can be no part of a term goes at once; then suggestions for the
  // open term (leaving out keywords already searched for), or, after "*",
  // the keywords of the wildcard are noted and ";" is appended.
  SuchfeldAnzeige TextGeaendert(std::string_view text, bool schluesselModus, const KeywordsMitAnfang& keywords);

  // The program's own rewrite of the box is done.
  void TextGesetzt();

  // A suggestion was taken (nullopt: none is selected, which is said in a
  // message): it replaces the open term in the box and becomes a term.
  SuchfeldAnzeige VorschlagGewaehlt(const std::optional<std::string>& keyword, std::string_view text,
                                    Dialoge& meldungen);

  // A keyword was chosen from "Liste d. Schlüsselwörter". In keyword mode it
  // becomes a term of its own (what stood in the box first); otherwise it is
  // added to the text after a blank.
  SuchfeldAnzeige AusListeGewaehlt(const std::string& keyword, std::string_view text, bool schluesselModus);

  // As a search start does: counts to 0, the open term and the wildcard
  // keywords cleared (the completed terms' texts stay).
  void Zuruecksetzen();
  // The window's load step: the completed terms too.
  void Leeren();

 private:
  void BegriffAnhaengen(const std::string& begriff);
  // The term being typed becomes the next completed one.
  void BegriffSchliessen(std::string begriff);
  void Rueckschritt(std::string_view text);
  Komponentenzustand& z_;
};

inline constexpr const char* kMeldungVorschlagMarkieren = "Bitte das zu suchende  markieren!";

}  // namespace vxm
