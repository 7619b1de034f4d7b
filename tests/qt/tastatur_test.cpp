// The window by keys alone: Enter and Esc where the focus is, F2 on a new
// folder, and which file stays selected after a rename, a paste or a kept
// delete.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "basis/zustand.h"
#include "keywords/registerzugriff.h"
#include "platform/dienste.h"
#include "tests/qt/bedienung_hilfen.h"

namespace vxm::test {
namespace {

// ---------------------------------------------------------------- keyboard

TEST_F(Bedienung, EnterOeffnetUndMenuetasteOeffnetDieMenues) {
  ASSERT_TRUE(Laden());
  Zeigen();
  auto* liste = F().filListBox;
  liste->setFocus();
  liste->SetListIndex(Zeile("Zettel.txt"));
  QTest::keyClick(liste, Qt::Key_Return);
  EXPECT_EQ(geoeffnet_, std::vector<std::string>{kMieter + "\\Zettel.txt"});
  QTest::keyClick(liste, Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_TRUE(F().lstAktion->isVisible());
  EXPECT_TRUE(F().lstAktion->hasFocus());
  F().lstAktion->hide();
  QTest::keyClick(liste, Qt::Key_Menu);
  ASSERT_TRUE(F().lstAktion->isVisible());
  EXPECT_EQ(liste->FileName(), "Zettel.txt");
  // Through the menu into the keyword panel, and on in it, by keys alone.
  F().lstAktion->setCurrentRow(6);  // "Keywords"
  QTest::keyClick(F().lstAktion, Qt::Key_Return);
  ASSERT_TRUE(F().FrameKeywortBearbeitung->isVisible());
  EXPECT_TRUE(F().lstKeyAuswahl->hasFocus());
  QTest::keyClick(F().lstKeyAuswahl, Qt::Key_Menu);
  ASSERT_TRUE(F().lstKeyword->isVisible());
  F().lstKeyword->setCurrentRow(0);  // "Neu"
  QTest::keyClick(F().lstKeyword, Qt::Key_Return);
  ASSERT_TRUE(F().txtEingabeKeyw->isVisible());
  QTest::keyClicks(F().txtEingabeKeyw, "notiz");
  QTest::keyClick(F().txtEingabeKeyw, Qt::Key_Return);
  EXPECT_FALSE(F().lstVorhandeneKeys->findItems("NOTIZ", Qt::MatchExactly).isEmpty());
  // The folder menu from the tree.
  F().tvwDir->setFocus();
  QTest::keyClick(F().tvwDir, Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_TRUE(F().lstOrdner->isVisible());
  // Ctrl+W closes the window.
  liste->setFocus();
  QTest::keyClick(liste, Qt::Key_W, Qt::ControlModifier);
  EXPECT_FALSE(F().isVisible());
}

// Enter acts where the focus is: the window's default button ("Suche
// starten") only takes it from a text box.
TEST_F(Bedienung, EnterGehoertDemSteuerelementMitDemFokus) {
  ASSERT_TRUE(Laden());
  Zeigen();
  auto* liste = F().filListBox;
  bool gesucht = false;
  QObject::connect(F().cmdSucheStarten, &QPushButton::clicked, [&] { gesucht = true; });
  // A new text document by keys: the type chosen with Enter, the name confirmed with Enter.
  liste->setFocus();
  liste->SetListIndex(Zeile("Brief.txt"));
  auto textdokument = [&] {
    QTest::keyClick(liste, Qt::Key_Menu);
    F().lstAktion->setCurrentRow(4);  // "Neue Datei"
    QTest::keyClick(F().lstAktion, Qt::Key_Return);
    ASSERT_TRUE(F().lstDokument->isVisible());
    EXPECT_EQ(F().lstDokument->currentRow(), 0) << "the types open at the first, not at the last used";
    F().lstDokument->setFocus();
    F().lstDokument->setCurrentRow(3);  // text
    QTest::keyClick(F().lstDokument, Qt::Key_Return);
    ASSERT_TRUE(F().txtNeuDokName->hasFocus());
  };
  textdokument();
  QTest::keyClicks(F().txtNeuDokName, "Neu Notiz");
  QTest::keyClick(F().txtNeuDokName, Qt::Key_Return);
  EXPECT_TRUE(Da(kMieter + "\\Neu Notiz.txt"));
  EXPECT_FALSE(gesucht);
  EXPECT_TRUE(liste->hasFocus()) << "the keys go on at the new file";
  EXPECT_EQ(liste->FileName(), "Neu Notiz.txt");
  // Esc in the type list closes it and its menu, no type chosen.
  QTest::keyClick(liste, Qt::Key_Menu);
  F().lstAktion->setCurrentRow(4);
  QTest::keyClick(F().lstAktion, Qt::Key_Return);
  ASSERT_TRUE(F().lstDokument->isVisible());
  QTest::keyClick(F().lstDokument, Qt::Key_Escape);
  EXPECT_FALSE(F().lstDokument->isVisible());
  EXPECT_FALSE(F().lstAktion->isVisible());
  EXPECT_FALSE(F().Dokname->isVisible());
  EXPECT_TRUE(liste->hasFocus());
  // Esc in the name box leaves it without a file, as "Abbrechen".
  textdokument();
  QTest::keyClicks(F().txtNeuDokName, "Verworfen");
  QTest::keyClick(F().txtNeuDokName, Qt::Key_Escape);
  EXPECT_FALSE(F().Dokname->isVisible());
  EXPECT_TRUE(liste->hasFocus());
  EXPECT_FALSE(Da(kMieter + "\\Verworfen.txt"));
  EXPECT_TRUE(F().lblName->text().isEmpty()) << "no details of an unselected file";
  // The focus alone chooses no file: Del asks for one instead of taking the first.
  liste->clearFocus();
  liste->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(liste->FileName(), "");
  QTest::keyClick(liste, Qt::Key_Delete);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Bitte Dateinamen auswählen!");
  EXPECT_TRUE(Da(kMieter + "\\Brief.txt"));
  QTest::keyClick(liste, Qt::Key_Down);
  EXPECT_EQ(liste->ListIndex(), 0);
  EXPECT_EQ(liste->FileName(), liste->List(0));
  // A focused button of the keyword panel is pressed by Enter.
  liste->setFocus();
  liste->SetListIndex(Zeile("Brief.txt"));
  QTest::keyClick(liste, Qt::Key_Menu);
  F().lstAktion->setCurrentRow(6);  // "Keywords"
  QTest::keyClick(F().lstAktion, Qt::Key_Return);
  ASSERT_TRUE(F().FrameKeywortBearbeitung->isVisible());
  // No keyword is chosen for the user: ">>" asks, the first Down takes the first.
  ASSERT_TRUE(F().lstKeyAuswahl->hasFocus());
  EXPECT_TRUE(F().lstKeyAuswahl->selectedItems().isEmpty());
  QTest::keyClick(F().lstKeyAuswahl, Qt::Key_Return);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Bitte zuerst das Keywort auswählen (einfacher Mausklick)!");
  QTest::keyClick(F().lstKeyAuswahl, Qt::Key_Down);
  EXPECT_EQ(F().lstKeyAuswahl->currentRow(), 0);  // MIETE
  F().cmdKeyAddToData->setFocus();
  QTest::keyClick(F().cmdKeyAddToData, Qt::Key_Return);
  auto& db = F().DOC_DATA.Database();
  const int32_t brief = DateiNummerSuchen(db, "Brief.txt", kMieter);
  ASSERT_NE(brief, 0);
  EXPECT_EQ(KeywordsDerDatei(db, brief), std::vector<std::string>{"MIETE"});
  EXPECT_FALSE(gesucht);
  // Enter in a list is the list's own; in the search box it starts the search.
  liste->setFocus();
  QTest::keyClick(liste, Qt::Key_Return);
  EXPECT_FALSE(gesucht);
  F().txtDateisuchen->setFocus();
  QTest::keyClick(F().txtDateisuchen, Qt::Key_Return);
  EXPECT_TRUE(gesucht);
}

// A folder made from the folder menu by keys, then renamed with F2: the new
// folder gets the name, not the folder the file list shows.
TEST_F(Bedienung, F2NachNeuemOrdnerBenenntDiesenUm) {
  ASSERT_TRUE(Laden());
  Zeigen();
  auto* mieter = F().Baum->Knoten(kMieter + "\\");
  Rechtsklick(F().tvwDir->viewport(), KnotenMitte(mieter));
  ASSERT_TRUE(F().lstOrdner->isVisible());
  F().lstOrdner->setFocus();
  F().lstOrdner->setCurrentRow(0);  // "Neuer Ordner"
  QTest::keyClick(F().lstOrdner, Qt::Key_Right);
  ASSERT_TRUE(F().lstNeuOrdner->hasFocus());
  QTest::keyClick(F().lstNeuOrdner, Qt::Key_Down);  // "Korrespondenz"
  QTest::keyClick(F().lstNeuOrdner, Qt::Key_Return);
  ASSERT_TRUE(Da(kMieter + "\\Korrespondenz"));
  EXPECT_TRUE(F().tvwDir->hasFocus());
  EXPECT_EQ(F().dirListBox->Path(), kMieter + "\\Korrespondenz");  // the lists show what the tree highlights
  QTest::keyClick(F().tvwDir, Qt::Key_F2);
  QApplication::processEvents();
  auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  ASSERT_NE(editor, nullptr);
  editor->selectAll();
  QTest::keyClicks(editor, "Schreiben");
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Da(kMieter + "\\Schreiben"); }, 3000));
  EXPECT_FALSE(Da(kMieter + "\\Korrespondenz"));
  EXPECT_TRUE(Da(kMieter + "\\Zettel.txt")) << "the shown folder keeps its name";
  auto& db = F().DOC_DATA.Database();
  EXPECT_EQ(KeywordsDerDatei(db, DateiNummerSuchen(db, "Zettel.txt", kMieter)), std::vector<std::string>{"MIETE"});
}

// A pasted file is the selected one, with its own details.
TEST_F(Bedienung, EingefuegteDateiIstAusgewaehlt) {
  ASSERT_TRUE(Laden());
  Zeigen();
  EXPECT_TRUE(F().filListBox->hasFocus()) << "the keys start in the files";
  F().filListBox->SetListIndex(Zeile("Zettel.txt"));
  A().lstAktion_Click(1);  // copy
  F().Baum->NodeClick(F().Baum->Knoten(kMieter + "\\Akten\\"));
  dialoge_->Antworten = {vbYes};
  A().lstAktion_Click(2);
  ASSERT_TRUE(Da(kMieter + "\\Akten\\Zettel.txt"));
  EXPECT_EQ(F().filListBox->FileName(), "Zettel.txt");
  EXPECT_EQ(F().filListBox->Path(), kMieter + "\\Akten");
  EXPECT_EQ(F().txtVorhandenKeyw->text().toStdString(), "MIETE");
  // Nothing to paste: nothing selected, and no details of another file.
  A().lstAktion_Click(2);
  EXPECT_EQ(F().filListBox->ListIndex(), -1);
  EXPECT_TRUE(F().lblName->text().isEmpty());
}

// After a rename the renamed file stays selected: Del then names it.
TEST_F(Bedienung, UmbenannteDateiBleibtAusgewaehlt) {
  ASSERT_TRUE(Laden());
  Zeigen();
  F().filListBox->SetListIndex(Zeile("Zettel.txt"));
  dialoge_->Eingaben = {"Notizzettel.txt"};
  A().lstAktion_Click(5);
  ASSERT_TRUE(Da(kMieter + "\\Notizzettel.txt"));
  EXPECT_EQ(F().filListBox->FileName(), "Notizzettel.txt");
  EXPECT_EQ(F().lblName->text().toStdString(), "Notizzettel.txt");
  EXPECT_EQ(F().txtVorhandenKeyw->text().toStdString(), "MIETE");
  dialoge_->Antworten = {vbNo};
  A().lstAktion_Click(3);
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  EXPECT_NE(dialoge_->Gezeigt.back().Text.find("Notizzettel.txt"), std::string::npos);
  // Kept with "Nein": still the selected one, so the next command acts on it.
  EXPECT_EQ(F().filListBox->FileName(), "Notizzettel.txt");
  EXPECT_EQ(F().lblName->text().toStdString(), "Notizzettel.txt");
}

// A click on another folder ends a rename; the edited folder is the one renamed
// (or left as it was), never the folder clicked.
TEST_F(Bedienung, KlickBeendetUmbenennenDesBearbeitetenOrdners) {
  ASSERT_TRUE(Laden());
  Zeigen();
  auto klick = [&](QTreeWidgetItem* k) {
    QTest::mouseClick(F().tvwDir->viewport(), Qt::LeftButton, {}, KnotenMitte(k));
    QApplication::processEvents();
  };
  auto umbenennen = [&](const QString& text, const std::string& danachKlicken) {
    klick(F().Baum->Knoten(kMieter + "\\"));
    ASSERT_EQ(F().dirListBox->Path(), kMieter);
    QTest::keyClick(F().tvwDir, Qt::Key_F2);
    QApplication::processEvents();
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    if (!text.isEmpty()) {
      editor->selectAll();
      QTest::keyClicks(editor, text);
    }
    klick(F().Baum->Knoten(danachKlicken + "\\"));
    QTest::qWait(50);
  };
  const std::size_t meldungen = dialoge_->Gezeigt.size();
  umbenennen("", kMieter + "\\Akten");
  EXPECT_TRUE(Da(kMieter + "\\Akten")) << "the clicked folder keeps its name";
  EXPECT_FALSE(Da(kMieter + "\\2"));
  EXPECT_EQ(dialoge_->Gezeigt.size(), meldungen) << "a name left as it was is no failed rename";
  EXPECT_EQ(F().dirListBox->Path(), kMieter + "\\Akten");

  const std::string neu = "C:\\VXM\\VXMDOK\\1\\7\\3\\Zwei";
  umbenennen("Zwei", kMieter + "\\Briefe");
  EXPECT_TRUE(QTest::qWaitFor([&] { return Da(neu + "\\Briefe"); }, 3000));
  EXPECT_FALSE(Da(kMieter));
  EXPECT_FALSE(Da(neu + "\\Zwei")) << "the clicked folder was not renamed";
  EXPECT_EQ(F().dirListBox->Path(), neu + "\\Briefe") << "the list shows the clicked folder at its new path";
  auto& db = F().DOC_DATA.Database();
  EXPECT_EQ(KeywordsDerDatei(db, DateiNummerSuchen(db, "Zettel.txt", neu)), std::vector<std::string>{"MIETE"});
}

TEST_F(Bedienung, KlickBeendetDenFreienNamenDortWoDerOrdnerEntstand) {
  ASSERT_TRUE(Laden());
  Zeigen();
  auto* mieter = F().Baum->Knoten(kMieter + "\\");
  QTest::mouseClick(F().tvwDir->viewport(), Qt::LeftButton, {}, KnotenMitte(mieter));
  Rechtsklick(F().tvwDir->viewport(), KnotenMitte(mieter));
  MenueWahl(F().lstOrdner, 0);  // "Neuer Ordner"
  MenueWahl(F().lstNeuOrdner, 4);  // "Freier Name"
  ASSERT_TRUE(Da(kMieter + "\\Neuer Ordner"));
  auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  ASSERT_NE(editor, nullptr);
  editor->selectAll();
  QTest::keyClicks(editor, "Frei");
  QTest::mouseClick(F().tvwDir->viewport(), Qt::LeftButton, {}, KnotenMitte(F().Baum->Knoten(kMieter + "\\Akten\\")));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Da(kMieter + "\\Frei"); }, 3000));
  EXPECT_FALSE(Da(kMieter + "\\Akten\\Frei"));
  EXPECT_FALSE(Da(kMieter + "\\Neuer Ordner"));
}

