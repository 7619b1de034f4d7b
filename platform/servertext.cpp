// Plain SQLite text of this program written for PostgreSQL (jetsql.h).
#include "platform/jetsql.h"
#include "platform/sqltext.h"

namespace vxm {

using namespace sqltext;

std::string SqliteTextFuerPostgres(std::string_view sql, const SqlKatalog& katalog) {
  const std::vector<Token> t = Zerlegen(sql, true);
  std::string aus;
  auto naechstes = [&](std::size_t i) {
    while (i < t.size() && t[i].art == Token::Leer) ++i;
    return i;
  };
  auto vorheriges = [&](std::size_t i) -> const Token* {
    while (i > 0) {
      --i;
      if (t[i].art != Token::Leer) return &t[i];
    }
    return nullptr;
  };
  // Whether an ON follows at this depth before the next join or clause.
  auto mitOn = [&](std::size_t i) {
    const int tiefe = t[i].tiefe;
    for (++i; i < t.size(); ++i) {
      if (t[i].tiefe != tiefe || t[i].art != Token::Wort) continue;
      if (IstWort(t[i], "ON")) return true;
      for (const char* w : {"JOIN", "WHERE", "GROUP", "ORDER", "LIMIT", "UNION", "HAVING"})
        if (IstWort(t[i], w)) return false;
    }
    return false;
  };
  for (std::size_t i = 0; i < t.size(); ++i) {
    const Token& x = t[i];
    if (IstWort(x, "CROSS")) {  // SQLite's join order hint: CROSS JOIN ... ON is an inner join
      const std::size_t k = naechstes(i + 1);
      if (k < t.size() && IstWort(t[k], "JOIN") && mitOn(k)) {
        aus += "JOIN";
        i = k;
        continue;
      }
    }
    if (x.art == Token::Zeichen && x.text == "+") {  // unary + (SQLite: no index for this term) goes
      const Token* v = vorheriges(i);
      const std::size_t k = naechstes(i + 1);
      const bool operand = v && (v->art == Token::Wort || v->art == Token::Name || v->art == Token::Zahl ||
                                 v->art == Token::Text || IstZeichen(*v, ")"));
      const bool schluesselwort = v && v->art == Token::Wort &&
                                  (IstWort(*v, "WHERE") || IstWort(*v, "AND") || IstWort(*v, "OR") ||
                                   IstWort(*v, "NOT") || IstWort(*v, "ON") || IstWort(*v, "SELECT"));
      if ((!operand || schluesselwort) && k < t.size() && (t[k].art == Token::Wort || t[k].art == Token::Name))
        continue;
    }
    if (x.art == Token::Zeichen && x.text == "?") {  // ?N -> $N
      aus += '$';
      continue;
    }
    if (IstWort(x, "GLOB")) {  // GLOB 'pattern' -> ~ 'regex'
      const std::size_t k = naechstes(i + 1);
      if (k >= t.size() || t[k].art != Token::Text) Syntaxfehler("GLOB ohne Muster", sql);
      // as a Like pattern: classes negate with "!" instead of "^", "#" is itself
      const std::string& muster = t[k].text;
      std::string like;
      for (std::size_t j = 0; j < muster.size(); ++j) {
        if (muster[j] == '^' && j > 0 && muster[j - 1] == '[')
          like += '!';
        else if (muster[j] == '#')
          like += "[#]";
        else
          like += muster[j];
      }
      aus += "~ " + Literal(LikeAlsRegex(like));
      i = k;
      continue;
    }
    if (IstWort(x, "IS")) {  // IS x / IS NOT x with x not NULL: null-safe comparisons
      const std::size_t k = naechstes(i + 1);
      const bool nicht = k < t.size() && IstWort(t[k], "NOT");
      const std::size_t w = nicht ? naechstes(k + 1) : k;
      if (w < t.size() && !IstWort(t[w], "NULL") && !IstWort(t[w], "TRUE") && !IstWort(t[w], "FALSE") &&
          !IstWort(t[w], "DISTINCT") && !IstWort(t[w], "NOT")) {
        aus += nicht ? "IS DISTINCT FROM " : "IS NOT DISTINCT FROM ";
        i = w - 1;
        continue;
      }
    }
    switch (x.art) {
      case Token::Text: aus += Literal(x.text); break;
      case Token::Wort:
      case Token::Name: {
        if (IstWort(x, "ROWID")) {
          aus += kServerZeilenSpalte;
          break;
        }
        const bool kollation = i >= 2 && IstWort(t[i - 2], "COLLATE");
        const auto it = katalog.Namen.find(Falten(x.text));
        if (!kollation && it != katalog.Namen.end())
          aus += Bezeichner(it->second);
        else
          aus += x.art == Token::Name ? Bezeichner(x.text) : x.text;
        break;
      }
      default: aus += x.text;
    }
  }
  return aus;
}

}  // namespace vxm
