// Wiring of the keyword panel into the main window.
#include "keywords/qt/keywortpanel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "basis/dateifunktionen.h"
#include "basis/fehlermelden.h"
#include "basis/zustand.h"
#include "component/qt/frmdorvex.h"
#include "files/fingerabdruck.h"
#include "files/wiedererkennung.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/text.h"

namespace vxm {
namespace {

void Fuellen(QListWidget* l, const std::vector<std::string>& namen) {
  QStringList texte;
  texte.reserve(static_cast<qsizetype>(namen.size()));
  for (const auto& n : namen) texte.push_back(Q(n));
  l->addItems(texte);
}

void Zeigen(const std::string& text) { Dienste().Meldungen->MsgBox(text, vbOKOnly, ""); }

// Another workstation or program may have renamed, moved or deleted the
// file since the panel showed it: nothing is written for a file that is not
// there (a row for it would point nowhere, or later take another file's
// place). The typed text stays.
bool DateiNochDa(const AktuelleDatei& d) {
  const std::string pfad = !d.Ordner.empty() && d.Ordner.back() == '\\' ? d.Ordner + d.Name : d.Ordner + "\\" + d.Name;
  if (!GueltigerName(d.Name)) {
    // Made by another program: the store's paths cannot name it.
    Zeigen("Der Name der Datei " + pfad + " enthält ein Zeichen, das ein Dateiname in der Ablage nicht enthalten "
           "darf (\\ / : * ? \" < > | oder ein Steuerzeichen). Bitte benennen Sie die Datei im Dateimanager um; die "
           "Keywörter wurden nicht gespeichert.");
    return false;
  }
  if (DateiVorhanden(pfad)) return true;
  Zeigen("Die Datei " + pfad + " ist nicht mehr vorhanden; sie wurde inzwischen umbenannt, verschoben oder "
         "gelöscht. Die Keywörter wurden nicht gespeichert.");
  return false;
}

// Row of the last selected entry (the host walks the list upwards from 0
// and keeps the last hit), -1 for none.
int LetzteAuswahl(QListWidget* l) {
  for (int i = l->count() - 1; i >= 0; --i)
    if (l->item(i)->isSelected()) return i;
  return -1;
}

}  // namespace

bool ServerAbgewiesen(const std::exception& e, const std::string& nichtGetan) {
  const auto* vb = dynamic_cast<const VbFehler*>(&e);
  if (!vb || vb->Nummer != fehlernr::ServerNichtErreichbar) return false;
  Dienste().Meldungen->MsgBox(meldung::NichtsVeraendert(vb->Beschreibung, nichtGetan), vbExclamation, "");
  return true;
}

// ---- public methods of the window ----

void frmDorvex::KeywörterDateispezAuslesen(int32_t& dateinummer) {
  try {
    lstVorhandeneKeys->clear();
    for (const auto& k : KeywordsDerDateiLesen(DOC_DATA.Database(), dateinummer)) lstVorhandeneKeys->addItem(Q(k));
    lstVorhandeneKeys->update();
  } catch (const VbFehler& e) {
    FehlerMelden(e);
  } catch (const std::exception& e) {
    FehlerMelden(e);
  }
}

void frmDorvex::KeywEntfernen(std::string& keyword) {
  try {
    const vxm::AktuelleDatei datei =
        KeywortPanelDatei ? KeywortPanelDatei() : vxm::AktuelleDatei{filListBox->FileName(), dirListBox->Path()};
    std::optional<EntfernenErgebnis> e;
    try {
      e = KeywordEntfernenNachFrage(DOC_DATA.Database(), datei, keyword);
    } catch (const std::exception& f) {
      if (ServerAbgewiesen(f, "Das Keywort " + keyword + " wurde von der Datei " + datei.Name + " nicht entfernt"))
        return;
      throw;
    }
    if (!e) return;
    int32_t nr = e->Abgemeldet ? 0 : e->Dateinummer;
    KeywörterDateispezAuslesen(nr);
  } catch (const VbFehler& e) {
    FehlerMelden(e);
  } catch (const std::exception& e) {
    FehlerMelden(e);
  }
}

// ---- the panel ----

KeywortPanel::KeywortPanel(frmDorvex& f) : QObject(&f), f_(f) {
  setObjectName("KeywortPanel");
  auto ereignis = [this](void (KeywortPanel::*m)()) { return [this, m] { Ereignis([this, m] { (this->*m)(); }); }; };
  connect(f.cmdKeyAddToData, &QPushButton::clicked, this, ereignis(&KeywortPanel::cmdKeyAddToData_Click));
  connect(f.cmdNeuKey, &QPushButton::clicked, this, ereignis(&KeywortPanel::cmdNeuKey_Click));
  connect(f.cmdClearText, &QPushButton::clicked, this, ereignis(&KeywortPanel::cmdClearText_Click));
  connect(f.cmdÄnderKeyw, &QPushButton::clicked, this, ereignis(&KeywortPanel::cmdÄnderKeyw_Click));
  connect(f.cmdCancelÄndern, &QPushButton::clicked, this, ereignis(&KeywortPanel::cmdCancelÄndern_Click));
  connect(f.cmdKeyBearbEnde, &QPushButton::clicked, this, ereignis(&KeywortPanel::cmdKeyBearbEnde_Click));
  connect(f.txtEingabeKeyw, &QLineEdit::textChanged, this, ereignis(&KeywortPanel::txtEingabeKeyw_Change));
  connect(f.lstKeyword, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    const int i = f_.lstKeyword->row(item);
    Ereignis([this, i] { lstKeyword_Click(i); });
  });
  // Renaming for this file and for all files exclude each other: ticked
  // together they would rename everywhere and then create a second keyword
  // of the same name for this file.
  connect(f.chckAlleDat, &QCheckBox::toggled, this, [this](bool an) {
    if (an) f_.chckNurDieseDat->setChecked(false);
  });
  connect(f.chckNurDieseDat, &QCheckBox::toggled, this, [this](bool an) {
    if (an) f_.chckAlleDat->setChecked(false);
  });
  for (QPushButton* b : {f.cmdKeyAddToData, f.cmdNeuKey, f.cmdClearText, f.cmdÄnderKeyw, f.cmdCancelÄndern,
                         f.cmdKeyBearbEnde})
    b->setAutoDefault(false);  // Enter in the input box must not press a button
  f.lstKeyAuswahl->viewport()->installEventFilter(this);
  f.lstVorhandeneKeys->viewport()->installEventFilter(this);
  f.lstKeyword->installEventFilter(this);
  f.lstKeyAuswahl->installEventFilter(this);
  FokusWaehltNichts(f.lstKeyAuswahl);
  f.lstVorhandeneKeys->installEventFilter(this);
  f.txtEingabeKeyw->installEventFilter(this);
  f.txtEingabeKeyw->hide();
  f.cmdNeuKey->hide();
  f.cmdClearText->hide();
}

