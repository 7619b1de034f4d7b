// The follow-up of one folder: prints of a listed folder checked against
// the listing (rows of files renamed or moved there found at once), and a
// folder renamed outside the program followed with everything below it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "basis/zustand.h"
#include "files/bestandslauf.h"
#include "files/registerpflege.h"
#include "files/registervorhaben.h"
#include "files/wiedererkennung.h"
#include "files/wiedererkennung_intern.h"
#include "keywords/registerzugriff.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/oeffner.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"

namespace vxm {

using namespace erkennung;
using sql::Abfrage;

namespace {

void JsonText(std::string& aus, std::string_view t) {
  aus += '"';
  for (const char c : t) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      aus += '\\';
      aus += c;
    } else if (u < 0x20) {
      static const char* ziffern = "0123456789abcdef";
      aus += "\\u00";
      aus += ziffern[u >> 4];
      aus += ziffern[u & 15];
    } else {
      aus += c;
    }
  }
  aus += '"';
}

// Whether a stored print still describes the file as the folder listing saw
// it. The listing gives whole seconds (give or take one from the clock
// conversion); a print is only trusted when taken two seconds after the
// file's last write, so any later write moves the time past that margin.
enum class Stand { Aktuell, Veraltet, Unklar };
Stand NachListe(const Fingerabdruck& f, const DateiEintrag& e) {
  if (f.Mtime == kUnsicher || static_cast<int64_t>(e.Groesse) != f.Inhalt.Groesse) return Stand::Veraltet;
  if (e.Geaendert == 0) return Stand::Unklar;
  const int64_t sekunden = f.Mtime / 1'000'000'000;
  const int64_t abstand = static_cast<int64_t>(e.Geaendert) - sekunden;
  return abstand >= -1 && abstand <= 1 ? Stand::Aktuell : Stand::Unklar;
}

// A folder without a row of its own may be one renamed outside the program,
// its files perhaps renamed too: rows with prints of its files' sizes whose
// folders are gone (while the folder above them is still there, so not a
// drive that is away) are looked for by content, as their old folders can
// no longer be opened.
std::vector<int32_t> ZeilenVerschwundenerOrdner(Datenbank& db, const std::string& pf, std::vector<int64_t> groessen) {
  std::sort(groessen.begin(), groessen.end());
  groessen.erase(std::unique(groessen.begin(), groessen.end()), groessen.end());
  std::string liste = "[";
  for (const int64_t g : groessen) liste += (liste.size() > 1 ? "," : "") + std::to_string(g);
  liste += ']';
  std::map<std::string, std::vector<int32_t>> jeOrdner;
  {
    Abfrage a(db, AufServer(db) ? "SELECT d.Dateinummer, d.Dateipfad FROM json_array_elements_text(CAST(?1 AS json)) j "
                                  "JOIN vxm_fingerabdruck f ON f.Groesse = CAST(j.value AS bigint) "
                                  "JOIN Dateiinfo d ON d.Dateinummer = f.Dateinummer WHERE d.DateipfadSchluessel <> ?2"
                                : "SELECT d.Dateinummer, d.Dateipfad FROM json_each(?1) j "
                                  "CROSS JOIN vxm_fingerabdruck f ON f.Groesse = j.value "
                                  "CROSS JOIN Dateiinfo d ON d.Dateinummer = f.Dateinummer WHERE d.DateipfadSchluessel <> ?2");
    a.Text(1, liste).Text(2, pf);
    while (a.Zeile()) jeOrdner[std::string(a.Spalte(1))].push_back(static_cast<int32_t>(a.ZahlSpalte(0)));
  }
  std::vector<int32_t> aus;
  for (const auto& [ordner, nummern] : jeOrdner) {
    const auto strich = ordner.rfind('\\');
    auto& fs = *Dienste().Dateien;
    if (strich == std::string::npos || OrdnerDa(fs, ordner) || !OrdnerDa(fs, ordner.substr(0, strich))) continue;
    aus.insert(aus.end(), nummern.begin(), nummern.end());
  }
  return aus;
}

}  // namespace

