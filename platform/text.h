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

std::string Gross(std::string_view text);
std::string Klein(std::string_view text);

// Letters compare equal in any of their forms ("ſ", "s" and "S" alike).
bool GleichOhneFall(std::string_view a, std::string_view b);

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
