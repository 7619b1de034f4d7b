// The main window's life: load step, path reconciliation, unload step.
#include "component/qt/frmdorvex.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QKeyEvent>

#include "basis/dateifunktionen.h"
#include "basis/fehlermelden.h"
#include "basis/zustand.h"
#include "component/dokpfad.h"
#include "component/vxmdorvex.h"
#include "platform/qt/papierkorb.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/qt/qtdialoge.h"
#include "platform/qt/qtuebersetzung.h"
#include "platform/text.h"
#include "store/ordnerlayout.h"
#include "store/qt/ordnerbaum.h"

namespace vxm {
namespace {

// The load step ends here when the window unloaded itself.
struct LadeAbbruch {};

constexpr int kFehlerSchluesselDoppelt = 35602;

// ---- steps of the load step that fill one part of the window ----

void PopuplistenFuellen(frmDorvex& f) {
  auto fuellen = [](QListWidget* l, std::initializer_list<const char*> texte) {
    l->clear();
    for (auto* t : texte) l->addItem(QString::fromUtf8(t));
  };
  fuellen(f.lstAdressen, {"Adressen für Ettiketten", "Adressen mit Vorschreibung"});
  fuellen(f.lstAktion, {"Ausschneiden", "Kopieren", "Einfügen", "Löschen", "Neue Datei", "Umbenennen",
                        "Keywords", "Terminverwaltung", "--------------------------"});
  f.lstAktion->hide();
  fuellen(f.lstOrdner, {"Neuer Ordner", "Umbenennen", "Eigenschaften", "Schließen"});
  f.lstOrdner->hide();
  f.lstNeuOrdner->clear();
  for (auto* t : vxm::lstNeuOrdner) f.lstNeuOrdner->addItem(QString::fromUtf8(t));
  fuellen(f.lstDokument, {"MS Word (*.DOC)", "MS Excel (*.XLS)", "MS Power-Point (*.PPT)", "Windowstext (*.TXT)",
                          "Serienbrief MS Word", "Scanner Import (*.PDF)"});
  fuellen(f.lstKeyword, {"Neu", "Ändern", "Löschen"});
  for (QListWidget* l : {f.lstAktion, f.lstOrdner, f.lstNeuOrdner, f.lstDokument, f.lstKeyword, f.lstAdressen}) {
    l->setFixedHeight(l->sizeHintForRow(0) * l->count() + 2 * l->frameWidth() + 2);
    l->setFixedWidth(std::max(Twips(1500), l->sizeHintForColumn(0) + 2 * l->frameWidth() + 8));
  }
}

void DatenbankenZuordnen(frmDorvex& f) {
  auto& z = Zustand();
  z.KeywordDatenbank = KeywordDatenbankPfad(z.DatenbankPfad);
  for (auto* q : {&f.OO_DATA, &f.BE_DATA, &f.BN_DATA}) q->DatabaseName = z.DatenbankPfad;
  f.FIData.DatabaseName = z.FirmenDatenbank;
  f.DOC_DATA.DatabaseName = z.KeywordDatenbank;
  f.SW_DATA.DatabaseName = z.KeywordDatenbank;
}

// The drive of the document root in the drive list, the tree from its root.
void LaufwerkUndBaumAufbauen(frmDorvex& f) {
  f.drvListBox->Fuellen();
  const std::string wurzel = Zustand().DokWurzel.substr(0, 3);
  const int i = f.drvListBox->findText(Q(Klein(wurzel.substr(0, 1)) + ":"));
  if (i >= 0) f.drvListBox->setCurrentIndex(i);
  if (auto* host = dynamic_cast<HostDateisystem*>(Dienste().Dateien.get()))
    host->Laufwerke().AktuellerOrdnerSetzen(wurzel.substr(0, 2) + "\\");
  f.Baum->BaumAufbauen(wurzel.substr(0, 2) + "\\");
}

void KeywortAuswahlFuellen(frmDorvex& f) {
  f.lstKeywordsAuswahl2->clear();
  f.DOC_DATA.RecordSource = "SELECT * FROM Keyword";
  f.DOC_DATA.Refresh();
  for (auto& rs = f.DOC_DATA.Rs(); !rs.Eof(); rs.MoveNext()) f.lstKeywordsAuswahl2->addItem(Q(rs.Text("Keyword")));
}

}  // namespace

frmDorvex::frmDorvex() {
  // Errors that an event handler left go to the general error report.
  EreignisFehlerZiel() = [](const std::exception& e) { FehlerMelden(e); };
  QtTexteDeutsch();
  Aufbauen();
  // First of the lists' filters, so last to see a key: the others (menus,
  // the search's suggestions) have had their Enter before.
  for (auto* liste : findChildren<QAbstractItemView*>()) liste->installEventFilter(this);
  Baum = std::make_unique<OrdnerBaum>(*this);
  Verbinden();
  KeywortPanelEinrichten(*this);
  SuchPanelEinrichten(*this);
  DatenSucheEinrichten(*this);
  AktionenEinrichten(*this);
  NeuesDokumentEinrichten(*this);
  BilderEinrichten(*this);
  OrdnerWaechterEinrichten(*this);
  AbdruckNachtragEinrichten(*this);
  dialoge_ = std::make_shared<QtDialoge>(this);
}

frmDorvex::~frmDorvex() {
  if (vorherigeDialoge_) Dienste().Meldungen = vorherigeDialoge_;
  // The children go while the window is still whole: their event filters
  // and handlers reach back into it while focus moves between them.
  tvwDir->viewport()->removeEventFilter(Baum.get());
  tvwDir->removeEventFilter(Baum.get());
  while (!children().isEmpty()) delete children().first();
}

std::vector<Datenquelle*> frmDorvex::Datenquellen() {
  return {&OO_DATA, &BE_DATA, &BN_DATA, &FIData, &DOC_DATA, &SW_DATA};
}

void frmDorvex::Unload() {
  entladen_ = true;
  if (!laedt_) close();
}

void frmDorvex::LadeFehler(const std::exception& e) {
  const auto* vb = dynamic_cast<const VbFehler*>(&e);
  if (vb && vb->Nummer == kFehlerSchluesselDoppelt) return;
  if (vb && vb->Nummer == fehlernr::DatenbankFehlt) {
    // Name the file that is really missing (the message used to name the
    // keyword database whatever source failed).
    std::string datei = Zustand().KeywordDatenbank;
    if (DateiVorhanden(datei)) {
      for (auto* q : Datenquellen())
        if (!q->DatabaseName.empty() && !DateiVorhanden(q->DatabaseName)) {
          datei = q->DatabaseName;
          break;
        }
    }
    Dienste().Meldungen->MsgBox("Konnte die Datenbank \"" + datei + "\" nicht finden.", vbCritical,
                                "Datenbank nicht gefunden.");
    Unload();
    throw LadeAbbruch{};
  }
  if (vb && vb->Nummer == fehlernr::ServerNichtErreichbar) {
    // Without the register nothing here works; every further step would
    // wait for the server again.
    // (the office's server file refused, e.g. for a password in it: the
    // server was never asked)
    const bool einstellung = vb->Beschreibung.find(kServerDatei) != std::string::npos;
    Dienste().Meldungen->MsgBox(vb->Beschreibung, vbCritical,
                                einstellung ? "Serververbindung abgelehnt." : "Datenbankserver nicht erreichbar.");
    Unload();
    throw LadeAbbruch{};
  }
  FehlerMelden(e);
}

bool frmDorvex::Form_Load() {
  auto& z = Zustand();
  // While the window is shown its messages are Qt dialogs over it.
  vorherigeDialoge_ = Dienste().Meldungen;
  if (!std::dynamic_pointer_cast<QtDialoge>(vorherigeDialoge_) &&
      qEnvironmentVariableIsEmpty("VXM_DIALOGE_BEHALTEN"))
    Dienste().Meldungen = dialoge_;
  // Files the user chose to delete go to the desktop's trash where it takes them.
  if (!Dienste().Papierkorb)
    Dienste().Papierkorb = [](const std::string& p) { return InDenPapierkorb(p) == Korb::Verschoben; };
  laedt_ = true;
  entladen_ = false;
  try {
    SteuerelementeLaden();
    if (!DokPfadFestlegen()) throw LadeAbbruch{};
    OrdnerLaden();
  } catch (const LadeAbbruch&) {
    z.LadeModus = false;
    laedt_ = false;
    return false;
  }
  laedt_ = false;
  return !entladen_;
}

bool frmDorvex::BeimLadenAufgeschoben(const std::exception& e) {
  const auto* vb = dynamic_cast<const VbFehler*>(&e);
  if (!Zustand().LadeModus || !vb || vb->Nummer != fehlernr::ServerNichtErreichbar) return false;
  if (!aufgeschoben_) aufgeschoben_ = std::make_exception_ptr(*vb);
  return true;
}

void frmDorvex::Ladeschritt(const std::function<void()>& schritt) {
  try {
    schritt();
    if (auto f = std::exchange(aufgeschoben_, nullptr)) std::rethrow_exception(f);
  } catch (const LadeAbbruch&) {
    throw;
  } catch (const std::exception& e) {
    LadeFehler(e);
  }
}

void frmDorvex::SteuerelementeLaden() {
  auto& z = Zustand();
  Ladeschritt([&] { z.LadeModus = true; });
  Ladeschritt([&] {
    auto& p = z.AufrufParameter;
    if (p.size() < kParameterAnzahl) p.resize(kParameterAnzahl);
    ObjektParam = p[slot::Objekt];
    BeParam = p[slot::Bestandseinheit];
    BnParam = AlsLong(p[slot::Bestandnehmer]);
  });
  Ladeschritt([&] {
    picBox->hide();
    gefdatframe->hide();
    DirChangeAktiv = true;
    lblanzeigesuchdir->show();
    cmdOrdner->hide();
    for (auto& s : LadeHaken) s(LadePhase::Anfang);
  });
  Ladeschritt([&] { Baum->BilderZuweisen(); });
  Ladeschritt([&] { PopuplistenFuellen(*this); });
  Ladeschritt([&] {
    FrameSerienBrief->hide();
    FrameSerienBrief->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{lstDokument, Dokname, Framevorlagen, FrameAdressen,
                                                       lstAdressen, comAdressenabbruch})
      w->hide();
  });
  Ladeschritt([&] { DatenbankenZuordnen(*this); });
  Ladeschritt([&] { DatenquellenVerbinden(*this); });
  Ladeschritt([&] {
    for (auto& s : LadeHaken) s(LadePhase::Vorhaben);
  });
}

