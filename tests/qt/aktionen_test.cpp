// The file action menu, the folder menu, drops on the tree and the register
// upkeep behind them, on the window offscreen.
#include <fstream>
#include <sqlite3.h>

#include <QKeyEvent>
#include <QTest>
#include <filesystem>

#include "basis/zustand.h"
#include "files/qt/aktionen.h"
#include "files/qt/frmordnerinfo.h"
#include "files/registervorhaben.h"
#include "platform/dienste.h"
#include "platform/text.h"
#include "store/qt/ordnerbaum.h"
#include "tests/qt/qthilfen.h"

namespace vxm::test {
namespace {

namespace fs = std::filesystem;
const std::string kMieter = "C:\\VXM\\VXMDOK\\1\\7\\3\\2";
const std::string kBe = "C:\\VXM\\VXMDOK\\1\\7\\3";

struct Zeile {
  int32_t Nummer;
  std::string Name, Pfad;
};

class AktionenTest : public FensterUmgebung {
 protected:
  // Two files in the tenant's folder; Brief.txt is registered with keywords 2 and 1.
  void SetUp() override {
    FensterUmgebung::SetUp();
    DateiAnlegen(kMieter + "\\Brief.txt", "brief");
    DateiAnlegen(kMieter + "\\Zettel.txt", "zettel");
    OrdnerAnlegenHost(kBe + "\\Akten");
    Sql(register_,
        "INSERT INTO Keyword(Keyword) VALUES('MIETE'),('KAUTION');"
        "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('Brief.txt', '" + kBe + "\\Akten');"  // namesake elsewhere
        "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('brief.TXT', '" + kMieter + "');"
        "INSERT INTO KeywordZwischentabelle(Dateinummer, KeywordID) VALUES(2, 2),(2, 1),(1, 1);");
  }
  Aktionen& A() { return *AktionenVon(F()); }
  void Waehlen(const std::string& name) {
    for (int i = 0; i < F().filListBox->ListCount(); ++i)
      if (F().filListBox->List(i) == name) return F().filListBox->SetListIndex(i);
    FAIL() << "keine Datei " << name;
  }
  std::vector<Zeile> Zeilen() {
    std::vector<Zeile> z;
    for (Recordset rs = F().DOC_DATA.Database().OpenRecordset("SELECT * FROM Dateiinfo ORDER BY Dateinummer");
         !rs.Eof(); rs.MoveNext())
      z.push_back({rs.Zahl("Dateinummer"), rs.Text("Dateiname"), rs.Text("Dateipfad")});
    return z;
  }
  const Zeile* ZeileVon(const std::string& name) {
    static std::vector<Zeile> z;
    z = Zeilen();
    for (auto& r : z)
      if (r.Name == name) return &r;
    return nullptr;
  }
  std::vector<int32_t> Links(int32_t nr) {
    std::vector<int32_t> ids;
    for (Recordset rs = F().DOC_DATA.Database().OpenRecordset(
             "SELECT KeywordID FROM KeywordZwischentabelle WHERE Dateinummer = " + std::to_string(nr) +
             " ORDER BY KeywordID");
         !rs.Eof(); rs.MoveNext())
      ids.push_back(rs.Zahl("KeywordID"));
    return ids;
  }
  bool Da(const std::string& p) { return fs::exists(Host(p)); }
};

TEST_F(AktionenTest, KopierenUndEinfuegenImSelbenOrdnerMitKeywoertern) {
  ASSERT_TRUE(Laden());
  Waehlen("Brief.txt");
  // Through the list as the user clicks it.
  F().show();
  F().lstAktion->show();
  QTest::mouseClick(F().lstAktion->viewport(), Qt::LeftButton, {},
                    F().lstAktion->visualItemRect(F().lstAktion->item(1)).center());
  EXPECT_TRUE(F().lstAktion->isHidden());
  EXPECT_EQ(A().QuellDatei, "Brief.txt");
  dialoge_->Antworten = {vbYes};
  A().lstAktion_Click(2);
  EXPECT_EQ(Inhalt(kMieter + "\\Kopie von Brief.txt"), "brief");
  EXPECT_TRUE(Da(kMieter + "\\Brief.txt"));
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, kFrageKeywordsUebernehmen);
  const Zeile* kopie = ZeileVon("Kopie von Brief.txt");
  ASSERT_NE(kopie, nullptr);
  EXPECT_EQ(kopie->Pfad, kMieter);
  EXPECT_EQ(Links(kopie->Nummer), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(Links(2), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(F().filListBox->ListCount(), 3);
  // The paste emptied the clipboard.
  A().lstAktion_Click(2);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, kMeldungZwischenablageLeer);
  EXPECT_EQ(A().AktAktion, -1);
}

TEST_F(AktionenTest, KopieOhneKeywoerterUndUnregistrierteDateiFragtNicht) {
  ASSERT_TRUE(Laden());
  F().dirListBox->SetPath(kMieter);
  Waehlen("Brief.txt");
  A().lstAktion_Click(1);
  F().dirListBox->SetPath(kBe + "\\Akten");
  dialoge_->Antworten = {vbNo};
  A().lstAktion_Click(2);
  EXPECT_TRUE(Da(kBe + "\\Akten\\Brief.txt"));
  // The copy has no row; the row left there by a file that had vanished
  // does not pass its keyword on to it.
  ASSERT_EQ(Zeilen().size(), 1u);
  EXPECT_EQ(Zeilen()[0].Nummer, 2);
  EXPECT_TRUE(Links(1).empty());
  // Zettel.txt has no row: no question.
  F().dirListBox->SetPath(kMieter);
  Waehlen("Zettel.txt");
  A().lstAktion_Click(1);
  const auto gezeigt = dialoge_->Gezeigt.size();
  A().lstAktion_Click(2);
  EXPECT_TRUE(Da(kMieter + "\\Kopie von Zettel.txt"));
  EXPECT_EQ(dialoge_->Gezeigt.size(), gezeigt);
}

TEST_F(AktionenTest, AusschneidenUndEinfuegenVerschiebtMitZeile) {
  ASSERT_TRUE(Laden());
  Waehlen("Brief.txt");
  A().lstAktion_Click(0);
  A().lstAktion_Click(2);  // same folder: only "Kopie von" is left
  EXPECT_FALSE(Da(kMieter + "\\Brief.txt"));
  EXPECT_TRUE(Da(kMieter + "\\Kopie von Brief.txt"));
  const Zeile* z = ZeileVon("Kopie von Brief.txt");
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(z->Nummer, 2);
  EXPECT_EQ(Links(2), (std::vector<int32_t>{1, 2}));
  // Into another folder: path follows, number and links stay; the namesake is untouched.
  Waehlen("Kopie von Brief.txt");
  A().lstAktion_Click(0);
  F().dirListBox->SetPath(kBe);
  A().lstAktion_Click(2);
  EXPECT_TRUE(Da(kBe + "\\Kopie von Brief.txt"));
  EXPECT_EQ(ZeileVon("Kopie von Brief.txt")->Pfad, kBe);
  EXPECT_EQ(Zeilen()[0].Pfad, kBe + "\\Akten");
}

TEST_F(AktionenTest, ZwischenBefehlMachtAusDemVerschiebenEineBloesseKopie) {
  ASSERT_TRUE(Laden());
  Waehlen("Brief.txt");
  A().lstAktion_Click(0);
  Waehlen("Zettel.txt");
  A().lstAktion_Click(6);  // Keywords on another file
  F().dirListBox->SetPath(kBe);
  A().lstAktion_Click(2);
  EXPECT_TRUE(Da(kBe + "\\Zettel.txt"));
  EXPECT_TRUE(Da(kMieter + "\\Zettel.txt"));
  EXPECT_TRUE(Da(kMieter + "\\Brief.txt"));
  EXPECT_EQ(Zeilen().size(), 2u);
}

TEST_F(AktionenTest, EinfuegenFragtVorDemUeberschreibenUndFehlgeschlagenesKopierenLoeschtNichts) {
  DateiAnlegen(kBe + "\\Brief.txt", "alt");
  Sql(register_, "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('Brief.txt', '" + kBe + "');");  // row 3
  ASSERT_TRUE(Laden());
  // No to replacing: nothing changes, the clipboard is emptied as after every paste.
  Waehlen("Brief.txt");
  A().lstAktion_Click(1);
  F().dirListBox->SetPath(kBe);
  dialoge_->Antworten = {vbNo};
  A().lstAktion_Click(2);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, FrageUeberschreiben(kBe + "\\Brief.txt"));
  EXPECT_EQ(Inhalt(kBe + "\\Brief.txt"), "alt");
  EXPECT_EQ(Zeilen().size(), 3u);
  // Yes to replacing, No to the keywords: the old row goes, the copy has none.
  F().dirListBox->SetPath(kMieter);
  Waehlen("Brief.txt");
  A().lstAktion_Click(1);
  F().dirListBox->SetPath(kBe);
  dialoge_->Antworten = {vbYes, vbNo};
  A().lstAktion_Click(2);
  EXPECT_EQ(Inhalt(kBe + "\\Brief.txt"), "brief");
  EXPECT_EQ(Zeilen().size(), 2u);
  EXPECT_EQ(ZeileVon("Brief.txt")->Pfad, kBe + "\\Akten");
  // Cut, the source vanishes before the paste: the copy fails, nothing else happens.
  F().dirListBox->SetPath(kMieter);
  Waehlen("Zettel.txt");
  A().lstAktion_Click(0);
  fs::remove(Host(kMieter + "\\Zettel.txt"));
  F().dirListBox->SetPath(kBe);
  A().lstAktion_Click(2);
  EXPECT_NE(dialoge_->Gezeigt.back().Text.find("konnte nicht"), std::string::npos);
  EXPECT_FALSE(Da(kBe + "\\Zettel.txt"));
}

TEST_F(AktionenTest, VerschiebenEinerSchreibgeschuetztenQuelleWirdZurueckgenommen) {
  ASSERT_TRUE(Laden());
  fs::permissions(Host(kMieter + "\\Brief.txt"), fs::perms::owner_write, fs::perm_options::remove);
  Waehlen("Brief.txt");
  A().lstAktion_Click(0);
  F().dirListBox->SetPath(kBe);
  A().lstAktion_Click(2);
  EXPECT_TRUE(Da(kMieter + "\\Brief.txt"));
  EXPECT_FALSE(Da(kBe + "\\Brief.txt"));
  ASSERT_EQ(Zeilen().size(), 2u);
  EXPECT_EQ(Zeilen()[1].Pfad, kMieter);
  EXPECT_NE(dialoge_->Gezeigt.back().Text.find("nicht verschoben"), std::string::npos);
}

TEST_F(AktionenTest, LoeschenFragtUndNimmtZeileUndVerknuepfungen) {
  ASSERT_TRUE(Laden());
  Waehlen("Brief.txt");
  dialoge_->Antworten = {vbNo};
  A().lstAktion_Click(3);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, std::string(kFrageLoeschen) + "\r\nBrief.txt\r\nim Ordner " + kMieter);
  EXPECT_EQ(dialoge_->Gezeigt.back().Titel, kTitelLoeschen);
  EXPECT_EQ(dialoge_->Gezeigt.back().Stil, vbYesNo + vbQuestion);
  EXPECT_TRUE(Da(kMieter + "\\Brief.txt"));
  // Read-only: the deletion fails, the rows stay.
  fs::permissions(Host(kMieter + "\\Brief.txt"), fs::perms::owner_write, fs::perm_options::remove);
  dialoge_->Antworten = {vbYes};
  A().lstAktion_Click(3);
  EXPECT_TRUE(Da(kMieter + "\\Brief.txt"));
  EXPECT_EQ(Links(2).size(), 2u);
  fs::permissions(Host(kMieter + "\\Brief.txt"), fs::perms::owner_write, fs::perm_options::add);
  Waehlen("Brief.txt");
  dialoge_->Antworten = {vbYes};
  A().lstAktion_Click(3);
  EXPECT_FALSE(Da(kMieter + "\\Brief.txt"));
  EXPECT_EQ(Zeilen().size(), 1u);
  EXPECT_TRUE(Links(2).empty());
  EXPECT_EQ(Links(1), (std::vector<int32_t>{1}));
  EXPECT_EQ(F().filListBox->ListCount(), 1);
  // The next file chosen has its details whole: symbol and keyword line.
  EXPECT_TRUE(F().lstIcon->isHidden());
  Waehlen("Zettel.txt");
  EXPECT_FALSE(F().lstIcon->isHidden());
  EXPECT_FALSE(F().Label6->isHidden());
}

