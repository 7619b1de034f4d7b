// The keyword search panel of the main window: the three modes, the input
// filter of the shared search box, term tracking and suggestions.
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

#include "component/qt/frmdorvex.h"
#include "component/zustand.h"
#include "keywords/eingabe.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"
#include "platform/jetsql.h"
#include "search/qt/suchpanel.h"
#include "search/suchbegriffe.h"

namespace vxm {

namespace {

char32_t LetztesZeichenVon(const QString& t) {
  if (t.isEmpty()) return 0;
  const QList<uint> u = t.right(2).toUcs4();
  return u.isEmpty() ? 0 : static_cast<char32_t>(u.back());
}

bool InListe(const std::vector<std::string>& liste, int32_t von, int32_t bis, const std::string& name) {
  for (int32_t i = std::max(von, 0); i <= bis && i < static_cast<int32_t>(liste.size()); ++i)
    if (!liste[i].empty() && GleichOhneFall(liste[i], name)) return true;
  return false;
}

// Grows a term list so that index i exists (the lists have no fixed end).
void Platz(std::vector<std::string>& liste, int32_t i) {
  if (i >= static_cast<int32_t>(liste.size())) liste.resize(static_cast<std::size_t>(i) + 1);
}

}  // namespace

void BegriffeZuruecksetzen() {
  auto& z = Zustand();
  z.SuchKeyAnzahl = 0;
  z.SuchTeilLaenge = 0;
  z.WildAnzahl = 0;
  z.SuchTeil.clear();
  for (auto& w : z.WildKeys) w.clear();
}

SuchPanel::SuchPanel(frmDorvex& f) : QObject(&f), f_(f) {
  setObjectName("SuchPanel");
  f.txtDateisuchen->installEventFilter(this);
  f.lstKeywordsSuche->installEventFilter(this);
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
    if (p != LadePhase::Anfang) return;
    auto& z = Zustand();
    for (auto& k : z.SuchKeys) k.clear();
    BegriffeZuruecksetzen();
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
      bool verschluckt = false;
      Ereignis([&] { verschluckt = txtDateisuchen_KeyPress(static_cast<QKeyEvent*>(e)); });
      return verschluckt;
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
    }
  }
  return QObject::eventFilter(o, e);
}

void SuchPanel::TextSetzen(const QString& text) {
  auto& z = Zustand();
  z.TextWirdGesetzt = true;
  f_.txtDateisuchen->setText(text);
  f_.txtDateisuchen->setCursorPosition(static_cast<int>(f_.txtDateisuchen->text().size()));
  z.TextWirdGesetzt = false;
}

