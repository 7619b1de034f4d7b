// Wiring of new documents and serial letters into the main window.
#include "create/qt/neuesdokument.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValidator>
#include <chrono>
#include <future>

#include "basis/dateifunktionen.h"
#include "basis/fehlermelden.h"
#include "basis/zustand.h"
#include "component/qt/frmdorvex.h"
#include "create/buerodatei.h"
#include "create/serienbrief.h"
#include "imaging/clspdf.h"
#include "imaging/qt/scanfenster.h"
#include "imaging/scanpdf.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/text.h"
#include "store/qt/ordnerbaum.h"

namespace vxm {
namespace {

struct Typ {
  const char* Endung;
  const char* Aufforderung;
};

constexpr Typ kTypen[6] = {
    {".doc", "neue Microsoft Word Dokument ein."},
    {".xls", "neue Microsoft Excel Mappe ein."},
    {".ppt", "neue Microsoft Powerpoint Präsentation ein."},
    {".txt", "neue Text Dokument ein."},
    {".doc", "neue MS Word Dokument(=Serienbrief) ein."},
    {".bmp", "neue Scanner Dokument ein."},
};
constexpr int kSerienbrief = 4;
constexpr int kScanner = 5;

constexpr const char* kDateiVorhanden = "Datei schon vorhanden !";
constexpr const char* kTitelErsetzen = "Datei ersetzen";
constexpr const char* kFilterXls = "MS Excel-Mappen (*.XLS) |*.XLS|";
constexpr const char* kFilterDoc = "MS Word-Dokumente (*.DOC) |*.DOC|";

// The question before a scanned page replaces an existing PDF file.
std::string ErsetzenFrage(const std::string& datei) {
  return std::string("Die Datei") + vbCrLf + datei + vbCrLf +
         "ist schon vorhanden. Soll sie durch das neue Scanner Dokument ersetzt werden?";
}

// Characters no file name may carry (a separator would also put the file
// into another folder).
bool NameGueltig(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name)
    if (std::string("\\/:*?\"<>|").find(c) != std::string::npos || static_cast<unsigned char>(c) < 32) return false;
  return true;
}

constexpr int kNameHoechstens = 25;

// The name box takes at most 25 characters. An input that would make the
// name longer (the 26th typed character, a longer pasted or dropped text) is
// refused whole, so that nothing is cut off without the user seeing it.
class NamenLaenge : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& text, int&) const override {
    return text.size() <= kNameHoechstens ? Acceptable : Invalid;
  }
};

// Connects a button or list signal to a handler run as a user event.
template <class Sender, class Signal>
void Bei(Sender* s, Signal signal, QObject* ziel, std::function<void()> handler) {
  QObject::connect(s, signal, ziel, [handler = std::move(handler)](auto&&...) { Ereignis(handler); });
}

}  // namespace