TEST_F(AktionenTest, UmbenennenMitEingabeboxUndIhreGrenzfaelle) {
  ASSERT_TRUE(Laden());
  Waehlen("Brief.txt");
  dialoge_->Eingaben = {""};
  A().lstAktion_Click(5);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, kMeldungLeereEingabe);
  EXPECT_EQ(dialoge_->Eingabefragen.back().Text, kPromptUmbenennen);
  // Unchanged name (the preset): the file stays.
  Waehlen("Brief.txt");
  A().lstAktion_Click(5);
  EXPECT_EQ(Inhalt(kMieter + "\\Brief.txt"), "brief");
  // Longer than a name may be: said as such, the file stays.
  Waehlen("Brief.txt");
  dialoge_->Eingaben = {std::string(200, 'a') + std::string(30, 'X') + "äääääääääääääää.txt"};
  A().lstAktion_Click(5);
  EXPECT_NE(dialoge_->Gezeigt.back().Text.find("Der Dateiname ist zu lang: 264 Bytes"), std::string::npos)
      << dialoge_->Gezeigt.back().Text;
  EXPECT_EQ(Inhalt(kMieter + "\\Brief.txt"), "brief");
  // Onto another file: refused, both stay.
  Waehlen("Brief.txt");
  dialoge_->Eingaben = {"zettel.TXT"};
  A().lstAktion_Click(5);
  EXPECT_EQ(Inhalt(kMieter + "\\Zettel.txt"), "zettel");
  EXPECT_TRUE(Da(kMieter + "\\Brief.txt"));
  Waehlen("Brief.txt");
  dialoge_->Eingaben = {"Mahnung.txt"};
  A().lstAktion_Click(5);
  EXPECT_FALSE(Da(kMieter + "\\Brief.txt"));
  EXPECT_EQ(Inhalt(kMieter + "\\Mahnung.txt"), "brief");
  EXPECT_NE(F().lblName->text().toStdString(), "Brief.txt") << "the details name no file that is gone";
  const Zeile* z = ZeileVon("Mahnung.txt");
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(z->Nummer, 2);
  EXPECT_EQ(Zeilen()[0].Name, "Brief.txt");  // the namesake elsewhere
}

