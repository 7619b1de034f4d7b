// The window driven as a user drives it: real mouse and key events on the
// file list and the tree, the trash behind "Löschen", the views that must
// follow the folder on disk, and opening documents.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "basis/zustand.h"
#include "files/fingerabdruck.h"
#include "files/qt/aktionen.h"
#include "keywords/registerzugriff.h"
#include "platform/dienste.h"
#include "platform/oeffner.h"
#include "platform/text.h"
#include "search/qt/dateikeywoerter.h"
#include "search/datensuche.h"
#include "search/qt/datensuche_fenster.h"
#include "store/qt/ordnerbaum.h"
#include "tests/qt/bedienung_hilfen.h"

namespace vxm::test {
namespace {

// ------------------------------------------------------------ right click

TEST_F(Bedienung, RechtsklickWaehltDieDateiUnterDemZeigerUndLoeschenNenntSie) {
  ASSERT_TRUE(Laden());
  Zeigen();
  auto* liste = F().filListBox;
  QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, Mitte(liste, Zeile("Brief.txt")));
  ASSERT_EQ(liste->FileName(), "Brief.txt");
  Rechtsklick(liste->viewport(), Mitte(liste, Zeile("Zettel.txt")));
  EXPECT_EQ(liste->FileName(), "Zettel.txt");
  EXPECT_EQ(F().lblName->text().toStdString(), "Zettel.txt") << "the details follow the selection";
  EXPECT_TRUE(F().lstAktion->isVisible());
  dialoge_->Antworten = {vbYes};
  MenueWahl(F().lstAktion, 3);  // "Löschen"
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Wollen Sie wirklich löschen ?\r\nZettel.txt\r\nim Ordner " + kMieter);
  EXPECT_EQ(dialoge_->Gezeigt.back().Titel, "Datei löschen");
  EXPECT_EQ(dialoge_->Gezeigt.back().Stil, vbYesNo + vbQuestion);
  EXPECT_TRUE(Da(kMieter + "\\Brief.txt")) << "the file selected before is untouched";
  EXPECT_FALSE(Da(kMieter + "\\Zettel.txt"));
  EXPECT_EQ(Anzahl("SELECT COUNT(*) AS n FROM Dateiinfo"), 0);
  EXPECT_EQ(Anzahl("SELECT COUNT(*) AS n FROM KeywordZwischentabelle"), 0);
}

TEST_F(Bedienung, RechtsklickAufLeerenPlatzLaesstKeineDateiGewaehlt) {
  ASSERT_TRUE(Laden());
  Zeigen();
  auto* liste = F().filListBox;
  QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, Mitte(liste, Zeile("Zettel.txt")));
  const QRect letzte = liste->ZeilenRechteck(liste->ListCount() - 1);
  const QPoint leer(letzte.center().x(), letzte.bottom() + 40);
  ASSERT_EQ(liste->ZeileBei(leer), -1);
  Rechtsklick(liste->viewport(), leer);
  EXPECT_EQ(liste->ListIndex(), -1);
  EXPECT_TRUE(F().lblName->text().isEmpty());
  EXPECT_TRUE(F().lstAktion->isVisible()) << "the menu opens without a selection too";
  MenueWahl(F().lstAktion, 3);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, kMeldungDateiWaehlen);
  EXPECT_TRUE(Da(kMieter + "\\Brief.txt"));
  EXPECT_TRUE(Da(kMieter + "\\Zettel.txt"));
}

TEST_F(Bedienung, RechtsklickImBaumMachtDenKnotenZumOrdnerDesMenues) {
  ASSERT_TRUE(Laden());
  Zeigen();
  auto* mieter = F().Baum->Knoten(kMieter + "\\");
  auto* briefe = F().Baum->Knoten(kMieter + "\\Briefe\\");
  ASSERT_TRUE(mieter && briefe);
  ASSERT_EQ(F().Baum->Ausgewaehlt(), mieter);
  Rechtsklick(F().tvwDir->viewport(), KnotenMitte(briefe));
  EXPECT_EQ(F().Baum->Ausgewaehlt(), briefe);
  EXPECT_EQ(F().dirListBox->Path(), kMieter + "\\Briefe");
  EXPECT_EQ(F().AktionsPfad, kMieter + "\\Briefe");
  EXPECT_EQ(F().filListBox->ListCount(), 0);
  EXPECT_TRUE(F().lstOrdner->isVisible());
  // "Umbenennen" renames the folder pointed at, not the one shown before.
  MenueWahl(F().lstOrdner, 1);
  ASSERT_TRUE(Zustand().UmbenennenAktiv);
  EXPECT_EQ(F().Baum->EditKnoten, briefe);
  F().Baum->AfterLabelEdit("Post");
  EXPECT_TRUE(fs::is_directory(Host(kMieter + "\\Post")));
  EXPECT_FALSE(Da(kMieter + "\\Briefe"));
  EXPECT_TRUE(Da(kMieter + "\\Brief.txt"));
  // Empty space below the nodes leaves the selection alone.
  F().lstOrdner->hide();
  auto* post = F().Baum->Ausgewaehlt();
  const QPoint leer(5, F().tvwDir->viewport()->height() - 3);
  ASSERT_EQ(F().tvwDir->itemAt(leer), nullptr);
  Rechtsklick(F().tvwDir->viewport(), leer);
  EXPECT_EQ(F().Baum->Ausgewaehlt(), post);
  EXPECT_EQ(F().dirListBox->Path(), kMieter + "\\Post");
}