bool KeywortPanel::eventFilter(QObject* o, QEvent* e) {
  if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::RightButton) {
    const QPoint p = static_cast<QMouseEvent*>(e)->position().toPoint();
    if (o == f_.lstKeyAuswahl->viewport()) {
      KontextlisteZeigen(f_.lstKeyAuswahl, p.x(), p.y());
      return true;
    }
    if (o == f_.lstVorhandeneKeys->viewport()) {
      KontextlisteZeigen(f_.lstVorhandeneKeys, p.x(), p.y());
      return true;
    }
  }
  if (e->type() == QEvent::KeyPress) {
    auto* ke = static_cast<QKeyEvent*>(e);
    const bool menue = ke->key() == Qt::Key_Menu || (ke->key() == Qt::Key_F10 && ke->modifiers() == Qt::ShiftModifier);
    const bool enter = ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter;
    // Keyboard ways to what the mouse does: the context list at the current
    // entry, Enter to choose from it or to attach the selected keyword.
    if (menue && (o == f_.lstKeyAuswahl || o == f_.lstVorhandeneKeys)) {
      auto* l = static_cast<QListWidget*>(o);
      const QRect r = l->currentItem() ? l->visualItemRect(l->currentItem()) : QRect(0, 0, 20, 0);
      const QPoint p = l->viewport()->mapTo(l, QPoint(r.left() + 20, r.bottom()));
      KontextlisteZeigen(l, p.x(), p.y());
      return true;
    }
    if (enter && o == f_.lstKeyword) {
      const int i = f_.lstKeyword->currentRow();
      Ereignis([this, i] { lstKeyword_Click(i); });
      return true;
    }
    if (enter && o == f_.lstKeyAuswahl) {
      Ereignis([this] { cmdKeyAddToData_Click(); });
      return true;
    }
    // Esc closes what is open: the context list, else the panel, as "Ende".
    if (ke->key() == Qt::Key_Escape && o != f_.lstKeyword && f_.lstKeyword->isHidden() &&
        (o == f_.lstKeyAuswahl || o == f_.lstVorhandeneKeys || o == f_.txtEingabeKeyw)) {
      Ereignis([this] {
        if (f_.FrameÄnderung->isVisible()) {
          cmdCancelÄndern_Click();
        } else {
          cmdKeyBearbEnde_Click();
        }
      });
      return true;
    }
  }
  if (o == f_.lstKeyword && e->type() == QEvent::FocusIn) {
    // Every click on the context list is a new choice.
    f_.lstKeyword->clearSelection();
    f_.lstKeyword->setCurrentRow(-1);
  }
  if (o == f_.txtEingabeKeyw && e->type() == QEvent::KeyPress) {
    const int k = static_cast<QKeyEvent*>(e)->key();
    if (k == Qt::Key_Return || k == Qt::Key_Enter) {
      Ereignis([this] { cmdNeuKey_Click(); });
      return true;
    }
  }
  return QObject::eventFilter(o, e);
}

