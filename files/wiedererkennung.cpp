#include "files/wiedererkennung.h"
#include "files/wiedererkennung_intern.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <span>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "basis/zustand.h"
#include "files/bestandslauf.h"
#include "files/registerpflege.h"
#include "files/registervorhaben.h"
#include "keywords/registerzugriff.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/oeffner.h"
#include "platform/parallel.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"
#include "platform/verbindung.h"

namespace vxm {
namespace erkennung {

using sql::Abfrage;

int32_t Nummer(const Abfrage& a, int i) { return static_cast<int32_t>(a.ZahlSpalte(i)); }
std::string Text(const Abfrage& a, int i) { return std::string(a.Spalte(i)); }

std::string Ort(const std::string& ordner, const std::string& name) { return ordner + "\\" + name; }

// The folded place of a file: the key that names it whatever the spelling.
std::string OrtFalte(std::string ordner, const std::string& name) {
  while (!ordner.empty() && ordner.back() == '\\') ordner.pop_back();
  return Falten(Ort(ordner, name));
}


std::optional<Platz> RegisterZeile(Datenbank& db, int32_t nr) {
  Abfrage a(db, "SELECT Dateiname, Dateipfad FROM Dateiinfo WHERE Dateinummer = ?1");
  if (!a.Zahl(1, nr).Zeile()) return std::nullopt;
  return Platz{Text(a, 0), Text(a, 1), {}};
}

std::optional<Platz> BeiseiteZeile(Datenbank& db, int32_t nr) {
  Abfrage a(db, "SELECT Dateiname, Dateipfad, Grund FROM vxm_beiseite WHERE Dateinummer = ?1");
  if (!a.Zahl(1, nr).Zeile()) return std::nullopt;
  return Platz{Text(a, 0), Text(a, 1), Text(a, 2)};
}

bool DateiDa(const std::string& ordner, const std::string& name) {
  return vxm::DateiDa(*Dienste().Dateien, Ort(ordner, name));
}

std::string InhaltSchluessel(const DateiInhalt& i) { return std::to_string(i.Groesse) + ":" + i.Hash; }

// A set-aside row as a query gives it: number, name, folder, reason and
// note first, its print (size, hash, time; null without one) from `druck` on.
Suchender BeiseiteGelesen(const Abfrage& a, int druck) {
  Suchender x;
  x.Nummer = Nummer(a, 0);
  x.Name = a.Spalte(1);
  x.Ordner = a.Spalte(2);
  x.Beiseite = true;
  x.Grund = a.Spalte(3);
  x.Hinweis = a.Spalte(4);
  x.NurAmPlatz = x.Grund == grund::Papierkorb;
  if (!a.IstNull(druck)) {
    x.Inhalt = DateiInhalt{a.ZahlSpalte(druck), Text(a, druck + 1)};
    x.Mtime = a.ZahlSpalte(druck + 2);
  }
  return x;
}

// A set-aside row that only the file at its own place can take back.
bool AmPlatzGesucht(const Suchender& s) { return s.Beiseite && (!s.Inhalt || s.NurAmPlatz); }

// At most a few places named in a reason; the rest counted.
std::string Orte(const std::vector<std::string>& orte) {
  std::string s;
  for (std::size_t i = 0; i < orte.size() && i < 5; ++i) s += (i ? "; " : "") + orte[i];
  if (orte.size() > 5) s += "; und " + std::to_string(orte.size() - 5) + " weitere";
  return s;
}

// Whether a change left unfinished by a crash names this place: its rows
// wait for that record (completed when the register is opened), else the
// completion would later remove a row re-linked here or miss one moved away.
bool VonVorhabenBelegt(const std::vector<Vorhaben>& offen, const std::string& ordner, const std::string& name) {
  if (offen.empty()) return false;  // the common case, without folding
  const std::string o = Falten(ordner);
  auto imOderUnter = [&](const std::string& wurzel) {
    const std::string w = Falten(wurzel);
    return o.compare(0, w.size(), w) == 0 && (o.size() == w.size() || o[w.size()] == '\\');
  };
  for (const Vorhaben& v : offen) {
    if (v.Art == VorhabenArt::OrdnerUmbenennen) {
      if (imOderUnter(v.QuellOrdner) || imOderUnter(v.ZielOrdner)) return true;
    } else if ((GleichOhneFall(ordner, v.QuellOrdner) && GleichOhneFall(name, v.QuellName)) ||
               (GleichOhneFall(ordner, v.ZielOrdner) && GleichOhneFall(name, v.ZielName))) {
      return true;
    }
  }
  return false;
}

int32_t Anzahl(const char* sql, Datenbank& db) {
  Abfrage a(db, sql);
  return a.Zeile() ? Nummer(a, 0) : 0;
}

}  // namespace erkennung

using namespace erkennung;

// ------------------------------------------------------------------ texts

std::string GrundText(const std::string& g, const std::string& hinweis) {
  if (g == grund::NichtGefunden) return "keine Datei mit gleichem Inhalt unter der Ablage gefunden";
  if (g == grund::OhneFingerabdruck)
    return "kein Fingerabdruck: die Datei verschwand, bevor ihr Inhalt erfasst war";
  if (g == grund::Mehrdeutig) return hinweis + "; es wird nicht geraten";
  if (g == grund::Papierkorb)
    return "in den Papierkorb gelegt; an ihren Platz zurückgelegt, bekommt die Datei ihre Keywörter wieder";
  return hinweis.empty() ? g : hinweis;
}

std::string VorgangText(const Vorgang& v) {
  switch (v.art) {
    case Vorgang::Art::Umgezogen:
      return "Umgezogen: " + v.Von + " -> " + v.Nach;
    case Vorgang::Art::Zurueckgeholt:
      return "Zurückgeholt: " + v.Von + " -> " + v.Nach;
    case Vorgang::Art::Beiseitegelegt:
      return "Beiseitegelegt: " + v.Von + " (" + GrundText(v.Grund, v.Hinweis) + ")";
    case Vorgang::Art::Verworfen:
      return "Verworfen: " + v.Von + " (" + v.Hinweis + ")";
  }
  return {};
}

void Nachzug::Dazu(const Vorgang& v) {
  switch (v.art) {
    case Vorgang::Art::Umgezogen: ++Umgezogen; break;
    case Vorgang::Art::Zurueckgeholt: ++Zurueckgeholt; break;
    case Vorgang::Art::Beiseitegelegt:
      ++Beiseitegelegt;
      if (v.Grund == grund::Mehrdeutig) ++Mehrdeutig;
      break;
    case Vorgang::Art::Verworfen: ++Verworfen; break;
  }
  Vorgaenge.push_back(v);
}

// --------------------------------------------------- operations on one file

void ZeileBeiseitelegen(Datenbank& db, int32_t nr, const std::string& g, const std::string& hinweis) {
  const auto z = RegisterZeile(db, nr);
  if (!z) return;
  Abfrage(db,
          "INSERT INTO vxm_beiseite (Dateinummer, Dateiname, Dateipfad, NameFaltung, PfadFaltung, Seit, Grund, "
          "Hinweis) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8) ON CONFLICT (Dateinummer) DO UPDATE SET "
          "Dateiname = excluded.Dateiname, Dateipfad = excluded.Dateipfad, NameFaltung = excluded.NameFaltung, "
          "PfadFaltung = excluded.PfadFaltung, Seit = excluded.Seit, Grund = excluded.Grund, "
          "Hinweis = excluded.Hinweis")
      .Zahl(1, nr)
      .Text(2, z->Name)
      .Text(3, z->Ordner)
      .Text(4, Falten(z->Name))
      .Text(5, Falten(z->Ordner))
      .Zahl(6, JetztSekunden())
      .Text(7, g)
      .Text(8, hinweis)
      .Ausfuehren();
  for (const char* sql : {"DELETE FROM vxm_beiseite_verknuepfung WHERE Dateinummer = ?1",
                          "INSERT INTO vxm_beiseite_verknuepfung (Dateinummer, KeywordID, Folge) "
                          "SELECT Dateinummer, KeywordID, rowid FROM KeywordZwischentabelle WHERE Dateinummer = ?1",
                          "DELETE FROM KeywordZwischentabelle WHERE Dateinummer = ?1",
                          "DELETE FROM Dateiinfo WHERE Dateinummer = ?1"})
    Abfrage(db, sql).Zahl(1, nr).Ausfuehren();
}

namespace {

// Only what changed is written; the database layer keeps the folded twins
// (and the indexes on them) current for every column written.
void Umziehen(Datenbank& db, int32_t nr, const Platz& alt, const std::string& name, const std::string& ordner) {
  if (alt.Name != name) {
    Abfrage(db, "UPDATE Dateiinfo SET Dateiname = ?1 WHERE Dateinummer = ?2").Text(1, name).Zahl(2, nr).Ausfuehren();
  }
  if (alt.Ordner != ordner) {
    Abfrage(db, "UPDATE Dateiinfo SET Dateipfad = ?1 WHERE Dateinummer = ?2").Text(1, ordner).Zahl(2, nr).Ausfuehren();
  }
}

}  // namespace

void ZeileUmziehen(Datenbank& db, int32_t nr, const std::string& name, const std::string& ordner) {
  if (const auto alt = RegisterZeile(db, nr)) Umziehen(db, nr, *alt, name, ordner);
}

int32_t ZeileZurueckholen(Datenbank& db, int32_t nr, const std::string& name, const std::string& ordner) {
  // Only a register without AUTOINCREMENT hands a number out twice.
  const bool vergeben = RegisterZeile(db, nr).has_value();
  sql::Einfuegen e(db, vergeben ? "INSERT INTO Dateiinfo (Dateiname, Dateipfad, DateinameSchluessel, "
                                  "DateipfadSchluessel) VALUES (?2, ?3, ?4, ?5)"
                                : "INSERT INTO Dateiinfo (Dateinummer, Dateiname, Dateipfad, DateinameSchluessel, "
                                  "DateipfadSchluessel) VALUES (?1, ?2, ?3, ?4, ?5)");
  if (!vergeben) e.Zahl(1, nr);
  const auto neu = static_cast<int32_t>(
      e.Text(2, name).Text(3, ordner).Text(4, Falten(name)).Text(5, Falten(ordner)).Ausfuehren());
  Abfrage(db,
          "INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) "
          "SELECT CAST(?2 AS INTEGER), KeywordID FROM vxm_beiseite_verknuepfung WHERE Dateinummer = ?1 ORDER BY Folge")
      .Zahl(1, nr)
      .Zahl(2, neu)
      .Ausfuehren();
  if (neu != nr) {
    Abfrage(db, "DELETE FROM vxm_fingerabdruck WHERE Dateinummer = ?1").Zahl(1, neu).Ausfuehren();
    Abfrage(db, "UPDATE vxm_fingerabdruck SET Dateinummer = ?2 WHERE Dateinummer = ?1").Zahl(1, nr).Zahl(2, neu).Ausfuehren();
  }
  for (const char* sql : {"DELETE FROM vxm_beiseite_verknuepfung WHERE Dateinummer = ?1",
                          "DELETE FROM vxm_beiseite WHERE Dateinummer = ?1"})
    Abfrage(db, sql).Zahl(1, nr).Ausfuehren();
  return neu;
}

void BeiseiteVerwerfen(Datenbank& db, int32_t nr) {
  for (const char* sql : {"DELETE FROM vxm_beiseite_verknuepfung WHERE Dateinummer = ?1",
                          "DELETE FROM vxm_beiseite WHERE Dateinummer = ?1",
                          "DELETE FROM vxm_fingerabdruck WHERE Dateinummer = ?1"})
    Abfrage(db, sql).Zahl(1, nr).Ausfuehren();
}

// ------------------------------------------------------------- Zuordnung

void Zuordnung::BeiseiteDazu() {
  if (!AbgleichTabellenDa(db_)) return;
  std::unordered_set<int32_t> schon;
  for (const auto& s : suchende_) schon.insert(s.Nummer);
  Abfrage a(db_,
            "SELECT b.Dateinummer, b.Dateiname, b.Dateipfad, b.Grund, b.Hinweis, f.Groesse, f.Hash, f.Mtime "
            "FROM vxm_beiseite b LEFT JOIN vxm_fingerabdruck f ON f.Dateinummer = b.Dateinummer ORDER BY b.Dateinummer");
  while (a.Zeile()) {
    if (schon.count(Nummer(a, 0))) continue;
    Suchender x = BeiseiteGelesen(a, 5);
    if (x.Inhalt && !x.NurAmPlatz) groessen_.insert(x.Inhalt->Groesse);
    suchende_.push_back(std::move(x));
  }
}

void Zuordnung::Suchen(Suchender s) {
  if (s.Inhalt && !s.NurAmPlatz) groessen_.insert(s.Inhalt->Groesse);
  suchende_.push_back(std::move(s));
}

bool Zuordnung::GroesseGesucht(int64_t g) const { return groessen_.count(g) > 0; }
bool Zuordnung::InhaltGesucht() const { return !groessen_.empty(); }

namespace {

// Why rows of one content wait: the files (and rows) that share it.
std::string MehrdeutigHinweis(const std::vector<std::string>& eintraege, const std::vector<std::string>& dateien) {
  if (eintraege.size() == 1) return std::to_string(dateien.size()) + " Dateien mit gleichem Inhalt: " + Orte(dateien);
  return std::to_string(eintraege.size()) + " Einträge mit gleichem Inhalt (" + Orte(eintraege) + ") und " +
         (dateien.size() == 1 ? std::string("eine passende Datei: ")
                              : std::to_string(dateien.size()) + " passende Dateien: ") +
         Orte(dateien);
}

}  // namespace

namespace {
// A content and who has it, sorted by content: rows and files of one
// content meet in one pass over both lists, without a key text per file.
// Size and the hash's first bytes are kept beside the pointer: most
// comparisons end there, without a visit to the row or file.
struct JeInhalt {
  JeInhalt(const DateiInhalt* x, std::size_t n) : groesse(x->Groesse), inhalt(x), i(n) {
    // the first 8 bytes as a number that sorts as they do (shorter: filled with 0)
    for (std::size_t b = 0; b < 8; ++b)
      vor = vor << 8 | (b < x->Hash.size() ? static_cast<unsigned char>(x->Hash[b]) : 0U);
  }
  int64_t groesse;
  uint64_t vor = 0;
  const DateiInhalt* inhalt;
  std::size_t i;
  // Order of content (size, hash), then of position.
  static int Vergleich(const JeInhalt& a, const JeInhalt& b) {
    if (a.groesse != b.groesse) return a.groesse < b.groesse ? -1 : 1;
    if (a.vor != b.vor) return a.vor < b.vor ? -1 : 1;
    return a.inhalt->Hash.compare(b.inhalt->Hash);
  }
  bool operator<(const JeInhalt& o) const {
    const int v = Vergleich(*this, o);
    return v != 0 ? v < 0 : i < o.i;
  }
};
}  // namespace

std::vector<Zuordnung::Plan> Zuordnung::Planen() {
  std::vector<Plan> plaene;
  plaene.reserve(suchende_.size());
  suchend_.clear();
  for (const auto& s : suchende_) suchend_.insert(s.Nummer);
  std::vector<JeInhalt> suchendeJe, kandidatenJe;
  suchendeJe.reserve(suchende_.size());
  kandidatenJe.reserve(kandidaten_.size());
  for (std::size_t i = 0; i < suchende_.size(); ++i) {
    const auto& s = suchende_[i];
    if (s.NurAmPlatz) continue;  // its own place only (below)
    if (s.Inhalt) {
      suchendeJe.push_back({&*s.Inhalt, i});
    } else if (!s.Beiseite) {
      plaene.push_back({Plan::Art::Beiseitelegen, i, 0, grund::OhneFingerabdruck, {}});
    }
  }
  for (std::size_t i = 0; i < kandidaten_.size(); ++i)
    if (kandidaten_[i].Inhalt) kandidatenJe.push_back({&*kandidaten_[i].Inhalt, i});
  // (the two sorts side by side where they are long)
  const auto sortieren = [&](std::size_t i) {
    auto& je = i == 0 ? suchendeJe : kandidatenJe;
    std::sort(je.begin(), je.end());
  };
  AufAllenKernenAb(2, suchendeJe.size() + kandidatenJe.size() >= 2 * kParallelAb ? 0 : 3, sortieren);
  std::size_t ka = 0;
  for (std::size_t a = 0, e = 0; a < suchendeJe.size(); a = e) {
    const JeInhalt& je = suchendeJe[a];
    const DateiInhalt& inhalt = *je.inhalt;
    for (e = a; e < suchendeJe.size() && JeInhalt::Vergleich(suchendeJe[e], je) == 0;) ++e;
    while (ka < kandidatenJe.size() && JeInhalt::Vergleich(kandidatenJe[ka], je) < 0) ++ka;
    std::size_t kb = ka;
    while (kb < kandidatenJe.size() && JeInhalt::Vergleich(kandidatenJe[kb], je) == 0) ++kb;
    const auto r = std::span<const JeInhalt>(suchendeJe).subspan(a, e - a);
    const auto c = std::span<const JeInhalt>(kandidatenJe).subspan(ka, kb - ka);
    std::vector<std::string> fremde;
    if (r.size() == 1 && c.size() == 1) {
      // Rows outside this search whose files are gone as well want it too.
      fremde = Konkurrenten(inhalt);
      if (fremde.empty()) {
        plaene.push_back({Plan::Art::Umziehen, r[0].i, c[0].i, {}, {}});
        continue;
      }
    }
    std::vector<std::string> eintraege;
    for (const auto& j : r) eintraege.push_back(Ort(suchende_[j.i].Ordner, suchende_[j.i].Name));
    eintraege.insert(eintraege.end(), fremde.begin(), fremde.end());
    std::string g = grund::NichtGefunden, hinweis;
    if (!c.empty()) {
      g = grund::Mehrdeutig;
      std::vector<std::string> dateien;
      dateien.reserve(c.size());
      for (const auto& j : c) dateien.push_back(Ort(kandidaten_[j.i].Ordner, kandidaten_[j.i].Name));
      hinweis = MehrdeutigHinweis(eintraege, dateien);
    }
    for (const auto& j : r) {
      const std::size_t i = j.i;
      const auto& s = suchende_[i];
      if (!s.Beiseite)
        plaene.push_back({Plan::Art::Beiseitelegen, i, 0, g, hinweis});
      else if (s.Grund != g || s.Hinweis != hinweis)
        plaene.push_back({Plan::Art::GrundSetzen, i, 0, g, hinweis});
    }
  }
  AmPlatzPlanen(plaene);
  // In the rows' order; the plans themselves (with their texts) moved once.
  std::vector<uint32_t> folge(plaene.size());
  for (uint32_t j = 0; j < folge.size(); ++j) folge[j] = j;
  std::sort(folge.begin(), folge.end(),
            [&](uint32_t a, uint32_t b) { return std::tie(plaene[a].s, a) < std::tie(plaene[b].s, b); });
  std::vector<Plan> geordnet;
  geordnet.reserve(plaene.size());
  for (const uint32_t j : folge) geordnet.push_back(std::move(plaene[j]));
  return geordnet;
}

// Set-aside rows without a print, or bound to their place: the file at
// their place (with the content the print knows, where there is one),
// unless a content already claimed it.
void Zuordnung::AmPlatzPlanen(std::vector<Plan>& plaene) const {
  if (amPlatz_.empty()) return;  // no row is bound to its place
  std::unordered_set<std::size_t> vergeben;
  for (const auto& p : plaene)
    if (p.art == Plan::Art::Umziehen) vergeben.insert(p.k);
  for (std::size_t i = 0; i < suchende_.size(); ++i) {
    const auto& s = suchende_[i];
    if (!AmPlatzGesucht(s)) continue;
    const auto it = amPlatz_.find(OrtFalte(s.Ordner, s.Name));
    if (it == amPlatz_.end() || it->second >= kandidaten_.size()) continue;
    if (s.Inhalt && !(kandidaten_[it->second].Inhalt == s.Inhalt)) continue;
    if (!vergeben.insert(it->second).second) continue;
    plaene.push_back({Plan::Art::Umziehen, i, it->second, {}, {}});
  }
}

void Zuordnung::AmAltenPlatzDazu() {
  amPlatz_.clear();
  std::optional<std::unordered_set<std::string>> kandidatenOrte;  // made when first needed
  for (const auto& s : suchende_) {
    if (!AmPlatzGesucht(s)) continue;
    const std::string ort = OrtFalte(s.Ordner, s.Name);
    if (amPlatz_.count(ort)) continue;  // (two rows of one place: the first)
    amPlatz_[ort] = SIZE_MAX;
    if (!kandidatenOrte) {
      kandidatenOrte.emplace();
      for (const auto& k : kandidaten_) kandidatenOrte->insert(OrtFalte(k.Ordner, k.Name));
    }
    if (kandidatenOrte->count(ort) || DateiNummerSuchen(db_, s.Name, s.Ordner) != 0) continue;
    std::filesystem::path host;
    try {
      host = HostPfadVon(Ort(s.Ordner, s.Name));
    } catch (const VbFehler&) {
      continue;
    }
    if (const auto stand = StandLesen(host)) kandidaten_.push_back({s.Ordner, s.Name, host, *stand, std::nullopt});
  }
}

void Zuordnung::AndereNur(std::vector<Suchender> andere) {
  andere_.emplace();
  for (auto& a : andere)
    if (a.Inhalt) andere_->emplace(InhaltSchluessel(*a.Inhalt), std::move(a));
}

std::vector<std::string> Zuordnung::Konkurrenten(const DateiInhalt& inhalt) {
  std::vector<std::string> orte;
  if (andere_) {
    if (andere_->empty()) return orte;
    const auto [von, bis] = andere_->equal_range(InhaltSchluessel(inhalt));
    for (auto it = von; it != bis; ++it)
      if (!suchend_.count(it->second.Nummer) && !DateiDa(it->second.Ordner, it->second.Name))
        orte.push_back(Ort(it->second.Ordner, it->second.Name));
    return orte;
  }
  if (!AbgleichTabellenDa(db_)) return orte;
  std::vector<std::pair<Platz, bool>> gleiche;  // place, set aside
  {
    Abfrage a(db_,
              "SELECT f.Dateinummer, d.Dateiname, d.Dateipfad, b.Dateiname, b.Dateipfad FROM vxm_fingerabdruck f "
              "LEFT JOIN Dateiinfo d ON d.Dateinummer = f.Dateinummer LEFT JOIN vxm_beiseite b ON b.Dateinummer = "
              "f.Dateinummer AND b.Grund <> 'Papierkorb' WHERE f.Groesse = ?1 AND f.Hash = ?2");
    a.Zahl(1, inhalt.Groesse).Text(2, inhalt.Hash);
    while (a.Zeile()) {
      const int32_t nr = Nummer(a, 0);
      if (suchend_.count(nr) || da_.count(nr)) continue;
      if (!a.IstNull(1))
        gleiche.push_back({{Text(a, 1), Text(a, 2), {}}, false});
      else if (!a.IstNull(3))
        gleiche.push_back({{Text(a, 3), Text(a, 4), {}}, true});
    }
  }
  // A registered copy still in its place wants nothing; a set-aside one waits for its file.
  for (const auto& [p, beiseite] : gleiche)
    if (beiseite || !DateiDa(p.Ordner, p.Name)) orte.push_back(Ort(p.Ordner, p.Name));
  return orte;
}

bool Zuordnung::Anwenden(const Plan& p, Vorgang& v, const Weise& weise) {
  const Suchender& s = suchende_[p.s];
  v = {};
  v.Dateinummer = s.Nummer;
  v.Von = Ort(s.Ordner, s.Name);
  const auto zeile = s.Beiseite ? BeiseiteZeile(db_, s.Nummer) : RegisterZeile(db_, s.Nummer);
  // Another process may have acted meanwhile: only the state we judged is changed.
  if (!zeile || !GleichOhneFall(zeile->Name, s.Name) || !GleichOhneFall(zeile->Ordner, s.Ordner)) return false;
  if (!s.Beiseite && VonVorhabenBelegt(offen_, s.Ordner, s.Name)) return false;
  switch (p.art) {
    case Plan::Art::Umziehen: {
      const Kandidat& k = kandidaten_[p.k];
      if (!UmzugErlaubt(s, k, weise) || DateiNummerSuchen(db_, k.Name, k.Ordner) != 0) return false;
      v.Nach = Ort(k.Ordner, k.Name);
      if (s.Beiseite) {
        v.art = Vorgang::Art::Zurueckgeholt;
        v.Dateinummer = ZeileZurueckholen(db_, s.Nummer, k.Name, k.Ordner);
      } else {
        v.art = Vorgang::Art::Umgezogen;
        Umziehen(db_, s.Nummer, *zeile, k.Name, k.Ordner);
      }
      AbdruckNachziehen(s, k, v.Dateinummer);
      return true;
    }
    case Plan::Art::Beiseitelegen:
      if (DateiDa(s.Ordner, s.Name)) return false;  // back meanwhile
      v.art = Vorgang::Art::Beiseitegelegt;
      v.Grund = p.grund;
      v.Hinweis = p.hinweis;
      ZeileBeiseitelegen(db_, s.Nummer, p.grund, p.hinweis);
      return true;
    case Plan::Art::GrundSetzen: {
      Abfrage(db_, "UPDATE vxm_beiseite SET Grund = ?2, Hinweis = ?3 WHERE Dateinummer = ?1")
          .Zahl(1, s.Nummer)
          .Text(2, p.grund)
          .Text(3, p.hinweis)
          .Ausfuehren();
      return false;  // still waiting: nothing to report
    }
  }
  return false;
}

// What a move needs besides the register: no unfinished change names either
// place, and (when asked) the file is still as read and the old place empty.
bool Zuordnung::UmzugErlaubt(const Suchender& s, const Kandidat& k, const Weise& weise) const {
  if ((!s.Beiseite && VonVorhabenBelegt(offen_, s.Ordner, s.Name)) || VonVorhabenBelegt(offen_, k.Ordner, k.Name))
    return false;
  if (!weise.Nachpruefen) return true;
  const auto jetzt = StandLesen(k.Host);
  return jetzt && *jetzt == k.Stand && (s.Beiseite || !DateiDa(s.Ordner, s.Name));
}

// The print describes the file as just read; a moved file mostly keeps its
// time, and then the stored print stands as it is, learning the file it
// now is (a copy to another disk is another inode).
void Zuordnung::AbdruckNachziehen(const Suchender& s, const Kandidat& k, int32_t nummer) {
  // the contents are equal: that is the match
  if (s.Mtime && *s.Mtime == AbdruckMtime(k.Stand)) {
    if (!k.Gekannt) KennungSchreiben(db_, nummer, k.Stand);
    return;
  }
  const Fingerabdruck neu = Abdruck(nummer, *k.Inhalt, k.Stand);
  if (!s.Mtime) {
    Abfrage a(db_, "SELECT Groesse, Hash, Mtime FROM vxm_fingerabdruck WHERE Dateinummer = ?1");
    if (a.Zahl(1, nummer).Zeile() && a.ZahlSpalte(0) == neu.Inhalt.Groesse && a.Spalte(1) == neu.Inhalt.Hash &&
        a.ZahlSpalte(2) == neu.Mtime)
      return;
  }
  FingerabdruckSchreiben(db_, neu);
}

// A file that is the very one a row's print read (device and inode), in
// the state it was read then (size, time), holds that print's content: it
// is not read again. Two rows whose prints name one file: it is read.
void Zuordnung::GekannteUebernehmen(std::vector<Kandidat>& kandidaten) {
  std::unordered_set<int64_t> groessen;
  for (const Kandidat& k : kandidaten)
    if (!k.Inhalt) groessen.insert(k.Stand.Groesse);
  if (groessen.empty() || !KennungDa(db_)) return;
  std::map<std::pair<int64_t, int64_t>, const Suchender*> nachDatei;
  for (const Suchender& s : suchende_) {
    if (!s.Inhalt || !s.Mtime || *s.Mtime == kUnsicher || !groessen.count(s.Inhalt->Groesse)) continue;
    Abfrage a(db_, "SELECT Geraet, Inode FROM vxm_fingerabdruck WHERE Dateinummer = ?1 AND Inode IS NOT NULL");
    if (!a.Zahl(1, s.Nummer).Zeile()) continue;
    const auto [it, neu] = nachDatei.emplace(std::pair{a.ZahlSpalte(0), a.ZahlSpalte(1)}, &s);
    if (!neu) it->second = nullptr;
  }
  for (Kandidat& k : kandidaten) {
    if (k.Inhalt) continue;
    const auto it = nachDatei.find({k.Stand.Geraet, k.Stand.Inode});
    if (it != nachDatei.end() && it->second) WieAbgedruckt(k, *it->second);
  }
}

Nachzug Zuordnung::Ausfuehren(const Weise& weise) {
  AmAltenPlatzDazu();
  // Only candidates of a size or place looked for are read, each once (a
  // place folded alike in two folders, "Akte" and "AKTE", is one), on all cores.
  std::vector<std::string> orte(kandidaten_.size());
  AufAllenKernenAb(orte.size(), kParallelAb,
                   [&](std::size_t i) { orte[i] = OrtFalte(kandidaten_[i].Ordner, kandidaten_[i].Name); });
  std::unordered_set<std::string_view> gesehen;
  std::vector<Kandidat> gelesen;
  gesehen.reserve(kandidaten_.size());
  gelesen.reserve(kandidaten_.size());
  for (std::size_t i = 0; i < kandidaten_.size(); ++i) {
    Kandidat& k = kandidaten_[i];
    const bool platzGesucht = !amPlatz_.empty() && amPlatz_.count(orte[i]);
    if (!k.Inhalt && !GroesseGesucht(k.Stand.Groesse) && !platzGesucht) continue;
    if (!gesehen.insert(orte[i]).second) continue;
    gelesen.push_back(std::move(k));
  }
  GekannteUebernehmen(gelesen);
  std::vector<char> brauchbar(gelesen.size(), 1);
  AufAllenKernen(gelesen.size(), [&](std::size_t i) {
    Kandidat& k = gelesen[i];
    if (k.Inhalt) return;
    k.Inhalt = InhaltLesen(k.Host, k.Stand);
    brauchbar[i] = k.Inhalt ? 1 : 0;  // unreadable, or changed since the walk
  });
  kandidaten_.clear();
  for (std::size_t i = 0; i < gelesen.size(); ++i) {
    if (!brauchbar[i]) continue;
    if (!amPlatz_.empty())
      if (const auto it = amPlatz_.find(OrtFalte(gelesen[i].Ordner, gelesen[i].Name)); it != amPlatz_.end())
        it->second = kandidaten_.size();
    kandidaten_.push_back(std::move(gelesen[i]));
  }

  Nachzug n;
  auto plaene = Planen();

  if (weise.NurUmzuege)
    std::erase_if(plaene, [](const Plan& p) { return p.art != Plan::Art::Umziehen; });
  if (plaene.empty()) return n;
  AbgleichTabellenAnlegen(db_);
  const std::size_t stapel = std::max<std::size_t>(weise.Stapel, 1);
  for (std::size_t a = 0; a < plaene.size(); a += stapel) {
    const std::size_t bis = std::min(plaene.size(), a + stapel);
    std::vector<std::optional<Vorgang>> fertig(bis - a);
    {
      Transaktion t(db_);
      offen_ = OffeneVorhaben(db_);
      std::vector<char> erledigt(bis - a, 0);
      UmzuegeAnwenden(plaene, a, bis, weise, erledigt, fertig);
      for (std::size_t i = a; i < bis; ++i) {
        Vorgang v;
        if (!erledigt[i - a] && Anwenden(plaene[i], v, weise)) fertig[i - a] = std::move(v);
      }
      t.Bestaetigen();
    }
    for (const auto& v : fertig) {
      if (!v) continue;
      n.Dazu(*v);
      if (weise.Melden) weise.Melden(*v);
    }
  }
  return n;
}

// ----------------------------------------------------------- entry points

std::string AblageWurzel() { return Zustand().DokWurzel; }

namespace erkennung {

std::optional<Suchender> RegistrierterSuchender(Datenbank& db, int32_t nr) {
  const auto z = RegisterZeile(db, nr);
  if (!z) return std::nullopt;
  Suchender s;
  s.Nummer = nr;
  s.Name = z->Name;
  s.Ordner = z->Ordner;
  if (auto f = FingerabdruckLesen(db, nr)) {
    s.Inhalt = f->Inhalt;
    s.Mtime = f->Mtime;
  }
  return s;
}

void KandidatenSuchen(Datenbank& db, Zuordnung& z, const std::function<bool(const std::filesystem::path&)>& zulassen) {
  const std::string wurzel = AblageWurzel();
  if (wurzel.empty() || !z.InhaltGesucht()) return;
  BestandLaufen(wurzel, [&](const LaufDatei& f) {
    if (!z.GroesseGesucht(f.Stand.Groesse)) return;
    const std::string name(f.Name), ordner(f.Ordner);
    std::filesystem::path host = *f.HostOrdner / name;
    if ((zulassen && !zulassen(host)) || DateiNummerSuchen(db, name, ordner) != 0) return;
    z.Dazu(Kandidat{ordner, name, std::move(host), f.Stand, std::nullopt});
  });
}

Nachzug Nachziehen(Datenbank& db, const std::vector<int32_t>& nummern) {
  Zuordnung z(db);
  for (int32_t nr : nummern)
    if (auto s = RegistrierterSuchender(db, nr)) z.Suchen(std::move(*s));
  z.BeiseiteDazu();
  if (z.Suchende().empty()) return {};
  KandidatenSuchen(db, z);
  return z.Ausfuehren();
}

Nachzug AmPlatzZurueckholen(Datenbank& db, const std::string& ordner, const std::unordered_set<std::string>& gefaltet) {
  Zuordnung z(db);
  {
    Abfrage a(db,
              "SELECT b.Dateinummer, b.Dateiname, b.Dateipfad, b.Grund, b.Hinweis, b.NameFaltung, f.Groesse, f.Hash, "
              "f.Mtime FROM vxm_beiseite b LEFT JOIN vxm_fingerabdruck f ON f.Dateinummer = b.Dateinummer "
              "WHERE b.PfadFaltung = ?1 AND (f.Dateinummer IS NULL OR b.Grund = 'Papierkorb')");
    a.Text(1, Falten(ordner));
    while (a.Zeile()) {
      if (!gefaltet.count(Text(a, 5))) continue;
      z.Suchen(BeiseiteGelesen(a, 6));
    }
  }
  if (z.Suchende().empty()) return {};
  Zuordnung::Weise w;
  w.NurUmzuege = true;
  return z.Ausfuehren(w);
}

void Anhaengen(Nachzug& an, const Nachzug& von) {
  for (const auto& v : von.Vorgaenge) an.Dazu(v);
}

}  // namespace erkennung

Nachzug VerschwundeneNachziehen(Datenbank& db, const std::vector<int32_t>& nummern) {
  if (nummern.empty()) return {};
  return Nachziehen(db, nummern);
}

Nachzug AbgelaufeneVerwerfen(Datenbank& db, const std::function<void(const Vorgang&)>& melden) {
  Nachzug n;
  if (!AbgleichTabellenDa(db)) return n;
  const int32_t tage = BeiseiteTage(db);
  const int64_t grenze = JetztSekunden() - static_cast<int64_t>(tage) * 86400;
  std::vector<Vorgang> weg;
  {
    Abfrage a(db, "SELECT Dateinummer, Dateiname, Dateipfad FROM vxm_beiseite WHERE Seit < ?1");
    a.Zahl(1, grenze);
    while (a.Zeile()) {
      Vorgang v;
      v.art = Vorgang::Art::Verworfen;
      v.Dateinummer = Nummer(a, 0);
      v.Von = Ort(Text(a, 2), Text(a, 1));
      v.Hinweis = "länger als " + std::to_string(tage) + " Tage beiseite";
      weg.push_back(std::move(v));
    }
  }
  if (weg.empty() || !Beschreibbar(db)) return n;
  {
    Transaktion t(db);
    for (const auto& v : weg) BeiseiteVerwerfen(db, v.Dateinummer);
    t.Bestaetigen();
  }
  for (const auto& v : weg) {
    n.Dazu(v);
    if (melden) melden(v);
  }
  return n;
}

// ------------------------------------------------------------- pruefen

std::vector<BeiseiteEintrag> BeiseiteListe(Datenbank& db) {
  std::vector<BeiseiteEintrag> liste;
  if (!AbgleichTabellenDa(db)) return liste;
  Abfrage a(db,
            "SELECT b.Dateinummer, b.Dateiname, b.Dateipfad, b.Grund, b.Hinweis, b.Seit, "
            "(SELECT count(*) FROM vxm_beiseite_verknuepfung v WHERE v.Dateinummer = b.Dateinummer) "
            "FROM vxm_beiseite b ORDER BY b.Dateipfad, b.Dateiname, b.Dateinummer");
  while (a.Zeile()) {
    BeiseiteEintrag e;
    e.Dateinummer = Nummer(a, 0);
    e.Dateiname = a.Spalte(1);
    e.Dateipfad = a.Spalte(2);
    e.Grund = a.Spalte(3);
    e.Hinweis = a.Spalte(4);
    e.Seit = a.ZahlSpalte(5);
    e.Verknuepfungen = static_cast<std::size_t>(a.ZahlSpalte(6));
    liste.push_back(std::move(e));
  }
  return liste;
}

std::vector<std::string> AbgleichBefunde(Datenbank& db) {
  std::vector<std::string> b;
  if (!AbgleichTabellenDa(db)) return b;
  if (int32_t n = Anzahl("SELECT count(*) FROM vxm_beiseite b WHERE EXISTS "
                           "(SELECT 1 FROM Dateiinfo d WHERE d.Dateinummer = b.Dateinummer)", db))
    b.push_back("Beiseitegelegt und zugleich eingetragen: " + std::to_string(n));
  if (int32_t n = Anzahl("SELECT count(*) FROM vxm_beiseite_verknuepfung v WHERE NOT EXISTS "
                           "(SELECT 1 FROM vxm_beiseite b WHERE b.Dateinummer = v.Dateinummer)", db))
    b.push_back("Beiseitegelegte Verknüpfungen ohne Eintrag: " + std::to_string(n));
  return b;
}

}  // namespace vxm
