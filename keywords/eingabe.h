// Splitting keyword input into tokens and the letter tests it uses.
//
// The letter tests classify characters as the host's Western code page does:
// ASCII letters and digits, and the letters of Windows-1252 (umlauts, ß, the
// other Latin-1 letters, Š š Ž ž Œ œ Ÿ). The text is UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vxm {

class Datenbank;

// One character (code point) given as UTF-8.
bool IstBuchstabe(char32_t zeichen);
bool IstBuchstabeOderZiffer(char32_t zeichen);

// True when every character is a letter (or letter or digit); true for "".
bool IsAlpha(std::string_view text);
bool IsAlphaNumeric(std::string_view text);

// Splits the keyword panel's input into KeyTeile/KeyAnzahl of the component
// state: letters and digits form words, any other character separates, "*"
// expands to the names of all keywords (table Keyword of `register`) that
// begin with the text before it. `laenge` counts characters.
void KeyZerlegen(Datenbank& reg, const std::string& text, int32_t laenge);

// Expands the completed search terms SuchKeys[1..SuchKeyAnzahl] into
// KeyTeile/KeyAnzahl: plain terms as they are, "x*" into every keyword
// beginning with x.
void keyzerlegenVersuch(Datenbank& reg);

}  // namespace vxm