AktuelleDatei KeywortPanel::Datei() const {
  if (f_.FrameKeywortBearbeitung->isVisible()) return datei_;
  return {f_.filListBox->FileName(), f_.dirListBox->Path()};
}

Datenbank& KeywortPanel::Register() { return f_.DOC_DATA.Database(); }

void KeywortPanel::Oeffnen() {
  if (f_.filListBox->ListIndex() < 0) {
    Zeigen("Bitte Dateinamen auswählen!");
    return;
  }
  if (f_.lstKeyAuswahl->count() == 0) Fuellen(f_.lstKeyAuswahl, AlleKeywords(Register()));
  DateiZeigen();
  f_.FrameAlleKeys->setTitle(QString::fromUtf8("Liste aller Schlüsselwörter:"));
  f_.FrameVorhandenKey->setTitle(QString::fromUtf8("Bereits ausgewählt:"));
  f_.lstVorhandeneKeys->show();
  f_.FrameKeywortBearbeitung->show();
  f_.FrameKeywortBearbeitung->raise();
  // Keyboard users land in the panel, with no keyword chosen for them: ">>"
  // asks for a choice, the first arrow key goes to the first keyword.
  f_.lstKeyAuswahl->clearSelection();
  f_.lstKeyAuswahl->setCurrentRow(-1);
  f_.lstKeyAuswahl->setFocus();
}

// The panel works on the file it names: the one selected when it opened, or
// selected since. Clicks elsewhere (the tree, a search hit) that leave no
// file selected leave it on its file, so a change never lands on a file the
// panel does not show.
void KeywortPanel::DateiZeigen() {
  datei_ = {f_.filListBox->FileName(), f_.dirListBox->Path()};
  int32_t nr = DateiNummer(Register(), datei_);
  f_.lstVorhandeneKeys->clear();
  if (nr != 0) f_.KeywörterDateispezAuslesen(nr);
  f_.lblFilename->setText(Q(datei_.Name));
  f_.lblFilename->adjustSize();
}

// The details beside the list show the selected file's keywords: kept in
// step with what the panel changed when it is that file.
void KeywortPanel::DetailsNachziehen() {
  if (f_.filListBox->ListIndex() < 0 || !GleichOhneFall(f_.filListBox->FileName(), datei_.Name) ||
      !GleichOhneFall(f_.dirListBox->Path(), datei_.Ordner))
    return;
  try {
    f_.KeywortZeileFuellen();
  } catch (const std::exception&) {
    // a register error leaves the line as it was; the panel has shown it
  }
}

void KeywortPanel::AuswahlGeaendert() {
  if (!f_.FrameKeywortBearbeitung->isVisible() || f_.filListBox->ListIndex() < 0) return;
  // A selection the window made by itself (its folder went away) is not the
  // user's choice: the panel stays on its file, unless that is the file
  // selected again at its new place.
  if (f_.AuswahlVomProgramm && !GleichOhneFall(f_.filListBox->FileName(), datei_.Name)) return;
  f_.lstKeyword->hide();
  // Keywords typed for the file shown before are not confirmed for the one
  // chosen now: Enter would attach them to a file they were not meant for.
  const AktuelleDatei vorher = datei_;
  DateiZeigen();
  if (!GleichOhneFall(vorher.Name, datei_.Name) || !GleichOhneFall(vorher.Ordner, datei_.Ordner))
    f_.txtEingabeKeyw->clear();
}

