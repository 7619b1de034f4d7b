// New documents from the type list: every type through the window, the name
// rules, the failure paths and the scanner type with SANE's test device.
#include <QProgressDialog>
#include <QTimer>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTest>
#include <QToolTip>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "basis/zustand.h"
#include "create/buerodatei.h"
#include "create/libreoffice.h"
#include "create/qt/neuesdokument.h"
#include "keywords/register.h"
#include "keywords/registerzugriff.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "tests/qt/qthilfen.h"

namespace vxm::test {
namespace {
namespace fs = std::filesystem;

const fs::path kSaneOrdner = fs::path(__FILE__).parent_path().parent_path() / "sane";
constexpr const char* kOrdner = "C:\\VXM\\VXMDOK\\1\\7\\3\\2";

std::string Ausfuehren(const std::string& befehl) { return test::Befehl(befehl).Text; }

// The empty office files are cached in one folder of the build, so
// LibreOffice runs at most once per type for all tests.
std::string GemeinsamerCache() {
  const char* build = std::getenv("VXM_BUILD");
  const fs::path basis = build && *build ? fs::path(build) : fs::temp_directory_path() / "vxm-test-cache";
  return (basis / "test-vorlagen").string();
}

class NeuesDokumentTest : public FensterUmgebung {
 protected:
  void SetUp() override {
    FensterUmgebung::SetUp();
    setenv("XDG_CACHE_HOME", GemeinsamerCache().c_str(), 1);
    setenv("SANE_CONFIG_DIR", kSaneOrdner.c_str(), 1);
    unsetenv("VXM_SCANNER");
    unsetenv("VXM_SCAN_OPTIONEN");
    ASSERT_TRUE(Laden());
    F().show();
    F().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&F()));
    n_ = NeuesDokument::Von(F());
    ASSERT_NE(n_, nullptr);
  }
  void TearDown() override {
    VorlagenOrdnerSetzen({});
    unsetenv("XDG_CACHE_HOME");
    FensterUmgebung::TearDown();
  }

  void TypWaehlen(int i) {
    F().lstDokument->show();
    F().lstDokument->setCurrentRow(i);
    n_->lstDokument_Click();
  }
  void NameBestaetigen(const std::string& name) {
    F().txtNeuDokName->setText(QString::fromStdString(name));
    n_->cmdDokNameOK_Click();
  }
  std::string Pfad(const std::string& name) const { return std::string(kOrdner) + "\\" + name; }

  NeuesDokument* n_ = nullptr;
};

TEST_F(NeuesDokumentTest, JederTypWirdAngelegtAusgewaehltUndGeoeffnet) {
  struct Fall {
    int Index;
    const char* Endung;
    const char* Aufforderung;
    bool Buero;
  };
  const Fall faelle[] = {
      {0, ".doc", "neue Microsoft Word Dokument ein.", true},
      {1, ".xls", "neue Microsoft Excel Mappe ein.", true},
      {2, ".ppt", "neue Microsoft Powerpoint Präsentation ein.", true},
      {3, ".txt", "neue Text Dokument ein.", false},
  };
  const bool libreOffice = LibreOfficeVorhanden();
  for (const Fall& f : faelle) {
    SCOPED_TRACE(f.Endung);
    if (f.Buero && !libreOffice) continue;
    TypWaehlen(f.Index);
    EXPECT_EQ(Zustand().NeuDokEndung, f.Endung);
    EXPECT_EQ(F().lblNeuDokName->text().toStdString(), f.Aufforderung);
    ASSERT_TRUE(F().Dokname->isVisible());
    EXPECT_TRUE(F().txtNeuDokName->hasFocus());
    EXPECT_TRUE(F().cmdDokNameOK->isDefault());  // Enter confirms the name
    const std::string name = std::string("Neu Ä") + f.Endung[1];
    NameBestaetigen(name);
    const std::string datei = Pfad(name + f.Endung);
    ASSERT_TRUE(fs::exists(Host(datei)));
    if (f.Buero) {
      EXPECT_TRUE(IstOle2Datei(Host(datei)));
      EXPECT_NE(Ausfuehren("file -b '" + Host(datei).string() + "'").find("Composite Document File"),
                std::string::npos);
    } else {
      EXPECT_EQ(fs::file_size(Host(datei)), 0u);
    }
    EXPECT_EQ(F().filListBox->FileName(), name + f.Endung);
    ASSERT_FALSE(geoeffnet_.empty());
    EXPECT_EQ(geoeffnet_.back(), datei);
    EXPECT_FALSE(F().Dokname->isVisible());
    EXPECT_TRUE(F().cmdSucheStarten->isDefault());
    EXPECT_FALSE(F().cmdDokNameOK->isDefault());
  }
  EXPECT_TRUE(dialoge_->Gezeigt.empty()) << Meldungstexte().front();
  // No entry in the keyword register at creation.
  EXPECT_EQ(F().DateinummerSuchen("Neu Ät.txt", kOrdner), 0);
}