// ------------------------------------------------------------------ trash

TEST_F(Bedienung, LoeschenLegtInDenPapierkorbWoEinerIst) {
  const fs::path daten = temp_ / "heim" / ".local" / "share";
  fs::create_directories(daten);
  const std::string heimVorher = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", (temp_ / "heim").c_str(), 1);
  setenv("XDG_DATA_HOME", daten.c_str(), 1);
  ASSERT_TRUE(Laden());
  F().filListBox->SetListIndex(Zeile("Zettel.txt"));
  dialoge_->Antworten = {vbYes};
  A().lstAktion_Click(3);
  EXPECT_FALSE(Da(kMieter + "\\Zettel.txt"));
  EXPECT_TRUE(F().lblName->text().isEmpty()) << "the details no longer show the file that went";
  EXPECT_EQ(Inhalt(kMieter + "\\Brief.txt"), "brief");
  std::ifstream weg(daten / "Trash" / "files" / "Zettel.txt");
  std::string inhalt;
  std::getline(weg, inhalt);
  EXPECT_EQ(inhalt, "zettel") << "the file can be restored from the trash";
  EXPECT_TRUE(fs::exists(daten / "Trash" / "info" / "Zettel.txt.trashinfo"));
  EXPECT_EQ(Anzahl("SELECT COUNT(*) AS n FROM Dateiinfo"), 0) << "register rows go as before";
  EXPECT_EQ(Anzahl("SELECT COUNT(*) AS n FROM KeywordZwischentabelle"), 0);
  // ... set aside: put back from the trash, the file has its keywords again
  // once its folder is opened; a copy of it elsewhere does not take them.
  DateiAnlegen(kMieter + "\\Briefe\\Zettel Kopie.txt", "zettel");
  fs::rename(daten / "Trash" / "files" / "Zettel.txt", Host(kMieter + "\\Zettel.txt"));
  fs::remove(daten / "Trash" / "info" / "Zettel.txt.trashinfo");
  F().Baum->NodeClick(F().Baum->Knoten(kMieter + "\\Briefe\\"));
  F().Baum->NodeClick(F().Baum->Knoten(kMieter + "\\"));
  Datenbank& db = F().DOC_DATA.Database();
  EXPECT_EQ(KeywordsDerDatei(db, DateiNummerSuchen(db, "Zettel.txt", kMieter)), std::vector<std::string>{"MIETE"});
  EXPECT_EQ(DateiNummerSuchen(db, "Zettel Kopie.txt", kMieter + "\\Briefe"), 0);
  F().filListBox->SetListIndex(Zeile("Zettel.txt"));
  EXPECT_EQ(F().txtVorhandenKeyw->text().toStdString(), "MIETE");
  // Deleted once more, for the cases below.
  dialoge_->Antworten = {vbYes};
  A().lstAktion_Click(3);
  ASSERT_FALSE(Da(kMieter + "\\Zettel.txt"));

  // A new account without a data folder: it is made, the file goes to the trash.
  const fs::path neu = temp_ / "neu" / "share";
  setenv("XDG_DATA_HOME", neu.c_str(), 1);
  F().filListBox->SetListIndex(Zeile("Brief.txt"));
  dialoge_->Antworten = {vbYes};
  A().lstAktion_Click(3);
  EXPECT_FALSE(Da(kMieter + "\\Brief.txt"));
  EXPECT_TRUE(fs::exists(neu / "Trash" / "files" / "Brief.txt"));

  // No trash to be had (the data folder cannot be made): a question of its
  // own, Nein by default; Nein keeps file and rows, Ja deletes for good.
  DateiAnlegen(kMieter + "\\Akte.txt", "akte");
  ASSERT_TRUE(KeywordsEingeben(F().DOC_DATA.Database(), {"Akte.txt", kMieter}, "MIETE").Fehler.empty());
  std::ofstream(temp_ / "keinOrdner") << "x";
  setenv("XDG_DATA_HOME", (temp_ / "keinOrdner" / "share").c_str(), 1);
  F().filListBox->Refresh();
  F().filListBox->SetListIndex(Zeile("Akte.txt"));
  dialoge_->Gezeigt.clear();
  dialoge_->Antworten = {vbYes, vbNo};
  A().lstAktion_Click(3);
  ASSERT_EQ(dialoge_->Gezeigt.size(), 3u);
  EXPECT_NE(dialoge_->Gezeigt[1].Text.find("nicht in den Papierkorb"), std::string::npos);
  EXPECT_NE(dialoge_->Gezeigt[1].Text.find(kMieter + "\\Akte.txt"), std::string::npos) << "names its target";
  EXPECT_TRUE(dialoge_->Gezeigt[1].Stil & vbDefaultButton2);
  EXPECT_EQ(dialoge_->Gezeigt[2].Text, "Vorgang wurde abgebrochen...");
  EXPECT_EQ(Inhalt(kMieter + "\\Akte.txt"), "akte");
  EXPECT_EQ(F().lblName->text().toStdString(), "Akte.txt");
  EXPECT_EQ(Anzahl("SELECT COUNT(*) AS n FROM KeywordZwischentabelle"), 1);
  F().filListBox->SetListIndex(Zeile("Akte.txt"));
  dialoge_->Antworten = {vbYes, vbYes};
  A().lstAktion_Click(3);
  EXPECT_FALSE(Da(kMieter + "\\Akte.txt"));
  EXPECT_EQ(Anzahl("SELECT COUNT(*) AS n FROM Dateiinfo"), 0);
  EXPECT_EQ(Anzahl("SELECT COUNT(*) AS n FROM KeywordZwischentabelle"), 0);
  EXPECT_FALSE(fs::exists(fs::current_path() / "files" / "Akte.txt")) << "never a trash in the current folder";
  // Deleted for good: its keywords do not wait for it.
  EXPECT_EQ(Anzahl("SELECT COUNT(*) AS n FROM vxm_beiseite WHERE Dateiname = 'Akte.txt'"), 0);
  setenv("HOME", heimVorher.c_str(), 1);
}


