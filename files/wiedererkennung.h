// Keywords follow files that were moved or renamed outside the program.
//
// Where the register would lose the rows of a vanished file, the store is
// searched for the same content (size first, the hash only where a size
// matches). A file with the same fingerprint and no register row of its own
// takes the rows over: its place goes into the Dateiinfo row, Dateinummer
// and links stay. Where nothing is found the rows are set aside: they leave
// the three register tables in the same transaction for tables of their own
// (vxm_beiseite, vxm_beiseite_verknuepfung), so no query lists them - ours
// and the host's SQL texts alike - and come back, with their Dateinummer and
// links, when the file turns up. Rows set aside longer than BeiseiteTage
// are dropped. Two candidates for one content are never guessed between:
// the rows wait, and the reason is kept for `pruefen`.
//
// Every change of one file is whole or not at all (one transaction; a batch
// of them at most), so a register left by a killed process holds every row
// at its old place, at its new place or set aside, each once.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "files/fingerabdruck.h"
#include "files/registervorhaben.h"
#include "platform/dateisystem.h"
#include "platform/datenbank.h"

namespace vxm {

// Why a row waits (column Grund of vxm_beiseite).
namespace grund {
inline constexpr const char* NichtGefunden = "nicht gefunden";
inline constexpr const char* OhneFingerabdruck = "ohne Fingerabdruck";
inline constexpr const char* Mehrdeutig = "mehrdeutig";
inline constexpr const char* Papierkorb = "Papierkorb";
}  // namespace grund

struct Vorgang {
  enum class Art { Umgezogen, Zurueckgeholt, Beiseitegelegt, Verworfen };
  Art art = Art::Umgezogen;
  int32_t Dateinummer = 0;
  std::string Von;   // old place, "folder\name"
  std::string Nach;  // new place (moves and returns)
  std::string Grund, Hinweis;
};
// One line for the user: "Umgezogen: C:\A\x.pdf -> C:\B\x.pdf", ...
std::string VorgangText(const Vorgang& v);
// The reason of a set-aside row in words.
std::string GrundText(const std::string& grund, const std::string& hinweis);

struct Nachzug {
  std::size_t Umgezogen = 0, Zurueckgeholt = 0, Beiseitegelegt = 0, Mehrdeutig = 0, Verworfen = 0;
  std::vector<Vorgang> Vorgaenge;
  void Dazu(const Vorgang& v);
};

// ---- what is looked for and what may be it

struct Suchender {
  int32_t Nummer = 0;
  std::string Name, Ordner;  // the register's (old) place
  bool Beiseite = false;     // waits in vxm_beiseite already
  std::string Grund, Hinweis;
  std::optional<DateiInhalt> Inhalt;
  std::optional<int64_t> Mtime;  // of the stored print, when the caller read it
  // Only a file at its own place takes it (into the trash: put back there,
  // with the content it had, it is that file; a copy elsewhere or another
  // file under its name is not).
  bool NurAmPlatz = false;
};

struct Kandidat {
  std::string Ordner, Name;  // Windows form
  std::filesystem::path Host;
  DateiStand Stand;
  std::optional<DateiInhalt> Inhalt;  // read on demand
  bool Gekannt = false;  // Inhalt is the print of this very file (its inode), not read
};

// Decides for each content whom a file belongs to, and carries it out.
class Zuordnung {
 public:
  explicit Zuordnung(Datenbank& db) : db_(db) {}

  void Suchen(Suchender s);
  // Every set-aside row joins the search (a file may turn up for it, and it
  // competes with a vanished row of the same content).
  void BeiseiteDazu();
  const std::vector<Suchender>& Suchende() const { return suchende_; }
  // Sizes of the contents looked for.
  bool GroesseGesucht(int64_t groesse) const;
  bool InhaltGesucht() const;
  // A file without a register row of its own whose size is looked for.
  void Dazu(Kandidat k) { kandidaten_.push_back(std::move(k)); }
  // A registered row whose file was just seen in its place (spares a look).
  void Vorhanden(int32_t nummer) { da_.insert(nummer); }
  // Rows outside the search that may want the same content are only these
  // (a walk that saw the rest): spares a register lookup per content.
  void AndereNur(std::vector<Suchender> andere);

  struct Weise {
    // Hears every change after its transaction was committed.
    std::function<void(const Vorgang&)> Melden;
    // Files changed per transaction (each file's change stays whole).
    std::size_t Stapel = 1;
    // Only re-links; nothing is set aside.
    bool NurUmzuege = false;
    // Before a move, look again: the old place still empty, the file still
    // as read (a walk that has just seen both may skip this).
    bool Nachpruefen = true;
  };
  // Reads the candidates whose size is looked for, decides, and writes. A
  // set-aside row without a print has only its place to be known by: a file
  // standing there again, without a row of its own, takes it back.
  Nachzug Ausfuehren(const Weise& weise);
  Nachzug Ausfuehren() { return Ausfuehren(Weise{}); }

