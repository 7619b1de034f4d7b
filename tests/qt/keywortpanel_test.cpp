// The keyword panel driven through its controls, with the register's three
// tables checked after each step.
#include <QFontMetrics>
#include <QImage>
#include <QTest>
#include <fstream>
#include <cstdlib>

#include "basis/zustand.h"
#include "component/qt/frmdorvex.h"
#include "keywords/qt/keywortpanel.h"
#include "keywords/register.h"
#include "platform/fehler.h"
#include "store/qt/ordnerbaum.h"
#include "tests/qt/qthilfen.h"

namespace vxm::test {
namespace {

using V = std::vector<std::string>;
const std::string kOrdner = "C:\\VXM\\VXMDOK\\1\\7\\3\\2";

class KeywortPanelTest : public FensterUmgebung {
 protected:
  void Starten(const std::string& keywords = "('MIETE')") {
    DateiAnlegen(kOrdner + "\\Brief.txt", "x");
    DateiAnlegen(kOrdner + "\\Plan.pdf", "x");
    Sql(register_, "INSERT INTO Keyword(Keyword) VALUES" + keywords + ";");
    ASSERT_TRUE(Laden());
    F().resize(1100, 760);
    F().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&F()));
    ASSERT_EQ(F().filListBox->FileName(), "Brief.txt");
  }
  Datenbank& Db() { return F().DOC_DATA.Database(); }
  V Spalte(const std::string& sql) {
    V r;
    for (Recordset rs = Db().OpenRecordset(sql); !rs.Eof(); rs.MoveNext()) r.push_back(rs.Text(rs.Feldnamen()[0]));
    return r;
  }
  V Keywords() { return Spalte("SELECT Keyword FROM Keyword"); }
  V Dateien() { return Spalte("SELECT Dateiname FROM Dateiinfo"); }
  std::size_t Links() { return Spalte("SELECT KeywordID FROM KeywordZwischentabelle").size(); }
  V Von(const std::string& name) { return KeywordsDerDateiLesen(Db(), DateiNummer(Db(), {name, kOrdner})); }
  static V Eintraege(QListWidget* l) {
    V r;
    for (int i = 0; i < l->count(); ++i) r.push_back(l->item(i)->text().toStdString());
    return r;
  }
  static void Waehlen(QListWidget* l, const std::string& text) {
    l->clearSelection();
    for (int i = 0; i < l->count(); ++i)
      if (l->item(i)->text().toStdString() == text) l->item(i)->setSelected(true);
  }
  void Kontext(QListWidget* l, QPoint p) { QTest::mouseRelease(l->viewport(), Qt::RightButton, {}, p); }
  void Menue(int eintrag) {
    ASSERT_FALSE(F().lstKeyword->isHidden());
    QListWidget* m = F().lstKeyword;
    QTest::mouseClick(m->viewport(), Qt::LeftButton, {}, m->visualItemRect(m->item(eintrag)).center());
  }
  void Klick(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
  // Typed text (the test library types ASCII only, so umlauts are inserted).
  void Schreiben(const QString& text) { F().txtEingabeKeyw->insert(text); }
  void Tippen(const QString& text) {
    Schreiben(text);
    QTest::keyClick(F().txtEingabeKeyw, Qt::Key_Return);
  }
};

TEST_F(KeywortPanelTest, OhneAusgewaehlteDateiNurMeldung) {
  OrdnerAnlegenHost(kOrdner + "\\Leer");
  Starten();
  F().dirListBox->SetPath(kOrdner + "\\Leer");
  F().KeywortPanelOeffnen();
  EXPECT_EQ(Meldungstexte(), V{"Bitte Dateinamen auswählen!"});
  EXPECT_TRUE(F().FrameKeywortBearbeitung->isHidden());
}

TEST_F(KeywortPanelTest, TippenZuweisenUmbenennenEntfernen) {
  Starten();
  F().KeywortPanelOeffnen();
  ASSERT_FALSE(F().FrameKeywortBearbeitung->isHidden());
  EXPECT_EQ(F().lblFilename->text().toStdString(), "Brief.txt");
  EXPECT_EQ(F().FrameAlleKeys->title().toStdString(), "Liste aller Schlüsselwörter:");
  EXPECT_EQ(F().FrameVorhandenKey->title().toStdString(), "Bereits ausgewählt:");
  EXPECT_EQ(Eintraege(F().lstKeyAuswahl), V{"MIETE"});
  EXPECT_TRUE(Eintraege(F().lstVorhandeneKeys).empty());  // no keywords yet

  // Right click over all keywords: the context list at the pointer.
  Kontext(F().lstKeyAuswahl, QPoint(30, 12));
  EXPECT_FALSE(F().lstKeyword->isHidden());
  const QPoint soll = F().lstKeyAuswahl->viewport()->mapTo(&F(), QPoint(30, 12));
  EXPECT_LE(std::abs(F().lstKeyword->x() - soll.x()), 4);
  EXPECT_LE(std::abs(F().lstKeyword->y() - soll.y()), 4);
  Menue(0);  // Neu
  EXPECT_TRUE(F().lstKeyword->isHidden());
  ASSERT_FALSE(F().txtEingabeKeyw->isHidden());
  EXPECT_FALSE(F().Frame3->isHidden());
  EXPECT_TRUE(F().txtEingabeKeyw->hasFocus());
  EXPECT_EQ(F().cmdClearText->text().toStdString(), "Beenden");
  Schreiben(QString::fromUtf8("miete, mängel"));
  EXPECT_EQ(F().cmdClearText->text().toStdString(), "Text löschen");
  QTest::keyClick(F().txtEingabeKeyw, Qt::Key_Return);
  EXPECT_TRUE(Meldungstexte().empty());
  EXPECT_EQ(Keywords(), (V{"MIETE", "MÄNGEL"}));
  EXPECT_EQ(Dateien(), V{"Brief.txt"});
  EXPECT_EQ(Links(), 2u);
  EXPECT_EQ(Eintraege(F().lstVorhandeneKeys), (V{"MIETE", "MÄNGEL"}));
  EXPECT_EQ(Eintraege(F().lstKeyAuswahl), (V{"MIETE", "MÄNGEL"}));
  EXPECT_TRUE(F().txtEingabeKeyw->isHidden());
  EXPECT_TRUE(F().cmdNeuKey->isHidden());

  // One of two already on the file: the other is attached, the name stays selected.
  Kontext(F().lstVorhandeneKeys, QPoint(10, 5));
  Menue(0);
  Schreiben(QString::fromUtf8("mängel kaution"));
  Klick(F().cmdNeuKey);
  EXPECT_EQ(Meldungstexte(), V{"Das Keywort MÄNGEL wurde der Datei Brief.txt bereits zugewiesen! Keine doppelten Einträge möglich"});
  EXPECT_EQ(F().txtEingabeKeyw->text().toStdString(), "MÄNGEL");
  EXPECT_EQ(F().txtEingabeKeyw->selectedText().toStdString(), "MÄNGEL");
  EXPECT_EQ(Links(), 3u);
  EXPECT_EQ(Von("Brief.txt"), (V{"MIETE", "MÄNGEL", "KAUTION"}));
  // Separators only: the empty-input message, nothing written.
  dialoge_->Gezeigt.clear();
  QTest::keyClick(F().txtEingabeKeyw, Qt::Key_A, Qt::ControlModifier);
  Tippen(" ;, ");
  EXPECT_EQ(Meldungstexte(), V{meldung::LeereEingabe});
  EXPECT_EQ(Links(), 3u);
  // Clear text, then close the input.
  Klick(F().cmdClearText);
  EXPECT_TRUE(F().txtEingabeKeyw->text().isEmpty());
  EXPECT_EQ(F().cmdClearText->text().toStdString(), "Beenden");
  Klick(F().cmdClearText);
  EXPECT_TRUE(F().Frame3->isHidden());
  EXPECT_TRUE(F().txtEingabeKeyw->isHidden());

  // Attach from the list of all keywords: nothing chosen, then a duplicate.
  dialoge_->Gezeigt.clear();
  F().lstKeyAuswahl->clearSelection();
  Klick(F().cmdKeyAddToData);
  Waehlen(F().lstKeyAuswahl, "MIETE");
  Klick(F().cmdKeyAddToData);
  EXPECT_EQ(Meldungstexte(), (V{meldung::NichtsAusgewaehlt, meldung::BereitsZugewiesen}));
  EXPECT_EQ(Links(), 3u);

  // "Ändern" far right in the file's list: X no further than 1205 twips.
  Kontext(F().lstVorhandeneKeys, QPoint(F().lstVorhandeneKeys->viewport()->width() - 2, 5));
  const int grenze = F().lstVorhandeneKeys->mapTo(&F(), QPoint(0, 0)).x() + int(Twips(1205) * F().Faktor());
  EXPECT_LE(F().lstKeyword->x(), grenze);
  Menue(0);
  Kontext(F().lstVorhandeneKeys, QPoint(5, 5));
  Menue(1);  // Ändern closes the input box
  EXPECT_TRUE(F().txtEingabeKeyw->isHidden());
  ASSERT_FALSE(F().FrameÄnderung->isHidden());
  // The two options exclude each other.
  F().chckAlleDat->setChecked(true);
  F().chckNurDieseDat->setChecked(true);
  EXPECT_FALSE(F().chckAlleDat->isChecked());
  F().chckAlleDat->setChecked(true);
  EXPECT_FALSE(F().chckNurDieseDat->isChecked());
  Waehlen(F().lstVorhandeneKeys, "KAUTION");
  dialoge_->Gezeigt.clear();
  dialoge_->Eingaben = {"Sicherheit"};
  dialoge_->Antworten = {vbOK};
  Klick(F().cmdÄnderKeyw);
  EXPECT_EQ(Meldungstexte(), V{meldung::AlleDateienFrage(1)});
  EXPECT_EQ(Keywords(), (V{"MIETE", "MÄNGEL", "SICHERHEIT"}));
  EXPECT_EQ(Eintraege(F().lstVorhandeneKeys), (V{"MIETE", "MÄNGEL", "SICHERHEIT"}));
  EXPECT_EQ(Eintraege(F().lstKeyAuswahl), (V{"MIETE", "MÄNGEL", "SICHERHEIT"}));
  EXPECT_TRUE(F().FrameÄnderung->isHidden());
  EXPECT_FALSE(F().chckAlleDat->isChecked());
  // A new name that differs from an existing one only in case is refused.
  Kontext(F().lstVorhandeneKeys, QPoint(5, 5));
  Menue(1);
  F().chckAlleDat->setChecked(true);
  Waehlen(F().lstVorhandeneKeys, "SICHERHEIT");
  dialoge_->Gezeigt.clear();
  dialoge_->Eingaben = {"miete"};
  Klick(F().cmdÄnderKeyw);
  EXPECT_EQ(Meldungstexte(), V{"Das Keyword MIETE ist bereits vorhanden!"});
  EXPECT_EQ(Keywords(), (V{"MIETE", "MÄNGEL", "SICHERHEIT"}));

  // Close: the file stays selected and shows its keyword line.
  F().txtDateisuchen->setText("suche");
  Klick(F().cmdKeyBearbEnde);
  EXPECT_TRUE(F().FrameKeywortBearbeitung->isHidden());
  EXPECT_TRUE(F().txtDateisuchen->text().isEmpty());
  EXPECT_EQ(F().filListBox->FileName(), "Brief.txt");
  EXPECT_EQ(F().txtVorhandenKeyw->text().toStdString(), "MIETE; MÄNGEL; SICHERHEIT");

  // The other file: attach MIETE, rename it for this file only, remove it.
  F().filListBox->SetListIndex(1);
  ASSERT_EQ(F().filListBox->FileName(), "Plan.pdf");
  F().KeywortPanelOeffnen();
  EXPECT_TRUE(Eintraege(F().lstVorhandeneKeys).empty());
  Waehlen(F().lstKeyAuswahl, "MIETE");
  Klick(F().cmdKeyAddToData);
  EXPECT_EQ(Von("Plan.pdf"), V{"MIETE"});
  EXPECT_EQ(Dateien(), (V{"Brief.txt", "Plan.pdf"}));
  Kontext(F().lstVorhandeneKeys, QPoint(5, 5));
  Menue(1);
  F().chckNurDieseDat->setChecked(true);
  Waehlen(F().lstVorhandeneKeys, "MIETE");
  dialoge_->Eingaben = {"warmmiete"};
  Klick(F().cmdÄnderKeyw);
  EXPECT_EQ(Von("Plan.pdf"), V{"WARMMIETE"});
  EXPECT_EQ(Von("Brief.txt"), (V{"MIETE", "MÄNGEL", "SICHERHEIT"}));
  EXPECT_EQ(Keywords(), (V{"MIETE", "MÄNGEL", "SICHERHEIT", "WARMMIETE"}));
  EXPECT_EQ(Eintraege(F().lstKeyAuswahl).back(), "WARMMIETE");

  // Löschen: without a choice, declined, then done; the panel stays open.
  dialoge_->Gezeigt.clear();
  F().lstVorhandeneKeys->clearSelection();
  Kontext(F().lstVorhandeneKeys, QPoint(5, 5));
  Menue(2);
  Waehlen(F().lstVorhandeneKeys, "WARMMIETE");
  dialoge_->Antworten = {vbNo};
  Kontext(F().lstVorhandeneKeys, QPoint(5, 5));
  Menue(2);
  EXPECT_EQ(Meldungstexte(), (V{meldung::NichtsAusgewaehlt, meldung::EntfernenFrage("WARMMIETE", "Plan.pdf"),
                                meldung::Abgebrochen}));
  EXPECT_EQ(Von("Plan.pdf"), V{"WARMMIETE"});
  dialoge_->Antworten = {vbYes};
  Waehlen(F().lstVorhandeneKeys, "WARMMIETE");
  ASSERT_EQ(F().txtVorhandenKeyw->text().toStdString(), "WARMMIETE");
  Kontext(F().lstVorhandeneKeys, QPoint(5, 5));
  Menue(2);
  EXPECT_TRUE(Eintraege(F().lstVorhandeneKeys).empty());
  EXPECT_TRUE(F().txtVorhandenKeyw->text().isEmpty()) << "the details beside keep in step with the last removal too";
  EXPECT_FALSE(F().FrameKeywortBearbeitung->isHidden());
  EXPECT_EQ(Dateien(), V{"Brief.txt"});  // no longer registered
  EXPECT_EQ(Links(), 3u);
  EXPECT_EQ(Keywords().size(), 4u);  // the keyword stays
  Klick(F().cmdKeyBearbEnde);
  EXPECT_EQ(F().filListBox->FileName(), "Plan.pdf");  // still selected without keywords
  EXPECT_TRUE(F().txtVorhandenKeyw->text().isEmpty());
}

// Whatever is clicked while the panel is open, a change goes to the file
// the panel names: another file selected takes the panel along; a folder
// without a selected file leaves it on its file.
TEST_F(KeywortPanelTest, AenderungenTreffenDieGenannteDatei) {
  OrdnerAnlegenHost(kOrdner + "\\Leer");
  DateiAnlegen(kOrdner + "\\Andere\\Fremd.txt", "x");
  Starten("('MIETE'), ('KAUTION')");
  F().KeywortPanelOeffnen();
  ASSERT_EQ(F().lblFilename->text().toStdString(), "Brief.txt");

  F().filListBox->SetListIndex(1);
  EXPECT_EQ(F().lblFilename->text().toStdString(), "Plan.pdf");
  Waehlen(F().lstKeyAuswahl, "MIETE");
  Klick(F().cmdKeyAddToData);
  EXPECT_EQ(Von("Plan.pdf"), V{"MIETE"});
  EXPECT_EQ(Eintraege(F().lstVorhandeneKeys), V{"MIETE"});
  EXPECT_EQ(F().txtVorhandenKeyw->text().toStdString(), "MIETE") << "the details beside keep in step";
  EXPECT_TRUE(Von("Brief.txt").empty());

  // A folder with nothing selected: typed keywords still go to Plan.pdf.
  F().dirListBox->SetPath(kOrdner + "\\Leer");
  ASSERT_EQ(F().filListBox->ListIndex(), -1);
  EXPECT_EQ(F().lblFilename->text().toStdString(), "Plan.pdf");
  Kontext(F().lstVorhandeneKeys, QPoint(10, 5));
  Menue(0);
  Tippen("kaution");
  EXPECT_EQ(Von("Plan.pdf"), (V{"MIETE", "KAUTION"}));
  dialoge_->Antworten = {vbYes};
  Waehlen(F().lstVorhandeneKeys, "MIETE");
  Kontext(F().lstVorhandeneKeys, QPoint(5, 5));
  Menue(2);
  EXPECT_EQ(Von("Plan.pdf"), V{"KAUTION"});
  EXPECT_EQ(Dateien(), V{"Plan.pdf"});  // nothing registered in the empty folder

  // A folder whose first file is selected, as a click in the tree does.
  F().dirListBox->SetPath(kOrdner + "\\Andere");
  ASSERT_EQ(F().filListBox->FileName(), "Fremd.txt");
  EXPECT_EQ(F().lblFilename->text().toStdString(), "Fremd.txt");
  EXPECT_TRUE(Eintraege(F().lstVorhandeneKeys).empty());
  Waehlen(F().lstKeyAuswahl, "KAUTION");
  Klick(F().cmdKeyAddToData);
  EXPECT_EQ(KeywordsDerDateiLesen(Db(), DateiNummer(Db(), {"Fremd.txt", kOrdner + "\\Andere"})), V{"KAUTION"});
  EXPECT_EQ(Von("Plan.pdf"), V{"KAUTION"});

  // Keywords typed for one file and not confirmed do not follow the panel
  // to the next file: Enter there attaches nothing meant for the first.
  F().dirListBox->SetPath(kOrdner);
  F().filListBox->SetListIndex(0);
  ASSERT_EQ(F().lblFilename->text().toStdString(), "Brief.txt");
  Kontext(F().lstVorhandeneKeys, QPoint(10, 5));
  Menue(0);
  Schreiben("wichtig");
  F().filListBox->SetListIndex(1);
  ASSERT_EQ(F().lblFilename->text().toStdString(), "Plan.pdf");
  EXPECT_TRUE(F().txtEingabeKeyw->text().isEmpty());
  QTest::keyClick(F().txtEingabeKeyw, Qt::Key_Return);
  EXPECT_EQ(Von("Plan.pdf"), V{"KAUTION"});
  EXPECT_TRUE(Von("Brief.txt").empty());
}

// Another workstation or program renames, moves or deletes what the panel
// shows: no keyword lands on a file that is gone, nor on another file the
// window selects by itself; a renamed folder takes the panel along.
TEST_F(KeywortPanelTest, AeussereAenderungenLenkenKeineKeywoerterUm) {
  DateiAnlegen(kOrdner + "\\Post\\Antwort.txt", "a");
  DateiAnlegen(kOrdner + "\\Post\\Brief an Bäcker.txt", "b");
  Starten("('MIETE'), ('KAUTION')");
  F().Baum->NodeClick(F().Baum->Knoten(kOrdner + "\\Post\\"));
  F().filListBox->SetListIndex(1);
  ASSERT_EQ(F().filListBox->FileName(), "Brief an Bäcker.txt");
  F().KeywortPanelOeffnen();
  ASSERT_EQ(F().lblFilename->text().toStdString(), "Brief an Bäcker.txt");
  // The folder renamed by a colleague: the window and the panel follow it.
  std::filesystem::rename(Host(kOrdner + "\\Post"), Host(kOrdner + "\\Briefe"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return F().filListBox->Path() == kOrdner + "\\Briefe"; }, 5000))
      << F().filListBox->Path();
  EXPECT_EQ(F().lblFilename->text().toStdString(), "Brief an Bäcker.txt");
  Tippen("miete");
  const auto nr = DateiNummer(Db(), {"Brief an Bäcker.txt", kOrdner + "\\Briefe"});
  EXPECT_EQ(KeywordsDerDateiLesen(Db(), nr), V{"MIETE"});
  EXPECT_EQ(DateiNummer(Db(), {"Antwort.txt", kOrdner + "\\Briefe"}), 0);
  // The folder removed: the window shows the one above and selects its
  // first file, but the panel stays on its file and writes nothing.
  std::filesystem::remove_all(Host(kOrdner + "\\Briefe"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return F().filListBox->Path() == kOrdner; }, 5000)) << F().filListBox->Path();
  EXPECT_EQ(F().lblFilename->text().toStdString(), "Brief an Bäcker.txt");
  const std::size_t links = Links();
  Tippen("kaution");
  EXPECT_EQ(Links(), links);
  EXPECT_TRUE(Von("Brief.txt").empty());
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  EXPECT_NE(dialoge_->Gezeigt.back().Text.find("ist nicht mehr vorhanden"), std::string::npos)
      << dialoge_->Gezeigt.back().Text;
  EXPECT_EQ(F().txtEingabeKeyw->text().toStdString(), "kaution") << "the typed text stays";
  // A file deleted by another workstation while its panel is open.
  F().KeywortPanelOeffnen();
  ASSERT_EQ(F().lblFilename->text().toStdString(), "Brief.txt");
  std::filesystem::remove(Host(kOrdner + "\\Brief.txt"));
  F().txtEingabeKeyw->clear();
  Waehlen(F().lstKeyAuswahl, "MIETE");
  Klick(F().cmdKeyAddToData);
  EXPECT_EQ(DateiNummer(Db(), {"Brief.txt", kOrdner}), 0) << "no row for a file that is gone";
}

