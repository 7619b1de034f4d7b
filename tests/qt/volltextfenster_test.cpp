// The full-text index in the window: the indexer starts with it and shows
// its progress quietly, can be paused, follows files changed behind the
// window's back, and the text search lists the phrase in its context.
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "basis/zustand.h"
#include "files/qt/aktionen.h"
#include "search/qt/datensuche_fenster.h"
#include "search/qt/volltextfenster.h"
#include "search/volltext/indexierer.h"
#include "search/volltext/volltextindex.h"
#include "tests/qt/qthilfen.h"

namespace vxm::test {
namespace {

class VolltextImFenster : public FensterUmgebung {
 protected:
  void SetUp() override {
    FensterUmgebung::SetUp();
    VolltextFenster::Eingeschaltet() = true;
    if (const char* b = std::getenv("VXM_BUILD")) ::setenv("VXM_EXTRAKT", (std::string(b) + "/vxmdorvex-extrakt").c_str(), 1);
    DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\Kuendigung.txt",
                 "Sehr geehrte Frau Weiß,\r\nhiermit bestätigen wir den Eingang Ihrer Kündigung der Wohnung "
                 "zum 31.3.2027.\r\nMit freundlichen Grüßen");
    DateiAnlegen("C:\\VXM\\VXMDOK\\1\\8\\Abrechnung.txt", "Nebenkostenabrechnung 2026: Nachzahlung 120,50 Euro");
    DateiAnlegen("C:\\VXM\\VXMDOK\\1\\8\\Alt\\Brief.txt", "K\xfcndigung der Wohnung (Windows-1252)");
  }
  void TearDown() override {
    fenster_.reset();
    VolltextFenster::Eingeschaltet() = false;
    ::unsetenv("VXM_EXTRAKT");
    FensterUmgebung::TearDown();
  }

  VolltextFenster& V() { return *VolltextFenster::Von(&F()); }
  QTreeWidget& Liste() { return *F().gefundenviewBox; }