namespace erkennung {

// What a print knows a file by when it moves: its content and its time (a
// rename keeps the time; a copy or an edit gives a new one).
std::string InhaltUndZeit(const Fingerabdruck& f) {
  return std::to_string(f.Inhalt.Groesse) + ":" + f.Inhalt.Hash + ":" + std::to_string(f.Mtime);
}

// Names swapped with the shell (mv a t; mv b a; mv t b): every file read
// anew is, by content and time, what another row of this folder knew, and
// that row's own file holds something new too. Such rows follow their files
// (the keywords stay with the document, not with the name): row -> the row
// whose place it takes. Only a whole exchange among the rows read counts;
// contents exchanged by editing (new times) and a file merely overwritten
// with a copy of another keep their rows.
std::unordered_map<int32_t, int32_t> Vertauscht(Datenbank& db, const std::vector<Fingerabdruck>& neu) {
  std::unordered_map<std::string, int32_t> alt;  // old content -> row, of rows whose content changed
  std::unordered_set<std::string> doppelt;        // old contents of several rows: not told apart
  std::unordered_map<int32_t, std::string> jetzt;
  for (const auto& f : neu) {
    const auto vorher = FingerabdruckLesen(db, f.Dateinummer);
    if (!vorher || vorher->Inhalt == f.Inhalt || vorher->Mtime == kUnsicher || f.Mtime == kUnsicher) continue;
    const std::string war = InhaltUndZeit(*vorher);
    if (!alt.emplace(war, f.Dateinummer).second) doppelt.insert(war);
    jetzt[f.Dateinummer] = InhaltUndZeit(f);
  }
  for (const auto& d : doppelt) alt.erase(d);
  std::unordered_map<int32_t, int32_t> ziehtNach;  // row -> the row whose place it takes
  std::unordered_set<int32_t> zweimal;             // rows whose content is now in two places
  for (const auto& [platz, inhalt] : jetzt) {
    const auto it = alt.find(inhalt);
    if (it == alt.end() || it->second == platz) continue;
    if (!ziehtNach.emplace(it->second, platz).second) zweimal.insert(it->second);
  }
  for (const int32_t z : zweimal) ziehtNach.erase(z);
  // Only exchanges: every place given up is taken by another row (what
  // remains are closed rings; a chain that ends somewhere else goes).
  for (bool weiter = true; weiter;) {
    weiter = false;
    for (auto it = ziehtNach.begin(); it != ziehtNach.end();) {
      if (ziehtNach.count(it->second)) {
        ++it;
      } else {
        it = ziehtNach.erase(it);
        weiter = true;
      }
    }
  }
  return ziehtNach;
}

// A file read anew at its row's place that is, by content and time, the
// very file a trash row of that place waits for was put back from the trash
// over the file that had taken its place (renamed or moved away meanwhile,
// unseen). The waiting row takes its place back; the row that held it waits
// set aside for its own content (found where it went, by the next search).
// The prints of such places are taken out of `neu`.
void AusDemPapierkorbZurueck(Datenbank& db, std::vector<Fingerabdruck>& neu, std::vector<Vorgang>& vorgaenge) {
  auto ort = [](std::string ordnerFalte, const std::string& nameFalte) {
    while (!ordnerFalte.empty() && ordnerFalte.back() == '\\') ordnerFalte.pop_back();
    return ordnerFalte + "\\" + nameFalte;
  };
  // The trash rows by content and time, then by place (few; mostly none).
  std::unordered_map<std::string, std::unordered_map<std::string, int32_t>> imKorb;
  {
    Abfrage a(db,
              "SELECT b.Dateinummer, b.PfadFaltung, b.NameFaltung, p.Groesse, p.Hash, p.Mtime FROM vxm_beiseite b "
              "CROSS JOIN vxm_fingerabdruck p ON p.Dateinummer = b.Dateinummer WHERE b.Grund = 'Papierkorb'");
    while (a.Zeile()) {
      Fingerabdruck p;
      p.Inhalt = {a.ZahlSpalte(3), std::string(a.Spalte(4))};
      p.Mtime = a.ZahlSpalte(5);
      imKorb[InhaltUndZeit(p)][ort(std::string(a.Spalte(1)), std::string(a.Spalte(2)))] =
          static_cast<int32_t>(a.ZahlSpalte(0));
    }
  }
  if (imKorb.empty()) return;
  std::erase_if(neu, [&](const Fingerabdruck& f) {
    if (f.Mtime == kUnsicher) return false;
    const auto gleich = imKorb.find(InhaltUndZeit(f));
    if (gleich == imKorb.end()) return false;
    const auto platz = RegisterZeile(db, f.Dateinummer);
    if (!platz) return false;
    const auto w = gleich->second.find(ort(Falten(platz->Ordner), Falten(platz->Name)));
    if (w == gleich->second.end()) return false;
    const int32_t wartend = w->second;
    gleich->second.erase(w);
    ZeileBeiseitelegen(db, f.Dateinummer, grund::NichtGefunden, "");
    Vorgang v;
    v.art = Vorgang::Art::Zurueckgeholt;
    v.Dateinummer = ZeileZurueckholen(db, wartend, platz->Name, platz->Ordner);
    v.Nach = platz->Ordner + "\\" + platz->Name;
    v.Von = v.Nach;
    vorgaenge.push_back(std::move(v));
    return true;
  });
}

std::size_t AbdrueckeSchreiben(Datenbank& db, std::vector<Fingerabdruck> neu, const std::string& ordnerFalte,
                               Nachzug& n) {
  AbgleichTabellenAnlegen(db);
  std::vector<Vorgang> getauscht;
  std::size_t geschrieben = 0;
  Transaktion t(db);
  if (OffeneVorhaben(db).empty()) AusDemPapierkorbZurueck(db, neu, getauscht);
  const auto tausch = Vertauscht(db, neu);
  std::unordered_map<int32_t, Platz> vorher;
  for (const auto& [zeile, platz] : tausch)
    if (auto z = RegisterZeile(db, zeile); z && (ordnerFalte.empty() || Falten(z->Ordner) == ordnerFalte))
      vorher.emplace(zeile, std::move(*z));
  // Only as read, and not while a change of this program cut off by a crash waits.
  const bool tauschen = !tausch.empty() && vorher.size() == tausch.size() && OffeneVorhaben(db).empty();
  std::unordered_map<int32_t, int32_t> wer;  // place (the row it had) -> the row now there
  if (tauschen) {
    for (const auto& [zeile, platz] : tausch) {
      const Platz& ziel = vorher.at(platz);
      ZeileUmziehen(db, zeile, ziel.Name, ziel.Ordner);
      wer[platz] = zeile;
      Vorgang v;
      v.art = Vorgang::Art::Umgezogen;
      v.Dateinummer = zeile;
      v.Von = vorher.at(zeile).Ordner + "\\" + vorher.at(zeile).Name;
      v.Nach = ziel.Ordner + "\\" + ziel.Name;
      getauscht.push_back(std::move(v));
    }
  }
  for (auto& f : neu) {
    if (const auto it = wer.find(f.Dateinummer); it != wer.end()) f.Dateinummer = it->second;
    if (!RegisterZeile(db, f.Dateinummer)) continue;
    FingerabdruckSchreiben(db, f);
    ++geschrieben;
  }
  t.Bestaetigen();
  for (const auto& v : getauscht) n.Dazu(v);
  return geschrieben;
}

Nachzug AbdrueckeSchreiben(Datenbank& db, std::vector<Fingerabdruck> neu, const std::string& ordnerFalte) {
  Nachzug n;
  AbdrueckeSchreiben(db, std::move(neu), ordnerFalte, n);
  return n;
}

}  // namespace erkennung

