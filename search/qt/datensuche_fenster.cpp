// Name and text search from the search panel and the result list
// gefundenviewBox: the two entry points, the result view and the way back
// to the folder view.
//
// A search runs on the window's thread; between folders and blocks it lets
// the window's events run (at most every 50 ms), so hits appear and the
// count grows while it works, and "Abbrechen" or Esc end it with what it
// found so far.
#include "search/qt/datensuche_fenster.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <set>
#include <system_error>

#include "basis/zustand.h"
#include "component/qt/frmdorvex.h"
#include "files/dateidetails.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/oeffner.h"
#include "platform/text.h"
#include "search/datensuche.h"
#include "search/qt/volltextfenster.h"
#include "store/ordnerlayout.h"
#include "store/qt/ordnerbaum.h"

namespace vxm {
namespace {

constexpr int kRolleSchluessel = Qt::UserRole + 1;
constexpr qint64 kEreignisAbstandMs = 50;

std::string ListSchluessel(const QTreeWidgetItem* e) { return S(e->data(0, kRolleSchluessel).toString()); }

}  // namespace

void SpaltenbreiteSetzen(QTreeWidget* liste) {
  // Names and folders as wide as their longest entry, but the name column
  // never wider than half the list, so the folder stays in sight.
  const int breite = std::max(liste->viewport()->width(), 200);
  const int n = liste->columnCount() - (liste->header()->stretchLastSection() ? 1 : 0);
  for (int i = 0; i < n; ++i) {
    liste->resizeColumnToContents(i);
    int w = std::max(liste->columnWidth(i), liste->header()->sectionSizeHint(i));
    if (i + 1 < liste->columnCount()) w = std::min(w, breite / 2);
    liste->setColumnWidth(i, w + 8);
  }
}

void KopfzeileUmschalten(QTreeWidget* liste, QWidget* fenster) {
  // Button-style headers: sections that can be pressed (and sort).
  QHeaderView* kopf = liste->header();
  const bool knopf = !kopf->sectionsClickable();
  kopf->setSectionsClickable(knopf);
  kopf->setHighlightSections(knopf);
  liste->setSortingEnabled(knopf);
  if (knopf) liste->sortByColumn(-1, Qt::AscendingOrder);  // keep the order of finding
  kopf->viewport()->update();
  if (fenster) fenster->update();
}

DatenSucheFenster::DatenSucheFenster(frmDorvex& f) : QObject(&f), f_(f) {
  f.gefundenviewBox->setObjectName("gefundenviewBox");
  f.gefundenviewBox->setSelectionMode(QAbstractItemView::SingleSelection);
  f.gefundenviewBox->setAllColumnsShowFocus(true);
  f.gefundenviewBox->setUniformRowHeights(true);
  f.gefundenviewBox->setAlternatingRowColors(true);
  f.gefundenviewBox->header()->setStretchLastSection(true);

  // The cancel button sits beside the status text while a search runs.
  abbrechen_ = new QPushButton(QString::fromUtf8("Abbrechen"), &f);
  abbrechen_->setObjectName("cmdSucheAbbrechen");
  abbrechen_->setToolTip(QString::fromUtf8("Suche abbrechen (Esc)"));
  abbrechen_->hide();
  if (auto* haupt = f.layout()) {
    for (int i = 0; i < haupt->count(); ++i) {
      auto* l = qobject_cast<QBoxLayout*>(haupt->itemAt(i)->layout());
      if (l && l->indexOf(f.lblStatus) >= 0) {
        l->addWidget(abbrechen_);
        break;
      }
    }
  }
  connect(abbrechen_, &QPushButton::clicked, this, [this] { Abbrechen(); });

  f.DatenSucheStarten = [this] { cmdDataSearch_Click(); };
  f.NamenSucheStarten = [this] { comsuchen_Click(); };
  connect(f.comsuchen, &QPushButton::clicked, this, [this] { Ereignis([this] { comsuchen_Click(); }); });
  connect(f.cmdOrdner, &QPushButton::clicked, this, [this] { Ereignis([this] { cmdOrdner_Click(); }); });
  connect(f.gefundenviewBox, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* e, int) { Ereignis([&] { gefundenviewBox_ItemClick(e); }); });
  connect(f.gefundenviewBox, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem*, int) { Ereignis([this] { gefundenviewBox_DblClick(); }); });
  // A hit reached with the keys is shown as a clicked one: the details never
  // describe another file than the one "Ordner" would open. (A mouse press
  // is left to the click.)
  connect(f.gefundenviewBox, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* jetzt) {
    if (jetzt && f_.gefundenviewBox->hasFocus() && QApplication::mouseButtons() == Qt::NoButton)
      Ereignis([&] { gefundenviewBox_ItemClick(jetzt); });
  });
  f.gefundenviewBox->installEventFilter(this);
  f.LadeHaken.push_back([this](LadePhase p) {
    if (p == LadePhase::Escape || p == LadePhase::Entladen) Abbrechen();
  });
}

