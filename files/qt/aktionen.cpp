// Wiring of the file and folder actions into the main window.
#include "files/qt/aktionen.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTreeWidget>

#include "basis/dateifunktionen.h"
#include "basis/fehlermelden.h"
#include "basis/zustand.h"
#include "component/qt/frmdorvex.h"
#include "files/dateiloeschen.h"
#include "files/dateiuebertragung.h"
#include "files/ordnerumbenennen.h"
#include "files/qt/frmordnerinfo.h"
#include "files/registerpflege.h"
#include "files/registervorhaben.h"
#include "keywords/qt/keywortpanel.h"
#include "keywords/register.h"
#include "keywords/registerzugriff.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/qt/papierkorb.h"
#include "platform/text.h"
#include "store/ordnerlayout.h"
#include "store/qt/ordnerbaum.h"

namespace vxm {
namespace {

int Frage(const std::string& text, int stil, const std::string& titel = "") {
  return Dienste().Meldungen->MsgBox(text, stil, titel);
}
void Hinweis(const std::string& text) { Dienste().Meldungen->MsgBox(text, vbOKOnly, ""); }

std::string Pfad(const std::string& ordner, const std::string& name) {
  return !ordner.empty() && ordner.back() == '\\' ? ordner + name : ordner + "\\" + name;
}

void Melden(const std::exception& e) {
  Zustand().FehlerOrt = kFehlerOrtAktion;
  FehlerMelden(e);
}

constexpr std::size_t kHoechstensNamensbytes = 255;  // NAME_MAX of the file systems in use

class Sanduhr {
 public:
  Sanduhr() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~Sanduhr() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

Aktionen::Aktionen(frmDorvex& f) : QObject(&f), f_(f) { setObjectName("Aktionen"); }

Aktionen* AktionenVon(frmDorvex& f) { return f.findChild<Aktionen*>("Aktionen", Qt::FindDirectChildrenOnly); }

Datenbank& Aktionen::Register() { return f_.DOC_DATA.Database(); }

// ---------------------------------------------------------------- file menu

void Aktionen::lstAktion_Click(int i) {
  if (i < 0) return;
  // "Neue Datei" keeps the menu up while the type list has the focus.
  f_.lstAktion->setProperty("vxmBleibtOffen", i == 4);
  if (i != 4) f_.lstAktion->hide();
  const int16_t vorher = AktAktion;
  AktAktion = static_cast<int16_t>(i);
  if (i != 2) {
    QuellOrdner = f_.filListBox->Path();
    QuellDatei = f_.filListBox->FileName();
    ZielOrdner.clear();
  } else {
    ZielOrdner = f_.filListBox->Path();
  }
  try {
    switch (i) {
      case 2: Einfuegen(vorher); break;
      case 3: Loeschen(); break;
      case 4: NeueDatei(); break;
      case 5: Umbenennen(); break;
      case 6: Keywords(); break;
      case 7: Termin(); break;
      default: break;  // cut, copy, separator: the file is remembered
    }
  } catch (const std::exception& e) {
    Melden(e);
  }
}

bool Aktionen::Uebertragen(UebertragungsArt art, const std::string& ordner, const std::string& name,
                           const std::string& zielOrdner, const std::string& zielName) {
  Datenbank* db = nullptr;
  try {
    db = &Register();
  } catch (const std::exception& e) {
    Melden(e);
    Hinweis("Das Register ist nicht erreichbar; die Datei wurde nicht " +
            std::string(UebertragungsTat(art, ordner, zielOrdner)) + ".");
    return false;
  }
  Uebertragung u;
  u.Art = art;
  u.QuellOrdner = ordner;
  u.QuellName = name;
  u.ZielOrdner = zielOrdner;
  u.ZielName = zielName;
  return DateiUebertragen(*db, *Dienste().Meldungen, u) == UebertragungsErgebnis::Erledigt;
}

void Aktionen::Einfuegen(int16_t vorher) {
  ZielDatei = QuellDatei;
  if (QuellOrdner.empty() || QuellDatei.empty()) {
    Hinweis(kMeldungZwischenablageLeer);
  } else {
    if (GleichOhneFall(ZielOrdner, QuellOrdner)) ZielDatei = kKopieVon + QuellDatei;
    const UebertragungsArt art = vorher == 0   ? UebertragungsArt::Verschieben
                                 : vorher == 1 ? UebertragungsArt::Kopieren
                                               : UebertragungsArt::NurKopieren;
    Uebertragen(art, QuellOrdner, QuellDatei, ZielOrdner, ZielDatei);
  }
  AktAktion = -1;
  const bool eingefuegt = !QuellDatei.empty() && DateiVorhanden(Pfad(ZielOrdner, ZielDatei));
  QuellOrdner.clear();
  QuellDatei.clear();
  ZielOrdner.clear();
  f_.filListBox->Refresh();
  // The pasted file is the selected one; the details no longer describe
  // the file it came from.
  if (!eingefuegt || !DateiMarkieren(ZielDatei)) f_.DateiDetailsLeeren();
}

bool Aktionen::DateiMarkieren(const std::string& name) {
  for (int i = 0; i < f_.filListBox->ListCount(); ++i) {
    if (f_.filListBox->List(i) == name) {
      f_.filListBox->SetListIndex(i);
      return true;
    }
  }
  return false;
}

void Aktionen::Loeschen() {
  if (QuellDatei.empty()) {
    Hinweis(kMeldungDateiWaehlen);
    return;
  }
  // The file goes on a line of its own, its folder below it, so the user
  // sees what goes (a copy of the same name may lie in the folder above).
  if (Frage(std::string(kFrageLoeschen) + vbCrLf + QuellDatei + vbCrLf + "im Ordner " + OrdnerPfadNormal(QuellOrdner),
            vbYesNo + vbQuestion, kTitelLoeschen) == vbYes)
    LoeschenAusfuehren();
  f_.filListBox->Refresh();
  // A file kept (Nein, or not deletable) stays the selected one; the
  // details of one that is gone go with it.
  if (!DateiVorhanden(Pfad(QuellOrdner, QuellDatei)) || !DateiMarkieren(QuellDatei)) f_.DateiDetailsLeeren();
}

void Aktionen::LoeschenAusfuehren() {
  // Into the desktop's trash, so a mistaken Ja can be undone. Where no trash
  // takes the file, it is deleted for good only after a question of its own
  // (asked with the register free, not while the delete holds it). File and
  // rows go as one unit: a file that could not be deleted keeps its rows.
  const std::string pfad = Pfad(QuellOrdner, QuellDatei);
  bool keinKorb = false;
  auto loeschen = [&](const std::function<bool(const std::string&)>& entfernen, bool papierkorb) {
    if (DateiMitRegisterLoeschen(Register(), QuellOrdner, QuellDatei, entfernen, papierkorb) ==
        LoeschErgebnis::RegisterOffen)
      Hinweis("Die Datei " + pfad + " wurde gelöscht, ihre Keywörter konnten aber noch nicht aus dem Register "
              "entfernt werden. Das geschieht beim nächsten Öffnen.");
  };
  try {
    loeschen([&](const std::string& p) {
      switch (InDenPapierkorb(p)) {
        case Korb::Verschoben: return true;
        case Korb::NichtMoeglich: return DateiLoeschen(p);
        case Korb::KeinKorb: break;
      }
      keinKorb = true;
      return false;
    }, true);
    if (!keinKorb) return;
    if (Frage("Die Datei kann nicht in den Papierkorb verschoben werden:" + std::string(vbCrLf) + pfad + vbCrLf +
                  "Soll sie endgültig gelöscht werden?",
              vbYesNo + vbExclamation + vbDefaultButton2, kTitelLoeschen) != vbYes) {
      Hinweis(meldung::Abgebrochen);
      return;
    }
    loeschen([](const std::string& p) { return DateiLoeschen(p); }, false);
  } catch (const std::exception& e) {
    // A register out of reach refuses the delete before the file goes: one
    // message says so.
    if (ServerAbgewiesen(e, "Die Datei " + pfad + " wurde nicht gelöscht")) return;
    Melden(e);
    Hinweis("Die Datei " + pfad + " wurde nicht gelöscht.");
  }
}

void Aktionen::Umbenennen() {
  ZielOrdner = f_.filListBox->Path();
  if (QuellDatei.empty()) {
    Hinweis(kMeldungDateiWaehlen);
    return;
  }
  ZielDatei = Dienste().Meldungen->InputBox(kPromptUmbenennen, kTitelUmbenennen, QuellDatei);
  if (ZielDatei.empty()) {
    Hinweis(kMeldungLeereEingabe);
    return;
  }
  if (!GueltigerName(ZielDatei)) {
    Hinweis("Ein Dateiname darf keines der Zeichen \\ / : * ? \" < > | enthalten. Vorgang wird abgebrochen...");
    return;
  }
  // The file system's limit, said as such (the move would only say "falsch").
  if (ZielDatei.size() > kHoechstensNamensbytes) {
    Hinweis("Der Dateiname ist zu lang: " + std::to_string(ZielDatei.size()) + " Bytes, höchstens " +
            std::to_string(kHoechstensNamensbytes) + " sind möglich. Vorgang wird abgebrochen...");
    return;
  }
  // Renaming onto another file would overwrite it.
  if (!GleichOhneFall(ZielDatei, QuellDatei) && DateiVorhanden(Pfad(ZielOrdner, ZielDatei))) {
    Hinweis("Die Datei " + ZielDatei + " ist bereits vorhanden. Vorgang wird abgebrochen...");
    return;
  }
  Uebertragen(UebertragungsArt::Verschieben, QuellOrdner, QuellDatei, ZielOrdner, ZielDatei);
  f_.filListBox->Refresh();
  // The file stays the selected one under its new name (under its old one
  // when the rename failed): the next key acts on it, not on a neighbour.
  if (!DateiMarkieren(DateiVorhanden(Pfad(ZielOrdner, ZielDatei)) ? ZielDatei : QuellDatei)) f_.DateiDetailsLeeren();
}

void Aktionen::NeueDatei() {
  auto* m = f_.lstAktion;
  const double faktor = f_.Faktor() > 0 ? f_.Faktor() : 1.0;
  const double zuTwips = 15.0 / faktor;
  const double links = m->x() * zuTwips, oben = m->y() * zuTwips;
  const double breite = m->width() * zuTwips, hoehe = m->height() * zuTwips;
  const double fensterHoehe = f_.height() * zuTwips;
  const double x = links + breite <= 9000 ? links + breite : links - 2500;
  const double y = oben + hoehe <= fensterHoehe - 750 ? oben : oben + hoehe - 250;
  f_.Platzieren(f_.lstDokument, x, y);
  f_.lstDokument->setCurrentRow(0);  // a menu opens at its first entry
  f_.lstDokument->show();
  f_.lstDokument->raise();
  f_.lstDokument->setFocus();
}

void Aktionen::Keywords() {
  if (f_.filListBox->FileName().empty()) {
    Hinweis(kMeldungDateiWaehlen);
    return;
  }
  if (f_.KeywortPanelOeffnen) f_.KeywortPanelOeffnen();
}

void Aktionen::Termin() {
  auto& z = Zustand();
  z.SuchDokname = S(f_.lblName->text());
  z.SuchDokpfad = f_.AktionsPfad;
  z.ProgName = "vxmTerminverwaltung";
  z.AufrufParameter.at(slot::Aufrufer) = Variant(std::string("vxmDorvex"));
  auto termin = Dienste().Komponenten.TerminverwaltungErzeugen();
  termin->Dokname(z.SuchDokname);
  termin->Dokpfad(z.SuchDokpfad);
  termin->Termin_Aufruf(z.AufrufParameter);
}

// -------------------------------------------------------------- folder menu

void Aktionen::lstOrdner_Click(int j) {
  if (j < 0) return;
  auto& z = Zustand();
  if (j == 0) {
    f_.lstNeuOrdner->move(f_.lstOrdner->x() + f_.lstOrdner->width(), f_.lstOrdner->y());
    f_.lstNeuOrdner->setCurrentRow(-1);  // no name of the last time offered again (keys start at the first)
    f_.lstNeuOrdner->show();
    f_.lstNeuOrdner->raise();
  } else {
    f_.lstOrdner->hide();
    f_.lstNeuOrdner->hide();
  }
  // (The lists went to a new folder when it was made; going there again
  // here would take them to a folder of that name the user has not chosen.)
  try {
    if (j == 2) OrdnerEigenschaften();
    if (j == 1) {
      z.UmbenennenAktiv = true;
      f_.Baum->LabelBearbeiten(f_.Baum->Ausgewaehlt());
    }
  } catch (const std::exception& e) {
    Melden(e);
  }
}

void Aktionen::lstNeuOrdner_Click(int k) {
  if (k < 0) return;
  f_.lstNeuOrdner->hide();
  try {
    if (k <= 3) {
      NeuOrdnerName = lstNeuOrdner[static_cast<std::size_t>(k)];
      OrdnerNeuAnlegen(k);
    } else if (k == 4) {
      Zustand().UmbenennenAktiv = false;
      NeuOrdnerName = kVorschlagFreierName;
      OrdnerNeuAnlegen(4);
    } else if (k == 5) {
      f_.lstOrdner->show();
      f_.lstOrdner->raise();
      f_.lstOrdner->setFocus();
    }
  } catch (const std::exception& e) {
    Melden(e);
  }
}

void Aktionen::OrdnerNeuAnlegen(int k) {
  auto& z = Zustand();
  const std::string aktionsPfad = f_.AktionsPfad;
  const std::string pfad = Pfad(aktionsPfad, NeuOrdnerName);
  if (k == 4) platzhalterVorher_ = OrdnerVorhanden(pfad);
  // An existing folder is no error; a folder that could not be made (the
  // user was told why) gets no node.
  if (!OrdnerAnlegen(pfad) && !OrdnerVorhanden(pfad)) {
    // (a folder gone meanwhile raises no message of its own)
    if (!OrdnerVorhanden(aktionsPfad)) Hinweis("Der Ordner " + aktionsPfad + " ist nicht mehr vorhanden.");
    return;
  }
  auto& baum = *f_.Baum;
  // The key is the parent's key and the name as created, as every node's.
  auto* eltern = baum.Knoten(Gross(Pfad(aktionsPfad, "")));
  const std::string schluessel = (eltern ? OrdnerBaum::Schluessel(eltern) : Pfad(aktionsPfad, "")) + NeuOrdnerName + "\\";
  QTreeWidgetItem* knoten = nullptr;
  if (eltern) {
    const bool import = z.ProgName == "VXMDokImport";
    try {
      knoten = baum.Hinzufuegen(eltern, schluessel, NeuOrdnerName, import ? 3 : 1, import ? 1 : 11);
    } catch (const VbFehler& e) {
      if (e.Nummer != 35602) throw;
      Frage(kMeldungOrdnerVorhanden, vbOKOnly + vbInformation);
    }
  }
  if (!knoten) knoten = baum.Knoten(schluessel);
  if (!knoten) return;  // the tree does not show that folder: the folder exists all the same
  NeuerKnotenIndex = NeuerKnotenIndex2 = baum.Index(knoten);
  if (!z.DokWurzel.empty() && Gross(pfad).find(Gross(z.DokWurzel)) != std::string::npos)
    baum.BildSetzen(knoten, kBildVxmin);
  // Making it visible opens the parent, whose expand handler selects the parent.
  f_.tvwDir->scrollToItem(knoten);
  baum.Auswaehlen(knoten);
  // The lists show the folder the tree highlights: a new document or a
  // paste goes where the user sees it going.
  baum.KnotenZeigen(knoten);
  // The keys go on in the tree, at the new node (the menu that had the
  // focus is gone).
  f_.tvwDir->setFocus();
  if (k == 4) baum.LabelBearbeiten(knoten);
  f_.tvwDir->viewport()->update();
}

void Aktionen::NeuenOrdnerBenennen(std::string& name) {
  auto& baum = *f_.Baum;
  QTreeWidgetItem* knoten =
      NeuerKnotenIndex2 >= 0 && NeuerKnotenIndex2 < baum.Anzahl() ? baum.NachIndex(NeuerKnotenIndex2) : nullptr;
  const std::string platzhalter = Pfad(f_.AktionsPfad, NeuOrdnerName);
  auto textZurueck = [&] {
    if (knoten) knoten->setText(0, Q(NeuOrdnerName));
  };
  // Lists still on the placeholder follow it to its name; a click elsewhere
  // that ended the edit has taken them there instead.
  const bool listenFolgen = GleichOhneFall(Pfad(f_.dirListBox->Path(), ""), Pfad(platzhalter, ""));
  // Nothing typed (or the placeholder's own name): the placeholder stays.
  if (name.empty() || GleichOhneFall(name, NeuOrdnerName)) {
    name = NeuOrdnerName;
    textZurueck();
    return;
  }
  // A "Neuer Ordner" that was there before, or got content meanwhile, is not ours to delete.
  bool behalten = platzhalterVorher_;
  if (!behalten) {
    try {
      behalten = !Dienste().Dateien->Files(platzhalter).empty() || !Dienste().Dateien->SubFolders(platzhalter).empty();
    } catch (const VbFehler&) {
    }
  }
  if (!behalten) OrdnerLoeschen(platzhalter);
  const std::string neu = Pfad(f_.AktionsPfad, name);
  if (!GueltigerName(name) || !OrdnerAnlegen(neu)) {
    Hinweis(kMeldungOrdnerKeineNeuanlage);
    NeuOrdnerName = kVorschlagFreierName;
    name = NeuOrdnerName;
    textZurueck();
    if (!behalten) OrdnerAnlegen(Pfad(f_.AktionsPfad, NeuOrdnerName));
    return;
  }
  if (!knoten) return;
  const std::string alterSchluessel = OrdnerBaum::Schluessel(knoten);
  std::string elternTeil = alterSchluessel.substr(0, alterSchluessel.size() > 1 ? alterSchluessel.size() - 1 : 0);
  const auto pos = elternTeil.rfind('\\');
  elternTeil = pos == std::string::npos ? std::string() : elternTeil.substr(0, pos + 1);
  const std::string schluessel = elternTeil + name + "\\";
  if (behalten) {
    // The placeholder keeps its node; the new folder gets one of its own.
    textZurueck();
    QTreeWidgetItem* neuerKnoten = baum.Knoten(schluessel);
    if (!neuerKnoten && knoten->parent()) {
      const bool import = Zustand().ProgName == "VXMDokImport";
      neuerKnoten = baum.Hinzufuegen(knoten->parent(), schluessel, name, import ? 3 : 1, import ? 1 : 11);
    }
    if (neuerKnoten) {
      NeuerKnotenIndex = NeuerKnotenIndex2 = baum.Index(neuerKnoten);
      baum.Auswaehlen(neuerKnoten);
      if (listenFolgen) baum.KnotenZeigen(neuerKnoten);
    }
    return;
  }
  baum.SchluesselSetzen(knoten, schluessel);
  knoten->setText(0, Q(name));
  if (listenFolgen) baum.KnotenZeigen(knoten);
}

void Aktionen::OrdnerEigenschaften() {
  frmOrdnerInfo info(&f_);
  {
    Sanduhr s;
    info.Form_Load(f_);
    info.Fuellen(f_.dirListBox->Path());
  }
  info.Zeigen();
}

// ------------------------------------------------------ drag and drop, upkeep

void Aktionen::DateiZiehenAblegen(QTreeWidgetItem* ziel) {
  const std::string name = f_.filListBox->FileName();
  const std::string ordner = f_.dirListBox->Path();
  if (!ziel || name.empty()) {
    Hinweis(kMeldungVorgangNicht);
    return;
  }
  std::string zielOrdner = OrdnerBaum::Schluessel(ziel);
  if (zielOrdner.size() > 3 && zielOrdner.back() == '\\') zielOrdner.pop_back();
  const std::string text = "Sie sind im Begriff die Datei " + name + " in den Ordner \r" + OrdnerBaum::Text(ziel) +
                           " zu kopieren. Bestätigen mit JA, \rbei NEIN wird die ausgwählte Datei verschoben!";
  const int antwort = Frage(text, vbYesNoCancel);
  if (antwort != vbYes && antwort != vbNo) return;
  std::string o = ordner;
  if (o.size() > 3 && o.back() == '\\') o.pop_back();
  if (GleichOhneFall(o, zielOrdner)) {
    // Copying a file onto itself would fail, and a move would then delete it.
    Hinweis("Die Datei " + name + " liegt bereits in diesem Ordner. Vorgang wird abgebrochen...");
    return;
  }
  try {
    if (antwort == vbYes) {
      Uebertragen(UebertragungsArt::Kopieren, o, name, zielOrdner, name);
    } else {
      Uebertragen(UebertragungsArt::Verschieben, o, name, zielOrdner, name);
      f_.filListBox->Refresh();
      if (f_.filListBox->ListCount() > 0) f_.filListBox->SetListIndex(0);
    }
  } catch (const std::exception& e) {
    Melden(e);
  }
}

bool Aktionen::OrdnerUmbenennen(const std::string& ordner, const std::string& neuerName) {
  OrdnerUmbenennung u;
  try {
    u = vxm::OrdnerUmbenennen(Register(), ordner, neuerName);
  } catch (const std::exception& e) {
    Zustand().FehlerOrt = "vxmDorvex, in OrdnerPfadNachziehen";
    FehlerMelden(e);
    return false;
  }
  if (u.Umbenannt) {
    if (!u.Meldung.empty()) Hinweis(u.Meldung);
    return true;
  }
  // As the rename primitive reports them; the tree then says that nothing was renamed.
  if (u.RegisterFehler) {
    Hinweis(u.Meldung);
  } else if (u.Fehlernummer == fehlernr::PfadZugriffsfehler) {
    Hinweis(kMeldungOrdnerInBenutzung);
  } else if (u.Fehlernummer != fehlernr::DateiNichtGefunden) {
    Zustand().FehlerOrt = "vxmDorvex, in AfterLabelEdit";
    FehlerMelden(VbFehler(u.Fehlernummer, u.Meldung));
  }
  return false;
}

void Aktionen::VorhabenAbschliessen() {
  try {
    const VorhabenBilanz b = RegisterVorhabenAbschliessen(Register());
    if (b.Vollendet > 0) f_.filListBox->Refresh();
    // The user learns what became of the change the program was stopped in.
    if (!b.Berichte.empty()) {
      std::string text = "Beim letzten Mal wurde das Programm während einer Änderung beendet:";
      for (const auto& z : b.Berichte) text += std::string(vbCrLf) + z;
      Hinweis(text);
    }
  } catch (const std::exception& e) {
    if (f_.BeimLadenAufgeschoben(e)) return;
    Zustand().FehlerOrt = "vxmDorvex, in RegisterBereinigen";
    FehlerMelden(e);
  }
}

void Aktionen::RegisterBereinigen(std::string& muster) {
  try {
    vxm::RegisterBereinigen(Register(), muster);
  } catch (const std::exception& e) {
    if (f_.BeimLadenAufgeschoben(e)) return;
    Zustand().FehlerOrt = "vxmDorvex, in RegisterBereinigen";
    FehlerMelden(e);
  }
}

// ------------------------------------------------------------------ events

// Keys in the three menu lists: Enter (and Right on "Neuer Ordner") chooses, Esc closes.
bool Aktionen::MenueTaste(QListWidget* l, QKeyEvent* ke) {
  const bool enter = ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter;
  // Right opens "Neuer Ordner"'s names as Enter does, as a submenu opens.
  const bool untermenue = l == f_.lstOrdner && ke->key() == Qt::Key_Right && l->currentRow() == 0;
  if (enter || untermenue) {
    const int i = l->currentRow();
    Ereignis([&] {
      if (l == f_.lstAktion) lstAktion_Click(i);
      else if (l == f_.lstOrdner) lstOrdner_Click(i);
      else lstNeuOrdner_Click(i);
    });
    // The keys go on in the names just opened.
    if (l == f_.lstOrdner && i == 0 && f_.lstNeuOrdner->isVisible()) {
      f_.lstNeuOrdner->setCurrentRow(0);
      f_.lstNeuOrdner->setFocus();
    }
    return true;
  }
  if (ke->key() != Qt::Key_Escape) return false;
  // Esc closes a menu without a choice, back where it was opened from.
  l->hide();
  if (l == f_.lstAktion) {
    f_.filListBox->setFocus();
  } else {
    f_.lstNeuOrdner->hide();
    f_.lstOrdner->hide();
    f_.tvwDir->setFocus();
  }
  return true;
}

// Keys in the file list: the menu key opens the action menu at the selected
// file; Del, F2, Ctrl+C, Ctrl+X, Ctrl+V are its commands.
bool Aktionen::DateilisteTaste(QKeyEvent* ke) {
  const auto mods = ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
  if (ke->key() == Qt::Key_Menu || (ke->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
    auto* l = f_.filListBox;
    const QRect r = l->currentRow() >= 0 ? l->ZeilenRechteck(l->currentRow()) : QRect(0, 0, 20, 0);
    Ereignis([&] { f_.filListBox_MouseUp(Qt::RightButton, r.left() + 20, r.bottom()); });
    return true;
  }
  int befehl = -1;
  if (ke->key() == Qt::Key_Delete && mods == Qt::NoModifier) befehl = 3;
  else if (ke->key() == Qt::Key_F2 && mods == Qt::NoModifier) befehl = 5;
  else if (mods == Qt::ControlModifier && ke->key() == Qt::Key_C) befehl = 1;
  else if (mods == Qt::ControlModifier && ke->key() == Qt::Key_X) befehl = 0;
  else if (mods == Qt::ControlModifier && ke->key() == Qt::Key_V) befehl = 2;
  if (befehl < 0) return false;
  f_.AktionsPfad = f_.filListBox->Path();
  Ereignis([&] { lstAktion_Click(befehl); });
  return true;
}

bool Aktionen::eventFilter(QObject* o, QEvent* e) {
  if (o == f_.lstAktion) {
    if (e->type() == QEvent::FocusIn) {
      // Every click is a new selection.
      f_.lstAktion->setProperty("vxmBleibtOffen", false);
      f_.lstAktion->setCurrentRow(-1);
      f_.lstAktion->clearSelection();
    } else if (e->type() == QEvent::FocusOut) {
      f_.lstOrdner->setCurrentRow(-1);
      f_.lstOrdner->clearSelection();
    }
  } else if (o == f_.lstOrdner && e->type() == QEvent::FocusOut) {
    if (QApplication::focusWidget() != f_.lstNeuOrdner) f_.lstNeuOrdner->hide();
  }
  if (e->type() != QEvent::KeyPress) return false;
  auto* ke = static_cast<QKeyEvent*>(e);
  if (o == f_.lstAktion || o == f_.lstOrdner || o == f_.lstNeuOrdner)
    return MenueTaste(static_cast<QListWidget*>(o), ke);
  return o == f_.filListBox && DateilisteTaste(ke);
}

void AktionenEinrichten(frmDorvex& f) {
  auto* a = new Aktionen(f);
  QObject::connect(f.lstAktion, &QListWidget::itemClicked, a,
                   [a, &f](QListWidgetItem* it) { Ereignis([&] { a->lstAktion_Click(f.lstAktion->row(it)); }); });
  QObject::connect(f.lstOrdner, &QListWidget::itemClicked, a,
                   [a, &f](QListWidgetItem* it) { Ereignis([&] { a->lstOrdner_Click(f.lstOrdner->row(it)); }); });
  QObject::connect(f.lstNeuOrdner, &QListWidget::itemClicked, a,
                   [a, &f](QListWidgetItem* it) { Ereignis([&] { a->lstNeuOrdner_Click(f.lstNeuOrdner->row(it)); }); });
  for (QObject* o : std::initializer_list<QObject*>{f.lstAktion, f.lstOrdner, f.lstNeuOrdner, f.filListBox})
    o->installEventFilter(a);
  f.Baum->DateiZiehenAblegen = [a](QTreeWidgetItem* ziel) { a->DateiZiehenAblegen(ziel); };
  f.Baum->OrdnerUmbenennen = [a](const std::string& ordner, const std::string& name) {
    return a->OrdnerUmbenennen(ordner, name);
  };
  f.Baum->RegisterBereinigen = [a](std::string& muster) { a->RegisterBereinigen(muster); };
  f.Baum->NeuenOrdnerBenennen = [a](std::string& name) { a->NeuenOrdnerBenennen(name); };
  f.LadeHaken.push_back([a](LadePhase p) {
    // What a crash cut off is completed before the window makes its folders
    // (an empty folder made again under a renamed one's name would pass for
    // a rename that never happened) and before the clean-up (which would
    // take the rows of a renamed folder for rows of vanished files).
    if (p == LadePhase::Vorhaben) a->VorhabenAbschliessen();
    if (p != LadePhase::RegisterBereinigen) return;
    std::string muster = Zustand().OrdnerPfad;
    a->RegisterBereinigen(muster);
  });
}

}  // namespace vxm