// Names another program may give a file that the store's paths cannot hold:
// the panel says why it writes nothing, instead of calling the file gone.
TEST_F(KeywortPanelTest, NamenMitVerbotenenZeichenBekommenEineKlareMeldung) {
  DateiAnlegen(kOrdner + "\\Brief.txt", "x");
  for (const char* name : {"Zitat \"hallo\".txt", "stern*frage?.txt", "tab\tname.txt"})
    std::ofstream(Host(kOrdner) / name) << "x";
  Starten();
  for (const std::string name : {"Zitat \"hallo\".txt", "stern*frage?.txt", "tab\tname.txt"}) {
    int zeile = -1;
    for (int i = 0; i < F().filListBox->ListCount(); ++i)
      if (F().filListBox->List(i) == name) zeile = i;
    ASSERT_GE(zeile, 0) << name;
    F().filListBox->SetListIndex(zeile);
    F().KeywortPanelOeffnen();
    Waehlen(F().lstKeyAuswahl, "MIETE");
    Klick(F().cmdKeyAddToData);
    ASSERT_FALSE(dialoge_->Gezeigt.empty());
    EXPECT_NE(dialoge_->Gezeigt.back().Text.find("enthält ein Zeichen"), std::string::npos)
        << dialoge_->Gezeigt.back().Text;
    EXPECT_TRUE(Dateien().empty()) << name;
    Klick(F().cmdKeyBearbEnde);
  }
}

