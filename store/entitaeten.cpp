#include "store/entitaeten.h"

#include <algorithm>
#include <numeric>

#include "platform/text.h"

namespace vxm {

namespace {

bool NurZiffern(const std::string& k) {
  return !k.empty() && std::all_of(k.begin(), k.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IstNull(const std::string& k) {
  return std::all_of(k.begin(), k.end(), [](char c) { return c == '0'; });
}

// Cuts the next level off `rest` (up to its backslash); false when there is none.
bool NaechsteEbene(std::string& rest, std::string& ebene) {
  if (rest.empty()) return false;
  const std::size_t p = rest.find('\\');
  if (p == std::string::npos) return false;
  ebene = rest.substr(0, p);
  rest.erase(0, p + 1);
  return true;
}

std::string SqlZahl(const std::string& nummer) { return NurZiffern(nummer) ? nummer : "0"; }

}  // namespace

EntitaetsNummern NummernAusPfad(const std::string& ordner, const std::string& mandantPfad) {
  EntitaetsNummern n;
  std::string mandant = mandantPfad;
  while (!mandant.empty() && mandant.back() == '\\') mandant.pop_back();
  if (mandant.empty() || ordner.size() < mandant.size()) return n;
  if (!GleichOhneFall(std::string_view(ordner).substr(0, mandant.size()), mandant)) return n;
  std::string rest = ordner.substr(mandant.size());
  // "C:\VXMDOK\10" is not below "C:\VXMDOK\1".
  if (!rest.empty() && rest[0] != '\\') return n;

  // Levels below the Mandant folder, each closed by a backslash.
  rest = (rest + "\\").substr(1);
  std::string ebene;
  if (NaechsteEbene(rest, ebene)) {
    if (NurZiffern(ebene) && !IstNull(ebene)) n.Objekt = ebene;
    if (NaechsteEbene(rest, ebene)) {
      if (NurZiffern(ebene) && !IstNull(ebene)) n.Be = ebene;
      if (NaechsteEbene(rest, ebene) && NurZiffern(ebene)) {
        std::size_t i = ebene.find_first_not_of('0');
        const std::string ohneNullen = i == std::string::npos ? "0" : ebene.substr(i);
        if (ohneNullen.size() < 10 || (ohneNullen.size() == 10 && ohneNullen <= "2147483647")) {
          n.Bn = static_cast<int32_t>(std::stol(ohneNullen));
        }
      }
    }
  }
  return n;
}

std::string ObjektSql(const std::string& objekt) {
  return "SELECT ObjBezeichnung FROM ObjDaten WHERE objnummer = " + SqlZahl(objekt);
}

std::string BeSql(const std::string& objekt, const std::string& be) {
  return "SELECT BeTuerNr FROM Bestandseinheitsdaten WHERE BeObjNr = " + SqlZahl(objekt) +
         " AND BeBeNr = " + SqlZahl(be);
}

std::string BnSql(const std::string& objekt, const std::string& be, int32_t bn) {
  return "SELECT BnName FROM Bestandnehmerdaten WHERE BnObjNr = " + SqlZahl(objekt) +
         " AND BnBeNr = " + SqlZahl(be) + " AND BnBnNr = " + std::to_string(bn);
}

void OrdnerSortieren(std::vector<OrdnerEintrag>& eintraege) {
  // Folded once per name; the order of names equal without regard to case stays.
  std::vector<std::string> schluessel;
  schluessel.reserve(eintraege.size());
  for (const auto& e : eintraege) schluessel.push_back(Klein(e.Name));
  std::vector<std::size_t> folge(eintraege.size());
  std::iota(folge.begin(), folge.end(), std::size_t{0});
  std::stable_sort(folge.begin(), folge.end(),
                   [&](std::size_t a, std::size_t b) { return schluessel[a] < schluessel[b]; });
  std::vector<OrdnerEintrag> sortiert;
  sortiert.reserve(eintraege.size());
  for (std::size_t i : folge) sortiert.push_back(std::move(eintraege[i]));
  eintraege = std::move(sortiert);
}

}  // namespace vxm
