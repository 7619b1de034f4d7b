// The window as a user drives it: a tenant folder with two files, one of
// them tagged, and the steps every test of use takes (show, click, choose
// from a menu).
#pragma once

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <string>

#include "files/fingerabdruck.h"
#include "files/qt/aktionen.h"
#include "platform/datenbank.h"
#include "store/qt/ordnerbaum.h"
#include "tests/qt/qthilfen.h"

namespace vxm::test {

namespace fs = std::filesystem;
inline const std::string kMieter = "C:\\VXM\\VXMDOK\\1\\7\\3\\2";

class Bedienung : public FensterUmgebung {
 protected:
  // Row 2: Briefe\Mahnung.txt with keyword 1 and its print; the window shown.
  void BriefeMitMahnung() {
    DateiAnlegen(kMieter + "\\Briefe\\Mahnung.txt", "mahnung");
    Sql(register_,
        "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('Mahnung.txt', '" + kMieter + "\\Briefe');"
        "INSERT INTO KeywordZwischentabelle(Dateinummer, KeywordID) VALUES(2, 1);");
    ASSERT_TRUE(Laden());
    Zeigen();
    ASSERT_TRUE(FingerabdruckNehmen(F().DOC_DATA.Database(), 2, kMieter + "\\Briefe", "Mahnung.txt"));
  }

  void SetUp() override {
    FensterUmgebung::SetUp();
    DateiAnlegen(kMieter + "\\Brief.txt", "brief");
    DateiAnlegen(kMieter + "\\Zettel.txt", "zettel");
    OrdnerAnlegenHost(kMieter + "\\Akten");
    OrdnerAnlegenHost(kMieter + "\\Briefe");
    Sql(register_,
        "INSERT INTO Keyword(Keyword) VALUES('MIETE');"
        "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('Zettel.txt', '" + kMieter + "');"
        "INSERT INTO KeywordZwischentabelle(Dateinummer, KeywordID) VALUES(1, 1);");
  }
  Aktionen& A() { return *AktionenVon(F()); }
  bool Da(const std::string& p) { return fs::exists(Host(p)); }
  int64_t Anzahl(const std::string& sql) {
    Recordset rs = F().DOC_DATA.Database().OpenRecordset(sql);
    return rs.Eof() ? 0 : rs.Zahl("n");
  }

  // Shown, sized, with every pending event run.
  void Zeigen() {
    F().resize(1100, 760);
    F().show();
    QApplication::processEvents();
  }
  QPoint Mitte(QListWidget* l, int zeile) { return l->visualItemRect(l->item(zeile)).center(); }
  QPoint Mitte(FileListBox* l, int zeile) { return l->ZeilenRechteck(zeile).center(); }
  int Zeile(const std::string& name) {
    for (int i = 0; i < F().filListBox->ListCount(); ++i)
      if (F().filListBox->List(i) == name) return i;
    return -1;
  }
  // A right click as the mouse makes it: press and release on the viewport.
  void Rechtsklick(QWidget* viewport, QPoint p) {
    QTest::mousePress(viewport, Qt::RightButton, {}, p);
    QTest::mouseRelease(viewport, Qt::RightButton, {}, p);
    QApplication::processEvents();
  }
  void MenueWahl(QListWidget* menue, int zeile) {
    ASSERT_TRUE(menue->isVisible());
    QTest::mouseClick(menue->viewport(), Qt::LeftButton, {}, Mitte(menue, zeile));
    QApplication::processEvents();
  }
  QPoint KnotenMitte(QTreeWidgetItem* k) {
    F().tvwDir->scrollToItem(k);
    QApplication::processEvents();
    return F().tvwDir->visualItemRect(k).center();
  }
};

}  // namespace vxm::test
