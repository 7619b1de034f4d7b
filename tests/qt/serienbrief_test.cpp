// The serial-letter wizard in the main window: address workbooks (new and
// existing), letters and templates, the dated output, same-day reruns and
// cancelling, with scripted dialogs and a recording address export.
#include <QApplication>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "basis/zustand.h"
#include "create/qt/neuesdokument.h"
#include "create/serienbrief.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "store/qt/ordnerbaum.h"
#include "tests/qt/qthilfen.h"

namespace vxm::test {
namespace {
namespace fs = std::filesystem;

constexpr const char* kOrdner = "C:\\VXM\\VXMDOK\\1\\7\\3\\2";
constexpr const char* kWurzel = "C:\\VXM\\VXMDOK";
constexpr std::time_t kTag = 1765108800;  // 07.12.2025, noon UTC

struct Protokoll {
  std::vector<std::string> Aufrufe;
  bool Werfen = false;
};

class AufzeichnenderExport : public AdressExport {
 public:
  explicit AufzeichnenderExport(std::shared_ptr<Protokoll> p) : p_(std::move(p)) {}
  void Etiketten(std::vector<Variant>& a) override { Lauf("ETTI", a); }
  void Vorschreibung(std::vector<Variant>& a) override { Lauf("VORS", a); }

 private:
  void Lauf(const std::string& art, std::vector<Variant>& a) {
    p_->Aufrufe.push_back(art + ":" + AlsText(a[slot::Objekt]) + ":" + AlsText(a[slot::Dokument]));
    if (QApplication::overrideCursor() == nullptr) p_->Aufrufe.push_back("ohne Sanduhr");
    if (p_->Werfen) throw VbFehler(3024, "Datenbank nicht gefunden");
    Dienste().Dateien->DateiSchreiben(AlsText(a[slot::Dokument]), "Mappe " + art);
  }
  std::shared_ptr<Protokoll> p_;
};

class SerienbriefFenster : public FensterUmgebung {
 protected:
  void SetUp() override {
    FensterUmgebung::SetUp();
    protokoll_ = std::make_shared<Protokoll>();
    auto p = protokoll_;
    Dienste().Komponenten.AdressExport = [p] { return std::make_unique<AufzeichnenderExport>(p); };
    ASSERT_TRUE(Laden());
    F().show();
    F().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&F()));
    n_ = NeuesDokument::Von(F());
    ASSERT_NE(n_, nullptr);
    n_->Jetzt = [] { return kTag; };
  }

  void Oeffnen() {
    F().lstDokument->setCurrentRow(4);
    n_->lstDokument_Click();
  }
  void AdressenNeu(int art) {
    n_->ComAdrNeu_Click();
    F().lstAdressen->setCurrentRow(art);
    n_->lstAdressen_Click();
  }
  void VorlageWaehlen(const std::string& name) {
    n_->ComDokNeu_Click();
    auto treffer = F().lstVorlagen->findItems(QString::fromStdString(name), Qt::MatchExactly);
    ASSERT_EQ(treffer.size(), 1);
    F().lstVorlagen->setCurrentItem(treffer[0]);
    n_->lstVorlagen_DblClick();
  }
  std::string Pfad(const std::string& name) const { return std::string(kOrdner) + "\\" + name; }
  std::string Text(QLabel* l) const { return l->text().toStdString(); }

  const std::string datum_ = KurzDatum(kTag);
  std::shared_ptr<Protokoll> protokoll_;
  NeuesDokument* n_ = nullptr;
};