TEST_F(AktionenTest, NeueDateiLaesstDasMenueOffenWaehrendDieTyplisteDenFokusHat) {
  ASSERT_TRUE(Laden());
  F().show();
  F().lstAktion->show();
  F().lstAktion->setFocus();
  QApplication::processEvents();
  Waehlen("Brief.txt");
  F().lstAktion->setFocus();
  A().lstAktion_Click(4);
  QApplication::processEvents();
  EXPECT_TRUE(F().lstDokument->isVisible());
  EXPECT_TRUE(F().lstAktion->isVisible());
  EXPECT_GE(F().lstDokument->x(), F().lstAktion->x() + F().lstAktion->width() - 2);
  // Any other command hides it.
  F().lstAktion->setFocus();
  A().lstAktion_Click(0);
  EXPECT_TRUE(F().lstAktion->isHidden());
}

// Esc closes the file menu and the folder menus without a choice and
// leaves nothing changed.
TEST_F(AktionenTest, EscSchliesstDieMenues) {
  ASSERT_TRUE(Laden());
  F().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&F()));
  Waehlen("Brief.txt");
  F().filListBox_MouseUp(Qt::RightButton, 10, 10);
  ASSERT_TRUE(F().lstAktion->isVisible());
  QTest::keyClick(F().lstAktion, Qt::Key_Escape);
  EXPECT_TRUE(F().lstAktion->isHidden());
  EXPECT_EQ(F().filListBox->FileName(), "Brief.txt");
  F().lstOrdner->show();
  F().lstNeuOrdner->show();
  QTest::keyClick(F().lstNeuOrdner, Qt::Key_Escape);
  EXPECT_TRUE(F().lstNeuOrdner->isHidden());
  EXPECT_TRUE(F().lstOrdner->isHidden());
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

class AufzeichnendeTermine : public Terminverwaltung {
 public:
  explicit AufzeichnendeTermine(std::vector<std::string>* log) : log_(log) {}
  void Dokname(const std::string& n) override { log_->push_back("name=" + n); }
  void Dokpfad(const std::string& p) override { log_->push_back("pfad=" + p); }
  void Termin_Aufruf(std::vector<Variant>& a) override { log_->push_back("aufruf=" + AlsText(a.at(39))); }
  std::vector<std::string>* log_;
};