bool DatenSucheFenster::eventFilter(QObject* o, QEvent* e) {
  if (o != f_.gefundenviewBox || e->type() != QEvent::KeyPress) return false;
  const int taste = static_cast<QKeyEvent*>(e)->key();
  if (taste != Qt::Key_Return && taste != Qt::Key_Enter) return false;
  // Enter takes the highlighted hit over, as a double click does.
  if (auto* k = f_.gefundenviewBox->currentItem()) {
    Ereignis([&] {
      gefundenviewBox_ItemClick(k);
      gefundenviewBox_DblClick();
    });
  }
  return true;
}

void DatenSucheFenster::Abbrechen() {
  if (steuerung_) steuerung_->Abbrechen = true;
}

void DatenSucheFenster::SpaltenKoepfe(bool mitFundstelle) {
  auto* l = f_.gefundenviewBox;
  l->setSortingEnabled(false);
  l->clear();
  l->setColumnCount(0);
  if (mitFundstelle) {
    l->setHeaderLabels({"Datei", "Pfad", "Fundstelle"});
  } else {
    l->setHeaderLabels({"Datei", "Pfad"});
  }
  schluessel_.clear();
  treffer_ = 0;
}

void DatenSucheFenster::EintragHinzufuegen(const SuchTreffer& t, const std::string* kontext) {
  const std::string schluessel = t.Schluessel();
  // A key is unique in the list; the same file reached twice stays one entry.
  if (!schluessel_.insert(schluessel).second) return;
  QStringList spalten{Q(t.Name), Q(t.Ordner)};
  if (kontext) spalten << Q(*kontext);
  auto* e = new QTreeWidgetItem(f_.gefundenviewBox, spalten);
  if (kontext) e->setToolTip(2, Q(*kontext));
  e->setIcon(0, DateiSymbol(t.Icon));
  e->setData(0, kRolleSchluessel, Q(schluessel));
  e->setToolTip(1, Q(t.Ordner));
  ++treffer_;
  f_.lblanzahldateien->setText(QString::number(treffer_));
  if (NachTreffer) NachTreffer();
}