TEST_F(SerienbriefFenster, NeueAdressenVorlageUndAusgabe) {
  DateiAnlegen(std::string(kWurzel) + "\\Brief.DOT", "Vorlage");
  DateiAnlegen(std::string(kWurzel) + "\\kein.doc", "x");
  Oeffnen();
  EXPECT_EQ(AlsText(Zustand().AufrufParameter[slot::Objekt]), "7");
  EXPECT_TRUE(F().FrameSerienBrief->isVisible());

  n_->ComAdrNeu_Click();
  EXPECT_TRUE(F().FrameAdressen->isVisible());
  EXPECT_TRUE(F().lstAdressen->isVisible());
  EXPECT_EQ(F().lstAdressen->count(), 2);
  F().lstAdressen->setCurrentRow(0);
  n_->lstAdressen_Click();
  const std::string mappe = Pfad("BeAdressenETTI" + datum_ + ".XLS");
  ASSERT_EQ(protokoll_->Aufrufe.size(), 1u);  // the busy pointer was on during the export
  EXPECT_EQ(protokoll_->Aufrufe[0], "ETTI:7:" + mappe);
  EXPECT_EQ(Text(F().lblAdressen), mappe);
  EXPECT_FALSE(F().FrameAdressen->isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  VorlageWaehlen("Brief.DOT");
  EXPECT_EQ(F().lstVorlagen->count(), 1);  // .doc files are no templates
  EXPECT_FALSE(F().Framevorlagen->isVisible());
  EXPECT_EQ(F().dirListBox->Path(), kOrdner);
  EXPECT_EQ(Text(F().lblDokument), std::string(kWurzel) + "\\Brief.DOT");
  const std::string ausgabe = Pfad("Serienbrief" + datum_ + ".doc");
  EXPECT_EQ(Text(F().lblAusgabeDok), ausgabe);
  EXPECT_EQ(AlsText(Zustand().AufrufParameter[slot::Dokument]), ausgabe);
  EXPECT_TRUE(F().comSerieOK->hasFocus());

  n_->comSerieOK_Click();
  EXPECT_TRUE(Zustand().NeuDokErzeugt);
  EXPECT_FALSE(F().FrameSerienBrief->isVisible());
  EXPECT_EQ(Inhalt(ausgabe), "Vorlage");
  EXPECT_TRUE(fs::exists(Host(DatenquelleName(ausgabe))));
  EXPECT_EQ(F().filListBox->FileName(), "Serienbrief" + datum_ + ".doc");
  EXPECT_EQ(F().txtNeuDokName->text().toStdString(), "Serienbrief" + datum_ + ".");
  EXPECT_EQ(Zustand().NeuDokEndung, "DOC");
  ASSERT_EQ(geoeffnet_.size(), 1u);
  EXPECT_EQ(geoeffnet_[0], ausgabe);
  EXPECT_TRUE(dialoge_->Gezeigt.empty()) << Meldungstexte().front();

  // The same day again: both names exist; each question is asked. The first
  // run's choices are gone, so OK alone cannot replace its letter unasked.
  std::ofstream(Host(ausgabe), std::ios::binary | std::ios::trunc) << "bearbeitet";
  Oeffnen();
  EXPECT_EQ(Text(F().lblAdressen), "");
  EXPECT_EQ(Text(F().lblDokument), "");
  n_->comSerieOK_Click();
  EXPECT_EQ(Inhalt(ausgabe), "bearbeitet");
  dialoge_->Antworten = {vbNo};
  AdressenNeu(0);
  EXPECT_EQ(protokoll_->Aufrufe.size(), 1u);  // No: no export
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, "Fehler beim erzeugen der Neuen Datei !\r\nDATEI LÖSCHEN ?");
  EXPECT_EQ(dialoge_->Gezeigt[0].Titel, "Datei löschen");
  EXPECT_EQ(Inhalt(mappe), "Mappe ETTI");
  dialoge_->Antworten = {vbYes};
  AdressenNeu(1);  // another kind, another name: no question
  EXPECT_EQ(Text(F().lblAdressen), Pfad("BeAdressenVORS" + datum_ + ".XLS"));
  dialoge_->Antworten = {vbNo};
  VorlageWaehlen("Brief.DOT");
  EXPECT_EQ(dialoge_->Gezeigt.size(), 2u);
  EXPECT_EQ(Text(F().lblDokument), "");  // No drops the letter
  n_->comSerieOK_Click();
  EXPECT_TRUE(F().FrameSerienBrief->isVisible());
  EXPECT_TRUE(F().ComDokNeu->hasFocus());
  dialoge_->Antworten = {vbYes};
  VorlageWaehlen("Brief.DOT");
  EXPECT_EQ(dialoge_->Gezeigt.size(), 3u);
  EXPECT_FALSE(fs::exists(Host(ausgabe)));  // Yes deleted the old output
  {
    // ... into the trash, where the edited letter can be taken back.
    const fs::path korb = temp_ / "xdg-daten" / "Trash" / "files" / ("Serienbrief" + datum_ + ".doc");
    std::ifstream d(korb, std::ios::binary);
    std::string inhalt((std::istreambuf_iterator<char>(d)), std::istreambuf_iterator<char>());
    EXPECT_EQ(inhalt, "bearbeitet") << korb;
  }
  n_->comSerieOK_Click();
  EXPECT_EQ(Inhalt(ausgabe), "Vorlage");
  EXPECT_EQ(geoeffnet_.size(), 2u);
}

