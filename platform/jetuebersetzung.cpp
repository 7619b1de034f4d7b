// Translation of the host's SQL dialect (see jetsql.h), clause by clause:
// the text is cut into tokens, the top-level clauses of a SELECT are found,
// and each clause adds its pieces before or after tokens; the tokens are
// then written out in the target's spelling.
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/fehler.h"
#include "platform/jetsql.h"
#include "platform/sqltext.h"

namespace vxm {
namespace {

using namespace sqltext;

// --- clauses -----------------------------------------------------------------

// Positions of the top-level clauses of a SELECT (0: not there).
struct Klauseln {
  std::size_t from = 0, orderBy = 0, limitVon = 0;
  bool gruppiert = false, distinct = false, aggregat = false, verbund = false;
};

// A simple operand: a literal, a number or a (qualified) field name.
struct Operand {
  std::size_t von = 0, bis = 0;  // tokens [von, bis)
  bool gueltig = false;
};

class Uebersetzer {
 public:
  Uebersetzer(std::string_view jet, SqlZiel ziel, const SqlKatalog* katalog, bool mitZeilen)
      : jet_(jet), t_(Zerlegen(jet)), server_(ziel == SqlZiel::PostgreSQL), kat_(katalog), mitZeilen_(mitZeilen) {
    static const SqlKatalog leer;
    if (!kat_) kat_ = &leer;
  }

  JetAnweisung Uebersetzen() {
    Anfang();
    if (server_ && dml_) VergleicheFalten();
    if (a_.IstAbfrage) Abfrage();
    Ausgeben();
    return std::move(a_);
  }

 private:
  std::size_t Naechstes(std::size_t i) const {  // the next token that is not blank, from i on
    while (i < t_.size() && t_[i].art == Token::Leer) ++i;
    return i;
  }
  std::size_t Vorheriges(std::size_t i) const {  // the token before i that is not blank (npos: none)
    while (i > 0) {
      --i;
      if (t_[i].art != Token::Leer) return i;
    }
    return std::string::npos;
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
    GroupByBegriffe();
    if (k_.orderBy) Begriffe(k_.orderBy, OrderEnde(), false);
    if (server_) Spaltennamen();
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
    auswahlVon_ = k;
  }

  // One ORDER BY or GROUP BY term [von, bis) compares text without regard to case.
  void Begriff(std::size_t von, std::size_t bis, bool gruppe) {
    std::size_t letzt = bis, bedeutende = 0;
    bool hatKollation = false;
    for (std::size_t j = von; j < bis; ++j) {
      if (t_[j].art == Token::Leer) continue;
      ++bedeutende;
      if (IstWort(t_[j], "COLLATE")) hatKollation = true;
      letzt = j;
    }
    if (letzt == bis || hatKollation) return;
    if (server_) return gruppe ? ServerGruppe(von, letzt) : ServerSortierung(von, letzt);
    if (bedeutende == 1 && t_[letzt].art == Token::Zahl) return;  // column number
    const std::string kollation = std::string(" COLLATE ") + kTextKollation;
    if (IstWort(t_[letzt], "ASC") || IstWort(t_[letzt], "DESC"))
      vor_[letzt] += kollation.substr(1) + " ";
    else
      nach_[letzt] += kollation;
  }