// The file put back from the trash is the one the opened folder selects:
// its keywords, taken back by the folder's clean-up, show at once.
TEST_F(Bedienung, ZurueckgelegteDateiZeigtIhreKeywoerterSofort) {
  ASSERT_TRUE(Laden());
  F().filListBox->SetListIndex(Zeile("Zettel.txt"));
  dialoge_->Antworten = {vbYes};
  A().lstAktion_Click(3);
  const fs::path korb = temp_ / "xdg-daten" / "Trash" / "files" / "Zettel.txt";
  ASSERT_TRUE(fs::exists(korb));
  fs::remove(Host(kMieter + "\\Brief.txt"));  // Zettel.txt is then the first file
  fs::rename(korb, Host(kMieter + "\\Zettel.txt"));
  F().Baum->NodeClick(F().Baum->Knoten(kMieter + "\\"));
  ASSERT_EQ(F().filListBox->FileName(), "Zettel.txt");
  EXPECT_EQ(F().txtVorhandenKeyw->text().toStdString(), "MIETE");
}

// With its folder shown, a file put back from the trash has its keywords
// again, and a tagged file moved out with the shell takes them along.
TEST_F(Bedienung, GezeigterOrdnerFolgtPapierkorbUndShell) {
  ASSERT_TRUE(Laden());
  Datenbank& db = F().DOC_DATA.Database();
  F().filListBox->SetListIndex(Zeile("Zettel.txt"));
  dialoge_->Antworten = {vbYes};
  A().lstAktion_Click(3);
  const fs::path korb = temp_ / "xdg-daten" / "Trash" / "files" / "Zettel.txt";
  ASSERT_TRUE(fs::exists(korb));
  QTest::qWait(800);  // the user looks into the trash: the watcher has seen the file go
  fs::rename(korb, Host(kMieter + "\\Zettel.txt"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return DateiNummerSuchen(db, "Zettel.txt", kMieter) != 0; }, 5000));
  const int32_t nr = DateiNummerSuchen(db, "Zettel.txt", kMieter);
  EXPECT_EQ(KeywordsDerDatei(db, nr), std::vector<std::string>{"MIETE"});

  ASSERT_TRUE(FingerabdruckNehmen(db, nr, kMieter, "Zettel.txt"));
  OrdnerAnlegenHost(kMieter + "\\Ablage");
  fs::rename(Host(kMieter + "\\Zettel.txt"), Host(kMieter + "\\Ablage\\Notiz.txt"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return DateiNummerSuchen(db, "Notiz.txt", kMieter + "\\Ablage") == nr; }, 5000));
  EXPECT_EQ(KeywordsDerDatei(db, nr), std::vector<std::string>{"MIETE"});
}

