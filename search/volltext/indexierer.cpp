#include "search/volltext/indexierer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>
#include <set>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "platform/fehler.h"
#include "platform/inhaltshash.h"
#include "search/volltext/erkennung.h"
#include "search/volltext/nebenleser.h"
#include "search/volltext/vorerkennung.h"
#include "search/volltext/ordnerwache.h"
#include "search/volltext/schreiber.h"

namespace vxm::volltext {

struct Indexierer::Impl {
  struct Ordnerauftrag {
    std::string Windows;
    bool Rekursiv = true;
    // A folder the watching reported changed: its new sub-folders are
    // walked, and its time is recorded again.
    bool Nachpruefen = false;
  };
  struct Ereignis {
    enum { Umbenannt, Geloescht, Nachsehen } Art;
    std::string Pfad, Neu;
  };

  std::filesystem::path datei;
  Laufwerkstabelle laufwerke;
  std::vector<std::string> wurzeln;
  Indexiereroptionen o;

  mutable std::mutex m;
  std::condition_variable cv;
  std::deque<Ereignis> ereignisse;
  std::deque<Ordnerauftrag> ordner;
  std::deque<Dateiauftrag> dateien;
  std::deque<Dateiauftrag> ocr;
  std::set<std::string> ocrBekannt;  // keys queued for OCR
  std::unordered_set<std::string> inSchlange;  // keys queued in `dateien`
  std::unordered_set<std::string> gezaehlt;    // folder keys whose files were counted
  bool pausiert = false, ende = false;
  std::atomic<bool> laeuft{false};
  std::atomic<bool> abbruch{false};  // Anhalten: the file in hand is dropped, not waited for
  std::atomic<std::int64_t> erledigt{0}, gesamt{0};
  bool gezaehltBeiRuhe = false;  // (the worker's own)

  std::thread arbeiter;
  std::unique_ptr<Volltextindex> index;
  std::unique_ptr<Auslesedienst> dienst;
  std::unique_ptr<Nebenleser> nebenleser;  // more helpers reading side by side
  std::unique_ptr<Vorerkennung> vorab;     // recognition while files are still read
  // Declared after `index`, so it ends first: without its thread it writes with that.
  Stapelschreiber schreiber{datei, o.Stapel, o.Stapelzeit, o.NiedrigePrioritaet};
  struct Ordnerstand {
    std::string Pfad;
    std::int64_t Zeit;
    std::vector<std::string> Zwillinge;
    std::vector<std::string> Unter;  // its sub-folders when listed
  };
  std::vector<Ordnerstand> ordnerzeiten;  // listed, files pending

  Impl(std::filesystem::path d, Laufwerkstabelle l, std::vector<std::string> w, Indexiereroptionen opt)
      : datei(std::move(d)), laufwerke(std::move(l)), wurzeln(std::move(w)), o(opt) {
    o.Grenzen.NiedrigePrioritaet = o.NiedrigePrioritaet;
    o.Grenzen.Abbruch = &abbruch;
    for (const auto& w2 : wurzeln) ordner.push_back({w2, true});
  }

  bool Aufloesen(const std::string& windows, std::string& win, std::string& host) {
    try {
      const auto a = laufwerke.Aufloesen(windows);
      win = a.Windows();
      host = a.Host.string();
      return true;
    } catch (const VbFehler&) {
      return false;
    }
  }

  // --- walking folders ----------------------------------------------------

  // What a folder holds besides the rows it has.
  struct Auflistung {
    std::vector<std::pair<std::string, struct stat>> Dateien;
    std::vector<std::string> Unter;      // sub-folders to walk
    std::vector<std::string> NeueUnter;  // sub-folders the watching does not follow yet
    std::vector<std::string> AlleUnter;
  };
  // The listed files against their rows.
  struct Befund {
    std::vector<Dateiauftrag> Neu;  // to read
    std::int64_t Gefunden = 0, Aktuell = 0;
    std::vector<std::string> Zwillinge;  // names that differ from one with a row only in letter case
  };