  // The terms after "X BY", up to `ende`.
  void Begriffe(std::size_t klausel, std::size_t ende, bool gruppe) {
    std::size_t von = klausel + 1;
    while (von < ende && (t_[von].art == Token::Leer || IstWort(t_[von], "BY"))) ++von;
    for (std::size_t j = von; j <= ende; ++j) {
      if (j == ende || (t_[j].tiefe == 0 && IstZeichen(t_[j], ","))) {
        Begriff(von, j, gruppe);
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
      gruppeVon_ = i;
      gruppeBis_ = ende;
      Begriffe(i, ende, true);
      if (server_ && !gruppen_.empty()) GruppiertWaehlen();
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

  // "T", "T x" or "T AS x": the table and the token it is referred to by.
  bool EineTabelle(const std::vector<std::size_t>& teile, std::size_t& tabelle, std::size_t& bezug) const {
    auto name = [&](std::size_t i) {
      return (t_[i].art == Token::Wort && !IstWort(t_[i], "AS")) || t_[i].art == Token::Name;
    };
    if (teile.size() == 1 && name(teile[0])) {
      tabelle = bezug = teile[0];
    } else if (teile.size() == 2 && name(teile[0]) && name(teile[1])) {
      tabelle = teile[0];
      bezug = teile[1];
    } else if (teile.size() == 3 && name(teile[0]) && IstWort(t_[teile[1]], "AS") && name(teile[2])) {
      tabelle = teile[0];
      bezug = teile[2];
    } else {
      return false;
    }
    return true;
  }

  // The row id of the table at token `tabelle`, referred to by token `bezug`;
  // empty when it has none (a view on a server).
  std::string Zeile(std::size_t tabelle, std::size_t bezug) const {
    if (!server_) return Bezeichner(t_[bezug].text) + ".rowid";
    if (!kat_->MitZeile.count(Falten(t_[tabelle].text))) return {};
    return NameAusgeben(t_[bezug]) + "." + kServerZeilenSpalte;
  }

  // Rows of one table come in table order and carry their row id; a join
  // without ORDER BY is sorted by the row ids of its tables.
  void Tabellenreihenfolge() {
    std::vector<std::size_t> teile;
    const std::size_t ende = FromEnde(teile);
    std::size_t tabelle = 0, bezug = 0;
    if (!mitZeilen_) return;
    if (!EineTabelle(teile, tabelle, bezug)) {
      if (!k_.orderBy) VerbundReihenfolge(ende);
      return;
    }
    const std::string zeile = Zeile(tabelle, bezug);
    if (zeile.empty()) return;
    a_.Tabelle = t_[tabelle].text;
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

  // The token a table of the FROM clause at j is referred to by (its alias if any).
  std::size_t Bezug(std::size_t j, std::size_t ende) const {
    std::size_t n = j + 1;
    while (n < ende && t_[n].art == Token::Leer) ++n;
    if (n < ende && IstWort(t_[n], "AS")) {
      ++n;
      while (n < ende && t_[n].art == Token::Leer) ++n;
    }
    if (n < ende && (t_[n].art == Token::Name || (t_[n].art == Token::Wort && !Verbundwort(t_[n])))) return n;
    return j;
  }

  // A join without ORDER BY: rows in the table order of the last table
  // named, then of the ones before it (for the register: the order in which
  // the links were made).
  void VerbundReihenfolge(std::size_t ende) {
    std::vector<std::string> zeilen;
    const Token* vorher = &t_[k_.from];
    for (std::size_t j = k_.from + 1; j < ende; ++j) {
      const Token& x = t_[j];
      if (x.art == Token::Leer) continue;
      if (IstWort(x, "SELECT")) return;  // a subquery: no table order to give
      const bool nachBeginn = IstWort(*vorher, "FROM") || IstWort(*vorher, "JOIN") || IstZeichen(*vorher, ",") ||
                              IstZeichen(*vorher, "(");
      if (nachBeginn && (x.art == Token::Wort || x.art == Token::Name)) {
        const std::string z = Zeile(j, Bezug(j, ende));
        if (!z.empty()) zeilen.push_back(z);
      }
      vorher = &x;
    }
    if (zeilen.size() < 2) return;
    std::string folge;
    for (auto it = zeilen.rbegin(); it != zeilen.rend(); ++it) folge += (folge.empty() ? "" : ", ") + *it;
    Sortieren(folge);
  }

  // --- server spelling -------------------------------------------------------

  // Names in the schema are written as they are spelled there (the server
  // tells names apart by case); others as given.
  std::string NameAusgeben(const Token& x) const {
    if (IstWort(x, "ROWID")) return kServerZeilenSpalte;
    const auto it = kat_->Namen.find(Falten(x.text));
    if (it != kat_->Namen.end()) return Bezeichner(it->second);
    return x.art == Token::Name ? Bezeichner(x.text) : x.text;
  }

  std::string Rendern(std::size_t von, std::size_t bis) const {
    std::string aus;
    for (std::size_t i = von; i < bis; ++i) aus += Schreibweise(t_[i]);
    return aus;
  }

  Operand OperandVor(std::size_t i) const {
    Operand o;
    std::size_t k = Vorheriges(i);
    if (k == std::string::npos) return o;
    o.bis = k + 1;
    if (t_[k].art == Token::Text || t_[k].art == Token::Zahl) {
      o.von = k;
      o.gueltig = true;
      return o;
    }
    if (t_[k].art != Token::Wort && t_[k].art != Token::Name) return o;
    while (k >= 2 && IstZeichen(t_[k - 1], ".") && (t_[k - 2].art == Token::Wort || t_[k - 2].art == Token::Name))
      k -= 2;
    o.von = k;
    o.gueltig = true;
    return o;
  }

  Operand OperandNach(std::size_t i) const {
    Operand o;
    std::size_t k = Naechstes(i + 1);
    if (k >= t_.size()) return o;
    o.von = k;
    if (t_[k].art == Token::Text || t_[k].art == Token::Zahl) {
      o.bis = k + 1;
      o.gueltig = true;
      return o;
    }
    if (t_[k].art != Token::Wort && t_[k].art != Token::Name) return o;
    if (k + 1 < t_.size() && IstZeichen(t_[k + 1], "(")) return o;  // a function call
    while (k + 2 < t_.size() && IstZeichen(t_[k + 1], ".") &&
           (t_[k + 2].art == Token::Wort || t_[k + 2].art == Token::Name))
      k += 2;
    o.bis = k + 1;
    o.gueltig = true;
    return o;
  }

  bool IstText(const Operand& o) const {
    if (t_[o.bis - 1].art == Token::Text) return true;
    return t_[o.bis - 1].art != Token::Zahl && kat_->TextSpalten.count(Falten(t_[o.bis - 1].text)) > 0;
  }
  bool IstZahl(const Operand& o) const { return t_[o.von].art == Token::Zahl; }

  // The folded form of an operand: the shadow column where the field has one.
  std::string Gefaltet(const Operand& o) const {
    const Token& letzt = t_[o.bis - 1];
    if (letzt.art == Token::Text) return Literal(Falten(letzt.text));
    const auto s = kat_->Schatten.find(Falten(letzt.text));
    if (s != kat_->Schatten.end()) return Rendern(o.von, o.bis - 1) + Bezeichner(s->second);
    return "vxm_falten(" + Rendern(o.von, o.bis) + ")";
  }
  std::string Sortiert(const Operand& o) const {
    const Token& letzt = t_[o.bis - 1];
    if (letzt.art == Token::Text) return Literal(Sortierform(letzt.text)) + " COLLATE \"C\"";
    return "vxm_grund(" + Rendern(o.von, o.bis) + ") COLLATE \"C\"";
  }

  void Ersetzen(std::size_t von, std::size_t bis, const std::string& text) {
    for (std::size_t j = von; j < bis; ++j) weg_[j] = true;
    vor_[von] += text;
  }

  // Text comparisons and Like ignore case as the collation does in SQLite:
  // both sides folded (the literal here, the field through its shadow
  // column or vxm_falten), order through vxm_grund, then the folded text.
  void VergleicheFalten() {
    // In "UPDATE t SET a = x, b = y WHERE ..." the = before WHERE assign.
    std::size_t zuweisungVon = t_.size(), zuweisungBis = t_.size();
    if (IstWort(t_[erstes_], "UPDATE"))
      for (std::size_t i = erstes_; i < t_.size(); ++i) {
        if (t_[i].tiefe != t_[erstes_].tiefe) continue;
        if (IstWort(t_[i], "SET") && zuweisungVon == t_.size()) zuweisungVon = i;
        if (IstWort(t_[i], "WHERE") && zuweisungVon != t_.size()) {
          zuweisungBis = i;
          break;
        }
      }
    for (std::size_t i = 0; i < t_.size(); ++i) {
      const Token& x = t_[i];
      if (i > zuweisungVon && i < zuweisungBis && t_[i].tiefe == t_[erstes_].tiefe) continue;
      const bool gleich = IstZeichen(x, "=") || IstZeichen(x, "==") || IstZeichen(x, "<>") || IstZeichen(x, "!=");
      const bool ordnung = IstZeichen(x, "<") || IstZeichen(x, ">") || IstZeichen(x, "<=") || IstZeichen(x, ">=");
      const bool like = IstWort(x, "LIKE");
      if (!gleich && !ordnung && !like) continue;
      const Operand l = OperandVor(i), r = OperandNach(i);
      if (like) {
        if (!l.gueltig || !r.gueltig || t_[r.von].art != Token::Text)
          Syntaxfehler("Like vergleicht auf dem Datenbankserver nur ein Feld mit einem Muster in Anführungszeichen",
                       std::string_view());
        Ersetzen(l.von, r.bis, Gefaltet(l) + " ~ " + Literal(LikeAlsRegex(Falten(t_[r.von].text))));
      } else if (l.gueltig && r.gueltig && !IstZahl(l) && !IstZahl(r) && (IstText(l) || IstText(r))) {
        const std::string op = x.text == "==" ? "=" : x.text;
        if (gleich)
          Ersetzen(l.von, r.bis, Gefaltet(l) + " " + op + " " + Gefaltet(r));
        else
          Ersetzen(l.von, r.bis, "(" + Sortiert(l) + ", " + Gefaltet(l) + " COLLATE \"C\") " + op + " (" +
                                     Sortiert(r) + ", " + Gefaltet(r) + " COLLATE \"C\")");
      }
      i = std::max(i, r.gueltig ? r.bis - 1 : i);
    }
  }

  // A grouped text field of the select list, HAVING or ORDER BY stands for
  // its group: min() gives one of its spellings.
  bool Gruppiert(const Operand& o) const {
    for (const auto& g : gruppen_)
      if (o.bis - o.von == g.bis - g.von) {
        bool gleich = true;
        for (std::size_t k = 0; k < o.bis - o.von && gleich; ++k)
          gleich = GleichOhneFall(t_[o.von + k].text, t_[g.von + k].text);
        if (gleich) return true;
      }
    return false;
  }

  // One GROUP BY term on a server: a text field groups by its folded form.
  void ServerGruppe(std::size_t von, std::size_t letzt) {
    const Operand o = OperandNach(von - 1);
    if (!o.gueltig || o.bis != letzt + 1 || IstZahl(o) || !IstText(o)) return;
    gruppen_.push_back(o);
    Ersetzen(o.von, o.bis, Gefaltet(o));
  }

  // Fields of the groups in the select list, HAVING and ORDER BY.
  void GruppiertWaehlen() {
    int aggregat = -1;  // depth at which an aggregate call was opened
    const std::size_t ende = k_.orderBy ? k_.orderBy : t_.size();  // ORDER BY terms: see ServerSortierung
    for (std::size_t i = erstes_ + 1; i < ende; ++i) {
      if (k_.from && i >= k_.from && i < gruppeBis_) continue;  // FROM, WHERE and the groups themselves
      if (aggregat >= 0 && IstZeichen(t_[i], ")") && t_[i].tiefe == aggregat) aggregat = -1;
      if (aggregat < 0 && IstAggregat(i)) aggregat = t_[Naechstes(i + 1)].tiefe;
      if (aggregat >= 0 || weg_[i] || (t_[i].art != Token::Wort && t_[i].art != Token::Name)) continue;
      if (i > 0 && IstZeichen(t_[i - 1], ".")) continue;
      const Operand o = OperandNach(i - 1);
      if (!o.gueltig || !Gruppiert(o)) continue;
      Ersetzen(o.von, o.bis, "min(" + Rendern(o.von, o.bis) + ")");
      const std::size_t danach = Naechstes(o.bis);
      if (i < k_.from && (danach == k_.from || IstZeichen(t_[danach], ",")))
        nach_[o.bis - 1] += " AS " + NameAusgeben(t_[o.bis - 1]);
      i = o.bis - 1;
    }
  }

  // One ORDER BY term on a server: text in the order of the collation, and
  // Null first as in SQLite.
  void ServerSortierung(std::size_t von, std::size_t letzt) {
    const bool ab = IstWort(t_[letzt], "DESC");
    const bool richtung = ab || IstWort(t_[letzt], "ASC");
    const std::string nullen = ab ? " NULLS LAST" : " NULLS FIRST";
    const std::size_t ende = richtung ? Vorheriges(letzt) : letzt;
    const Operand o = OperandNach(von - 1);
    if (o.gueltig && o.bis == ende + 1 && !IstZahl(o) && IstText(o)) {
      std::string text = Rendern(o.von, o.bis);
      if (Gruppiert(o)) text = "min(" + text + ")";
      const std::string r = richtung ? " " + t_[letzt].text : "";
      Ersetzen(o.von, letzt + 1, "vxm_grund(" + text + ") COLLATE \"C\"" + r + nullen + ", vxm_falten(" + text +
                                     ") COLLATE \"C\"" + r + nullen);
      return;
    }
    nach_[letzt] += nullen;
  }

  // The server names a computed column after its function; SQLite names it
  // by its text, as the host's engine does ("COUNT(KeywordID)").
  void Spaltennamen() {
    const std::size_t ende = k_.from ? k_.from : t_.size();
    std::size_t von = Naechstes(auswahlVon_);
    for (std::size_t j = von; j <= ende; ++j) {
      if (j < ende && !(t_[j].tiefe == 0 && IstZeichen(t_[j], ","))) continue;
      const std::size_t letzt = Vorheriges(j);
      if (letzt != std::string::npos && letzt >= von) SpalteBenennen(von, letzt);
      von = Naechstes(j + 1);
    }
  }

  void SpalteBenennen(std::size_t von, std::size_t letzt) {
    if (IstZeichen(t_[letzt], "*")) return;
    const Operand o = OperandNach(von - 1);
    if (o.gueltig && o.bis == letzt + 1 && t_[letzt].art != Token::Text && t_[letzt].art != Token::Zahl) return;
    const std::size_t davor = Vorheriges(letzt);
    const bool name = t_[letzt].art == Token::Wort || t_[letzt].art == Token::Name;
    if (name && davor != std::string::npos && davor >= von && !IstZeichen(t_[davor], ".") &&
        !IstWort(t_[letzt], "END"))
      return;  // has an alias
    nach_[letzt] += " AS " + Bezeichner(std::string(jet_.substr(t_[von].von, t_[letzt].bis - t_[von].von)));
  }

  // Literals become the target's string literals (compared without regard
  // to case), Like its Like, [names] quoted names, & concatenation.
  std::string Schreibweise(const Token& x) const {
    if (server_) {
      switch (x.art) {
        case Token::Text: return Literal(x.text);
        case Token::Name:
        case Token::Wort: return NameAusgeben(x);
        case Token::Zeichen: return x.text == "&" ? std::string("||") : x.text;
        default: return x.text;
      }
    }
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

  std::string_view jet_;
  std::vector<Token> t_;
  bool server_;
  const SqlKatalog* kat_;
  bool mitZeilen_;
  JetAnweisung a_;
  std::size_t erstes_ = 0, auswahlVon_ = 0;
  bool dml_ = false;
  Klauseln k_;
  std::string top_;
  std::size_t gruppeVon_ = 0, gruppeBis_ = 0;
  std::vector<Operand> gruppen_;  // grouped text fields (server)
  // Text written before / after each token, tokens left out, text at the end.
  std::vector<std::string> vor_, nach_;
  std::vector<bool> weg_;
  std::string anhang_;
};

}  // namespace

JetAnweisung JetUebersetzen(std::string_view jet, bool mitZeilen) {
  return Uebersetzer(jet, SqlZiel::SQLite, nullptr, mitZeilen).Uebersetzen();
}

JetAnweisung JetUebersetzen(std::string_view jet, SqlZiel ziel, bool mitZeilen, const SqlKatalog* katalog) {
  return Uebersetzer(jet, ziel, katalog, mitZeilen).Uebersetzen();
}


}  // namespace vxm