// A program that rewrites a tagged file leaves its place empty for a moment;
// an untagged copy of it elsewhere in the store must not take its keywords.
TEST_F(Bedienung, KurzFortgewesenBehaeltSeineKeywoerter) {
  ASSERT_TRUE(Laden());
  Datenbank& db = F().DOC_DATA.Database();
  const int32_t nr = DateiNummerSuchen(db, "Zettel.txt", kMieter);
  ASSERT_NE(nr, 0);
  ASSERT_TRUE(FingerabdruckNehmen(db, nr, kMieter, "Zettel.txt"));
  OrdnerAnlegenHost(kMieter + "\\Ablage");
  const std::string inhalt = Inhalt(kMieter + "\\Zettel.txt");
  DateiAnlegen(kMieter + "\\Ablage\\Kopie.txt", inhalt);
  QTest::qWait(1500);
  fs::remove(Host(kMieter + "\\Zettel.txt"));
  QTest::qWait(600);  // longer than the watcher's pause
  DateiAnlegen(kMieter + "\\Zettel.txt", inhalt);
  QTest::qWait(3500);
  EXPECT_EQ(DateiNummerSuchen(db, "Zettel.txt", kMieter), nr);
  EXPECT_EQ(DateiNummerSuchen(db, "Kopie.txt", kMieter + "\\Ablage"), 0);
  EXPECT_EQ(KeywordsDerDatei(db, nr), std::vector<std::string>{"MIETE"});
}

// ------------------------------------------------------------ new folders

TEST_F(Bedienung, NeuerOrdnerBehaeltSeineSchreibweiseInSchluesselUndRegister) {
  ASSERT_TRUE(Laden());
  Zeigen();
  auto* mieter = F().Baum->Knoten(kMieter + "\\");
  Rechtsklick(F().tvwDir->viewport(), KnotenMitte(mieter));
  MenueWahl(F().lstOrdner, 0);
  MenueWahl(F().lstNeuOrdner, 1);  // "Korrespondenz"
  auto* k = F().Baum->Knoten(kMieter + "\\KORRESPONDENZ\\");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(OrdnerBaum::Schluessel(k), kMieter + "\\Korrespondenz\\");
  // A file copied there with its keywords gets a row with the folder as created.
  F().dirListBox->SetPath(kMieter);
  F().filListBox->SetListIndex(Zeile("Zettel.txt"));
  A().lstAktion_Click(1);
  F().Baum->NodeClick(k);
  EXPECT_EQ(F().dirListBox->Path(), kMieter + "\\Korrespondenz");
  dialoge_->Antworten = {vbYes};
  A().lstAktion_Click(2);
  EXPECT_EQ(Anzahl("SELECT COUNT(*) AS n FROM Dateiinfo WHERE Dateipfad GLOB '*\\Korrespondenz'"), 1);
  // "Freier Name": the name as typed.
  F().Baum->NodeClick(mieter);
  F().AktionsPfad = kMieter;
  A().lstNeuOrdner_Click(4);
  auto* frei = F().Baum->Knoten(kMieter + "\\Neuer Ordner\\");
  ASSERT_NE(frei, nullptr);
  frei->setText(0, Q("Verträge Müller"));
  F().Baum->AfterLabelEdit("Verträge Müller");
  EXPECT_EQ(OrdnerBaum::Schluessel(frei), kMieter + "\\Verträge Müller\\");
}

// ------------------------------------------------------ keyword window

TEST_F(Bedienung, VorschlaegeVerschwindenWieImmerDasKeywortfensterSchliesst) {
  ASSERT_TRUE(Laden());
  Zeigen();
  F().optSchluesselW->click();
  std::vector<std::function<void(frmDateiKeywörter&)>> schliessen = {
      [](frmDateiKeywörter& w) { QTest::keyClick(&w, Qt::Key_Escape); },
      [](frmDateiKeywörter& w) { w.close(); },
      [](frmDateiKeywörter& w) { w.cmdSchliesen->click(); }};
  for (std::size_t i = 0; i < schliessen.size(); ++i) {
    SCOPED_TRACE(i);
    F().txtDateisuchen->clear();
    F().txtDateisuchen->setFocus();
    QTest::keyClicks(F().txtDateisuchen, "mi");
    ASSERT_TRUE(F().lstKeywordsSuche->isVisible()) << "MIETE is suggested";
    bool gezeigt = false;
    frmDateiKeywörter::NachDemZeigen = [&](frmDateiKeywörter& w) {
      gezeigt = true;
      schliessen[i](w);
      EXPECT_FALSE(w.isVisible());
    };
    F().cmdSucheStarten->click();
    frmDateiKeywörter::NachDemZeigen = nullptr;
    EXPECT_TRUE(gezeigt);
    EXPECT_TRUE(F().lstKeywordsSuche->isHidden());
  }
}