TEST_F(NeuesDokumentTest, LibreOfficeLiestDieLeerenDateienWieder) {
  if (!LibreOfficeVorhanden()) GTEST_SKIP() << "LibreOffice fehlt";
  TypWaehlen(0);
  NameBestaetigen("Wieder");
  const fs::path aus = temp_ / "zurueck";
  fs::create_directories(aus);
  const auto k = Konvertieren(Host(Pfad("Wieder.doc")), "odt", aus);
  EXPECT_TRUE(k.Erfolg) << k.Fehler;
}

TEST_F(NeuesDokumentTest, NamensRegeln) {
  TypWaehlen(3);
  // The user's extension is cut at the first dot; the type's is used.
  NameBestaetigen("Angebot.neu.doc");
  EXPECT_TRUE(fs::exists(Host(Pfad("Angebot.txt"))));
  EXPECT_EQ(F().filListBox->FileName(), "Angebot.txt");
  EXPECT_FALSE(fs::exists(Host(Pfad("Angebot.neu.doc.txt"))));

  // An existing file: message, nothing written, the panel stays for a new name.
  DateiAnlegen(Pfad("Vorhanden.txt"), "Inhalt");
  TypWaehlen(3);
  NameBestaetigen("Vorhanden");
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, "Datei schon vorhanden !");
  EXPECT_EQ(dialoge_->Gezeigt[0].Stil, vbCritical);
  EXPECT_EQ(dialoge_->Gezeigt[0].Titel, "");
  EXPECT_EQ(Inhalt(Pfad("Vorhanden.txt")), "Inhalt");
  EXPECT_TRUE(F().Dokname->isVisible());
  EXPECT_TRUE(F().txtNeuDokName->hasFocus());
  EXPECT_TRUE(F().cmdSucheStarten->isDefault());

  // An empty name does nothing but give Enter back to the search.
  const auto geoeffnetVorher = geoeffnet_.size();
  F().txtNeuDokName->setFocus();
  NameBestaetigen("");
  EXPECT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(geoeffnet_.size(), geoeffnetVorher);
  EXPECT_TRUE(F().cmdSucheStarten->isDefault());
  EXPECT_TRUE(F().Dokname->isVisible());

  // Nothing before the dot, or a separator: no file outside the folder.
  for (const char* schlecht : {".txt", "a\\b", "x/y"}) {
    SCOPED_TRACE(schlecht);
    dialoge_->Gezeigt.clear();
    NameBestaetigen(schlecht);
    ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
    EXPECT_EQ(dialoge_->Gezeigt[0].Text, "Ungültiger Dateiname !!!");
    EXPECT_TRUE(F().Dokname->isVisible());
  }
  EXPECT_FALSE(fs::exists(Host(Pfad("a"))));

  // The text box takes 25 characters; a name of 25 is accepted.
  F().txtNeuDokName->clear();
  F().txtNeuDokName->setFocus();
  QTest::keyClicks(F().txtNeuDokName, QString(30, QChar('z')));
  EXPECT_EQ(F().txtNeuDokName->text().size(), 25);
  dialoge_->Gezeigt.clear();
  n_->cmdDokNameOK_Click();
  EXPECT_TRUE(fs::exists(Host(Pfad(std::string(25, 'z') + ".txt"))));
  EXPECT_TRUE(dialoge_->Gezeigt.empty());

  // Selection of the new entry ignores case.
  TypWaehlen(3);
  NameBestaetigen("brief");
  EXPECT_EQ(F().filListBox->FileName(), "brief.txt");

  // Abbrechen hides the panel and clears the file selection.
  TypWaehlen(3);
  n_->cmdDokNameAbr_Click();
  EXPECT_FALSE(F().Dokname->isVisible());
  EXPECT_EQ(F().filListBox->ListIndex(), -1);
}

