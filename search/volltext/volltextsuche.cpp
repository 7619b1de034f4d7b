#include "search/volltext/volltextsuche.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <set>
#include <unordered_set>

#include "platform/fehler.h"
#include "search/textsuche.h"
#include "search/volltext/faltung.h"

namespace vxm::volltext {
namespace {

struct Zeilenstand {
  std::int64_t Id, Groesse, Mtime;
  Indexzustand Zustand;
  std::string Name;  // as on disk
};

std::string Verbinden(const std::string& ordner, const std::string& name) {
  if (!ordner.empty() && ordner.back() == '\\') return ordner + name;
  return ordner + "\\" + name;
}

bool IstTxt(std::string_view name) {
  if (name.size() < 3) return false;
  const auto e = name.substr(name.size() - 3);
  return (e[0] | 0x20) == 't' && (e[1] | 0x20) == 'x' && (e[2] | 0x20) == 't';
}

// True when no byte of the text is beyond ASCII (eight at a time).
bool NurAscii(std::string_view t) {
  std::size_t i = 0;
  for (; i + 8 <= t.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, t.data() + i, 8);
    if (w & 0x8080808080808080ull) return false;
  }
  for (; i < t.size(); ++i)
    if (static_cast<unsigned char>(t[i]) & 0x80) return false;
  return true;
}

bool AsciiLeer(unsigned char b) { return b <= 0x20 || b == 0x7F; }

// The folded phrase in a text of ASCII only, where folding is lower-casing
// and every run of blanks and control characters is one blank: the first
// part before a blank is found by the byte search's scan, the rest checked
// in place. Exact, and without folding the text.
std::size_t AsciiFinden(std::string_view t, const std::vector<std::string>& teile,
                        const std::vector<Suchphrase>& erster, std::size_t& laenge, bool fuehrend) {
  std::size_t ab = 0;
  while (ab < t.size()) {
    std::size_t l = 0;
    const std::size_t pos = erster[0].Finden(t.data() + ab, t.size() - ab, &l);
    if (pos == Suchphrase::npos) return std::string_view::npos;
    const std::size_t anfang = ab + pos;
    std::size_t i = anfang + l;
    bool passt = true;
    for (std::size_t k = 1; k < teile.size() && passt; ++k) {
      // A blank of the phrase: at least one blank or control byte.
      if (i >= t.size() || !AsciiLeer(static_cast<unsigned char>(t[i]))) {
        passt = false;
        break;
      }
      while (i < t.size() && AsciiLeer(static_cast<unsigned char>(t[i]))) ++i;
      const std::string& w = teile[k];
      if (t.size() - i < w.size()) {
        passt = false;
        break;
      }
      for (std::size_t j = 0; j < w.size(); ++j) {
        auto b = static_cast<unsigned char>(t[i + j]);
        if (b >= 'A' && b <= 'Z') b |= 0x20;
        if (b != static_cast<unsigned char>(w[j])) {
          passt = false;
          break;
        }
      }
      i += w.size();
    }
    // A phrase that begins with a blank needs one before its first word.
    if (passt && fuehrend && (anfang == 0 || !AsciiLeer(static_cast<unsigned char>(t[anfang - 1])))) passt = false;
    if (passt) {
      laenge = i - anfang;
      return fuehrend ? anfang - 1 : anfang;
    }
    ab = anfang + 1;
  }
  return std::string_view::npos;
}

class Suchlauf {
 public:
  Suchlauf(Volltextindex* index, const VolltextAuftrag& a,
           const std::function<void(const VolltextTreffer&)>& treffer, SuchSteuerung* st)
      : index_(index), a_(a), treffer_(treffer), st_(st), phrase_(a.Phrase), gefaltet_(Falten(a.Phrase)) {
    kurz_ = Zeichen(gefaltet_) < 4;
    // The phrase's words, for texts of ASCII only (see AsciiFinden).
    if (NurAscii(gefaltet_)) {
      std::string_view g = gefaltet_;
      fuehrend_ = !g.empty() && g.front() == ' ';
      const bool folgend = g.size() > 1 && g.back() == ' ';
      while (!g.empty() && g.front() == ' ') g.remove_prefix(1);
      while (!g.empty() && g.back() == ' ') g.remove_suffix(1);
      std::size_t a = 0;
      while (a < g.size()) {
        std::size_t e = g.find(' ', a);
        if (e == std::string_view::npos) e = g.size();
        asciiTeile_.emplace_back(g.substr(a, e - a));
        a = e + 1;
      }
      if (!asciiTeile_.empty() && !folgend) asciiErster_.emplace_back(asciiTeile_.front());
    }
  }