// ------------------------------------------------------------ search hits

class Treffer : public FensterUmgebung {
 protected:
  const std::string kKorr = "C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz";
  void SetUp() override {
    FensterUmgebung::SetUp();
    DateiAnlegen(kMieter + "\\Mietvertrag.txt", "x");
    DateiAnlegen(kKorr + "\\Brief.doc", "x");
    DateiAnlegen(kKorr + "\\Übergabe.pdf", "x");
    Sql(register_,
        "INSERT INTO Keyword(Keyword) VALUES('MIETE'),('BRIEF'),('KÜNDIGUNG');"
        "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('Mietvertrag.txt', '" + kMieter + "'),"
        "('Brief.doc', '" + kKorr + "'),('Übergabe.pdf', '" + kKorr + "');"
        "INSERT INTO KeywordZwischentabelle(Dateinummer, KeywordID) VALUES(1, 1),(2, 2),(3, 3);");
  }
  QTreeWidgetItem* Erster() { return F().gefundenviewBox->topLevelItem(0); }
};

TEST_F(Treffer, DetailsZeigenKeywoerterUndBeschriftungenDesTreffers) {
  ASSERT_TRUE(Laden());
  ASSERT_EQ(F().txtVorhandenKeyw->text().toStdString(), "MIETE");
  ASSERT_FALSE(F().lblObjName->text().isEmpty());
  // The document search shows its first hit at once.
  F().txtDateisuchen->setText(Q("Übergabe"));
  DatenSucheFenster::Von(F())->cmdDataSearch_Click();
  ASSERT_EQ(F().gefundenviewBox->topLevelItemCount(), 1);
  EXPECT_EQ(F().lblName->text().toStdString(), "Übergabe.pdf");
  EXPECT_EQ(F().txtVorhandenKeyw->text().toStdString(), "KÜNDIGUNG");
  EXPECT_TRUE(F().lblObjName->text().isEmpty()) << "folder 8 has no property record";
  EXPECT_TRUE(F().lblBnName->text().isEmpty());
  EXPECT_TRUE(F().vxmAnzeige->isHidden());
  DatenSucheFenster::Von(F())->OrdnerAnsicht();

  // The name search: a click leads to the hit's folder, whose first file is another.
  F().dirListBox->SetPath(kMieter);
  F().txtDateisuchen->setText(Q("Übergabe"));
  DatenSucheFenster::Von(F())->comsuchen_Click();
  ASSERT_EQ(F().gefundenviewBox->topLevelItemCount(), 1);
  DatenSucheFenster::Von(F())->gefundenviewBox_ItemClick(Erster());
  EXPECT_EQ(F().filListBox->List(0), "Brief.doc");
  EXPECT_EQ(F().lblName->text().toStdString(), "Übergabe.pdf");
  EXPECT_EQ(F().txtVorhandenKeyw->text().toStdString(), "KÜNDIGUNG");
}

// A hit whose file went since the search is named when taken over, and no
// details of it stay; a search without hits leaves the details of the file
// the list shows, not of the last hit.
TEST_F(Treffer, VerschwundenerTrefferUndSucheOhneTreffer) {
  ASSERT_TRUE(Laden());
  F().resize(1100, 760);
  F().show();
  auto* suche = DatenSucheFenster::Von(F());
  F().txtDateisuchen->setText(Q("Übergabe"));
  suche->cmdDataSearch_Click();
  ASSERT_EQ(F().gefundenviewBox->topLevelItemCount(), 1);
  ASSERT_EQ(F().lblName->text().toStdString(), "Übergabe.pdf");
  fs::remove(Host(kKorr + "\\Übergabe.pdf"));
  suche->gefundenviewBox_ItemClick(Erster());
  suche->gefundenviewBox_DblClick();
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Die Datei " + kKorr + "\\Übergabe.pdf ist nicht mehr vorhanden.");
  EXPECT_TRUE(F().lblName->text().isEmpty());

  F().txtDateisuchen->setText(Q("Brief"));
  suche->cmdDataSearch_Click();
  ASSERT_EQ(F().lblName->text().toStdString(), "Brief.doc");
  F().txtDateisuchen->setText(Q("Nirgends"));
  suche->cmdDataSearch_Click();
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, kMeldungKeineSuchergebnisse);
  EXPECT_EQ(F().lblName->text().toStdString(), F().filListBox->FileName());
}