Nachzug OrdnerNachpflegen(Datenbank& db, const std::string& ordner, const std::vector<DateiEintrag>& eintraege,
                          int64_t leseBudget) {
  if (!Beschreibbar(db)) return {};
  const bool tabellen = AbgleichTabellenDa(db);
  const std::string pf = Falten(ordner);
  std::string pfOhne = pf;
  while (!pfOhne.empty() && pfOhne.back() == '\\') pfOhne.pop_back();
  // The folder's rows with size and time of their prints (the hash is not
  // needed to judge them), by folded name.
  struct Reg {
    int32_t nr;
    std::optional<Fingerabdruck> fp;
  };
  std::unordered_map<std::string, Reg> reg;
  {
    Abfrage a(db, tabellen ? "SELECT d.Dateinummer, d.DateinameSchluessel, f.Groesse, f.Mtime FROM Dateiinfo d "
                             "LEFT JOIN vxm_fingerabdruck f ON f.Dateinummer = d.Dateinummer WHERE "
                             "d.DateipfadSchluessel = ?1"
                           : "SELECT Dateinummer, DateinameSchluessel FROM Dateiinfo WHERE DateipfadSchluessel = ?1");
    a.Text(1, pf);
    while (a.Zeile()) {
      Reg r{static_cast<int32_t>(a.ZahlSpalte(0)), std::nullopt};
      if (tabellen && !a.IstNull(2)) {
        Fingerabdruck f;
        f.Dateinummer = r.nr;
        f.Inhalt.Groesse = a.ZahlSpalte(2);
        f.Mtime = a.ZahlSpalte(3);
        r.fp = std::move(f);
      }
      reg.emplace(std::string(a.Spalte(1)), std::move(r));
    }
  }
  // Host folder, opened only when a file must be looked at closer.
  std::filesystem::path host;
  int fd = -1;
  struct Schliessen {
    int& fd;
    ~Schliessen() {
      if (fd >= 0) ::close(fd);
    }
  } schliessen{fd};
  auto oeffnen = [&]() {
    if (fd >= 0) return true;
    try {
      host = HostPfadVon(ordner);
    } catch (const VbFehler&) {
      return false;
    }
    fd = ::open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd >= 0;
  };

  std::vector<std::pair<int32_t, std::string>> zuLesen;
  std::vector<std::pair<const DateiEintrag*, std::string>> frei;  // with the folded name
  for (const auto& e : eintraege) {
    std::string name = Falten(e.Name);
    const auto it = reg.find(name);
    if (it == reg.end()) {
      frei.emplace_back(&e, std::move(name));
      continue;
    }
    const auto& fp = it->second.fp;
    Stand st = fp ? NachListe(*fp, e) : Stand::Veraltet;
    if (st == Stand::Unklar) {
      if (!oeffnen()) return {};
      const auto stand = StandLesen(fd, e.Name.c_str());
      st = stand && Aktuell(*fp, *stand) ? Stand::Aktuell : Stand::Veraltet;
    }
    if (st == Stand::Veraltet) zuLesen.emplace_back(it->second.nr, e.Name);
  }

  Nachzug n;
  if (tabellen) {
    int64_t wartend = 0, aeltestes = 0;
    {
      Abfrage a(db, "SELECT count(*), min(Seit) FROM vxm_beiseite");
      if (a.Zeile() && !a.IstNull(1)) {
        wartend = a.ZahlSpalte(0);
        aeltestes = a.ZahlSpalte(1);
      }
    }
    if (wartend > 0 && aeltestes < JetztSekunden() - static_cast<int64_t>(BeiseiteTage(db)) * 86400)
      n = AbgelaufeneVerwerfen(db);
    // Files here without a row: one may be a set-aside file come back, or the
    // file of a row elsewhere whose place is gone (a folder renamed outside).
    if (!frei.empty()) {
      bool suchen = false;
      if (wartend > 0) {
        std::unordered_set<int64_t> beiseite;
        // The set-aside table is small: it leads (CROSS JOIN keeps that order).
        Abfrage a(db,
                  "SELECT f.Groesse FROM vxm_beiseite b CROSS JOIN vxm_fingerabdruck f ON f.Dateinummer = b.Dateinummer "
                  "WHERE b.Grund <> 'Papierkorb'");
        while (a.Zeile()) beiseite.insert(a.ZahlSpalte(0));
        for (const auto& [e, f] : frei) suchen = suchen || beiseite.count(static_cast<int64_t>(e->Groesse));
      }
      // Rows of the same name and size elsewhere, all names in one statement.
      std::string namen = "{";
      for (const auto& [e, f] : frei) {
        if (namen.size() > 1) namen += ',';
        JsonText(namen, f);
        namen += ':' + std::to_string(e->Groesse);
      }
      namen += '}';
      std::vector<std::pair<int32_t, Platz>> treffer;
      {
        Abfrage a(db, AufServer(db)
                          ? "SELECT d.Dateinummer, d.Dateiname, d.Dateipfad FROM json_each_text(CAST(?1 AS json)) j "
                            "JOIN Dateiinfo d ON d.DateinameSchluessel = j.key "
                            "JOIN vxm_fingerabdruck f ON f.Dateinummer = d.Dateinummer AND f.Groesse = "
                            "CAST(j.value AS bigint) WHERE d.DateipfadSchluessel <> ?2"
                          : "SELECT d.Dateinummer, d.Dateiname, d.Dateipfad FROM json_each(?1) j "
                            "CROSS JOIN Dateiinfo d ON d.DateinameSchluessel = j.key "
                            "CROSS JOIN vxm_fingerabdruck f ON f.Dateinummer = d.Dateinummer AND f.Groesse = j.value "
                            "WHERE d.DateipfadSchluessel <> ?2");
        a.Text(1, namen).Text(2, pf);
        while (a.Zeile())
          treffer.push_back({static_cast<int32_t>(a.ZahlSpalte(0)), {std::string(a.Spalte(1)), std::string(a.Spalte(2)), {}}});
      }
      std::vector<int32_t> anderswo;
      for (const auto& [nr, p] : treffer)
        if (!DateiDa(p.Ordner, p.Name)) anderswo.push_back(nr);
      if (reg.empty()) {
        std::vector<int64_t> groessen;
        for (const auto& [e, f] : frei) groessen.push_back(static_cast<int64_t>(e->Groesse));
        for (const int32_t nr : ZeilenVerschwundenerOrdner(db, pf, groessen))
          if (std::find(anderswo.begin(), anderswo.end(), nr) == anderswo.end()) anderswo.push_back(nr);
      }
      if (suchen || !anderswo.empty()) Anhaengen(n, Nachziehen(db, anderswo));
      if (wartend > 0) {
        std::unordered_set<std::string> namen;
        for (const auto& [e, f] : frei) namen.insert(f);
        Anhaengen(n, AmPlatzZurueckholen(db, ordner, namen));
      }
    }
  }

  // Prints of files that have none or an outdated one, within the budget.
  std::vector<Fingerabdruck> neu;
  int64_t gelesen = 0;
  if (!zuLesen.empty() && !oeffnen()) return n;
  for (const auto& [nr, datei] : zuLesen) {
    if (gelesen >= leseBudget) break;
    DateiStand stand;
    const auto inhalt = InhaltLesen(host / datei, &stand);
    if (!inhalt) continue;
    gelesen += inhalt->Groesse;
    neu.push_back(Abdruck(nr, *inhalt, stand));
  }
  if (!neu.empty()) {
    const Nachzug geschrieben = AbdrueckeSchreiben(db, std::move(neu), pfOhne);
    Anhaengen(n, geschrieben);
    // A row that gave its place back to its file from the trash looks for its own.
    if (geschrieben.Zurueckgeholt > 0) Anhaengen(n, Nachziehen(db, {}));
  }
  return n;
}

