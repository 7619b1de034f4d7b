// Construction of the main window's controls and its layout. Areas that the
// host's form placed freely (search panel, tree, file list, details) sit in
// layouts so the window can be resized; the panels and pop-up lists that the
// handlers place at twip positions are overlays above them.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSplitter>
#include <QVBoxLayout>

#include "component/qt/frmdorvex.h"

namespace vxm {
namespace {

template <class T, class... A>
T* Neu(QWidget* eltern, const char* name, A&&... a) {
  auto* w = new T(std::forward<A>(a)..., eltern);
  w->setObjectName(QString::fromUtf8(name));
  return w;
}

QLabel* Beschriftung(QWidget* eltern, const char* name, const char* text) {
  return Neu<QLabel>(eltern, name, QString::fromUtf8(text));
}

QListWidget* PopupListe(QWidget* eltern, const char* name) {
  auto* l = Neu<QListWidget>(eltern, name);
  l->setFrameShape(QFrame::Box);
  l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  UmlautZeilen(l);
  l->hide();
  return l;
}

}  // namespace

void frmDorvex::Aufbauen() {
  setObjectName("frmDorvex");
  setWindowTitle("vxmDorvex - Dokumentenverwaltung");
  setSizeGripEnabled(true);
  resize(Twips(13800), Twips(9000));

  auto* haupt = new QVBoxLayout(this);
  haupt->setContentsMargins(6, 6, 6, 6);
  AufbauenSuche();
  haupt->addWidget(Frame1);
  AufbauenHauptbereich();
  auto* status = new QHBoxLayout;
  status->addWidget(lblanzeigesuchdir, 100);
  // Holds what follows at the right while the search's folder line is hidden.
  status->addStretch(1);
  status->addWidget(lblStatus);
  haupt->addLayout(status);
  AufbauenUeberlagerungen();
}

void frmDorvex::AufbauenSuche() {
  Frame1 = Neu<QGroupBox>(this, "Frame1", QString::fromUtf8("Datei suchen"));
  auto* g = new QGridLayout(Frame1);
  optSchluesselW = Neu<QRadioButton>(Frame1, "optSchluesselW", QString::fromUtf8("nach Schlüsselwörter suchen"));
  optSuchenDok = Neu<QRadioButton>(Frame1, "optSuchenDok", QString::fromUtf8("nach Dokumenten suchen"));
  optTextInhalt = Neu<QRadioButton>(Frame1, "optTextInhalt", QString::fromUtf8("nach Text in Dokumenten suchen "));
  // Each handler clears the other two itself.
  for (auto* o : {optSchluesselW, optSuchenDok, optTextInhalt}) o->setAutoExclusive(false);
  txtDateisuchen = Neu<QLineEdit>(Frame1, "txtDateisuchen");
  cmdSucheStarten = Neu<QPushButton>(Frame1, "cmdSucheStarten", QString::fromUtf8("Suche starten"));
  cmdSucheStarten->setDefault(true);
  cmdSearch = Neu<QPushButton>(Frame1, "cmdSearch", QString::fromUtf8("suchen Schlüsselwort"));
  comsuchen = Neu<QPushButton>(Frame1, "comsuchen", QString::fromUtf8("suchen Dokument"));
  cmdOrdner = Neu<QPushButton>(Frame1, "cmdOrdner", QString::fromUtf8("Ordner"));
  chckMitListe = Neu<QCheckBox>(Frame1, "chckMitListe", QString::fromUtf8("Liste d. Schlüsselwörter"));
  chckNurOneFold = Neu<QCheckBox>(Frame1, "chckNurOneFold", QString::fromUtf8("Nur ausgwählten Ordner durchsuchen"));
  chckSucheTextInFile = Neu<QCheckBox>(Frame1, "chckSucheTextInFile", QString::fromUtf8("enthaltener Text"));
  g->addWidget(optSchluesselW, 0, 0);
  g->addWidget(optSuchenDok, 0, 1);
  g->addWidget(optTextInhalt, 0, 2);
  g->addWidget(chckMitListe, 0, 3);
  g->addWidget(txtDateisuchen, 1, 0, 1, 3);
  g->addWidget(cmdSucheStarten, 1, 3);
  g->addWidget(chckNurOneFold, 2, 0);
  g->addWidget(chckSucheTextInFile, 2, 1);
  auto* knoepfe = new QHBoxLayout;
  knoepfe->addWidget(cmdSearch);
  knoepfe->addWidget(comsuchen);
  knoepfe->addWidget(cmdOrdner);
  g->addLayout(knoepfe, 2, 2, 1, 2);
  // Suggestions drop down below the input box.
  lstKeywordsSuche = PopupListe(this, "lstKeywordsSuche");
  lblStatus = Beschriftung(this, "lblStatus", "Suche läuft... ");
  lblStatus->hide();
  lblanzeigesuchdir = Beschriftung(this, "lblanzeigesuchdir", "");
}

void frmDorvex::AufbauenHauptbereich() {
  auto* teiler = Neu<QSplitter>(this, "Hauptbereich", Qt::Horizontal);
  teiler->setChildrenCollapsible(false);
  static_cast<QVBoxLayout*>(layout())->addWidget(teiler, 1);

  frameOrdner = Neu<QGroupBox>(teiler, "frameOrdner", QString::fromUtf8("Ordner"));
  auto* lo = new QVBoxLayout(frameOrdner);
  drvListBox = Neu<DriveListBox>(frameOrdner, "drvListBox");
  tvwDir = Neu<QTreeWidget>(frameOrdner, "tvwDir");
  tvwDir->setHeaderHidden(true);
  tvwDir->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  tvwDir->header()->setStretchLastSection(false);
  tvwDir->setEditTriggers(QAbstractItemView::NoEditTriggers);  // labels are edited only by the program
  tvwDir->setAcceptDrops(true);
  tvwDir->setDropIndicatorShown(true);
  lo->addWidget(drvListBox);
  lo->addWidget(tvwDir, 1);
  dirListBox = new DirListBox(this);
  dirListBox->setObjectName("dirListBox");

  FrameDatei = Neu<QGroupBox>(teiler, "FrameDatei", QString::fromUtf8("Dateiname"));
  auto* ld = new QVBoxLayout(FrameDatei);
  filListBox = Neu<FileListBox>(FrameDatei, "filListBox");
  ld->addWidget(filListBox);
  picOLEDrag = Beschriftung(this, "picOLEDrag", "");
  picOLEDrag->hide();

  gefdatframe = Neu<QGroupBox>(teiler, "gefdatframe", QString::fromUtf8("Gefundene Dateien"));
  auto* lg = new QVBoxLayout(gefdatframe);
  auto* kopf = new QHBoxLayout;
  Label4 = Beschriftung(gefdatframe, "Label4", "Gefundene Dateien:");
  lblanzahldateien = Beschriftung(gefdatframe, "lblanzahldateien", "0");
  kopf->addWidget(Label4);
  kopf->addWidget(lblanzahldateien, 1);
  lg->addLayout(kopf);
  gefundenviewBox = Neu<QTreeWidget>(gefdatframe, "gefundenviewBox");
  gefundenviewBox->setRootIsDecorated(false);
  gefundenviewBox->setHeaderLabels({"Datei", "Pfad"});
  lg->addWidget(gefundenviewBox, 1);
  gefdatframe->hide();

  AufbauenDetails();
  teiler->addWidget(dateiinfo);
  teiler->setStretchFactor(0, 3);
  teiler->setStretchFactor(1, 3);
  teiler->setStretchFactor(2, 6);
  teiler->setStretchFactor(3, 3);
}

void frmDorvex::AufbauenDetails() {
  dateiinfo = Neu<QGroupBox>(this, "dateiinfo", QString::fromUtf8("Dateiinformation"));
  auto* l = new QVBoxLayout(dateiinfo);
  auto* kopf = new QHBoxLayout;
  lblDatei = Beschriftung(dateiinfo, "lblDatei", "Datei:");
  lblName = Beschriftung(dateiinfo, "lblName", "");
  lblName->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblName->setWordWrap(true);
  lstIcon = Neu<QTreeWidget>(dateiinfo, "lstIcon");
  lstIcon->setHeaderLabels({"Symbol"});
  lstIcon->setRootIsDecorated(false);
  lstIcon->setFixedSize(Twips(900), Twips(600));
  lstIcon->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lstIcon->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lstIcon->header()->setStretchLastSection(true);
  kopf->addWidget(lstIcon);
  auto* namen = new QVBoxLayout;
  namen->addWidget(lblDatei);
  namen->addWidget(lblName);
  kopf->addLayout(namen, 1);
  l->addLayout(kopf);
  lblGroesse = Beschriftung(dateiinfo, "lblGroesse", "");
  lblDatum = Beschriftung(dateiinfo, "lblDatum", "");
  l->addWidget(lblGroesse);
  l->addWidget(lblDatum);
  Label6 = Beschriftung(dateiinfo, "Label6", "Schlüsselwörter:");
  txtVorhandenKeyw = Neu<QLineEdit>(dateiinfo, "txtVorhandenKeyw");
  txtVorhandenKeyw->setReadOnly(true);
  l->addWidget(Label6);
  l->addWidget(txtVorhandenKeyw);

  vxmAnzeige = Neu<QGroupBox>(dateiinfo, "vxmAnzeige", QString::fromUtf8("VXMin32 - Daten"));
  auto* g = new QGridLayout(vxmAnzeige);
  g->addWidget(Beschriftung(vxmAnzeige, "lblObjekt", "Objekt:"), 0, 0);
  g->addWidget(Beschriftung(vxmAnzeige, "lblBeTuer", "BE-Türnr."), 1, 0);
  g->addWidget(Beschriftung(vxmAnzeige, "lblBnNameText", "BN-Name:"), 2, 0);
  lblObjName = Beschriftung(vxmAnzeige, "lblObjName", "");
  lblBeName = Beschriftung(vxmAnzeige, "lblBeName", "");
  lblBnName = Beschriftung(vxmAnzeige, "lblBnName", "");
  g->addWidget(lblObjName, 0, 1);
  g->addWidget(lblBeName, 1, 1);
  g->addWidget(lblBnName, 2, 1);
  g->setColumnStretch(1, 1);
  vxmAnzeige->hide();
  l->addWidget(vxmAnzeige);

  picBox = Beschriftung(dateiinfo, "picBox", "");
  picBox->setMinimumSize(Twips(2400), Twips(2400));
  picBox->setFrameShape(QFrame::StyledPanel);
  picBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  l->addWidget(picBox, 1);
  lblKeyAuswahl = Beschriftung(dateiinfo, "lblKeyAuswahl", "Aus der Liste auswählen:       (mit Doppelklick)");
  lstKeywordsAuswahl2 = Neu<QListWidget>(dateiinfo, "lstKeywordsAuswahl2");
  UmlautZeilen(lstKeywordsAuswahl2);
  lblKeyAuswahl->hide();
  lstKeywordsAuswahl2->hide();
  l->addWidget(lblKeyAuswahl);
  l->addWidget(lstKeywordsAuswahl2, 1);
  // Without a preview the details stay together at the top.
  for (QWidget* w : std::initializer_list<QWidget*>{lblDatei, lblName, lblGroesse, lblDatum, Label6, vxmAnzeige, lblKeyAuswahl})
    w->setSizePolicy(w->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
  l->addStretch(0);
}

void frmDorvex::AufbauenUeberlagerungen() {
  lstAktion = PopupListe(this, "lstAktion");
  lstOrdner = PopupListe(this, "lstOrdner");
  lstNeuOrdner = PopupListe(this, "lstNeuOrdner");
  lstDokument = PopupListe(this, "lstDokument");
  lstKeyword = PopupListe(this, "lstKeyword");
  lstAdressen = PopupListe(this, "lstAdressen");
  AufbauenKeywortPanel();
  AufbauenNeuesDokument();
  AufbauenSerienbrief();
  for (QWidget* w : std::initializer_list<QWidget*>{lstAktion, lstOrdner, lstNeuOrdner, lstDokument,
                                                     lstKeyword, lstAdressen, lstKeywordsSuche})
    Ueberlagerungen.push_back(w);
}

void frmDorvex::AufbauenKeywortPanel() {
  FrameKeywortBearbeitung = Neu<QGroupBox>(this, "FrameKeywortBearbeitung", QString::fromUtf8("Sclüsselwort-Bearbeitung"));
  FrameKeywortBearbeitung->setAutoFillBackground(true);
  auto* l = new QGridLayout(FrameKeywortBearbeitung);
  lblFilename = Beschriftung(FrameKeywortBearbeitung, "lblFilename", "");
  l->addWidget(lblFilename, 0, 0, 1, 3);
  FrameAlleKeys = Neu<QGroupBox>(FrameKeywortBearbeitung, "FrameAlleKeys", QString::fromUtf8("Liste aller Schlüsselwörter:"));
  (new QVBoxLayout(FrameAlleKeys))->addWidget(lstKeyAuswahl = Neu<QListWidget>(FrameAlleKeys, "lstKeyAuswahl"));
  FrameVorhandenKey = Neu<QGroupBox>(FrameKeywortBearbeitung, "FrameVorhandenKey", QString::fromUtf8("Bereits ausgewählt:"));
  (new QVBoxLayout(FrameVorhandenKey))->addWidget(lstVorhandeneKeys = Neu<QListWidget>(FrameVorhandenKey, "lstVorhandeneKeys"));
  lstVorhandeneKeys->setSelectionMode(QAbstractItemView::ExtendedSelection);
  UmlautZeilen(lstKeyAuswahl);
  UmlautZeilen(lstVorhandeneKeys);
  cmdKeyAddToData = Neu<QPushButton>(FrameKeywortBearbeitung, "cmdKeyAddToData", QString::fromUtf8(">>"));
  cmdKeyAddToData->setToolTip(QString::fromUtf8("Ausgewähltes Schlüsselwort zuweisen"));
  // The panel's spare height goes to the lists, below their tops: they stay
  // where they are when the input for new keywords opens and closes.
  lblFilename->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  for (QWidget* w : std::initializer_list<QWidget*>{FrameAlleKeys, FrameVorhandenKey})
    w->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
  l->addWidget(FrameAlleKeys, 1, 0, 3, 1);
  l->addWidget(cmdKeyAddToData, 2, 1);
  l->addWidget(FrameVorhandenKey, 1, 2, 3, 1);
  Frame3 = Neu<QGroupBox>(FrameKeywortBearbeitung, "Frame3", QString::fromUtf8("neues Keywort"));
  auto* l3 = new QHBoxLayout(Frame3);
  txtEingabeKeyw = Neu<QLineEdit>(Frame3, "txtEingabeKeyw");
  cmdNeuKey = Neu<QPushButton>(Frame3, "cmdNeuKey", QString::fromUtf8("NEU"));
  cmdClearText = Neu<QPushButton>(Frame3, "cmdClearText", QString::fromUtf8("Beenden"));
  l3->addWidget(txtEingabeKeyw, 1);
  l3->addWidget(cmdNeuKey);
  l3->addWidget(cmdClearText);
  Frame3->hide();
  l->addWidget(Frame3, 4, 0, 1, 3);
  cmdKeyBearbEnde = Neu<QPushButton>(FrameKeywortBearbeitung, "cmdKeyBearbEnde", QString::fromUtf8("Ende"));
  l->addWidget(cmdKeyBearbEnde, 5, 2, Qt::AlignRight);
  FrameKeywortBearbeitung->hide();

  FrameÄnderung = Neu<QGroupBox>(this, "FrameÄnderung", QString::fromUtf8("Wie möchten Sie vorgehen?"));
  FrameÄnderung->setAutoFillBackground(true);
  auto* la = new QVBoxLayout(FrameÄnderung);
  Label7 = Beschriftung(FrameÄnderung, "Label7", "Änderungen...");
  chckNurDieseDat = Neu<QCheckBox>(FrameÄnderung, "chckNurDieseDat", QString::fromUtf8("...nur für diese Datei übernehmen"));
  chckAlleDat = Neu<QCheckBox>(FrameÄnderung, "chckAlleDat", QString::fromUtf8("...für alle Dateien übernehmen"));
  cmdÄnderKeyw = Neu<QPushButton>(FrameÄnderung, "cmdÄnderKeyw", QString::fromUtf8("Weiter"));
  cmdCancelÄndern = Neu<QPushButton>(FrameÄnderung, "cmdCancelÄndern", QString::fromUtf8("Abbruch"));
  for (QWidget* w : std::initializer_list<QWidget*>{Label7, chckNurDieseDat, chckAlleDat, cmdÄnderKeyw, cmdCancelÄndern})
    la->addWidget(w);
  FrameÄnderung->hide();
  Ueberlagerungen.push_back(FrameKeywortBearbeitung);
  Ueberlagerungen.push_back(FrameÄnderung);
}

void frmDorvex::AufbauenNeuesDokument() {
  Dokname = Neu<QGroupBox>(this, "Dokname", QString::fromUtf8("Eingabe Dateiname"));
  Dokname->setAutoFillBackground(true);
  auto* l = new QGridLayout(Dokname);
  lblNeuDokText = Beschriftung(Dokname, "lblNeuDokText", "Bitte geben Sie den Dateinamen für das ");
  lblNeuDokName = Beschriftung(Dokname, "lblNeuDokName", "");
  txtNeuDokName = Neu<QLineEdit>(Dokname, "txtNeuDokName");
  // The 25-character limit is kept by the new-document controller, which
  // refuses a longer input whole: a maximum length would cut a pasted name.
  txtNeuDokName->setToolTip(QString::fromUtf8("Dateiname max. Länge 25 Zeichen"));
  cmdDokNameOK = Neu<QPushButton>(Dokname, "cmdDokNameOK", QString::fromUtf8("Weiter"));
  cmdDokNameAbr = Neu<QPushButton>(Dokname, "cmdDokNameAbr", QString::fromUtf8("Abbrechen"));
  l->addWidget(lblNeuDokText, 0, 0, 1, 2);
  l->addWidget(lblNeuDokName, 1, 0, 1, 2);
  l->addWidget(txtNeuDokName, 2, 0, 1, 2);
  l->addWidget(cmdDokNameOK, 3, 0);
  l->addWidget(cmdDokNameAbr, 3, 1);
  Dokname->hide();
  Ueberlagerungen.push_back(Dokname);
}

void frmDorvex::AufbauenSerienbrief() {
  FrameSerienBrief = Neu<QGroupBox>(this, "FrameSerienBrief", QString::fromUtf8("Serienbrief erzeugen"));
  FrameSerienBrief->setAutoFillBackground(true);
  auto* l = new QVBoxLayout(FrameSerienBrief);
  auto rahmen = [&](QGroupBox*& f, const char* name, const char* titel) {
    f = Neu<QGroupBox>(FrameSerienBrief, name, QString::fromUtf8(titel));
    l->addWidget(f);
    return new QGridLayout(f);
  };
  auto* l2 = rahmen(Frameserie2, "Frameserie2", "1. Auswahl Adressen");
  ComAdrVorhanden = Neu<QPushButton>(Frameserie2, "ComAdrVorhanden", QString::fromUtf8("Öffnen..."));
  ComAdrVorhanden->setToolTip(QString::fromUtf8("Wählen Sie eine bestehende Adressdatei aus"));
  ComAdrNeu = Neu<QPushButton>(Frameserie2, "ComAdrNeu", QString::fromUtf8("Neu..."));
  ComAdrNeu->setToolTip(QString::fromUtf8("Erzeugt neue Adressdatei"));
  lblAdressen = Beschriftung(Frameserie2, "lblAdressen", "");
  l2->addWidget(ComAdrVorhanden, 0, 0);
  l2->addWidget(ComAdrNeu, 0, 1);
  l2->addWidget(lblAdressen, 1, 0, 1, 2);
  auto* l1 = rahmen(FrameSerie1, "FrameSerie1", "2. Auswahl Dokument");
  ComDokVorhanden = Neu<QPushButton>(FrameSerie1, "ComDokVorhanden", QString::fromUtf8("Öffnen..."));
  ComDokVorhanden->setToolTip(QString::fromUtf8("Erzeugt aus bestehendem Dokument ein neues Ausgabe-Dokument"));
  ComDokNeu = Neu<QPushButton>(FrameSerie1, "ComDokNeu", QString::fromUtf8("Neu..."));
  ComDokNeu->setToolTip(QString::fromUtf8("Erzeugt aus vorhndener Formatvorlage ein neues Ausgabe-Dokument"));
  lblDokument = Beschriftung(FrameSerie1, "lblDokument", "");
  l1->addWidget(ComDokVorhanden, 0, 0);
  l1->addWidget(ComDokNeu, 0, 1);
  l1->addWidget(lblDokument, 1, 0, 1, 2);
  auto* l3 = rahmen(FrameSerie3, "FrameSerie3", "Ausgabe-Dokument");
  lblAusgabeDok = Beschriftung(FrameSerie3, "lblAusgabeDok", "");
  l3->addWidget(lblAusgabeDok, 0, 0);
  auto* knoepfe = new QHBoxLayout;
  comSerieOK = Neu<QPushButton>(FrameSerienBrief, "comSerieOK", QString::fromUtf8("OK"));
  comSerieAbbruch = Neu<QPushButton>(FrameSerienBrief, "comSerieAbbruch", QString::fromUtf8("Abbrechen"));
  knoepfe->addStretch(1);
  knoepfe->addWidget(comSerieOK);
  knoepfe->addWidget(comSerieAbbruch);
  l->addLayout(knoepfe);
  // An empty label keeps its line: the wizard is sized when it opens, before
  // the chosen files' paths fill them.
  for (QLabel* pfad : {lblAdressen, lblDokument, lblAusgabeDok}) pfad->setMinimumHeight(pfad->fontMetrics().height());
  FrameSerienBrief->hide();

  FrameAdressen = Neu<QGroupBox>(this, "FrameAdressen", QString::fromUtf8("Auswahl Adressenform"));
  FrameAdressen->setAutoFillBackground(true);
  auto* la = new QVBoxLayout(FrameAdressen);
  comAdressenabbruch = Neu<QPushButton>(FrameAdressen, "comAdressenabbruch", QString::fromUtf8("Abbrechen"));
  la->addStretch(1);
  la->addWidget(comAdressenabbruch);
  FrameAdressen->hide();

  Framevorlagen = Neu<QGroupBox>(this, "Framevorlagen", QString::fromUtf8("Auswahl Vorlagen"));
  Framevorlagen->setAutoFillBackground(true);
  auto* lv = new QVBoxLayout(Framevorlagen);
  lstVorlagen = Neu<QListWidget>(Framevorlagen, "lstVorlagen");
  UmlautZeilen(lstVorlagen);
  lstVorlagen->setToolTip(QString::fromUtf8("Wählen Sie eine Formatvorlage aus."));
  Comvorlageabbruch = Neu<QPushButton>(Framevorlagen, "Comvorlageabbruch", QString::fromUtf8("Abbrechen"));
  lv->addWidget(lstVorlagen, 1);
  lv->addWidget(Comvorlageabbruch);
  Framevorlagen->hide();
  for (QWidget* w : std::initializer_list<QWidget*>{FrameSerienBrief, FrameAdressen, Framevorlagen}) Ueberlagerungen.push_back(w);
}

}  // namespace vxm