// The keys move through the hits as the mouse does: the details follow, and
// Enter takes the highlighted hit over.
TEST_F(Treffer, PfeiltastenUndEnterInDenTreffern) {
  ASSERT_TRUE(Laden());
  F().resize(1100, 760);
  F().show();
  F().txtDateisuchen->setText(Q("b"));  // Brief.doc, Übergabe.pdf
  DatenSucheFenster::Von(F())->comsuchen_Click();
  auto* l = F().gefundenviewBox;
  ASSERT_EQ(l->topLevelItemCount(), 2);
  l->setFocus();
  l->setCurrentItem(Erster());
  DatenSucheFenster::Von(F())->gefundenviewBox_ItemClick(Erster());
  const std::string erster = l->topLevelItem(0)->text(0).toStdString();
  const std::string zweiter = l->topLevelItem(1)->text(0).toStdString();
  EXPECT_EQ(F().lblName->text().toStdString(), erster);
  QTest::keyClick(l, Qt::Key_Down);
  EXPECT_EQ(F().lblName->text().toStdString(), zweiter);
  EXPECT_EQ(F().txtVorhandenKeyw->text().toStdString(), zweiter == "Brief.doc" ? "BRIEF" : "KÜNDIGUNG");
  bool gesucht = false;
  QObject::connect(F().cmdSucheStarten, &QPushButton::clicked, [&] { gesucht = true; });
  QTest::keyClick(l, Qt::Key_Return);
  EXPECT_FALSE(gesucht);
  EXPECT_TRUE(F().filListBox->isVisible());
  EXPECT_EQ(F().filListBox->FileName(), zweiter);
  EXPECT_EQ(F().dirListBox->Path(), kKorr);
  EXPECT_TRUE(F().filListBox->hasFocus());
}

// The status row keeps the index and its button at the right when the
// search's folder line goes.
TEST_F(Treffer, StatuszeileBleibtRechts) {
  ASSERT_TRUE(Laden());
  F().resize(1100, 760);
  F().show();
  auto* pause = F().findChild<QPushButton*>("cmdIndexPause");
  auto* index = F().findChild<QLabel*>("lblIndex");
  ASSERT_NE(pause, nullptr);
  ASSERT_NE(index, nullptr);
  index->setText(Q("Index: 17 von 17 Dateien"));
  index->show();
  pause->show();
  QApplication::processEvents();
  const QRect p = pause->geometry(), i = index->geometry();
  EXPECT_GT(i.left(), F().width() / 2);
  DatenSucheFenster::Von(F())->OrdnerAnsicht();
  QApplication::processEvents();
  EXPECT_TRUE(F().lblanzeigesuchdir->isHidden());
  EXPECT_EQ(pause->geometry(), p);
  EXPECT_EQ(index->geometry(), i);
}

// --------------------------------------------------- views follow the disk

std::vector<std::string> Kinder(QTreeWidgetItem* k) {
  std::vector<std::string> namen;
  for (int i = 0; i < k->childCount(); ++i) namen.push_back(OrdnerBaum::Text(k->child(i)));
  return namen;
}

TEST_F(Bedienung, F5ZeigtWasAusserhalbEntstandUndVerschwand) {
  ASSERT_TRUE(Laden());
  Zeigen();
  F().filListBox->SetListIndex(Zeile("Zettel.txt"));
  auto* mieter = F().Baum->Knoten(kMieter + "\\");
  ASSERT_EQ(Kinder(mieter), (std::vector<std::string>{"Akten", "Briefe"}));
  OrdnerAnlegenHost(kMieter + "\\Abrechnung");
  fs::remove_all(Host(kMieter + "\\Akten"));
  fs::rename(Host(kMieter + "\\Briefe"), Host(kMieter + "\\Post"));
  DateiAnlegen(kMieter + "\\Neu.txt");
  QTest::keyClick(F().filListBox, Qt::Key_F5);
  EXPECT_EQ(Kinder(mieter), (std::vector<std::string>{"Abrechnung", "Post"}));
  EXPECT_EQ(OrdnerBaum::Schluessel(F().Baum->Knoten(kMieter + "\\POST\\")), kMieter + "\\Post\\");
  EXPECT_EQ(F().Baum->Knoten(kMieter + "\\Akten\\"), nullptr);
  EXPECT_EQ(F().filListBox->ListCount(), 3);
  EXPECT_GE(Zeile("Neu.txt"), 0);
  EXPECT_EQ(F().filListBox->FileName(), "Zettel.txt") << "the selection stays on its file";
  // The shown folder itself went away: the nearest one still there is shown.
  F().Baum->NodeClick(F().Baum->Knoten(kMieter + "\\Post\\"));
  fs::remove_all(Host(kMieter + "\\Post"));
  QTest::keyClick(F().tvwDir, Qt::Key_F5);
  EXPECT_EQ(F().dirListBox->Path(), kMieter);
  EXPECT_EQ(F().Baum->Ausgewaehlt(), mieter);
}

