// The keyword search panel of the main window: the three modes, the input
// filter of the shared search box, term tracking and suggestions.
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

#include "basis/zustand.h"
#include "component/qt/frmdorvex.h"
#include "keywords/eingabe.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"
#include "platform/jetsql.h"
#include "search/qt/suchpanel.h"
#include "search/suchbegriffe.h"
#include "search/suchbegriffzustand.h"

namespace vxm {

void BegriffeZuruecksetzen() { SuchbegriffZustand(Zustand()).Zuruecksetzen(); }

SuchPanel::SuchPanel(frmDorvex& f) : QObject(&f), f_(f) {
  setObjectName("SuchPanel");
  f.txtDateisuchen->installEventFilter(this);
  f.lstKeywordsSuche->installEventFilter(this);
  f.lstKeywordsAuswahl2->installEventFilter(this);
  connect(f.optSchluesselW, &QRadioButton::clicked, this, [this] { OptionGewaehlt(f_.optSchluesselW); });
  connect(f.optSuchenDok, &QRadioButton::clicked, this, [this] { OptionGewaehlt(f_.optSuchenDok); });
  connect(f.optTextInhalt, &QRadioButton::clicked, this, [this] { OptionGewaehlt(f_.optTextInhalt); });
  connect(f.txtDateisuchen, &QLineEdit::textChanged, this,
          [this](const QString&) { Ereignis([&] { txtDateisuchen_Change(); }); });
  connect(f.lstKeywordsSuche, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem*) { Ereignis([&] { lstKeywordsSuche_DblClick(); }); });
  connect(f.lstKeywordsAuswahl2, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem*) { Ereignis([&] { lstKeywordsAuswahl2_DblClick(); }); });
  connect(f.chckMitListe, &QCheckBox::toggled, this, [this](bool) { chckMitListe_Click(); });
  connect(f.cmdSucheStarten, &QPushButton::clicked, this, [this] { Ereignis([&] { cmdSucheStarten_Click(); }); });
  connect(f.cmdSearch, &QPushButton::clicked, this, [this] { Ereignis([&] { cmdSearch_Click(); }); });
  f.LadeHaken.push_back([](LadePhase p) {
    if (p == LadePhase::Anfang) SuchbegriffZustand(Zustand()).Leeren();
  });
}

void SuchPanel::OptionGewaehlt(QRadioButton* gewaehlt) {
  // Each handler clears the two others.
  for (QRadioButton* o : {f_.optSchluesselW, f_.optSuchenDok, f_.optTextInhalt}) {
    const bool alt = o->autoExclusive();
    o->setAutoExclusive(false);
    o->setChecked(o == gewaehlt);
    o->setAutoExclusive(alt);
  }
}

bool SuchPanel::eventFilter(QObject* o, QEvent* e) {
  if (o == f_.txtDateisuchen) {
    if (e->type() == QEvent::FocusIn) {
      f_.cmdSucheStarten->setDefault(true);
    } else if (e->type() == QEvent::KeyPress && f_.optSchluesselW->isChecked()) {
      if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Down && VorschlaegeBetreten()) return true;
      bool verschluckt = false;
      Ereignis([&] { verschluckt = txtDateisuchen_KeyPress(static_cast<QKeyEvent*>(e)); });
      return verschluckt;
    }
  } else if (o == f_.lstKeywordsAuswahl2 && e->type() == QEvent::KeyPress) {
    // Enter takes the highlighted keyword, as a double click.
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      Ereignis([&] { lstKeywordsAuswahl2_DblClick(); });
      return true;
    }
  } else if (o == f_.lstKeywordsSuche) {
    if (e->type() == QEvent::FocusIn) {
      f_.cmdSucheStarten->setDefault(false);
    } else if (e->type() == QEvent::KeyPress) {
      auto* k = static_cast<QKeyEvent*>(e);
      if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
        Ereignis([&] { lstKeywordsSuche_DblClick(); });
        f_.txtDateisuchen->setFocus();
        f_.cmdSucheStarten->setDefault(true);
        return true;
      }
      // Up from the first suggestion, or Esc, goes back to typing.
      if (k->key() == Qt::Key_Escape || (k->key() == Qt::Key_Up && f_.lstKeywordsSuche->currentRow() <= 0)) {
        if (k->key() == Qt::Key_Escape) f_.lstKeywordsSuche->hide();
        f_.txtDateisuchen->setFocus();
        return true;
      }
    }
  }
  return QObject::eventFilter(o, e);
}

void SuchPanel::TextSetzen(const std::string& text) {
  f_.txtDateisuchen->setText(Q(text));
  f_.txtDateisuchen->setCursorPosition(static_cast<int>(f_.txtDateisuchen->text().size()));
  SuchbegriffZustand(Zustand()).TextGesetzt();
}

void SuchPanel::Anzeigen(const SuchfeldAnzeige& a) {
  auto* l = f_.lstKeywordsSuche;
  if (a.Vorschlaege) {
    l->clear();
    QStringList namen;
    for (const auto& n : *a.Vorschlaege) namen << Q(n);
    l->addItems(namen);
    VorschlaegeZeigen();
  }
  if (a.ListeVerstecken) l->hide();
  if (a.Text) TextSetzen(*a.Text);
  if (a.CaretAnsEnde) f_.txtDateisuchen->setCursorPosition(static_cast<int>(f_.txtDateisuchen->text().size()));
}

