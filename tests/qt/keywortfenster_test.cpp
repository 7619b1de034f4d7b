// The keyword maintenance window offscreen: what it does with the hits of
// a keyword search (switching the keyword, opening, removing, assigning to
// further documents, and the way back to the main window).
#include "tests/qt/keywortsuche_hilfen.h"

namespace vxm::test {
namespace {

TEST_F(Keywortsuche, FensterSteuerelementeUndFehlendeDatenbank) {
  Keyword("MIETE");
  ASSERT_TRUE(Laden());
  auto& w = W();
  EXPECT_EQ(w.objectName().toStdString(), "frmDateiKeywörter");
  EXPECT_EQ(w.windowTitle().toStdString(), "Liste der Dateien zu Keywörter");
  for (const char* n : {"Label1", "cmbKeywords", "lstDateiGefunden", "cmdKeyLöschen", "cmdBearbeitungStarten",
                        "cmdShowDocList", "Label2", "lstDateinamen", "cmdKeyaddtodoc", "lblStatus", "cmdSchliesen",
                        "Text1", "mnuAnsicht"})
    EXPECT_NE(w.findChild<QObject*>(QString::fromUtf8(n)), nullptr) << n;
  EXPECT_EQ(w.lstDateiGefunden->headerItem()->text(0).toStdString(), "Dateiname");
  EXPECT_EQ(w.lstDateiGefunden->headerItem()->text(1).toStdString(), "Dateipfad");
  EXPECT_EQ(w.cmbKeywords->count(), 1);
  EXPECT_EQ(w.pos(), F().geometry().topLeft() + QPoint(Twips(1300), Twips(1200)));
  w.Unload();
  F().DOC_DATA.DatabaseName = "C:\\VXM\\VXMDAT\\fehlt.mdb";
  F().DOC_DATA.Schliessen();
  KeywortFenster(F());
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Konnte die Datenbank nicht finden!");
  EXPECT_EQ(dialoge_->Gezeigt.back().Titel, "Datenbank nicht vorhanden!");
  EXPECT_EQ(dialoge_->Gezeigt.back().Stil, vbCritical);
}

TEST_F(Keywortsuche, UnbekanntesWortZeigtKeinAnderesKeywort) {
  const int32_t h = Keyword("HEIZUNG");
  Keyword("HAUSORDNUNG");
  Keyword("Straße");
  Dokument(kOrdner, "kessel.pdf", {h});
  Starten();
  treiber_ = [&](frmDateiKeywörter& w) {
    w.cmbKeywords->setFocus();  // left there by the user
    w.cmdSchliesen->click();
  };
  F().txtDateisuchen->setText("Heizung");
  F().cmdSucheStarten->click();
  treiber_ = nullptr;
  F().txtDateisuchen->setText("HA");
  F().cmdSucheStarten->click();
  EXPECT_EQ(label_, "Liste der Dateien zu HA:");
  EXPECT_EQ(W().cmbKeywords->currentText().toStdString(), "") << "no other keyword for Keywort entfernen to take";
  EXPECT_EQ(W().focusWidget(), W().lstDateiGefunden) << "each opening starts in the hits";
  W().cmdSchliesen->click();
  // A keyword is found in the box whatever its case.
  F().txtDateisuchen->setText("STRASSE");
  F().cmdSucheStarten->click();
  EXPECT_EQ(W().cmbKeywords->currentText().toStdString(), "");
  W().cmdSchliesen->click();
  F().txtDateisuchen->setText("straße");
  F().cmdSucheStarten->click();
  EXPECT_EQ(W().cmbKeywords->currentText().toStdString(), "Straße");
  W().cmdSchliesen->click();
}

TEST_F(Keywortsuche, KeywortWechselnOeffnenUndAnsichten) {
  const int32_t a = Keyword("MIETE");
  Keyword("LEER");
  Dokument(kOrdner, "vertrag.doc", {a});
  Starten();
  F().txtDateisuchen->setText("LEER");
  F().lstKeywordsSuche->show();  // suggestions open below the box
  treiber_ = [&](frmDateiKeywörter& w) {
    EXPECT_TRUE(F().lstKeywordsSuche->isHidden()) << "no suggestions behind the result window";
    w.cmbKeywords->setCurrentIndex(0);
    w.cmbKeywords_Click();
    EXPECT_EQ(w.Label1->text().toStdString(), "Liste der Dateien zu MIETE:");
    ASSERT_EQ(w.lstDateiGefunden->topLevelItemCount(), 1);
    EXPECT_EQ(w.Text1->text().toStdString(), "anwesend");
    auto* e = w.lstDateiGefunden->topLevelItem(0);
    EXPECT_EQ(e->text(1).toStdString(), kOrdner);
    EXPECT_FALSE(e->icon(0).isNull());
    w.lstDateiGefunden_Activate(e);
    w.mnuGroßeSymbole->trigger();
    EXPECT_EQ(w.Ansicht(), 0);
    w.mnuKleineSymbole->trigger();
    EXPECT_EQ(w.Ansicht(), 3);
    w.cmbKeywords->setCurrentIndex(1);
    w.cmbKeywords_Click();
    EXPECT_EQ(w.Label1->text().toStdString(), "Keine Dateien zu LEER vorhanden.");
    // Given to a file, the keyword has a file to list.
    w.cmdShowDocList->click();
    w.lstDateinamen->setCurrentRow(0);
    w.KeyZuweisen();
    EXPECT_EQ(w.lstDateiGefunden->topLevelItemCount(), 1);
    EXPECT_EQ(w.Label1->text().toStdString(), "Liste der Dateien zu LEER:");
  };
  F().cmdSucheStarten->click();
  EXPECT_EQ(gezeigt_, 1);  // the refills did not show the window again
  EXPECT_EQ(label_, "Liste der Dateien zu LEER:");
  EXPECT_EQ(geoeffnet_, (std::vector<std::string>{kOrdner + "\\vertrag.doc"}));
  W().cmdSchliesen->click();
  EXPECT_EQ(Box(), "");
  EXPECT_TRUE(W().Text1->text().isEmpty());
}

TEST_F(Keywortsuche, AlleDokumenteOhneDasKeywortUndZuweisen) {
  const int32_t a = Keyword("ZAHLUNG SEPTEMBER");
  // Registered with a mixed-case path: still recognised as carrying it.
  Dokument(kOrdner + "\\7", "beleg.pdf", {a}, "c:\\vxm\\Vxmdok\\1\\7");
  DateiAnlegen(kOrdner + "\\7\\3\\neu.doc");
  DateiAnlegen(kOrdner + "\\7\\doppelt.txt");
  DateiAnlegen(kOrdner + "\\8\\doppelt.txt");
  Starten();
  F().txtDateisuchen->setText(QString::fromUtf8("Zahlung September"));
  treiber_ = [&](frmDateiKeywörter& w) {
    // Before the list is loaded.
    w.KeyZuweisen();
    EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Bitte zuerst Dokumente laden!");
    w.cmdShowDocList->click();
    EXPECT_EQ(w.cmdShowDocList->text().toStdString(), "Liste ausblenden");
    EXPECT_FALSE(w.Label2->isHidden());
    EXPECT_FALSE(w.cmdKeyaddtodoc->isHidden());
    EXPECT_TRUE(w.lblStatus->isHidden());
    std::vector<std::string> liste;
    for (int i = 0; i < w.lstDateinamen->count(); ++i) liste.push_back(w.lstDateinamen->item(i)->text().toStdString());
    EXPECT_EQ(liste, (std::vector<std::string>{"doppelt.txt", "neu.doc", "doppelt.txt"}));
    w.lstDateinamen->clearSelection();
    w.KeyZuweisen();
    EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Bitte Dokument aus Liste auswählen!");
    // The double name is assigned in the first folder of the walk.
    w.lstDateinamen->setCurrentRow(0);
    w.KeyZuweisen();
    EXPECT_EQ(w.Text1->text().toStdString(), kOrdner + "\\7");
    EXPECT_EQ(w.lstDateinamen->count(), 2);
    EXPECT_EQ(w.lstDateiGefunden->topLevelItemCount(), 2);
    // The next entry does not take the tagged one's place: a second press asks.
    EXPECT_TRUE(w.lstDateinamen->selectedItems().isEmpty());
    w.KeyZuweisen();
    EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Bitte Dokument aus Liste auswählen!");
    EXPECT_EQ(w.lstDateinamen->count(), 2);
    // By keys: Enter on the focused button presses it.
    w.lstDateinamen->setCurrentRow(0);  // neu.doc
    w.cmdKeyaddtodoc->setFocus();
    QTest::keyClick(w.cmdKeyaddtodoc, Qt::Key_Return);
    EXPECT_EQ(w.lstDateinamen->count(), 1);
    w.cmdShowDocList->click();
    EXPECT_TRUE(w.lstDateinamen->isHidden());
    EXPECT_EQ(w.cmdShowDocList->text().toStdString(), "Alle vorhandenen Dokmente anzeigen");
  };
  F().cmdSucheStarten->click();
  ASSERT_EQ(gezeigt_, 1);
  // The whole keyword with its blank, new rows with the upper-case folder.
  EXPECT_EQ(Zeilen("SELECT * FROM Dateiinfo WHERE Dateipfad = 'C:\\VXM\\VXMDOK\\1\\7' AND Dateiname = 'doppelt.txt'"), 1);
  EXPECT_EQ(Zeilen("SELECT * FROM Dateiinfo WHERE Dateipfad = 'C:\\VXM\\VXMDOK\\1\\7\\3'"), 1);
  EXPECT_EQ(Zeilen("SELECT * FROM KeywordZwischentabelle"), 3);
  EXPECT_EQ(Zeilen("SELECT * FROM Dateiinfo"), 3);
}

// Of two files of one name, the entry chosen gets the keyword in its own
// folder, also when the first of the walk carries it already.
TEST_F(Keywortsuche, GleichnamigeDateiBekommtDasKeywortInIhremOrdner) {
  const int32_t a = Keyword("HEIZUNG");
  Dokument(kOrdner + "\\7", "antwort.txt", {a});
  DateiAnlegen(kOrdner + "\\8\\antwort.txt");
  Starten();
  F().txtDateisuchen->setText(Q("Heizung"));
  treiber_ = [&](frmDateiKeywörter& w) {
    w.cmdShowDocList->click();
    ASSERT_EQ(w.lstDateinamen->count(), 1);
    EXPECT_EQ(w.lstDateinamen->item(0)->toolTip().toStdString(), kOrdner + "\\8");
    w.lstDateinamen->setCurrentRow(0);
    w.KeyZuweisen();
    EXPECT_EQ(w.Text1->text().toStdString(), kOrdner + "\\8");
    EXPECT_EQ(w.lstDateiGefunden->topLevelItemCount(), 2);
  };
  F().cmdSucheStarten->click();
  ASSERT_EQ(gezeigt_, 1);
  EXPECT_EQ(Zeilen("SELECT * FROM Dateiinfo d JOIN KeywordZwischentabelle k ON k.Dateinummer = d.Dateinummer "
                   "WHERE d.Dateiname = 'antwort.txt'"),
            2);
  EXPECT_EQ(Zeilen("SELECT * FROM KeywordZwischentabelle"), 2);
}

TEST_F(Keywortsuche, ZweimalZuweisenGibtKeineZweiteVerknuepfung) {
  const int32_t a = Keyword("MIETE");
  Dokument(kOrdner, "x.doc", {a}, "c:\\vxm\\vxmdok\\1");
  DateiAnlegen(kOrdner + "\\y.doc");
  Starten();
  F().txtDateisuchen->setText("miete");
  treiber_ = [&](frmDateiKeywörter& w) {
    w.cmdShowDocList->click();
    ASSERT_EQ(w.lstDateinamen->count(), 1);  // x.doc is known despite its lower-case path
    // Put x.doc into the list by hand and assign: the register row is found.
    w.lstDateinamen->addItem("x.doc");
    w.lstDateinamen->setCurrentRow(1);
    w.KeyZuweisen();
  };
  F().cmdSucheStarten->click();
  EXPECT_EQ(Zeilen("SELECT * FROM Dateiinfo"), 1);
  EXPECT_EQ(Zeilen("SELECT * FROM KeywordZwischentabelle"), 1);
}

TEST_F(Keywortsuche, VerschwundeneDateiBekommtKeineRegisterzeile) {
  Keyword("MIETE");
  DateiAnlegen(kOrdner + "\\weg.doc");
  Starten();
  F().txtDateisuchen->setText("miete");
  treiber_ = [&](frmDateiKeywörter& w) {
    w.cmdShowDocList->click();
    std::filesystem::remove(Host(kOrdner + "\\weg.doc"));
    w.lstDateinamen->setCurrentRow(0);
    w.KeyZuweisen();
  };
  F().cmdSucheStarten->click();
  EXPECT_EQ(Zeilen("SELECT * FROM Dateiinfo"), 0);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Die Datei weg.doc wurde nicht gefunden.");
}

TEST_F(Keywortsuche, BearbeitungStartenZeigtDieDateiImHauptfenster) {
  VertragMitAnhangStarten();
  int geoeffnetPanel = 0;
  F().KeywortPanelOeffnen = [&] {
    ++geoeffnetPanel;
    EXPECT_EQ(F().filListBox->FileName(), "Vertrag.doc");
  };
  F().txtDateisuchen->setText("miete");
  treiber_ = [&](frmDateiKeywörter& w) {
    // The hits have the focus, and that alone chooses none of them.
    w.activateWindow();
    QApplication::processEvents();
    EXPECT_TRUE(w.lstDateiGefunden->hasFocus());
    EXPECT_EQ(w.lstDateiGefunden->currentItem(), nullptr);
    w.cmdBearbeitungStarten->click();
    EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Bitte Dokument aus Liste auswählen!");
    w.lstDateiGefunden->setCurrentItem(w.lstDateiGefunden->topLevelItem(0));
    w.cmdBearbeitungStarten->click();
    EXPECT_FALSE(w.isVisible());
  };
  F().cmdSucheStarten->click();
  EXPECT_EQ(geoeffnetPanel, 1);
  EXPECT_EQ(F().dirListBox->Path(), kOrdner + "\\7");
  // The tree highlights that folder too, so F2 or a new folder acts where the files are.
  ASSERT_NE(F().Baum->Ausgewaehlt(), nullptr);
  EXPECT_TRUE(GleichOhneFall(OrdnerBaum::Schluessel(F().Baum->Ausgewaehlt()), kOrdner + "\\7\\"));
}

// A hit whose file went since the search (moved out with the shell): no
// keyword panel opens, least of all on another file of its folder.
TEST_F(Keywortsuche, BearbeitungEinesVerschwundenenTreffersOeffnetKeinPanel) {
  VertragMitAnhangStarten();
  int geoeffnetPanel = 0;
  F().KeywortPanelOeffnen = [&] { ++geoeffnetPanel; };
  F().txtDateisuchen->setText("miete");
  treiber_ = [&](frmDateiKeywörter& w) {
    std::filesystem::remove(Host(kOrdner + "\\7\\Vertrag.doc"));
    w.lstDateiGefunden->setCurrentItem(w.lstDateiGefunden->topLevelItem(0));
    w.cmdBearbeitungStarten->click();
    EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Die Datei " + kOrdner + "\\7\\Vertrag.doc ist nicht mehr vorhanden.");
    EXPECT_TRUE(w.isVisible());
    w.cmdSchliesen->click();
  };
  F().cmdSucheStarten->click();
  EXPECT_EQ(geoeffnetPanel, 0);
}

// One very long keyword in the list does not push the caption out of the
// window: it still says which keyword the list is for.
TEST_F(Keywortsuche, LangesKeywortVerdraengtDieUeberschriftNicht) {
  const int32_t a = Keyword("MIETE");
  Keyword(std::string(300, 'Z'));
  Dokument(kOrdner, "vertrag.doc", {a});
  Starten();
  F().txtDateisuchen->setText("miete");
  treiber_ = [&](frmDateiKeywörter& w) {
    ASSERT_EQ(w.Label1->text().toStdString(), "Liste der Dateien zu MIETE:");
    EXPECT_FALSE(w.Label1->isHidden());
    EXPECT_GE(w.Label1->width(), w.Label1->fontMetrics().horizontalAdvance("Liste der Dateien zu MIETE:"));
    EXPECT_LE(w.frameGeometry().width(), w.screen()->availableGeometry().width());
  };
  F().cmdSucheStarten->click();
  EXPECT_EQ(gezeigt_, 1);
}

// Writes a picture of the filled window when VXM_BILD names a file.
TEST_F(Keywortsuche, BildDesFensters) {
  const char* ziel = std::getenv("VXM_BILD");
  if (!ziel) GTEST_SKIP();
  const int32_t a = Keyword("RÜCKRUF");  // the caption shows a capital umlaut whole
  Dokument(kOrdner, "Mietvertrag.doc", {a});
  Dokument(kOrdner + "\\7", "Kaution.xls", {a});
  Dokument(kOrdner + "\\7\\3", "Beleg.pdf", {a});
  DateiAnlegen(kOrdner + "\\7\\Notiz.txt");
  Starten();
  F().txtDateisuchen->setText(QString::fromUtf8("rückruf"));
  treiber_ = [&](frmDateiKeywörter& w) {
    w.cmdShowDocList->click();
    w.grab().save(ziel);
  };
  F().cmdSucheStarten->click();
}

// Another workstation moved the hit's folder meanwhile: the removal says it
// removed nothing, instead of taking the hit off the list as if it had.
TEST_F(Keywortsuche, KeywortEntfernenEinesVerschobenenTreffersSagtEs) {
  const int32_t a = Keyword("MIETE");
  const int32_t nr = Dokument(kOrdner, "a.doc", {a});
  Starten();
  F().txtDateisuchen->setText("miete");
  dialoge_->Antworten = {vbYes};
  treiber_ = [&](frmDateiKeywörter& w) {
    Sql(register_, "UPDATE Dateiinfo SET Dateipfad = '" + kOrdner + "\\Neu' WHERE Dateinummer = " + std::to_string(nr));
    w.lstDateiGefunden->setCurrentItem(w.lstDateiGefunden->topLevelItem(0));
    w.cmdKeyLöschen->click();
    EXPECT_NE(dialoge_->Gezeigt.back().Text.find("Das Keywort wurde nicht entfernt"), std::string::npos)
        << dialoge_->Gezeigt.back().Text;
    EXPECT_EQ(w.lstDateiGefunden->topLevelItemCount(), 1);
  };
  F().cmdSucheStarten->click();
  EXPECT_EQ(Zeilen("SELECT * FROM KeywordZwischentabelle"), 1);
}

// Needs the keyword register's KeywEntfernen (a placeholder does nothing
// until it is linked in).
TEST_F(Keywortsuche, KeywortEntfernenNimmtDenEintragWeg) {
  const int32_t a = Keyword("MIETE");
  Dokument(kOrdner, "a.doc", {a});
  Dokument(kOrdner, "b.doc", {a});
  Starten();
  F().txtDateisuchen->setText("miete");
  dialoge_->Antworten = {vbOK, vbYes};
  treiber_ = [&](frmDateiKeywörter& w) {
    // A hit the keys merely passed (current, not selected) is no choice.
    w.lstDateiGefunden->setCurrentItem(w.lstDateiGefunden->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
    w.cmdKeyLöschen->click();
    EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Bitte Dokument aus Liste auswählen!");
    ASSERT_EQ(w.lstDateiGefunden->topLevelItemCount(), 2);
    w.cmdShowDocList->click();
    EXPECT_EQ(w.lstDateinamen->count(), 0) << "both documents carry the keyword";
    w.lstDateiGefunden->setCurrentItem(w.lstDateiGefunden->topLevelItem(1));
    w.cmdKeyLöschen->click();
    ASSERT_EQ(w.lstDateiGefunden->topLevelItemCount(), 1);
    EXPECT_EQ(w.lstDateiGefunden->topLevelItem(0)->text(0).toStdString(), "a.doc");
    // The document without the keyword now is one of "Liste aller Dokumente".
    ASSERT_EQ(w.lstDateinamen->count(), 1);
    EXPECT_TRUE(w.lstDateinamen->isVisible());
    EXPECT_EQ(w.lstDateinamen->item(0)->text().toStdString(), "b.doc");
    EXPECT_EQ(w.lstDateinamen->item(0)->toolTip().toStdString(), kOrdner);
    // Pressed again at once, it asks for a choice instead of taking the next hit.
    w.cmdKeyLöschen->click();
    EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Bitte Dokument aus Liste auswählen!");
  };
  F().cmdSucheStarten->click();
  EXPECT_EQ(Zeilen("SELECT * FROM KeywordZwischentabelle"), 1);
}

// The keyword window removes a keyword from the entry's own file: the main
// window keeps the folder and file the user left it on, and a registered
// file that is no longer on disk loses its keyword too (it used to hit
// whatever the main window had selected then).
TEST_F(Keywortsuche, KeywortEntfernenLaesstDieAuswahlDesHauptfensters) {
  const int32_t a = Keyword("MIETE");
  Dokument(kOrdner, "Vertrag.doc", {a});
  const int32_t weg = Dokument(kOrdner + "\\8", "weg.doc", {a});
  std::filesystem::remove(Host(kOrdner + "\\8\\weg.doc"));
  DateiAnlegen(kOrdner + "\\7\\Anhang.doc");
  Starten();
  F().OrdnerZeigen(kOrdner + "\\7");
  ASSERT_TRUE(F().DateiWaehlen("anhang.doc"));
  F().txtDateisuchen->setText("miete");
  dialoge_->Antworten = {vbYes, vbYes};
  std::vector<std::string> fragen;
  treiber_ = [&](frmDateiKeywörter& w) {
    for (const char* name : {"Vertrag.doc", "weg.doc"}) {
      for (int i = 0; i < w.lstDateiGefunden->topLevelItemCount(); ++i)
        if (w.lstDateiGefunden->topLevelItem(i)->text(0).toStdString() == name)
          w.lstDateiGefunden->setCurrentItem(w.lstDateiGefunden->topLevelItem(i));
      w.cmdKeyLöschen->click();
      fragen.push_back(dialoge_->Gezeigt.back().Text);
    }
    EXPECT_EQ(w.lstDateiGefunden->topLevelItemCount(), 0);
  };
  F().cmdSucheStarten->click();
  ASSERT_EQ(fragen.size(), 2u);
  EXPECT_NE(fragen[0].find("Vertrag.doc"), std::string::npos);
  EXPECT_NE(fragen[1].find("weg.doc"), std::string::npos);
  EXPECT_EQ(Zeilen("SELECT * FROM KeywordZwischentabelle"), 0);
  EXPECT_EQ(Zeilen("SELECT * FROM Dateiinfo WHERE Dateinummer = " + std::to_string(weg)), 0);
  EXPECT_EQ(F().dirListBox->Path(), kOrdner + "\\7");
  EXPECT_EQ(F().AktuelleDatei().Name, "Anhang.doc");
}

}  // namespace
}  // namespace vxm::test