  void OrdnerPruefen(const Ordnerauftrag& a, bool vorrang) {
    std::string win, host;
    if (!Aufloesen(a.Windows, win, host)) return;
    // Watched before it is listed: a change during the listing is heard.
    if (wache) wache->Beobachten(win, host);
    const int fd = ::open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat ost {};
    DIR* d = ::fstat(fd, &ost) == 0 ? ::fdopendir(fd) : nullptr;
    if (!d) {
      ::close(fd);
      return;
    }
    // The time before listing: a change during the listing shows later.
    const std::int64_t ordnerzeit = Nanosekunden(ost);
    begangen.insert(IndexOrdnerSchluessel(win));
    std::unordered_map<std::string, Indexeintrag> bekannt;
    for (auto& e : index->EintraegeUnter(win, false)) bekannt.emplace(IndexSchluessel(e.Pfad), std::move(e));
    Auflistung liste = Auflisten(d, a, win);
    ::closedir(d);
    Befund b = Vergleichen(liste.Dateien, win, host, bekannt);
    if (a.Rekursiv || a.Nachpruefen) ordnerzeiten.push_back({win, ordnerzeit, std::move(b.Zwillinge), liste.AlleUnter});
    // Rows of files that are gone.
    for (auto& [_, e] : bekannt) schreiber.Vormerken({e, std::nullopt, false, true});
    std::sort(liste.Unter.begin(), liste.Unter.end());
    Einreihen(a, win, vorrang, b, liste);
  }

