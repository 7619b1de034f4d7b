#include "files/dateiuebertragung.h"

#include <optional>

#include "files/fingerabdruck.h"
#include "files/registerpflege.h"
#include "files/registervorhaben.h"
#include "files/wiedererkennung.h"
#include "keywords/register.h"
#include "keywords/registerzugriff.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/text.h"

namespace vxm {
namespace {

using Ergebnis = UebertragungsErgebnis;

std::string Pfad(const std::string& ordner, const std::string& name) {
  return !ordner.empty() && ordner.back() == '\\' ? ordner + name : ordner + "\\" + name;
}

bool Da(const std::string& p) { return DateiDa(*Dienste().Dateien, p); }

// The file a replace overwrites, as it is spelled on disk: on a file system
// that tells letter case apart it may differ from the name pasted, and the
// question must name the file that goes. Of several spellings the path
// resolution takes the first in byte order.
std::string Vorhanden(const std::string& ordner, const std::string& name) {
  std::optional<std::string> gefunden;
  try {
    for (auto& n : Dienste().Dateien->FileNames(ordner)) {
      if (n == name) return Pfad(ordner, n);
      if (GleichOhneFall(n, name) && (!gefunden || n < *gefunden)) gefunden = std::move(n);
    }
  } catch (const VbFehler&) {
  }
  return Pfad(ordner, gefunden ? *gefunden : name);
}

// The file a replace would overwrite goes into the desktop's trash first,
// so a mistaken Ja can be undone; where no trash takes it, it is
// overwritten as before. A crash between the two steps leaves the old file
// in the trash and its row waiting for it: nothing is lost.
bool ErsetzteInDenPapierkorb(const std::string& ziel) {
  if (!Dienste().Papierkorb) return false;
  try {
    return Dienste().Papierkorb(ziel);
  } catch (const std::exception&) {
    return false;  // no trash after all: the copy overwrites it
  }
}

// Takes back a copy this operation made (it carries the source's read-only flag).
bool KopieEntfernen(const std::string& ziel) {
  try {
    Dienste().Dateien->DeleteFile(ziel, true);
    return true;
  } catch (const VbFehler&) {
    return false;
  }
}

}  // namespace

const char* UebertragungsTat(UebertragungsArt art, const std::string& quellOrdner, const std::string& zielOrdner) {
  if (art != UebertragungsArt::Verschieben) return "kopiert";
  return GleichOhneFall(quellOrdner, zielOrdner) ? "umbenannt" : "verschoben";
}

namespace {

class Ablauf {
 public:
  Ablauf(Datenbank& db, Dialoge& d, const Uebertragung& u)
      : db_(db), d_(d), u_(u), quelle_(Pfad(u.QuellOrdner, u.QuellName)), ziel_(Pfad(u.ZielOrdner, u.ZielName)),
        verschieben_(u.Art == UebertragungsArt::Verschieben) {}

  const char* Tat() const { return UebertragungsTat(u_.Art, u_.QuellOrdner, u_.ZielOrdner); }

