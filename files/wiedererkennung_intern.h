// Helpers the register-wide recognition (wiedererkennung.cpp) shares with
// the follow-up of one folder (ordnernachpflege.cpp); not for other callers.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "files/wiedererkennung.h"

namespace vxm {

// What the planning decided for one row looked for.
struct Zuordnung::Plan {
  enum class Art { Umziehen, Beiseitelegen, GrundSetzen } art;
  std::size_t s = 0;  // index into suchende_
  std::size_t k = 0;  // index into kandidaten_ (Umziehen)
  std::string grund, hinweis;
};

}  // namespace vxm

namespace vxm::erkennung {

// Below this many items (candidates, moves), threads cost more than they save.
inline constexpr std::size_t kParallelAb = 1024;

// A file's Windows path from its folder and name.
std::string Ort(const std::string& ordner, const std::string& name);

// Where a row says its file is (and, when set aside, why).
struct Platz {
  std::string Name, Ordner, Grund;
};

// A file known to be the one row s's print read (its device and inode)
// holds what the print says if it is in the state read then (size, time
// certain and equal): k takes that content, unread.
inline bool WieAbgedruckt(Kandidat& k, const Suchender& s) {
  if (!s.Inhalt || !s.Mtime || *s.Mtime == kUnsicher || *s.Mtime != k.Stand.Mtime ||
      s.Inhalt->Groesse != k.Stand.Groesse)
    return false;
  k.Inhalt = s.Inhalt;
  k.Gekannt = true;
  return true;
}

// Whether statements go to a database server (whose SQL differs where
// SQLite's own functions are used).
inline bool AufServer(Datenbank& db) { return db.Handle() == nullptr; }
std::optional<Platz> RegisterZeile(Datenbank& db, int32_t nr);
std::optional<Platz> BeiseiteZeile(Datenbank& db, int32_t nr);
bool DateiDa(const std::string& ordner, const std::string& name);
std::optional<Suchender> RegistrierterSuchender(Datenbank& db, int32_t nr);
// Every file under the store root without a register row whose size is
// looked for becomes a candidate (with `zulassen`: only where it agrees).
void KandidatenSuchen(Datenbank& db, Zuordnung& z,
                      const std::function<bool(const std::filesystem::path&)>& zulassen = {});
// Looks for the files of `nummern` under the store root; sets aside what is not found.
Nachzug Nachziehen(Datenbank& db, const std::vector<int32_t>& nummern);
void Anhaengen(Nachzug& an, const Nachzug& von);
// Writes prints just read, in one transaction. Rows whose files were
// exchanged with the shell (every file read holds what another of these
// rows was known by) first follow their contents; `ordnerFalte` (folded,
// empty: any) limits that to rows of one folder. The exchanges go into `n`;
// the number of prints written is returned.
std::size_t AbdrueckeSchreiben(Datenbank& db, std::vector<Fingerabdruck> neu, const std::string& ordnerFalte, Nachzug& n);
Nachzug AbdrueckeSchreiben(Datenbank& db, std::vector<Fingerabdruck> neu, const std::string& ordnerFalte);
// Set-aside rows of `ordner` without a print whose file stands at its place
// again (named in `gefaltet`, folded): taken back.
Nachzug AmPlatzZurueckholen(Datenbank& db, const std::string& ordner, const std::unordered_set<std::string>& gefaltet);

}  // namespace vxm::erkennung
