// Pieces of SQL text shared by the translations (jetsql.h): tokens of the
// host's texts and of plain SQL, quoting, and the host's Like as a regular
// expression for a server.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace vxm::sqltext {

struct Token {
  enum Art { Leer, Wort, Zahl, Text, Name, Zeichen } art;
  std::string text;  // Text: the value; Name: the identifier; others: as written
  int tiefe = 0;     // depth of parentheses
  std::size_t von = 0, bis = 0;  // where it stands in the source text
};

// The host's texts quote literals with " or '; plain SQL quotes names with ".
std::vector<Token> Zerlegen(std::string_view s, bool anfuehrungIstName = false);

bool IstWort(const Token& t, std::string_view w);  // w in upper case
bool IstZeichen(const Token& t, std::string_view z);
std::string Bezeichner(const std::string& name);  // "name"
// The pieces of a statement joined, with one allocation.
std::string Zusammen(std::initializer_list<std::string_view> teile);
std::string Literal(const std::string& wert);     // 'wert'
[[noreturn]] void Syntaxfehler(const std::string& was, std::string_view sql);

// The host's Like pattern (already folded) as an anchored POSIX regular
// expression with the same matches (see JetLike).
std::string LikeAlsRegex(std::string_view muster);

}  // namespace vxm::sqltext