TEST_F(AktionenTest, TerminverwaltungBekommtDokumentUndAufrufer) {
  ASSERT_TRUE(Laden());
  Waehlen("Zettel.txt");
  F().AktionsPfad = F().filListBox->Path();
  // Not installed: error 429 through the general report.
  A().lstAktion_Click(7);
  ASSERT_FALSE(berichte_->empty());
  EXPECT_EQ(berichte_->back().Nummer, 429);
  EXPECT_EQ(berichte_->back().Ort, kFehlerOrtAktion);
  std::vector<std::string> log;
  Dienste().Komponenten.vxmTerminverwaltung = [&log] { return std::make_unique<AufzeichnendeTermine>(&log); };
  A().lstAktion_Click(7);
  EXPECT_EQ(log, (std::vector<std::string>{"name=Zettel.txt", "pfad=" + kMieter, "aufruf=vxmDorvex"}));
  EXPECT_EQ(Zustand().ProgName, "vxmTerminverwaltung");
  EXPECT_EQ(Zustand().SuchDokname, "Zettel.txt");
}

TEST_F(AktionenTest, TastenDerDateilisteWieImMenue) {
  ASSERT_TRUE(Laden());
  F().show();
  Waehlen("Zettel.txt");
  QTest::keyClick(F().filListBox, Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(F().filListBox, Qt::Key_V, Qt::ControlModifier);
  EXPECT_TRUE(Da(kMieter + "\\Kopie von Zettel.txt"));
  Waehlen("Kopie von Zettel.txt");
  dialoge_->Antworten = {vbYes};
  QTest::keyClick(F().filListBox, Qt::Key_Delete);
  EXPECT_FALSE(Da(kMieter + "\\Kopie von Zettel.txt"));
  Waehlen("Zettel.txt");
  dialoge_->Eingaben = {"Notiz.txt"};
  QTest::keyClick(F().filListBox, Qt::Key_F2);
  EXPECT_TRUE(Da(kMieter + "\\Notiz.txt"));
  Waehlen("Notiz.txt");
  QTest::keyClick(F().filListBox, Qt::Key_X, Qt::ControlModifier);
  F().dirListBox->SetPath(kBe);
  QTest::keyClick(F().filListBox, Qt::Key_V, Qt::ControlModifier);
  EXPECT_TRUE(Da(kBe + "\\Notiz.txt"));
  EXPECT_FALSE(Da(kMieter + "\\Notiz.txt"));
}

// ------------------------------------------------------------ drag and drop

class ZiehenTest : public AktionenTest {
 protected:
  // What the tree's drop events do: highlight the node under the pointer, take it, run the hook.
  void AblegenAuf(QTreeWidgetItem* ziel) {
    F().tvwDir->scrollToItem(ziel);
    const QPoint p = F().tvwDir->visualItemRect(ziel).center();
    F().Baum->DropMarkieren(p, 2);
    EXPECT_EQ(F().tvwDir->itemAt(p), ziel);
    auto* k = F().Baum->DropKnotenHolen();
    F().Baum->DateiZiehenAblegen(k);
  }
  // A folder rename cut off by a crash: the record of `alt` -> `neu` left
  // behind, and a tagged file (row 3, keyword 1) in `ordner` under its old path.
  void AbgebrocheneUmbenennung(const std::string& alt, const std::string& neu, const std::string& name,
                               const std::string& ordner) {
    Sql(register_, "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('" + name + "', '" + ordner + "');"
                   "INSERT INTO KeywordZwischentabelle(Dateinummer, KeywordID) VALUES(3, 1);");
    auto db = DatenbankOeffnen(register_);
    Vorhaben v;
    v.Art = VorhabenArt::OrdnerUmbenennen;
    v.QuellOrdner = alt;
    v.ZielOrdner = neu;
    VorhabenEintragen(*db, v);
  }
};

TEST_F(ZiehenTest, KopierenMitJaUndKeywoertern) {
  ASSERT_TRUE(Laden());
  F().show();
  Waehlen("Brief.txt");
  auto* akten = F().Baum->Knoten(kBe + "\\AKTEN\\");
  ASSERT_NE(akten, nullptr);
  DateiAnlegen(kBe + "\\Akten\\Brief.txt", "alt");  // registered as row 1, keyword 1
  // No to replacing it: nothing changes.
  dialoge_->Antworten = {vbYes, vbNo};
  AblegenAuf(akten);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, FrageUeberschreiben(kBe + "\\Akten\\Brief.txt"));
  EXPECT_EQ(Inhalt(kBe + "\\Akten\\Brief.txt"), "alt");
  EXPECT_EQ(Zeilen().size(), 2u);
  // Copy, replace, take the keywords along.
  Waehlen("Brief.txt");
  dialoge_->Gezeigt.clear();
  dialoge_->Antworten = {vbYes, vbYes, vbYes};
  AblegenAuf(akten);
  ASSERT_EQ(dialoge_->Gezeigt.size(), 3u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text,
            "Sie sind im Begriff die Datei Brief.txt in den Ordner \rAkten zu kopieren. Bestätigen mit JA, "
            "\rbei NEIN wird die ausgwählte Datei verschoben!");
  EXPECT_EQ(dialoge_->Gezeigt[0].Stil, vbYesNoCancel);
  EXPECT_EQ(dialoge_->Gezeigt[1].Stil, vbYesNo + vbQuestion);
  EXPECT_EQ(dialoge_->Gezeigt[2].Text, kFrageKeywordsUebernehmen);
  EXPECT_EQ(Inhalt(kBe + "\\Akten\\Brief.txt"), "brief");
  EXPECT_TRUE(Da(kMieter + "\\Brief.txt"));
  // One row per file: the replaced file's row and link went with its content.
  const auto z = Zeilen();
  ASSERT_EQ(z.size(), 2u);
  EXPECT_EQ(z[0].Nummer, 2);
  EXPECT_TRUE(GleichOhneFall(z[1].Pfad, kBe + "\\Akten"));
  EXPECT_EQ(Links(z[1].Nummer), (std::vector<int32_t>{1, 2}));
  EXPECT_TRUE(Links(1).empty());
}