// Esc closes the panel as "Ende" does, and the keyboard goes on in the file list.
// The lists' keywords stay where they are when the input for new keywords
// opens and closes: a click aimed at one does not land on its neighbour.
TEST_F(KeywortPanelTest, ListenSpringenNichtMitDerEingabe) {
  Starten("('MIETE'), ('KAUTION')");
  F().KeywortPanelOeffnen();
  const auto ort = [&] {
    QApplication::processEvents();
    return F().lstKeyAuswahl->mapTo(&F(), QPoint(0, 0));
  };
  const QPoint vorher = ort();
  Kontext(F().lstVorhandeneKeys, QPoint(10, 5));
  Menue(0);
  ASSERT_FALSE(F().Frame3->isHidden());
  EXPECT_EQ(ort(), vorher);
  Klick(F().cmdClearText);  // "Beenden"
  ASSERT_TRUE(F().Frame3->isHidden());
  EXPECT_EQ(ort(), vorher);
}

// A register out of reach: the message says what was not done; any other
// error is left to the general error report.
TEST_F(KeywortPanelTest, ServerNichtErreichbarSagtWasNichtGeschah) {
  const VbFehler aus(fehlernr::ServerNichtErreichbar, "Der Datenbankserver db1 (Datenbank vxm) ist nicht erreichbar.");
  EXPECT_TRUE(ServerAbgewiesen(aus, "Das Keywort MIETE wurde der Datei Brief.txt nicht zugewiesen"));
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text,
            "Der Datenbankserver db1 (Datenbank vxm) ist nicht erreichbar.\r\nDas Keywort MIETE wurde der Datei "
            "Brief.txt nicht zugewiesen, es wurde nichts verändert.");
  EXPECT_FALSE(ServerAbgewiesen(VbFehler(fehlernr::Gesperrt, "gesperrt"), "nichts"));
  EXPECT_FALSE(ServerAbgewiesen(std::runtime_error("x"), "nichts"));
  EXPECT_EQ(dialoge_->Gezeigt.size(), 1u);
}