// Types text key by key, umlauts included (the test library's key clicks
// know ASCII only).
void Tippen(QWidget* w, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent druck(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &druck);
    QKeyEvent los(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(w, &los);
  }
}

TEST_F(NeuesDokumentTest, NamensfeldStehtLeerUndWeistDas26steZeichenAb) {
  auto* box = F().txtNeuDokName;
  // A name of 25 characters typed before and given up...
  TypWaehlen(3);
  QTest::keyClicks(box, "Protokoll Wohnungsbesicht");
  EXPECT_EQ(box->text().size(), 25);
  n_->cmdDokNameAbr_Click();
  // ...is gone when the panel opens again: what the user types is the name.
  TypWaehlen(3);
  EXPECT_EQ(box->text(), "");
  Tippen(box, QString::fromUtf8("Mahnung Bäcker"));
  EXPECT_EQ(box->text(), QString::fromUtf8("Mahnung Bäcker"));
  n_->cmdDokNameOK_Click();
  EXPECT_TRUE(fs::exists(Host(Pfad("Mahnung Bäcker.txt"))));
  TypWaehlen(5);  // also after a document was made, and for every type
  EXPECT_EQ(box->text(), "");
  n_->cmdDokNameAbr_Click();

  // The 26th character is refused while typing, whatever the caret.
  TypWaehlen(3);
  QTest::keyClicks(box, QString(30, QChar('z')));
  EXPECT_EQ(box->text(), QString(25, QChar('z')));
  box->setCursorPosition(3);
  QTest::keyClicks(box, "a");
  EXPECT_EQ(box->text(), QString(25, QChar('z')));
  // The refusal shows the limit beside the box.
  EXPECT_EQ(QToolTip::text().toStdString(), "Dateiname max. Länge 25 Zeichen");
  // Text pasted is refused whole when the name would grow beyond 25
  // characters, never cut; what fits is taken.
  box->clear();
  QGuiApplication::clipboard()->setText(QString::fromUtf8("Nebenkostenabrechnung Müller 2024"));
  box->paste();
  EXPECT_EQ(box->text(), "");
  QTest::keyClicks(box, "Brief an Herrn Maier");  // 20
  QGuiApplication::clipboard()->setText("123456");
  box->paste();
  EXPECT_EQ(box->text(), "Brief an Herrn Maier");
  QGuiApplication::clipboard()->setText("12345");
  box->paste();
  EXPECT_EQ(box->text(), "Brief an Herrn Maier12345");
  // Replacing a selection by a shorter text fits again.
  box->selectAll();
  QGuiApplication::clipboard()->setText("Kurz");
  box->paste();
  EXPECT_EQ(box->text(), "Kurz");
  EXPECT_EQ(box->toolTip().toStdString(), "Dateiname max. Länge 25 Zeichen");
  // A whole name of 25 characters stays in view at the limit.
  box->clear();
  Tippen(box, QString::fromUtf8("Übergabeprotokoll Müller!"));
  Tippen(box, "x");
  EXPECT_EQ(box->text(), QString::fromUtf8("Übergabeprotokoll Müller!"));
  if (const char* ziel = std::getenv("VXM_BILD_DOKNAME")) F().Dokname->grab().save(ziel);
}

