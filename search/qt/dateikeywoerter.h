// The keyword maintenance window: the documents of a keyword, switching the
// keyword, opening, removing and assigning it, and the list of all documents
// under the document root.
#pragma once

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "basis/qt/hauptfensterzugang.h"
#include "keywords/registerzugriff.h"

namespace vxm {

class frmDorvex;

// What the keyword window does to the main window's keyword search.
struct KeywortSuchanbindung {
  std::function<void(std::string&)> SucheDateien;  // lists the files of a keyword (again)
  std::function<void()> KeywortPanelOeffnen;       // keyword panel on the main window's file
  std::function<void()> SuchfeldLeeren;            // "Ende" empties the search box
  std::function<void()> VorschlaegeVerbergen;      // the search's suggestions are done with
};

class frmDateiKeywörter : public QDialog {
 public:
  frmDateiKeywörter(Hauptfensterzugang& haupt, KeywortSuchanbindung suche);

  // Load step: column headers, keyword list, position, scaling. Also run
  // again when the window is used after it was unloaded.
  void Form_Load();
  bool Geladen() const { return geladen_; }
  // Shows the window modal; with NachDemZeigen set it is shown without a
  // nested event loop and the hook drives it (tests, screenshots).
  void Zeigen();
  static std::function<void(frmDateiKeywörter&)> NachDemZeigen;
  // Closes the window; the next use loads it afresh.
  void Unload();

  // ---- public methods ----
  std::string SuchePfad();
  void KeyZuweisen();
  // The keyword linked to the file in one transaction; its Dateinummer, 0
  // when the keyword is gone.
  int32_t ImRegisterZuweisen(const std::string& name, const std::string& ordner, const std::string& kw);

  // ---- result list (filled by the keyword search) ----
  void ListeVorbereiten();  // detail view, small icons
  void TrefferHinzufuegen(const std::vector<RegisterTreffer>& treffer);
  int Ansicht() const { return ansicht_; }  // 0 large icons, 3 details

  // ---- event handlers ----
  void cmbKeywords_Click();
  void cmdShowDocList_Click();
  void cmdKeyLöschen_Click();
  void cmdBearbeitungStarten_Click();
  void cmdSchliesen_Click();
  void lstDateiGefunden_Activate(QTreeWidgetItem* eintrag);
  void mnuGroßeSymbole_Click();
  void mnuKleineSymbole_Click();

  // The keyword whose documents are listed (whole name, blanks included).
  std::string Keyword;

  // A scan of the document tree is running; Esc or cmdAbbrechen stops it.
  bool ScanLaeuft() const { return scanTiefe_ > 0; }
  void ScanAbbrechen() { abbrechen_ = true; }
  // Counters of the last DateiFinden.
  int64_t DateienGezaehlt = 0;
  int64_t BytesGezaehlt = 0;

  // ---- controls ----
  QMenuBar* Menue;
  QMenu* mnuAnsicht;
  QAction *mnuGroßeSymbole, *mnuKleineSymbole;
  QLabel* Label1;
  QComboBox* cmbKeywords;
  QTreeWidget* lstDateiGefunden;
  QPushButton *cmdKeyLöschen, *cmdBearbeitungStarten, *cmdShowDocList;
  QLabel* Label2;
  QListWidget* lstDateinamen;
  QPushButton* cmdKeyaddtodoc;
  QLabel* lblStatus;
  QPushButton* cmdAbbrechen;
  QPushButton* cmdSchliesen;
  QLineEdit* Text1;

  // Benchmarks: collect the documents under a folder as step 3 does.
  void DokumenteSammelnAb(const std::string& ordner);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void reject() override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void Aufbauen();
  void Verbinden();
  void DesignZustand();
  void Skalieren();
  void ZeilenKopieren();
  void ZeilenLeeren();
  void SammelnMitStatus();
  void DokumentAnhaengen(const QString& name, const QString& ort);
  bool DokumenteSammeln(const std::string& ordner);
  bool DateiFinden(const std::string& ordner, const std::string& name);
  // Lets window events run now and then; false when the user cancelled.
  bool Zwischendurch();
  void ScanBeginnen();
  void ScanBeenden();

  Hauptfensterzugang& haupt_;
  KeywortSuchanbindung suche_;
  bool geladen_ = false;
  int ansicht_ = 3;
  // Copy of the result rows while the tree is scanned: folded folder ->
  // folded names (register paths compare without regard to case).
  std::unordered_map<std::string, std::unordered_set<std::string>> kopie_;
  std::vector<std::pair<QString, QString>> gesammelt_;  // name, folder
  std::string gefundenerOrdner_;
  int scanTiefe_ = 0;
  bool abbrechen_ = false;
  bool entladenNachScan_ = false;
  QElapsedTimer seitEreignissen_;
};

// The main window's keyword window, created and loaded on first use.
frmDateiKeywörter& KeywortFenster(frmDorvex& f);

}  // namespace vxm