  Ergebnis Ausfuehren() {
    // Of two files whose names differ in letter case only, the rows kept for
    // both spellings are the other's: they do not move with this one.
    std::string zwilling;
    try {
      zwilling = GrossKleinZwilling(db_, u_.QuellName, u_.QuellOrdner);
    } catch (const VbFehler& e) {
      return RegisterFehlgeschlagen(e);
    }
    if (!zwilling.empty() && verschieben_) {
      Hinweis(meldung::NurGrossKlein(u_.QuellName, zwilling) + " Die Datei wurde nicht " + Tat() + ".");
      return Ergebnis::Fehlgeschlagen;
    }
    if (GleichOhneFall(quelle_, ziel_)) {
      if (verschieben_) return quelle_ == ziel_ ? Ergebnis::Erledigt : Schreibweise();
      Hinweis("Die Datei " + quelle_ + " kann nicht auf sich selbst kopiert werden. Vorgang wird abgebrochen...");
      return Ergebnis::Fehlgeschlagen;
    }
    if (!Da(quelle_)) return KopierenFehlgeschlagen(StandardBeschreibung(fehlernr::DateiNichtGefunden));
    ersetzen_ = Da(ziel_);
    if (ersetzen_) ersetzt_ = Vorhanden(u_.ZielOrdner, u_.ZielName);
    if (ersetzen_ && d_.MsgBox(FrageUeberschreiben(ersetzt_), vbYesNo + vbQuestion, kTitelUeberschreiben) != vbYes)
      return Ergebnis::Abgelehnt;
    Vorhaben v;
    v.Art = verschieben_ ? VorhabenArt::Verschieben : VorhabenArt::Kopieren;
    v.QuellOrdner = u_.QuellOrdner;
    v.QuellName = u_.QuellName;
    v.ZielOrdner = u_.ZielOrdner;
    v.ZielName = u_.ZielName;
    v.ZielInDenPapierkorb = ersetzen_ && Dienste().Papierkorb;
    if (u_.Art == UebertragungsArt::Kopieren) {
      int32_t nummer = 0;
      try {
        nummer = zwilling.empty() ? DateiNummerSuchen(db_, u_.QuellName, u_.QuellOrdner) : 0;
      } catch (const VbFehler& e) {
        return RegisterFehlgeschlagen(e);
      }
      if (nummer != 0 && d_.MsgBox(kFrageKeywordsUebernehmen, vbYesNo, "") == vbYes)
        v.Art = VorhabenArt::KopierenMitKeywords;
    }
    // Another process's clean-up may drop the record before this one holds
    // the lock (it saw nothing done, rightly); then start again.
    for (int versuch = 0; versuch < 3; ++versuch) {
      const auto e = Einheit(v);
      if (e && *e == Ergebnis::Erledigt && v.Art == VorhabenArt::KopierenMitKeywords) KopieAbdrucken();
      if (e) return *e;
    }
    return RegisterFehlgeschlagen(VbFehler(fehlernr::Gesperrt, "Die Datenbank " + db_.Datei() +
                                                                   " ist durch einen anderen Vorgang gesperrt."));
  }

 private:
  void Hinweis(const std::string& text) { d_.MsgBox(text, vbOKOnly, ""); }

  // A copy that took keywords is a tagged file: its content is known at
  // once, so it can be found when it is moved before its folder is opened.
  void KopieAbdrucken() {
    try {
      if (const int32_t nr = DateiNummerSuchen(db_, u_.ZielName, u_.ZielOrdner))
        FingerabdruckNehmen(db_, nr, u_.ZielOrdner, u_.ZielName);
    } catch (const VbFehler&) {
      // best effort: the clean-up of the folder takes it later
    }
  }

  // The rows of a file this replace puts into the trash wait set aside,
  // bound to its place and known by its print (taken with the record), as
  // after a delete into the trash: put back there, the file has its keywords
  // again; the new file there takes nothing. A row whose file could not be
  // read for its print goes as before.
  std::vector<int32_t> ZielZeilenBeiseite(const Vorhaben& v) {
    if (!v.ZielInDenPapierkorb) return {};
    return ZeilenFuerPapierkorbBeiseite(db_, u_.ZielName, u_.ZielOrdner);
  }

  std::string NichtsVeraendert() const {
    return verschieben_ ? "Sie wurde nicht " + std::string(Tat()) + ", es wurde nichts verändert."
                        : std::string("Es wurde nichts verändert.");
  }

  Ergebnis KopierenFehlgeschlagen(const std::string& grund) {
    Hinweis("Die Datei " + quelle_ + " konnte nicht nach " + ziel_ + " kopiert werden (" + grund + ")." + vbCrLf +
            NichtsVeraendert());
    return Ergebnis::Fehlgeschlagen;
  }

  Ergebnis RegisterFehlgeschlagen(const VbFehler& e) {
    Hinweis(e.Beschreibung + vbCrLf + "Die Datei " + quelle_ + " wurde nicht " + Tat() + ", es wurde nichts verändert.");
    return Ergebnis::Fehlgeschlagen;
  }

  // Only the letter case of the name changes: the row follows in the same
  // commit; rows are found case-blind, so a crash in between does no harm.
  Ergebnis Schreibweise() {
    try {
      Transaktion t(db_);
      RegisterDateiVerschieben(db_, u_.QuellName, u_.QuellOrdner, u_.ZielName, u_.ZielOrdner);
      Dienste().Dateien->Name(quelle_, ziel_);
      t.Bestaetigen();
      return Ergebnis::Erledigt;
    } catch (const VbFehler& e) {
      Hinweis("Die Datei " + quelle_ + " konnte nicht umbenannt werden (" + e.Beschreibung + ")." + vbCrLf +
              "Es wurde nichts verändert.");
      return Ergebnis::Fehlgeschlagen;
    }
  }

