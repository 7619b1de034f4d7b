#include "search/volltext/volltextsuche.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <set>
#include <exception>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "platform/fehler.h"
#include "search/textsuche.h"
#include "search/volltext/faltung.h"

namespace vxm::volltext {
namespace {

// "C:\A\" and "C:\A" are one folder.
std::string OrdnerKey(const std::string& windows) {
  std::string k = IndexSchluessel(windows);
  while (!k.empty() && k.back() == '\\') k.pop_back();
  return k;
}

bool IstTxt(std::string_view name) {
  if (name.size() < 3) return false;
  const auto e = name.substr(name.size() - 3);
  return (e[0] | 0x20) == 't' && (e[1] | 0x20) == 'x' && (e[2] | 0x20) == 't';
}

// A text of the index that may contain the phrase: its candidate
// sections, checked before the walk.
struct Pruefinhalt {
  std::int64_t Id = 0;
  std::vector<std::string> Daten;  // stored sections in order
  bool Treffer = false;
  std::string Kontext;
};

// A file holding a text that contains the phrase.
struct Trefferdatei {
  std::string Name;  // as on disk
  const Pruefinhalt* Inhalt;
};

// A row without indexed text (not indexable, waiting for OCR): its bytes
// are searched where the folder is trusted.
struct OhneText {
  std::string Name;
  std::int64_t Groesse, Mtime;
};

// A folder as the indexer recorded it.
struct Knoten {
  std::string Key, Name;  // Name as on disk
  std::int64_t Mtime = 0;
  std::vector<std::uint32_t> Kinder;  // by name
  std::vector<std::string> Zwillinge;  // files without a row (see Ordnerzeit)
  std::uint32_t Eltern = UINT32_MAX;
};

// The recorded folders under a start, as a tree. Built once and kept by the
// index until it changes: most searches of a window find it ready.
struct Ordnerbaum {
  std::vector<Knoten> Knoten_;
  std::unordered_map<std::string, std::uint32_t> NachKey;
  std::vector<std::uint32_t> MitZwillingen;
};

// One file of a trusted folder to report.
struct Meldung {
  const std::string* Name;
  bool Treffer, AusIndex;
  bool Bytes;  // its bytes are searched
  std::string Kontext;
};

class Suchlauf {
 public:
  Suchlauf(Volltextindex* index, const VolltextAuftrag& a,
           const std::function<void(const VolltextTreffer&)>& treffer, SuchSteuerung* st)
      : index_(index), a_(a), treffer_(treffer), st_(st), phrase_(a.Phrase), sucher_(Falten(a.Phrase)) {
    kurz_ = Zeichen(sucher_.Phrase()) < 4;
  }

  VolltextErgebnis Ausfuehren(const std::string& windows, const std::string& host) {
    if (phrase_.Leer() || sucher_.Phrase().empty()) return std::move(erg_);
    if (index_) {
      try {
        Volltextindex::Lesen lesen(*index_);
        IndexLesen(windows);
      } catch (const IndexFehler&) {
        // An unreadable index: the bytes answer alone.
        inhalte_.clear();
        proOrdner_.clear();
        ohneText_.clear();
        baum_.reset();
        trefferJe_.clear();
        ohneJe_.clear();
        belegt_.clear();
        mitIndex_ = false;
      }
    }
    Ordner(windows, host, AT_FDCWD, host);
    return std::move(erg_);
  }

 private:
  bool Abbruch() {
    if (st_ && st_->Abgebrochen()) erg_.Abgebrochen = true;
    return erg_.Abgebrochen;
  }

  // --- the index's part ---------------------------------------------------

