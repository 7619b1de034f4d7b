#include "keywords/eingabe.h"

#include <sqlite3.h>

#include "basis/zustand.h"
#include "platform/datenbank.h"
#include "platform/jetsql.h"
#include "platform/text.h"

namespace vxm {
namespace {

// Names of all keywords (table order) that begin with `praefix`, compared
// as the register compares names. Empty names are not kept.
std::vector<std::string> KeywordsMitAnfang(Datenbank& reg, const std::string& praefix) {
  std::vector<std::string> namen;
  sqlite3_stmt* s = reg.Anweisung("SELECT Keyword FROM Keyword ORDER BY rowid");
  struct Zurueck {
    sqlite3_stmt* s;
    ~Zurueck() { sqlite3_reset(s); }
  } z{s};
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    if (!p) continue;
    const std::string_view name(p, static_cast<std::size_t>(sqlite3_column_bytes(s, 0)));
    if (name.empty()) continue;
    if (BeginntMitOhneFall(name, praefix)) namen.emplace_back(name);
  }
  if (rc != SQLITE_DONE) reg.Fehler(rc);
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
    std::size_t anfang = i;
    const char32_t codepunkt = Utf8Lesen(text, anfang);
    const std::string_view zeichen = NaechstesZeichen(text, i);
    endetMitTrenner = false;
    if (IstBuchstabeOderZiffer(codepunkt)) {
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
