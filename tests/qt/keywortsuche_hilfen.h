// The keyword search panel and the keyword maintenance window offscreen:
// a register with keywords and documents, and the window's hits caught as
// it shows them (shared by the tests of the panel and of the window).
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <algorithm>

#include "basis/zustand.h"
#include "platform/datenbank.h"
#include "platform/dialoge.h"
#include "platform/text.h"
#include "search/qt/dateikeywoerter.h"
#include "search/qt/suchpanel.h"
#include "store/qt/ordnerbaum.h"
#include "tests/qt/qthilfen.h"

namespace vxm::test {

inline const std::string kOrdner = "C:\\VXM\\VXMDOK\\1";

class Keywortsuche : public FensterUmgebung {
 protected:
  void SetUp() override {
    FensterUmgebung::SetUp();
    reg_ = DatenbankOeffnenHost(Host(register_));
    frmDateiKeywörter::NachDemZeigen = [this](frmDateiKeywörter& w) {
      ++gezeigt_;
      label_ = w.Label1->text().toStdString();
      namen_.clear();
      for (int i = 0; i < w.lstDateiGefunden->topLevelItemCount(); ++i)
        namen_.push_back(w.lstDateiGefunden->topLevelItem(i)->text(0).toStdString());
      if (treiber_) treiber_(w);
    };
  }
  void TearDown() override {
    frmDateiKeywörter::NachDemZeigen = nullptr;
    reg_.reset();
    FensterUmgebung::TearDown();
  }

  int32_t Keyword(const std::string& name) { return KeywordAnlegen(*reg_, name); }
  // Folder 7 holds the tagged Vertrag.doc (MIETE) and the untagged Anhang.doc.
  void VertragMitAnhangStarten() {
    Dokument(kOrdner + "\\7", "Vertrag.doc", {Keyword("MIETE")});
    DateiAnlegen(kOrdner + "\\7\\Anhang.doc");
    Starten();
  }
  // A document on disk, registered with the given keywords.
  int32_t Dokument(const std::string& ordner, const std::string& name, std::vector<int32_t> ids,
                   const std::string& registerPfad = {}) {
    DateiAnlegen(ordner + "\\" + name);
    Recordset rs = reg_->TabelleOeffnen("Dateiinfo");
    rs.AddNew();
    const int32_t nr = rs.Zahl("Dateinummer");
    rs.FeldSetzen("Dateiname", name);
    rs.FeldSetzen("Dateipfad", registerPfad.empty() ? ordner : registerPfad);
    rs.Update();
    for (int32_t id : ids) VerknuepfungAnhaengen(*reg_, nr, id);
    return nr;
  }
  int Zeilen(const std::string& sql) {
    int n = 0;
    for (Recordset rs = reg_->OpenRecordset(sql); !rs.Eof(); rs.MoveNext()) ++n;
    return n;
  }

  void Starten() {
    ASSERT_TRUE(Laden());
    F().show();
    F().optSchluesselW->click();
    F().txtDateisuchen->setFocus();
  }
  void Tippen(const QString& text) { QTest::keyClicks(F().txtDateisuchen, text); }
  void Taste(Qt::Key k) { QTest::keyClick(F().txtDateisuchen, k); }
  std::string Box() { return F().txtDateisuchen->text().toStdString(); }
  std::vector<std::string> Vorschlaege() {
    std::vector<std::string> v;
    for (int i = 0; i < F().lstKeywordsSuche->count(); ++i) v.push_back(F().lstKeywordsSuche->item(i)->text().toStdString());
    return v;
  }
  void Vorschlag(int i) {
    F().lstKeywordsSuche->setCurrentRow(i);
    SuchPanelVon(F())->lstKeywordsSuche_DblClick();
  }
  frmDateiKeywörter& W() { return KeywortFenster(F()); }

  std::shared_ptr<Datenbank> reg_;
  int gezeigt_ = 0;
  std::string label_;
  std::vector<std::string> namen_;
  std::function<void(frmDateiKeywörter&)> treiber_;
};

}  // namespace vxm::test