  // Lets the window run until the indexer has worked in everything.
  bool IndexFertig() {
    for (int i = 0; i < 1500; ++i) {
      QCoreApplication::processEvents();
      auto* ix = V().Indexierer();
      if (ix && ix->Ruhig()) {
        const auto f = ix->Fortschritt();
        if (f.Erledigt == f.Gesamt) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  bool IndexZeile(const std::string& pfad) {
    volltext::Volltextindex ix(Host("C:\\VXM\\VXMDAT\\vxmdok.volltext"));
    auto e = ix.Eintrag(pfad);
    return e && e->Zustand == volltext::Indexzustand::Indiziert;
  }

  void Textsuche(const std::string& text) {
    F().optSuchenDok->setChecked(false);
    F().optTextInhalt->setChecked(true);
    F().txtDateisuchen->setText(QString::fromStdString(text));
    F().DatenSucheStarten();
  }
};

// A file cut and pasted in the window, with the indexer at rest: the next
// text search still walks every folder, also those below the two places.
TEST_F(VolltextImFenster, NachAusschneidenUndEinfuegenFindetDieSucheAlles) {
  const std::string be = "C:\\VXM\\VXMDOK\\1\\7\\3";
  DateiAnlegen(be + "\\1\\Korrespondenz\\Notiz.txt", "Telefonnotiz Frau Weiß");
  DateiAnlegen(be + "\\2\\Korrespondenz\\Notiz.txt", "Telefonnotiz Herr Bäcker");
  DateiAnlegen(be + "\\2\\Vorschreibungen\\Jänner.txt", "Vorschreibung");
  DateiAnlegen(be + "\\Kündigung alt.txt", "Kündigung");
  ASSERT_TRUE(Laden());
  ASSERT_TRUE(IndexFertig());
  Textsuche("telefonnotiz");
  ASSERT_EQ(Liste().topLevelItemCount(), 2);
  F().cmdOrdner->click();
  F().dirListBox->SetPath(be);
  F().filListBox->SetListIndex(0);
  ASSERT_EQ(F().filListBox->FileName(), "Kündigung alt.txt");
  AktionenVon(F())->lstAktion_Click(0);  // Ausschneiden
  F().dirListBox->SetPath(be + "\\2\\Vorschreibungen");
  AktionenVon(F())->lstAktion_Click(2);  // Einfügen
  ASSERT_TRUE(std::filesystem::exists(Host(be + "\\2\\Vorschreibungen\\Kündigung alt.txt")));
  ASSERT_TRUE(IndexFertig());
  Textsuche("telefonnotiz");
  EXPECT_EQ(Liste().topLevelItemCount(), 2);
  Textsuche("bäcker");
  EXPECT_EQ(Liste().topLevelItemCount(), 1);
}

TEST_F(VolltextImFenster, IndexLaeuftMitFortschrittPauseUndFolgtAenderungen) {
  ASSERT_TRUE(Laden());
  ASSERT_NE(V().Indexierer(), nullptr);
  ASSERT_TRUE(IndexFertig());
  V().FortschrittZeigen();
  auto* anzeige = F().findChild<QLabel*>("lblIndex");
  ASSERT_NE(anzeige, nullptr);
  EXPECT_EQ(anzeige->text().toStdString(), "Index: 3 von 3 Dateien");
  EXPECT_FALSE(anzeige->isHidden());
  EXPECT_TRUE(IndexZeile("C:\\VXM\\VXMDOK\\1\\7\\Kuendigung.txt"));

  // Paused, a new file waits; continued, it is indexed.
  auto* pause = F().findChild<QPushButton*>("cmdIndexPause");
  ASSERT_NE(pause, nullptr);
  pause->click();
  QCoreApplication::processEvents();
  EXPECT_EQ(anzeige->text().toStdString(), "Index: 3 von 3 Dateien (angehalten)");
  EXPECT_EQ(pause->text().toStdString(), "Fortsetzen");
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\9\\Neu.txt", "Kündigung der Wohnung ab sofort");
  for (int i = 0; i < 50; ++i) {
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_FALSE(IndexZeile("C:\\VXM\\VXMDOK\\1\\9\\Neu.txt"));
  pause->click();
  EXPECT_EQ(pause->text().toStdString(), "Pause");
  ASSERT_TRUE(IndexFertig());
  EXPECT_TRUE(IndexZeile("C:\\VXM\\VXMDOK\\1\\9\\Neu.txt"));

  // Renamed and deleted behind the window's back.
  std::filesystem::rename(Host("C:\\VXM\\VXMDOK\\1\\9\\Neu.txt"), Host("C:\\VXM\\VXMDOK\\1\\9") / "Umbenannt.txt");
  std::filesystem::remove(Host("C:\\VXM\\VXMDOK\\1\\8\\Abrechnung.txt"));
  for (int i = 0; i < 500 && !IndexZeile("C:\\VXM\\VXMDOK\\1\\9\\Umbenannt.txt"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(IndexFertig());
  EXPECT_TRUE(IndexZeile("C:\\VXM\\VXMDOK\\1\\9\\Umbenannt.txt"));
  EXPECT_FALSE(IndexZeile("C:\\VXM\\VXMDOK\\1\\9\\Neu.txt"));
  EXPECT_FALSE(IndexZeile("C:\\VXM\\VXMDOK\\1\\8\\Abrechnung.txt"));

  // The text search lists each hit with the phrase in its context.
  Textsuche("kündigung der wohnung");
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
  ASSERT_EQ(Liste().columnCount(), 3);
  EXPECT_EQ(Liste().headerItem()->text(2).toStdString(), "Fundstelle");
  ASSERT_EQ(Liste().topLevelItemCount(), 3);
  std::map<std::string, std::string> kontext;
  for (int i = 0; i < Liste().topLevelItemCount(); ++i)
    kontext[Liste().topLevelItem(i)->text(0).toStdString()] = Liste().topLevelItem(i)->text(2).toStdString();
  EXPECT_NE(kontext["Kuendigung.txt"].find("Ihrer Kündigung der Wohnung zum 31.3.2027"), std::string::npos)
      << kontext["Kuendigung.txt"];
  EXPECT_NE(kontext["Brief.txt"].find("Kündigung der Wohnung"), std::string::npos) << kontext["Brief.txt"];
  EXPECT_NE(kontext["Umbenannt.txt"].find("Kündigung der Wohnung ab sofort"), std::string::npos);
  // The index does not pass every file: its file table claims nothing.
  EXPECT_FALSE(Zustand().DateiTabelleVollstaendig);
}

TEST_F(VolltextImFenster, OhneIndexBleibtDieBytesucheMitZweiSpalten) {
  VolltextFenster::Eingeschaltet() = false;
  ASSERT_TRUE(Laden());
  EXPECT_EQ(V().Indexierer(), nullptr);
  EXPECT_TRUE(F().findChild<QLabel*>("lblIndex")->isHidden());
  Textsuche("Kündigung der Wohnung");
  EXPECT_EQ(Liste().columnCount(), 2);
  EXPECT_EQ(Liste().topLevelItemCount(), 2);
}

TEST_F(VolltextImFenster, SuchfensterMitFundstelleAlsBild) {
  const char* ziel = std::getenv("VXM_VOLLTEXT_BILD");
  if (!ziel) GTEST_SKIP() << "VXM_VOLLTEXT_BILD names the PNG to write";
  ASSERT_TRUE(Laden());
  ASSERT_TRUE(IndexFertig());
  F().resize(1200, 720);
  F().show();
  Textsuche("Kündigung der Wohnung");
  V().FortschrittZeigen();
  QCoreApplication::processEvents();
  ASSERT_TRUE(F().grab().save(QString::fromUtf8(ziel)));
}

}  // namespace
}  // namespace vxm::test