bool SuchPanel::txtDateisuchen_KeyPress(QKeyEvent* k) {
  auto& z = Zustand();
  char32_t c = 0;
  bool rueck = false, eingabe = false;
  if (k->key() == Qt::Key_Backspace) {
    rueck = true;
  } else if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
    eingabe = true;
  } else {
    const QList<uint> u = k->text().toUcs4();
    if (u.isEmpty()) return false;  // no character: cursor keys, modifiers
    c = static_cast<char32_t>(u.front());
    if (c < 32 || c == 127) return false;  // other control characters
  }
  const bool alnum = c && IstBuchstabeOderZiffer(c);
  bool verschluckt = false;
  bool semikolon = eingabe || c == U';';
  // 1. A separator: ";" goes into the box and completes the term.
  if (!rueck && !eingabe && !alnum && c != U'*' && c != U';') {
    QString t = f_.txtDateisuchen->text();
    // A leading separator is dropped (letters and digits stay).
    if (!t.isEmpty() && !IstBuchstabeOderZiffer(LetztesZeichenVon(t.left(1)))) t = t.mid(1);
    TextSetzen(t + ";");
    semikolon = true;
    verschluckt = true;  // the separator itself never reaches the box
  }
  // 2.
  z.LetztesZeichen = rueck ? std::string("\b") : eingabe ? std::string("\r") : S(QString::fromUcs4(&c, 1));
  if (alnum) {  // 3.
    z.SuchTeil += z.LetztesZeichen;
    ++z.SuchTeilLaenge;
  } else if (c == U'*') {  // 4.
    ++z.SuchKeyAnzahl;
    Platz(z.SuchKeys, z.SuchKeyAnzahl);
    z.SuchKeys[z.SuchKeyAnzahl] = z.SuchTeil + "*";
    z.SuchTeil.clear();
    z.SuchTeilLaenge = 0;
  } else if (semikolon) {  // 5.
    if (!z.SuchTeil.empty()) {
      ++z.SuchKeyAnzahl;
      Platz(z.SuchKeys, z.SuchKeyAnzahl);
      z.SuchKeys[z.SuchKeyAnzahl] = z.SuchTeil;
      z.SuchTeil.clear();
    }
    z.SuchTeilLaenge = 0;
  } else if (rueck) {
    if (f_.txtDateisuchen->text().isEmpty()) {  // 8.
      BegriffeZuruecksetzen();
    } else if (z.SuchTeilLaenge >= 1 && !z.SuchTeil.empty()) {  // 6.
      QString t = Q(z.SuchTeil);
      t.chop(1);
      z.SuchTeil = S(t);
      z.SuchTeilLaenge = static_cast<int32_t>(t.size());
    } else if (z.SuchTeil.empty() && z.SuchKeyAnzahl > 0) {  // 7.
      std::string& letzter = z.SuchKeys[z.SuchKeyAnzahl];
      z.SuchTeil = letzter;
      z.SuchTeilLaenge = static_cast<int32_t>(Q(letzter).size());
      const auto stern = letzter.find('*');
      if (stern != std::string::npos) {
        const std::string praefix = letzter.substr(0, stern);
        letzter.clear();
        for (int32_t i = 0; i < z.WildAnzahl && i < static_cast<int32_t>(z.WildKeys.size()); ++i)
          if (!z.WildKeys[i].empty() && BeginntMit(z.WildKeys[i], praefix)) {
            z.WildKeys[i].clear();
            --z.WildAnzahl;
          }
      }
      z.SuchKeyAnzahl = std::max(0, z.SuchKeyAnzahl - 1);
    }
  }
  return verschluckt;
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
  auto& z = Zustand();
  auto* box = f_.txtDateisuchen;
  const QString text = box->text();
  // Input filter of the keyword mode: a last character that can be no part
  // of a term goes at once. The name and text modes keep what was typed
  // ("*.pdf", a phrase with blanks).
  if (!text.isEmpty() && f_.optSchluesselW->isChecked()) {
    const char32_t c = LetztesZeichenVon(text);
    if (!IstBuchstabeOderZiffer(c) && c != U';' && c != U'*') {
      QString t = text;
      t.chop(QChar::requiresSurrogates(c) ? 2 : 1);
      box->setText(t);  // runs this handler again for the shortened text
      box->setCursorPosition(static_cast<int>(box->text().size()));
      return;
    }
  }
  if (!f_.optSchluesselW->isChecked()) {
    z.TextWirdGesetzt = false;
    return;
  }
  const bool setztSelbst = z.TextWirdGesetzt;
  auto* l = f_.lstKeywordsSuche;
  if (!setztSelbst) {
    if (text.isEmpty()) {
      l->hide();
      for (int32_t i = 1; i <= z.SuchKeyAnzahl && i < static_cast<int32_t>(z.SuchKeys.size()); ++i)
        z.SuchKeys[i].clear();
      for (int32_t i = 0; i < z.WildAnzahl && i < static_cast<int32_t>(z.WildKeys.size()); ++i)
        z.WildKeys[i].clear();
      // The counts go with the entries: stale counts would search for
      // empty terms after the box was emptied.
      BegriffeZuruecksetzen();
    } else if (!z.SuchTeil.empty() && IsAlphaNumeric(z.SuchTeil)) {
      l->clear();
      QStringList vorschlaege;
      auto& q = f_.DOC_DATA;
      q.RecordSource = "SELECT * FROM Keyword";
      q.Refresh();
      for (auto& rs = q.Rs(); !rs.Eof(); rs.MoveNext()) {
        const std::string name = rs.Text("Keyword");
        if (name.empty() || !BeginntMit(name, z.SuchTeil)) continue;
        if (InListe(z.SuchKeys, 1, z.SuchKeyAnzahl, name) || InListe(z.WildKeys, 0, z.WildAnzahl - 1, name))
          continue;
        vorschlaege << Q(name);
      }
      l->addItems(vorschlaege);
      VorschlaegeZeigen();
    } else if (z.LetztesZeichen == "*") {
      z.TextWirdGesetzt = true;
      box->setText(text + ";");
      z.TextWirdGesetzt = true;
      std::string letzter = z.SuchKeyAnzahl > 0 && z.SuchKeyAnzahl < static_cast<int32_t>(z.SuchKeys.size())
                                ? z.SuchKeys[z.SuchKeyAnzahl]
                                : std::string();
      const std::string praefix = letzter.substr(0, letzter.find('*'));
      for (auto& name : KeywordsMitPraefix(f_.DOC_DATA.Database(), praefix)) {
        Platz(z.WildKeys, z.WildAnzahl);
        z.WildKeys[z.WildAnzahl++] = name;
      }
    } else if (z.LetztesZeichen != "\b") {
      z.SuchTeil.clear();
      z.SuchTeilLaenge = 0;
      l->hide();
    }
  }
  if (z.TextWirdGesetzt) box->setCursorPosition(static_cast<int>(box->text().size()));
  z.TextWirdGesetzt = false;
  if (l->count() == 0) l->hide();
}