TEST_F(KeywortPanelTest, EscSchliesstUndDerFokusGehtZurDateiliste) {
  Starten();
  F().filListBox->SetListIndex(1);
  F().KeywortPanelOeffnen();
  ASSERT_FALSE(F().FrameKeywortBearbeitung->isHidden());
  ASSERT_TRUE(F().lstKeyAuswahl->hasFocus());
  QTest::keyClick(F().lstKeyAuswahl, Qt::Key_Escape);
  EXPECT_TRUE(F().FrameKeywortBearbeitung->isHidden());
  EXPECT_TRUE(F().filListBox->hasFocus());
  EXPECT_EQ(F().filListBox->FileName(), "Plan.pdf");
}

TEST_F(KeywortPanelTest, ZuVieleKeywordsAufEinmal) {
  Starten();
  F().KeywortPanelOeffnen();
  Kontext(F().lstKeyAuswahl, QPoint(5, 5));
  Menue(0);
  QString viele;
  for (int i = 0; i < 200; ++i) viele += QString("w%1 ").arg(i);
  Tippen(viele);
  EXPECT_EQ(Meldungstexte(), V{meldung::ZuVieleKeywords});
  EXPECT_EQ(Keywords(), V{"MIETE"});
  EXPECT_TRUE(Dateien().empty());
  EXPECT_EQ(Links(), 0u);
  // A wildcard without match becomes its prefix.
  F().txtEingabeKeyw->clear();
  Tippen("zz*");
  EXPECT_EQ(Von("Brief.txt"), V{"ZZ"});
}