TEST_F(ZiehenTest, VerschiebenAufGleichnamigeDateiNimmtDieZeileDerQuelle) {
  DateiAnlegen(kBe + "\\Akten\\Brief.txt", "alt");
  ASSERT_TRUE(Laden());
  F().show();
  Waehlen("Brief.txt");
  dialoge_->Antworten = {vbNo, vbYes};  // move, replace
  AblegenAuf(F().Baum->Knoten(kBe + "\\AKTEN\\"));
  EXPECT_FALSE(Da(kMieter + "\\Brief.txt"));
  EXPECT_EQ(Inhalt(kBe + "\\Akten\\Brief.txt"), "brief");
  const auto z = Zeilen();
  ASSERT_EQ(z.size(), 1u);
  EXPECT_EQ(z[0].Nummer, 2);
  EXPECT_TRUE(GleichOhneFall(z[0].Pfad, kBe + "\\Akten"));
  EXPECT_EQ(Links(2), (std::vector<int32_t>{1, 2}));
  EXPECT_TRUE(Links(1).empty());
}

TEST_F(ZiehenTest, VerschiebenMitNeinAbbrechenUndFehlziele) {
  ASSERT_TRUE(Laden());
  F().show();
  Waehlen("Brief.txt");
  auto* be = F().Baum->Knoten(kBe + "\\");
  ASSERT_NE(be, nullptr);
  dialoge_->Antworten = {vbCancel};
  AblegenAuf(be);
  EXPECT_TRUE(Da(kMieter + "\\Brief.txt"));
  EXPECT_FALSE(Da(kBe + "\\Brief.txt"));
  // The file's own folder: refused, the file stays.
  Waehlen("Brief.txt");
  dialoge_->Antworten = {vbNo};
  AblegenAuf(F().Baum->Knoten(kMieter + "\\"));
  EXPECT_TRUE(Da(kMieter + "\\Brief.txt"));
  // No node under the pointer.
  F().Baum->DateiZiehenAblegen(nullptr);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, kMeldungVorgangNicht);
  // Move: number and links stay, the list shows the first remaining file.
  Waehlen("Brief.txt");
  dialoge_->Antworten = {vbNo};
  AblegenAuf(F().Baum->Knoten(kBe + "\\"));
  EXPECT_FALSE(Da(kMieter + "\\Brief.txt"));
  EXPECT_TRUE(Da(kBe + "\\Brief.txt"));
  ASSERT_EQ(Zeilen().size(), 2u);
  EXPECT_TRUE(GleichOhneFall(Zeilen()[1].Pfad, kBe));
  EXPECT_EQ(Links(2), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(F().filListBox->ListIndex(), 0);
  EXPECT_EQ(F().lblName->text().toStdString(), "Zettel.txt");
}

TEST_F(ZiehenTest, OrdnerUmbenennenNimmtZeilenDerUnterordnerMit) {
  DateiAnlegen(kMieter + "\\Briefe\\2025\\a.txt");
  DateiAnlegen(kMieter + "\\Briefe\\b.txt");
  Sql(register_,
      "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('a.txt', '" + kMieter + "\\BRIEFE\\2025');"
      "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('b.txt', '" + kMieter + "\\Briefe');"
      "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('c.txt', '" + kMieter + "\\Briefe alt');");
  ASSERT_TRUE(Laden());
  auto* k = F().Baum->Knoten(kMieter + "\\BRIEFE\\");
  ASSERT_NE(k, nullptr);
  F().Baum->NodeClick(k);
  F().Baum->KeyDown(Qt::Key_F2);
  k->setText(0, "Post");
  F().Baum->AfterLabelEdit("Post");
  ASSERT_TRUE(Da(kMieter + "\\Post\\2025\\a.txt"));
  EXPECT_TRUE(GleichOhneFall(ZeileVon("a.txt")->Pfad, kMieter + "\\Post\\2025"));
  EXPECT_TRUE(GleichOhneFall(ZeileVon("b.txt")->Pfad, kMieter + "\\Post"));
  EXPECT_EQ(ZeileVon("c.txt")->Pfad, kMieter + "\\Briefe alt");
}

// A folder beside one that differs only in letter case: the rename takes
// the folder the user pointed at, and only its rows follow.
TEST_F(ZiehenTest, OrdnerUmbenennenTrifftNichtDenZwillingInAndererSchreibung) {
  DateiAnlegen(kMieter + "\\Namen\\sub\\Inner\\f.txt", "eigen");
  Sql(register_, "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('f.txt', '" + kMieter + "\\Namen\\sub\\Inner');");
  ASSERT_TRUE(Laden());
  F().Baum->UnterordnerLaden(kMieter + "\\Namen\\");
  F().Baum->UnterordnerLaden(kMieter + "\\Namen\\sub\\");
  auto* k = F().Baum->Knoten(kMieter + "\\Namen\\sub\\Inner\\");
  ASSERT_NE(k, nullptr);
  F().Baum->NodeClick(k);
  // Made by another program: the test's helpers would resolve the name case-blind.
  const auto zwilling = Host(kMieter + "\\Namen") / "SUB" / "Inner";
  std::filesystem::create_directories(zwilling);
  std::ofstream(zwilling / "f.txt") << "eines anderen";
  F().Baum->KeyDown(Qt::Key_F2);
  k->setText(0, "Inner2");
  F().Baum->AfterLabelEdit("Inner2");
  EXPECT_EQ(Inhalt(kMieter + "\\Namen\\sub\\Inner2\\f.txt"), "eigen");
  std::string inhalt;
  std::getline(std::ifstream(zwilling / "f.txt"), inhalt);
  EXPECT_EQ(inhalt, "eines anderen");
  EXPECT_TRUE(GleichOhneFall(ZeileVon("f.txt")->Pfad, kMieter + "\\Namen\\sub\\Inner2"));
  EXPECT_TRUE(Meldungstexte().empty());
}

