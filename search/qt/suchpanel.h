// The keyword search panel's controller (owned by the main window).
#pragma once

#include <QObject>
#include <QRadioButton>

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
  void TextSetzen(const QString& text);
  void VorschlaegeZeigen();
  frmDorvex& f_;
};

SuchPanel* SuchPanelVon(frmDorvex& f);

}  // namespace vxm
