#include "platform/sqltext.h"

#include "platform/fehler.h"
#include "platform/text.h"

namespace vxm::sqltext {

[[noreturn]] void Syntaxfehler(const std::string& was, std::string_view sql) {
  throw VbFehler(3075, "Syntaxfehler in der SQL-Anweisung: " + was + " (" + std::string(sql) + ")");
}

namespace {

bool WortAnfang(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool WortZeichen(unsigned char c) {
  return WortAnfang(c) || (c >= '0' && c <= '9') || c == '$';
}

bool IstLeerraum(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A literal between `c` quotes starting at s[i]; a doubled quote stands for one.
std::size_t LiteralLesen(std::string_view s, std::size_t i, std::string& wert) {
  const char c = s[i];
  std::size_t k = i + 1;
  for (;; ++k) {
    if (k >= s.size()) Syntaxfehler("Zeichenfolge ohne schließendes Anführungszeichen", s);
    if (s[k] == c) {
      if (k + 1 < s.size() && s[k + 1] == c) {
        wert += s[k++];
        continue;
      }
      return k + 1;
    }
    wert += s[k];
  }
}

std::string Operator(std::string_view s, std::size_t i) {
  if (i + 1 < s.size()) {
    std::string zwei(s.substr(i, 2));
    if (zwei == "<>" || zwei == "<=" || zwei == ">=" || zwei == "!=" || zwei == "||" || zwei == "==") return zwei;
  }
  return std::string(1, s[i]);
}

// A character of a Like pattern in a POSIX regular expression.
std::string RegexZeichen(char32_t c, bool inKlasse) {
  std::string aus;
  const bool sonder = inKlasse ? (c == '\\' || c == ']' || c == '[' || c == '^' || c == '-')
                               : std::string_view("\\.^$|?*+()[]{}").find(static_cast<char>(c < 0x80 ? c : 0)) !=
                                     std::string_view::npos;
  if (sonder && c != 0) aus += '\\';
  Utf8Anhaengen(c, aus);
  return aus;
}

std::vector<char32_t> Codepunkte(std::string_view s) {
  std::vector<char32_t> aus;
  for (std::size_t i = 0; i < s.size();) aus.push_back(Utf8Lesen(s, i));
  return aus;
}

}  // namespace

// --- tokens ------------------------------------------------------------------

std::vector<Token> Zerlegen(std::string_view s, bool anfuehrungIstName) {
  std::vector<Token> t;
  int tiefe = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t von = i;
    const auto c = static_cast<unsigned char>(s[i]);
    if (IstLeerraum(s[i])) {
      while (i < s.size() && IstLeerraum(s[i])) ++i;
      t.push_back({Token::Leer, " ", tiefe});
    } else if (c == '"' || c == '\'') {
      std::string wert;
      i = LiteralLesen(s, i, wert);
      t.push_back({anfuehrungIstName && c == '"' ? Token::Name : Token::Text, std::move(wert), tiefe});
    } else if (c == '[') {
      const std::size_t ende = s.find(']', i + 1);
      if (ende == std::string_view::npos) Syntaxfehler("Name ohne schließende Klammer", s);
      t.push_back({Token::Name, std::string(s.substr(i + 1, ende - i - 1)), tiefe});
      i = ende + 1;
    } else if (c >= '0' && c <= '9') {
      std::size_t k = i;
      while (k < s.size() && (WortZeichen(static_cast<unsigned char>(s[k])) || s[k] == '.')) ++k;
      t.push_back({Token::Zahl, std::string(s.substr(i, k - i)), tiefe});
      i = k;
    } else if (WortAnfang(c)) {
      std::size_t k = i;
      while (k < s.size() && WortZeichen(static_cast<unsigned char>(s[k]))) ++k;
      t.push_back({Token::Wort, std::string(s.substr(i, k - i)), tiefe});
      i = k;
    } else {
      const std::string op = Operator(s, i);
      if (op == "(") ++tiefe;
      if (op == ")") --tiefe;
      t.push_back({Token::Zeichen, op, op == "(" ? tiefe - 1 : tiefe});
      i += op.size();
    }
    t.back().von = von;
    t.back().bis = i;
  }
  return t;
}

bool IstWort(const Token& t, std::string_view w) {
  if (t.art != Token::Wort || t.text.size() != w.size()) return false;
  for (std::size_t i = 0; i < w.size(); ++i) {
    char a = t.text[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
    if (a != w[i]) return false;
  }
  return true;
}

bool IstZeichen(const Token& t, std::string_view z) { return t.art == Token::Zeichen && t.text == z; }

std::string Zusammen(std::initializer_list<std::string_view> teile) {
  std::size_t n = 0;
  for (const auto t : teile) n += t.size();
  std::string s;
  s.reserve(n);
  for (const auto t : teile) s += t;
  return s;
}

std::string Bezeichner(const std::string& name) {
  std::string aus = "\"";
  for (char c : name) {
    if (c == '"') aus += '"';
    aus += c;
  }
  return aus + "\"";
}

std::string Literal(const std::string& wert) {
  std::string aus = "'";
  for (char c : wert) {
    if (c == '\'') aus += '\'';
    aus += c;
  }
  return aus + "'";
}

// --- Like on a server --------------------------------------------------------

std::string LikeAlsRegex(std::string_view muster) {
  const std::vector<char32_t> m = Codepunkte(muster);
  std::string r = "^";
  for (std::size_t i = 0; i < m.size(); ++i) {
    const char32_t c = m[i];
    if (c == '*') {
      r += ".*";
    } else if (c == '?') {
      r += '.';
    } else if (c == '#') {
      r += "[0-9]";
    } else if (c == '[') {
      std::size_t ende = i + 1;
      while (ende < m.size() && m[ende] != ']') ++ende;
      if (ende >= m.size()) {  // not closed: an ordinary character
        r += RegexZeichen(c, false);
        continue;
      }
      std::size_t k = i + 1;
      std::string klasse = "[";
      if (ende - k >= 2 && m[k] == '!') {
        klasse += '^';
        ++k;
      }
      if (k == ende) {  // "[]" stands for nothing
        i = ende;
        continue;
      }
      for (; k < ende; ++k) {
        klasse += RegexZeichen(m[k], true);
        if (k + 2 < ende && m[k + 1] == '-') {
          klasse += '-' + RegexZeichen(m[k + 2], true);
          k += 2;
        }
      }
      r += klasse + "]";
      i = ende;
    } else {
      r += RegexZeichen(c, false);
    }
  }
  return r + "$";
}

}  // namespace vxm::sqltext
