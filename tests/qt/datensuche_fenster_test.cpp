// Name and text search from the search panel and the result list: entries
// and keys, the ways back to the folder view, the messages, cancelling.
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTimer>
#include <cstdlib>

#include "basis/zustand.h"
#include "files/dateidetails.h"
#include "search/datensuche.h"
#include "search/qt/datensuche_fenster.h"
#include "store/qt/ordnerbaum.h"
#include "tests/qt/qthilfen.h"

namespace vxm::test {
namespace {

class Suche : public FensterUmgebung {
 protected:
  void SetUp() override {
    FensterUmgebung::SetUp();
    DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Mietvertrag.txt", "Mietvertrag zwischen ...\r\n");
    DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\Brief.doc", "Sehr geehrte Damen");
    DateiAnlegen("C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz\\Brief.doc", "Ihre K\xc3\x9cNDIGUNG vom");
    DateiAnlegen("C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz\\Müller Übergabe.pdf", "%PDF k\xfcndigung");
    DateiAnlegen("C:\\VXM\\VXMDOK\\1\\9\\Rechnung.xls", "nichts");
  }

  DatenSucheFenster& D() { return *DatenSucheFenster::Von(F()); }
  QTreeWidget& Liste() { return *F().gefundenviewBox; }
  QTreeWidgetItem* Eintrag(const std::string& ordner) {
    for (int i = 0; i < Liste().topLevelItemCount(); ++i)
      if (Liste().topLevelItem(i)->text(1).toStdString() == ordner) return Liste().topLevelItem(i);
    return nullptr;
  }
  void Namensuche(const std::string& text) {
    F().txtDateisuchen->setText(QString::fromStdString(text));
    F().comsuchen->click();
  }
  void Esc() {
    QKeyEvent taste(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&F(), &taste);
  }
};

TEST_F(Suche, NamenssucheListetJedenTrefferMitSymbolPfadUndSchluessel) {
  ASSERT_TRUE(Laden());
  const std::string vorher = F().dirListBox->Path();
  Namensuche("brief");
  EXPECT_TRUE(dialoge_->Gezeigt.empty()) << Meldungstexte().front();
  // "brief." as the split writes it: the name mode keeps the final "."
  // (only the keyword mode filters it).
  EXPECT_EQ(F().txtDateisuchen->text().toStdString(), "brief.");
  // Same name in two folders: two entries, two keys.
  ASSERT_EQ(Liste().topLevelItemCount(), 2);
  auto* a = Eintrag("C:\\VXM\\VXMDOK\\1\\7");
  auto* b = Eintrag("C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->text(0).toStdString(), "Brief.doc");
  EXPECT_EQ(b->text(0).toStdString(), "Brief.doc");
  EXPECT_NE(a->data(0, Qt::UserRole + 1), b->data(0, Qt::UserRole + 1));
  EXPECT_EQ(b->data(0, Qt::UserRole + 1).toString().toStdString(),
            "C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz\\Brief.doc");
  EXPECT_FALSE(a->icon(0).isNull());
  EXPECT_EQ(Liste().headerItem()->text(0).toStdString(), "Datei");
  EXPECT_EQ(Liste().headerItem()->text(1).toStdString(), "Pfad");
  EXPECT_GT(Liste().columnWidth(0), 20);
  EXPECT_EQ(F().lblanzahldateien->text().toStdString(), "2");
  // Result view: list shown, folder and file lists hidden, paths restored.
  EXPECT_FALSE(F().gefdatframe->isHidden());
  EXPECT_FALSE(Liste().isHidden());
  EXPECT_TRUE(F().filListBox->isHidden());
  EXPECT_FALSE(F().cmdOrdner->isHidden());
  EXPECT_TRUE(F().DirChangeAktiv);
  EXPECT_EQ(F().dirListBox->Path(), vorher);
  EXPECT_TRUE(F().lblStatus->isHidden());
  EXPECT_TRUE(D().AbbrechenKnopf()->isHidden());
  // The tree grew down to the hit's folder, with the store's node rules.
  auto* k = F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz\\");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(OrdnerBaum::Text(k), "Korrespondenz");
  EXPECT_EQ(OrdnerBaum::Schluessel(k->parent()), "C:\\VXM\\VXMDOK\\1\\8\\");
}

TEST_F(Suche, KlickFuehrtZumOrdnerDoppelklickZurueckInDieOrdneransicht) {
  ASSERT_TRUE(Laden());
  Namensuche("brief");
  auto* b = Eintrag("C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz");
  ASSERT_NE(b, nullptr);
  D().gefundenviewBox_ItemClick(b);
  auto& z = Zustand();
  EXPECT_EQ(z.TrefferOrdner, "C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz");
  EXPECT_EQ(z.TrefferDatei, "Brief.doc");
  EXPECT_EQ(F().dirListBox->Path(), "C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz");
  EXPECT_EQ(F().filListBox->Path(), "C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz");
  EXPECT_EQ(F().filListBox->ListCount(), 2);
  EXPECT_EQ(F().lblName->text().toStdString(), "Brief.doc");
  EXPECT_EQ(F().lblGroesse->text().toStdString(), "Größe: ,02 KB");
  // Still the result view until the double click.
  EXPECT_FALSE(F().gefdatframe->isHidden());
  D().gefundenviewBox_DblClick();
  EXPECT_EQ(F().filListBox->FileName(), "Brief.doc");
  EXPECT_EQ(OrdnerBaum::Schluessel(F().Baum->Ausgewaehlt()), "C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz\\");
  EXPECT_TRUE(F().gefdatframe->isHidden());
  EXPECT_FALSE(F().filListBox->isHidden());
  EXPECT_FALSE(F().tvwDir->isHidden());
  EXPECT_TRUE(F().cmdOrdner->isHidden());
  EXPECT_TRUE(F().txtDateisuchen->text().isEmpty());
  EXPECT_EQ(F().lblanzahldateien->text().toStdString(), "0");
  // Folder changes refill the file list again.
  F().dirListBox->SetPath("C:\\VXM\\VXMDOK\\1\\9");
  EXPECT_EQ(F().filListBox->FileName(), "Rechnung.xls");
}

// The details of a hit show its own type icon, not that of the file its
// folder lists first.
TEST_F(Suche, TrefferZeigtSeinEigenesSymbol) {
  ASSERT_TRUE(Laden());
  Namensuche("übergabe");
  auto* e = Eintrag("C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz");
  ASSERT_NE(e, nullptr);
  D().gefundenviewBox_ItemClick(e);
  EXPECT_EQ(F().filListBox->List(0), "Brief.doc");
  ASSERT_EQ(F().lstIcon->topLevelItemCount(), 1);
  const auto bild = [](const QIcon& i) { return i.pixmap(16, 16).toImage(); };
  EXPECT_EQ(bild(F().lstIcon->topLevelItem(0)->icon(0)), bild(DateiSymbol(IconSetzen("pdf"))));
  EXPECT_NE(bild(DateiSymbol(IconSetzen("pdf"))), bild(DateiSymbol(IconSetzen("doc"))));
}

// A text search ends with its first hit selected: the preview then belongs
// to that hit, not to the picture selected before the search.
TEST_F(Suche, VorschauGehoertZumErstenTreffer) {
  QImage bild(8, 8, QImage::Format_RGB32);
  bild.fill(Qt::red);
  ASSERT_TRUE(bild.save(QString::fromStdString(Host("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Foto.png").string())));
  ASSERT_TRUE(Laden());
  for (int i = 0; i < F().filListBox->ListCount(); ++i)
    if (F().filListBox->List(i) == "Foto.png") F().filListBox->SetListIndex(i);
  ASSERT_FALSE(F().picBox->pixmap().isNull());
  F().optSuchenDok->setChecked(false);
  F().optTextInhalt->setChecked(true);
  F().txtDateisuchen->setText("Damen");
  F().DatenSucheStarten();
  ASSERT_EQ(Liste().topLevelItemCount(), 1);
  EXPECT_EQ(F().lblName->text().toStdString(), "Brief.doc");
  EXPECT_TRUE(F().picBox->pixmap().isNull()) << "a letter has no picture";
  EXPECT_FALSE(F().BildGezeigt);
}

// The shown folder changes while the results stand: the details stay with
// the highlighted hit, and the folder view keeps its own selection.
TEST_F(Suche, OrdneraenderungLaesstDieDetailsDesTreffers) {
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Aaa.txt", "erste");
  ASSERT_TRUE(Laden());
  ASSERT_EQ(F().filListBox->FileName(), "Aaa.txt");
  F().optSuchenDok->setChecked(false);
  F().optTextInhalt->setChecked(true);
  F().txtDateisuchen->setText("Damen");
  F().DatenSucheStarten();
  ASSERT_EQ(Liste().topLevelItemCount(), 1);
  const QString treffer = F().lblName->text();
  ASSERT_EQ(treffer.toStdString(), "Brief.doc");
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Aab.txt", "neu");
  F().DateilisteAuffrischen();
  EXPECT_EQ(F().lblName->text(), treffer);
  EXPECT_EQ(F().filListBox->FileName(), "Aaa.txt");
  // The selected file of the hidden folder view goes: still the hit's details.
  std::filesystem::remove(Host("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Aaa.txt"));
  F().DateilisteAuffrischen();
  EXPECT_EQ(F().lblName->text(), treffer);
}

// A hit's keywords in the details carry their caption, and a long line
// shows its first keywords.
TEST_F(Suche, SchluesselwoerterDesTreffersMitBeschriftung) {
  const std::string lang(120, 'L');
  Sql(register_,
      "INSERT INTO Keyword(Keyword) VALUES('ANREDE'), ('" + lang + "');"
      "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('Brief.doc', 'C:\\VXM\\VXMDOK\\1\\7');"
      "INSERT INTO KeywordZwischentabelle(Dateinummer, KeywordID) VALUES(1, 1), (1, 2);");
  ASSERT_TRUE(Laden());
  F().optSuchenDok->setChecked(false);
  F().optTextInhalt->setChecked(true);
  F().txtDateisuchen->setText("Damen");
  F().DatenSucheStarten();
  ASSERT_EQ(Liste().topLevelItemCount(), 1);
  EXPECT_EQ(F().txtVorhandenKeyw->text().toStdString(), "ANREDE; " + lang);
  EXPECT_FALSE(F().Label6->isHidden());
  EXPECT_FALSE(F().txtVorhandenKeyw->isHidden());
  EXPECT_EQ(F().txtVorhandenKeyw->cursorPosition(), 0);
}

TEST_F(Suche, TextsucheFindetUmlauteInUtf8UndWindows1252UndOrdnerFuehrtZurDatei) {
  ASSERT_TRUE(Laden());
  ASSERT_TRUE(F().DatenSucheStarten);
  F().optSuchenDok->setChecked(false);
  F().optTextInhalt->setChecked(true);
  F().txtDateisuchen->setText(QString::fromUtf8("Kündigung"));
  F().DatenSucheStarten();
  EXPECT_TRUE(dialoge_->Gezeigt.empty()) << Meldungstexte().front();
  ASSERT_EQ(Liste().topLevelItemCount(), 2);
  EXPECT_EQ(Liste().topLevelItem(0)->text(0).toStdString(), "Brief.doc");
  EXPECT_EQ(Liste().topLevelItem(1)->text(0).toStdString(), "Müller Übergabe.pdf");
  EXPECT_EQ(F().lblanzahldateien->text().toStdString(), "2");
  EXPECT_TRUE(F().tvwDir->isHidden());
  EXPECT_TRUE(F().lstIcon->isHidden());
  // The first hit is selected with its details.
  EXPECT_EQ(Liste().currentItem(), Liste().topLevelItem(0));
  EXPECT_EQ(F().lblName->text().toStdString(), "Brief.doc");
  // Every file passed is in the file table, hit or not.
  EXPECT_EQ(Zustand().DateiTabelle.size(), 5u);
  EXPECT_TRUE(Zustand().DateiTabelleVollstaendig);

  // "Ordner" with the second hit: its folder (which the tree had not
  // loaded yet) and the file are selected in the folder view.
  Liste().setCurrentItem(Liste().topLevelItem(1));
  F().cmdOrdner->click();
  EXPECT_EQ(F().dirListBox->Path(), "C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz");
  EXPECT_EQ(F().filListBox->FileName(), "Müller Übergabe.pdf");
  EXPECT_EQ(OrdnerBaum::Schluessel(F().Baum->Ausgewaehlt()), "C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz\\");
  EXPECT_TRUE(F().gefdatframe->isHidden());
  EXPECT_FALSE(F().tvwDir->isHidden());
  EXPECT_FALSE(F().lstIcon->isHidden());
  EXPECT_FALSE(F().chckNurOneFold->isChecked());
}

TEST_F(Suche, EnthaltenerTextUndNurAusgewaehlterOrdner) {
  ASSERT_TRUE(Laden());
  F().dirListBox->SetPath("C:\\VXM\\VXMDOK\\1\\8");
  F().chckNurOneFold->setChecked(true);
  F().chckSucheTextInFile->setChecked(true);
  // Name mode is set, but "enthaltener Text" searches the contents.
  ASSERT_TRUE(F().optSuchenDok->isChecked());
  F().txtDateisuchen->setText(QString::fromUtf8("ÜBERGABE"));
  F().comsuchen->click();
  EXPECT_EQ(Meldungstexte(), std::vector<std::string>{kMeldungKeineSuchergebnisse});
  F().txtDateisuchen->setText("KÜNDIGUNG");
  F().comsuchen->click();
  ASSERT_EQ(Liste().topLevelItemCount(), 2);
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(Liste().topLevelItem(i)->text(1).toStdString(), "C:\\VXM\\VXMDOK\\1\\8\\Korrespondenz");
  // Only the chosen folder was walked.
  EXPECT_EQ(Zustand().DateiTabelle.size(), 2u);
}

TEST_F(Suche, UmlauteImNamenUndKeinTrefferGibtDieOrdneransichtZurueck) {
  ASSERT_TRUE(Laden());
  Namensuche("MÜLLER");
  ASSERT_EQ(Liste().topLevelItemCount(), 1);
  EXPECT_EQ(Liste().topLevelItem(0)->text(0).toStdString(), "Müller Übergabe.pdf");

  // Name search without a hit: back to the folders, no message.
  Namensuche("gibtsnicht");
  EXPECT_EQ(Liste().topLevelItemCount(), 0);
  EXPECT_TRUE(F().gefdatframe->isHidden());
  EXPECT_FALSE(F().tvwDir->isHidden());
  EXPECT_TRUE(dialoge_->Gezeigt.empty());

  // Data search without a hit: the message, the folders, the text kept.
  F().txtDateisuchen->setText("gibtsnicht");
  F().DatenSucheStarten();
  EXPECT_EQ(Meldungstexte(), std::vector<std::string>{kMeldungKeineSuchergebnisse});
  EXPECT_TRUE(F().gefdatframe->isHidden());
  EXPECT_FALSE(F().tvwDir->isHidden());
  EXPECT_FALSE(F().filListBox->isHidden());
  EXPECT_EQ(F().txtDateisuchen->text().toStdString(), "gibtsnicht");
}

// Back at the folders after a search without a hit: the captions name the
// entity of the folder shown, not that of the last search's first hit.
TEST_F(Suche, OhneTrefferZurueckMitDenBeschriftungenDesOrdners) {
  ASSERT_TRUE(Laden());
  F().dirListBox->SetPath("C:\\VXM\\VXMDOK\\1\\9");
  const auto beschriftungen = [&] {
    return F().lblObjName->text().toStdString() + "|" + F().lblBeName->text().toStdString() + "|" +
           F().lblBnName->text().toStdString() + "|" + (F().vxmAnzeige->isHidden() ? "aus" : "an");
  };
  const std::string imOrdner = beschriftungen();
  const auto suchen = [&](const char* text) {
    F().txtDateisuchen->setText(text);
    F().DatenSucheStarten();
  };
  suchen("mietvertrag");
  ASSERT_EQ(Liste().topLevelItemCount(), 1);
  ASSERT_NE(beschriftungen(), imOrdner) << "the hit's tenant is shown";
  suchen("gibtsnicht");
  ASSERT_FALSE(F().tvwDir->isHidden());
  EXPECT_EQ(F().dirListBox->Path(), "C:\\VXM\\VXMDOK\\1\\9");
  EXPECT_EQ(beschriftungen(), imOrdner);

  // The same with "suchen Dokument"; its hit's details are those shown.
  Namensuche("mietvertrag");
  ASSERT_EQ(Liste().topLevelItemCount(), 1);
  EXPECT_EQ(F().lblName->text().toStdString(), "Mietvertrag.txt");
  EXPECT_NE(beschriftungen(), imOrdner);
  Namensuche("gibtsnicht");
  EXPECT_EQ(F().dirListBox->Path(), "C:\\VXM\\VXMDOK\\1\\9");
  EXPECT_EQ(beschriftungen(), imOrdner);
}

TEST_F(Suche, AlleDateienUndUninterpretierbaresMelden) {
  ASSERT_TRUE(Laden());
  Namensuche("*.*");
  EXPECT_EQ(Meldungstexte(), std::vector<std::string>{kMeldungAlleDateien});
  EXPECT_TRUE(F().txtDateisuchen->text().isEmpty());
  EXPECT_EQ(Liste().topLevelItemCount(), 0);
  EXPECT_FALSE(F().tvwDir->isHidden());
  dialoge_->Gezeigt.clear();
  Namensuche("");
  EXPECT_EQ(Meldungstexte(), std::vector<std::string>{kMeldungNichtInterpretiert});
  EXPECT_EQ(Liste().topLevelItemCount(), 0);
  EXPECT_TRUE(F().DirChangeAktiv);
}

TEST_F(Suche, AbgebrocheneSucheZeigtWasSieFandUndLaesstKeinenZweitenStart) {
  for (int i = 0; i < 6; ++i)
    DateiAnlegen("C:\\VXM\\VXMDOK\\1\\2" + std::to_string(i) + "\\Akte" + std::to_string(i) + ".doc", "x");
  ASSERT_TRUE(Laden());
  int treffer = 0;
  D().NachTreffer = [&] {
    ++treffer;
    EXPECT_TRUE(D().Laeuft());
    EXPECT_FALSE(F().lblStatus->isHidden());
    EXPECT_EQ(F().lblStatus->text().toStdString(), kStatusSucheLaeuft);
    EXPECT_FALSE(D().AbbrechenKnopf()->isHidden());
    EXPECT_EQ(F().lblanzahldateien->text().toStdString(), std::to_string(treffer));
    // A second start while this one runs is ignored.
    F().comsuchen->click();
    F().DatenSucheStarten();
    if (treffer == 2) Esc();
  };
  Namensuche("akte");
  EXPECT_EQ(treffer, 2);
  EXPECT_FALSE(D().Laeuft());
  ASSERT_EQ(Liste().topLevelItemCount(), 2);
  EXPECT_EQ(F().lblanzahldateien->text().toStdString(), "2 (abgebrochen)") << "not taken for the whole result";
  EXPECT_FALSE(F().gefdatframe->isHidden());
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
  EXPECT_TRUE(F().DirChangeAktiv);

  // The data search, ended with the button after its first hit.
  treffer = 0;
  D().NachTreffer = [&] {
    ++treffer;
    D().AbbrechenKnopf()->click();
  };
  F().txtDateisuchen->setText("akte");
  F().DatenSucheStarten();
  EXPECT_EQ(treffer, 1);
  ASSERT_EQ(Liste().topLevelItemCount(), 1);
  EXPECT_EQ(F().lblanzahldateien->text().toStdString(), "1 (abgebrochen)");
  EXPECT_FALSE(F().gefdatframe->isHidden());
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
  EXPECT_FALSE(Zustand().DateiTabelleVollstaendig);

  // A cancel with nothing running does not touch the next search.
  D().NachTreffer = nullptr;
  D().Abbrechen();
  F().DatenSucheStarten();
  EXPECT_EQ(Liste().topLevelItemCount(), 6);
  EXPECT_EQ(F().lblanzahldateien->text().toStdString(), "6");
  EXPECT_TRUE(Zustand().DateiTabelleVollstaendig);
}

TEST_F(Suche, EscAusDerEreignisschleifeVorDemErstenTreffer) {
  ASSERT_TRUE(Laden());
  // The search lets pending events run: an Esc queued before the start ends
  // it at the first folder, and without a hit the folders come back, with
  // no "nothing found" message.
  for (bool name : {true, false}) {
    F().txtDateisuchen->setText("brief");
    QTimer::singleShot(0, &F(), [this] { Esc(); });
    if (name)
      F().comsuchen->click();
    else
      F().DatenSucheStarten();
    EXPECT_FALSE(D().Laeuft());
    EXPECT_EQ(Liste().topLevelItemCount(), 0) << name;
    EXPECT_TRUE(F().gefdatframe->isHidden());
    EXPECT_FALSE(F().tvwDir->isHidden());
    EXPECT_TRUE(F().DirChangeAktiv);
    EXPECT_TRUE(dialoge_->Gezeigt.empty());
  }
  EXPECT_FALSE(Zustand().DateiTabelleVollstaendig);
  // The next search runs in full.
  Namensuche("brief");
  EXPECT_EQ(Liste().topLevelItemCount(), 2);
}

TEST_F(Suche, FensterMitErgebnissenAlsBild) {
  const char* ziel = std::getenv("VXM_SUCHE_BILD");
  if (!ziel) GTEST_SKIP() << "VXM_SUCHE_BILD names the PNG to write";
  ASSERT_TRUE(Laden());
  F().resize(1100, 700);
  F().show();
  Namensuche("brief");
  D().gefundenviewBox_ItemClick(Liste().topLevelItem(1));
  Liste().setCurrentItem(Liste().topLevelItem(1));
  QCoreApplication::processEvents();
  ASSERT_TRUE(F().grab().save(QString::fromUtf8(ziel)));
  // The same window after a search of the documents' text, beside it.
  F().Ordneransicht();
  F().optSuchenDok->setChecked(false);
  F().optTextInhalt->setChecked(true);
  F().txtDateisuchen->setText(QString::fromUtf8("Kündigung"));
  F().DatenSucheStarten();
  QCoreApplication::processEvents();
  ASSERT_EQ(Liste().topLevelItemCount(), 2);
  ASSERT_TRUE(F().grab().save(QString::fromUtf8(ziel).replace(".png", "-text.png")));
}

}  // namespace
}  // namespace vxm::test
