// Expansion of search terms and the multi-keyword lookup.
#include "search/suchbegriffe.h"

#include <sqlite3.h>

#include <algorithm>
#include <unordered_set>

#include "basis/zustand.h"
#include "keywords/eingabe.h"
#include "platform/datenbank.h"
#include "platform/jetsql.h"
#include "platform/sqlhilfen.h"

namespace vxm {

bool BeginntMit(std::string_view name, std::string_view praefix) { return BeginntMitOhneFall(name, praefix); }

std::vector<std::string> KeywordsMitPraefix(Datenbank& reg, std::string_view praefix) {
  std::vector<std::string> namen;
  auto rs = reg.OpenRecordset("SELECT * FROM Keyword");
  for (; !rs.Eof(); rs.MoveNext()) {
    std::string name = rs.Text("Keyword");
    if (!name.empty() && BeginntMit(name, praefix)) namen.push_back(std::move(name));
  }
  return namen;
}

void keyzerlegenVersuch(Datenbank& reg) {
  auto& z = Zustand();
  std::vector<std::string> teile;
  const int32_t anzahl = std::min<int32_t>(z.SuchKeyAnzahl, static_cast<int32_t>(z.SuchKeys.size()) - 1);
  std::vector<std::string> alleNamen;
  bool namenGelesen = false;
  for (int32_t i = 1; i <= anzahl; ++i) {
    const std::string& begriff = z.SuchKeys[i];
    const auto stern = begriff.find('*');
    if (stern == std::string::npos) {
      teile.push_back(begriff);
      continue;
    }
    // One read of the keyword table serves every wildcard term.
    if (!namenGelesen) {
      alleNamen = KeywordsMitPraefix(reg, "");
      namenGelesen = true;
    }
    const std::string_view praefix(begriff.data(), stern);
    for (auto& n : alleNamen)
      if (BeginntMit(n, praefix)) teile.push_back(n);
  }
  z.KeyAnzahl = static_cast<int32_t>(teile.size());
  z.KeyTeile = std::move(teile);
}

std::vector<RegisterTreffer> DateienMitKeywords(Datenbank& reg, const std::vector<int32_t>& ids) {
  std::vector<RegisterTreffer> alle;
  DateienMitKeywordsLesen(reg, ids, [&](int32_t nummer, std::string_view name, std::string_view pfad) {
    alle.push_back({nummer, std::string(name), std::string(pfad)});
  });
  return alle;
}

std::size_t DateienMitKeywordsLesen(
    Datenbank& reg, const std::vector<int32_t>& ids,
    const std::function<void(int32_t nummer, std::string_view name, std::string_view pfad)>& treffer) {
  std::string liste = "[";
  for (const int32_t id : ids)
    if (id != 0) liste += (liste.size() > 1 ? "," : "") + std::to_string(id);
  liste += "]";
  if (liste == "[]") return 0;
  if (!reg.Handle()) {
    // A server register: per keyword, as its translation knows the statements.
    std::unordered_set<int32_t> gesehenIds, gesehen;
    std::vector<RegisterTreffer> alle;
    for (int32_t id : ids) {
      if (id == 0 || !gesehenIds.insert(id).second) continue;
      for (auto& t : DateienMitKeyword(reg, id))
        if (gesehen.insert(t.Dateinummer).second) alle.push_back(std::move(t));
    }
    std::sort(alle.begin(), alle.end(),
              [](const RegisterTreffer& x, const RegisterTreffer& y) { return x.Dateinummer < y.Dateinummer; });
    for (const auto& t : alle) treffer(t.Dateinummer, t.Dateiname, t.Dateipfad);
    return alle.size();
  }
  // One walk over the files in number order; each file's few links are
  // found by the file index and their keyword looked up in the small set
  // of ids ("+": not the keyword index, which would be probed once per id
  // and file). Nothing grows with the number of hits.
  sqlite3_stmt* s = reg.Anweisung(
      "SELECT d.Dateinummer, d.Dateiname, d.Dateipfad FROM Dateiinfo d WHERE EXISTS "
      "(SELECT 1 FROM KeywordZwischentabelle z WHERE z.Dateinummer = d.Dateinummer AND "
      "+z.KeywordID IN (SELECT value FROM json_each(?1))) ORDER BY d.Dateinummer");
  sql::Zuruecksetzen z{s};
  sql::TextBinden(s, 1, liste);
  std::size_t n = 0;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    treffer(sqlite3_column_int(s, 0), sql::SpaltenText(s, 1), sql::SpaltenText(s, 2));
    ++n;
  }
  if (rc != SQLITE_DONE) reg.Fehler(rc);
  return n;
}

}  // namespace vxm