TEST_F(NeuesDokumentTest, OhneLibreOfficeDieFehlerwegeJeTyp) {
  VorlagenOrdnerSetzen(temp_ / "leerer-cache");
  const std::string programm = LibreOffice().Programm;
  LibreOffice().Programm = (temp_ / "gibt-es-nicht" / "soffice").string();
  DateiAnlegen(Pfad("Fremd.doc"), "alt");
  struct Fall {
    int Index;
    const char* Endung;
    bool Meldung;
    bool Bericht;
  };
  for (const Fall f : {Fall{0, ".doc", true, true}, Fall{1, ".xls", true, false}, Fall{2, ".ppt", false, false}}) {
    SCOPED_TRACE(f.Endung);
    dialoge_->Gezeigt.clear();
    berichte_->clear();
    dialoge_->Antworten = {vbYes};
    TypWaehlen(f.Index);
    NameBestaetigen("Kaputt");
    std::vector<Meldung> erwartet;
    if (f.Meldung) erwartet.push_back({"Ungültiger Dateiname !!!", vbCritical, ""});
    erwartet.push_back({"Fehler beim erzeugen der Neuen Datei\r\nDATEI LÖSCHEN ?", vbYesNo + vbQuestion, "Datei löschen"});
    ASSERT_EQ(dialoge_->Gezeigt.size(), erwartet.size());
    for (std::size_t i = 0; i < erwartet.size(); ++i) {
      EXPECT_EQ(dialoge_->Gezeigt[i].Text, erwartet[i].Text);
      EXPECT_EQ(dialoge_->Gezeigt[i].Stil, erwartet[i].Stil);
      EXPECT_EQ(dialoge_->Gezeigt[i].Titel, erwartet[i].Titel);
    }
    EXPECT_EQ(berichte_->size(), f.Bericht ? 1u : 0u);
    EXPECT_FALSE(fs::exists(Host(Pfad(std::string("Kaputt") + f.Endung))));
    EXPECT_FALSE(Zustand().NeuDokErzeugt);
    EXPECT_FALSE(F().Dokname->isVisible());
  }
  // Yes removed nothing that was there before.
  EXPECT_EQ(Inhalt(Pfad("Fremd.doc")), "alt");
  EXPECT_TRUE(geoeffnet_.empty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  LibreOffice().Programm = programm;
}

// A disk that refuses new text files and PDF files.
class VerweigerndeAblage : public HostDateisystem {
 public:
  using HostDateisystem::HostDateisystem;
  void CreateTextFile(const std::string& pfad, bool ueberschreiben) override {
    if (pfad.size() > 4 && pfad.substr(pfad.size() - 4) == ".txt") throw VbFehler::Standard(fehlernr::ZugriffVerweigert);
    HostDateisystem::CreateTextFile(pfad, ueberschreiben);
  }
  void DateiSchreiben(const std::string& pfad, const std::string& bytes) override {
    if (pfad.size() > 4 && pfad.substr(pfad.size() - 4) == ".pdf") throw VbFehler::Standard(fehlernr::DatentraegerVoll);
    HostDateisystem::DateiSchreiben(pfad, bytes);
  }
};

TEST_F(NeuesDokumentTest, FehlschlagFragtUndJaLoeschtNurWasDieseAnlageSchrieb) {
  DateiAnlegen(Pfad("Bleibt.txt"), "x");
  Dienste().Dateien = std::make_shared<VerweigerndeAblage>(fs_->Laufwerke());
  dialoge_->Antworten = {vbYes};
  TypWaehlen(3);
  NameBestaetigen("Neu");
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Titel, "Datei löschen");
  EXPECT_TRUE(fs::exists(Host(Pfad("Bleibt.txt"))));
  EXPECT_FALSE(F().Dokname->isVisible());

  // The scanned page cannot become a PDF: the user is told, the bitmap is
  // kept on No and removed on Yes; nothing is opened.
  for (const int antwort : {vbNo, vbYes}) {
    SCOPED_TRACE(antwort);
    dialoge_->Gezeigt.clear();
    dialoge_->Antworten = {vbOK, antwort};
    TypWaehlen(5);
    NameBestaetigen(antwort == vbNo ? "Seite1" : "Seite2");
    ASSERT_EQ(dialoge_->Gezeigt.size(), 2u) << Meldungstexte().front();
    EXPECT_EQ(dialoge_->Gezeigt[1].Text, "Fehler beim erzeugen der Neuen Datei\r\nDATEI LÖSCHEN ?");
    EXPECT_EQ(fs::exists(Host(Pfad(antwort == vbNo ? "Seite1.bmp" : "Seite2.bmp"))), antwort == vbNo);
  }
  EXPECT_TRUE(geoeffnet_.empty());
}