Nachzug BeobachtungNachziehen(Datenbank& db, const std::string& ordner, const std::vector<std::string>& verschwunden,
                              const std::vector<std::string>& erschienen, int64_t anderswoSeit) {
  if ((erschienen.empty() && (verschwunden.empty() || anderswoSeit < 0)) || !AbgleichTabellenDa(db) ||
      !Beschreibbar(db))
    return {};
  std::filesystem::path host;
  try {
    host = HostPfadVon(ordner);
  } catch (const VbFehler&) {
    return {};
  }
  Zuordnung z(db);
  std::unordered_set<int32_t> dabei;
  for (const auto& name : verschwunden) {
    const int32_t nr = DateiNummerSuchen(db, name, ordner);
    if (nr == 0 || DateiDa(ordner, name)) continue;
    auto s = RegistrierterSuchender(db, nr);
    if (s && s->Inhalt && dabei.insert(nr).second) z.Suchen(std::move(*s));
  }
  // Moved out of this folder: its content is looked for under the store root.
  const bool hinaus = anderswoSeit >= 0 && !z.Suchende().empty();
  for (const auto& name : erschienen) {
    if (DateiNummerSuchen(db, name, ordner) != 0) continue;
    const std::filesystem::path pfad = host / name;
    const auto stand = StandLesen(pfad);
    if (!stand) continue;
    std::vector<std::pair<int32_t, std::string>> gleichGross;
    {
      Abfrage a(db, "SELECT Dateinummer, Hash FROM vxm_fingerabdruck WHERE Groesse = ?1");
      a.Zahl(1, stand->Groesse);
      while (a.Zeile()) gleichGross.push_back({static_cast<int32_t>(a.ZahlSpalte(0)), std::string(a.Spalte(1))});
    }
    if (gleichGross.empty()) continue;
    DateiStand gelesen;
    const auto inhalt = InhaltLesen(pfad, &gelesen);
    if (!inhalt || !(gelesen == *stand)) continue;
    z.Dazu(Kandidat{ordner, name, pfad, gelesen, inhalt});
    for (const auto& [nr, hash] : gleichGross) {
      if (hash != inhalt->Hash || dabei.count(nr)) continue;
      Suchender s;
      s.Nummer = nr;
      s.Inhalt = inhalt;
      if (auto r = RegisterZeile(db, nr)) {
        // A registered copy that is still in its place is not looking for a file.
        if (DateiDa(r->Ordner, r->Name)) continue;
        s.Name = r->Name;
        s.Ordner = r->Ordner;
      } else if (auto b = BeiseiteZeile(db, nr)) {
        // Set aside for want of a unique file: one more copy settles nothing.
        // Into the trash: only its own place takes it back (below).
        if (b->Grund == grund::Mehrdeutig || b->Grund == grund::Papierkorb) continue;
        s.Name = b->Name;
        s.Ordner = b->Ordner;
        s.Beiseite = true;
        s.Grund = b->Grund;
      } else {
        continue;
      }
      dabei.insert(nr);
      z.Suchen(std::move(s));
    }
  }
  Nachzug n;
  if (!z.Suchende().empty()) {
    if (hinaus)
      KandidatenSuchen(db, z, [&](const std::filesystem::path& p) {
        struct stat st;
        return ::stat(p.c_str(), &st) == 0 &&
               static_cast<int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec >= anderswoSeit;
      });
    // Only what is certain; the rest is for the clean-up.
    Zuordnung::Weise w;
    w.NurUmzuege = true;
    n = z.Ausfuehren(w);
  }
  // Put back from the trash while the folder is shown.
  std::unordered_set<std::string> ohneZeile;
  for (const auto& name : erschienen)
    if (DateiNummerSuchen(db, name, ordner) == 0) ohneZeile.insert(Falten(name));
  if (!ohneZeile.empty()) Anhaengen(n, AmPlatzZurueckholen(db, ordner, ohneZeile));
  return n;
}