void KeywortPanel::KeywEingabeZuweisen() {
  const AktuelleDatei d = Datei();
  if (!DateiNochDa(d)) return;
  EingabeErgebnis e;
  try {
    AmPlatzWartendeZurueckholen(Register(), d.Ordner, d.Name);
    e = KeywordsEingeben(Register(), d, S(f_.txtEingabeKeyw->text()));
  } catch (const std::exception& f) {
    if (ServerAbgewiesen(f, "Die Keywörter wurden der Datei " + d.Name + " nicht zugewiesen")) return;
    throw;
  }
  if (!e.Fehler.empty()) {
    Zeigen(e.Fehler);
    return;
  }
  for (const auto& n : e.NeueKeywords) f_.lstKeyAuswahl->addItem(Q(n));
  if (e.Doppelte.empty()) {
    f_.txtEingabeKeyw->clear();
  } else {
    std::string rest;
    for (const auto& n : e.Doppelte) {
      Zeigen(meldung::Doppelt(n, d.Name));
      if (!rest.empty()) rest += ' ';
      rest += n;
    }
    f_.txtEingabeKeyw->setText(Q(rest));
  }
  f_.lstKeyAuswahl->update();
  int32_t nr = e.Dateinummer;
  FingerabdruckNehmen(Register(), nr, d.Ordner, d.Name);
  f_.KeywörterDateispezAuslesen(nr);
  DetailsNachziehen();
}

void KeywortPanel::KeywDateiZuweisen(const std::string& keyword) {
  if (!DateiNochDa(Datei())) return;
  ZuweisungErgebnis e;
  try {
    AmPlatzWartendeZurueckholen(Register(), Datei().Ordner, Datei().Name);
    e = KeywordZuweisen(Register(), Datei(), keyword);
  } catch (const std::exception& f) {
    if (ServerAbgewiesen(f, "Das Keywort " + keyword + " wurde der Datei " + Datei().Name + " nicht zugewiesen")) return;
    throw;
  }
  if (!e.Meldung.empty()) {
    Zeigen(e.Meldung);
    return;
  }
  int32_t nr = e.Dateinummer;
  const AktuelleDatei d = Datei();
  FingerabdruckNehmen(Register(), nr, d.Ordner, d.Name);
  f_.KeywörterDateispezAuslesen(nr);
  DetailsNachziehen();
}

void KeywortPanel::KeywUmbenennen() {
  const int zeile = LetzteAuswahl(f_.lstVorhandeneKeys);
  if (zeile < 0) {
    Zeigen(meldung::NichtsAusgewaehlt);
    return;
  }
  const std::string alt = S(f_.lstVorhandeneKeys->item(zeile)->text());
  const std::string antwort = Dienste().Meldungen->InputBox(meldung::NeuerNamePrompt, "", alt);
  const std::string neu = Gross(antwort);
  if (const std::string m = UmbenennenPruefen(Register(), neu); !m.empty()) {
    Zeigen(m);
    return;
  }
  if (f_.chckAlleDat->isChecked()) {
    const int64_t anzahl = DateienDesKeywords(Register(), alt);
    if (Dienste().Meldungen->MsgBox(meldung::AlleDateienFrage(anzahl), vbOKCancel + vbQuestion, "") != vbOK) return;
    const UmbenennenErgebnis e = KeywordUmbenennenAlle(Register(), alt, neu);
    if (!e.Meldung.empty()) {
      Zeigen(e.Meldung);
      return;
    }
    f_.lstKeyAuswahl->clear();
    Fuellen(f_.lstKeyAuswahl, AlleKeywords(Register()));
    for (int i = f_.lstVorhandeneKeys->count() - 1; i >= 0; --i)
      if (GleichOhneFall(S(f_.lstVorhandeneKeys->item(i)->text()), alt)) delete f_.lstVorhandeneKeys->takeItem(i);
    f_.lstVorhandeneKeys->addItem(Q(neu));
  } else if (f_.chckNurDieseDat->isChecked()) {
    const UmbenennenErgebnis e = KeywordUmbenennenDiese(Register(), Datei(), alt, neu);
    if (!e.Meldung.empty()) {
      Zeigen(e.Meldung);
      return;
    }
    if (!e.Geaendert) return;
    int32_t nr = e.Dateinummer;
    f_.KeywörterDateispezAuslesen(nr);
    f_.lstKeyAuswahl->addItem(Q(neu));
  }
}

void KeywortPanel::EingabeSchliessen() {
  f_.txtEingabeKeyw->hide();
  f_.cmdNeuKey->hide();
  f_.cmdClearText->hide();
}