void DatenSucheFenster::EreignisseLaufenLassen(bool sofort) {
  if (!sofort && uhr_.isValid() && uhr_.elapsed() < kEreignisAbstandMs) return;
  uhr_.restart();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void DatenSucheFenster::Beginnen() {
  laeuft_ = true;
  f_.lblStatus->setText(QString::fromUtf8(kStatusSucheLaeuft));
  f_.lblStatus->show();
  abbrechen_->show();
  abbrechen_->setEnabled(true);
  f_.comsuchen->setEnabled(false);
  f_.cmdSucheStarten->setEnabled(false);
  uhr_.invalidate();
}

void DatenSucheFenster::Beenden() {
  laeuft_ = false;
  steuerung_ = nullptr;
  abbrechen_->hide();
  f_.comsuchen->setEnabled(true);
  f_.cmdSucheStarten->setEnabled(true);
}

void DatenSucheFenster::ErgebnisZeigen(bool abgebrochen) {
  f_.gefdatframe->show();
  f_.gefundenviewBox->show();
  // A stopped search lists what it found so far: the count says so.
  f_.lblanzahldateien->setText(QString::number(treffer_) + (abgebrochen ? QString::fromUtf8(" (abgebrochen)") : QString()));
}

void DatenSucheFenster::cmdDataSearch_Click() { DatenSucheAusfuehren(false); }

void DatenSucheFenster::DatenSucheAusfuehren(bool textErzwingen) {
  if (laeuft_) return;  // one search at a time
  auto& z = Zustand();
  f_.lstIcon->hide();
  f_.dirListBox->Visible = false;
  f_.frameOrdner->hide();
  f_.filListBox->hide();
  f_.FrameDatei->hide();
  f_.tvwDir->hide();
  SpaltenKoepfe();
  const bool textsuche = textErzwingen || f_.optTextInhalt->isChecked();
  auto* volltext = textsuche ? VolltextFenster::Von(&f_) : nullptr;
  SpaltenKoepfe(volltext && VolltextFenster::Eingeschaltet());
  f_.Label6->hide();
  // The list fills while the search runs.
  f_.lblanzahldateien->setText("0");
  ErgebnisZeigen();

  const std::string start = f_.chckNurOneFold->isChecked() ? f_.dirListBox->Path() : z.DokWurzel;
  DatenSucheAuftrag auftrag;
  auftrag.Text = S(f_.txtDateisuchen->text());
  auftrag.Modus = textsuche ? Suchmodus::TextInhalt : Suchmodus::Dokumente;

  SuchSteuerung steuerung;
  steuerung.Treffer = [this](const SuchTreffer& t) { EintragHinzufuegen(t); };
  steuerung.Ereignisse = [this] { EreignisseLaufenLassen(false); };
  steuerung_ = &steuerung;
  QPointer<frmDorvex> fenster(&f_);
  Beginnen();
  SuchErgebnis erg;
  try {
    // The text search answers from the full-text index where the window has
    // one, with the phrase in its context; otherwise from the bytes.
    const bool ausIndex =
        volltext && volltext->Suchen(start, auftrag.Text, steuerung,
                                     [this](const SuchTreffer& t, const std::string& k) { EintragHinzufuegen(t, &k); },
                                     erg);
    if (!ausIndex) {
      if (volltext) SpaltenKoepfe();
      erg = DatenSuche(start, auftrag, &steuerung);
    }
  } catch (...) {
    if (fenster) Beenden();
    throw;
  }
  if (!fenster) return;
  Beenden();

  if (treffer_ > 0) {
    TrefferlisteFertig(erg.Abgebrochen);
    ErstenTrefferZeigen();
  } else {
    OhneTrefferZurueck(erg.Abgebrochen);
  }
}

void DatenSucheFenster::TrefferlisteFertig(bool abgebrochen) {
  ErgebnisZeigen(abgebrochen);
  SpaltenbreiteSetzen(f_.gefundenviewBox);
  if (!f_.gefundenviewBox->header()->sectionsClickable()) KopfzeileUmschalten(f_.gefundenviewBox, &f_);
}

void DatenSucheFenster::ErstenTrefferZeigen() {
  f_.cmdOrdner->setEnabled(true);
  f_.cmdOrdner->show();
  f_.lblStatus->hide();
  auto* erster = f_.gefundenviewBox->topLevelItem(0);
  f_.gefundenviewBox->setCurrentItem(erster);
  DetailsZeigen(erster);
  // The preview belongs to the hit whose details are shown, not to the
  // file shown before the search.
  f_.BildGezeigt = f_.BildAnzeigen(S(erster->text(1)), S(erster->text(0)));
  if (!f_.BildGezeigt) f_.picBox->clear();
}

// Without a hit the window goes back to its folders, so the user is not
// left without tree and file list; the search text stays to be corrected.
void DatenSucheFenster::OhneTrefferZurueck(bool abgebrochen) {
  f_.lblStatus->hide();
  f_.gefdatframe->hide();
  const QString text = f_.txtDateisuchen->text();
  OrdnerAnsicht();
  DetailsNachDerListe();
  BeschriftungenDesOrdners();
  f_.lstIcon->setVisible(f_.filListBox->ListCount() > 0);
  f_.Label6->setVisible(f_.filListBox->ListCount() > 0);
  f_.txtDateisuchen->setText(text);
  f_.txtDateisuchen->setFocus();
  if (!abgebrochen) Dienste().Meldungen->MsgBox(kMeldungKeineSuchergebnisse, vbOKOnly, "");
}

void DatenSucheFenster::comsuchen_Click() {
  if (laeuft_) return;
  if (f_.chckSucheTextInFile->isChecked()) {
    // "enthaltener Text" means the text inside the documents, whichever
    // option is set above.
    DatenSucheAusfuehren(true);
    return;
  }
  auto& z = Zustand();
  SpaltenKoepfe();
  f_.cmdOrdner->show();

  std::string box = S(f_.txtDateisuchen->text());
  std::string name, endung;
  const bool ok = NamenSucheVorbereiten(box, name, endung);
  f_.txtDateisuchen->setText(Q(box));
  if (!ok) return;

  const std::string start = f_.chckNurOneFold->isChecked() ? f_.dirListBox->Path() : z.DokWurzel;
  const std::string altDir = f_.dirListBox->Path();
  const std::string altFil = f_.filListBox->Path();
  ListenVerbergen(start);

  letzterOrdner_.clear();
  bool strukturFehler = false;
  SuchSteuerung steuerung;
  steuerung.OrdnerBetreten = [this](const std::string& o) { f_.lblanzeigesuchdir->setText(Q(o)); };
  steuerung.Ereignisse = [this] { EreignisseLaufenLassen(false); };
  steuerung.Treffer = [&](const SuchTreffer& t) {
    EintragHinzufuegen(t);
    if (!BaumErweitern(t.Ordner)) {
      strukturFehler = true;
      steuerung.Abbrechen = true;
    }
  };
  steuerung_ = &steuerung;
  QPointer<frmDorvex> fenster(&f_);
  Beginnen();
  try {
    NamenSuche(start, name, endung, &steuerung);
  } catch (...) {
    if (fenster) {
      Beenden();
      f_.DirChangeAktiv = true;
    }
    throw;
  }
  if (!fenster) return;
  Beenden();

  f_.DirChangeAktiv = true;
  try {
    f_.dirListBox->SetPath(altDir);
    f_.filListBox->SetPath(altFil);
  } catch (const VbFehler&) {
    // The folder went away meanwhile: the lists stay where they are.
  }
  f_.lblStatus->hide();
  if (treffer_ > 0) {
    f_.dirListBox->Visible = false;
    f_.filListBox->hide();
    TrefferlisteFertig(steuerung.Abbrechen && !strukturFehler);
    f_.gefundenviewBox->update();
    // The details describe a hit, not the file shown before the search.
    ErstenTrefferZeigen();
  } else {
    OrdnerAnsicht();
    DetailsNachDerListe();
    BeschriftungenDesOrdners();
  }
  if (strukturFehler) Dienste().Meldungen->MsgBox(kMeldungOrdnerstruktur, vbOKOnly, "");
}

void DatenSucheFenster::ListenVerbergen(const std::string& start) {
  f_.DirChangeAktiv = false;
  f_.dirListBox->Enabled = false;
  f_.dirListBox->Visible = false;
  f_.filListBox->setEnabled(false);
  f_.filListBox->hide();
  f_.tvwDir->hide();
  // Their frames would stand empty beside the result list.
  f_.frameOrdner->hide();
  f_.FrameDatei->hide();
  f_.cmdOrdner->show();
  f_.cmdOrdner->setEnabled(true);
  f_.lblanzeigesuchdir->setText(Q(start));
  f_.lblanzeigesuchdir->show();
  f_.lblanzahldateien->setText("0");
  ErgebnisZeigen();
}

bool DatenSucheFenster::BaumErweitern(const std::string& ordner) {
  // Hits in one folder come together: the chain is collected once.
  if (!letzterOrdner_.empty() && GleichOhneFall(letzterOrdner_, ordner)) return true;
  std::vector<std::string> kette;
  if (!DirTreeHolen(ordner, kette)) return false;
  letzterOrdner_ = ordner;
  auto& baum = *f_.Baum;
  for (std::size_t i = 1; i < kette.size(); ++i) {
    if (baum.Knoten(kette[i])) continue;
    QTreeWidgetItem* eltern = baum.Knoten(kette[i - 1]);
    if (!eltern) break;  // a drive the tree does not show
    std::string name = kette[i].substr(kette[i - 1].size());
    name.pop_back();
    const BaumKnoten k = OrdnerKnoten(OrdnerBaum::Schluessel(eltern), name);
    try {
      baum.Hinzufuegen(eltern, k.Schluessel, k.Text, k.Bild, k.BildAusgewaehlt);
    } catch (const VbFehler& fehler) {
      if (fehler.Nummer != 35602) throw;
    }
  }
  return true;
}

void DatenSucheFenster::DetailsZeigen(QTreeWidgetItem* e) {
  if (!e) return;
  namespace fs = std::filesystem;
  const std::string name = S(e->text(0));
  const std::string ordner = S(e->text(1));
  f_.lblName->setText(Q(name));
  f_.lblDatei->setText("Datei:");
  f_.SymbolZeigen(name);
  const fs::path host = HostPfadVon(ordner + "\\" + name);
  std::error_code fehler;
  const auto groesse = fs::file_size(host, fehler);
  f_.lblGroesse->setText(fehler ? QString() : Q(GroessenZeile(groesse)));
  const auto zeit = fs::last_write_time(host, fehler);
  if (!fehler) {
    const auto sys = std::chrono::file_clock::to_sys(zeit);
    f_.lblDatum->setText(Q(DatumsZeile(std::chrono::system_clock::to_time_t(sys))));
  } else {
    f_.lblDatum->clear();
  }
  // Keywords and captions are the hit's own, not those of the file shown before.
  f_.txtVorhandenKeyw->clear();
  try {
    f_.KeywortZeileFuellen(name, ordner);
  } catch (const std::exception&) {
    // A register error leaves the line empty, as in the file list.
  }
  f_.vxmAnzeige->hide();
  for (QLabel* l : {f_.lblObjName, f_.lblBeName, f_.lblBnName}) {
    l->clear();
    l->setToolTip({});
  }
  if (EnthaeltOhneFall(Gross(ordner), Zustand().MandantPfad)) f_.vxmDatenholen(ordner);
}

void DatenSucheFenster::gefundenviewBox_ItemClick(QTreeWidgetItem* e) {
  if (!e) return;
  auto& z = Zustand();
  z.TrefferSchluessel = ListSchluessel(e);
  const auto p = z.TrefferSchluessel.rfind('\\');
  z.TrefferOrdner = p == std::string::npos ? std::string() : z.TrefferSchluessel.substr(0, p);
  z.TrefferDatei = p == std::string::npos ? z.TrefferSchluessel : z.TrefferSchluessel.substr(p + 1);
  // A drive root keeps its backslash ("C:" alone is the drive's current folder).
  std::string ordner = z.TrefferOrdner;
  if (ordner.size() == 2 && ordner[1] == ':') ordner += '\\';
  f_.dirListBox->SetPath(ordner);
  f_.filListBox->SetPath(f_.dirListBox->Path());
  f_.BildGezeigt = f_.BildAnzeigen(f_.filListBox->Path(), z.TrefferDatei);
  if (!f_.BildGezeigt) f_.picBox->clear();
  DetailsZeigen(e);
}

bool DatenSucheFenster::DateiAuswaehlen(const std::string& datei) {
  const std::string gesucht = Gross(datei);
  for (int i = 0; i < f_.filListBox->ListCount(); ++i) {
    if (Gross(f_.filListBox->List(i)) == gesucht) {
      f_.filListBox->SetListIndex(i);
      return true;
    }
  }
  return false;
}

// The details follow the file list again, not the last search's hit.
void DatenSucheFenster::DetailsNachDerListe() {
  if (f_.filListBox->ListIndex() >= 0) {
    f_.filListBox_Click();
  } else {
    f_.DateiDetailsLeeren();
  }
}

void DatenSucheFenster::gefundenviewBox_DblClick() {
  auto& z = Zustand();
  if (z.TrefferSchluessel.empty()) return;
  const bool da = DateiAuswaehlen(z.TrefferDatei);
  if (auto* k = f_.Baum->Knoten(Gross(z.TrefferOrdner) + "\\")) {
    // Scrolling opens the parents, whose expand handler selects them: the
    // node is selected after it.
    f_.tvwDir->scrollToItem(k);
    f_.Baum->Auswaehlen(k);
  }
  NachDerUebernahme(da, z.TrefferSchluessel);
}

void DatenSucheFenster::cmdOrdner_Click() {
  if (laeuft_) {
    // While a search runs the button ends it; its hits stay listed.
    Abbrechen();
    return;
  }
  auto* l = f_.gefundenviewBox;
  if (l->topLevelItemCount() == 0) {
    if (f_.filListBox->ListCount() > 0) f_.filListBox->SetListIndex(0);
    return;
  }
  QTreeWidgetItem* e = l->currentItem() ? l->currentItem() : l->topLevelItem(0);
  const std::string ordner = S(e->text(1));
  const std::string name = S(e->text(0));
  // A hit of the data search may lie in a folder the tree has not loaded:
  // its node is made first, so the way back does not land elsewhere.
  letzterOrdner_.clear();
  BaumErweitern(ordner);
  f_.Baum->PfadRichtigStellen(ordner);
  NachDerUebernahme(DateiAuswaehlen(name), ordner + "\\" + name);
}

// The window back at its folders, the keys at the file taken over.
void DatenSucheFenster::NachDerUebernahme(bool da, const std::string& pfad) {
  OrdnerAnsicht();
  f_.lstIcon->show();
  f_.Label6->show();
  f_.chckNurOneFold->setChecked(false);
  f_.chckSucheTextInFile->setChecked(false);
  f_.lblStatus->hide();
  f_.filListBox->setFocus();
  if (!da) {
    // Removed or renamed since the search: said, and no details of it stay.
    f_.DateiDetailsLeeren();
    Dienste().Meldungen->MsgBox("Die Datei " + pfad + " ist nicht mehr vorhanden.", vbInformation, "");
  }
}

// The captions name the folder shown again, not the last search's first hit.
void DatenSucheFenster::BeschriftungenDesOrdners() {
  f_.vxmAnzeige->hide();
  for (QLabel* l : {f_.lblObjName, f_.lblBeName, f_.lblBnName}) {
    l->clear();
    l->setToolTip({});
  }
  if (EnthaeltOhneFall(Gross(f_.dirListBox->Path()), Zustand().MandantPfad)) f_.vxmDatenholen();
}

void DatenSucheFenster::OrdnerAnsicht() {
  f_.Ordneransicht();
  // The taken-over file in sight, also deep in a long folder (once the
  // list, just shown again, has its size).
  QPointer<FileListBox> liste = f_.filListBox;
  auto zeigen = [liste] {
    if (liste && liste->currentIndex().isValid())
      liste->scrollTo(liste->currentIndex(), QAbstractItemView::PositionAtCenter);
  };
  zeigen();
  QTimer::singleShot(0, liste, zeigen);
  // The search's own traces go with its result list.
  f_.lblanzeigesuchdir->hide();
  f_.txtDateisuchen->clear();
  f_.lblanzahldateien->setText("0");
}

DatenSucheFenster* DatenSucheFenster::Von(frmDorvex& f) {
  for (QObject* o : f.children())
    if (auto* d = dynamic_cast<DatenSucheFenster*>(o)) return d;
  return nullptr;
}

void DatenSucheEinrichten(frmDorvex& f) {
  new DatenSucheFenster(f);
  // The full-text index: progress in the status row, started after the load.
  QBoxLayout* statuszeile = nullptr;
  if (auto* haupt = f.layout()) {
    for (int i = 0; i < haupt->count() && !statuszeile; ++i) {
      auto* l = qobject_cast<QBoxLayout*>(haupt->itemAt(i)->layout());
      if (l && l->indexOf(f.lblStatus) >= 0) statuszeile = l;
    }
  }
  auto* volltext = new VolltextFenster(&f, statuszeile, f.filListBox);
  auto verkettet = std::make_shared<bool>(false);
  f.LadeHaken.push_back([&f, volltext, verkettet](LadePhase p) {
    if (p == LadePhase::Anfang && !*verkettet) {
      // After the folder watcher of the file list: both hear of each folder.
      *verkettet = true;
      auto vorher = f.filListBox->PfadGesetzt;
      f.filListBox->PfadGesetzt = [vorher, volltext] {
        if (vorher) vorher();
        volltext->OrdnerGeoeffnet();
      };
    } else if (p == LadePhase::RegisterBereinigen) {
      // The register and the document root are known from here on.
      volltext->Starten();
    } else if (p == LadePhase::Entladen) {
      volltext->Beenden();
    }
  });
}

}  // namespace vxm
