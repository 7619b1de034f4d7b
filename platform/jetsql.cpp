#include "platform/jetsql.h"

#include <utility>
#include <vector>

#include "platform/fehler.h"
#include "platform/text.h"

namespace vxm {
namespace {

// --- code points -----------------------------------------------------------

// Folded code points; invalid bytes are kept apart from real code points.
std::vector<char32_t> Zeichen(std::string_view text) {
  std::vector<char32_t> aus;
  aus.reserve(text.size());
  std::size_t i = 0;
  bool gueltig = true;
  while (i < text.size()) {
    const char32_t c = Utf8Lesen(text, i, &gueltig);
    aus.push_back(gueltig ? ZeichenFalten(c) : (0x110000u + c));
  }
  return aus;
}

// --- Like --------------------------------------------------------------------

struct MusterTeil {
  enum Art { Beliebig, Eins, Ziffer, Genau, Klasse } art = Genau;
  char32_t zeichen = 0;
  std::vector<std::pair<char32_t, char32_t>> bereiche;
  bool negiert = false;

  bool Passt(char32_t c) const {
    switch (art) {
      case Eins: return true;
      case Ziffer: return c >= '0' && c <= '9';
      case Genau: return c == zeichen;
      case Klasse: {
        bool drin = false;
        for (const auto& [von, bis] : bereiche)
          if (c >= von && c <= bis) drin = true;
        return drin != negiert;
      }
      case Beliebig: break;
    }
    return false;
  }
};

std::vector<MusterTeil> MusterUebersetzen(const std::vector<char32_t>& m) {
  std::vector<MusterTeil> teile;
  for (std::size_t i = 0; i < m.size(); ++i) {
    MusterTeil t;
    const char32_t c = m[i];
    if (c == '*') {
      if (!teile.empty() && teile.back().art == MusterTeil::Beliebig) continue;
      t.art = MusterTeil::Beliebig;
    } else if (c == '?') {
      t.art = MusterTeil::Eins;
    } else if (c == '#') {
      t.art = MusterTeil::Ziffer;
    } else if (c == '[') {
      std::size_t ende = i + 1;
      while (ende < m.size() && m[ende] != ']') ++ende;
      if (ende >= m.size()) {  // not closed: an ordinary character
        t.zeichen = c;
      } else {
        std::size_t k = i + 1;
        if (ende - k >= 2 && m[k] == '!') {
          t.negiert = true;
          ++k;
        }
        if (k == ende) {  // "[]" stands for nothing
          i = ende;
          continue;
        }
        t.art = MusterTeil::Klasse;
        for (; k < ende; ++k) {
          if (k + 2 < ende && m[k + 1] == '-') {
            t.bereiche.emplace_back(m[k], m[k + 2]);
            k += 2;
          } else {
            t.bereiche.emplace_back(m[k], m[k]);
          }
        }
        i = ende;
      }
    } else {
      t.zeichen = c;
    }
    teile.push_back(std::move(t));
  }
  return teile;
}

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

std::vector<Token> Zerlegen(std::string_view s) {
  std::vector<Token> t;
  int tiefe = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
      t.push_back({Token::Leer, " ", tiefe});
    } else if (c == '"' || c == '\'') {
      std::string wert;
      std::size_t k = i + 1;
      for (;; ++k) {
        if (k >= s.size()) Syntaxfehler("Zeichenfolge ohne schließendes Anführungszeichen", s);
        if (s[k] == static_cast<char>(c)) {
          if (k + 1 < s.size() && s[k + 1] == static_cast<char>(c)) {
            wert += s[k++];
            continue;
          }
          break;
        }
        wert += s[k];
      }
      t.push_back({Token::Text, std::move(wert), tiefe});
      i = k + 1;
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
      std::string op(1, static_cast<char>(c));
      if (i + 1 < s.size()) {
        const std::string zwei(s.substr(i, 2));
        if (zwei == "<>" || zwei == "<=" || zwei == ">=" || zwei == "!=" || zwei == "||" ||
            zwei == "==")
          op = zwei;
      }
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

}  // namespace

namespace {
// Primary sort key: folded, with the accented Latin letters on their base
// letter (Ä with A, ß as SS), as a German reader sorts.
std::string Grundform(std::string_view gefaltet) {
  static constexpr const char* kLatein1[] = {
      "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",  // C0-CF
      "D", "N", "O", "O", "O", "O", "O", "",  "O", "U", "U", "U", "U", "Y", "TH", "SS"};  // D0-DF
  std::string aus;
  aus.reserve(gefaltet.size());
  std::size_t i = 0;
  while (i < gefaltet.size()) {
    const std::size_t start = i;
    bool gueltig = true;
    const char32_t c = Utf8Lesen(gefaltet, i, &gueltig);
    if (gueltig && c >= 0xC0 && c <= 0xDF && c != 0xD7)
      aus += kLatein1[c - 0xC0];
    else if (gueltig && c == 0x178)
      aus += 'Y';
    else
      aus.append(gefaltet.substr(start, i - start));
  }
  return aus;
}
}  // namespace

int TextVergleichen(std::string_view a, std::string_view b) {
  const std::string fa = Falten(a), fb = Falten(b);
  if (fa == fb) return 0;
  const int grund = Grundform(fa).compare(Grundform(fb));
  if (grund != 0) return grund < 0 ? -1 : 1;
  return fa < fb ? -1 : 1;
}

bool JetLike(std::string_view wert, std::string_view muster) {
  const std::vector<char32_t> w = Zeichen(wert);
  const std::vector<MusterTeil> p = MusterUebersetzen(Zeichen(muster));
  std::size_t pi = 0, wi = 0, sternP = std::string::npos, sternW = 0;
  while (wi < w.size()) {
    if (pi < p.size() && p[pi].art == MusterTeil::Beliebig) {
      sternP = pi++;
      sternW = wi;
    } else if (pi < p.size() && p[pi].Passt(w[wi])) {
      ++pi;
      ++wi;
    } else if (sternP != std::string::npos) {
      pi = sternP + 1;
      wi = ++sternW;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi].art == MusterTeil::Beliebig) ++pi;
  return pi == p.size();
}

std::string LikeMaskieren(std::string_view text) {
  std::string aus;
  aus.reserve(text.size());
  for (char c : text) {
    if (c == '*' || c == '?' || c == '#' || c == '[') {
      aus += '[';
      aus += c;
      aus += ']';
    } else {
      aus += c;
    }
  }
  return aus;
}

JetAnweisung JetUebersetzen(std::string_view jet, bool mitZeilen) {
  std::vector<Token> t = Zerlegen(jet);
  // A closing ";" is the host's habit; SQLite needs room after the text.
  while (!t.empty() && (t.back().art == Token::Leer ||
                        (t.back().art == Token::Zeichen && t.back().text == ";")))
    t.pop_back();

  JetAnweisung a;
  std::size_t erstes = 0;
  while (erstes < t.size() && (t[erstes].art == Token::Leer ||
                               (t[erstes].art == Token::Zeichen && t[erstes].text == "(")))
    ++erstes;
  const bool dml = erstes < t.size() &&
                   (IstWort(t[erstes], "SELECT") || IstWort(t[erstes], "INSERT") ||
                    IstWort(t[erstes], "UPDATE") || IstWort(t[erstes], "DELETE"));
  a.IstAbfrage = erstes < t.size() && IstWort(t[erstes], "SELECT");

  std::vector<std::string> vor(t.size() + 1), nach(t.size() + 1);
  std::vector<bool> weg(t.size(), false);
  std::string anhang;

  if (a.IstAbfrage) {
    // Top-level clauses of the SELECT.
    std::size_t from = 0, orderBy = 0, limitVon = 0;
    bool gruppiert = false, distinct = false, aggregat = false, verbund = false;
    std::string top;
    for (std::size_t i = erstes + 1; i < t.size(); ++i) {
      if (t[i].tiefe != 0 || t[i].art != Token::Wort) continue;
      if (!from && IstWort(t[i], "FROM")) from = i;
      if (IstWort(t[i], "GROUP") || IstWort(t[i], "HAVING")) gruppiert = true;
      if (IstWort(t[i], "UNION") || IstWort(t[i], "INTERSECT") || IstWort(t[i], "EXCEPT"))
        verbund = true;
      if (IstWort(t[i], "ORDER")) orderBy = i;
      if (IstWort(t[i], "LIMIT")) limitVon = i;
      if (!from) {
        for (const char* f : {"COUNT", "SUM", "AVG", "MIN", "MAX"}) {
          std::size_t k = i + 1;
          while (k < t.size() && t[k].art == Token::Leer) ++k;
          if (IstWort(t[i], f) && k < t.size() && t[k].text == "(") aggregat = true;
        }
      }
    }
    // TOP n after SELECT [DISTINCT] becomes LIMIT n.
    std::size_t k = erstes + 1;
    while (k < t.size() && t[k].art == Token::Leer) ++k;
    if (k < t.size() && (IstWort(t[k], "DISTINCT") || IstWort(t[k], "DISTINCTROW"))) {
      distinct = IstWort(t[k], "DISTINCT");
      if (!distinct) {  // one table: every row is distinct already
        weg[k] = true;
        if (k + 1 < t.size() && t[k + 1].art == Token::Leer) weg[k + 1] = true;
      }
      ++k;
      while (k < t.size() && t[k].art == Token::Leer) ++k;
    }
    if (k < t.size() && IstWort(t[k], "TOP")) {
      std::size_t n = k + 1;
      while (n < t.size() && t[n].art == Token::Leer) ++n;
      if (n < t.size() && t[n].art == Token::Zahl) {
        top = t[n].text;
        for (std::size_t j = k; j <= n + 1 && j < t.size(); ++j) weg[j] = true;
      }
    }

    // ORDER BY and GROUP BY terms compare text without regard to case.
    auto abschliessen = [&](std::size_t von, std::size_t bis) {  // one term, [von, bis)
      std::size_t letzt = bis;
      bool hatKollation = false;
      std::size_t bedeutende = 0;
      for (std::size_t j = von; j < bis; ++j) {
        if (t[j].art == Token::Leer) continue;
        ++bedeutende;
        if (IstWort(t[j], "COLLATE")) hatKollation = true;
        letzt = j;
      }
      if (letzt == bis || hatKollation) return;
      if (bedeutende == 1 && t[letzt].art == Token::Zahl) return;  // column number
      const std::string kollation = std::string(" COLLATE ") + kTextKollation;
      if (IstWort(t[letzt], "ASC") || IstWort(t[letzt], "DESC"))
        vor[letzt] += kollation.substr(1) + " ";
      else
        nach[letzt] += kollation;
    };
    auto begriffe = [&](std::size_t klausel, std::size_t ende) {  // the terms after "X BY"
      std::size_t von = klausel + 1;
      while (von < ende && (t[von].art == Token::Leer || IstWort(t[von], "BY"))) ++von;
      for (std::size_t j = von; j <= ende; ++j) {
        if (j == ende || (t[j].tiefe == 0 && t[j].art == Token::Zeichen && t[j].text == ",")) {
          abschliessen(von, j);
          von = j + 1;
        }
      }
    };
    std::size_t orderEnde = limitVon ? limitVon : t.size();
    if (orderBy) begriffe(orderBy, orderEnde);
    for (std::size_t i = erstes + 1; i < t.size(); ++i) {
      if (t[i].tiefe != 0 || !IstWort(t[i], "GROUP")) continue;
      std::size_t ende = i + 1;
      while (ende < t.size() &&
             !(t[ende].tiefe == 0 && (IstWort(t[ende], "HAVING") || IstWort(t[ende], "ORDER") ||
                                      IstWort(t[ende], "LIMIT") || IstWort(t[ende], "UNION"))))
        ++ende;
      begriffe(i, ende);
      break;
    }

    // One table without join: changeable, rows in table order.
    if (from && !gruppiert && !distinct && !aggregat && !verbund) {
      std::size_t ende = from + 1;
      std::vector<std::size_t> teile;
      for (; ende < t.size(); ++ende) {
        if (t[ende].tiefe == 0 && t[ende].art == Token::Wort &&
            (IstWort(t[ende], "WHERE") || IstWort(t[ende], "ORDER") || IstWort(t[ende], "LIMIT")))
          break;
        if (t[ende].art != Token::Leer) teile.push_back(ende);
      }
      std::string tabelle, bezug;
      auto name = [&](const Token& x) -> bool {
        return (x.art == Token::Wort && !IstWort(x, "AS")) || x.art == Token::Name ||
               (x.art == Token::Text && false);
      };
      if (teile.size() == 1 && name(t[teile[0]])) {
        tabelle = t[teile[0]].text;
        bezug = tabelle;
      } else if (teile.size() == 2 && name(t[teile[0]]) && name(t[teile[1]])) {
        tabelle = t[teile[0]].text;
        bezug = t[teile[1]].text;
      } else if (teile.size() == 3 && name(t[teile[0]]) && IstWort(t[teile[1]], "AS") &&
                 name(t[teile[2]])) {
        tabelle = t[teile[0]].text;
        bezug = t[teile[2]].text;
      }
      if (tabelle.empty() && !orderBy && mitZeilen) {
        // A join without ORDER BY: rows in the table order of the last
        // table named, then of the ones before it (for the register: the
        // order in which the links were made).
        std::vector<std::string> bezuege;
        bool unterabfrage = false;
        const Token* vorher = &t[from];
        for (std::size_t j = from + 1; j < ende; ++j) {
          const Token& x = t[j];
          if (x.art == Token::Leer) continue;
          if (IstWort(x, "SELECT")) unterabfrage = true;
          const bool nachBeginn = IstWort(*vorher, "FROM") || IstWort(*vorher, "JOIN") ||
                                  (vorher->art == Token::Zeichen && (vorher->text == "," || vorher->text == "("));
          if (nachBeginn && (x.art == Token::Wort || x.art == Token::Name) && !IstWort(x, "SELECT")) {
            std::string bezug = x.text;
            std::size_t n = j + 1;
            while (n < ende && t[n].art == Token::Leer) ++n;
            if (n < ende && IstWort(t[n], "AS")) {
              ++n;
              while (n < ende && t[n].art == Token::Leer) ++n;
            }
            if (n < ende && (t[n].art == Token::Name ||
                             (t[n].art == Token::Wort && !IstWort(t[n], "ON") && !IstWort(t[n], "INNER") &&
                              !IstWort(t[n], "LEFT") && !IstWort(t[n], "RIGHT") && !IstWort(t[n], "JOIN") &&
                              !IstWort(t[n], "CROSS") && !IstWort(t[n], "OUTER") && !IstWort(t[n], "NATURAL"))))
              bezug = t[n].text;
            bezuege.push_back(bezug);
          }
          vorher = &x;
        }
        if (!unterabfrage && bezuege.size() > 1) {
          std::string folge;
          for (auto it = bezuege.rbegin(); it != bezuege.rend(); ++it)
            folge += (folge.empty() ? "" : ", ") + Bezeichner(*it) + ".rowid";
          if (limitVon)
            vor[limitVon] += "ORDER BY " + folge + " ";
          else
            anhang += " ORDER BY " + folge;
        }
      }
      if (!tabelle.empty() && mitZeilen) {
        a.Tabelle = tabelle;
        const std::string zeile = Bezeichner(bezug) + ".rowid";
        // the row id goes first, right after SELECT
        std::size_t nachSelect = erstes;
        nach[nachSelect] += std::string(" ") + zeile + " AS " + kZeilenSpalte + ",";
        if (orderBy)
          nach[orderEnde - 1] += ", " + zeile;
        else if (limitVon)
          vor[limitVon] += "ORDER BY " + zeile + " ";
        else
          anhang += " ORDER BY " + zeile;
      }
    }
    if (!top.empty()) anhang += " LIMIT " + top;
  }

  std::string& sql = a.Sql;
  for (std::size_t i = 0; i < t.size(); ++i) {
    sql += vor[i];
    if (!weg[i]) {
      const Token& x = t[i];
      switch (x.art) {
        case Token::Text:
          sql += Literal(x.text);
          if (dml) sql += std::string(" COLLATE ") + kTextKollation;
          break;
        case Token::Name: sql += Bezeichner(x.text); break;
        case Token::Wort: sql += (dml && IstWort(x, "LIKE")) ? std::string("REGEXP") : x.text; break;
        case Token::Zeichen: sql += (x.text == "&") ? std::string("||") : x.text; break;
        default: sql += x.text;
      }
    }
    sql += nach[i];
  }
  sql += anhang;
  return a;
}

}  // namespace vxm