bool SuchPanel::txtDateisuchen_KeyPress(QKeyEvent* k) {
  SuchTaste taste;
  if (k->key() == Qt::Key_Backspace) {
    taste.art = SuchTaste::Art::Rueckschritt;
  } else if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
    taste.art = SuchTaste::Art::Eingabe;
  } else {
    const QList<uint> u = k->text().toUcs4();
    taste.zeichen = u.isEmpty() ? 0 : static_cast<char32_t>(u.front());
  }
  const SuchfeldAnzeige a = SuchbegriffZustand(Zustand()).Taste(taste, S(f_.txtDateisuchen->text()));
  Anzeigen(a);
  return a.Verschluckt;
}

// Down in the search box moves into the suggestions, as in any completion.
bool SuchPanel::VorschlaegeBetreten() {
  auto* l = f_.lstKeywordsSuche;
  if (!l->isVisible() || l->count() == 0) return false;
  l->setFocus();
  l->setCurrentRow(0);
  return true;
}

void SuchPanel::VorschlaegeZeigen() {
  auto* l = f_.lstKeywordsSuche;
  // Below the search box, over whatever lies there.
  const QPoint p = f_.txtDateisuchen->mapTo(&f_, QPoint(0, f_.txtDateisuchen->height()));
  const int hoehe = std::min(160, std::max(40, f_.height() - p.y()));
  l->setGeometry(p.x(), p.y(), f_.txtDateisuchen->width(), hoehe);
  l->show();
  l->raise();
}

void SuchPanel::txtDateisuchen_Change() {
  auto* box = f_.txtDateisuchen;
  const bool schluesselModus = f_.optSchluesselW->isChecked();
  const SuchfeldAnzeige a = SuchbegriffZustand(Zustand()).TextGeaendert(
      S(box->text()), schluesselModus,
      [this](std::string_view praefix) { return KeywordsMitPraefix(f_.DOC_DATA.Database(), praefix); });
  if (a.Eingabe) {
    box->setText(Q(*a.Eingabe));  // runs this handler again for the shortened text
    box->setCursorPosition(static_cast<int>(box->text().size()));
    return;
  }
  if (!schluesselModus) return;
  Anzeigen(a);
  if (f_.lstKeywordsSuche->count() == 0) f_.lstKeywordsSuche->hide();
}

void SuchPanel::lstKeywordsSuche_DblClick() {
  auto* e = f_.lstKeywordsSuche->currentItem();
  std::optional<std::string> gewaehlt;
  if (e && e->isSelected()) gewaehlt = S(e->text());
  const SuchfeldAnzeige a =
      SuchbegriffZustand(Zustand()).VorschlagGewaehlt(gewaehlt, S(f_.txtDateisuchen->text()), *Dienste().Meldungen);
  if (!a.Text) return;
  Anzeigen(a);
  f_.txtDateisuchen->setFocus();
  f_.txtDateisuchen->setCursorPosition(static_cast<int>(f_.txtDateisuchen->text().size()));
}

void SuchPanel::lstKeywordsAuswahl2_DblClick() {
  auto* e = f_.lstKeywordsAuswahl2->currentItem();
  if (!e) return;
  const SuchfeldAnzeige a = SuchbegriffZustand(Zustand()).AusListeGewaehlt(
      S(e->text()), S(f_.txtDateisuchen->text()), f_.optSchluesselW->isChecked());
  if (a.Eingabe) {
    f_.txtDateisuchen->setText(Q(*a.Eingabe));
    return;
  }
  Anzeigen(a);
}

void SuchPanel::chckMitListe_Click() {
  const bool an = f_.chckMitListe->isChecked();
  f_.lstKeywordsAuswahl2->setVisible(an);
  f_.lblKeyAuswahl->setVisible(an);
  f_.picBox->setVisible(!an);
}

void SuchPanel::cmdSucheStarten_Click() {
  if (f_.optSuchenDok->isChecked() || f_.optTextInhalt->isChecked()) {
    f_.cmdOrdner->setEnabled(true);
    if (f_.DatenSucheStarten) f_.DatenSucheStarten();
  } else if (f_.optSchluesselW->isChecked()) {
    cmdSearch_Click();
  }
  BegriffeZuruecksetzen();
}

void SuchPanel::cmdSearch_Click() {
  auto& z = Zustand();
  const std::string text = S(f_.txtDateisuchen->text());
  // Separators alone name no keyword either.
  if (text.find_first_not_of(" ;,") == std::string::npos) {
    Dienste().Meldungen->MsgBox("Bitte Keywörter in das Eingabefeld eintragen", vbOKOnly, "");
    return;
  }
  keyzerlegenVersuch(f_.DOC_DATA.Database());
  // The suggestions are done with once the search runs (its window would
  // otherwise stand in front of a list still open below the box).
  f_.lstKeywordsSuche->hide();
  if (z.SuchKeyAnzahl == 0) {
    z.KeyTeile = {text};
    z.KeyAnzahl = 1;
  }
  if (z.KeyAnzahl == 1) {
    std::string kopie = z.KeyTeile[0];
    f_.SucheDateien(kopie);
  } else {
    f_.SucheDateienMulti();
  }
  f_.chckMitListe->setChecked(false);
  f_.lstKeywordsAuswahl2->hide();
  f_.lblKeyAuswahl->hide();
}

SuchPanel* SuchPanelVon(frmDorvex& f) {
  return f.findChild<SuchPanel*>("SuchPanel", Qt::FindDirectChildrenOnly);
}

void SuchPanelEinrichten(frmDorvex& f) { new SuchPanel(f); }

}  // namespace vxm
