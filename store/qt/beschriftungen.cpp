// Captions of the host's entities for the folder being viewed.
#include "basis/fehlermelden.h"
#include "basis/zustand.h"
#include "component/qt/frmdorvex.h"
#include "platform/text.h"
#include "store/entitaeten.h"

namespace vxm {

void frmDorvex::vxmDatenholen() { vxmDatenholen(dirListBox->Path()); }

void frmDorvex::vxmDatenholen(const std::string& ordner) {
  auto& z = Zustand();
  try {
    const EntitaetsNummern n = NummernAusPfad(ordner, z.MandantPfad);
    if (!n.Objekt.empty() && n.Objekt != "0") {
      OO_DATA.RecordSource = ObjektSql(n.Objekt);
      OO_DATA.Refresh();
      auto& rs = OO_DATA.Rs();
      if (rs.RecordCount() > 0) {
        lblObjName->setText(Q(ErsteZeichen(rs.Text("ObjBezeichnung"), 28)));
        vxmAnzeige->show();
      }
    }
    if (!n.Be.empty() && n.Be != "0") {
      BE_DATA.RecordSource = BeSql(n.Objekt.empty() ? "0" : n.Objekt, n.Be);
      BE_DATA.Refresh();
      auto& rs = BE_DATA.Rs();
      if (rs.RecordCount() > 0) {
        lblBeName->setText(Q(rs.Text("BeTuerNr")));
        vxmAnzeige->show();
      }
    }
    if (n.Bn != 0) {
      BN_DATA.RecordSource = BnSql(n.Objekt.empty() ? "0" : n.Objekt, n.Be.empty() ? "0" : n.Be, n.Bn);
      BN_DATA.Refresh();
      auto& rs = BN_DATA.Rs();
      if (rs.RecordCount() > 0) {
        lblBnName->setText(Q(ErsteZeichen(rs.Text("BnName"), 28)));
        vxmAnzeige->show();
      }
    }
  } catch (const std::exception& e) {
    // During the load step its own handler decides (missing database).
    if (z.LadeModus) throw;
    FehlerMelden(e);
  }
}

}  // namespace vxm
