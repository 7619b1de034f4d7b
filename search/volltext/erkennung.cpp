#include "search/volltext/erkennung.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>

#include "search/volltext/auslesedienst.h"
#include "search/volltext/nebenleser.h"
#include "search/volltext/schreiber.h"
#include "search/volltext/volltextindex.h"
#include "search/volltext/vorerkennung.h"

namespace vxm::volltext {
namespace {

// A picture or scan waiting for recognition, with what it has so far.
struct Erkennung {
  const Dateiauftrag* Auftrag;
  Indexeintrag Eintrag;
  std::string Text;            // the text layer read before
  std::vector<Auszug> Seiten;  // one per page
};

// Records the pages recognised of one file.
void Abschliessen(Erkennung& r, const Erkennungsumfeld& u) {
  std::string ersterFehler;
  std::uint32_t gut = 0;
  for (auto& seite : r.Seiten) {
    if (seite.Status == Auszugsstatus::NichtIndizierbar) {
      if (ersterFehler.empty()) ersterFehler = seite.Grund;
      continue;
    }
    ++gut;
    r.Text += "\f\n";
    r.Text += seite.Text;
  }
  Indexeintrag& e = r.Eintrag;
  // The file may have changed meanwhile: then it is checked afresh.
  struct stat st {};
  if (::stat(r.Auftrag->Host.c_str(), &st) != 0 || st.st_size != e.Groesse || Nanosekunden(st) != e.Mtime) {
    u.Geaendert(*r.Auftrag);
    return;
  }
  if (gut == 0 && !ersterFehler.empty()) {
    e.Zustand = Indexzustand::NichtIndizierbar;
    e.Grund = ersterFehler;
    u.Schreiber.Vormerken({e, std::nullopt});
  } else {
    e.Zustand = Indexzustand::Indiziert;
    e.Art += "+ocr";
    u.Schreiber.Vormerken({e, std::move(r.Text)});
  }
}

// Takes the pages recognised ahead (see Vorerkennung) as they are; the
// indices into `seiten` of the rest, for the helpers.
std::vector<std::size_t> VorabGenommen(std::vector<Erkennung>& erk,
                                       const std::vector<std::pair<std::size_t, std::uint32_t>>& seiten,
                                       std::vector<char>& gelesen, const Erkennungsumfeld& u) {
  std::vector<std::size_t> rest;
  if (u.Vorab) u.Vorab->Anhalten();
  for (std::size_t j = 0; j < seiten.size(); ++j) {
    const auto [w, s] = seiten[j];
    const Indexeintrag& e = erk[w].Eintrag;
    if (auto a = u.Vorab ? u.Vorab->Nehmen(erk[w].Auftrag->Host, e.Groesse, e.Mtime, s) : std::nullopt) {
      erk[w].Seiten[s] = std::move(*a);
      gelesen[j] = 1;
    } else {
      rest.push_back(j);
    }
  }
  return rest;
}

}  // namespace

void Erkennen(const std::vector<Dateiauftrag>& liste, std::vector<char>& fertig, const Erkennungsumfeld& u) {
  u.Schreiber.Leeren();  // nothing waits behind a long recognition, and the rows are there
  std::vector<Erkennung> erk;
  std::vector<std::size_t> vonListe;
  for (std::size_t i = 0; i < liste.size(); ++i) {
    auto e = u.Index.Eintrag(liste[i].Windows);
    if (!e || e->Zustand != Indexzustand::OcrAusstehend) continue;
    const std::uint32_t seiten = std::max<std::uint32_t>(e->Seiten, 1);
    erk.push_back({&liste[i], *e, u.Index.Text(e->Id), std::vector<Auszug>(seiten)});
    vonListe.push_back(i);
  }
  std::vector<std::pair<std::size_t, std::uint32_t>> seiten;  // file, page
  for (std::size_t w = 0; w < erk.size(); ++w)
    for (std::uint32_t s = 0; s < erk[w].Seiten.size(); ++s) seiten.emplace_back(w, s);
  std::vector<char> gelesen(seiten.size(), 0);
  const std::vector<std::size_t> rest = VorabGenommen(erk, seiten, gelesen, u);
  std::atomic<std::size_t> naechste{0};
  const std::function<void(Auslesedienst&)> arbeiten = [&](Auslesedienst& d) {
    for (std::size_t r; (r = naechste++) < rest.size();) {
      if (u.Vorrang()) return;
      const std::size_t j = rest[r];
      const auto [w, s] = seiten[j];
      erk[w].Seiten[s] = d.OcrSeite(erk[w].Auftrag->Host, s);
      if (u.Abbruch) return;
      gelesen[j] = 1;
    }
  };
  if (u.Weitere && rest.size() > 1)
    u.Weitere->Gemeinsam(arbeiten, u.Dienst);
  else if (!rest.empty())
    arbeiten(u.Dienst);
  for (std::size_t j = 0; j < seiten.size(); ++j)
    if (!gelesen[j]) fertig[vonListe[seiten[j].first]] = 0;
  for (std::size_t w = 0; w < erk.size(); ++w) {
    if (!fertig[vonListe[w]]) continue;
    if (u.Vorab) u.Vorab->Vergessen(erk[w].Auftrag->Host);
    Abschliessen(erk[w], u);
  }
  u.Schreiber.Festschreiben();
}

}  // namespace vxm::volltext
