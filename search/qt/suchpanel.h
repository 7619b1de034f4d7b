// The keyword search panel's controller (owned by the main window).
#pragma once

#include <QObject>
#include <QRadioButton>
#include <string>

#include "search/suchbegriffzustand.h"

class QKeyEvent;

namespace vxm {

class frmDorvex;

// Resets the terms as a search start does.
void BegriffeZuruecksetzen();

class SuchPanel : public QObject {
 public:
  explicit SuchPanel(frmDorvex& f);

  void OptionGewaehlt(QRadioButton* gewaehlt);
  // True when the key must not reach the box.
  bool txtDateisuchen_KeyPress(QKeyEvent* k);
  void txtDateisuchen_Change();
  void lstKeywordsSuche_DblClick();
  void lstKeywordsAuswahl2_DblClick();
  void chckMitListe_Click();
  void cmdSucheStarten_Click();
  void cmdSearch_Click();

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  // The program rewrites the box (caret at the end).
  void TextSetzen(const std::string& text);
  // Shows what the term logic answered.
  void Anzeigen(const SuchfeldAnzeige& a);
  void VorschlaegeZeigen();
  bool VorschlaegeBetreten();
  frmDorvex& f_;
};

SuchPanel* SuchPanelVon(frmDorvex& f);

}  // namespace vxm
