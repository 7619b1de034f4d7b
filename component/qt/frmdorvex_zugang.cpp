// What other windows may ask of the main window (Hauptfensterzugang).
#include "component/qt/frmdorvex.h"
#include "imaging/bilddatei.h"
#include "imaging/qt/bildanzeige.h"
#include "platform/text.h"
#include "store/qt/beschriftungen.h"
#include "store/qt/ordnerbaum.h"

namespace vxm {

void frmDorvex::OrdnerZeigen(const std::string& ordner) {
  DirChangeAktiv = true;
  dirListBox->SetPath(ordner);
  // The tree highlights the folder the lists now show, not the one before.
  if (auto* k = Baum->Knoten(Gross(ordner) + "\\")) {
    tvwDir->scrollToItem(k);  // (opening the parents selects them: the node after)
    Baum->Auswaehlen(k);
  }
}

bool frmDorvex::DateiWaehlen(const std::string& name) {
  for (int i = 0; i < filListBox->ListCount(); ++i)
    if (GleichOhneFall(filListBox->List(i), name)) {
      filListBox->SetListIndex(i);
      return true;
    }
  return false;
}

FensterDatei frmDorvex::AktuelleDatei() const { return {filListBox->FileName(), filListBox->Path()}; }

void frmDorvex::Ordneransicht() {
  DirChangeAktiv = true;
  dirListBox->Enabled = true;
  dirListBox->Visible = true;
  filListBox->setEnabled(true);
  filListBox->show();
  tvwDir->show();
  frameOrdner->show();
  FrameDatei->show();
  gefdatframe->hide();
  gefundenviewBox->hide();
  cmdOrdner->hide();
  cmdOrdner->setEnabled(false);
}

// ---- parts of the window that the subsystems draw ----

bool frmDorvex::BildAnzeigen(const std::string& ordner, const std::string& name) {
  picBox->setVisible(!lstKeywordsAuswahl2->isVisible());
  return BildInBoxZeigen(*picBox, ordner, name);
}

void frmDorvex::vxmDatenholen() { vxmDatenholen(dirListBox->Path()); }

void frmDorvex::vxmDatenholen(const std::string& ordner) {
  EntitaetenBeschriften(ordner, {OO_DATA, BE_DATA, BN_DATA, lblObjName, lblBeName, lblBnName, vxmAnzeige});
}

void frmDorvex::error_handler(int32_t code, const std::string& name) { vxm::error_handler(code, name); }

}  // namespace vxm
