// Text helpers shared by all modules: case folding, case-blind comparisons
// and the Windows-1252 code page.
//
// All strings inside the component are UTF-8. Every letter with an upper- and
// lower-case form of one character each is folded, in all scripts. Some of
// them differ in UTF-8 length ("ı" and "I"), so a byte position found in an
// upper-cased text is not a position in the original: search with the
// functions below, whose positions refer to the text as given.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vxm {

// --- UTF-8 -----------------------------------------------------------------
// The one decoder of the component. A byte that does not begin a well-formed
// sequence (cut short, overlong, a surrogate, beyond U+10FFFF) is handed back
// as itself with `gueltig` false and skipped alone, so every walk ends.

char32_t Utf8Lesen(std::string_view text, std::size_t& i, bool* gueltig = nullptr);
void Utf8Anhaengen(char32_t zeichen, std::string& aus);
bool GueltigesUtf8(std::string_view text);

// The bytes of the character at `i` (one byte for a broken sequence); `i`
// moves past it.
std::string_view NaechstesZeichen(std::string_view text, std::size_t& i);

// The last `anzahl` characters (code points) of a text.
std::string_view LetzteZeichen(std::string_view text, std::size_t anzahl);

// --- case --------------------------------------------------------------------
// One folding for paths, register names, keywords and searches: a letter's
// key is the upper case of its lower case, so all its forms meet ("ſ", "s",
// "S"; "ς", "σ", "Σ"; "ı", "i", "I" with "İ" apart; the Kelvin sign and "k";
// "ǆ", "ǅ", "Ǆ"). Letters without a one-character partner ("ß") stay. A
// folded text may differ in byte length from the original. Bytes that are
// not valid UTF-8 pass through and match only themselves.

char32_t ZeichenFalten(char32_t zeichen);
std::string Falten(std::string_view text);

std::string Gross(std::string_view text);
std::string Klein(std::string_view text);

// Letters compare equal in any of their forms: Falten(a) == Falten(b).
bool GleichOhneFall(std::string_view a, std::string_view b);

// True when `text` begins with `anfang`, ignoring case (character by
// character, so a prefix is never cut inside a letter).
bool BeginntMitOhneFall(std::string_view text, std::string_view anfang);

// True when `nadel` occurs in `heuhaufen`, ignoring case. An empty needle
// occurs everywhere.
bool EnthaeltOhneFall(std::string_view heuhaufen, std::string_view nadel);

// Byte position (in `heuhaufen`) of the last case-blind occurrence, or npos.
// An empty needle is found at the end.
std::size_t LetztesVorkommenOhneFall(std::string_view heuhaufen, std::string_view nadel);

// Number of characters (code points) of a UTF-8 text.
std::size_t Zeichenzahl(std::string_view text);

// The first `anzahl` characters (code points) of a UTF-8 text.
std::string ErsteZeichen(std::string_view text, std::size_t anzahl);

// UTF-8 to Windows-1252; characters that the code page lacks become "?".
// Bytes that are not valid UTF-8 are taken as Windows-1252 already.
std::string Cp1252AusUtf8(std::string_view text);
std::string Utf8AusCp1252(std::string_view bytes);

}  // namespace vxm