  // The source stays (read-only, in use) after its copy was made: the
  // source keeps its row; a replaced target keeps the copy without a row.
  std::string QuelleBleibt() {
    if (!ersetzen_ && KopieEntfernen(ziel_)) return "Die Datei " + quelle_ + " konnte nicht gelöscht werden und wurde nicht " + Tat() + ".";
    if (ersetzen_) RegisterDateiZeilenEntfernen(db_, u_.ZielName, u_.ZielOrdner);
    return "Die Datei " + quelle_ + " konnte nicht gelöscht werden." + vbCrLf +
           "Sie liegt jetzt in beiden Ordnern; die Keywörter gehören zu " + quelle_ + ".";
  }

  // Record, lock, rows, disk, commit. Empty when the record was dropped
  // by another process before the lock was had.
  std::optional<Ergebnis> Einheit(Vorhaben& v) {
    try {
      v.Nummer = VorhabenEintragen(db_, v);
    } catch (const VbFehler& e) {
      return RegisterFehlgeschlagen(e);
    }
    bool kopiert = false, imKorb = false;
    try {
      Transaktion t(db_);
      if (!VorhabenVorhanden(db_, v.Nummer)) return std::nullopt;
      std::optional<Transaktion> zeilen;
      zeilen.emplace(db_);
      const std::vector<int32_t> wartend = ZielZeilenBeiseite(v);
      VorhabenRegisterAnwenden(db_, v);
      try {
        if (ersetzen_) imKorb = ErsetzteInDenPapierkorb(ersetzt_);
        // Written over after all (no trash took it): its rows go, as the content they described.
        if (!imKorb)
          for (const int32_t n : wartend) BeiseiteVerwerfen(db_, n);
        Dienste().Dateien->CopyFile(quelle_, ziel_, true);
        kopiert = true;
      } catch (const VbFehler& e) {
        zeilen.reset();
        VorhabenLoeschen(db_, v.Nummer);
        t.Bestaetigen();
        if (imKorb) {
          // its row waits for it: put back from the trash, it has its keywords again
          Hinweis("Die Datei " + quelle_ + " konnte nicht nach " + ziel_ + " kopiert werden (" + e.Beschreibung +
                  ")." + vbCrLf + "Die Datei " + ersetzt_ + " liegt im Papierkorb.");
          return Ergebnis::Fehlgeschlagen;
        }
        return KopierenFehlgeschlagen(e.Beschreibung);
      }
      if (verschieben_) {
        bool weg = false;
        try {
          Dienste().Dateien->DeleteFile(quelle_, false);
          weg = true;
        } catch (const VbFehler&) {
          weg = !Da(quelle_);
        }
        if (!weg) {
          zeilen.reset();
          const std::string meldung = QuelleBleibt();
          VorhabenLoeschen(db_, v.Nummer);
          t.Bestaetigen();
          Hinweis(meldung);
          return Ergebnis::Fehlgeschlagen;
        }
      }
      zeilen->Bestaetigen();
      VorhabenLoeschen(db_, v.Nummer);
      t.Bestaetigen();
      return Ergebnis::Erledigt;
    } catch (const VbFehler& e) {
      if (!kopiert) {
        VorhabenVerwerfen(db_, v.Nummer);
        return RegisterFehlgeschlagen(e);
      }
      // The disk step happened, the commit did not: the record completes it.
      try {
        RegisterVorhabenAbschliessen(db_);
        return Ergebnis::Erledigt;
      } catch (const VbFehler&) {
      }
      Hinweis("Die Datei liegt jetzt in " + ziel_ + ", das Register konnte aber noch nicht nachgeführt werden (" +
              e.Beschreibung + "). Es wird beim nächsten Öffnen nachgeführt.");
      return Ergebnis::Fehlgeschlagen;
    }
  }

  Datenbank& db_;
  Dialoge& d_;
  const Uebertragung& u_;
  const std::string quelle_, ziel_;
  const bool verschieben_;
  bool ersetzen_ = false;
  std::string ersetzt_;  // the file replaced, as spelled on disk
};

}  // namespace

std::string FrageUeberschreiben(const std::string& ziel) {
  return std::string("Im Zielordner gibt es bereits die Datei") + vbCrLf + ziel + vbCrLf + "Wollen Sie sie ersetzen?";
}

UebertragungsErgebnis DateiUebertragen(Datenbank& db, Dialoge& dialoge, const Uebertragung& u) {
  return Ablauf(db, dialoge, u).Ausfuehren();
}

}  // namespace vxm