NeuesDokument::NeuesDokument(frmDorvex& f) : QObject(&f), f_(f) {
  setObjectName("NeuesDokument");
  f.LadeHaken.push_back([this](LadePhase p) {
    if (p == LadePhase::Escape) Ereignis([this] { Esc(); });
  });
  // The address kinds sit inside their panel, above its cancel button.
  if (auto* l = qobject_cast<QVBoxLayout*>(f.FrameAdressen->layout())) {
    f.lstAdressen->setParent(f.FrameAdressen);
    l->insertWidget(0, f.lstAdressen, 1);
    f.lstAdressen->setFrameShape(QFrame::StyledPanel);
  }
  for (QLabel* l : {f.lblAdressen, f.lblDokument, f.lblAusgabeDok}) {
    l->setWordWrap(true);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }

  Bei(f.lstDokument, &QListWidget::itemClicked, this, [this] { lstDokument_Click(); });
  Bei(f.lstDokument, &QListWidget::itemActivated, this, [this] { lstDokument_Click(); });
  Bei(f.cmdDokNameOK, &QPushButton::clicked, this, [this] { cmdDokNameOK_Click(); });
  Bei(f.cmdDokNameAbr, &QPushButton::clicked, this, [this] { cmdDokNameAbr_Click(); });
  Bei(f.ComAdrNeu, &QPushButton::clicked, this, [this] { ComAdrNeu_Click(); });
  Bei(f.lstAdressen, &QListWidget::itemClicked, this, [this] { lstAdressen_Click(); });
  Bei(f.lstAdressen, &QListWidget::itemActivated, this, [this] { lstAdressen_Click(); });
  Bei(f.comAdressenabbruch, &QPushButton::clicked, this, [this] { comAdressenabbruch_Click(); });
  Bei(f.ComAdrVorhanden, &QPushButton::clicked, this, [this] { ComAdrVorhanden_Click(); });
  Bei(f.ComDokNeu, &QPushButton::clicked, this, [this] { ComDokNeu_Click(); });
  Bei(f.lstVorlagen, &QListWidget::itemDoubleClicked, this, [this] { lstVorlagen_DblClick(); });
  Bei(f.Comvorlageabbruch, &QPushButton::clicked, this, [this] { Comvorlageabbruch_Click(); });
  Bei(f.ComDokVorhanden, &QPushButton::clicked, this, [this] { ComDokVorhanden_Click(); });
  Bei(f.comSerieOK, &QPushButton::clicked, this, [this] { comSerieOK_Click(); });
  Bei(f.comSerieAbbruch, &QPushButton::clicked, this, [this] { comSerieAbbruch_Click(); });
  f.lstDokument->installEventFilter(this);
  f.lstVorlagen->installEventFilter(this);
  f.txtNeuDokName->installEventFilter(this);
  f.txtNeuDokName->setValidator(new NamenLaenge(f.txtNeuDokName));
  // A refused input says why, where the user looks (the length is the
  // only thing the box refuses).
  connect(f.txtNeuDokName, &QLineEdit::inputRejected, this, [this] {
    auto* box = f_.txtNeuDokName;
    QToolTip::showText(box->mapToGlobal(QPoint(0, box->height())), box->toolTip(), box);
  });
}

NeuesDokument::~NeuesDokument() = default;

NeuesDokument* NeuesDokument::Von(frmDorvex& f) { return f.findChild<NeuesDokument*>("NeuesDokument"); }

