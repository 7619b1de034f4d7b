#include "keywords/eingabe.h"

#include "component/zustand.h"
#include "platform/datenbank.h"
#include "platform/jetsql.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"

namespace vxm {
namespace {

// Next UTF-8 character of `t` at byte `i` as its bytes; `i` moves past it.
// A broken sequence counts as one character of one byte.
std::string_view ZeichenBytes(std::string_view t, std::size_t& i) {
  const auto b = static_cast<unsigned char>(t[i]);
  std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 1;
  if (i + n > t.size()) n = 1;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(t[i + k]) & 0xC0) != 0x80) n = 1;
  const std::string_view z = t.substr(i, n);
  i += n;
  return z;
}

char32_t Codepunkt(std::string_view z) {
  const auto b = static_cast<unsigned char>(z[0]);
  if (z.size() == 1) return b;
  char32_t c = z.size() == 2 ? (b & 0x1F) : z.size() == 3 ? (b & 0x0F) : (b & 0x07);
  for (std::size_t k = 1; k < z.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(z[k]) & 0x3F);
  return c;
}

// Names of all keywords (table order) that begin with `praefix`, compared
// as the register compares names. Empty names are not kept.
std::vector<std::string> KeywordsMitAnfang(Datenbank& reg, const std::string& praefix) {
  const std::size_t n = Zeichenzahl(praefix);
  std::vector<std::string> namen;
  sql::Abfrage a(reg, "SELECT Keyword FROM Keyword ORDER BY rowid");
  while (a.Zeile()) {
    if (a.IstNull(0)) continue;
    const std::string_view name = a.Spalte(0);
    if (name.empty()) continue;
    if (GleichGefaltet(ErsteZeichen(name, n), praefix)) namen.emplace_back(name);
  }
  return namen;
}

}  // namespace

void KeyZerlegen(Datenbank& reg, const std::string& text, int32_t laenge) {
  auto& z = Zustand();
  std::vector<std::string> teile;
  std::string lauf;  // everything since the last separator
  std::string wort;  // letters and digits of the current word
  bool beendet = false;
  int32_t anzahl = 0;
  bool endetMitTrenner = false;

  std::size_t i = 0;
  for (int32_t k = 0; k < laenge && i < text.size(); ++k) {
    const std::string_view zeichen = ZeichenBytes(text, i);
    endetMitTrenner = false;
    if (IstBuchstabeOderZiffer(Codepunkt(zeichen))) {
      lauf += zeichen;
      wort += zeichen;
      beendet = false;
    } else if (zeichen == "*") {
      // The prefix is the run up to its first "*": a second "*" of the same
      // run expands the same prefix again.
      const std::string praefix = lauf.substr(0, lauf.find('*'));
      lauf += zeichen;
      std::vector<std::string> namen = KeywordsMitAnfang(reg, praefix);
      if (!namen.empty()) {
        anzahl += static_cast<int32_t>(namen.size());
        for (auto& n : namen) teile.push_back(std::move(n));
        wort.clear();
        beendet = true;
      }
    } else {
      lauf.clear();
      if (!wort.empty()) teile.push_back(Gross(wort));
      wort.clear();
      beendet = true;
      ++anzahl;
      endetMitTrenner = true;
    }
  }
  if (!beendet && !wort.empty()) teile.push_back(Gross(wort));
  if (!endetMitTrenner) ++anzahl;
  if (anzahl < static_cast<int32_t>(teile.size())) anzahl = static_cast<int32_t>(teile.size());
  teile.resize(static_cast<std::size_t>(anzahl));  // entries after the last token stay empty
  z.KeyTeile = std::move(teile);
  z.KeyAnzahl = anzahl;
}

}  // namespace vxm