TEST_F(Bedienung, DerGezeigteOrdnerWirdBeobachtet) {
  ASSERT_TRUE(Laden());
  Zeigen();
  auto* mieter = F().Baum->Knoten(kMieter + "\\");
  DateiAnlegen(kMieter + "\\Extern.txt");
  OrdnerAnlegenHost(kMieter + "\\Extern");
  EXPECT_TRUE(QTest::qWaitFor([&] { return Zeile("Extern.txt") >= 0 && F().Baum->Knoten(kMieter + "\\Extern\\"); }, 5000));
  fs::rename(Host(kMieter + "\\Extern.txt"), Host(kMieter + "\\Intern.txt"));
  fs::remove_all(Host(kMieter + "\\Akten"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Zeile("Intern.txt") >= 0 && Zeile("Extern.txt") < 0; }, 5000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Kinder(mieter) == std::vector<std::string>{"Briefe", "Extern"}; }, 5000));
}

// A tagged file renamed by another program while the window shows its
// folder keeps its keywords at once, without a reload or F5.
TEST_F(Bedienung, ExternUmbenannteDateiBehaeltIhreKeywoerterSofort) {
  ASSERT_TRUE(Laden());
  Zeigen();
  Datenbank& db = F().DOC_DATA.Database();
  ASSERT_TRUE(FingerabdruckNehmen(db, 1, kMieter, "Zettel.txt"));
  fs::rename(Host(kMieter + "\\Zettel.txt"), Host(kMieter + "\\Mietnotiz.txt"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return DateiNummerSuchen(db, "Mietnotiz.txt", kMieter) == 1; }, 5000));
  EXPECT_EQ(KeywordsDerDatei(db, 1), std::vector<std::string>{"MIETE"});
  EXPECT_EQ(DateiNummerSuchen(db, "Zettel.txt", kMieter), 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Zeile("Mietnotiz.txt") >= 0; }, 5000));
}

// Two tagged files whose names a script swapped in one go (mv a t; mv b a;
// mv t b) while their folder is shown: the names are as before, the
// documents are not; each keeps its own keywords.
TEST_F(Bedienung, SchnellVertauschteNamenBehaltenIhreKeywoerter) {
  Sql(register_,
      "INSERT INTO Keyword(Keyword) VALUES('BRIEF');"
      "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('Brief.txt', '" + kMieter + "');"
      "INSERT INTO KeywordZwischentabelle(Dateinummer, KeywordID) VALUES(2, 2);");
  // Written a while ago: the prints trust their times.
  for (const char* n : {"\\Brief.txt", "\\Zettel.txt"})
    fs::last_write_time(Host(kMieter + n), fs::file_time_type::clock::now() - std::chrono::hours(1));
  ASSERT_TRUE(Laden());
  Zeigen();
  Datenbank& db = F().DOC_DATA.Database();
  ASSERT_TRUE(FingerabdruckNehmen(db, 1, kMieter, "Zettel.txt"));
  ASSERT_TRUE(FingerabdruckNehmen(db, 2, kMieter, "Brief.txt"));
  QTest::qWait(300);  // the watcher has settled on the folder
  fs::rename(Host(kMieter + "\\Zettel.txt"), Host(kMieter + "\\tmp.x"));
  fs::rename(Host(kMieter + "\\Brief.txt"), Host(kMieter + "\\Zettel.txt"));
  fs::rename(Host(kMieter + "\\tmp.x"), Host(kMieter + "\\Brief.txt"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return DateiNummerSuchen(db, "Brief.txt", kMieter) == 1; }, 5000));
  EXPECT_EQ(DateiNummerSuchen(db, "Zettel.txt", kMieter), 2);
  EXPECT_EQ(Inhalt(kMieter + "\\Brief.txt"), "zettel");
  EXPECT_EQ(KeywordsDerDatei(db, DateiNummerSuchen(db, "Brief.txt", kMieter)), std::vector<std::string>{"MIETE"});
}

TEST_F(Bedienung, ExternUmbenannterUnterordnerNimmtDieKeywoerterMit) {
  ASSERT_NO_FATAL_FAILURE(BriefeMitMahnung());
  Datenbank& db = F().DOC_DATA.Database();
  fs::rename(Host(kMieter + "\\Briefe"), Host(kMieter + "\\Post"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return DateiNummerSuchen(db, "Mahnung.txt", kMieter + "\\Post") == 2; }, 5000));
  EXPECT_EQ(KeywordsDerDatei(db, 2), std::vector<std::string>{"MIETE"});
}