void SuchPanel::lstKeywordsSuche_DblClick() {
  auto& z = Zustand();
  auto* l = f_.lstKeywordsSuche;
  auto* e = l->currentItem();
  if (!e || !e->isSelected()) {
    Dienste().Meldungen->MsgBox("Bitte das zu suchende  markieren!", vbOKOnly, "");
    return;
  }
  const QString kw = e->text();
  QString t = f_.txtDateisuchen->text();
  t.chop(std::min<qsizetype>(z.SuchTeilLaenge, t.size()));
  z.TextWirdGesetzt = true;
  f_.txtDateisuchen->setText(t + kw + ";");
  l->hide();
  ++z.SuchKeyAnzahl;
  Platz(z.SuchKeys, z.SuchKeyAnzahl);
  z.SuchKeys[z.SuchKeyAnzahl] = S(kw);
  z.SuchTeil.clear();
  z.SuchTeilLaenge = 0;
  f_.txtDateisuchen->setFocus();
  f_.txtDateisuchen->setCursorPosition(static_cast<int>(f_.txtDateisuchen->text().size()));
}

void SuchPanel::lstKeywordsAuswahl2_DblClick() {
  auto* e = f_.lstKeywordsAuswahl2->currentItem();
  if (!e) return;
  const QString t = f_.txtDateisuchen->text();
  if (!f_.optSchluesselW->isChecked()) {
    f_.txtDateisuchen->setText(t.isEmpty() ? e->text() : t + " " + e->text());
    return;
  }
  // In keyword mode each chosen keyword is a term of its own, as if it had
  // been typed and completed with ";": joined by a blank, two keywords would
  // be searched as one name that no keyword has.
  auto& z = Zustand();
  auto begriffAnhaengen = [&z](const std::string& begriff) {
    if (begriff.empty() || InListe(z.SuchKeys, 1, z.SuchKeyAnzahl, begriff)) return;
    ++z.SuchKeyAnzahl;
    Platz(z.SuchKeys, z.SuchKeyAnzahl);
    z.SuchKeys[z.SuchKeyAnzahl] = begriff;
  };
  // What stands in the box before becomes a term first: the term being
  // typed, or, when the text was not typed term by term (pasted, an earlier
  // choice), its ";"-separated parts.
  if (!z.SuchTeil.empty()) {
    begriffAnhaengen(z.SuchTeil);
  } else if (z.SuchKeyAnzahl == 0) {
    for (const QString& teil : t.split(';', Qt::SkipEmptyParts)) begriffAnhaengen(S(teil.trimmed()));
  }
  z.SuchTeil.clear();
  z.SuchTeilLaenge = 0;
  const std::string kw = S(e->text());
  const bool neu = !InListe(z.SuchKeys, 1, z.SuchKeyAnzahl, kw);
  begriffAnhaengen(kw);
  QString text = t;
  if (!text.isEmpty() && !text.endsWith(';')) text += ';';
  if (neu) text += e->text() + ";";
  TextSetzen(text);
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
  if (text.empty()) {
    Dienste().Meldungen->MsgBox("Bitte Keywörter in das Eingabefeld eintragen", vbOKOnly, "");
    return;
  }
  keyzerlegenVersuch(f_.DOC_DATA.Database());
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