  Auflistung Auflisten(DIR* d, const Ordnerauftrag& a, const std::string& win) {
    Auflistung aus;
    while (const dirent* e = ::readdir(d)) {
      const char* n = e->d_name;
      if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
      struct stat st {};
      if (::fstatat(::dirfd(d), n, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (S_ISLNK(st.st_mode)) {
        // A linked folder is not walked (a link to "." would be walked
        // without end); its files are read by the search itself.
        if (::fstatat(::dirfd(d), n, &st, 0) != 0 || S_ISDIR(st.st_mode)) continue;
      }
      if (S_ISDIR(st.st_mode)) {
        aus.AlleUnter.push_back(Verbinden(win, n));
        if (a.Rekursiv) {
          aus.Unter.push_back(Verbinden(win, n));
        } else if (a.Nachpruefen && wache && !wache->Beobachtet(Verbinden(win, n))) {
          aus.NeueUnter.push_back(Verbinden(win, n));
        }
        continue;
      }
      if (!S_ISREG(st.st_mode) || std::strncmp(n, ".~vxm", 5) == 0 || EigeneDatei(n)) continue;
      aus.Dateien.emplace_back(n, st);
    }
    return aus;
  }

  // Takes the rows of the files found out of `bekannt`: what is left there is gone.
  Befund Vergleichen(std::vector<std::pair<std::string, struct stat>>& dateien, const std::string& win,
                     const std::string& host, std::unordered_map<std::string, Indexeintrag>& bekannt) {
    // Names that differ only in letter case share a key: the first holds
    // the row, the others are recorded with the folder's time and left to
    // the byte search.
    std::sort(dateien.begin(), dateien.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    std::unordered_set<std::string> schluessel;
    Befund b;
    for (const auto& [n, st] : dateien) {
      const std::string wp = Verbinden(win, n);
      std::string key = IndexSchluessel(wp);
      if (!schluessel.insert(key).second) {
        b.Zwillinge.push_back(n);
        continue;
      }
      ++b.Gefunden;
      const auto it = bekannt.find(key);
      const bool frisch = it != bekannt.end() && !o.Voll && it->second.Groesse == st.st_size &&
                          it->second.Mtime == Nanosekunden(st);
      if (frisch && it->second.Zustand == Indexzustand::OcrAusstehend) {
        OcrVormerken({wp, std::string(host).append("/").append(n)});
        ++b.Aktuell;
      } else if (frisch) {
        ++b.Aktuell;
      } else {
        b.Neu.push_back({wp, std::string(host).append("/").append(n)});
      }
      if (it != bekannt.end()) bekannt.erase(it);
    }
    return b;
  }

  void Einreihen(const Ordnerauftrag& a, const std::string& win, bool vorrang, Befund& b, Auflistung& liste) {
    std::lock_guard<std::mutex> l(m);
    // A folder's files count once; looked at again, only what is queued anew.
    if (gezaehlt.insert(IndexOrdnerSchluessel(win)).second) {
      gesamt += b.Gefunden - static_cast<std::int64_t>(b.Neu.size());
      erledigt += b.Aktuell;
    }
    std::vector<Dateiauftrag> einreihen;
    for (auto& n2 : b.Neu)
      if (inSchlange.insert(IndexSchluessel(n2.Windows)).second) einreihen.push_back(std::move(n2));
    gesamt += static_cast<std::int64_t>(einreihen.size());
    if (vorrang) {
      for (auto it = einreihen.rbegin(); it != einreihen.rend(); ++it) dateien.push_front(std::move(*it));
    } else {
      for (auto& n2 : einreihen) dateien.push_back(std::move(n2));
    }
    for (auto& u : liste.Unter) ordner.push_back({u, true});
    // Sub-folders that appeared in a watched folder: walked whole.
    if (a.Nachpruefen && !a.Rekursiv && wache) {
      for (const auto& e : liste.NeueUnter) ordner.push_back({e, true});
    }
  }

  // Rows of files in folders the walk of a root did not meet (the folder
  // was deleted or renamed while no window watched).
  void WegGefallene(const std::string& wurzel) {
    std::string win, host;
    if (!Aufloesen(wurzel, win, host)) return;
    for (const auto& e : index->EintraegeUnter(win, true)) {
      const std::string k = IndexSchluessel(e.Pfad);
      if (!begangen.count(k.substr(0, k.rfind('\\')))) schreiber.Vormerken({e, std::nullopt, false, true});
    }
  }

  void OcrVormerken(Dateiauftrag d) {
    std::lock_guard<std::mutex> l(m);
    if (ocrBekannt.insert(IndexSchluessel(d.Windows)).second) ocr.push_back(std::move(d));
  }

  // --- one file -----------------------------------------------------------

  // A file whose bytes a helper is to read, with its entry so far.
  struct Lesen {
    Dateiauftrag Auftrag;
    Indexeintrag Eintrag;
  };

  // The checks of a file that need no helper (gone, too large, unchanged,
  // a copy of an indexed file); the file to read when they do not settle it.
  std::optional<Lesen> DateiVorpruefen(const Dateiauftrag& a) {
    struct stat st {};
    auto bisher = index->Eintrag(a.Windows);
    if (::stat(a.Host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      if (bisher) schreiber.Vormerken({*bisher, std::nullopt, false, true});
      return std::nullopt;
    }
    Indexeintrag e;
    e.Pfad = a.Windows;
    e.Groesse = st.st_size;
    e.Mtime = Nanosekunden(st);
    if (static_cast<std::uint64_t>(st.st_size) > o.Grenzen.Optionen.MaxDateigroesse) {
      e.Zustand = Indexzustand::NichtIndizierbar;
      e.Grund = "zu groß (" + std::to_string(st.st_size >> 20) + " MB)";
      schreiber.Vormerken({e, std::nullopt});
      ++erledigt;
      return std::nullopt;
    }
    if (!InhaltHashenDatei(a.Host, e.Hash)) {
      e.Zustand = Indexzustand::NichtIndizierbar;
      e.Grund = "nicht lesbar";
      schreiber.Vormerken({e, std::nullopt});
      ++erledigt;
      return std::nullopt;
    }
    if (!o.Voll) {
      // Same bytes as before (only the time changed): nothing to read.
      if (bisher && bisher->Hash == e.Hash && bisher->Groesse == e.Groesse &&
          bisher->Zustand != Indexzustand::OcrAusstehend) {
        e.Id = bisher->Id;
        schreiber.Vormerken({e, std::nullopt, true});
        ++erledigt;
        return std::nullopt;
      }
      // Same bytes as another indexed file (a copy, or a move the window
      // did not report): its text is taken over.
      if (auto gleich = index->GleicherInhalt(e.Groesse, e.Hash)) {
        e.Art = gleich->Art;
        e.Seiten = gleich->Seiten;
        schreiber.Vormerken({e, index->Text(gleich->Id)});
        ++erledigt;
        return std::nullopt;
      }
    }
    return Lesen{a, std::move(e)};
  }

  // Records what a helper read of a file.
  void DateiAbschliessen(Lesen& l, Auszug aus) {
    // Stopped meanwhile: nothing recorded, the file is read next time.
    if (abbruch) return;
    Indexeintrag& e = l.Eintrag;
    e.Art = aus.Art;
    e.Seiten = aus.Seiten;
    switch (aus.Status) {
      case Auszugsstatus::Ok: {
        e.Zustand = Indexzustand::Indiziert;
        Schreibauftrag s{e, std::move(aus.Text)};
        // A full run replaces a shared text once, not for every copy.
        s.TextErneuern = o.Voll && erneuert.insert(e.Hash + std::to_string(e.Groesse)).second;
        schreiber.Vormerken(std::move(s));
        break;
      }
      case Auszugsstatus::NichtIndizierbar:
        e.Zustand = Indexzustand::NichtIndizierbar;
        e.Grund = aus.Grund;
        schreiber.Vormerken({e, std::nullopt});
        break;
      case Auszugsstatus::OcrNoetig:
        e.Zustand = Indexzustand::OcrAusstehend;
        schreiber.Vormerken({e, std::move(aus.Text)});
        OcrVormerken(l.Auftrag);
        if (vorab) vorab->Vormerken(l.Auftrag.Host, e.Groesse, e.Mtime, std::max<std::uint32_t>(e.Seiten, 1));
        break;
    }
    ++erledigt;
  }

  // Several files at once: the helpers read them side by side (each file
  // in one helper), the results are recorded in the files' order.
  void DateienPruefen(const std::vector<Dateiauftrag>& auftraege) {
    std::vector<Lesen> lesen;
    for (const auto& a : auftraege)
      if (auto l = DateiVorpruefen(a)) lesen.push_back(std::move(*l));
    std::vector<Auszug> auszuege(lesen.size());
    std::atomic<std::size_t> naechste{0};
    const std::function<void(Auslesedienst&)> arbeiten = [&](Auslesedienst& d) {
      for (std::size_t i; !abbruch && (i = naechste++) < lesen.size();) auszuege[i] = d.Auslesen(lesen[i].Auftrag.Host);
    };
    if (nebenleser && lesen.size() > 1)
      nebenleser->Gemeinsam(arbeiten, *dienst);
    else
      arbeiten(*dienst);
    for (std::size_t i = 0; i < lesen.size(); ++i) DateiAbschliessen(lesen[i], std::move(auszuege[i]));
  }

  // --- the loop -----------------------------------------------------------

  // Under m: nothing queued but recognition.
  bool NurOcrOffen() const {
    return ereignisse.empty() && vorrangOrdner.empty() && ordner.empty() && dateien.empty();
  }

  // What one step works on: one of these.
  struct Schrittauftrag {
    std::optional<Ereignis> Ev;
    std::optional<Ordnerauftrag> Ordner;
    bool Vorrang = false;
    std::vector<Dateiauftrag> Dateien;
    std::vector<Dateiauftrag> Ocr;  // stay queued until done
  };

  // Takes the next work from the queues, most urgent first; false when there is none.
  bool Nehmen(Schrittauftrag& a) {
    std::lock_guard<std::mutex> l(m);
    if (!ereignisse.empty()) {
      a.Ev = std::move(ereignisse.front());
      ereignisse.pop_front();
    } else if (!vorrangOrdner.empty()) {
      a.Ordner = std::move(vorrangOrdner.front());
      vorrangOrdner.pop_front();
      a.Vorrang = true;
    } else if (!ordner.empty()) {
      a.Ordner = std::move(ordner.front());
      ordner.pop_front();
    } else if (!dateien.empty()) {
      // A few files per step, so the helpers read side by side; events
      // and opened folders wait at most for these.
      const std::size_t n = 2 * std::max<std::size_t>(o.Helfer, 1);
      while (!dateien.empty() && a.Dateien.size() < n) {
        inSchlange.erase(IndexSchluessel(dateien.front().Windows));
        a.Dateien.push_back(std::move(dateien.front()));
        dateien.pop_front();
      }
    } else if (o.Ocr && !ocr.empty()) {
      // One file per helper (a scan of many pages keeps them all busy).
      const std::size_t n = std::max<std::size_t>(o.Helfer, 1);
      for (std::size_t i = 0; i < ocr.size() && a.Ocr.size() < n; ++i) a.Ocr.push_back(ocr[i]);
    } else {
      return false;
    }
    if (a.Ocr.empty()) untaetig = false;
    return true;
  }

  // One step; false when there is nothing to do.
  bool Schritt() {
    Schrittauftrag a;
    if (!Nehmen(a)) return false;
    if (!a.Ocr.empty()) {
      // Only recognition left: what the walk and the watching found is written.
      schreiber.Leeren();
      std::lock_guard<std::mutex> l(m);
      if (NurOcrOffen()) untaetig = true;
    }
    if (a.Ev) {
      EreignisAusfuehren(*a.Ev);
    } else if (a.Ordner) {
      const bool wurzel = std::find(wurzeln.begin(), wurzeln.end(), a.Ordner->Windows) != wurzeln.end();
      OrdnerPruefen(*a.Ordner, a.Vorrang);
      if (wurzel && a.Ordner->Rekursiv) wurzelnOffen.push_back(a.Ordner->Windows);
    } else if (!a.Dateien.empty()) {
      DateienPruefen(a.Dateien);
    } else if (!a.Ocr.empty()) {
      OcrSchritt(a.Ocr);
    }
    OrdnerzeitenVormerken();
    WurzelnAbschliessen();
    return true;
  }

  void EreignisAusfuehren(const Ereignis& ev) {
    schreiber.Leeren();  // the batches refer to the old paths
    if (ev.Art == Ereignis::Nachsehen) {
      struct stat st {};
      std::string win, host;
      if (Aufloesen(ev.Pfad, win, host) && ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::lock_guard<std::mutex> l(m);
        vorrangOrdner.push_back({win, true});
      }
    } else if (ev.Art == Ereignis::Umbenannt) {
      Volltextindex::Transaktion t(*index);
      index->Umbenennen(ev.Pfad, ev.Neu);
      t.Festschreiben();
    } else {
      Volltextindex::Transaktion t(*index);
      index->Entfernen(ev.Pfad);
      for (const auto& e : index->EintraegeUnter(ev.Pfad, true)) index->Entfernen(e.Pfad);
      t.Festschreiben();
    }
  }

  void OcrSchritt(const std::vector<Dateiauftrag>& liste) {
    std::vector<char> fertig(liste.size(), 1);
    try {
      Erkennen(liste, fertig,
               {*index, schreiber, *dienst, nebenleser.get(), vorab.get(), abbruch,
                [this] {
                  std::lock_guard<std::mutex> l(m);
                  return ende || pausiert || !ereignisse.empty() || !dateien.empty() || !ordner.empty();
                },
                [this](const Dateiauftrag& d) {
                  std::lock_guard<std::mutex> l(m);
                  dateien.push_back(d);
                }});
    } catch (...) {
      std::fill(fertig.begin(), fertig.end(), 1);  // not tried again and again in this run
    }
    std::lock_guard<std::mutex> l(m);
    for (std::size_t i = 0; i < liste.size(); ++i) {
      if (!fertig[i]) continue;
      const std::string key = IndexSchluessel(liste[i].Windows);
      std::erase_if(ocr, [&](const Dateiauftrag& d) { return IndexSchluessel(d.Windows) == key; });
      ocrBekannt.erase(key);
    }
  }

  // Once every listed file has its row, the folders' times may vouch for them.
  void OrdnerzeitenVormerken() {
    if (ordnerzeiten.empty()) return;
    {
      std::lock_guard<std::mutex> l(m);
      if (!ordner.empty() || !dateien.empty() || !vorrangOrdner.empty()) return;
    }
    // A recorded folder vouches for its recorded sub-folders as all there
    // are: one whose record was dropped (a file below it changed) leaves it
    // unrecorded too, and a search walks it. Deepest first, so that holds
    // down every branch of the batch.
    std::sort(ordnerzeiten.begin(), ordnerzeiten.end(), [](const Ordnerstand& x, const Ordnerstand& y) {
      return std::count(x.Pfad.begin(), x.Pfad.end(), '\\') > std::count(y.Pfad.begin(), y.Pfad.end(), '\\');
    });
    std::unordered_set<std::string> imStapel;
    for (const auto& o : ordnerzeiten) imStapel.insert(IndexOrdnerSchluessel(o.Pfad));
    for (auto& o : ordnerzeiten) {
      const bool luecke = std::any_of(o.Unter.begin(), o.Unter.end(), [&](const std::string& u) {
        return !imStapel.count(IndexOrdnerSchluessel(u)) && !index->OrdnerzeitVorhanden(u);
      });
      if (luecke) {
        imStapel.erase(IndexOrdnerSchluessel(o.Pfad));
        continue;
      }
      Schreibauftrag s;
      s.Eintrag.Pfad = std::move(o.Pfad);
      s.Eintrag.Mtime = o.Zeit;
      s.Zwillinge = std::move(o.Zwillinge);
      s.Ordner = true;
      schreiber.Vormerken(std::move(s));
    }
    ordnerzeiten.clear();
    schreiber.Festschreiben();
  }

  // After a root's walk: rows in folders that no longer exist go.
  void WurzelnAbschliessen() {
    if (wurzelnOffen.empty()) return;
    {
      std::lock_guard<std::mutex> l(m);
      if (!ordner.empty()) return;
    }
    for (const auto& w : wurzelnOffen) WegGefallene(w);
    wurzelnOffen.clear();
    begangen.clear();
  }

  void Vorbereiten() {
    if (!index) index = std::make_unique<Volltextindex>(datei);
    if (!dienst) dienst = std::make_unique<Auslesedienst>(o.Grenzen);
    if (!nebenleser && o.Helfer > 1)
      nebenleser = std::make_unique<Nebenleser>(o.Helfer - 1, o.Grenzen, o.NiedrigePrioritaet);
    if (!vorab && o.Ocr)
      vorab = std::make_unique<Vorerkennung>(o.Grenzen, [this] {
        std::lock_guard<std::mutex> l(m);
        return ende || pausiert;
      });
    schreiber.Starten(*index);
    // Scans left waiting by an earlier run.
    std::string win, host;
    for (const auto& e : index->OcrAusstehende()) {
      if (Aufloesen(e.Pfad, win, host)) OcrVormerken({win, host});
    }
  }

  void Schleife() {
    if (o.NiedrigePrioritaet) ThreadNiedrig();
    try {
      Vorbereiten();
    } catch (const IndexFehler&) {
      laeuft = false;
      return;
    }
    for (;;) {
      {
        std::unique_lock<std::mutex> l(m);
        if (ende) break;
        if (pausiert) {
          l.unlock();
          schreiber.Festschreiben();
          l.lock();
          cv.wait(l, [&] { return ende || !pausiert; });
          continue;
        }
      }
      bool gearbeitet = false;
      try {
        gearbeitet = Schritt();
      } catch (const std::exception&) {
        gearbeitet = true;  // one failing step does not end the worker
      }
      verdichten = verdichten || gearbeitet;
      if (gearbeitet) gezaehltBeiRuhe = false;
      if (!gearbeitet) {
        schreiber.Leeren();
        if (!gezaehltBeiRuhe) NachRuheZaehlen();
        if (VerdichtungsSchritt()) continue;
        std::unique_lock<std::mutex> l(m);
        if (NurOcrOffen()) untaetig = true;
        cv.wait_for(l, std::chrono::seconds(5), [&] { return ende || !NurOcrOffen(); });
      }
    }
    schreiber.Beenden();
    vorab.reset();
    dienst.reset();
    nebenleser.reset();
    laeuft = false;
  }

  // With everything worked in, the progress line counts the index's files:
  // each change counted as one more to check would otherwise climb past
  // the number of files there are.
  void NachRuheZaehlen() {
    gezaehltBeiRuhe = true;
    Indexstatistik st;
    try {
      st = index->Statistik();
    } catch (const std::exception&) {
      return;
    }
    const std::int64_t n = st.Indiziert + st.NichtIndizierbar + st.OcrAusstehend;
    std::lock_guard<std::mutex> l(m);
    if (!dateien.empty() || !vorrangOrdner.empty() || !ordner.empty() || !ereignisse.empty()) return;  // new work meanwhile
    erledigt = n;
    gesamt = n;
  }

  // While idle after writing, the index's segments are merged a short step
  // at a time (new work comes first), so searches read one segment instead
  // of many. True while there is more to merge.
  bool VerdichtungsSchritt() {
    if (!verdichten || !index) return false;
    try {
      verdichten = index->Verdichten();
    } catch (const IndexFehler&) {
      verdichten = false;  // locked by another writer or read-only: next time
    }
    return verdichten;
  }
  bool verdichten = true;  // the index may hold unmerged segments (worker thread only)

  // --- following the folder watching --------------------------------------

  void Wachen() {
    while (!wacheEnde) {
      const auto aenderungen = wache->Warten(500);
      if (aenderungen.empty()) continue;
      {
        std::lock_guard<std::mutex> l(m);
        untaetig = false;
        for (const auto& a : aenderungen) {
          switch (a.Art) {
            case Aenderung::Art::Ordner: {
              const std::string k = IndexSchluessel(a.Pfad);
              const bool schon = std::any_of(vorrangOrdner.begin(), vorrangOrdner.end(), [&](const Ordnerauftrag& o2) {
                return o2.Nachpruefen && IndexSchluessel(o2.Windows) == k;
              });
              if (!schon) vorrangOrdner.push_back({a.Pfad, false, true});
              break;
            }
            case Aenderung::Art::Umbenannt:
              ereignisse.push_back({Ereignis::Umbenannt, a.Pfad, a.Neu});
              // A renamed folder's times went with the rename: walked again.
              ereignisse.push_back({Ereignis::Nachsehen, a.Neu, {}});
              break;
            case Aenderung::Art::Weg:
              ereignisse.push_back({Ereignis::Geloescht, a.Pfad, {}});
              break;
            case Aenderung::Art::Ueberlauf:
              // Changes were lost: every root is walked again.
              for (const auto& w : wurzeln) ordner.push_back({w, true});
              break;
          }
        }
      }
      cv.notify_all();
    }
  }

  std::unique_ptr<Ordnerwache> wache;
  std::thread waechter;
  std::atomic<bool> wacheEnde{false};
  bool untaetig = false;  // idle with everything written (under m)

  std::deque<Ordnerauftrag> vorrangOrdner;
  std::vector<std::string> wurzelnOffen;
  std::unordered_set<std::string> erneuert;  // texts a full run read anew
  std::unordered_set<std::string> begangen;  // folder keys met by the current walk
};

Indexierer::Indexierer(std::filesystem::path indexDatei, Laufwerkstabelle laufwerke,
                       std::vector<std::string> wurzeln, Indexiereroptionen optionen)
    : impl_(std::make_unique<Impl>(std::move(indexDatei), std::move(laufwerke), std::move(wurzeln),
                                   optionen)) {}

Indexierer::~Indexierer() { Anhalten(); }

void Indexierer::Starten() {
  if (impl_->arbeiter.joinable()) return;
  {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->ende = false;
  }
  impl_->abbruch = false;
  impl_->laeuft = true;
  if (impl_->o.Beobachten && !impl_->wache) {
    auto wache = std::make_unique<Ordnerwache>();
    if (wache->Bereit()) impl_->wache = std::move(wache);
  }
  if (impl_->wache && !impl_->waechter.joinable()) {
    impl_->wacheEnde = false;
    impl_->waechter = std::thread([this] { impl_->Wachen(); });
  }
  impl_->arbeiter = std::thread([this] { impl_->Schleife(); });
}

void Indexierer::Anhalten() {
  {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->ende = true;
  }
  if (impl_->arbeiter.joinable()) impl_->abbruch = true;
  impl_->cv.notify_all();
  impl_->wacheEnde = true;
  if (impl_->waechter.joinable()) impl_->waechter.join();
  if (impl_->arbeiter.joinable()) impl_->arbeiter.join();
}

void Indexierer::Pausieren() {
  std::lock_guard<std::mutex> l(impl_->m);
  impl_->pausiert = true;
}

void Indexierer::Fortsetzen() {
  {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->pausiert = false;
  }
  impl_->cv.notify_all();
}

void Indexierer::OrdnerZuerst(const std::string& ordner) {
  {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->vorrangOrdner.push_back({ordner, false});
  }
  impl_->cv.notify_all();
}

void Indexierer::Geaendert(const std::string& pfad) {
  std::string win, host;
  if (!impl_->Aufloesen(pfad, win, host)) return;
  struct stat st {};
  if (::stat(host.c_str(), &st) != 0) return;
  {
    std::lock_guard<std::mutex> l(impl_->m);
    if (S_ISDIR(st.st_mode)) {
      impl_->vorrangOrdner.push_back({win, true});
    } else {
      if (impl_->inSchlange.insert(IndexSchluessel(win)).second) {
        ++impl_->gesamt;  // one more file to check
        impl_->dateien.push_front({win, host});
      }
    }
  }
  impl_->cv.notify_all();
}

void Indexierer::Umbenannt(const std::string& alt, const std::string& neu) {
  {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->ereignisse.push_back({Impl::Ereignis::Umbenannt, alt, neu});
  }
  impl_->cv.notify_all();
}

void Indexierer::Geloescht(const std::string& pfad) {
  {
    std::lock_guard<std::mutex> l(impl_->m);
    impl_->ereignisse.push_back({Impl::Ereignis::Geloescht, pfad, {}});
  }
  impl_->cv.notify_all();
}

Indexfortschritt Indexierer::Fortschritt() const {
  Indexfortschritt f;
  std::lock_guard<std::mutex> l(impl_->m);
  f.Erledigt = impl_->erledigt;
  f.Gesamt = std::max<std::int64_t>(impl_->gesamt, impl_->erledigt);
  f.OcrOffen = static_cast<std::int64_t>(impl_->ocr.size());
  f.Laeuft = impl_->laeuft;
  f.Pausiert = impl_->pausiert;
  return f;
}

bool Indexierer::Ruhig() const {
  std::lock_guard<std::mutex> l(impl_->m);
  return impl_->untaetig && impl_->NurOcrOffen();
}

bool Indexierer::Beobachtet(const std::string& ordnerKey) const {
  return impl_->wache && impl_->wache->Beobachtet(ordnerKey);
}

void Indexierer::Durchlaufen(const std::function<void(const Indexfortschritt&)>& melden) {
  if (impl_->o.NiedrigePrioritaet) ThreadNiedrig();
  impl_->Vorbereiten();
  impl_->laeuft = true;
  auto letzte = std::chrono::steady_clock::now();
  auto schritt = [&] {
    try {
      return impl_->Schritt();
    } catch (const std::exception&) {
      return true;  // one failing step does not end the run
    }
  };
  while (schritt()) {
    if (melden && std::chrono::steady_clock::now() - letzte > std::chrono::milliseconds(500)) {
      letzte = std::chrono::steady_clock::now();
      melden(Fortschritt());
    }
  }
  impl_->schreiber.Beenden();
  while (impl_->VerdichtungsSchritt()) {
  }
  impl_->vorab.reset();
  impl_->dienst.reset();
  impl_->nebenleser.reset();
  impl_->laeuft = false;
  if (melden) melden(Fortschritt());
}

}  // namespace vxm::volltext