  VolltextErgebnis Ausfuehren(const std::string& windows, const std::string& host) {
    if (phrase_.Leer() || gefaltet_.empty()) return erg_;
    if (index_) {
      try {
        // Trusting folder times, only the rows that can matter are read:
        // the candidates', those the byte search must cover, and the rows
        // of folders that changed (when the walk gets there).
        teilweise_ = a_.Ordnerzeiten && !kurz_;
        if (!teilweise_) {
          for (const auto& e : index_->EintraegeUnter(windows, true)) Aufnehmen(e);
        }
        if (a_.Ordnerzeiten) {
          for (auto& o : index_->OrdnerzeitenUnter(windows)) {
            const auto t = o.Pfad.rfind('\\');
            if (o.Schluessel.find('\\') != std::string::npos)
              kinder_[o.Schluessel.substr(0, o.Schluessel.rfind('\\'))].push_back(o.Pfad.substr(t + 1));
            zeiten_.emplace(o.Schluessel, o.Mtime);
          }
        }
        for (const std::int64_t a : index_->Kandidaten(gefaltet_, sicher_))
          kandidaten_[Volltextindex::DateiVonAbschnitt(a)].push_back(a);
        if (teilweise_) {
          for (const auto& [id, _] : kandidaten_)
            if (auto e = index_->EintragNachId(id)) Aufnehmen(*e);
          for (const auto& e : index_->OhneIndextextUnter(windows)) Aufnehmen(e);
        }
      } catch (const IndexFehler&) {
        stand_.clear();  // an unreadable index: the bytes answer alone
        inOrdner_.clear();
        kandidaten_.clear();
        zeiten_.clear();
        teilweise_ = false;
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

  void Aufnehmen(const Indexeintrag& e) {
    const std::string k = IndexSchluessel(e.Pfad);
    const auto [it, neu] = stand_.try_emplace(k);
    if (!neu) return;
    it->second = Zeilenstand{e.Id, e.Groesse, e.Mtime, e.Zustand, e.Pfad.substr(e.Pfad.rfind('\\') + 1)};
    if (a_.Ordnerzeiten) inOrdner_[k.substr(0, k.rfind('\\'))].push_back(&it->second);
  }

  // The rows of one folder, when not all were read at the start.
  void OrdnerZeilenLesen(const std::string& windows) {
    if (!teilweise_) return;
    try {
      for (const auto& e : index_->EintraegeUnter(windows, false)) Aufnehmen(e);
    } catch (const IndexFehler&) {
    }
  }

  // The index's answer for a current row: its context, or false.
  bool AusIndex(std::int64_t id, std::string& kontext) {
    const auto it = kandidaten_.find(id);
    if (it == kandidaten_.end()) return false;
    if (sicher_ && !a_.Wortsuche && !a_.MitKontext) return true;
    // A long phrase may run over sections: the whole text is checked.
    if (gefaltet_.size() > 256) return ImText(index_->Text(id), kontext);
    for (const std::int64_t abschnitt : it->second)
      if (ImText(index_->AbschnittText(abschnitt), kontext)) return true;
    return false;
  }

  bool ImText(const std::string& text, std::string& kontext) {
    // Most hits stand in the text as the phrase is spelled: the byte
    // search's case-blind scan finds them without folding the whole text.
    if (!a_.Wortsuche) {
      std::size_t laenge = 0;
      const std::size_t pos = phrase_.Finden(text.data(), text.size(), &laenge);
      if (pos != Suchphrase::npos) {
        if (a_.MitKontext) kontext = Kontext(text, pos, laenge);
        return true;
      }
    }
    if (!a_.Wortsuche && !asciiErster_.empty() && NurAscii(text)) {
      std::size_t laenge = 0;
      const std::size_t pos = AsciiFinden(text, asciiTeile_, asciiErster_, laenge, fuehrend_);
      if (pos == std::string_view::npos) return false;
      if (a_.MitKontext) kontext = Kontext(text, pos, laenge);
      return true;
    }
    // Folding without the offsets first: most candidates checked here hold
    // the trigrams but not the phrase.
    std::vector<std::uint32_t> herkunft;
    std::string f = Falten(text);
    if (f.find(gefaltet_) == std::string::npos) return false;
    if (a_.MitKontext) f = Falten(text, herkunft);
    for (std::size_t p = f.find(gefaltet_); p != std::string::npos; p = f.find(gefaltet_, p + 1)) {
      if (a_.Wortsuche) {
        const std::size_t e = p + gefaltet_.size();
        const bool links = p == 0 || !Wortzeichen(f, p - 1) || !Wortzeichen(gefaltet_, 0);
        const bool rechts = e >= f.size() || !Wortzeichen(f, e) || !Wortzeichen(gefaltet_, gefaltet_.size() - 1);
        if (!links || !rechts) continue;
      }
      if (a_.MitKontext) {
        const std::size_t von = herkunft[p];
        const std::size_t bis = herkunft[p + gefaltet_.size() - 1];
        std::size_t ende = bis + 1;
        while (ende < text.size() && (static_cast<unsigned char>(text[ende]) & 0xC0) == 0x80) ++ende;
        kontext = Kontext(text, von, ende - von);
      }
      return true;
    }
    return false;
  }

  // A folder unchanged since the indexer listed it: its rows stand for its
  // files, its recorded sub-folders for its sub-folders. False when the
  // folder changed (or was never recorded).
  bool Vertrauen(const std::string& windows, const std::string& host, int elternFd, const std::string& name) {
    std::string k = IndexSchluessel(windows);
    while (!k.empty() && k.back() == '\\') k.pop_back();
    const auto zeit = zeiten_.find(k);
    if (zeit == zeiten_.end()) return false;
    auto& dateien = inOrdner_[k];
    auto& unter = kinder_[k];
    // Looked up relative to its parent (a short lookup); opened only when
    // its sub-folders or files need the handle.
    bool handle = !unter.empty() || a_.DateiGesehen;
    for (const Zeilenstand* z : dateien) handle = handle || z->Zustand != Indexzustand::Indiziert || kurz_;
    int fd = -1;
    struct stat ost {};
    if (handle) {
      fd = ::openat(elternFd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0 || ::fstat(fd, &ost) != 0) {
        if (fd >= 0) ::close(fd);
        return false;
      }
    } else if (::fstatat(elternFd, name.c_str(), &ost, 0) != 0 || !S_ISDIR(ost.st_mode)) {
      return false;
    }
    struct Schliessen {
      int fd;
      ~Schliessen() {
        if (fd >= 0) ::close(fd);
      }
    } schliessen{fd};
    if (static_cast<std::int64_t>(ost.st_mtim.tv_sec) * 1000000000 + ost.st_mtim.tv_nsec != zeit->second)
      return false;
    if (!besucht_.insert({ost.st_dev, ost.st_ino}).second) return true;
    if (a_.DateiGesehen) OrdnerZeilenLesen(windows);
    std::sort(dateien.begin(), dateien.end(), [](const Zeilenstand* x, const Zeilenstand* y) { return x->Name < y->Name; });
    for (const Zeilenstand* z : dateien) {
      if (Abbruch()) break;
      if (a_.DateiGesehen) a_.DateiGesehen(windows, z->Name);
      bool treffer = false, ausIndex = false;
      std::string kontext;
      if (z->Zustand == Indexzustand::Indiziert) treffer = ausIndex = AusIndex(z->Id, kontext);
      if (!treffer && (z->Zustand != Indexzustand::Indiziert || kurz_))
        treffer = AusBytes(fd, z->Name, kontext);
      Melden(treffer, ausIndex, z->Name, windows, kontext);
    }
    ++erg_.Ordner;
    std::sort(unter.begin(), unter.end());
    for (const auto& u : unter) {
      if (Abbruch()) break;
      Ordner(Verbinden(windows, u), host + "/" + u, fd, u);
    }
    return true;
  }

  void Melden(bool treffer, bool ausIndex, const std::string& name, const std::string& ordner, std::string& kontext) {
    if (!treffer || Abbruch()) return;
    ++erg_.Dateien;
    if (ausIndex) ++erg_.AusIndex;
    if (treffer_) treffer_(VolltextTreffer{name, ordner, std::move(kontext), ausIndex});
  }

  // The byte search on one file, as the data search does it.
  bool AusBytes(int ordnerFd, const std::string& name, std::string& kontext) {
    const int fd = ::openat(ordnerFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
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

  void Ordner(const std::string& windows, const std::string& host, int elternFd, const std::string& name) {
    if (Abbruch()) return;
    if (st_) {
      if (st_->OrdnerBetreten) st_->OrdnerBetreten(windows);
      st_->Melden();
    }
    if (!zeiten_.empty() && Vertrauen(windows, host, elternFd, name)) return;
    OrdnerZeilenLesen(windows);
    const int fd = ::open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
    for (const auto& e : dateien) {
      if (Abbruch()) break;
      const std::string wp = Verbinden(windows, e.Name);
      if (a_.DateiGesehen) a_.DateiGesehen(windows, e.Name);
      bool treffer = false, ausIndex = false;
      std::string kontext;
      const auto it = stand_.empty() ? stand_.end() : stand_.find(IndexSchluessel(wp));
      const bool aktuell = it != stand_.end() && it->second.Zustand == Indexzustand::Indiziert &&
                           it->second.Groesse == e.St.st_size &&
                           it->second.Mtime == static_cast<std::int64_t>(e.St.st_mtim.tv_sec) * 1000000000 + e.St.st_mtim.tv_nsec;
      if (aktuell) {
        treffer = ausIndex = AusIndex(it->second.Id, kontext);
      }
      if (!treffer && (!aktuell || kurz_)) treffer = AusBytes(::dirfd(d), e.Name, kontext);
      Melden(treffer, ausIndex, e.Name, windows, kontext);
    }
    ::closedir(d);
    ++erg_.Ordner;
    for (const auto& u : unter) {
      if (Abbruch()) return;
      Ordner(Verbinden(windows, u), host + "/" + u, AT_FDCWD, host + "/" + u);
    }
  }

  Volltextindex* index_;
  const VolltextAuftrag& a_;
  const std::function<void(const VolltextTreffer&)>& treffer_;
  SuchSteuerung* st_;
  Suchphrase phrase_;
  std::string gefaltet_;
  bool kurz_ = false, sicher_ = false;
  bool teilweise_ = false;  // stand_ holds only the rows read so far
  std::vector<std::string> asciiTeile_;   // words of an ASCII phrase
  std::vector<Suchphrase> asciiErster_;   // its first word, for the scan (empty: not usable)
  bool fuehrend_ = false;                 // the phrase begins with a blank
  std::unordered_map<std::string, Zeilenstand> stand_;
  std::unordered_map<std::string, std::vector<Zeilenstand*>> inOrdner_;    // folder key: its rows
  std::unordered_map<std::string, std::vector<std::string>> kinder_;      // folder key: sub-folder names
  std::unordered_map<std::string, std::int64_t> zeiten_;                  // folder key: recorded time
  std::unordered_map<std::int64_t, std::vector<std::int64_t>> kandidaten_;  // file id: its sections
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
