// Plain SQLite text of this program written for PostgreSQL (jetsql.h).
#include "platform/jetsql.h"
#include "platform/sqltext.h"

namespace vxm {

using namespace sqltext;

namespace {

class Uebersetzung {
 public:
  Uebersetzung(std::string_view sql, const SqlKatalog& katalog)
      : sql_(sql), katalog_(katalog), t_(Zerlegen(sql, true)) {}

  std::string Text() {
    for (std::size_t i = 0; i < t_.size(); ++i)
      if (!CrossJoin(i) && !UnaeresPlus(i) && !Glob(i) && !IstVergleich(i)) Uebernehmen(i);
    return std::move(aus_);
  }

 private:
  std::size_t Naechstes(std::size_t i) const {
    while (i < t_.size() && t_[i].art == Token::Leer) ++i;
    return i;
  }
  const Token* Vorheriges(std::size_t i) const {
    while (i > 0) {
      --i;
      if (t_[i].art != Token::Leer) return &t_[i];
    }
    return nullptr;
  }
  // Whether an ON follows at this depth before the next join or clause.
  bool MitOn(std::size_t i) const {
    const int tiefe = t_[i].tiefe;
    for (++i; i < t_.size(); ++i) {
      if (t_[i].tiefe != tiefe || t_[i].art != Token::Wort) continue;
      if (IstWort(t_[i], "ON")) return true;
      for (const char* w : {"JOIN", "WHERE", "GROUP", "ORDER", "LIMIT", "UNION", "HAVING"})
        if (IstWort(t_[i], w)) return false;
    }
    return false;
  }

  // SQLite's join order hint: CROSS JOIN ... ON is an inner join.
  bool CrossJoin(std::size_t& i) {
    if (!IstWort(t_[i], "CROSS")) return false;
    const std::size_t k = Naechstes(i + 1);
    if (k >= t_.size() || !IstWort(t_[k], "JOIN") || !MitOn(k)) return false;
    aus_ += "JOIN";
    i = k;
    return true;
  }

  // A unary + (SQLite: no index for this term) goes; ?N becomes $N.
  bool UnaeresPlus(std::size_t i) {
    const Token& x = t_[i];
    if (x.art == Token::Zeichen && x.text == "?") {
      aus_ += '$';
      return true;
    }
    if (x.art != Token::Zeichen || x.text != "+") return false;
    const Token* v = Vorheriges(i);
    const std::size_t k = Naechstes(i + 1);
    const bool operand = v && (v->art == Token::Wort || v->art == Token::Name || v->art == Token::Zahl ||
                               v->art == Token::Text || IstZeichen(*v, ")"));
    const bool schluesselwort = v && v->art == Token::Wort &&
                                (IstWort(*v, "WHERE") || IstWort(*v, "AND") || IstWort(*v, "OR") ||
                                 IstWort(*v, "NOT") || IstWort(*v, "ON") || IstWort(*v, "SELECT"));
    return (!operand || schluesselwort) && k < t_.size() && (t_[k].art == Token::Wort || t_[k].art == Token::Name);
  }

  // GLOB 'pattern' -> ~ 'regex'
  bool Glob(std::size_t& i) {
    if (!IstWort(t_[i], "GLOB")) return false;
    const std::size_t k = Naechstes(i + 1);
    if (k >= t_.size() || t_[k].art != Token::Text) Syntaxfehler("GLOB ohne Muster", sql_);
    // as a Like pattern: classes negate with "!" instead of "^", "#" is itself
    const std::string& muster = t_[k].text;
    std::string like;
    for (std::size_t j = 0; j < muster.size(); ++j) {
      if (muster[j] == '^' && j > 0 && muster[j - 1] == '[')
        like += '!';
      else if (muster[j] == '#')
        like += "[#]";
      else
        like += muster[j];
    }
    aus_ += "~ " + Literal(LikeAlsRegex(like));
    i = k;
    return true;
  }

  // IS x / IS NOT x with x not NULL: null-safe comparisons.
  bool IstVergleich(std::size_t& i) {
    if (!IstWort(t_[i], "IS")) return false;
    const std::size_t k = Naechstes(i + 1);
    const bool nicht = k < t_.size() && IstWort(t_[k], "NOT");
    const std::size_t w = nicht ? Naechstes(k + 1) : k;
    if (w >= t_.size()) return false;
    for (const char* x : {"NULL", "TRUE", "FALSE", "DISTINCT", "NOT"})
      if (IstWort(t_[w], x)) return false;
    aus_ += nicht ? "IS DISTINCT FROM " : "IS NOT DISTINCT FROM ";
    i = w - 1;
    return true;
  }

  // Texts as literals, names as the server spells them.
  void Uebernehmen(std::size_t i) {
    const Token& x = t_[i];
    if (x.art == Token::Text) {
      aus_ += Literal(x.text);
    } else if (x.art != Token::Wort && x.art != Token::Name) {
      aus_ += x.text;
    } else if (IstWort(x, "ROWID")) {
      aus_ += kServerZeilenSpalte;
    } else {
      const bool kollation = i >= 2 && IstWort(t_[i - 2], "COLLATE");
      const auto it = katalog_.Namen.find(Falten(x.text));
      if (!kollation && it != katalog_.Namen.end())
        aus_ += Bezeichner(it->second);
      else
        aus_ += x.art == Token::Name ? Bezeichner(x.text) : x.text;
    }
  }

  std::string_view sql_;
  const SqlKatalog& katalog_;
  const std::vector<Token> t_;
  std::string aus_;
};

}  // namespace

std::string SqliteTextFuerPostgres(std::string_view sql, const SqlKatalog& katalog) {
  return Uebersetzung(sql, katalog).Text();
}

}  // namespace vxm