TEST_F(NeuesDokumentTest, ScannerGibtEinseitigesPdfAusgewaehltNichtGeoeffnet) {
  TypWaehlen(5);
  EXPECT_EQ(Zustand().ScanModus, 1);
  EXPECT_EQ(Zustand().NeuDokEndung, ".bmp");
  NameBestaetigen("Eingang");
  EXPECT_TRUE(dialoge_->Gezeigt.empty()) << Meldungstexte().front();
  const fs::path pdf = Host(Pfad("Eingang.pdf"));
  ASSERT_TRUE(fs::exists(pdf));
  EXPECT_FALSE(fs::exists(Host(Pfad("Eingang.bmp"))));
  EXPECT_EQ(Zustand().NeuDokEndung, ".pdf");
  EXPECT_EQ(F().filListBox->FileName(), "Eingang.pdf");
  EXPECT_TRUE(geoeffnet_.empty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  if (!Ausfuehren("command -v pdfinfo").empty()) {
    const std::string info = Ausfuehren("pdfinfo '" + pdf.string() + "'");
    const auto pos = info.find("Pages:");
    ASSERT_NE(pos, std::string::npos) << info;
    EXPECT_EQ(std::stoi(info.substr(pos + 6)), 1) << info;
  }
  // The scan mode stays: a text file made next is not opened either, until
  // a file is double-clicked.
  TypWaehlen(3);
  NameBestaetigen("Notiz");
  EXPECT_EQ(F().filListBox->FileName(), "Notiz.txt");
  EXPECT_TRUE(geoeffnet_.empty());
  F().filListBox_DblClick();
  ASSERT_EQ(geoeffnet_.size(), 1u);
  EXPECT_EQ(geoeffnet_[0], Pfad("Notiz.txt"));
}

// While the page comes in a dialog offers to stop; stopped, the scan leaves
// no file and no message.
TEST_F(NeuesDokumentTest, ScanLaesstSichAbbrechen) {
  TypWaehlen(5);
  bool gesehen = false;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->objectName() == "ScanFortschritt") {
        gesehen = d->isModal() && d->labelText() == "Seite wird gescannt...";
        d->cancel();
      }
  });
  NameBestaetigen("Abbruch");
  EXPECT_TRUE(gesehen);
  EXPECT_TRUE(dialoge_->Gezeigt.empty()) << Meldungstexte().front();
  EXPECT_FALSE(fs::exists(Host(Pfad("Abbruch.pdf"))));
  EXPECT_FALSE(fs::exists(Host(Pfad("Abbruch.bmp"))));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_NE(w->objectName(), "ScanFortschritt");
  // The next scan works.
  TypWaehlen(5);
  NameBestaetigen("Eingang");
  EXPECT_TRUE(fs::exists(Host(Pfad("Eingang.pdf"))));
}