// Renders the window with the panel open (and the rename options) when
// VXM_PANEL_BILD names a PNG file, to look at the layout.
// A capital umlaut is drawn whole: its row is as tall as the letter with its dots.
TEST_F(KeywortPanelTest, GrossbuchstabenMitUmlautWerdenGanzGezeigt) {
  Starten("('MIETE'),('ÜBERGABEPROTOKOLL')");
  F().KeywortPanelOeffnen();
  F().show();
  QApplication::processEvents();
  auto* liste = F().lstKeyAuswahl;
  const auto treffer = liste->findItems(QString::fromUtf8("ÜBERGABEPROTOKOLL"), Qt::MatchExactly);
  ASSERT_EQ(treffer.size(), 1);
  // The line is centred in its row: the dots' top must stay inside the row.
  const QFontMetrics m(liste->font());
  const int zeile = liste->visualItemRect(treffer[0]).height();
  const int oben = (zeile - m.height()) / 2 + m.ascent() + m.boundingRect(QString::fromUtf8("Ü")).top();
  EXPECT_GE(oben, 0) << "row " << zeile << ", line " << m.height() << ", ascent " << m.ascent();
}

TEST_F(KeywortPanelTest, Bild) {
  const char* ziel = std::getenv("VXM_PANEL_BILD");
  if (!ziel) GTEST_SKIP() << "VXM_PANEL_BILD not set";
  Starten("('MIETE'),('NEBENKOSTEN'),('KAUTION'),('ÜBERGABEPROTOKOLL')");
  F().KeywortPanelOeffnen();
  Kontext(F().lstKeyAuswahl, QPoint(5, 5));
  Menue(0);
  Tippen("miete nebenkosten");
  Kontext(F().lstKeyAuswahl, QPoint(5, 5));
  Menue(0);
  Schreiben("kaution");
  Kontext(F().lstVorhandeneKeys, QPoint(40, 20));
  QApplication::processEvents();
  EXPECT_TRUE(F().grab().toImage().save(ziel));
  Menue(1);
  QApplication::processEvents();
  EXPECT_TRUE(F().grab().toImage().save(QString::fromUtf8(ziel) + "_aendern.png"));
}

}  // namespace
}  // namespace vxm::test
