// The keyword search panel of the main window offscreen: typing terms,
// suggestions, wildcards and the searches they start.
#include "tests/qt/keywortsuche_hilfen.h"

namespace vxm::test {
namespace {

TEST_F(Keywortsuche, OptionenSchliessenEinanderAus) {
  ASSERT_TRUE(Laden());
  F().optSchluesselW->click();
  EXPECT_TRUE(F().optSchluesselW->isChecked());
  EXPECT_FALSE(F().optSuchenDok->isChecked());
  F().optTextInhalt->click();
  EXPECT_TRUE(F().optTextInhalt->isChecked());
  EXPECT_FALSE(F().optSchluesselW->isChecked());
  EXPECT_FALSE(F().optSuchenDok->isChecked());
}

TEST_F(Keywortsuche, FilterNurImSchluesselwortModus) {
  Starten();
  // The file modes keep what was typed: a pattern with its dot, a phrase.
  F().optSuchenDok->click();
  Tippen("*.pdf");
  EXPECT_EQ(Box(), "*.pdf");
  F().txtDateisuchen->clear();
  Tippen("brief.");
  EXPECT_EQ(Box(), "brief.");
  F().txtDateisuchen->clear();
  F().optTextInhalt->click();
  Tippen("Ihre Nebenkosten vom 1.3.");
  EXPECT_EQ(Box(), "Ihre Nebenkosten vom 1.3.");
  EXPECT_TRUE(Zustand().SuchTeil.empty());  // no terms outside keyword mode
  F().txtDateisuchen->clear();
  F().optSchluesselW->click();
  Tippen("brief.");
  EXPECT_EQ(Box(), "brief;");
  // Only the last character is filtered; umlauts are letters.
  F().txtDateisuchen->setText(QString::fromUtf8("a-b"));
  EXPECT_EQ(Box(), "a-b");
  F().txtDateisuchen->setText(QString::fromUtf8("Gebühr"));
  EXPECT_EQ(Box(), "Gebühr");
  F().txtDateisuchen->setText(QString::fromUtf8("Gebühr."));
  EXPECT_EQ(Box(), "Gebühr");
}

TEST_F(Keywortsuche, NamensucheMitGetipptemMusterFindetNurDieEndung) {
  DateiAnlegen(kOrdner + "\\Rechnung.pdf");
  DateiAnlegen(kOrdner + "\\Rechnung.doc");
  DateiAnlegen(kOrdner + "\\7\\Plan.pdf");
  Starten();
  F().optSuchenDok->click();
  F().chckNurOneFold->setChecked(false);
  Tippen("*.pdf");
  F().cmdSucheStarten->click();
  std::vector<std::string> treffer;
  for (int i = 0; i < F().gefundenviewBox->topLevelItemCount(); ++i)
    treffer.push_back(F().gefundenviewBox->topLevelItem(i)->text(0).toStdString());
  std::sort(treffer.begin(), treffer.end());
  EXPECT_EQ(treffer, (std::vector<std::string>{"Plan.pdf", "Rechnung.pdf"}));
}

TEST_F(Keywortsuche, TrennzeichenWerdenZuSemikolonUndSchliessenDenBegriff) {
  Starten();
  Tippen("rechnung mahnung,miete");
  EXPECT_EQ(Box(), "rechnung;mahnung;miete");
  auto& z = Zustand();
  EXPECT_EQ(z.SuchKeyAnzahl, 2);
  EXPECT_EQ(z.SuchKeys[1], "rechnung");
  EXPECT_EQ(z.SuchKeys[2], "mahnung");
  EXPECT_EQ(z.SuchTeil, "miete");
  EXPECT_EQ(z.SuchTeilLaenge, 5);
  // Backspace shortens the open term; on an empty term it re-opens the last one.
  for (int i = 0; i < 5; ++i) Taste(Qt::Key_Backspace);
  EXPECT_EQ(z.SuchTeil, "");
  EXPECT_EQ(Box(), "rechnung;mahnung;");
  Taste(Qt::Key_Backspace);
  EXPECT_EQ(z.SuchTeil, "mahnung");
  EXPECT_EQ(z.SuchTeilLaenge, 7);
  EXPECT_EQ(z.SuchKeyAnzahl, 1);
  // Emptying the box forgets every term.
  F().txtDateisuchen->clear();
  EXPECT_EQ(z.SuchKeyAnzahl, 0);
  EXPECT_EQ(z.SuchKeys[1], "");
  Taste(Qt::Key_Backspace);
  EXPECT_EQ(z.SuchTeil, "");
}

TEST_F(Keywortsuche, VorschlaegeLassenGewaehlteBegriffeWeg) {
  Keyword("RECHNUNG");
  Keyword("Reparatur");
  Keyword("MAHNUNG");
  Starten();
  Tippen("re");
  EXPECT_FALSE(F().lstKeywordsSuche->isHidden());
  EXPECT_EQ(Vorschlaege(), (std::vector<std::string>{"RECHNUNG", "Reparatur"}));
  // The list lies below the box.
  const QPoint unter = F().txtDateisuchen->mapTo(&F(), QPoint(0, F().txtDateisuchen->height()));
  EXPECT_EQ(F().lstKeywordsSuche->geometry().top(), unter.y());
  Vorschlag(0);
  EXPECT_EQ(Box(), "RECHNUNG;");
  EXPECT_TRUE(F().lstKeywordsSuche->isHidden());
  EXPECT_EQ(Zustand().SuchKeyAnzahl, 1);
  Tippen("RE");
  EXPECT_EQ(Vorschlaege(), (std::vector<std::string>{"Reparatur"}));
  // Nothing selected: the message, the terms stay.
  F().lstKeywordsSuche->setCurrentRow(-1);
  F().lstKeywordsSuche->clearSelection();
  SuchPanelVon(F())->lstKeywordsSuche_DblClick();
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Bitte das zu suchende  markieren!");
  EXPECT_EQ(Zustand().SuchKeyAnzahl, 1);
  // Enter in the list takes the suggestion and returns to the box.
  F().lstKeywordsSuche->setCurrentRow(0);
  QTest::keyClick(F().lstKeywordsSuche, Qt::Key_Return);
  EXPECT_EQ(Box(), "RECHNUNG;Reparatur;");
  EXPECT_TRUE(F().cmdSucheStarten->isDefault());
}

TEST_F(Keywortsuche, PlatzhalterFindetAlleKeywoerterMitDemAnfang) {
  const int32_t a = Keyword("RECHNUNG"), b = Keyword("REPARATUR"), c = Keyword("MAHNUNG");
  Dokument(kOrdner, "a.doc", {a});
  Dokument(kOrdner, "b.pdf", {b});
  Dokument(kOrdner, "c.txt", {c});
  Starten();
  Tippen("re*");
  EXPECT_EQ(Box(), "re*;");
  auto& z = Zustand();
  EXPECT_EQ(z.WildAnzahl, 2);
  EXPECT_EQ(z.SuchKeys[1], "re*");
  // Expanded keywords are no suggestions any more.
  Tippen("r");
  EXPECT_TRUE(Vorschlaege().empty());
  Taste(Qt::Key_Backspace);
  F().cmdSucheStarten->click();
  EXPECT_EQ(gezeigt_, 1);
  EXPECT_EQ(namen_, (std::vector<std::string>{"a.doc", "b.pdf"}));
  EXPECT_EQ(label_, "Liste der Dateien zu RECHNUNG , REPARATUR:");
  EXPECT_TRUE(W().cmbKeywords->isHidden());
  EXPECT_TRUE(W().cmdShowDocList->isHidden());
  // The start resets the term state.
  EXPECT_EQ(z.SuchKeyAnzahl, 0);
  EXPECT_EQ(z.WildAnzahl, 0);
}

// A caption naming many or long keywords keeps the window as wide as it
// opened, so its buttons stay on the screen; the caption is whole in its tool tip.
TEST_F(Keywortsuche, LangeBeschriftungMachtDasFensterNichtBreiter) {
  for (int i = 0; i < 40; ++i)
    Dokument(kOrdner, "d" + std::to_string(i) + ".doc", {Keyword("REPARATURAUFTRAG" + std::to_string(i))});
  Dokument(kOrdner, "lang.doc", {Keyword("RE" + std::string(300, 'X'))});
  int breite = 0, vorher = 0, beschriftung = 0, zeile = 0, liste = 0;
  treiber_ = [&](frmDateiKeywörter& w) {
    breite = w.width();
    vorher = w.sizeHint().width();
    // ... nor pushes the list away: three lines at most.
    w.Label1->updateGeometry();
    QApplication::processEvents();
    beschriftung = w.Label1->height();
    zeile = w.Label1->fontMetrics().lineSpacing();
    liste = w.lstDateiGefunden->height();
  };
  Starten();
  Tippen("re*");
  F().cmdSucheStarten->click();
  ASSERT_EQ(gezeigt_, 1);
  EXPECT_EQ(namen_.size(), 41u);
  EXPECT_GT(label_.size(), 1000u);
  EXPECT_LE(breite, Twips(10500) + 1);
  EXPECT_LE(vorher, Twips(10500) + 1);
  EXPECT_LE(beschriftung, 3 * zeile + 6);
  EXPECT_GT(liste, 6 * zeile);
}

TEST_F(Keywortsuche, PlatzhalterMitEinemTrefferNimmtDieEinzelsuche) {
  const int32_t a = Keyword("Mahnung");
  Dokument(kOrdner, "m.doc", {a});
  Starten();
  Tippen("mah*");
  Taste(Qt::Key_Return);  // Enter starts the search through the default button
  ASSERT_EQ(gezeigt_, 1);
  EXPECT_EQ(label_, "Liste der Dateien zu MAHNUNG:");
  EXPECT_EQ(namen_, (std::vector<std::string>{"m.doc"}));
  EXPECT_FALSE(W().cmbKeywords->isHidden());
  EXPECT_EQ(W().cmbKeywords->currentText().toStdString(), "Mahnung");
}

TEST_F(Keywortsuche, NurBekannteBegriffeZaehlenUndJedeDateiEinmal) {
  const int32_t a = Keyword("MIETE"), b = Keyword("KAUTION");
  Dokument(kOrdner, "beide.doc", {a, b});
  Dokument(kOrdner, "kaution.xls", {b});
  Starten();
  Tippen("unbekannt;kaution;miete;");
  F().cmdSucheStarten->click();
  ASSERT_EQ(gezeigt_, 1);
  EXPECT_EQ(namen_, (std::vector<std::string>{"beide.doc", "kaution.xls"}));
  EXPECT_EQ(label_, "Liste der Dateien zu unbekannt , kaution , miete:");
}

TEST_F(Keywortsuche, OffenerBegriffZaehltNurOhneAbgeschlosseneBegriffe) {
  const int32_t a = Keyword("MIETE"), b = Keyword("KAUTION");
  Dokument(kOrdner, "m.doc", {a});
  Dokument(kOrdner, "k.doc", {b});
  Starten();
  Tippen("xx;kaution;mie");
  F().cmdSearch->click();
  EXPECT_EQ(namen_, (std::vector<std::string>{"k.doc"}));
  // cmdSearch alone keeps the terms; the next start clears them.
  EXPECT_EQ(Zustand().SuchKeyAnzahl, 2);
  W().Unload();
  F().cmdSucheStarten->click();
  F().txtDateisuchen->clear();
  // No completed term: the whole box is the keyword.
  W().Unload();
  F().txtDateisuchen->setText("miete");
  F().cmdSucheStarten->click();
  EXPECT_EQ(namen_, (std::vector<std::string>{"m.doc"}));
  EXPECT_EQ(label_, "Liste der Dateien zu MIETE:");
}

TEST_F(Keywortsuche, KeinBegriffBekanntMeldetKeineDateien) {
  Keyword("MIETE");
  Starten();
  Tippen("foo;bar;");
  F().cmdSucheStarten->click();
  EXPECT_EQ(gezeigt_, 0);
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Keine Dateien gefunden");
  // A single unknown keyword opens the window with an empty list.
  F().txtDateisuchen->setText("foo");
  F().cmdSucheStarten->click();
  EXPECT_EQ(gezeigt_, 1);
  EXPECT_TRUE(namen_.empty());
  // An empty box.
  W().Unload();
  F().txtDateisuchen->clear();
  F().cmdSucheStarten->click();
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Bitte Keywörter in das Eingabefeld eintragen");
  // Separators alone are no keyword either: no window for ";;;".
  const std::size_t meldungen = dialoge_->Gezeigt.size();
  F().txtDateisuchen->setText(" ;; , ;");
  F().cmdSucheStarten->click();
  EXPECT_EQ(gezeigt_, 1);
  ASSERT_EQ(dialoge_->Gezeigt.size(), meldungen + 1);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Bitte Keywörter in das Eingabefeld eintragen");
}

TEST_F(Keywortsuche, DreihundertDokumenteWerdenAlleGelistet) {
  const int32_t a = Keyword("ABRECHNUNG"), b = Keyword("BELEG");
  {
    Transaktion t(*reg_);
    for (int i = 0; i < 300; ++i) Dokument(kOrdner, "d" + std::to_string(i) + ".pdf", {a});
    t.Bestaetigen();
  }
  Dokument(kOrdner, "beleg.pdf", {b});
  Starten();
  Tippen("abrechnung;beleg;");
  F().cmdSucheStarten->click();
  EXPECT_EQ(namen_.size(), 301u);
  F().txtDateisuchen->setText("abrechnung");
  W().Unload();
  F().cmdSucheStarten->click();
  EXPECT_EQ(namen_.size(), 300u);
}

TEST_F(Keywortsuche, ListeDerSchluesselwoerter) {
  const int32_t miete = Keyword("MIETE"), kaution = Keyword("KAUTION");
  Keyword("HEIZUNG");
  Dokument(kOrdner, "m.doc", {miete});
  Dokument(kOrdner, "k.doc", {kaution});
  Starten();
  F().chckMitListe->click();
  EXPECT_FALSE(F().lstKeywordsAuswahl2->isHidden());
  EXPECT_FALSE(F().lblKeyAuswahl->isHidden());
  EXPECT_TRUE(F().picBox->isHidden());
  ASSERT_EQ(F().lstKeywordsAuswahl2->count(), 3);
  auto waehlen = [this](int i) {
    F().lstKeywordsAuswahl2->setCurrentRow(i);
    emit F().lstKeywordsAuswahl2->itemDoubleClicked(F().lstKeywordsAuswahl2->item(i));
  };
  // Each chosen keyword is a term, joined by the search's separator.
  waehlen(1);
  EXPECT_EQ(Box(), "KAUTION;");
  waehlen(1);  // already a term
  EXPECT_EQ(Box(), "KAUTION;");
  // ... also by keys: Enter in the list, as a double click.
  F().lstKeywordsAuswahl2->setFocus();
  F().lstKeywordsAuswahl2->setCurrentRow(0);
  QTest::keyClick(F().lstKeywordsAuswahl2, Qt::Key_Return);
  EXPECT_EQ(Box(), "KAUTION;MIETE;");
  auto& z = Zustand();
  ASSERT_EQ(z.SuchKeyAnzahl, 2);
  EXPECT_EQ(z.SuchKeys[1], "KAUTION");
  EXPECT_EQ(z.SuchKeys[2], "MIETE");
  F().cmdSucheStarten->click();
  ASSERT_EQ(gezeigt_, 1);
  EXPECT_EQ(namen_, (std::vector<std::string>{"m.doc", "k.doc"}));
  EXPECT_EQ(label_, "Liste der Dateien zu KAUTION , MIETE:");
  // The search closed the list.
  EXPECT_FALSE(F().chckMitListe->isChecked());
  EXPECT_TRUE(F().lstKeywordsAuswahl2->isHidden());
  EXPECT_FALSE(F().picBox->isHidden());

  // A term being typed is completed before the chosen keyword.
  W().Unload();
  F().txtDateisuchen->clear();
  F().txtDateisuchen->setFocus();
  Tippen("miete");
  F().chckMitListe->click();
  waehlen(1);
  EXPECT_EQ(Box(), "miete;KAUTION;");
  EXPECT_EQ(z.SuchKeyAnzahl, 2);
  F().cmdSucheStarten->click();
  EXPECT_EQ(namen_, (std::vector<std::string>{"m.doc", "k.doc"}));
  // Text put into the box without typing counts as well.
  W().Unload();
  F().txtDateisuchen->setText("miete");
  F().chckMitListe->click();
  waehlen(2);
  EXPECT_EQ(Box(), "miete;HEIZUNG;");
  EXPECT_EQ(z.SuchKeyAnzahl, 2);

  // Outside keyword mode the list adds words to the text, as typed.
  F().txtDateisuchen->clear();
  F().optTextInhalt->click();
  waehlen(0);
  waehlen(1);
  EXPECT_EQ(Box(), "MIETE KAUTION");
}

TEST_F(Keywortsuche, AndereModiStartenDieDatensuche) {
  Starten();
  int gestartet = 0;
  F().DatenSucheStarten = [&] { ++gestartet; };
  F().cmdOrdner->setEnabled(false);
  F().optSuchenDok->click();
  F().txtDateisuchen->setText("brief");
  F().cmdSucheStarten->click();
  EXPECT_EQ(gestartet, 1);
  EXPECT_TRUE(F().cmdOrdner->isEnabled());
  EXPECT_EQ(gezeigt_, 0);
}

TEST_F(Keywortsuche, PfeiltastenZwischenFeldUndVorschlaegen) {
  Keyword("RECHNUNG");
  Keyword("Reparatur");
  Starten();
  Tippen("re");
  ASSERT_TRUE(F().lstKeywordsSuche->isVisible());
  Taste(Qt::Key_Down);
  EXPECT_EQ(F().focusWidget(), F().lstKeywordsSuche);
  EXPECT_EQ(F().lstKeywordsSuche->currentRow(), 0);
  QTest::keyClick(F().lstKeywordsSuche, Qt::Key_Down);
  QTest::keyClick(F().lstKeywordsSuche, Qt::Key_Return);
  EXPECT_EQ(Box(), "Reparatur;");
  EXPECT_EQ(F().focusWidget(), F().txtDateisuchen);
  // Up from the first suggestion and Esc return to typing; nothing taken.
  Tippen("R");
  Taste(Qt::Key_Down);
  QTest::keyClick(F().lstKeywordsSuche, Qt::Key_Up);
  EXPECT_EQ(F().focusWidget(), F().txtDateisuchen);
  EXPECT_TRUE(F().lstKeywordsSuche->isVisible());
  Taste(Qt::Key_Down);
  QTest::keyClick(F().lstKeywordsSuche, Qt::Key_Escape);
  EXPECT_EQ(F().focusWidget(), F().txtDateisuchen);
  EXPECT_TRUE(F().lstKeywordsSuche->isHidden());
  EXPECT_EQ(Box(), "Reparatur;R");
  // Without suggestions Down is the box's own.
  Taste(Qt::Key_Down);
  EXPECT_EQ(F().focusWidget(), F().txtDateisuchen);
}

}  // namespace
}  // namespace vxm::test