  void IndexLesen(const std::string& windows) {
    mitIndex_ = true;
    const std::string start = OrdnerKey(windows);
    bool sicher = false;
    for (auto& k : index_->Kandidaten(sucher_.Phrase(), sicher, true)) {
      Pruefinhalt& p = inhalte_[k.Inhalt];
      p.Id = k.Inhalt;
      p.Daten.push_back(std::move(k.Daten));
    }
    sicher_ = sicher;
    Pruefen();
    // The files of the texts that hold it, under the start folder.
    std::vector<std::int64_t> mitTreffer;
    for (const auto& [id, p] : inhalte_)
      if (p.Treffer) mitTreffer.push_back(id);
    for (auto& e : index_->DateienMitInhalten(mitTreffer)) {
      const auto it = inhalte_.find(e.Inhalt);
      if (it == inhalte_.end()) continue;
      const Pruefinhalt& p = it->second;
      {
        const std::string key = IndexSchluessel(e.Pfad);
        std::string ordner = key.substr(0, key.rfind('\\'));
        const bool darunter = ordner.size() >= start.size() && ordner.compare(0, start.size(), start) == 0 &&
                              (ordner.size() == start.size() || ordner[start.size()] == '\\' || start.back() == ':');
        if (darunter) proOrdner_[std::move(ordner)].push_back({e.Pfad.substr(e.Pfad.rfind('\\') + 1), &p});
      }
    }
    for (const auto& e : index_->OhneIndextextUnter(windows)) {
      const std::string key = IndexSchluessel(e.Pfad);
      ohneText_[key.substr(0, key.rfind('\\'))].push_back({e.Pfad.substr(e.Pfad.rfind('\\') + 1), e.Groesse, e.Mtime});
    }
    if (a_.Ordnerzeiten) BaumLesen(windows);
  }

  // The recorded folders under the start, as a tree, with the hits and
  // the rows without text attached to their folders.
  void BaumLesen(const std::string& windows) {
    const std::string name = "ordnerbaum:" + OrdnerKey(windows);
    baum_ = std::static_pointer_cast<const Ordnerbaum>(index_->Gemerkt(name));
    if (!baum_) {
      auto neu = std::make_shared<Ordnerbaum>();
      auto zeiten = index_->OrdnerzeitenUnter(windows);
      auto& knoten = neu->Knoten_;
      knoten.reserve(zeiten.size());
      for (auto& o : zeiten) {
        Knoten k;
        k.Name = o.Pfad.substr(o.Pfad.rfind('\\') + 1);
        k.Key = std::move(o.Schluessel);
        k.Mtime = o.Mtime;
        k.Zwillinge = std::move(o.Zwillinge);
        if (!k.Zwillinge.empty()) neu->MitZwillingen.push_back(static_cast<std::uint32_t>(knoten.size()));
        neu->NachKey.emplace(k.Key, static_cast<std::uint32_t>(knoten.size()));
        knoten.push_back(std::move(k));
      }
      for (std::uint32_t i = 0; i < knoten.size(); ++i) {
        const auto t = knoten[i].Key.rfind('\\');
        if (t == std::string::npos) continue;
        const auto eltern = neu->NachKey.find(knoten[i].Key.substr(0, t));
        if (eltern == neu->NachKey.end()) continue;
        knoten[eltern->second].Kinder.push_back(i);
        knoten[i].Eltern = eltern->second;
      }
      for (auto& k : knoten)
        std::sort(k.Kinder.begin(), k.Kinder.end(),
                  [&](std::uint32_t x, std::uint32_t y) { return knoten[x].Name < knoten[y].Name; });
      index_->Merken(name, neu);
      baum_ = std::move(neu);
    }
    for (const auto& [key, liste] : proOrdner_)
      if (const auto it = baum_->NachKey.find(key); it != baum_->NachKey.end())
        for (const auto& d : liste) trefferJe_[it->second].push_back(&d);
    for (const auto& [key, liste] : ohneText_)
      if (const auto it = baum_->NachKey.find(key); it != baum_->NachKey.end()) ohneJe_[it->second] = &liste;
    // The folders above each of them hold something to report.
    auto belegen = [&](std::uint32_t i) {
      for (; i != UINT32_MAX && belegt_.insert(i).second; i = baum_->Knoten_[i].Eltern) {
      }
    };
    for (const auto& [i, _] : trefferJe_) belegen(i);
    for (const auto& [i, _] : ohneJe_) belegen(i);
    for (const std::uint32_t i : baum_->MitZwillingen) belegen(i);
  }

  // A sub-tree that the watching vouches for throughout, with no hit and no
  // row without text: nothing in it to report or to read, so it is passed
  // without building its paths.
  bool Still(std::uint32_t k) {
    if (!a_.OrdnerUnveraendert || belegt_.count(k)) return false;
    std::vector<std::uint32_t> offen{k};
    long n = 0;
    while (!offen.empty()) {
      const Knoten& kn = baum_->Knoten_[offen.back()];
      offen.pop_back();
      if (kn.Mtime < 0 || !a_.OrdnerUnveraendert(kn.Key)) return false;
      ++n;
      offen.insert(offen.end(), kn.Kinder.begin(), kn.Kinder.end());
    }
    erg_.Ordner += n;
    return true;
  }

