#include "store/qt/beschriftungen.h"

#include <QLabel>

#include "basis/fehlermelden.h"
#include "basis/zustand.h"
#include "platform/datenbank.h"
#include "platform/qt/steuerelemente.h"
#include "platform/text.h"
#include "store/entitaeten.h"

namespace vxm {

void EntitaetenBeschriften(const std::string& ordner, const EntitaetsAnzeige& a) {
  auto& z = Zustand();
  try {
    const EntitaetsNummern n = NummernAusPfad(ordner, z.MandantPfad);
    if (!n.Objekt.empty() && n.Objekt != "0") {
      a.Objekte.RecordSource = ObjektSql(n.Objekt);
      a.Objekte.Refresh();
      auto& rs = a.Objekte.Rs();
      if (rs.RecordCount() > 0) {
        a.ObjName->setText(Q(ErsteZeichen(rs.Text("ObjBezeichnung"), 28)));
        a.ObjName->setToolTip(Q(rs.Text("ObjBezeichnung")));  // whole, where the caption is cut
        a.Rahmen->show();
      }
    }
    if (!n.Be.empty() && n.Be != "0") {
      a.Einheiten.RecordSource = BeSql(n.Objekt.empty() ? "0" : n.Objekt, n.Be);
      a.Einheiten.Refresh();
      auto& rs = a.Einheiten.Rs();
      if (rs.RecordCount() > 0) {
        a.BeName->setText(Q(rs.Text("BeTuerNr")));
        a.Rahmen->show();
      }
    }
    if (n.Bn != 0) {
      a.Nehmer.RecordSource = BnSql(n.Objekt.empty() ? "0" : n.Objekt, n.Be.empty() ? "0" : n.Be, n.Bn);
      a.Nehmer.Refresh();
      auto& rs = a.Nehmer.Rs();
      if (rs.RecordCount() > 0) {
        a.BnName->setText(Q(ErsteZeichen(rs.Text("BnName"), 28)));
        a.BnName->setToolTip(Q(rs.Text("BnName")));
        a.Rahmen->show();
      }
    }
  } catch (const std::exception& e) {
    // During the load step its own handler decides (missing database).
    if (z.LadeModus) throw;
    FehlerMelden(e);
  }
}

}  // namespace vxm