TEST_F(ZiehenTest, GesperrtesRegisterLaesstDenOrdnerUnumbenannt) {
  DateiAnlegen(kMieter + "\\Briefe\\b.txt");
  Sql(register_, "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('b.txt', '" + kMieter + "\\Briefe');");
  ASSERT_TRUE(Laden());
  auto* k = F().Baum->Knoten(kMieter + "\\BRIEFE\\");
  ASSERT_NE(k, nullptr);
  F().Baum->NodeClick(k);
  sqlite3* andere = nullptr;
  ASSERT_EQ(sqlite3_open(Host(register_).c_str(), &andere), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(andere, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_busy_timeout(F().DOC_DATA.Database().Handle(), 200);  // instead of 10 s
  F().Baum->KeyDown(Qt::Key_F2);
  k->setText(0, "Post");
  F().Baum->AfterLabelEdit("Post");
  sqlite3_exec(andere, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(andere);
  EXPECT_TRUE(Da(kMieter + "\\Briefe\\b.txt"));
  EXPECT_FALSE(Da(kMieter + "\\Post"));
  EXPECT_EQ(ZeileVon("b.txt")->Pfad, kMieter + "\\Briefe");
  EXPECT_EQ(OrdnerBaum::Text(k), "Briefe");
  const auto texte = Meldungstexte();
  ASSERT_GE(texte.size(), 2u);
  EXPECT_NE(texte[texte.size() - 2].find("gesperrt"), std::string::npos) << texte[texte.size() - 2];
  EXPECT_EQ(texte.back(), "Der Ordner konnte nicht umbenannt werden.");
  EXPECT_FALSE(Zustand().UmbenennenAktiv);
}

// A rename cut off after the folder got its new name and before the register
// commit: the next opening of the window brings the rows after it.
TEST_F(ZiehenTest, LadenVollendetEineAbgebrocheneUmbenennung) {
  DateiAnlegen(kMieter + "\\Post\\b.txt");
  AbgebrocheneUmbenennung(kMieter + "\\Briefe", kMieter + "\\Post", "b.txt", kMieter + "\\Briefe");
  ASSERT_TRUE(Laden());
  ASSERT_NE(ZeileVon("b.txt"), nullptr);
  EXPECT_TRUE(GleichOhneFall(ZeileVon("b.txt")->Pfad, kMieter + "\\Post"));
  EXPECT_EQ(Links(3), (std::vector<int32_t>{1}));
}

// The window's own folder renamed and cut off the same way: the record is
// completed before the window makes its folder again, since a new empty
// folder under the old name would pass for a rename that never happened.
TEST_F(ZiehenTest, LadenVollendetDieAbgebrocheneUmbenennungDesEigenenOrdners) {
  DateiAnlegen(kMieter + "\\Akten\\c.txt");
  AbgebrocheneUmbenennung(kMieter, kBe + "\\2alt", "c.txt", kMieter + "\\Akten");
  std::filesystem::rename(Host(kMieter), Host(kBe + "\\2alt"));
  ASSERT_TRUE(Laden());
  ASSERT_NE(ZeileVon("c.txt"), nullptr);
  EXPECT_TRUE(GleichOhneFall(ZeileVon("c.txt")->Pfad, kBe + "\\2alt\\Akten")) << ZeileVon("c.txt")->Pfad;
  EXPECT_EQ(Links(3), (std::vector<int32_t>{1}));
  EXPECT_TRUE(Da(kMieter)) << "the window's folder is made again";
  // The user is told what became of the change.
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  EXPECT_EQ(dialoge_->Gezeigt.back().Text,
            "Beim letzten Mal wurde das Programm während einer Änderung beendet:\r\nUmbenennen des Ordners " + kMieter +
                " in " + kBe + "\\2alt: abgebrochen nach dem Schritt auf dem Datenträger, Register nachgeführt.");
}

TEST_F(ZiehenTest, RegisterBereinigenBeimLadenUndBeimKnotenklick) {
  Sql(register_,
      "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('weg.txt', '" + kMieter + "');"
      "INSERT INTO KeywordZwischentabelle(Dateinummer, KeywordID) VALUES(3, 1);"
      "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('auch weg.txt', '" + kBe + "');");
  ASSERT_TRUE(Laden());
  EXPECT_EQ(ZeileVon("weg.txt"), nullptr);
  EXPECT_TRUE(Links(3).empty());
  EXPECT_NE(ZeileVon("brief.TXT"), nullptr);
  EXPECT_NE(ZeileVon("auch weg.txt"), nullptr);  // outside the pattern
  F().Baum->NodeClick(F().Baum->Knoten(kBe + "\\"));
  EXPECT_EQ(ZeileVon("auch weg.txt"), nullptr);
  EXPECT_NE(ZeileVon("brief.TXT"), nullptr);
}

// ----------------------------------------------------------------- folders

class OrdnerTest : public AktionenTest {
 protected:
  void Menue() {
    F().AktionsPfad = kMieter;
    F().Baum->Auswaehlen(F().Baum->Knoten(kMieter + "\\"));
  }
};

TEST_F(OrdnerTest, StandardnameLegtOrdnerUndKnotenAnUndDoppeltNie) {
  ASSERT_TRUE(Laden());
  F().show();
  Menue();
  F().lstOrdner->show();
  A().lstOrdner_Click(0);
  EXPECT_TRUE(F().lstNeuOrdner->isVisible());
  EXPECT_EQ(F().lstNeuOrdner->x(), F().lstOrdner->x() + F().lstOrdner->width());
  A().lstNeuOrdner_Click(1);
  EXPECT_TRUE(F().lstNeuOrdner->isHidden());
  EXPECT_TRUE(fs::is_directory(Host(kMieter + "\\Korrespondenz")));
  auto* k = F().Baum->Knoten(kMieter + "\\KORRESPONDENZ\\");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(OrdnerBaum::Text(k), "Korrespondenz");
  EXPECT_EQ(F().Baum->Ausgewaehlt(), k);
  EXPECT_EQ(A().NeuerKnotenIndex, F().Baum->Index(k));
  const int anzahl = F().Baum->Anzahl();
  Menue();
  A().lstNeuOrdner_Click(1);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, kMeldungOrdnerVorhanden);
  EXPECT_EQ(dialoge_->Gezeigt.back().Stil, vbOKOnly + vbInformation);
  EXPECT_EQ(F().Baum->Anzahl(), anzahl);
  EXPECT_EQ(F().Baum->Ausgewaehlt(), k);
  // "Zurück" shows the folder menu again.
  A().lstNeuOrdner_Click(5);
  EXPECT_TRUE(F().lstOrdner->isVisible());
  // The names open again with none of the last time highlighted.
  F().lstNeuOrdner->setCurrentRow(4);
  A().lstOrdner_Click(0);
  EXPECT_TRUE(F().lstNeuOrdner->selectedItems().isEmpty());
}

// The lists show the new folder the tree highlights, so a new document goes
// where the user sees it going; a later menu never takes them elsewhere.
TEST_F(OrdnerTest, ListenZeigenDenNeuenOrdner) {
  OrdnerAnlegenHost(kMieter + "\\Verträge");
  ASSERT_TRUE(Laden());
  F().show();
  auto gezeigt = [&] { return std::make_pair(F().dirListBox->Path(), OrdnerBaum::Schluessel(F().Baum->Ausgewaehlt())); };
  Menue();
  A().lstNeuOrdner_Click(1);  // "Korrespondenz"
  EXPECT_EQ(gezeigt(), std::make_pair(kMieter + "\\Korrespondenz", kMieter + "\\Korrespondenz\\"));
  // A folder of that name exists: its node is taken, and the lists go there too.
  F().Baum->NodeClick(F().Baum->Knoten(kMieter + "\\"));
  Menue();
  A().lstOrdner_Click(0);
  EXPECT_EQ(F().dirListBox->Path(), kMieter) << "the menu alone moves nothing";
  A().lstNeuOrdner_Click(0);  // "Verträge"
  EXPECT_EQ(gezeigt(), std::make_pair(kMieter + "\\Verträge", kMieter + "\\Verträge\\"));
  F().Baum->NodeClick(F().Baum->Knoten(kMieter + "\\"));
  Menue();
  A().lstNeuOrdner_Click(4);  // "Freier Name"
  EXPECT_EQ(gezeigt(), std::make_pair(kMieter + "\\Neuer Ordner", kMieter + "\\Neuer Ordner\\"));
  auto* k = F().Baum->Ausgewaehlt();
  k->setText(0, "Mietvertrag");
  F().Baum->AfterLabelEdit("Mietvertrag");
  EXPECT_EQ(gezeigt(), std::make_pair(kMieter + "\\Mietvertrag", kMieter + "\\Mietvertrag\\"));
  // The menu opened again from the parent does not go back to a former choice.
  F().Baum->NodeClick(F().Baum->Knoten(kMieter + "\\"));
  Menue();
  A().lstOrdner_Click(0);
  A().lstNeuOrdner_Click(5);
  EXPECT_EQ(F().dirListBox->Path(), kMieter);
}

TEST_F(OrdnerTest, NichtAngelegterOrdnerBekommtKeinenKnoten) {
  ASSERT_TRUE(Laden());
  F().show();
  Menue();
  OrdnerAnlegenHost(kMieter + "\\Akten");
  F().Baum->KinderAbgleichen(F().Baum->Knoten(kMieter + "\\"));
  ASSERT_NE(F().Baum->Knoten(kMieter + "\\Akten\\"), nullptr);
  fs::remove_all(Host(kMieter + "\\Akten"));  // gone meanwhile: nothing can be made in it
  F().AktionsPfad = kMieter + "\\Akten";
  const int anzahl = F().Baum->Anzahl();
  A().lstNeuOrdner_Click(1);
  EXPECT_FALSE(Da(kMieter + "\\Akten\\Korrespondenz"));
  EXPECT_EQ(F().Baum->Knoten(kMieter + "\\Akten\\Korrespondenz\\"), nullptr);
  EXPECT_EQ(F().Baum->Anzahl(), anzahl);
  EXPECT_FALSE(dialoge_->Gezeigt.empty()) << "the user is told";
}

TEST_F(OrdnerTest, FreierNameBenenntDenPlatzhalterUm) {
  ASSERT_TRUE(Laden());
  F().show();
  Menue();
  A().lstNeuOrdner_Click(4);
  EXPECT_FALSE(Zustand().UmbenennenAktiv);
  EXPECT_TRUE(fs::is_directory(Host(kMieter + "\\Neuer Ordner")));
  auto* k = F().Baum->Knoten(kMieter + "\\NEUER ORDNER\\");
  ASSERT_NE(k, nullptr);
  k->setText(0, "Mietvertrag");
  F().Baum->AfterLabelEdit("Mietvertrag");
  EXPECT_FALSE(Da(kMieter + "\\Neuer Ordner"));
  EXPECT_TRUE(fs::is_directory(Host(kMieter + "\\Mietvertrag")));
  EXPECT_EQ(OrdnerBaum::Schluessel(k), kMieter + "\\Mietvertrag\\");
  EXPECT_EQ(F().Baum->Knoten(kMieter + "\\MIETVERTRAG\\"), k);
  // A name in use restores the placeholder.
  Menue();
  A().lstNeuOrdner_Click(4);
  auto* p = F().Baum->Knoten(kMieter + "\\NEUER ORDNER\\");
  ASSERT_NE(p, nullptr);
  p->setText(0, "mietvertrag");
  F().Baum->AfterLabelEdit("mietvertrag");
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, kMeldungOrdnerKeineNeuanlage);
  EXPECT_EQ(OrdnerBaum::Text(p), "Neuer Ordner");
  EXPECT_TRUE(fs::is_directory(Host(kMieter + "\\Neuer Ordner")));
}

TEST_F(OrdnerTest, VorhandenerNeuerOrdnerMitInhaltWirdNieGeloescht) {
  DateiAnlegen(kMieter + "\\Neuer Ordner\\wichtig.txt", "bleibt");
  ASSERT_TRUE(Laden());
  F().show();
  Menue();
  A().lstNeuOrdner_Click(4);
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, kMeldungOrdnerVorhanden);
  auto* k = F().Baum->Knoten(kMieter + "\\NEUER ORDNER\\");
  ASSERT_NE(k, nullptr);
  k->setText(0, "Verträge 2026");
  F().Baum->AfterLabelEdit("Verträge 2026");
  EXPECT_EQ(Inhalt(kMieter + "\\Neuer Ordner\\wichtig.txt"), "bleibt");
  EXPECT_TRUE(fs::is_directory(Host(kMieter + "\\Verträge 2026")));
  EXPECT_EQ(OrdnerBaum::Text(k), "Neuer Ordner");
  EXPECT_NE(F().Baum->Knoten(kMieter + "\\VERTRÄGE 2026\\"), nullptr);
}