 private:
  struct Plan;
  std::vector<Plan> Planen();
  // Set-aside rows bound to their place take the file found there.
  void AmPlatzPlanen(std::vector<Plan>& plaene) const;
  std::vector<std::string> Konkurrenten(const DateiInhalt& inhalt);
  bool Anwenden(const Plan& p, Vorgang& v, const Weise& weise);
  // The moves among plaene[von, bis) of registered rows, one statement each
  // (with its checks) instead of several; marks them in `erledigt` and
  // their reports in `fertig`.
  void UmzuegeAnwenden(const std::vector<Plan>& plaene, std::size_t von, std::size_t bis, const Weise& weise,
                       std::vector<char>& erledigt, std::vector<std::optional<Vorgang>>& fertig);
  void AbdruckNachziehen(const Suchender& s, const Kandidat& k, int32_t nummer);
  void GekannteUebernehmen(std::vector<Kandidat>& kandidaten);
  void AmAltenPlatzDazu();
  bool UmzugErlaubt(const Suchender& s, const Kandidat& k, const Weise& weise) const;

  Datenbank& db_;
  std::vector<Suchender> suchende_;
  std::vector<Kandidat> kandidaten_;
  std::unordered_set<int64_t> groessen_;
  std::unordered_set<int32_t> da_;
  std::unordered_set<int32_t> suchend_;  // numbers of suchende_, while planning
  std::optional<std::unordered_multimap<std::string, Suchender>> andere_;
  // Folded places of set-aside rows without a print, with the candidate
  // found standing there (SIZE_MAX: none yet).
  std::unordered_map<std::string, std::size_t> amPlatz_;
  std::vector<Vorhaben> offen_;  // records of unfinished changes, read in each transaction
};

// ---- the register operations on one file (inside the caller's transaction)

// Moves the Dateiinfo row and its links into the set-aside tables.
void ZeileBeiseitelegen(Datenbank& db, int32_t nummer, const std::string& grund, const std::string& hinweis);
// The row of a registered file takes a new place.
void ZeileUmziehen(Datenbank& db, int32_t nummer, const std::string& name, const std::string& ordner);
// A set-aside row comes back into the register at a place; false when its
// number was taken meanwhile (the row then comes back under a new one).
int32_t ZeileZurueckholen(Datenbank& db, int32_t nummer, const std::string& name, const std::string& ordner);
// Drops a set-aside row for good (with its links and fingerprint).
void BeiseiteVerwerfen(Datenbank& db, int32_t nummer);

// ---- entry points

// The store root that is searched: the document root of the component state.
std::string AblageWurzel();

// Rows the clean-up found without their files: their content is looked for
// under the store root; rows without a match are set aside.
Nachzug VerschwundeneNachziehen(Datenbank& db, const std::vector<int32_t>& nummern);

// Upkeep of a folder just listed by the clean-up: fingerprints of its
// registered files taken where missing or out of date (at most
// `leseBudget` bytes read per call, the rest next time), rows elsewhere whose
// files turn up here (set aside, or their old place gone) re-linked, and
// set-aside rows past their time dropped. Writes nothing when nothing changed.
inline constexpr int64_t kLeseBudget = 64ll << 20;
Nachzug OrdnerNachpflegen(Datenbank& db, const std::string& ordner, const std::vector<DateiEintrag>& eintraege,
                          int64_t leseBudget = kLeseBudget);

// What the folder watcher saw in the shown folder since its last look: a
// vanished registered file and an appeared file of the same content are one
// file renamed or moved; a file that appeared with the content of a row
// whose file is gone elsewhere (or set aside), or at the place of a row set
// aside without a print (put back from the trash), takes that row. With
// `anderswoSeit` (nanoseconds since the epoch; negative: not), a vanished
// one is also looked for under the store root: a file without a row of its
// own, of the same content, that was moved or made there since then (its
// inode changed since) is where it went. The watcher asks that only once
// the file has stayed away a while: a program rewriting a file leaves its
// place empty for a moment, and an old untagged copy elsewhere must never
// take its keywords. Nothing is set aside here; the clean-up decides that.
Nachzug BeobachtungNachziehen(Datenbank& db, const std::string& ordner, const std::vector<std::string>& verschwunden,
                              const std::vector<std::string>& erschienen, int64_t anderswoSeit = -1);

// The watcher saw, in the shown folder, the sub-folder `alt` vanish and
// `neu` appear (full Windows paths). When a registered file of `alt` is
// found with its content at the same place under `neu`, the folder was
// renamed: the rows of `alt` and every folder below it follow (as
// RegisterOrdnerNachziehen). The number of rows moved; 0 when unsure.
int64_t OrdnerUmbenennungNachziehen(Datenbank& db, const std::string& alt, const std::string& neu);

// A file about to be tagged that has no row of its own takes back the row
// set aside at its very place (a file put back from the trash), so its old
// keywords are not left waiting beside a new row. True when one came back.
bool AmPlatzWartendeZurueckholen(Datenbank& db, const std::string& ordner, const std::string& name);

// Drops set-aside rows older than BeiseiteTage.
Nachzug AbgelaufeneVerwerfen(Datenbank& db, const std::function<void(const Vorgang&)>& melden = {});

// ---- for `pruefen`

struct BeiseiteEintrag {
  int32_t Dateinummer = 0;
  std::string Dateiname, Dateipfad, Grund, Hinweis;
  int64_t Seit = 0;
  std::size_t Verknuepfungen = 0;
};
std::vector<BeiseiteEintrag> BeiseiteListe(Datenbank& db);

// Faults in the tables of this module: set-aside rows that are also
// registered, links without their row. One line each; empty when sound.
std::vector<std::string> AbgleichBefunde(Datenbank& db);

}  // namespace vxm
