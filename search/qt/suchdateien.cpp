// The keyword searches of the main window; their hits go to the keyword
// maintenance window.
#include "basis/zustand.h"
#include "component/qt/frmdorvex.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"
#include "platform/jetsql.h"
#include "search/qt/dateikeywoerter.h"
#include "search/suchbegriffe.h"

namespace vxm {

frmDateiKeywörter& KeywortFenster(frmDorvex& f) {
  auto* w = f.findChild<frmDateiKeywörter*>(QString::fromUtf8("frmDateiKeywörter"), Qt::FindDirectChildrenOnly);
  if (!w) {
    KeywortSuchanbindung suche;
    suche.SucheDateien = [&f](std::string& keyword) { f.SucheDateien(keyword); };
    suche.KeywortPanelOeffnen = [&f] {
      if (f.KeywortPanelOeffnen) f.KeywortPanelOeffnen();
    };
    suche.SuchfeldLeeren = [&f] { f.txtDateisuchen->clear(); };
    suche.VorschlaegeVerbergen = [&f] { f.lstKeywordsSuche->hide(); };
    w = new frmDateiKeywörter(f, std::move(suche));
  }
  if (!w->Geladen()) w->Form_Load();
  return *w;
}

void frmDorvex::SucheDateien(std::string& keyword) {
  keyword = Falten(keyword);
  Datenbank& db = DOC_DATA.Database();
  const int32_t id = KeywordIdSuchen(db, keyword);
  auto& w = KeywortFenster(*this);
  w.ListeVorbereiten();
  w.TrefferHinzufuegen(id ? DateienMitKeyword(db, id) : std::vector<RegisterTreffer>{});
  w.Keyword = keyword;
  if (w.Text1->text().isEmpty()) {
    w.Label1->setText(w.Label1->text() + Q(" " + keyword + ":"));
    // A word that is no keyword leaves the box empty: another keyword shown
    // there would be the one "Keywort entfernen" takes.
    int i = -1;
    for (int k = 0; k < w.cmbKeywords->count() && i < 0; ++k)
      if (Falten(S(w.cmbKeywords->itemText(k))) == keyword) i = k;
    w.cmbKeywords->setCurrentIndex(i);
    w.Zeigen();
  }
}

void frmDorvex::SucheDateienMulti() {
  auto& z = Zustand();
  Datenbank& db = DOC_DATA.Database();
  // Every term counts: the id list has no fixed end.
  std::vector<int32_t> ids;
  std::string begriffe;
  for (int32_t i = 0; i < z.KeyAnzahl && i < static_cast<int32_t>(z.KeyTeile.size()); ++i) {
    const std::string& t = z.KeyTeile[i];
    begriffe += (i ? " , " : "") + t;
    if (t.empty()) continue;
    if (int32_t id = KeywordIdSuchen(db, t)) ids.push_back(id);
  }
  const auto treffer = DateienMitKeywords(db, ids);
  if (treffer.empty()) {
    Dienste().Meldungen->MsgBox("Keine Dateien gefunden", vbOKOnly, "");
    return;
  }
  auto& w = KeywortFenster(*this);
  w.ListeVorbereiten();
  w.TrefferHinzufuegen(treffer);
  if (w.Text1->text().isEmpty()) {
    w.Label1->setText(Q("Liste der Dateien zu " + begriffe + ":"));
    w.Keyword.clear();
    for (QWidget* c : std::initializer_list<QWidget*>{w.cmdKeyLöschen, w.cmdKeyaddtodoc, w.cmdShowDocList,
                                                       w.cmbKeywords})
      c->hide();
    w.Zeigen();
  }
}

}  // namespace vxm
