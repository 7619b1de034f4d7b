// The main window frmDorvex. It owns every control (each carries its name as
// objectName); the handlers of each subsystem live in that subsystem's
// folder as members defined there or as a controller class that gets the
// window.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "basis/qt/bildschirm.h"
#include "basis/qt/hauptfensterzugang.h"
#include "keywords/register.h"
#include "platform/datenbank.h"
#include "platform/dialoge.h"
#include "platform/qt/steuerelemente.h"

namespace vxm {

class OrdnerBaum;
class QtDialoge;

class frmDorvex : public QDialog, public Hauptfensterzugang {
 public:
  frmDorvex();
  ~frmDorvex() override;

  // Load step; false when the window unloaded itself (configuration error).
  bool Form_Load();
  void Form_Unload();
  bool Entladen() const { return entladen_; }
  // Unloads the window (closes it; also during the load step).
  void Unload();

  // ---- what others may ask of the window (Hauptfensterzugang) ----
  QWidget& Fenster() override { return *this; }
  Datenquelle& Register() override { return DOC_DATA; }
  void OrdnerZeigen(const std::string& ordner) override;
  bool DateiWaehlen(const std::string& name) override;
  FensterDatei AktuelleDatei() const override;
  void Ordneransicht() override;
  void LadeHakenAnmelden(std::function<void(LadePhase)> haken) override { LadeHaken.push_back(std::move(haken)); }

  // ---- public methods other windows call ----
  void opendatei();
  bool BildAnzeigen(const std::string& ordner, const std::string& name);
  void vxmDatenholen();
  // Captions of the entities of a given folder (a search hit's).
  void vxmDatenholen(const std::string& ordner);
  void PfadRichtigStellen(const std::string& pfad);
  void LeereOrdneraway();

  // ---- keyword register (keywords/qt) ----
  void KeywörterDateispezAuslesen(int32_t& dateinummer);
  void KeywEntfernen(std::string& keyword);
  // ---- keyword search (search/qt) ----
  void SucheDateien(std::string& keyword);
  void SucheDateienMulti();
  // ---- imaging (imaging/qt) ----
  void error_handler(int32_t code, const std::string& name);

  // Steps one subsystem offers another; set by the subsystem that owns them.
  std::function<void()> KeywortPanelOeffnen;  // file menu "Keywords" (keyword panel)
  std::function<vxm::AktuelleDatei()> KeywortPanelDatei;  // the file the panel's changes go to
  std::function<void()> DatenSucheStarten;    // cmdDataSearch_Click (name and text search)
  std::function<void()> NamenSucheStarten;    // comsuchen_Click

  // ---- file list and details ----
  void filListBox_Click();
  // The details' type icon for a file of this name.
  void SymbolZeigen(const std::string& name);
  void filListBox_DblClick();
  void filListBox_MouseDown(Qt::MouseButton knopf, int x, int y);
  void filListBox_MouseUp(Qt::MouseButton knopf, int x, int y);
  void dirListBox_Change();
  void drvListBox_Change();
  void DetailsLeeren();
  // The selected file's details only (name, size, date, symbol, keywords, picture).
  void DateiDetailsLeeren();
  // Re-reads the shown folder, keeping the selected file where it still is.
  void DateilisteAuffrischen() override;
  // F5: tree and file list as the disk has them now.
  // While the window changes the selection by itself (its folder went
  // away), not the user: panels that follow the selection stay put.
  bool AuswahlVomProgramm = false;
  void Auffrischen();
  // File number of the selected file in the register (0 = not registered).
  int32_t DateinummerSuchen(const std::string& name, const std::string& ordner);
  void KeywortZeileFuellen();
  // The keyword line for a given file (a search hit's).
  void KeywortZeileFuellen(const std::string& name, const std::string& ordner);

  // ---- scaling ----
  void FensterSkalieren(bool fensterSkalieren, bool schriftSkalieren);
  float Faktor() const override { return faktor_; }
  // Places an overlay control at a position in twips (scaled).
  void Platzieren(QWidget* w, double links, double oben, double breite = -1, double hoehe = -1);

  // ---- record-set sources ----
  Datenquelle OO_DATA{"OO_DATA"}, BE_DATA{"BE_DATA"}, BN_DATA{"BN_DATA"}, FIData{"FIData"},
      DOC_DATA{"DOC_DATA"}, SW_DATA{"SW_DATA"};
  std::vector<Datenquelle*> Datenquellen();

  // ---- window fields ----
  Variant ObjektParam, BeParam;
  int32_t BnParam = 0;
  bool DirChangeAktiv = false;
  bool LaufwerkWechselAktiv = false;
  bool BildGezeigt = false;
  std::string AktionsPfad;

