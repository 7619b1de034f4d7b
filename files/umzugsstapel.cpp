// The moves of one batch of `abgleichen` and the folder upkeep: one
// statement per registered row that follows its file, with the checks of a
// single move folded into it.
#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "files/wiedererkennung.h"
#include "files/wiedererkennung_intern.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"
#include "platform/verbindung.h"

namespace vxm {

using erkennung::Ort;
using sql::Abfrage;

namespace {
// Below this many moves in a batch the statements per file are cheaper.
constexpr std::size_t kGemeinsamAb = 8;

// One statement per move: the row takes its new place only where it still
// is where it was judged and no row has the new place meanwhile (another
// process may have acted). Only what changed is written, with its folded
// twin, so each index entry is written once (the twins' triggers rest
// while the batch runs). ?1 number, ?2/?3 old name and folder, ?4/?5 new
// ones, ?6/?7 these folded.
constexpr const char* kUmzugNur[] = {
    "UPDATE main.Dateiinfo SET Dateiname = ?4, DateinameSchluessel = ?6",
    "UPDATE main.Dateiinfo SET Dateipfad = ?5, DateipfadSchluessel = ?7",
    "UPDATE main.Dateiinfo SET Dateiname = ?4, DateinameSchluessel = ?6, Dateipfad = ?5, DateipfadSchluessel = ?7",
};
constexpr const char* kUmzugWo =
    " WHERE Dateinummer = ?1 AND Dateiname = ?2 AND Dateipfad = ?3 AND NOT EXISTS (SELECT 1 FROM main.Dateiinfo x "
    "WHERE x.DateinameSchluessel = ?6 AND x.DateipfadSchluessel = ?7)";

// While the moves of a batch run, the triggers that would complete the
// twins they set themselves rest. (Inside the batch's transaction: a
// rollback brings them back as well.)
class ZwillingeSelbst {
 public:
  explicit ZwillingeSelbst(Datenbank& db) : v_(db.Anbindung()) { v_.ZwillingeSelbstSetzen("Dateiinfo", true); }
  ZwillingeSelbst(const ZwillingeSelbst&) = delete;
  ZwillingeSelbst& operator=(const ZwillingeSelbst&) = delete;
  void Ende() {
    if (std::exchange(fertig_, true)) return;
    v_.ZwillingeSelbstSetzen("Dateiinfo", false);
  }
  ~ZwillingeSelbst() {
    try {
      Ende();
    } catch (...) {  // the batch's rollback restores them
    }
  }

 private:
  Verbindung& v_;
  bool fertig_ = false;
};
}  // namespace

void Zuordnung::UmzuegeAnwenden(const std::vector<Plan>& plaene, std::size_t von, std::size_t bis,
                                const Weise& weise, std::vector<char>& erledigt,
                                std::vector<std::optional<Vorgang>>& fertig) {
  std::vector<std::size_t> auswahl;
  for (std::size_t i = von; i < bis; ++i)
    if (plaene[i].art == Plan::Art::Umziehen && !suchende_[plaene[i].s].Beiseite) auswahl.push_back(i);
  // (a server takes them one by one, with the checks of a single move)
  if (auswahl.size() < kGemeinsamAb || !db_.Handle()) return;
  static const std::string umzug[] = {std::string(kUmzugNur[0]) + kUmzugWo, std::string(kUmzugNur[1]) + kUmzugWo,
                                      std::string(kUmzugNur[2]) + kUmzugWo};
  Befehl* befehl[3] = {};  // looked up once a batch
  // A number twice in the batch moves once: only such numbers are tracked.
  std::unordered_set<int32_t> doppelt, gezogen;
  {
    std::vector<int32_t> nummern;
    nummern.reserve(auswahl.size());
    for (const std::size_t i : auswahl) nummern.push_back(suchende_[plaene[i].s].Nummer);
    std::sort(nummern.begin(), nummern.end());
    for (std::size_t j = 1; j < nummern.size(); ++j)
      if (nummern[j] == nummern[j - 1]) doppelt.insert(nummern[j]);
  }
  ZwillingeSelbst zwillinge(db_);
  for (const std::size_t i : auswahl) {
    erledigt[i - von] = 1;  // judged here, moved or not
    const Suchender& s = suchende_[plaene[i].s];
    const Kandidat& k = kandidaten_[plaene[i].k];
    const bool zweimal = !doppelt.empty() && doppelt.count(s.Nummer);
    if ((zweimal && gezogen.count(s.Nummer)) || !UmzugErlaubt(s, k, weise)) continue;
    const int art = (s.Name != k.Name ? 1 : 0) | (s.Ordner != k.Ordner ? 2 : 0);
    const int welche = art == 0 ? 2 : art - 1;
    if (!befehl[welche]) befehl[welche] = &db_.Anbindung().Gespeichert(umzug[welche]);
    const int64_t geaendert = Abfrage(db_, *befehl[welche])
                                  .Zahl(1, s.Nummer)
                                  .Text(2, s.Name)
                                  .Text(3, s.Ordner)
                                  .Text(4, k.Name)
                                  .Text(5, k.Ordner)
                                  .Text(6, Falten(k.Name))
                                  .Text(7, Falten(k.Ordner))
                                  .Ausfuehren();
    if (geaendert != 1) continue;
    if (zweimal) gezogen.insert(s.Nummer);
    Vorgang v;
    v.art = Vorgang::Art::Umgezogen;
    v.Dateinummer = s.Nummer;
    v.Von = Ort(s.Ordner, s.Name);
    v.Nach = Ort(k.Ordner, k.Name);
    AbdruckNachziehen(s, k, s.Nummer);
    fertig[i - von] = std::move(v);
  }
  zwillinge.Ende();
}

}  // namespace vxm