bool NeuesDokument::eventFilter(QObject* o, QEvent* e) {
  if (o == f_.lstDokument && e->type() == QEvent::FocusOut) {
    Ereignis([this] { lstDokument_LostFocus(); });
  } else if (o == f_.txtNeuDokName && e->type() == QEvent::FocusIn) {
    Ereignis([this] { txtNeuDokName_GotFocus(); });
  } else if (o == f_.txtNeuDokName && e->type() == QEvent::KeyPress &&
             static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
    // Esc leaves the name as "Abbrechen" does.
    Ereignis([this] { cmdDokNameAbr_Click(); });
    return true;
  } else if (o == f_.lstVorlagen && e->type() == QEvent::KeyPress) {
    // Enter takes the highlighted template, as a double click.
    const int taste = static_cast<QKeyEvent*>(e)->key();
    if ((taste == Qt::Key_Return || taste == Qt::Key_Enter) && f_.lstVorlagen->currentItem()) {
      Ereignis([this] { lstVorlagen_DblClick(); });
      return true;
    }
  } else if (o == f_.lstDokument && e->type() == QEvent::KeyPress) {
    // Enter chooses the type here, and ends here: passed on, it would press
    // the name's OK at once, before a name is typed.
    const int taste = static_cast<QKeyEvent*>(e)->key();
    if (taste == Qt::Key_Return || taste == Qt::Key_Enter) {
      Ereignis([this] { lstDokument_Click(); });
      return true;
    }
    if (taste == Qt::Key_Escape) {
      // Esc closes the type list with the menu it came from, no type chosen.
      f_.lstDokument->hide();
      f_.lstAktion->hide();
      f_.filListBox->setFocus();
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------- new file

void NeuesDokument::lstDokument_Click() {
  const int i = f_.lstDokument->currentRow();
  if (i < 0 || i > 5) return;
  auto& z = Zustand();
  z.NeuDokEndung = kTypen[i].Endung;
  f_.lblNeuDokName->setText(QString::fromUtf8(kTypen[i].Aufforderung));
  if (i == kSerienbrief) {
    f_.lstAktion->hide();
    f_.lstDokument->hide();
    f_.FrameSerienBrief->adjustSize();
    f_.Platzieren(f_.FrameSerienBrief, 1920, 480, 7800, -1);
    f_.FrameSerienBrief->show();
    f_.FrameSerienBrief->setEnabled(true);
    SerienbriefParameterSetzen();
    f_.ComAdrNeu->setFocus();
    return;
  }
  if (i == kScanner) z.ScanModus = 1;
  // Each new document starts with an empty name: a name left from before
  // would take up the 25 characters and swallow what the user types.
  f_.txtNeuDokName->clear();
  f_.Dokname->adjustSize();
  const double faktor = f_.Faktor() > 0 ? f_.Faktor() : 1.0;
  f_.Platzieren(f_.Dokname, 5160, 3120, std::max(4200.0, f_.Dokname->width() * 15.0 / faktor), -1);
  f_.Dokname->show();
  f_.txtNeuDokName->setFocus();
}

void NeuesDokument::lstDokument_LostFocus() {
  f_.lstAktion->hide();
  f_.lstDokument->hide();
}

void NeuesDokument::txtNeuDokName_GotFocus() {
  f_.cmdSucheStarten->setDefault(false);
  f_.cmdDokNameOK->setDefault(true);
}

void NeuesDokument::cmdDokNameOK_Click() {
  auto& z = Zustand();
  auto sucheWiederStandard = [this] {
    f_.cmdDokNameOK->setDefault(false);
    f_.cmdSucheStarten->setDefault(true);
  };
  std::string name = S(f_.txtNeuDokName->text());
  if (name.empty()) {
    sucheWiederStandard();
    return;
  }
  // The type decides the extension: the user's own is dropped.
  if (const auto punkt = name.find('.'); punkt != std::string::npos) {
    name = name.substr(0, punkt);
    f_.txtNeuDokName->setText(Q(name));
  }
  if (!NameGueltig(name)) {
    // Nothing before the dot, or a character that names another folder.
    Dienste().Meldungen->MsgBox(kMeldungUngueltigerDateiname, vbCritical, "");
    f_.txtNeuDokName->setFocus();
    sucheWiederStandard();
    return;
  }
  const std::string ordner = f_.filListBox->Path();
  if (DateiVorhanden(ordner + "\\" + name + z.NeuDokEndung)) {
    Dienste().Meldungen->MsgBox(kDateiVorhanden, vbCritical, "");
    f_.txtNeuDokName->setFocus();
    sucheWiederStandard();
    return;
  }
  // A scanned page ends up as name.pdf: an existing PDF of that name is
  // replaced only when the user says so, before anything is scanned. No
  // leaves the panel open for another name.
  if (Gross(z.NeuDokEndung) == ".BMP") {
    const std::string pdf = name + ".pdf";
    if (DateiVorhanden(ordner + "\\" + pdf) &&
        Dienste().Meldungen->MsgBox(ErsetzenFrage(pdf), vbYesNo + vbQuestion, kTitelErsetzen) != vbYes) {
      f_.txtNeuDokName->setFocus();
      sucheWiederStandard();
      return;
    }
  }
  NewFile();
  if (!z.NeuDokErzeugt) {
    const int antwort = Dienste().Meldungen->MsgBox(kFrageNeueDateiLoeschen, vbYesNo + vbQuestion, kTitelDateiLoeschen);
    // Only what this creation wrote goes; a file that was there before is
    // never touched.
    if (antwort == vbYes)
      for (const auto& d : geschrieben_)
        if (DateiVorhanden(d)) DateiLoeschen(d);
    geschrieben_.clear();
    f_.Dokname->hide();
    f_.filListBox->setFocus();
    return;
  }
  NeueDateiAuswaehlen(name);
  f_.Dokname->hide();
  // The keys go on at the new file (the hidden panel had the focus).
  f_.filListBox->setFocus();
  sucheWiederStandard();
}

void NeuesDokument::NeueDateiAuswaehlen(const std::string& name) {
  auto* l = f_.filListBox;
  l->SetPath(l->Path());
  l->Refresh();
  const std::string gesucht = Gross(name + Zustand().NeuDokEndung);
  for (int i = 0; i < l->ListCount(); ++i)
    if (Gross(l->List(i)) == gesucht) l->SetListIndex(i);
  f_.opendatei();
}

void NeuesDokument::cmdDokNameAbr_Click() {
  f_.Dokname->hide();
  f_.filListBox->setFocus();
  f_.filListBox->Refresh();
  f_.filListBox->setCurrentRow(-1);
  f_.filListBox->clearSelection();
  f_.DateiDetailsLeeren();  // no file is selected now
}

void NeuesDokument::NewFile() {
  auto& z = Zustand();
  z.NeuDokErzeugt = true;
  geschrieben_.clear();
  const std::string ordner = f_.filListBox->Path();
  const std::string name = S(f_.txtNeuDokName->text());
  const std::string voll = ordner + "\\" + name + z.NeuDokEndung;
  const std::string e = Gross(z.NeuDokEndung);
  if (e == ".DOC" || e == ".XLS" || e == ".PPT") {
    z.NeuDokErzeugt = BueroDateiAnlegen(e, voll);
  } else if (e == ".TXT") {
    z.NeuDokErzeugt = TextDateiAnlegen(voll, false);
  } else if (e == ".BMP") {
    ScannerDateiAnlegen(ordner, name);
  } else {
    z.NeuDokErzeugt = false;
  }
}

bool NeuesDokument::BueroDateiAnlegen(const std::string& endung, const std::string& voll) {
  std::string fehler;
  // The empty file of the type is a copy of a cached one; building that
  // the first time runs LibreOffice for seconds, off this thread, while the
  // window keeps painting under the busy pointer (user input waits).
  auto vorlage = LeereVorlageImHintergrund(endung);
  if (vorlage.wait_for(std::chrono::milliseconds(40)) != std::future_status::ready) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QEventLoop schleife;
    QTimer takt;
    QObject::connect(&takt, &QTimer::timeout, &schleife, [&] {
      if (vorlage.wait_for(std::chrono::seconds(0)) == std::future_status::ready) schleife.quit();
    });
    takt.start(25);
    schleife.exec(QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
  }
  bool ok = false;
  if (!vorlage.get()) {
    fehler = "Die leere Vorlage für " + Klein(endung) + " konnte nicht erzeugt werden (LibreOffice).";
  } else {
    ok = NeueBueroDatei(endung, voll, &fehler);
  }
  if (ok) return true;
  // The failure paths of the three office programs.
  if (endung == ".DOC") {
    Dienste().Meldungen->MsgBox(kMeldungUngueltigerDateiname, vbCritical, "");
    FehlerMelden(VbFehler(fehlernr::Automatisierung, fehler));
  } else if (endung == ".XLS") {
    Dienste().Meldungen->MsgBox(kMeldungUngueltigerDateiname, vbCritical, "");
  }
  return false;
}

void NeuesDokument::ScannerDateiAnlegen(const std::string& ordner, const std::string& name) {
  auto& z = Zustand();
  // A failed scan has shown its message; nothing is created and the panel
  // closes as after a creation.
  if (ScanBildEinlesen(MitFortschritt(ScannerAusEinstellungen())) != 0) return;
  const std::string bitmap = ordner + "\\" + name + ".bmp";
  z.NeuDokEndung = ".pdf";
  // The register, so a replaced PDF's keywords wait for it in the trash (a
  // register that cannot be opened does not stop the scan).
  Datenbank* register_ = nullptr;
  try {
    register_ = &f_.DOC_DATA.Database();
  } catch (const VbFehler&) {
  }
  if (!ScanZuPdf(ordner, name, pdf_, register_)) {
    // The user was told why; the bitmap of this scan is kept unless the
    // user asks to delete it.
    z.NeuDokErzeugt = false;
    geschrieben_.push_back(bitmap);
  }
}

// ---------------------------------------------------------- serial letters

void NeuesDokument::ComAdrNeu_Click() {
  f_.Platzieren(f_.FrameAdressen, 3360, 2040, 3300, 1900);
  f_.lstAdressen->show();
  f_.comAdressenabbruch->show();
  f_.FrameAdressen->show();
  f_.FrameAdressen->raise();
  f_.lstAdressen->setFocus();
}

void NeuesDokument::lstAdressen_Click() {
  const int i = f_.lstAdressen->currentRow();
  if (i < 0) return;
  f_.lstAdressen->hide();
  f_.FrameAdressen->hide();
  const std::string art = i == 0 ? "ETTI" : "VORS";
  AdressExportErgebnis e;
  {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Zeiger {
      ~Zeiger() { QApplication::restoreOverrideCursor(); }
    } zurueck;
    e = AdressenExportieren(art, f_.filListBox->Path(), Jetzt());
  }
  f_.ComAdrNeu->setFocus();
  if (!e.Datei.empty()) {
    f_.lblAdressen->setText(Q(e.Datei));
    return;
  }
  if (!e.Abgelehnt) {
    // The export failed: say so rather than leave the user guessing.
    Dienste().Meldungen->MsgBox("Die Adressdatei konnte nicht erzeugt werden." + std::string(vbCrLf) + e.Fehler,
                                vbCritical, "Adressexport");
  }
  f_.ComDokNeu->setFocus();
}

void NeuesDokument::comAdressenabbruch_Click() {
  f_.lstAdressen->hide();
  f_.FrameAdressen->hide();
  f_.ComAdrNeu->setFocus();
}

std::string NeuesDokument::DateiAuswaehlen(const std::string& filter) {
  return Dienste().Meldungen->DateiOeffnen("", filter, f_.filListBox->Path() + "\\");
}

void NeuesDokument::ComAdrVorhanden_Click() {
  const std::string datei = DateiAuswaehlen(kFilterXls);
  f_.lblAdressen->setText(Q(datei));
  (datei.empty() ? f_.ComAdrNeu : f_.ComDokNeu)->setFocus();
}

void NeuesDokument::ComDokNeu_Click() {
  const std::string wurzel = Zustand().DokWurzel;
  const std::string vorher = f_.dirListBox->Path();
  f_.dirListBox->SetPath(wurzel);
  const auto vorlagen = VorlagenSuchen(wurzel);
  if (!vorlagen.empty()) {
    f_.lstVorlagen->clear();
    for (const auto& v : vorlagen) f_.lstVorlagen->addItem(Q(v));
    f_.Platzieren(f_.Framevorlagen, 3360, 2040, 3600, 2400);
    f_.lstVorlagen->show();
    f_.Framevorlagen->show();
    f_.Framevorlagen->raise();
    f_.dirListBox->SetPath(vorher);
    f_.lstVorlagen->setFocus();
    return;
  }
  Dienste().Meldungen->MsgBox(KeineVorlagenMeldung(wurzel), vbCritical, kTitelVorlagen);
  f_.dirListBox->SetPath(vorher);
}

void NeuesDokument::lstVorlagen_DblClick() {
  auto* eintrag = f_.lstVorlagen->currentItem();
  if (!eintrag) return;
  f_.lstVorlagen->hide();
  f_.Framevorlagen->hide();
  VorlageUebernehmen(S(eintrag->text()));
  f_.comSerieOK->setFocus();
}

void NeuesDokument::Comvorlageabbruch_Click() {
  f_.lstVorlagen->hide();
  f_.Framevorlagen->hide();
  f_.ComDokNeu->setFocus();
}

void NeuesDokument::AusgabeVorhandenFragen() {
  const std::string ausgabe = S(f_.lblAusgabeDok->text());
  Zustand().AufrufParameter[slot::Dokument] = Variant(ausgabe);
  if (!DateiVorhanden(ausgabe)) return;
  const int antwort =
      Dienste().Meldungen->MsgBox(kFrageDateiLoeschenSerie, vbYesNo + vbQuestion, kTitelDateiLoeschen);
  if (antwort == vbYes) {
    DateiWegwerfen(ausgabe);  // an edited letter can be taken back from the trash
  } else {
    f_.lblDokument->clear();
  }
}

void NeuesDokument::VorlageUebernehmen(const std::string& name) {
  f_.lblDokument->setText(Q(Zustand().DokWurzel + "\\" + name));
  f_.lblAusgabeDok->setText(Q(AusgabeDokumentName(f_.filListBox->Path(), Jetzt())));
  AusgabeVorhandenFragen();
}

void NeuesDokument::ComDokVorhanden_Click() {
  const std::string dokument = DateiAuswaehlen(kFilterDoc);
  f_.lblDokument->setText(Q(dokument));
  if (dokument.empty()) {
    f_.ComDokNeu->setFocus();
    return;
  }
  const std::string ausgabe = AusgabeDokumentName(f_.filListBox->Path(), Jetzt());
  f_.lblAusgabeDok->setText(Q(ausgabe));
  if (Gross(dokument) == Gross(ausgabe)) return;
  AusgabeVorhandenFragen();
}

void NeuesDokument::comSerieOK_Click() {
  auto& z = Zustand();
  if (f_.lblAdressen->text().isEmpty()) {
    f_.ComAdrNeu->setFocus();
    return;
  }
  if (f_.lblDokument->text().isEmpty()) {
    f_.ComDokNeu->setFocus();
    return;
  }
  f_.FrameSerienBrief->hide();
  f_.filListBox->setFocus();
  const std::string ausgabe = S(f_.lblAusgabeDok->text());
  z.NeuDokErzeugt = SerienbriefVorbereiten(S(f_.lblAdressen->text()), S(f_.lblDokument->text()), ausgabe);
  // The wizard's choices end with its run: a second run the same day chooses
  // its letter again and is asked before the first one's output is replaced.
  f_.lblAdressen->clear();
  f_.lblDokument->clear();
  f_.lblAusgabeDok->clear();
  f_.Ordneransicht();
  f_.Dokname->hide();
  f_.filListBox->Refresh();
  f_.filListBox->setCurrentRow(-1);
  // The name keeps its final dot; the extension follows without one.
  std::string name = ausgabe.substr(ausgabe.find_last_of('\\') + 1);
  name = name.substr(0, name.rfind('.') + 1);
  f_.txtNeuDokName->setText(Q(name));
  z.NeuDokEndung = "DOC";
  NeueDateiAuswaehlen(name);
}

void NeuesDokument::comSerieAbbruch_Click() {
  auto& p = Zustand().AufrufParameter;
  p[slot::Objekt] = Variant(std::string());
  p[slot::Dokument] = Variant(std::string());
  f_.lblAdressen->clear();
  f_.lblDokument->clear();
  f_.lblAusgabeDok->clear();
  f_.FrameSerienBrief->hide();
  if (auto* knoten = f_.Baum->Ausgewaehlt()) f_.Baum->NodeClick(knoten);
  f_.filListBox->setFocus();
}

void NeuesDokument::Esc() {
  if (f_.FrameAdressen->isVisible()) comAdressenabbruch_Click();
  else if (f_.Framevorlagen->isVisible()) Comvorlageabbruch_Click();
  else if (f_.FrameSerienBrief->isVisible()) comSerieAbbruch_Click();
}

void NeuesDokumentEinrichten(frmDorvex& f) { new NeuesDokument(f); }

}  // namespace vxm