TEST_F(OrdnerTest, EigenschaftenZeigtGroesseUndInhalt) {
  for (const char* s : {"\\Info\\A\\X\\", "\\Info\\B\\Y\\"})
    for (const char* n : {"1.txt", "2.txt", "3.txt"}) DateiAnlegen(kMieter + s + n, "abc");
  OrdnerAnlegenHost(kMieter + "\\Leer");
  ASSERT_TRUE(Laden());
  std::vector<std::vector<std::string>> gesehen;
  frmOrdnerInfo::NachDemZeigen = [&](frmOrdnerInfo& w) {
    gesehen.push_back({S(w.windowTitle()), S(w.txtName->text()), S(w.lblOrdnerOrt->text()), S(w.lblInfo[0]->text()),
                       S(w.lblInfo[1]->text()), S(w.lblInfo[2]->text())});
    EXPECT_TRUE(w.isModal());
    w.cmdEnde->click();
  };
  F().AktionsPfad = kMieter;
  F().dirListBox->SetPath(kMieter + "\\Info");
  A().lstOrdner_Click(2);
  F().dirListBox->SetPath(kMieter + "\\Leer");
  A().lstOrdner_Click(2);
  frmOrdnerInfo::NachDemZeigen = nullptr;
  ASSERT_EQ(gesehen.size(), 2u);
  EXPECT_EQ(gesehen[0], (std::vector<std::string>{"OrdnerEigenschaften", " Info", kMieter, "18 Byte", "4 Unterordner",
                                                  "6 Dateien"}));
  EXPECT_EQ(gesehen[1][3], "0 Byte");
  EXPECT_EQ(gesehen[1][4], "0 Unterordner");
  EXPECT_EQ(gesehen[1][5], "0 Dateien");
}

