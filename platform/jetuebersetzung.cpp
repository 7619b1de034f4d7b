// Translation of the host's SQL dialect (see jetsql.h), clause by clause:
// the text is cut into tokens, the top-level clauses of a SELECT are found,
// and each clause adds its pieces before or after tokens; the tokens are
// then written out in the target's spelling.
#include <utility>
#include <vector>

#include "platform/fehler.h"
#include "platform/jetsql.h"

namespace vxm {
namespace {

// --- tokens ------------------------------------------------------------------

struct Token {
  enum Art { Leer, Wort, Zahl, Text, Name, Zeichen } art;
  std::string text;  // Text: the value; Name: the identifier; others: as written
  int tiefe = 0;     // depth of parentheses
};

bool WortAnfang(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool WortZeichen(unsigned char c) {
  return WortAnfang(c) || (c >= '0' && c <= '9') || c == '$';
}

[[noreturn]] void Syntaxfehler(const std::string& was, std::string_view sql) {
  throw VbFehler(3075, "Syntaxfehler in der SQL-Anweisung: " + was + " (" + std::string(sql) + ")");
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
    const std::string zwei(s.substr(i, 2));
    if (zwei == "<>" || zwei == "<=" || zwei == ">=" || zwei == "!=" || zwei == "||" || zwei == "==") return zwei;
  }
  return std::string(1, s[i]);
}

std::vector<Token> Zerlegen(std::string_view s) {
  std::vector<Token> t;
  int tiefe = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (IstLeerraum(s[i])) {
      while (i < s.size() && IstLeerraum(s[i])) ++i;
      t.push_back({Token::Leer, " ", tiefe});
    } else if (c == '"' || c == '\'') {
      std::string wert;
      i = LiteralLesen(s, i, wert);
      t.push_back({Token::Text, std::move(wert), tiefe});
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

// --- clauses -----------------------------------------------------------------

// Positions of the top-level clauses of a SELECT (0: not there).
struct Klauseln {
  std::size_t from = 0, orderBy = 0, limitVon = 0;
  bool gruppiert = false, distinct = false, aggregat = false, verbund = false;
};

class Uebersetzer {
 public:
  Uebersetzer(std::string_view jet, bool mitZeilen) : t_(Zerlegen(jet)), mitZeilen_(mitZeilen) {}

  JetAnweisung Uebersetzen() {
    Anfang();
    if (a_.IstAbfrage) Abfrage();
    Ausgeben();
    return std::move(a_);
  }

 private:
  std::size_t Naechstes(std::size_t i) const {  // the next token that is not blank, from i on
    while (i < t_.size() && t_[i].art == Token::Leer) ++i;
    return i;
  }

  // A closing ";" is the host's habit; SQLite needs room after the text.
  void Anfang() {
    while (!t_.empty() && (t_.back().art == Token::Leer || IstZeichen(t_.back(), ";"))) t_.pop_back();
    while (erstes_ < t_.size() && (t_[erstes_].art == Token::Leer || IstZeichen(t_[erstes_], "("))) ++erstes_;
    const bool da = erstes_ < t_.size();
    dml_ = da && (IstWort(t_[erstes_], "SELECT") || IstWort(t_[erstes_], "INSERT") ||
                  IstWort(t_[erstes_], "UPDATE") || IstWort(t_[erstes_], "DELETE"));
    a_.IstAbfrage = da && IstWort(t_[erstes_], "SELECT");
    vor_.assign(t_.size() + 1, {});
    nach_.assign(t_.size() + 1, {});
    weg_.assign(t_.size(), false);
  }

  void Abfrage() {
    k_ = KlauselnFinden();
    DistinctUndTop();
    if (k_.orderBy) Begriffe(k_.orderBy, OrderEnde());
    GroupByBegriffe();
    if (k_.from && !k_.gruppiert && !k_.distinct && !k_.aggregat && !k_.verbund) Tabellenreihenfolge();
    if (!top_.empty()) anhang_ += " LIMIT " + top_;
  }

  bool IstAggregat(std::size_t i) const {
    for (const char* f : {"COUNT", "SUM", "AVG", "MIN", "MAX"}) {
      const std::size_t k = Naechstes(i + 1);
      if (IstWort(t_[i], f) && k < t_.size() && t_[k].text == "(") return true;
    }
    return false;
  }

  Klauseln KlauselnFinden() const {
    Klauseln k;
    for (std::size_t i = erstes_ + 1; i < t_.size(); ++i) {
      if (t_[i].tiefe != 0 || t_[i].art != Token::Wort) continue;
      if (!k.from && IstWort(t_[i], "FROM")) k.from = i;
      if (IstWort(t_[i], "GROUP") || IstWort(t_[i], "HAVING")) k.gruppiert = true;
      if (IstWort(t_[i], "UNION") || IstWort(t_[i], "INTERSECT") || IstWort(t_[i], "EXCEPT")) k.verbund = true;
      if (IstWort(t_[i], "ORDER")) k.orderBy = i;
      if (IstWort(t_[i], "LIMIT")) k.limitVon = i;
      if (!k.from && IstAggregat(i)) k.aggregat = true;
    }
    return k;
  }

  std::size_t OrderEnde() const { return k_.limitVon ? k_.limitVon : t_.size(); }

  // DISTINCTROW over one table is every row; TOP n after SELECT [DISTINCT]
  // becomes LIMIT n.
  void DistinctUndTop() {
    std::size_t k = Naechstes(erstes_ + 1);
    if (k < t_.size() && (IstWort(t_[k], "DISTINCT") || IstWort(t_[k], "DISTINCTROW"))) {
      k_.distinct = IstWort(t_[k], "DISTINCT");
      if (!k_.distinct) {
        weg_[k] = true;
        if (k + 1 < t_.size() && t_[k + 1].art == Token::Leer) weg_[k + 1] = true;
      }
      k = Naechstes(k + 1);
    }
    if (k < t_.size() && IstWort(t_[k], "TOP")) {
      const std::size_t n = Naechstes(k + 1);
      if (n < t_.size() && t_[n].art == Token::Zahl) {
        top_ = t_[n].text;
        for (std::size_t j = k; j <= n + 1 && j < t_.size(); ++j) weg_[j] = true;
      }
    }
  }

  // One ORDER BY or GROUP BY term [von, bis) compares text without regard to case.
  void Begriff(std::size_t von, std::size_t bis) {
    std::size_t letzt = bis, bedeutende = 0;
    bool hatKollation = false;
    for (std::size_t j = von; j < bis; ++j) {
      if (t_[j].art == Token::Leer) continue;
      ++bedeutende;
      if (IstWort(t_[j], "COLLATE")) hatKollation = true;
      letzt = j;
    }
    if (letzt == bis || hatKollation) return;
    if (bedeutende == 1 && t_[letzt].art == Token::Zahl) return;  // column number
    const std::string kollation = std::string(" COLLATE ") + kTextKollation;
    if (IstWort(t_[letzt], "ASC") || IstWort(t_[letzt], "DESC"))
      vor_[letzt] += kollation.substr(1) + " ";
    else
      nach_[letzt] += kollation;
  }

  // The terms after "X BY", up to `ende`.
  void Begriffe(std::size_t klausel, std::size_t ende) {
    std::size_t von = klausel + 1;
    while (von < ende && (t_[von].art == Token::Leer || IstWort(t_[von], "BY"))) ++von;
    for (std::size_t j = von; j <= ende; ++j) {
      if (j == ende || (t_[j].tiefe == 0 && IstZeichen(t_[j], ","))) {
        Begriff(von, j);
        von = j + 1;
      }
    }
  }

  void GroupByBegriffe() {
    for (std::size_t i = erstes_ + 1; i < t_.size(); ++i) {
      if (t_[i].tiefe != 0 || !IstWort(t_[i], "GROUP")) continue;
      std::size_t ende = i + 1;
      while (ende < t_.size() && !(t_[ende].tiefe == 0 && (IstWort(t_[ende], "HAVING") || IstWort(t_[ende], "ORDER") ||
                                                          IstWort(t_[ende], "LIMIT") || IstWort(t_[ende], "UNION"))))
        ++ende;
      Begriffe(i, ende);
      return;
    }
  }

  // End of the FROM clause, and its tokens that are not blank.
  std::size_t FromEnde(std::vector<std::size_t>& teile) const {
    std::size_t ende = k_.from + 1;
    for (; ende < t_.size(); ++ende) {
      if (t_[ende].tiefe == 0 && t_[ende].art == Token::Wort &&
          (IstWort(t_[ende], "WHERE") || IstWort(t_[ende], "ORDER") || IstWort(t_[ende], "LIMIT")))
        break;
      if (t_[ende].art != Token::Leer) teile.push_back(ende);
    }
    return ende;
  }

  // "T", "T x" or "T AS x": the table and the name it is referred to by.
  static bool EineTabelle(const std::vector<Token>& t, const std::vector<std::size_t>& teile, std::string& tabelle,
                          std::string& bezug) {
    auto name = [](const Token& x) { return (x.art == Token::Wort && !IstWort(x, "AS")) || x.art == Token::Name; };
    if (teile.size() == 1 && name(t[teile[0]])) {
      tabelle = bezug = t[teile[0]].text;
    } else if (teile.size() == 2 && name(t[teile[0]]) && name(t[teile[1]])) {
      tabelle = t[teile[0]].text;
      bezug = t[teile[1]].text;
    } else if (teile.size() == 3 && name(t[teile[0]]) && IstWort(t[teile[1]], "AS") && name(t[teile[2]])) {
      tabelle = t[teile[0]].text;
      bezug = t[teile[2]].text;
    }
    return !tabelle.empty();
  }

  // Rows of one table come in table order and carry their row id; a join
  // without ORDER BY is sorted by the row ids of its tables.
  void Tabellenreihenfolge() {
    std::vector<std::size_t> teile;
    const std::size_t ende = FromEnde(teile);
    std::string tabelle, bezug;
    if (!mitZeilen_) return;
    if (!EineTabelle(t_, teile, tabelle, bezug)) {
      if (!k_.orderBy) VerbundReihenfolge(ende);
      return;
    }
    a_.Tabelle = tabelle;
    const std::string zeile = Bezeichner(bezug) + ".rowid";
    nach_[erstes_] += std::string(" ") + zeile + " AS " + kZeilenSpalte + ",";  // first, right after SELECT
    if (k_.orderBy)
      nach_[OrderEnde() - 1] += ", " + zeile;
    else
      Sortieren(zeile);
  }

  void Sortieren(const std::string& folge) {
    if (k_.limitVon)
      vor_[k_.limitVon] += "ORDER BY " + folge + " ";
    else
      anhang_ += " ORDER BY " + folge;
  }

  static bool Verbundwort(const Token& x) {
    for (const char* w : {"ON", "INNER", "LEFT", "RIGHT", "JOIN", "CROSS", "OUTER", "NATURAL"})
      if (IstWort(x, w)) return true;
    return false;
  }

  // The name a table of the FROM clause at j is referred to by (its alias if any).
  std::string Bezug(std::size_t j, std::size_t ende) const {
    std::size_t n = j + 1;
    while (n < ende && t_[n].art == Token::Leer) ++n;
    if (n < ende && IstWort(t_[n], "AS")) {
      ++n;
      while (n < ende && t_[n].art == Token::Leer) ++n;
    }
    if (n < ende && (t_[n].art == Token::Name || (t_[n].art == Token::Wort && !Verbundwort(t_[n]))))
      return t_[n].text;
    return t_[j].text;
  }

  // A join without ORDER BY: rows in the table order of the last table
  // named, then of the ones before it (for the register: the order in which
  // the links were made).
  void VerbundReihenfolge(std::size_t ende) {
    std::vector<std::string> bezuege;
    const Token* vorher = &t_[k_.from];
    for (std::size_t j = k_.from + 1; j < ende; ++j) {
      const Token& x = t_[j];
      if (x.art == Token::Leer) continue;
      if (IstWort(x, "SELECT")) return;  // a subquery: no table order to give
      const bool nachBeginn = IstWort(*vorher, "FROM") || IstWort(*vorher, "JOIN") || IstZeichen(*vorher, ",") ||
                              IstZeichen(*vorher, "(");
      if (nachBeginn && (x.art == Token::Wort || x.art == Token::Name)) bezuege.push_back(Bezug(j, ende));
      vorher = &x;
    }
    if (bezuege.size() < 2) return;
    std::string folge;
    for (auto it = bezuege.rbegin(); it != bezuege.rend(); ++it)
      folge += (folge.empty() ? "" : ", ") + Bezeichner(*it) + ".rowid";
    Sortieren(folge);
  }

  // Literals become the target's string literals (compared without regard
  // to case), Like its Like, [names] quoted names, & concatenation.
  std::string Schreibweise(const Token& x) const {
    switch (x.art) {
      case Token::Text: return Literal(x.text) + (dml_ ? std::string(" COLLATE ") + kTextKollation : "");
      case Token::Name: return Bezeichner(x.text);
      case Token::Wort: return (dml_ && IstWort(x, "LIKE")) ? std::string("REGEXP") : x.text;
      case Token::Zeichen: return x.text == "&" ? std::string("||") : x.text;
      default: return x.text;
    }
  }

  void Ausgeben() {
    std::string& sql = a_.Sql;
    for (std::size_t i = 0; i < t_.size(); ++i) {
      sql += vor_[i];
      if (!weg_[i]) sql += Schreibweise(t_[i]);
      sql += nach_[i];
    }
    sql += anhang_;
  }

  std::vector<Token> t_;
  bool mitZeilen_;
  JetAnweisung a_;
  std::size_t erstes_ = 0;
  bool dml_ = false;
  Klauseln k_;
  std::string top_;
  // Text written before / after each token, tokens left out, text at the end.
  std::vector<std::string> vor_, nach_;
  std::vector<bool> weg_;
  std::string anhang_;
};

}  // namespace

JetAnweisung JetUebersetzen(std::string_view jet, bool mitZeilen) { return Uebersetzer(jet, mitZeilen).Uebersetzen(); }

JetAnweisung JetUebersetzen(std::string_view jet, SqlZiel, bool mitZeilen) {
  return Uebersetzer(jet, mitZeilen).Uebersetzen();
}

}  // namespace vxm