void frmDorvex::OrdnerLaden() {
  auto& z = Zustand();
  Ladeschritt([&] {
    MandantOrdnerFestlegen(z.KonfigDokPfad, z.DatenbankPfad, AlsText(z.AufrufParameter[slot::Mandant]));
  });
  Ladeschritt([&] {
    z.OrdnerPfad = Gross(EntityOrdner(AlsLong(ObjektParam), AlsLong(BeParam), BnParam, z.MandantPfad));
  });
  Ladeschritt([&] { DirChangeAktiv = false; });
  Ladeschritt([&] { z.BaumKlick = false; });
  Ladeschritt([&] { LaufwerkUndBaumAufbauen(*this); });
  Ladeschritt([&] { dirListBox->SetPath(z.MandantPfad); });
  Ladeschritt([&] {
    DirChangeAktiv = true;
    dirListBox->SetPath(z.OrdnerPfad);
  });
  Ladeschritt([&] { KeywortAuswahlFuellen(*this); });
  Ladeschritt([&] {
    Platzieren(FrameKeywortBearbeitung, 1080, 1080, 8655, 6300);
    Platzieren(FrameÄnderung, 9840, 2460, 2655, 3735);
  });
  Ladeschritt([&] {
    optSuchenDok->setChecked(true);
    optSchluesselW->setChecked(false);
    optTextInhalt->setChecked(false);
    z.UmbenennenAktiv = false;
  });
  Ladeschritt([&] {
    for (auto& s : LadeHaken) s(LadePhase::RegisterBereinigen);
  });
  Ladeschritt([&] { z.LadeModus = false; });
  Ladeschritt([&] { FensterSkalieren(true, true); });
  // The keys start in the called entity's files.
  Ladeschritt([&] { filListBox->setFocus(); });
}