bool AmPlatzWartendeZurueckholen(Datenbank& db, const std::string& ordner, const std::string& name) {
  try {
    if (!AbgleichTabellenDa(db) || DateiNummerSuchen(db, name, ordner) != 0 || !Beschreibbar(db)) return false;
    return AmPlatzZurueckholen(db, ordner, {Falten(name)}).Zurueckgeholt > 0;
  } catch (const VbFehler&) {
    return false;  // the register busy: the folder's next opening takes it back
  }
}

int64_t OrdnerUmbenennungNachziehen(Datenbank& db, const std::string& alt, const std::string& neu) {
  if (!AbgleichTabellenDa(db) || !Beschreibbar(db)) return 0;
  std::filesystem::path altHost, neuHost;
  try {
    altHost = HostPfadVon(alt);
    neuHost = HostPfadVon(neu);
  } catch (const VbFehler&) {
    return 0;
  }
  std::error_code ec;
  if (std::filesystem::exists(altHost, ec) || !std::filesystem::is_directory(neuHost, ec)) return 0;
  const std::string fa = Falten(alt);
  db.Schreibpruefung();
  Transaktion t(db);
  // A rename of this program cut off by a crash is its record's to finish.
  if (!OffeneVorhaben(db).empty()) return 0;
  bool belegt = false;
  {
    Abfrage a(db,
              "SELECT d.Dateiname, d.Dateipfad, f.Groesse, f.Hash FROM Dateiinfo d CROSS JOIN vxm_fingerabdruck f "
              "ON f.Dateinummer = d.Dateinummer WHERE d.DateipfadSchluessel = ?1 OR "
              "(d.DateipfadSchluessel >= ?2 AND d.DateipfadSchluessel < ?3) LIMIT 20");
    a.Text(1, fa).Text(2, fa + "\\").Text(3, fa + "]");
    // One file of the old folder found with its content under the new name
    // is enough: a new folder that merely took the place holds other files.
    while (!belegt && a.Zeile()) {
      const std::string pfad(a.Spalte(1));
      std::filesystem::path ziel = neuHost;
      for (std::size_t a = fa.size(); a < pfad.size();) {
        const std::size_t e = std::min(pfad.find('\\', a + 1), pfad.size());
        if (e > a + 1) ziel /= pfad.substr(a + 1, e - a - 1);
        a = e;
      }
      ziel /= std::string(a.Spalte(0));
      const int64_t groesse = a.ZahlSpalte(2);
      const std::string hash(a.Spalte(3));
      const auto stand = StandLesen(ziel);
      if (!stand || stand->Groesse != groesse) continue;
      const auto inhalt = InhaltLesen(ziel);
      belegt = inhalt && inhalt->Hash == hash;
    }
  }
  if (!belegt) return 0;
  const int64_t n = RegisterOrdnerNachziehen(db, alt, neu);
  t.Bestaetigen();
  return n;
}

}  // namespace vxm