  // Checks every candidate text, on two threads when there is much to
  // unpack: a text holds the phrase at its first section that does.
  void Pruefen() {
    std::vector<Pruefinhalt*> liste;
    std::size_t bytes = 0;
    for (auto& [_, p] : inhalte_) {
      liste.push_back(&p);
      for (const auto& t : p.Daten) bytes += t.size();
    }
    // A phrase longer than the sections' overlap may run over a border:
    // the whole text (read on this thread, which owns the connection).
    if (sucher_.Phrase().size() > 256) {
      for (Pruefinhalt* p : liste) {
        p->Daten.clear();
        p->Treffer = ImText(index_->InhaltText(p->Id), p->Kontext);
      }
      return;
    }
    std::atomic<std::size_t> naechste{0};
    auto arbeiten = [&](Entpacker& entpacker) {
      for (std::size_t i; (i = naechste.fetch_add(1)) < liste.size();) {
        Pruefinhalt& p = *liste[i];
        for (const auto& daten : p.Daten) {
          if (sicher_ && !a_.Wortsuche && !a_.MitKontext) {
            p.Treffer = true;
            break;
          }
          if (ImText(entpacker.Entpacken(daten), p.Kontext)) {
            p.Treffer = true;
            break;
          }
        }
        p.Daten = {};
      }
    };
    const unsigned kerne = std::min(2u, std::max(1u, std::thread::hardware_concurrency()));
    if (kerne > 1 && bytes > (256u << 10) && liste.size() > 8) {
      // Joined on every way out; a failure on either thread reaches the caller.
      std::exception_ptr fehler;
      std::jthread zweiter([&] {
        try {
          Entpacker eigener;
          arbeiten(eigener);
        } catch (...) {
          fehler = std::current_exception();
        }
      });
      arbeiten(Hiesiger());
      zweiter.join();
      if (fehler) std::rethrow_exception(fehler);
    } else {
      arbeiten(Hiesiger());
    }
  }

  // The calling thread's unpacker, kept from search to search: a new one
  // maps and clears its working memory (as much as unpacking a small text).
  static Entpacker& Hiesiger() {
    static thread_local Entpacker e;
    return e;
  }

  bool ImText(std::string_view text, std::string& kontext) const {
    if (!a_.Wortsuche) {
      std::size_t von = 0, bis = 0;
      if (!sucher_.Finden(text, von, bis)) return false;
      if (a_.MitKontext) kontext = Kontext(text, von, bis - von);
      return true;
    }
    // Whole words: where the folded phrase stands between non-word characters.
    const std::string& g = sucher_.Phrase();
    std::vector<std::uint32_t> herkunft;
    std::string f = Falten(text);
    if (f.find(g) == std::string::npos) return false;
    f = Falten(text, herkunft);
    for (std::size_t p = f.find(g); p != std::string::npos; p = f.find(g, p + 1)) {
      const std::size_t e = p + g.size();
      const bool links = p == 0 || !Wortzeichen(f, p - 1) || !Wortzeichen(g, 0);
      const bool rechts = e >= f.size() || !Wortzeichen(f, e) || !Wortzeichen(g, g.size() - 1);
      if (!links || !rechts) continue;
      if (a_.MitKontext) {
        const std::size_t von = herkunft[p];
        std::size_t ende = herkunft[e - 1] + 1;
        while (ende < text.size() && (static_cast<unsigned char>(text[ende]) & 0xC0) == 0x80) ++ende;
        kontext = Kontext(text, von, ende - von);
      }
      return true;
    }
    return false;
  }

  // --- the walk -----------------------------------------------------------

  void Melden(bool treffer, bool ausIndex, const std::string& name, const std::string& ordner, std::string& kontext) {
    if (!treffer || Abbruch()) return;
    ++erg_.Dateien;
    if (ausIndex) ++erg_.AusIndex;
    if (treffer_) treffer_(VolltextTreffer{name, ordner, std::move(kontext), ausIndex});
  }

