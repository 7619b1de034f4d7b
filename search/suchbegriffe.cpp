// Expansion of search terms and the multi-keyword lookup.
#include "search/suchbegriffe.h"

#include <algorithm>
#include <unordered_set>

#include "basis/zustand.h"
#include "keywords/eingabe.h"
#include "platform/datenbank.h"
#include "platform/jetsql.h"

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
  std::unordered_set<int32_t> gesehenIds;
  std::unordered_set<int32_t> gesehen;
  for (int32_t id : ids) {
    if (id == 0 || !gesehenIds.insert(id).second) continue;
    for (auto& t : DateienMitKeyword(reg, id))
      if (gesehen.insert(t.Dateinummer).second) alle.push_back(std::move(t));
  }
  std::sort(alle.begin(), alle.end(),
            [](const RegisterTreffer& a, const RegisterTreffer& b) { return a.Dateinummer < b.Dateinummer; });
  return alle;
}

}  // namespace vxm
