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
  for (std::size_t i = 0; i < t.size(); ++i) {
    const Token& x = t[i];
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