  // A folder unchanged since the indexer listed it: its rows stand for its
  // files, its recorded sub-folders for its sub-folders. False when the
  // folder changed (or its time cannot be read).
  bool Vertrauen(std::uint32_t i, const std::string& windows, const std::string& host, int elternFd,
                 const std::string& name) {
    const Knoten& kn = baum_->Knoten_[i];
    const auto trefferIt = trefferJe_.find(i);
    const auto ohneIt = ohneJe_.find(i);
    const std::vector<OhneText>* ohne = ohneIt == ohneJe_.end() ? nullptr : ohneIt->second;
    const bool alleBytes = kurz_ || a_.DateiGesehen;
    int fd = -1;
    struct Schliessen {
      int fd;
      ~Schliessen() {
        if (fd >= 0) ::close(fd);
      }
    } schliessen{-1};
    // Recorded without a time (by older versions, for names only in letter
    // case apart): never vouched for.
    if (kn.Mtime < 0) return false;
    if (!(a_.OrdnerUnveraendert && a_.OrdnerUnveraendert(kn.Key))) {
      // Its time; the folder's handle only when its sub-folders or bytes need it.
      const bool handle = !kn.Kinder.empty() || ohne || alleBytes || !kn.Zwillinge.empty();
      struct stat ost {};
      if (handle) {
        fd = schliessen.fd = ::openat(elternFd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || ::fstat(fd, &ost) != 0) return false;
      } else if (::fstatat(elternFd, name.c_str(), &ost, 0) != 0 || !S_ISDIR(ost.st_mode)) {
        return false;
      }
      if (Nanosekunden(ost) != kn.Mtime) return false;
      if (!besucht_.insert({ost.st_dev, ost.st_ino}).second) return true;
    }
    if (st_) {
      if (st_->OrdnerBetreten) st_->OrdnerBetreten(windows);
      st_->Melden();
    }
    std::vector<Meldung> meldungen;
    if (trefferIt != trefferJe_.end())
      for (const Trefferdatei* d : trefferIt->second) meldungen.push_back({&d->Name, true, true, false, d->Inhalt->Kontext});
    if (ohne)
      for (const auto& o : *ohne) meldungen.push_back({&o.Name, false, false, true, {}});
    for (const auto& z : kn.Zwillinge) meldungen.push_back({&z, false, false, true, {}});
    std::vector<std::string> namen;
    if (alleBytes) {
      // Every file of the folder: from its rows.
      try {
        for (const auto& e : index_->EintraegeUnter(windows, false)) namen.push_back(e.Pfad.substr(e.Pfad.rfind('\\') + 1));
      } catch (const IndexFehler&) {
      }
      std::set<std::string_view> schon;
      for (const auto& m : meldungen) schon.insert(*m.Name);
      for (const auto& n : namen)
        if (!schon.count(n)) meldungen.push_back({&n, false, false, kurz_, {}});
    }
    std::sort(meldungen.begin(), meldungen.end(), [](const Meldung& x, const Meldung& y) { return *x.Name < *y.Name; });
    for (auto& m : meldungen) {
      if (Abbruch()) break;
      if (a_.DateiGesehen) a_.DateiGesehen(windows, *m.Name);
      // Rows without text, and every file for a short phrase: their bytes.
      if (!m.Treffer && m.Bytes) m.Treffer = AusBytes(fd, host, *m.Name, m.Kontext);
      Melden(m.Treffer, m.AusIndex, *m.Name, windows, m.Kontext);
    }
    ++erg_.Ordner;
    for (const std::uint32_t k : kn.Kinder) {
      if (Abbruch()) break;
      if (!alleBytes && Still(k)) continue;
      const std::string& u = baum_->Knoten_[k].Name;
      const std::string unterHost = std::string(host).append("/").append(u);
      Ordner(Verbinden(windows, u), unterHost, fd >= 0 ? fd : AT_FDCWD, fd >= 0 ? u : unterHost, k);
    }
    return true;
  }