void KeywortPanel::lstKeyword_Click(int index) {
  switch (index) {
    case 0:  // Neu
      f_.txtEingabeKeyw->clear();
      f_.cmdClearText->setText("Beenden");
      f_.txtEingabeKeyw->show();
      f_.cmdNeuKey->show();
      f_.cmdClearText->show();
      f_.Frame3->show();
      f_.txtEingabeKeyw->setFocus();
      f_.FrameÄnderung->hide();
      f_.lstKeyword->hide();
      break;
    case 1:  // Ändern
      EingabeSchliessen();
      f_.lstKeyword->hide();
      // Wide enough for the options' texts, beside the panel.
      f_.Platzieren(f_.FrameÄnderung, 9840, 2460, 3900, 2700);
      f_.FrameÄnderung->show();
      break;
    case 2: {  // Löschen
      EingabeSchliessen();
      f_.FrameÄnderung->hide();
      f_.lstKeyword->hide();
      const int zeile = LetzteAuswahl(f_.lstVorhandeneKeys);
      if (zeile < 0) {
        Zeigen(meldung::NichtsAusgewaehlt);
        return;
      }
      std::string name = S(f_.lstVorhandeneKeys->item(zeile)->text());
      f_.KeywEntfernen(name);
      DetailsNachziehen();
      break;
    }
    default:
      break;
  }
}

void KeywortPanel::cmdKeyAddToData_Click() {
  int zeile = -1;  // the first selected entry
  for (int i = 0; i < f_.lstKeyAuswahl->count() && zeile < 0; ++i)
    if (f_.lstKeyAuswahl->item(i)->isSelected()) zeile = i;
  if (zeile < 0) {
    Zeigen(meldung::NichtsAusgewaehlt);
    return;
  }
  KeywDateiZuweisen(S(f_.lstKeyAuswahl->item(zeile)->text()));
}

void KeywortPanel::cmdNeuKey_Click() {
  KeywEingabeZuweisen();
  if (!f_.txtEingabeKeyw->text().isEmpty()) {
    f_.txtEingabeKeyw->selectAll();
  } else {
    EingabeSchliessen();
  }
}

void KeywortPanel::cmdClearText_Click() {
  if (f_.cmdClearText->text() == "Beenden") {
    EingabeSchliessen();
    f_.Frame3->hide();
  } else {
    f_.txtEingabeKeyw->clear();
    f_.txtEingabeKeyw->setFocus();
  }
}

void KeywortPanel::txtEingabeKeyw_Change() {
  f_.cmdClearText->setText(f_.txtEingabeKeyw->text().isEmpty() ? QString("Beenden")
                                                                : QString::fromUtf8("Text löschen"));
}

void KeywortPanel::cmdÄnderKeyw_Click() {
  KeywUmbenennen();
  DetailsNachziehen();
  f_.FrameÄnderung->hide();
  f_.chckNurDieseDat->setChecked(false);
  f_.chckAlleDat->setChecked(false);
}

void KeywortPanel::cmdCancelÄndern_Click() { f_.FrameÄnderung->hide(); }

void KeywortPanel::cmdKeyBearbEnde_Click() {
  const std::string name = f_.filListBox->FileName();
  f_.FrameKeywortBearbeitung->hide();  // (the refresh below selects again: nothing to follow)
  f_.filListBox->Refresh();
  for (int i = 0; i < f_.filListBox->ListCount(); ++i)
    if (f_.filListBox->List(i) == name) {
      f_.filListBox->SetListIndex(i);
      break;
    }
  f_.FrameÄnderung->hide();
  f_.cmdClearText->hide();
  f_.lstKeyword->hide();
  f_.txtEingabeKeyw->hide();
  f_.cmdNeuKey->hide();
  f_.FrameKeywortBearbeitung->hide();
  f_.txtDateisuchen->clear();
  // Keyboard users go on in the file list, with the file they tagged.
  f_.filListBox->setFocus();
}

void KeywortPanel::KontextlisteZeigen(QListWidget* liste, int x, int y) {
  if (liste == f_.lstVorhandeneKeys) x = std::min(x, static_cast<int>(static_cast<float>(Twips(1205)) * f_.Faktor()));
  const QPoint ecke = liste->mapTo(&f_, QPoint(0, 0));
  int links = ecke.x() + x, oben = ecke.y() + y;
  links = std::max(0, std::min(links, f_.width() - f_.lstKeyword->width()));
  oben = std::max(0, std::min(oben, f_.height() - f_.lstKeyword->height()));
  f_.lstKeyword->move(links, oben);
  f_.lstKeyword->show();
  f_.lstKeyword->raise();
  f_.lstKeyword->setFocus();
}

void KeywortPanelEinrichten(frmDorvex& f) {
  auto* p = new KeywortPanel(f);
  f.KeywortPanelOeffnen = [p] { Ereignis([p] { p->Oeffnen(); }); };
  f.KeywortPanelDatei = [p] { return p->Datei(); };
  f.filListBox->Click = [p, vorher = f.filListBox->Click] {
    if (vorher) vorher();
    Ereignis([p] { p->AuswahlGeaendert(); });
  };
}

}  // namespace vxm