  // ---- controls ----
  // search panel
  QGroupBox* Frame1;
  QRadioButton *optSchluesselW, *optSuchenDok, *optTextInhalt;
  QLineEdit* txtDateisuchen;
  QPushButton *cmdSucheStarten, *cmdSearch, *comsuchen, *cmdOrdner;
  QCheckBox *chckMitListe, *chckNurOneFold, *chckSucheTextInFile;
  QListWidget *lstKeywordsSuche, *lstKeywordsAuswahl2;
  QLabel *lblKeyAuswahl, *lblStatus, *lblanzeigesuchdir;
  // folders and files
  QGroupBox *frameOrdner, *FrameDatei;
  DriveListBox* drvListBox;
  DirListBox* dirListBox;
  QTreeWidget* tvwDir;
  FileListBox* filListBox;
  QLabel* picOLEDrag;
  // details
  QGroupBox *dateiinfo, *vxmAnzeige;
  QLabel *lblDatei, *lblName, *lblGroesse, *lblDatum, *Label6;
  QLabel *lblObjName, *lblBeName, *lblBnName;
  QTreeWidget* lstIcon;
  QLineEdit* txtVorhandenKeyw;
  QLabel* picBox;
  // search results
  QGroupBox* gefdatframe;
  QLabel *Label4, *lblanzahldateien;
  QTreeWidget* gefundenviewBox;
  // pop-up lists
  QListWidget *lstAktion, *lstOrdner, *lstNeuOrdner, *lstDokument, *lstKeyword, *lstAdressen;
  // keyword panel
  QGroupBox *FrameKeywortBearbeitung, *FrameAlleKeys, *FrameVorhandenKey, *Frame3, *FrameÄnderung;
  QListWidget *lstKeyAuswahl, *lstVorhandeneKeys;
  QLabel *lblFilename, *Label7;
  QPushButton *cmdKeyAddToData, *cmdKeyBearbEnde, *cmdNeuKey, *cmdClearText, *cmdÄnderKeyw,
      *cmdCancelÄndern;
  QLineEdit* txtEingabeKeyw;
  QCheckBox *chckNurDieseDat, *chckAlleDat;
  // new document
  QGroupBox* Dokname;
  QLabel *lblNeuDokText, *lblNeuDokName;
  QLineEdit* txtNeuDokName;
  QPushButton *cmdDokNameOK, *cmdDokNameAbr;
  // serial letters
  QGroupBox *FrameSerienBrief, *Frameserie2, *FrameSerie1, *FrameSerie3, *FrameAdressen, *Framevorlagen;
  QPushButton *ComAdrVorhanden, *ComAdrNeu, *ComDokVorhanden, *ComDokNeu, *comSerieOK,
      *comSerieAbbruch, *comAdressenabbruch, *Comvorlageabbruch;
  QLabel *lblAdressen, *lblDokument, *lblAusgabeDok;
  QListWidget* lstVorlagen;

  // the folder tree's logic
  std::unique_ptr<OrdnerBaum> Baum;

  // Every control that a subsystem adds later registers here for scaling.
  std::vector<QWidget*> Ueberlagerungen;
  // Subsystems register what they do at the points of LadePhase.
  std::vector<std::function<void(LadePhase)>> LadeHaken;
  // A server out of reach that a handler met during the load (the folder's
  // clean-up): the load step it ran in reports it, as the load's one
  // message, and the load ends.
  bool BeimLadenAufgeschoben(const std::exception& e);

  void resizeEvent(QResizeEvent* e) override;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void Aufbauen();
  void AufbauenSuche();
  void AufbauenHauptbereich();
  void AufbauenDetails();
  void AufbauenUeberlagerungen();
  void AufbauenKeywortPanel();
  void AufbauenNeuesDokument();
  void AufbauenSerienbrief();
  void Verbinden();
  // Load steps 10 to 12: the document path and root; false when the window
  // unloaded itself.
  bool DokPfadFestlegen();
  void LadeFehler(const std::exception& e);
  // One step of the load: its failure is reported and the load goes on,
  // unless the step ends the load (LadeAbbruch).
  void Ladeschritt(const std::function<void()>& schritt);
  // The load before the document root is known, and after.
  void SteuerelementeLaden();
  void OrdnerLaden();

  bool entladen_ = false;
  bool laedt_ = false;
  std::exception_ptr aufgeschoben_;
  float faktor_ = 1.0f;
  std::shared_ptr<QtDialoge> dialoge_;
  std::shared_ptr<Dialoge> vorherigeDialoge_;
};

// Each subsystem wires its controls and handlers into the window here
// (called by the constructor, in this order).
void KeywortPanelEinrichten(frmDorvex& f);     // keywords/qt/keywortpanel.cpp
void SuchPanelEinrichten(frmDorvex& f);        // search/qt/suchpanel.cpp
void DatenSucheEinrichten(frmDorvex& f);       // search/qt/datensuche_fenster.cpp
void AktionenEinrichten(frmDorvex& f);         // files/qt/aktionen.cpp
void NeuesDokumentEinrichten(frmDorvex& f);    // create/qt/neuesdokument.cpp
void BilderEinrichten(Hauptfensterzugang& f);  // imaging/qt/scanfenster.cpp
void OrdnerWaechterEinrichten(frmDorvex& f);   // files/qt/ordnerwaechter.cpp
void AbdruckNachtragEinrichten(Hauptfensterzugang& f);  // files/qt/abdrucknachtrag.cpp

// Sets the connect text of every record-set source of the window.
void DatenquellenVerbinden(frmDorvex& fenster);

}  // namespace vxm