TEST_F(NeuesDokumentTest, ScanAufVorhandenesPdfFragtVorDemErsetzen) {
  DateiAnlegen(Pfad("Eingang.pdf"), "alt");
  const auto bildVorher = Zustand().ScanBild;
  // No: nothing scanned, nothing written, the panel stays for another name.
  TypWaehlen(5);
  dialoge_->Antworten = {vbNo};
  NameBestaetigen("Eingang");
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text,
            "Die Datei\r\nEingang.pdf\r\nist schon vorhanden. Soll sie durch das neue Scanner Dokument ersetzt werden?");
  EXPECT_EQ(dialoge_->Gezeigt[0].Stil, vbYesNo + vbQuestion);
  EXPECT_EQ(dialoge_->Gezeigt[0].Titel, "Datei ersetzen");
  EXPECT_EQ(Inhalt(Pfad("Eingang.pdf")), "alt");
  EXPECT_FALSE(fs::exists(Host(Pfad("Eingang.bmp"))));
  EXPECT_EQ(Zustand().ScanBild, bildVorher);
  EXPECT_TRUE(F().Dokname->isVisible());
  EXPECT_TRUE(F().txtNeuDokName->hasFocus());
  EXPECT_TRUE(F().cmdSucheStarten->isDefault());
  EXPECT_TRUE(geoeffnet_.empty());

  // A name that differs only in case is the same file.
  dialoge_->Gezeigt.clear();
  NameBestaetigen("EINGANG");
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_NE(dialoge_->Gezeigt[0].Text.find("EINGANG.pdf"), std::string::npos);
  EXPECT_EQ(Inhalt(Pfad("Eingang.pdf")), "alt");

  // Yes: the scanned page replaces the file, which goes into the trash
  // with its keywords; the scan starts without any.
  ASSERT_TRUE(KeywordsEingeben(F().DOC_DATA.Database(), {"Eingang.pdf", kOrdner}, "RECHNUNG").Fehler.empty());
  dialoge_->Gezeigt.clear();
  dialoge_->Antworten = {vbYes};
  NameBestaetigen("Eingang");
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(Inhalt(Pfad("Eingang.pdf")).substr(0, 5), "%PDF-");
  EXPECT_FALSE(fs::exists(Host(Pfad("Eingang.bmp"))));
  EXPECT_FALSE(F().Dokname->isVisible());
  EXPECT_EQ(F().filListBox->FileName(), "Eingang.pdf");
  EXPECT_EQ(F().txtVorhandenKeyw->text().toStdString(), "");
  EXPECT_EQ(DateiNummerSuchen(F().DOC_DATA.Database(), "Eingang.pdf", kOrdner), 0);
  std::ifstream alt(temp_ / "xdg-daten" / "Trash" / "files" / "Eingang.pdf");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(alt), {}), "alt");
}

TEST_F(NeuesDokumentTest, ScannerAusDenEinstellungenFehltMeldetUndLegtNichtsAn) {
  RegistrySetzen("VXMScanner", "test:9");
  const std::string konfig = Zustand().KonfigDokPfad;
  TypWaehlen(5);
  NameBestaetigen("Eingang");
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, "Das Programm konnte keinen Scanner erkennen!");
  EXPECT_EQ(dialoge_->Gezeigt[0].Titel, "Error encountered!");
  EXPECT_EQ(Zustand().KonfigDokPfad, konfig);  // the scanner name is no document path
  EXPECT_FALSE(fs::exists(Host(Pfad("Eingang.pdf"))));
  EXPECT_FALSE(fs::exists(Host(Pfad("Eingang.bmp"))));
  EXPECT_FALSE(F().Dokname->isVisible());
  EXPECT_TRUE(geoeffnet_.empty());
}

TEST_F(NeuesDokumentTest, SerienbriefZeigtKeinNamenspanel) {
  F().lstAktion->show();
  TypWaehlen(4);
  EXPECT_FALSE(F().Dokname->isVisible());
  EXPECT_FALSE(F().lstDokument->isVisible());
  EXPECT_FALSE(F().lstAktion->isVisible());
  EXPECT_TRUE(F().FrameSerienBrief->isVisible());
  EXPECT_TRUE(F().FrameSerienBrief->isEnabled());
  EXPECT_TRUE(F().ComAdrNeu->hasFocus());
  EXPECT_EQ(F().lblNeuDokName->text().toStdString(), "neue MS Word Dokument(=Serienbrief) ein.");
  EXPECT_EQ(Zustand().NeuDokEndung, ".doc");
  // An index outside the list does nothing.
  F().FrameSerienBrief->hide();
  F().lstDokument->setCurrentRow(-1);
  n_->lstDokument_Click();
  EXPECT_FALSE(F().Dokname->isVisible());
  EXPECT_FALSE(F().FrameSerienBrief->isVisible());
}

TEST_F(NeuesDokumentTest, PanelSitztAnSeinemPlatz) {
  TypWaehlen(3);
  const QPoint p = F().Dokname->pos();
  EXPECT_EQ(p, QPoint(static_cast<int>(Twips(5160) * F().Faktor()), static_cast<int>(Twips(3120) * F().Faktor())))
      << "oder am Fensterrand eingepasst";
  QImage bild = F().grab().toImage();
  if (const char* ziel = std::getenv("VXM_BILD_DOKNAME")) bild.save(ziel);
  EXPECT_FALSE(bild.isNull());
}

}  // namespace
}  // namespace vxm::test
