#include "search/datensuche.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <deque>
#include <optional>
#include <thread>
#include <utility>

#include "basis/dateifunktionen.h"
#include "basis/fehlermelden.h"
#include "basis/zustand.h"
#include "files/dateidetails.h"
#include "files/ordnerlauf.h"
#include "platform/dateisystem.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/text.h"
#include "search/textpruefer.h"
#include "search/textsuche.h"

namespace vxm {

std::string SuchTreffer::Schluessel() const { return PfadVerbinden(Ordner, Name); }

namespace {

bool IstTxt(std::string_view name) {
  const std::string_view e = LetzteZeichen(name, 3);
  return e.size() == 3 && (e[0] | 0x20) == 't' && (e[1] | 0x20) == 'x' && (e[2] | 0x20) == 't';
}

// A file name upper-cased for comparing. Names copied over from Windows
// may still be spelled in Windows-1252; they are read as such.
std::string Vergleichsform(const std::string& name) {
  return GueltigesUtf8(name) ? Gross(name) : Gross(Utf8AusCp1252(name));
}

// Text search in one file of the folder the reader has open; false when it
// does not hold the phrase or cannot be read.
bool DateiTextPruefen(int ordner, const std::string& name, const Suchphrase& phrase, SuchSteuerung* steuerung) {
  const int fd = ::openat(ordner, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  // Text files by lines (carriage return starts, line feed ends one);
  // only whether a line holds the phrase counts here.
  const bool treffer = IstTxt(name) ? suche_intern::ZeilenInDeskriptor(fd, phrase, nullptr, "\r", "\n", steuerung)
                                    : suche_intern::TextInDeskriptor(fd, phrase, 1, steuerung) != 0;
  ::close(fd);
  return treffer;
}

bool TextPruefen(const Ordnerleser& leser, const std::string& windowsOrdner, const std::string& name,
                 const Suchphrase& phrase, SuchSteuerung* steuerung) {
  const bool zeilen = IstTxt(name);
  if (leser.AufDieserMaschine()) return DateiTextPruefen(leser.Deskriptor(), name, phrase, steuerung);
  try {
    const std::string bytes = Dienste().Dateien->DateiLesen(PfadVerbinden(windowsOrdner, name));
    return zeilen ? suche_intern::ZeilenInBytes(bytes, phrase, nullptr, "\r", "\n")
                  : suche_intern::TextInBytes(bytes, phrase, 1) != 0;
  } catch (const VbFehler&) {
    return false;
  }
}

// The data search as a walk: each folder's files are tested and recorded.
class Datenlauf : public Ordnerlauf {
 public:
  Datenlauf(const DatenSucheAuftrag& auftrag, SuchSteuerung* steuerung)
      : auftrag_(auftrag), steuerung_(steuerung), z_(Zustand()) {
    if (auftrag.Modus == Suchmodus::TextInhalt) {
      phrase_.emplace(auftrag.Text);
    } else {
      muster_ = NamensmusterAusText(auftrag.Text);
    }
  }

  SuchErgebnis Ausfuehren(const std::string& ordner) {
    z_.DateiTabelle.clear();
    z_.DateiTabelleLuecken.clear();
    z_.DateiTabelleVollstaendig = false;
    Laufen(ordner);
    if (pruefer_) Abliefern(true);
    erg_.Ungelesen = Ungelesen();
    z_.DateiTabelleLuecken = erg_.Ungelesen;
    z_.DateiTabelleVollstaendig = !erg_.Abgebrochen && erg_.Ungelesen.empty();
    return std::move(erg_);
  }

 protected:
  bool Betreten(const std::string& windows) override {
    if (Abbruch()) return false;
    if (steuerung_ && steuerung_->OrdnerBetreten) steuerung_->OrdnerBetreten(windows);
    return true;
  }

  void Dateien(const std::string& windows, Ordnerleser& leser) override {
    // On this machine the text search runs on all cores while the walk
    // goes on; the folders come back in the walk's order.
    if (phrase_ && leser.AufDieserMaschine() && Pruefer() &&
        pruefer_->Auftrag(windows, leser.Deskriptor(), leser.Dateien())) {
      Abliefern(false);
      return;
    }
    if (pruefer_) Abliefern(true);
    Auswerten(windows, leser.Dateien(), {}, &leser);
  }

  // A folder's files tested (or their results taken from `vorab`) and recorded.
  void Auswerten(const std::string& windows, const std::vector<std::string>& dateien, const std::vector<char>& vorab,
                 const Ordnerleser* leser) {
    for (std::size_t i = 0; i < dateien.size(); ++i) {
      const std::string& name = dateien[i];
      if (Abbruch()) break;
      bool treffer;
      if (!vorab.empty()) {
        treffer = vorab[i] == 1;
      } else if (phrase_) {
        treffer = TextPruefen(*leser, windows, name, *phrase_, steuerung_);
      } else {
        const std::string form = Vergleichsform(name);
        treffer = form.find(muster_.Name) != std::string::npos &&
                  form.find(muster_.Endung) != std::string::npos;
      }
      if (auftrag_.TabelleFuehren) z_.DateiTabelle.push_back(PfadVerbinden(windows, Gross(name)));
      if (treffer && !Abbruch()) {
        ++erg_.Dateien;
        if (steuerung_ && steuerung_->Treffer) {
          steuerung_->Treffer(SuchTreffer{name, windows, IconSetzen(std::string(LetzteZeichen(name, 3)))});
        }
      }
    }
    ++erg_.Ordner;
  }

  void Abliefern(bool alle) {
    if (Abbruch()) pruefer_->Abbrechen();
    pruefer_->Abholen(alle, [&](Textpruefer::Ordner& o) {
      if (Abbruch()) pruefer_->Abbrechen();
      Auswerten(o.Windows, o.Namen, o.Ergebnis, nullptr);
    });
  }

  bool Weiter() override {
    if (Abbruch()) return false;
    if (steuerung_) steuerung_->Melden();
    if (pruefer_) Abliefern(false);
    return !Abbruch();
  }

 private:
  bool Abbruch() {
    if (steuerung_ && steuerung_->Abgebrochen()) erg_.Abgebrochen = true;
    return erg_.Abgebrochen;
  }

  // The helpers of the text search on this machine, started with the
  // first folder; none on a single core.
  Textpruefer* Pruefer() {
    if (!pruefer_) {
      const unsigned kerne = std::thread::hardware_concurrency();
      if (kerne < 2) return nullptr;
      pruefer_ = std::make_unique<Textpruefer>(
          kerne,
          [this](int ordner, const std::string& name, SuchSteuerung* s) {
            return DateiTextPruefen(ordner, name, *phrase_, s);
          },
          steuerung_);
    }
    return pruefer_.get();
  }

  const DatenSucheAuftrag& auftrag_;
  SuchSteuerung* steuerung_;
  Komponentenzustand& z_;
  std::optional<Suchphrase> phrase_;
  Namensmuster muster_;
  SuchErgebnis erg_;
  std::unique_ptr<Textpruefer> pruefer_;
};

// Removes the "*" of a pattern part: a leading one is dropped, otherwise
// the part ends before it.
std::string OhneStern(std::string teil) {
  for (auto p = teil.find('*'); p != std::string::npos; p = teil.find('*')) {
    teil = p == 0 ? teil.substr(1) : teil.substr(0, p);
  }
  return teil;
}

}  // namespace

Namensmuster NamensmusterAusText(const std::string& text) {
  Namensmuster m;
  const auto stern = text.find('*');
  if (stern == std::string::npos) {
    m.Name = Gross(text);
    return m;
  }
  m.Name = Gross(text.substr(0, stern));
  const std::string_view ende = LetzteZeichen(text, 4);
  const auto punkt = ende.find('.');
  if (punkt != std::string_view::npos) {
    const std::string_view endung = ende.substr(punkt + 1);
    if (Zeichenzahl(endung) == 3) m.Endung = Gross(endung);
  }
  return m;
}

SuchErgebnis DatenSuche(const std::string& ordner, const DatenSucheAuftrag& auftrag,
                        SuchSteuerung* steuerung) {
  Datenlauf lauf(auftrag, steuerung);
  return lauf.Ausfuehren(ordner);
}

bool DateinameVergleich(const std::string& dateiname, const std::string& name,
                        const std::string& endung) {
  // The split leaves its parts in the component state; the caller's
  // pattern there stays as it was.
  auto& z = Zustand();
  const std::string alterName = z.SuchName, alteEndung = z.SuchEndung;
  std::string p = GueltigesUtf8(dateiname) ? dateiname : Utf8AusCp1252(dateiname);
  DateinameZerlegen(p);
  const std::string basis = z.SuchName, erweiterung = z.SuchEndung;
  z.SuchName = alterName;
  z.SuchEndung = alteEndung;
  const bool nameOk = name == "*" || EnthaeltOhneFall(basis, name);
  const bool endungOk = endung == "*" || EnthaeltOhneFall(erweiterung, endung);
  return nameOk && endungOk;
}

bool NamenSucheVorbereiten(std::string& boxText, std::string& name, std::string& endung) {
  auto& meldungen = *Dienste().Meldungen;
  if (boxText == "*.*") {
    meldungen.MsgBox(kMeldungAlleDateien, vbOKOnly, "");
    boxText.clear();
    return false;
  }
  std::string p = boxText;
  if (!DateinameZerlegen(p)) {
    // Nothing to look for: searching on would list every file.
    meldungen.MsgBox(kMeldungNichtInterpretiert, vbOKOnly, "");
    return false;
  }
  name = OhneStern(Zustand().SuchName);
  endung = OhneStern(Zustand().SuchEndung);
  boxText = name + "." + endung;
  return true;
}

SuchErgebnis NamenSuche(const std::string& ordner, const std::string& name,
                        const std::string& endung, SuchSteuerung* steuerung) {
  SuchErgebnis erg;
  Ordnerleser leser;
  std::deque<std::pair<std::string, std::string>> warteschlange;
  {
    std::string windows, host;
    if (!leser.Start(ordner, windows, host)) {
      erg.Ungelesen.push_back(windows);
      return erg;
    }
    warteschlange.emplace_back(std::move(windows), std::move(host));
  }
  while (!warteschlange.empty()) {
    if (steuerung && steuerung->Abgebrochen()) {
      erg.Abgebrochen = true;
      break;
    }
    auto [windows, host] = std::move(warteschlange.front());
    warteschlange.pop_front();
    if (steuerung) {
      if (steuerung->OrdnerBetreten) steuerung->OrdnerBetreten(windows);
      steuerung->Melden();
    }
    if (!leser.Lesen(windows, host)) {
      erg.Ungelesen.push_back(windows);
      continue;
    }
    for (const auto& datei : leser.Dateien()) {
      if (!DateinameVergleich(datei, name, endung)) continue;
      ++erg.Dateien;
      if (steuerung && steuerung->Treffer) {
        steuerung->Treffer(SuchTreffer{datei, windows, IconSetzen(std::string(LetzteZeichen(datei, 3)))});
      }
    }
    leser.Schliessen();
    ++erg.Ordner;
    for (const auto& u : leser.Unterordner()) {
      warteschlange.emplace_back(PfadVerbinden(windows, u), leser.HostUnterordner(host, u));
    }
  }
  return erg;
}

bool DirTreeHolen(const std::string& ordner, std::vector<std::string>& kette) {
  kette.clear();
  std::string pfad = ordner;
  if (pfad.empty() || pfad.back() != '\\') pfad += '\\';
  try {
    for (auto p = pfad.find('\\'); p != std::string::npos; p = pfad.find('\\', p + 1)) {
      std::string glied = pfad.substr(0, p + 1);
      Dienste().Dateien->GetFolder(glied);
      kette.push_back(std::move(glied));
    }
    return true;
  } catch (const std::exception& fehler) {
    Zustand().FehlerOrt = "vxmDorvex in DirTreeHolen";
    FehlerMelden(fehler);
    return false;
  }
}

}  // namespace vxm