// The wizard by keys: Enter on its buttons and in its two lists, each list
// closing behind its choice (Enter in a list never presses the button the
// focus then lands on).
TEST_F(SerienbriefFenster, PerTastenAdressenUndVorlage) {
  DateiAnlegen(std::string(kWurzel) + "\\Brief.DOT", "Vorlage");
  Oeffnen();
  F().ComAdrNeu->setFocus();
  QTest::keyClick(F().ComAdrNeu, Qt::Key_Return);
  ASSERT_TRUE(F().FrameAdressen->isVisible());
  ASSERT_TRUE(F().lstAdressen->hasFocus());
  F().lstAdressen->setCurrentRow(0);
  QTest::keyClick(F().lstAdressen, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(Text(F().lblAdressen), Pfad("BeAdressenETTI" + datum_ + ".XLS"));
  EXPECT_FALSE(F().FrameAdressen->isVisible());
  EXPECT_EQ(protokoll_->Aufrufe.size(), 1u);
  F().ComDokNeu->setFocus();
  QTest::keyClick(F().ComDokNeu, Qt::Key_Return);
  ASSERT_TRUE(F().Framevorlagen->isVisible());
  F().lstVorlagen->setCurrentRow(0);
  QTest::keyClick(F().lstVorlagen, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(Text(F().lblDokument), std::string(kWurzel) + "\\Brief.DOT");
  EXPECT_FALSE(F().Framevorlagen->isVisible());
  EXPECT_TRUE(F().comSerieOK->hasFocus());
  // Esc closes an open list first, then the wizard, as "Abbrechen".
  F().ComAdrNeu->setFocus();
  QTest::keyClick(F().ComAdrNeu, Qt::Key_Return);
  ASSERT_TRUE(F().FrameAdressen->isVisible());
  QTest::keyClick(F().lstAdressen, Qt::Key_Escape);
  EXPECT_FALSE(F().FrameAdressen->isVisible());
  EXPECT_TRUE(F().FrameSerienBrief->isVisible());
  QTest::keyClick(F().ComAdrNeu, Qt::Key_Escape);
  EXPECT_FALSE(F().FrameSerienBrief->isVisible());
  EXPECT_EQ(Text(F().lblDokument), "");
}

TEST_F(SerienbriefFenster, KeineVorlagenUndAbbrechen) {
  DateiAnlegen(std::string(kWurzel) + "\\Nur.doc", "x");
  Oeffnen();
  n_->ComDokNeu_Click();
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text,
            "Keine Vorlagen im Verzeichniss: C:\\VXM\\VXMDOK vorhanden.\r\n\r\nDie Neuanlage wird abgebrochen !");
  EXPECT_EQ(dialoge_->Gezeigt[0].Stil, vbCritical);
  EXPECT_EQ(dialoge_->Gezeigt[0].Titel, "Vorlagenverzeichnis");
  EXPECT_FALSE(F().Framevorlagen->isVisible());
  EXPECT_EQ(F().dirListBox->Path(), kOrdner);

  // OK without addresses or letter only moves the focus.
  n_->comSerieOK_Click();
  EXPECT_TRUE(F().ComAdrNeu->hasFocus());
  EXPECT_TRUE(F().FrameSerienBrief->isVisible());

  // The sub-panels close with their own Abbrechen.
  n_->ComAdrNeu_Click();
  n_->comAdressenabbruch_Click();
  EXPECT_FALSE(F().FrameAdressen->isVisible());
  DateiAnlegen(std::string(kWurzel) + "\\Vorlage.dot", "v");
  n_->ComDokNeu_Click();
  EXPECT_TRUE(F().Framevorlagen->isVisible());
  n_->Comvorlageabbruch_Click();
  EXPECT_FALSE(F().Framevorlagen->isVisible());
  EXPECT_TRUE(F().ComDokNeu->hasFocus());

  F().lblAdressen->setText("a");
  F().lblDokument->setText("b");
  F().lblAusgabeDok->setText("c");
  Zustand().AufrufParameter[slot::Dokument] = Variant("x");
  n_->comSerieAbbruch_Click();
  EXPECT_EQ(AlsText(Zustand().AufrufParameter[slot::Objekt]), "");
  EXPECT_EQ(AlsText(Zustand().AufrufParameter[slot::Dokument]), "");
  EXPECT_EQ(Text(F().lblAdressen) + Text(F().lblDokument) + Text(F().lblAusgabeDok), "");
  EXPECT_FALSE(F().FrameSerienBrief->isVisible());
  EXPECT_EQ(F().dirListBox->Path(), kOrdner);
  EXPECT_TRUE(geoeffnet_.empty());
}

TEST_F(SerienbriefFenster, VorhandeneDateienUeberDenDialog) {
  DateiAnlegen(Pfad("Adressen.XLS"), "m");
  DateiAnlegen(Pfad("Brief.doc"), "Brief");
  Oeffnen();
  dialoge_->Dateiwahlen = {Pfad("Adressen.XLS")};
  n_->ComAdrVorhanden_Click();
  EXPECT_EQ(Text(F().lblAdressen), Pfad("Adressen.XLS"));
  EXPECT_TRUE(F().ComDokNeu->hasFocus());

  // A cancelled dialog empties the label.
  n_->ComAdrVorhanden_Click();
  EXPECT_EQ(Text(F().lblAdressen), "");
  EXPECT_TRUE(F().ComAdrNeu->hasFocus());
  dialoge_->Dateiwahlen = {Pfad("Adressen.XLS"), Pfad("Brief.doc")};
  n_->ComAdrVorhanden_Click();

  n_->ComDokVorhanden_Click();
  const std::string ausgabe = Pfad("Serienbrief" + datum_ + ".doc");
  EXPECT_EQ(Text(F().lblDokument), Pfad("Brief.doc"));
  EXPECT_EQ(Text(F().lblAusgabeDok), ausgabe);
  EXPECT_EQ(AlsText(Zustand().AufrufParameter[slot::Dokument]), ausgabe);
  n_->comSerieOK_Click();
  EXPECT_EQ(Inhalt(ausgabe), "Brief");
  ASSERT_EQ(geoeffnet_.size(), 1u);

  // The output itself as the letter: no copy, entry 74 stays, no question.
  Oeffnen();
  Zustand().AufrufParameter[slot::Dokument] = Variant("unverändert");
  dialoge_->Dateiwahlen = {Pfad("serienbrief" + datum_ + ".DOC")};
  n_->ComDokVorhanden_Click();
  EXPECT_EQ(AlsText(Zustand().AufrufParameter[slot::Dokument]), "unverändert");
  EXPECT_TRUE(dialoge_->Gezeigt.empty());

  // The filters of the two dialogs.
  ASSERT_GE(dialoge_->Eingabefragen.size(), 4u);
}

TEST_F(SerienbriefFenster, FehlschlagenderExportStelltDenZeigerZurueckUndSagtEs) {
  protokoll_->Werfen = true;
  Oeffnen();
  AdressenNeu(1);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_NE(dialoge_->Gezeigt[0].Text.find("Die Adressdatei konnte nicht erzeugt werden."), std::string::npos);
  EXPECT_NE(dialoge_->Gezeigt[0].Text.find("Datenbank nicht gefunden"), std::string::npos);
  EXPECT_EQ(Text(F().lblAdressen), "");
  EXPECT_TRUE(F().ComDokNeu->hasFocus());

  // Not installed at all: the same message.
  Dienste().Komponenten.AdressExport = nullptr;
  AdressenNeu(0);
  EXPECT_EQ(dialoge_->Gezeigt.size(), 2u);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Opened again after a letter was made, the wizard has the size it had.
TEST_F(SerienbriefFenster, NachEinemBriefGleichGross) {
  DateiAnlegen(std::string(kWurzel) + "\\Brief.DOT", "Vorlage");
  Oeffnen();
  const QRect rahmen = F().FrameSerienBrief->geometry(), knopf = F().ComAdrNeu->geometry();
  AdressenNeu(0);
  VorlageWaehlen("Brief.DOT");
  n_->comSerieOK_Click();
  ASSERT_TRUE(Zustand().NeuDokErzeugt);
  Oeffnen();
  EXPECT_EQ(F().FrameSerienBrief->geometry(), rahmen);
  EXPECT_EQ(F().ComAdrNeu->geometry(), knopf);
  if (const char* ziel = std::getenv("VXM_BILD_SERIENBRIEF2")) {
    F().lblAdressen->setText(QString::fromStdString(Pfad("BeAdressenETTI" + datum_ + ".XLS")));
    F().grab().toImage().save(ziel);
  }
}

TEST_F(SerienbriefFenster, AssistentAlsBild) {
  Oeffnen();
  F().lblAdressen->setText(QString::fromStdString(Pfad("BeAdressenETTI" + datum_ + ".XLS")));
  F().lblDokument->setText(QString::fromStdString(std::string(kWurzel) + "\\Brief.DOT"));
  F().lblAusgabeDok->setText(QString::fromStdString(Pfad("Serienbrief" + datum_ + ".doc")));
  QImage bild = F().grab().toImage();
  if (const char* ziel = std::getenv("VXM_BILD_SERIENBRIEF")) bild.save(ziel);
  EXPECT_FALSE(bild.isNull());
}

}  // namespace
}  // namespace vxm::test