TEST_F(OrdnerTest, UmbenennenAusDemMenueStartetDieBearbeitung) {
  OrdnerAnlegenHost(kMieter + "\\Briefe");
  ASSERT_TRUE(Laden());
  F().show();
  auto* k = F().Baum->Knoten(kMieter + "\\BRIEFE\\");
  F().Baum->NodeClick(k);
  A().lstOrdner_Click(1);
  EXPECT_TRUE(F().lstOrdner->isHidden());
  EXPECT_TRUE(Zustand().UmbenennenAktiv);
  EXPECT_EQ(F().Baum->EditKnoten, k);
}

// With VXM_BILDER=<folder>: the window with the action menu open and the
// properties window as PNG files, to look at.
TEST_F(OrdnerTest, Bildschirmfotos) {
  const char* ziel = std::getenv("VXM_BILDER");
  if (!ziel) GTEST_SKIP() << "VXM_BILDER not set";
  DateiAnlegen(kMieter + "\\Info\\Unter\\a.txt", std::string(5000, 'x'));
  ASSERT_TRUE(Laden());
  F().resize(1100, 760);
  F().show();
  Waehlen("Brief.txt");
  const QRect r = F().filListBox->ZeilenRechteck(0);
  F().filListBox_MouseUp(Qt::RightButton, r.center().x() + 20, r.center().y());
  QApplication::processEvents();
  EXPECT_TRUE(F().lstAktion->isVisible());
  EXPECT_TRUE(F().grab().save(QString::fromUtf8(ziel) + "/aktionsmenue.png"));
  F().AktionsPfad = kMieter;
  F().dirListBox->SetPath(kMieter + "\\Info");
  frmOrdnerInfo::NachDemZeigen = [&](frmOrdnerInfo& w) {
    QApplication::processEvents();
    EXPECT_TRUE(w.grab().save(QString::fromUtf8(ziel) + "/ordnerinfo.png"));
    w.cmdEnde->click();
  };
  A().lstOrdner_Click(2);
  frmOrdnerInfo::NachDemZeigen = nullptr;
}

}  // namespace
}  // namespace vxm::test
