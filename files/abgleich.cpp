#include "files/abgleich.h"

#include <fcntl.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <iterator>
#include <optional>
#include <thread>
#include <unordered_set>

#include "files/bestandslauf.h"
#include "files/wiedererkennung_intern.h"
#include "platform/fehler.h"
#include "platform/oeffner.h"
#include "platform/parallel.h"
#include "platform/rueckschreiben.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"

namespace vxm {
namespace {

using erkennung::AufServer;
using sql::Abfrage;

// A place (folded folder, "\", folded name) as a 128-bit hash: the walk
// and the register meet on it without a string per file.
struct Ort128 {
  uint64_t a = 0, b = 0;
  bool operator==(const Ort128&) const = default;
};

// The rows' places by their hash: open addressing on the hash itself, one
// flat array instead of a node per row (the register of a whole store).
class OrtTabelle {
 public:
  // The row stored for o; where o is new, `zeile` is stored and returned.
  int32_t Eintragen(const Ort128& o, int32_t zeile) {
    if (2 * (anzahl_ + 1) > plaetze_.size()) Wachsen(anzahl_ + 1);
    Platz& p = plaetze_[Stelle(o)];
    if (p.zeile < 0) {
      p = {o, zeile};
      ++anzahl_;
    }
    return p.zeile;
  }
  int32_t Finden(const Ort128& o) const { return plaetze_.empty() ? -1 : plaetze_[Stelle(o)].zeile; }
  void Wachsen(std::size_t fuer) {
    std::size_t k = 16;
    while (k < 2 * fuer) k <<= 1;
    if (k <= plaetze_.size()) return;
    std::vector<Platz> alt(k);
    alt.swap(plaetze_);
    for (const Platz& p : alt)
      if (p.zeile >= 0) plaetze_[Stelle(p.ort)] = p;
  }

