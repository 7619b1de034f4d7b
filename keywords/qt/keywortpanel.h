// The keyword panel of the main window: all keywords beside the keywords of
// the selected file, a context list (Neu/Ändern/Löschen), the input for new
// keywords and the rename options. Register changes go through
// keywords/register.h; this class shows their messages and keeps the lists.
#pragma once

#include <QObject>
#include <string>

#include "keywords/register.h"

class QListWidget;

namespace vxm {

class frmDorvex;

// A register out of reach refuses a keyword change whole (each is one
// transaction): the user reads what was not done instead of a bare error
// number; what was typed or chosen stays. False for any other error.
bool ServerAbgewiesen(const std::exception& e, const std::string& nichtGetan);

class KeywortPanel : public QObject {
 public:
  explicit KeywortPanel(frmDorvex& f);

  // File menu "Keywords": opens the panel for the selected file.
  void Oeffnen();
  // Another file selected in the file list: the open panel follows it.
  void AuswahlGeaendert();
  // The file the panel's changes go to (the selected one while it is closed).
  AktuelleDatei Datei() const;

  void KeywEingabeZuweisen();
  void KeywDateiZuweisen(const std::string& keyword);
  void KeywUmbenennen();

  void lstKeyword_Click(int index);
  void cmdKeyAddToData_Click();
  void cmdNeuKey_Click();
  void cmdClearText_Click();
  void txtEingabeKeyw_Change();
  void cmdÄnderKeyw_Click();
  void cmdCancelÄndern_Click();
  void cmdKeyBearbEnde_Click();
  // Right button released over one of the two lists at (x, y) of the list.
  void KontextlisteZeigen(QListWidget* liste, int x, int y);

  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void DateiZeigen();
  void DetailsNachziehen();
  Datenbank& Register();
  void EingabeSchliessen();

  frmDorvex& f_;
  AktuelleDatei datei_;
};

}  // namespace vxm