bool frmDorvex::DokPfadFestlegen() {
  auto& z = Zustand();
  FirmenstammQuelle firma(FIData);
  DokPfadAbgleich abgleich(firma, *Dienste().Meldungen, z.DatenbankPfad, z.KonfigDokPfad, z.DokWurzel);
  abgleich.Ladefehler = [this](const std::exception& e) {
    try {
      LadeFehler(e);
    } catch (const LadeAbbruch&) {
      return false;
    }
    return true;
  };
  const DokPfadEntscheidung d = abgleich.Festlegen();
  z.KonfigDokPfad = d.KonfigDokPfad;
  z.DokWurzel = d.DokWurzel;
  if (d.Entladen) Unload();
  return !d.Entladen;
}

void frmDorvex::Form_Unload() {
  for (auto& s : LadeHaken) s(LadePhase::Entladen);
}

void frmDorvex::closeEvent(QCloseEvent* e) {
  Form_Unload();
  QDialog::closeEvent(e);
}

void frmDorvex::keyPressEvent(QKeyEvent* e) {
  // Esc must not close the window behind the user's back; it cancels a
  // running search instead (handled by the search panel).
  if (e->key() == Qt::Key_Escape) {
    for (auto& s : LadeHaken) s(LadePhase::Escape);
    return;
  }
  const auto mods = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
  if (e->key() == Qt::Key_F5 && mods == Qt::NoModifier) {
    Ereignis([this] { Auffrischen(); });
    return;
  }
  // As every window of the desktop.
  if (e->key() == Qt::Key_W && mods == Qt::ControlModifier) {
    close();
    return;
  }
  if (EnterAmFokus(this, e)) return;
  QDialog::keyPressEvent(e);
}

bool frmDorvex::eventFilter(QObject* o, QEvent* e) {
  if (e->type() == QEvent::KeyPress && qobject_cast<QAbstractItemView*>(o)) {
    const int taste = static_cast<QKeyEvent*>(e)->key();
    if (taste == Qt::Key_Return || taste == Qt::Key_Enter) {
      // The list handles its Enter, and it ends there: passed on to the
      // window, it would press the button the list's handler may have put
      // the focus on.
      o->event(e);
      e->accept();  // (an ignored event would still go on to the window)
      return true;
    }
  }
  return QDialog::eventFilter(o, e);
}

void DatenquellenVerbinden(frmDorvex& fenster) {
  const std::string verbindung = Verbindungstext();
  for (auto* q : fenster.Datenquellen()) q->Connect = verbindung;
}

}  // namespace vxm