 private:
  struct Platz {
    Ort128 ort;
    int32_t zeile = -1;
  };
  // Where o is, or the free place where it belongs (the array is never full).
  std::size_t Stelle(const Ort128& o) const {
    const std::size_t maske = plaetze_.size() - 1;
    std::size_t i = static_cast<std::size_t>(o.a) & maske;
    while (plaetze_[i].zeile >= 0 && !(plaetze_[i].ort == o)) i = (i + 1) & maske;
    return i;
  }
  std::vector<Platz> plaetze_;
  std::size_t anzahl_ = 0;
};

// Appends the folded text; plain ASCII without a detour.
void FaltenAnhaengen(std::string& aus, std::string_view t) {
  for (const char c : t)
    if (static_cast<unsigned char>(c) >= 0x80) {
      aus += Falten(t);
      return;
    }
  for (const char c : t) aus += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

Ort128 OrtSchluessel(const std::string& puffer) {
  const XXH128_hash_t h = XXH3_128bits(puffer.data(), puffer.size());
  return {h.low64, h.high64};
}

struct Zeile {
  int32_t Nummer = 0;
  int64_t Groesse = -1;  // of the print; -1 without one
  int64_t Mtime = 0;
  int64_t Geraet = 0, Inode = 0;  // the file the print read (0: not known)
  bool Gesehen = false;
  int32_t Gleich = -1;  // next row of the same place (a register with doubles)
};

std::string OhneSchraegstrich(std::string p) {
  while (!p.empty() && p.back() == '\\') p.pop_back();
  return p;
}

bool ImOderUnter(const std::string& ordner, const std::string& wurzel) {
  return ordner.size() >= wurzel.size() && ordner.compare(0, wurzel.size(), wurzel) == 0 &&
         (ordner.size() == wurzel.size() || ordner[wurzel.size()] == '\\');
}

// Rows under the root with size and time of their prints, by place.
void ZeilenLaden(Datenbank& db, const std::string& wurzel, std::vector<Zeile>& zeilen, OrtTabelle& orte) {
  const std::string wf = Falten(wurzel);
  {
    // sized once for the whole register: growing a table of a store's rows costs more than reading them
    Abfrage n(db, "SELECT max(Dateinummer) FROM Dateiinfo");
    const auto hoechste = n.Zeile() && !n.IstNull(0) ? n.ZahlSpalte(0) : 0;
    const auto erwartet = static_cast<std::size_t>(std::clamp<int64_t>(hoechste, 0, 1 << 22));
    zeilen.reserve(erwartet);
    orte.Wachsen(erwartet);
  }
  Abfrage a(db,
            "SELECT d.Dateinummer, d.DateinameSchluessel, d.DateipfadSchluessel, f.Groesse, f.Mtime, f.Geraet, "
            "f.Inode FROM Dateiinfo d LEFT JOIN vxm_fingerabdruck f ON f.Dateinummer = d.Dateinummer "
            // The root is mostly the whole store: one pass in table order beats
            // the index ranges and a sort (the unary + keeps the index out).
            "WHERE +d.DateipfadSchluessel = ?1 OR +d.DateipfadSchluessel = ?2 "
            "OR (+d.DateipfadSchluessel >= ?2 AND +d.DateipfadSchluessel < ?3) ORDER BY d.rowid");
  a.Text(1, wf).Text(2, wf + "\\").Text(3, wf + "]");
  std::string puffer;
  while (a.Zeile()) {
    Zeile r;
    r.Nummer = static_cast<int32_t>(a.ZahlSpalte(0));
    if (!a.IstNull(3)) {
      r.Groesse = a.ZahlSpalte(3);
      r.Mtime = a.ZahlSpalte(4);
      if (!a.IstNull(5) && !a.IstNull(6)) {
        r.Geraet = a.ZahlSpalte(5);
        r.Inode = a.ZahlSpalte(6);
      }
    }
    std::string_view pfad = a.Spalte(2);
    while (!pfad.empty() && pfad.back() == '\\') pfad.remove_suffix(1);
    puffer.assign(pfad);
    puffer += '\\';
    puffer += a.Spalte(1);
    const auto idx = static_cast<int32_t>(zeilen.size());
    const int32_t erste = orte.Eintragen(OrtSchluessel(puffer), idx);
    if (erste != idx) {
      // Doubles share the fate of the first row of their place.
      int32_t k = erste;
      while (zeilen[static_cast<std::size_t>(k)].Gleich >= 0) k = zeilen[static_cast<std::size_t>(k)].Gleich;
      zeilen[static_cast<std::size_t>(k)].Gleich = idx;
    }
    zeilen.push_back(r);
  }
}

// What the walk found, each folder's files together.
struct Fund {
  uint32_t NameAb, NameLaenge;  // in the Namen of its Teil (no string per file)
  DateiStand Stand;
  Ort128 Ort;
};
struct Teil {  // what one thread of the walk found
  std::vector<std::string> Ordner;  // Windows form
  std::vector<std::filesystem::path> Host;
  std::vector<std::size_t> Anfang;  // first Fund of each folder
  std::vector<Fund> Funde;
  std::string Namen;
  std::string Puffer;
  std::string_view Name(const Fund& f) const { return std::string_view(Namen).substr(f.NameAb, f.NameLaenge); }
};
struct Lauf {
  std::vector<Teil> Teile;
  LaufErgebnis Ergebnis;
  std::exception_ptr Fehler;  // raised on a walker's thread, raised again after the join
};

void Laufen(const std::filesystem::path& host, const std::string& wurzel, Lauf& l) try {
  l.Teile.resize(std::max(1u, std::thread::hardware_concurrency()));
  l.Ergebnis = BestandLaufen(host, wurzel, l.Teile.size(), [&](std::size_t faden, const LaufDatei& f) {
    Teil& t = l.Teile[faden];
    if (t.Ordner.empty() || t.Ordner.back() != f.Ordner) {
      t.Ordner.emplace_back(f.Ordner);
      t.Host.push_back(*f.HostOrdner);
      t.Anfang.push_back(t.Funde.size());
    }
    t.Puffer.assign(f.OrdnerFalte);
    t.Puffer += '\\';
    FaltenAnhaengen(t.Puffer, f.Name);
    t.Funde.push_back({static_cast<uint32_t>(t.Namen.size()), static_cast<uint32_t>(f.Name.size()), f.Stand,
                       OrtSchluessel(t.Puffer)});
    t.Namen += f.Name;
  });
} catch (...) {
  l.Fehler = std::current_exception();
}

// A folder's files as one thread of the walk found them.
struct Block {
  const Teil* t;
  uint32_t o;
};

// Every folder found, in the order of their names: which thread found what
// does not change the order in which files are judged (nor the order of
// places in a reason).
std::vector<Block> Bloecke(const Lauf& l) {
  std::vector<Block> bloecke;
  for (const Teil& t : l.Teile)
    for (uint32_t o = 0; o < t.Ordner.size(); ++o) bloecke.push_back({&t, o});
  std::sort(bloecke.begin(), bloecke.end(),
            [](const Block& a, const Block& b) { return a.t->Ordner[a.o] < b.t->Ordner[b.o]; });
  return bloecke;
}

// Calls f(folder, host folder, name, fund) for each file of a folder.
template <class F>
void JeFund(const Block& b, F&& f) {
  const Teil& t = *b.t;
  const std::size_t bis = b.o + 1 < t.Anfang.size() ? t.Anfang[b.o + 1] : t.Funde.size();
  for (std::size_t i = t.Anfang[b.o]; i < bis; ++i) f(t.Ordner[b.o], t.Host[b.o], t.Name(t.Funde[i]), t.Funde[i]);
}

// The rows as needed once their files are missed, all in one statement
// (table order; rows deleted meanwhile are left out).
std::vector<Suchender> Vermisste(Datenbank& db, const std::vector<int32_t>& nummern) {
  std::vector<Suchender> aus;
  if (nummern.empty()) return aus;
  std::string liste = "[";
  for (const int32_t nr : nummern) {
    if (liste.size() > 1) liste += ',';
    liste += std::to_string(nr);
  }
  liste += ']';
  Abfrage a(db, AufServer(db) ? "SELECT d.Dateinummer, d.Dateiname, d.Dateipfad, f.Groesse, f.Hash, f.Mtime FROM "
                               "json_array_elements_text(CAST(?1 AS json)) j JOIN Dateiinfo d ON d.Dateinummer = "
                               "CAST(j.value AS integer) LEFT JOIN vxm_fingerabdruck f ON f.Dateinummer = d.Dateinummer"
                             : "SELECT d.Dateinummer, d.Dateiname, d.Dateipfad, f.Groesse, f.Hash, f.Mtime FROM "
                               "json_each(?1) j CROSS JOIN Dateiinfo d ON d.Dateinummer = j.value "
                               "LEFT JOIN vxm_fingerabdruck f ON f.Dateinummer = d.Dateinummer");
  a.Text(1, liste);
  aus.reserve(nummern.size());
  while (a.Zeile()) {
    Suchender x;
    x.Nummer = static_cast<int32_t>(a.ZahlSpalte(0));
    x.Name = a.Spalte(1);
    x.Ordner = a.Spalte(2);
    if (!a.IstNull(3)) {
      x.Inhalt = DateiInhalt{a.ZahlSpalte(3), std::string(a.Spalte(4))};
      x.Mtime = a.ZahlSpalte(5);
    }
    aus.push_back(std::move(x));
  }
  return aus;
}

void BeiseiteGroessen(Datenbank& db, std::unordered_set<int64_t>& groessen) {
  Abfrage a(db,
            "SELECT f.Groesse FROM vxm_beiseite b CROSS JOIN vxm_fingerabdruck f ON f.Dateinummer = b.Dateinummer "
            "WHERE b.Grund <> 'Papierkorb'");
  while (a.Zeile()) groessen.insert(a.ZahlSpalte(0));
}

// Registered rows with a print outside the root: the walk says nothing of
// their files, so they may want a content found under the root.
std::vector<Suchender> AndereLaden(Datenbank& db, const std::string& wurzel) {
  const std::string wf = Falten(wurzel);
  Abfrage a(db,
            "SELECT d.Dateinummer, d.Dateiname, d.Dateipfad, f.Groesse, f.Hash FROM Dateiinfo d CROSS JOIN "
            "vxm_fingerabdruck f ON f.Dateinummer = d.Dateinummer WHERE d.DateipfadSchluessel < ?1 OR "
            "(d.DateipfadSchluessel > ?1 AND d.DateipfadSchluessel < ?2) OR d.DateipfadSchluessel >= ?3");
  a.Text(1, wf).Text(2, wf + "\\").Text(3, wf + "]");
  std::vector<Suchender> andere;
  while (a.Zeile())
    andere.push_back({static_cast<int32_t>(a.ZahlSpalte(0)), std::string(a.Spalte(1)), std::string(a.Spalte(2)), false,
                      {}, {}, DateiInhalt{a.ZahlSpalte(3), std::string(a.Spalte(4))}, std::nullopt});
  return andere;
}

int64_t Zahl(Datenbank& db, const char* sql) {
  Abfrage a(db, sql);
  return a.Zeile() ? a.ZahlSpalte(0) : 0;
}

// Whether every print belongs to a row or a set-aside one, told by counting
// (the rows under the root are read anyway): the sweep of the others then
// needs no lookup per print. A run's own changes leave no print without
// its row; another process changing the register meanwhile can at worst
// leave one for the next run.
bool OhneWaisen(Datenbank& db, const std::string& wurzel, const std::vector<Zeile>& zeilen) {
  const std::string wf = Falten(wurzel);
  Abfrage a(db,
            "SELECT (SELECT count(*) FROM vxm_fingerabdruck) - (SELECT count(*) FROM vxm_beiseite b JOIN "
            "vxm_fingerabdruck f ON f.Dateinummer = b.Dateinummer) - (SELECT count(*) FROM Dateiinfo d JOIN "
            "vxm_fingerabdruck f ON f.Dateinummer = d.Dateinummer WHERE d.DateipfadSchluessel < ?1 OR "
            "(d.DateipfadSchluessel > ?1 AND d.DateipfadSchluessel < ?2) OR d.DateipfadSchluessel >= ?3)");
  a.Text(1, wf).Text(2, wf + "\\").Text(3, wf + "]");
  if (!a.Zeile()) return false;
  const auto mitAbdruck = std::count_if(zeilen.begin(), zeilen.end(), [](const Zeile& z) { return z.Groesse >= 0; });
  return a.ZahlSpalte(0) == mitAbdruck;
}

struct Erneuern {
  int32_t Zeile;
  std::filesystem::path Host;
};

// A current print that does not yet know the file it read.
struct Kennen {
  int32_t Nummer;
  DateiStand Stand;
};

// Which file: device and inode.
struct Kennung {
  int64_t Geraet, Inode;
  bool operator==(const Kennung&) const = default;
};
struct KennungHash {
  std::size_t operator()(const Kennung& k) const {
    return static_cast<std::size_t>(static_cast<uint64_t>(k.Inode) * 0x9E3779B97F4A7C15ULL ^
                                    static_cast<uint64_t>(k.Geraet));
  }
};

// What a run knows once the disk is walked and the register read.
struct Bestand {
  Lauf lauf;
  std::vector<Zeile> zeilen;
  OrtTabelle orte;
  bool ohneWaisen = false;  // every print had its row when the run began
  std::unordered_set<int64_t> gesucht;  // sizes looked for: a file of another size cannot be it
};

// The disk is walked while the register is read; a register whose
// whole-file check waits for the first write is checked meanwhile too
// (the transaction that makes the tables, empty where they exist).
void LaufenUndLesen(Datenbank& db, const std::filesystem::path& host, const std::string& wurzel, Bestand& b) {
  std::thread laeufer([&] { Laufen(host, wurzel, b.lauf); });
  try {
    {
      Transaktion t(db);
      AbgleichTabellenAnlegen(db);
      t.Bestaetigen();
    }
    ZeilenLaden(db, wurzel, b.zeilen, b.orte);
    b.ohneWaisen = OhneWaisen(db, wurzel, b.zeilen);
    BeiseiteGroessen(db, b.gesucht);
  } catch (...) {
    laeufer.join();
    throw;
  }
  laeufer.join();
  if (b.lauf.Fehler) std::rethrow_exception(b.lauf.Fehler);
}

// The files without a row that may be wanted, folder by folder (a
// folder's files are read through the folder, opened once).
struct Kandidaten {
  // Liste[Von, Bis) lies in the folder Host.
  struct Strecke {
    const std::filesystem::path* Host;
    std::size_t Von, Bis;
  };
  std::vector<Kandidat> Liste;
  // Per file, the row whose print read this very file in this state (0: none).
  std::vector<int32_t> Gleich;
  std::vector<Strecke> Strecken;

  void Dazu(const std::string& ordner, const std::filesystem::path& host, std::string_view name, const DateiStand& s,
            int32_t gleich) {
    if (Strecken.empty() || Strecken.back().Host != &host) Strecken.push_back({&host, Liste.size(), Liste.size()});
    Liste.push_back({ordner, std::string(name), {}, s, std::nullopt});  // (its path made while read)
    Gleich.push_back(gleich);
    Strecken.back().Bis = Liste.size();
  }
  // On all cores; one unreadable, or changed since the walk, stays without
  // content. A file that is known is not read (Uebernehmen).
  void Lesen() {
    AufAllenKernen(Strecken.size(), [&](std::size_t o) {
      for (std::size_t i = Strecken[o].Von; i < Strecken[o].Bis; ++i) Liste[i].Host = *Strecken[o].Host / Liste[i].Name;
      const int fd = ::open(Strecken[o].Host->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0) return;
      for (std::size_t i = Strecken[o].Von; i < Strecken[o].Bis; ++i)
        if (Gleich[i] == 0) Liste[i].Inhalt = InhaltLesen(fd, Liste[i].Name.c_str(), Liste[i].Stand);
      ::close(fd);
    });
  }
  // A known file holds what its row's print says, as the register has it now;
  // where the row is no longer looked for so, the file is read after all.
  void Uebernehmen(const std::vector<Suchender>& suchende) {
    std::unordered_map<int32_t, const Suchender*> nach;
    for (const int32_t g : Gleich)
      if (g != 0) nach.emplace(g, nullptr);
    if (nach.empty()) return;
    for (const Suchender& s : suchende)
      if (const auto it = nach.find(s.Nummer); it != nach.end() && !s.Beiseite) it->second = &s;
    for (std::size_t i = 0; i < Liste.size(); ++i) {
      if (Gleich[i] == 0) continue;
      Kandidat& k = Liste[i];
      const Suchender* s = nach[Gleich[i]];
      if (!s || !erkennung::WieAbgedruckt(k, *s)) k.Inhalt = InhaltLesen(k.Host, k.Stand);
    }
  }
};

// Rows gone from their place whose print knows the file it read, by that
// file (two rows for one file: -1, that file is read).
using WegKarte = std::unordered_map<Kennung, int32_t, KennungHash>;
WegKarte WegMitKennung(const std::vector<Zeile>& zeilen) {
  WegKarte weg;
  for (std::size_t i = 0; i < zeilen.size(); ++i) {
    const Zeile& z = zeilen[i];
    if (z.Gesehen || z.Inode == 0 || z.Groesse < 0 || z.Mtime == kUnsicher) continue;
    const auto [it, neu] = weg.emplace(Kennung{z.Geraet, z.Inode}, static_cast<int32_t>(i));
    if (!neu) it->second = -1;
  }
  return weg;
}

// The missed row whose print read this very file in this state (0: none).
int32_t GekannteZeile(const WegKarte& weg, const std::vector<Zeile>& zeilen, const DateiStand& stand) {
  const auto it = weg.find({stand.Geraet, stand.Inode});
  if (it == weg.end() || it->second < 0) return 0;
  const Zeile& z = zeilen[static_cast<std::size_t>(it->second)];
  return z.Groesse == stand.Groesse && z.Mtime == stand.Mtime ? z.Nummer : 0;
}

// Every file found against the rows: rows seen at their place, prints out
// of date or not knowing their file, and the files without a row of a size
// looked for (a missed row, a changed one or a set-aside one). A file
// renamed keeps device, inode, size and time: found so, it is the file a
// missed row's print read, and needs no reading.
void Vergleichen(Bestand& b, std::vector<Erneuern>& erneuern, Kandidaten& kandidaten, std::vector<Kennen>& kennen) {
  auto& zeilen = b.zeilen;
  struct OhneZeile {
    const std::string* Ordner;
    const std::filesystem::path* Host;
    std::string_view Name;
    const Fund* F;
  };
  struct Strecke {  // of folders, judged by one thread
    std::vector<Erneuern> erneuern;
    std::vector<Kennen> kennen;
    std::vector<OhneZeile> ohneZeile;
    std::vector<int64_t> gesucht;
  };
  // Stretches of folders on all cores, joined in the folders' order. Places
  // folded alike in two folders ("Akte", "AKTE") share rows: marked atomically.
  const std::vector<Block> bloecke = Bloecke(b.lauf);
  std::vector<Strecke> strecken(std::min<std::size_t>(bloecke.size(), 16));
  AufAllenKernen(strecken.size(), [&](std::size_t n) {
    Strecke& st = strecken[n];
    const std::size_t von = bloecke.size() * n / strecken.size(), bis = bloecke.size() * (n + 1) / strecken.size();
    for (std::size_t i = von; i < bis; ++i)
      JeFund(bloecke[i], [&](const std::string& ordner, const std::filesystem::path& hostOrdner,
                             std::string_view name, const Fund& f) {
        const int32_t erste = b.orte.Finden(f.Ort);
        if (erste < 0) {
          st.ohneZeile.push_back({&ordner, &hostOrdner, name, &f});
          return;
        }
        for (int32_t k = erste; k >= 0; k = zeilen[static_cast<std::size_t>(k)].Gleich)
          std::atomic_ref<bool>(zeilen[static_cast<std::size_t>(k)].Gesehen).store(true, std::memory_order_relaxed);
        const Zeile& z = zeilen[static_cast<std::size_t>(erste)];
        Fingerabdruck fp;
        fp.Inhalt.Groesse = z.Groesse;
        fp.Mtime = z.Mtime;
        if (z.Groesse < 0 || !Aktuell(fp, f.Stand)) {
          st.erneuern.push_back({erste, hostOrdner / name});
          if (z.Groesse >= 0) st.gesucht.push_back(z.Groesse);  // its content may have gone elsewhere
        } else if (z.Inode != f.Stand.Inode || z.Geraet != f.Stand.Geraet) {
          st.kennen.push_back({z.Nummer, f.Stand});
        }
      });
  });
  for (auto& st : strecken) {
    erneuern.insert(erneuern.end(), std::make_move_iterator(st.erneuern.begin()),
                    std::make_move_iterator(st.erneuern.end()));
    kennen.insert(kennen.end(), st.kennen.begin(), st.kennen.end());
    b.gesucht.insert(st.gesucht.begin(), st.gesucht.end());
  }
  for (const auto& z : zeilen)
    if (!z.Gesehen && z.Groesse >= 0) b.gesucht.insert(z.Groesse);
  const auto weg = WegMitKennung(zeilen);
  for (const auto& st : strecken)
    for (const auto& o : st.ohneZeile) {
      const DateiStand& stand = o.F->Stand;
      if (b.gesucht.count(stand.Groesse))
        kandidaten.Dazu(*o.Ordner, *o.Host, o.Name, stand, GekannteZeile(weg, zeilen, stand));
    }
}

// Current prints learn which file they read (those taken before prints kept it).
void KennungenSchreiben(Datenbank& db, const std::vector<Kennen>& kennen) {
  if (kennen.empty()) return;
  Transaktion t(db);
  for (const Kennen& k : kennen) KennungSchreiben(db, k.Nummer, k.Stand);
  t.Bestaetigen();
}

// Prints of files at their place, read on all cores, written together:
// names exchanged with the shell are only seen among all of them.
void AbdrueckeErneuern(Datenbank& db, const std::vector<Zeile>& zeilen, const std::vector<Erneuern>& erneuern,
                       AbgleichErgebnis& e, const std::function<void(const Vorgang&)>& melden) {
  std::vector<std::optional<Fingerabdruck>> gelesen(erneuern.size());
  AufAllenKernen(gelesen.size(), [&](std::size_t i) {
    DateiStand stand;
    if (auto inhalt = InhaltLesen(erneuern[i].Host, &stand))
      gelesen[i] = Abdruck(zeilen[static_cast<std::size_t>(erneuern[i].Zeile)].Nummer, *inhalt, stand);
  });
  std::vector<Fingerabdruck> neu;
  for (auto& f : gelesen)
    if (f) neu.push_back(std::move(*f));
  Nachzug getauscht;
  if (!neu.empty()) e.Fingerabdruecke = erkennung::AbdrueckeSchreiben(db, std::move(neu), "", getauscht);
  for (const auto& v : getauscht.Vorgaenge) {
    e.Vorgaenge.Dazu(v);
    if (melden) melden(v);
  }
}

// Rows whose files are gone look for their content among the files
// without a row; set-aside rows join them. Rows in folders that could not
// be read are not judged.
void VermissteSuchen(Datenbank& db, const Bestand& b, const std::string& wurzel, Zuordnung& zuordnung) {
  std::vector<std::string> luecken;
  for (const auto& l : b.lauf.Ergebnis.Luecken) luecken.push_back(Falten(l));
  std::vector<int32_t> vermisst;
  for (const auto& z : b.zeilen) {
    if (z.Gesehen)
      zuordnung.Vorhanden(z.Nummer);
    else
      vermisst.push_back(z.Nummer);
  }
  for (auto& s : Vermisste(db, vermisst)) {
    const std::string of = Falten(OhneSchraegstrich(s.Ordner));
    bool unlesbar = false;
    for (const auto& l : luecken) unlesbar = unlesbar || ImOderUnter(of, l);
    if (!unlesbar) zuordnung.Suchen(std::move(s));
  }
  zuordnung.BeiseiteDazu();
  zuordnung.AndereNur(AndereLaden(db, wurzel));
}

// Prints of rows the program has removed meanwhile.
void AbdrueckeOhneZeileLoeschen(Datenbank& db) {
  Transaktion t(db);
  Abfrage(db,
          "DELETE FROM vxm_fingerabdruck WHERE NOT EXISTS (SELECT 1 FROM Dateiinfo d WHERE d.Dateinummer = "
          "vxm_fingerabdruck.Dateinummer) AND NOT EXISTS (SELECT 1 FROM vxm_beiseite b WHERE b.Dateinummer = "
          "vxm_fingerabdruck.Dateinummer)")
      .Ausfuehren();
  t.Bestaetigen();
}

}  // namespace

AbgleichErgebnis Abgleichen(Datenbank& db, const std::string& wurzelEingabe,
                            const std::function<void(const Vorgang&)>& melden) {
  AbgleichErgebnis e;
  const std::string wurzel = OhneSchraegstrich(wurzelEingabe);
  std::filesystem::path host;
  try {
    host = HostPfadVon(wurzel);
  } catch (const VbFehler&) {
    e.WurzelGefunden = false;
    return e;
  }
  Bestand b;
  LaufenUndLesen(db, host, wurzel, b);
  e.Eingetragen = b.zeilen.size();
  e.WurzelGefunden = b.lauf.Ergebnis.Gefunden;
  e.Dateien = b.lauf.Ergebnis.Dateien;
  e.Luecken = b.lauf.Ergebnis.Luecken;
  if (!b.lauf.Ergebnis.Gefunden) return e;

  // From here on the batches are written: the disk takes them in the background.
  LogImHintergrund log(db);
  std::vector<Erneuern> erneuern;
  std::vector<Kennen> kennen;
  Kandidaten kandidaten;
  Vergleichen(b, erneuern, kandidaten, kennen);
  // The candidates are read on the other cores while the register is asked for the missed rows.
  std::exception_ptr lesefehler;
  std::jthread leser([&] {
    try {
      kandidaten.Lesen();
    } catch (...) {
      lesefehler = std::current_exception();
    }
  });
  AbdrueckeErneuern(db, b.zeilen, erneuern, e, melden);
  KennungenSchreiben(db, kennen);
  Zuordnung zuordnung(db);
  VermissteSuchen(db, b, wurzel, zuordnung);
  leser.join();
  if (lesefehler) std::rethrow_exception(lesefehler);
  kandidaten.Uebernehmen(zuordnung.Suchende());
  for (auto& k : kandidaten.Liste)
    if (k.Inhalt) zuordnung.Dazu(std::move(k));  // (one unreadable, or changed since the walk, is none)
  Zuordnung::Weise weise;
  weise.Melden = melden;
  weise.Stapel = kAbgleichStapel;
  weise.Nachpruefen = false;  // the walk has just seen both places
  erkennung::Anhaengen(e.Vorgaenge, zuordnung.Ausfuehren(weise));

  for (const auto& v : AbgelaufeneVerwerfen(db, melden).Vorgaenge) e.Vorgaenge.Dazu(v);
  if (!b.ohneWaisen) AbdrueckeOhneZeileLoeschen(db);
  e.Warten = static_cast<std::size_t>(Zahl(db, "SELECT count(*) FROM vxm_beiseite"));
  return e;
}

std::string AbgleichZusammenfassung(const AbgleichErgebnis& e) {
  const auto& n = e.Vorgaenge;
  std::string s = "Abgleich beendet: " + std::to_string(e.Dateien) + " Dateien, " + std::to_string(e.Eingetragen) +
                  " eingetragen; " + std::to_string(n.Umgezogen) + " umgezogen, " + std::to_string(n.Zurueckgeholt) +
                  " zurückgeholt, " + std::to_string(n.Beiseitegelegt) + " beiseitegelegt (davon " +
                  std::to_string(n.Mehrdeutig) + " mehrdeutig), " + std::to_string(n.Verworfen) + " verworfen; " +
                  std::to_string(e.Fingerabdruecke) + " Fingerabdrücke erfasst; " + std::to_string(e.Warten) +
                  " Einträge warten beiseite.";
  if (!e.Luecken.empty())
    s += " Nicht lesbar (dort nichts geändert): " + std::to_string(e.Luecken.size()) + " Ordner.";
  return s;
}

}  // namespace vxm