TEST_F(Bedienung, PfeiltastenImBaumNehmenDieDateilisteMitOhneFlut) {
  ASSERT_TRUE(Laden());
  Zeigen();
  int wechsel = 0;
  auto alt = F().dirListBox->Change;
  F().dirListBox->Change = [&] {
    ++wechsel;
    alt();
  };
  auto* briefe = F().Baum->Knoten(kMieter + "\\Briefe\\");
  F().tvwDir->setFocus();
  QTest::keyClick(F().tvwDir, Qt::Key_Down);  // Akten
  QTest::keyClick(F().tvwDir, Qt::Key_Down);  // Briefe
  ASSERT_EQ(F().Baum->Ausgewaehlt(), briefe);
  EXPECT_TRUE(QTest::qWaitFor([&] { return F().dirListBox->Path() == kMieter + "\\Briefe"; }, 3000));
  EXPECT_EQ(F().filListBox->Path(), kMieter + "\\Briefe");
  EXPECT_EQ(F().filListBox->ListCount(), 0);
  QTest::qWait(F().Baum->TastenPause * 2);
  EXPECT_EQ(wechsel, 1) << "one refresh for the keys pressed in a row";
  EXPECT_FALSE(briefe->isExpanded()) << "moving does not open nodes";
  F().dirListBox->Change = alt;
}

}  // namespace
}  // namespace vxm::test