  // The byte search on one file, as the data search does it.
  // `ordnerFd` is the folder's handle, or -1 (then `host` is its path).
  bool AusBytes(int ordnerFd, const std::string& host, const std::string& name, std::string& kontext) {
    const int fd = ordnerFd >= 0 ? ::openat(ordnerFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)
                                 : ::open((host + "/" + name).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    ++erg_.Bytesuche;
    bool treffer = false;
    if (IstTxt(name)) {
      std::vector<std::string> zeilen;
      treffer = suche_intern::ZeilenInDeskriptor(fd, phrase_, a_.MitKontext ? &zeilen : nullptr, "\r", "\n", st_);
      if (treffer && !zeilen.empty()) {
        const std::string zeile = AlsUtf8(zeilen.front());
        const Suchphrase utf8(a_.Phrase);
        std::size_t laenge = 0;
        const std::size_t pos = utf8.Finden(zeile.data(), zeile.size(), &laenge);
        kontext = pos == Suchphrase::npos ? Kontext(zeile, 0, 0, 80) : Kontext(zeile, pos, laenge);
      }
    } else {
      const std::int64_t pos = suche_intern::TextInDeskriptor(fd, phrase_, 1, st_);
      treffer = pos != 0;
      if (treffer && a_.MitKontext) {
        // Some bytes on either side, read as text.
        const std::int64_t von = std::max<std::int64_t>(0, pos - 1 - 120);
        std::string roh(static_cast<std::size_t>(pos - 1 - von) + phrase_.MaxLaenge() + 120, '\0');
        const ssize_t n = ::pread(fd, roh.data(), roh.size(), von);
        roh.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        const std::string text = AlsUtf8(roh);
        const Suchphrase utf8(a_.Phrase);
        std::size_t laenge = 0;
        const std::size_t p = utf8.Finden(text.data(), text.size(), &laenge);
        kontext = p == Suchphrase::npos ? std::string() : Kontext(text, p, laenge);
      }
    }
    ::close(fd);
    return treffer;
  }

  // The rows of one folder, by upper-cased name.
  std::unordered_map<std::string, Indexeintrag> OrdnerZeilen(const std::string& windows) {
    std::unordered_map<std::string, Indexeintrag> zeilen;
    if (!mitIndex_) return zeilen;
    try {
      for (auto& e : index_->EintraegeUnter(windows, false)) {
        std::string key = IndexSchluessel(e.Pfad.substr(e.Pfad.rfind('\\') + 1));
        zeilen.emplace(std::move(key), std::move(e));
      }
    } catch (const IndexFehler&) {
    }
    return zeilen;
  }

  // A folder: trusted by its recorded time (node `k` of the tree, or found
  // by its key), else listed.
  void Ordner(const std::string& windows, const std::string& host, int elternFd, const std::string& name,
              std::int64_t k = -1) {
    if (Abbruch()) return;
    if (k < 0 && baum_) {
      const auto it = baum_->NachKey.find(OrdnerKey(windows));
      if (it != baum_->NachKey.end()) k = it->second;
    }
    if (k >= 0 && Vertrauen(static_cast<std::uint32_t>(k), windows, host, elternFd, name)) return;
    if (st_) {
      if (st_->OrdnerBetreten) st_->OrdnerBetreten(windows);
      st_->Melden();
    }
    const int fd = ::openat(elternFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat ost {};
    if (fd < 0 || ::fstat(fd, &ost) != 0) {
      if (fd >= 0) ::close(fd);
      erg_.Ungelesen.push_back(windows);
      return;
    }
    if (!besucht_.insert({ost.st_dev, ost.st_ino}).second) {
      ::close(fd);
      return;
    }
    DIR* d = ::fdopendir(fd);
    if (!d) {
      ::close(fd);
      erg_.Ungelesen.push_back(windows);
      return;
    }
    struct Eintrag {
      std::string Name;
      struct stat St;
    };
    std::vector<Eintrag> dateien;
    std::vector<std::string> unter;
    while (const dirent* e = ::readdir(d)) {
      const char* n = e->d_name;
      if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
      struct stat st {};
      if (::fstatat(::dirfd(d), n, &st, 0) != 0) continue;
      if (S_ISDIR(st.st_mode)) {
        unter.emplace_back(n);
      } else if (S_ISREG(st.st_mode) && std::strncmp(n, ".~vxm", 5) != 0) {
        dateien.push_back({n, st});
      }
    }
    std::sort(dateien.begin(), dateien.end(), [](const Eintrag& x, const Eintrag& y) { return x.Name < y.Name; });
    std::sort(unter.begin(), unter.end());
    const auto zeilen = OrdnerZeilen(windows);
    std::unordered_set<std::string> benutzt;  // a row stands for one file (names differing in case only)
    for (const auto& e : dateien) {
      if (Abbruch()) break;
      if (a_.DateiGesehen) a_.DateiGesehen(windows, e.Name);
      bool treffer = false, ausIndex = false;
      std::string kontext;
      auto it = zeilen.empty() ? zeilen.end() : zeilen.find(IndexSchluessel(e.Name));
      if (it != zeilen.end() && !benutzt.insert(it->first).second) it = zeilen.end();
      const bool aktuell = it != zeilen.end() && it->second.Zustand == Indexzustand::Indiziert &&
                           it->second.Groesse == e.St.st_size && it->second.Mtime == Nanosekunden(e.St);
      if (aktuell) {
        if (const auto k = inhalte_.find(it->second.Inhalt); k != inhalte_.end() && k->second.Treffer) {
          treffer = ausIndex = true;
          kontext = k->second.Kontext;
        }
      }
      if (!treffer && (!aktuell || kurz_)) treffer = AusBytes(::dirfd(d), host, e.Name, kontext);
      Melden(treffer, ausIndex, e.Name, windows, kontext);
    }
    ++erg_.Ordner;
    for (const auto& u : unter) {
      if (Abbruch()) break;
      Ordner(Verbinden(windows, u), std::string(host).append("/").append(u), ::dirfd(d), u);
    }
    ::closedir(d);
  }

  Volltextindex* index_;
  const VolltextAuftrag& a_;
  const std::function<void(const VolltextTreffer&)>& treffer_;
  SuchSteuerung* st_;
  Suchphrase phrase_;
  Faltsucher sucher_;
  bool kurz_ = false, sicher_ = false, mitIndex_ = false;
  std::unordered_map<std::int64_t, Pruefinhalt> inhalte_;                        // text id: candidate
  std::unordered_map<std::string, std::vector<Trefferdatei>> proOrdner_;         // folder key: files with a hit
  std::unordered_map<std::string, std::vector<OhneText>> ohneText_;              // folder key: rows without text
  std::shared_ptr<const Ordnerbaum> baum_;                                       // recorded folders
  std::unordered_map<std::uint32_t, std::vector<const Trefferdatei*>> trefferJe_;  // node: its hits
  std::unordered_map<std::uint32_t, const std::vector<OhneText>*> ohneJe_;        // node: its rows without text
  std::unordered_set<std::uint32_t> belegt_;  // nodes with something to report in their sub-tree
  std::set<std::pair<dev_t, ino_t>> besucht_;
  VolltextErgebnis erg_;
};

}  // namespace

std::string Kontext(std::string_view text, std::size_t pos, std::size_t laenge, std::size_t umfeld) {
  pos = std::min(pos, text.size());
  laenge = std::min(laenge, text.size() - pos);
  auto zeichenbeginn = [&](std::size_t i) {
    while (i > 0 && i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
    return i;
  };
  // `umfeld` characters back and forth, within the part of the text the
  // match is in (a form feed parts the document's text from the raw
  // strings of its file).
  const std::size_t teilAnfang = pos == 0 ? 0 : text.rfind('\f', pos - 1) + 1;
  const std::size_t teilEnde = std::min(text.size(), text.find('\f', pos + laenge));
  std::size_t von = pos;
  for (std::size_t n = 0; von > teilAnfang && n < umfeld; ++n) von = std::max(teilAnfang, zeichenbeginn(von - 1));
  std::size_t bis = pos + laenge;
  for (std::size_t n = 0; bis < teilEnde && n < umfeld; ++n) {
    ++bis;
    while (bis < text.size() && (static_cast<unsigned char>(text[bis]) & 0xC0) == 0x80) ++bis;
  }
  std::string aus;
  if (von > teilAnfang) aus += "\xE2\x80\xA6";
  bool blank = false;
  for (std::size_t i = von; i < bis; ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x20 || b == 0x7F || b == ' ') {
      if (!blank && !aus.empty()) aus += ' ';
      blank = true;
    } else {
      aus += static_cast<char>(b);
      blank = false;
    }
  }
  while (!aus.empty() && aus.back() == ' ') aus.pop_back();
  bis = std::min(bis, teilEnde);
  if (bis < teilEnde) aus += "\xE2\x80\xA6";
  return aus;
}

VolltextErgebnis VolltextSuchen(Volltextindex* index, const Laufwerkstabelle& laufwerke,
                                const VolltextAuftrag& auftrag,
                                const std::function<void(const VolltextTreffer&)>& treffer,
                                SuchSteuerung* steuerung) {
  std::string windows, host;
  try {
    const auto a = laufwerke.Aufloesen(auftrag.Ordner);
    windows = a.Windows();
    host = a.Host.string();
  } catch (const VbFehler&) {
    VolltextErgebnis e;
    e.Ungelesen.push_back(auftrag.Ordner);
    return e;
  }
  Suchlauf lauf(index, auftrag, treffer, steuerung);
  return lauf.Ausfuehren(windows, host);
}

}  // namespace vxm::volltext