// The shown folder itself renamed by another program: its rows follow and
// the window goes along; removed, the window shows the folder above.
TEST_F(Bedienung, ExternUmbenannterGezeigterOrdnerWirdGefolgt) {
  ASSERT_NO_FATAL_FAILURE(BriefeMitMahnung());
  Datenbank& db = F().DOC_DATA.Database();
  F().Baum->NodeClick(F().Baum->Knoten(kMieter + "\\Briefe\\"));
  ASSERT_EQ(F().filListBox->Path(), kMieter + "\\Briefe");
  fs::rename(Host(kMieter + "\\Briefe"), Host(kMieter + "\\Post"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return F().filListBox->Path() == kMieter + "\\Post"; }, 5000))
      << F().filListBox->Path();
  EXPECT_EQ(DateiNummerSuchen(db, "Mahnung.txt", kMieter + "\\Post"), 2);
  EXPECT_EQ(KeywordsDerDatei(db, 2), std::vector<std::string>{"MIETE"});
  EXPECT_EQ(F().Baum->Knoten(kMieter + "\\Briefe\\"), nullptr);
  EXPECT_GE(Zeile("Mahnung.txt"), 0);
  // Removed: the folder above is shown.
  fs::remove_all(Host(kMieter + "\\Post"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return F().filListBox->Path() == kMieter; }, 5000)) << F().filListBox->Path();
  EXPECT_EQ(F().Baum->Ausgewaehlt(), F().Baum->Knoten(kMieter + "\\"));
}

TEST_F(Bedienung, LaufwerkNeuGewaehltZeigtDenHervorgehobenenOrdner) {
  ASSERT_TRUE(Laden());
  Zeigen();
  F().drvListBox_Change();
  auto* sel = F().Baum->Ausgewaehlt();
  ASSERT_NE(sel, nullptr);
  EXPECT_EQ(OrdnerBaum::Schluessel(sel), kMieter + "\\");
  EXPECT_EQ(F().dirListBox->Path(), kMieter);
  EXPECT_EQ(F().filListBox->Path(), kMieter);
  EXPECT_GE(Zeile("Zettel.txt"), 0);
}

// ----------------------------------------------------------------- opening

TEST_F(Bedienung, DokumentDasNichtsOeffnetNenntDateiUndAbhilfe) {
  const std::string pfadVorher = std::getenv("PATH") ? std::getenv("PATH") : "";
  fs::create_directories(temp_ / "leer");
  setenv("PATH", (temp_ / "leer").c_str(), 1);  // no xdg-open
  DokumentOeffner() = StandardOeffner();
  ASSERT_TRUE(Laden());
  F().filListBox->SetListIndex(Zeile("Zettel.txt"));
  F().filListBox_DblClick();
  setenv("PATH", pfadVorher.c_str(), 1);
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, meldung::OeffnerFehlt("Zettel.txt"));
  // Nothing selected: nothing to open, nothing said.
  const auto gezeigt = dialoge_->Gezeigt.size();
  F().filListBox->setCurrentRow(-1);
  F().opendatei();
  EXPECT_EQ(dialoge_->Gezeigt.size(), gezeigt);
}

// ------------------------------------------------------------ Qt's texts

TEST_F(Bedienung, QtsEigeneTexteSprechenDeutsch) {
  ASSERT_TRUE(Laden());
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes").toStdString(), "&Ja");
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "Abbrechen");
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:").toStdString(), "Suchen in:");
}

// With VXM_BILDER=<folder>: the window after a right click on a file, with
// its action menu open, as a PNG to look at.
TEST_F(Bedienung, BildMitAktionsmenueAmRechtsgeklicktenEintrag) {
  const char* ziel = std::getenv("VXM_BILDER");
  if (!ziel) GTEST_SKIP() << "VXM_BILDER not set";
  OrdnerAnlegenHost(kMieter + "\\Abrechnungen");
  ASSERT_TRUE(Laden());
  Zeigen();
  auto* liste = F().filListBox;
  QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, Mitte(liste, Zeile("Brief.txt")));
  Rechtsklick(liste->viewport(), Mitte(liste, Zeile("Zettel.txt")));
  ASSERT_TRUE(F().lstAktion->isVisible());
  QApplication::processEvents();
  EXPECT_TRUE(F().grab().save(QString::fromUtf8(ziel) + "/m-fenster.png"));
}

}  // namespace
}  // namespace vxm::test
