// The main window offscreen: start-up paths and messages, the tree, the file
// list with its details, captions, preview and opening documents.
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <fstream>

#include "basis/einstellungen.h"
#include "basis/zustand.h"
#include "component/qt/oberflaeche.h"
#include "component/vxmdorvex.h"
#include "platform/fehler.h"
#include "platform/sqliteprozess.h"
#include "store/qt/ordnerbaum.h"
#include "tests/qt/qthilfen.h"

namespace vxm::test {
namespace {

using Start = FensterUmgebung;

bool Enthaelt(const std::vector<std::string>& texte, const std::string& teil) {
  for (auto& t : texte)
    if (t.find(teil) != std::string::npos) return true;
  return false;
}

TEST_F(Start, OeffnetAmOrdnerDesMietersMitBaumDateienUndBeschriftungen) {
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Mietvertrag Bäcker.txt", std::string(2048, 'x'));
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Übergabeprotokoll.txt", "ü");
  ASSERT_TRUE(Laden());
  auto& z = Zustand();
  EXPECT_EQ(z.DokWurzel, "C:\\VXM\\VXMDOK");
  EXPECT_EQ(z.MandantPfad, "C:\\VXM\\VXMDOK\\1");
  EXPECT_EQ(z.OrdnerPfad, "C:\\VXM\\VXMDOK\\1\\7\\3\\2");
  EXPECT_FALSE(z.LadeModus);
  EXPECT_EQ(F().dirListBox->Path(), "C:\\VXM\\VXMDOK\\1\\7\\3\\2");
  // The tree is open down to the entity folder and that node is selected.
  auto* sel = F().Baum->Ausgewaehlt();
  ASSERT_NE(sel, nullptr);
  EXPECT_EQ(OrdnerBaum::Schluessel(sel), "C:\\VXM\\VXMDOK\\1\\7\\3\\2\\");
  EXPECT_EQ(OrdnerBaum::Vollpfad(sel), "C:\\VXM\\VXMDOK\\1\\7\\3\\2");
  // The first file (case-blind order) is selected with its details.
  ASSERT_EQ(F().filListBox->ListCount(), 2);
  EXPECT_EQ(F().filListBox->ListIndex(), 0);
  EXPECT_EQ(F().lblName->text().toStdString(), "Mietvertrag Bäcker.txt");
  EXPECT_EQ(F().lblGroesse->text().toStdString(), "Größe: 2, KB");
  EXPECT_EQ(F().lblDatei->text().toStdString(), "Datei:");
  EXPECT_TRUE(F().lblDatum->text().startsWith(QString::fromUtf8("Geändert: ")));
  // Captions from the host database, the property's name cut to 28 characters.
  EXPECT_EQ(F().lblObjName->text().toStdString(), "Wohnanlage Müllerstraße 12, ");
  EXPECT_TRUE(F().lblObjName->toolTip().startsWith(QString::fromUtf8("Wohnanlage Müllerstraße 12, ")));
  EXPECT_GT(F().lblObjName->toolTip().size(), 28) << "the whole name where the caption is cut";
  EXPECT_EQ(F().lblBeName->text().toStdString(), "Top 3");
  EXPECT_EQ(F().lblBnName->text().toStdString(), "Jürgen Bäcker");
  EXPECT_FALSE(F().vxmAnzeige->isHidden());
  // Fixed lists of the load step.
  EXPECT_EQ(F().lstAktion->count(), 9);
  EXPECT_EQ(F().lstAktion->item(2)->text().toStdString(), "Einfügen");
  EXPECT_EQ(F().lstDokument->item(5)->text().toStdString(), "Scanner Import (*.PDF)");
  EXPECT_EQ(F().lstKeyword->item(1)->text().toStdString(), "Ändern");
  EXPECT_TRUE(F().lstAktion->isHidden());
  EXPECT_TRUE(F().FrameSerienBrief->isHidden());
  EXPECT_FALSE(F().FrameSerienBrief->isEnabled());
  EXPECT_TRUE(F().optSuchenDok->isChecked());
  // From the host data folder: the parent went to the company record and,
  // after the second reconciliation, to the settings.
  EXPECT_EQ(RegistryLesen(kRegDokPfad), "C:\\VXM");
  EXPECT_TRUE(dialoge_->Gezeigt.empty()) << Meldungstexte().front();
}

TEST_F(Start, FirmenstammGewinntUeberDieEinstellungen) {
  FirmenPfad("C:\\A");
  RegistrySetzen(kRegDokPfad, "C:\\B");
  ASSERT_TRUE(Laden());
  EXPECT_EQ(RegistryLesen(kRegDokPfad), "C:\\A");
  EXPECT_EQ(Zustand().DokWurzel, "C:\\A\\VXMDOK");
  // C:\A\VXMDOK did not exist: only C:\A is created, so the Mandant level
  // cannot be made and the window opens where it could.
  EXPECT_TRUE(std::filesystem::is_directory(Host("C:\\A")));
  EXPECT_TRUE(Enthaelt(Meldungstexte(), "Mandant hat keine Einträge in der Dokumentenverwaltung !!!!"));
}

TEST_F(Start, KonfiguriertesLaufwerkFehltMeldetUndEntlaedt) {
  FirmenPfad("Q:\\Daten");
  EXPECT_FALSE(Laden());
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  const auto& m = dialoge_->Gezeigt.back();
  EXPECT_EQ(m.Text, "Laufwerkspfad \"Q:\" nicht gefunden!\r\nBitte überprüfen Sie den angegebenen Pfad im Firmenstamm!");
  EXPECT_EQ(m.Titel, "Pfad nicht gefunden!");
  EXPECT_EQ(m.Stil, vbCritical);
}

TEST_F(Start, FehlendeKeywortdatenbankMeldetUndEntlaedt) {
  std::filesystem::remove(Host(register_));
  EXPECT_FALSE(Laden());
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Konnte die Datenbank \"C:\\VXM\\VXMDAT\\vxmdok.mdb\" nicht finden.");
  EXPECT_EQ(dialoge_->Gezeigt.back().Titel, "Datenbank nicht gefunden.");
  EXPECT_FALSE(std::filesystem::exists(Host(register_))) << "opening must never create the database";
}

TEST_F(Start, DatenbankserverNichtErreichbarMeldetUndEntlaedt) {
  std::ofstream(Host("C:\\VXM\\VXMDAT\\vxmserver.conf"))
      << "vxmdok.mdb = postgresql:host=/tmp/vxm-kein-server dbname=vxm connect_timeout=2\n";
  EXPECT_FALSE(Laden());
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  const auto& m = dialoge_->Gezeigt.back();
  EXPECT_EQ(m.Titel, "Datenbankserver nicht erreichbar.");
  EXPECT_NE(m.Text.find("/tmp/vxm-kein-server"), std::string::npos) << m.Text;
  EXPECT_EQ(m.Stil, vbCritical);
  EXPECT_EQ(dialoge_->Gezeigt.size(), 1u) << "one message, not one per step";
  // The steps that meet the server inside the load (finishing a change a
  // crash cut off, the folder's clean-up) leave the message to the load.
  EXPECT_TRUE(berichte_->empty()) << berichte_->front().Ort << ": " << berichte_->front().Beschreibung;
}

// A password in the office's server file: refused before any server is
// asked, and not called a server out of reach.
TEST_F(Start, PasswortInDerServerdateiWirdAlsEinstellungAbgelehnt) {
  std::ofstream(Host("C:\\VXM\\VXMDAT\\vxmserver.conf"))
      << "vxmdok.mdb = postgresql:host=/tmp/vxm-kein-server dbname=vxm password=geheim\n";
  EXPECT_FALSE(Laden());
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  const auto& m = dialoge_->Gezeigt.back();
  EXPECT_EQ(m.Titel, "Serververbindung abgelehnt.");
  EXPECT_NE(m.Text.find("Passwort"), std::string::npos) << m.Text;
  EXPECT_EQ(m.Text.find("geheim"), std::string::npos) << m.Text;
}

TEST_F(Start, DatenbankenAufEinemNetzlaufwerkRatenEinmalZumServer) {
  NetzlaufwerkErkennungSetzen([](const std::filesystem::path&) { return true; });
  OberflaecheEinrichten();
  const bool geladen = Laden();
  NetzlaufwerkErkennungSetzen({});
  ASSERT_TRUE(geladen);
  int hinweise = 0;
  for (const auto& m : dialoge_->Gezeigt)
    if (m.Text.find("Netzlaufwerk") != std::string::npos) {
      ++hinweise;
      EXPECT_EQ(m.Stil, vbInformation);
      EXPECT_NE(m.Text.find("Server-Datenbank"), std::string::npos) << m.Text;
    }
  EXPECT_EQ(hinweise, 1);
}

TEST_F(Start, OhneJedenDokumentpfadKommtDieInstallationsmeldung) {
  std::filesystem::remove(temp_ / "registry.ini");
  ASSERT_TRUE(Laden());
  EXPECT_TRUE(Enthaelt(Meldungstexte(), "ACHTUNG: Ihre derzeitgige Inatallation bzw deren Registrierung ist fehlerhaft!"));
  EXPECT_EQ(Zustand().DokWurzel, "C:\\VXM\\VXMDOK");
}

TEST_F(Start, EinHostaufrufMitEntladenemFensterKehrtNormalZurueck) {
  FirmenPfad("Q:\\Daten");
  OberflaecheEinrichten();
  std::vector<Variant> info = Zustand().AufrufParameter;
  vxmDorvex komponente;
  komponente.Dorvex_Aufruf(info);  // returns, no exception
  EXPECT_EQ(dialoge_->Gezeigt.back().Titel, "Pfad nicht gefunden!");
}

using Baum = FensterUmgebung;

TEST_F(Baum, UnterordnerFallblindSortiertEineEbeneVorausUndNieDoppelt) {
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1\\7\\Abd");
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1\\7\\abc\\tief");
  ASSERT_TRUE(Laden());
  auto* objekt = F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\7\\");
  ASSERT_NE(objekt, nullptr);
  std::vector<std::string> namen;
  for (int i = 0; i < objekt->childCount(); ++i) namen.push_back(OrdnerBaum::Text(objekt->child(i)));
  EXPECT_EQ(namen, (std::vector<std::string>{"3", "abc", "Abd"}));
  // One level ahead: the grandchild is loaded, its own children are not.
  auto* abc = F().Baum->Knoten("c:\\vxm\\vxmdok\\1\\7\\ABC\\");
  ASSERT_NE(abc, nullptr);
  EXPECT_EQ(abc->childCount(), 1);
  const int vorher = F().Baum->Anzahl();
  F().Baum->Expand(objekt);
  F().Baum->Expand(objekt);
  EXPECT_EQ(F().Baum->Anzahl(), vorher);
  // Made and removed by another program after the node was filled: an
  // expand shows the folder as it is now.
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1\\7\\Neu von aussen");
  std::filesystem::remove_all(Host("C:\\VXM\\VXMDOK\\1\\7\\Abd"));
  F().Baum->Expand(objekt);
  namen.clear();
  for (int i = 0; i < objekt->childCount(); ++i) namen.push_back(OrdnerBaum::Text(objekt->child(i)));
  EXPECT_EQ(namen, (std::vector<std::string>{"3", "abc", "Neu von aussen"}));
  EXPECT_EQ(F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\7\\ABD\\"), nullptr);
}

TEST_F(Baum, OrdnerDerAblageHabenDasProgrammsymbolAndereDenOrdner) {
  OrdnerAnlegenHost("C:\\Fremd");
  ASSERT_TRUE(Laden());
  auto* fremd = F().Baum->Knoten("C:\\FREMD\\");
  auto* ablage = F().Baum->Knoten("C:\\VXM\\VXMDOK\\");
  ASSERT_TRUE(fremd && ablage);
  EXPECT_EQ(fremd->data(0, Qt::UserRole + 2).toInt(), 5);
  EXPECT_EQ(ablage->data(0, Qt::UserRole + 2).toInt(), 1);
  EXPECT_EQ(F().Baum->Knoten("C:\\VXM\\")->data(0, Qt::UserRole + 2).toInt(), 5);
}

TEST_F(Baum, KnotenklickZeigtDenOrdnerMitSeinenDateien) {
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\Hausordnung.txt", "x");
  ASSERT_TRUE(Laden());
  auto* k = F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\7\\");
  ASSERT_NE(k, nullptr);
  F().Baum->NodeClick(k);
  EXPECT_EQ(Zustand().OrdnerPfad, "C:\\VXM\\VXMDOK\\1\\7\\");
  EXPECT_EQ(F().filListBox->ListCount(), 1);
  EXPECT_EQ(F().lblName->text().toStdString(), "Hausordnung.txt");
  // Mandant\7: only the property caption.
  EXPECT_EQ(F().lblBeName->text().toStdString(), "");
  EXPECT_FALSE(F().lblObjName->text().isEmpty());
  EXPECT_TRUE(Zustand().BaumKlick);
}

// Collapsing a node (its arrow) marks it; the lists then show that folder
// too, so what the tree highlights is where a new file goes.
TEST_F(Baum, ZuklappenZeigtDenMarkiertenOrdner) {
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\Hausordnung.txt", "x");
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\Mandant.txt", "x");
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\8\\Objekt.txt", "x");
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\8\\2\\Einheit.txt", "x");
  ASSERT_TRUE(Laden());
  auto* unten = F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\7\\");
  auto* oben = F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\");
  ASSERT_TRUE(unten && oben);
  F().Baum->NodeClick(unten);
  ASSERT_EQ(F().filListBox->Path(), "C:\\VXM\\VXMDOK\\1\\7");
  F().show();
  auto pfeil = [&](QTreeWidgetItem* k) {  // the user's click on a node's arrow
    const QRect r = F().tvwDir->visualItemRect(k);
    QTest::mouseClick(F().tvwDir->viewport(), Qt::LeftButton, {},
                      QPoint(r.left() - F().tvwDir->indentation() / 2, r.center().y()));
    QApplication::processEvents();
  };
  pfeil(oben);
  ASSERT_FALSE(oben->isExpanded());
  EXPECT_EQ(F().Baum->Ausgewaehlt(), oben);
  EXPECT_EQ(F().dirListBox->Path(), "C:\\VXM\\VXMDOK\\1");
  EXPECT_EQ(F().filListBox->Path(), "C:\\VXM\\VXMDOK\\1");
  EXPECT_EQ(F().lblName->text().toStdString(), "Mandant.txt");
  // Opening another node by its arrow marks it: the lists follow as well.
  F().Baum->NodeClick(unten);
  auto* acht = F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\8\\");
  ASSERT_NE(acht, nullptr);
  if (acht->isExpanded()) pfeil(acht);
  F().Baum->NodeClick(unten);
  pfeil(acht);
  ASSERT_TRUE(acht->isExpanded());
  EXPECT_EQ(F().Baum->Ausgewaehlt(), acht);
  EXPECT_EQ(F().filListBox->Path(), "C:\\VXM\\VXMDOK\\1\\8");
  EXPECT_EQ(F().lblName->text().toStdString(), "Objekt.txt");
}

// Folders beside the shown one renamed by another program show under their
// new name; a click on a folder that is gone meanwhile says so, and tree and
// lists stay on the folder shown.
TEST_F(Baum, OrdnerDerAndereUmbenanntenWerdenNachgefuehrt) {
  namespace fs = std::filesystem;
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\Hausordnung.txt", "x");
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\8\\Objekt.txt", "x");
  DateiAnlegen("C:\\VXM\\VXMDOK\\2\\5\\Objekt.txt", "x");
  ASSERT_TRUE(Laden());
  auto* sieben = F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\7\\");
  ASSERT_NE(sieben, nullptr);
  F().Baum->NodeClick(F().Baum->Knoten("C:\\VXM\\VXMDOK\\2\\"));
  auto* fuenf = F().Baum->Knoten("C:\\VXM\\VXMDOK\\2\\5\\");
  ASSERT_NE(fuenf, nullptr);
  F().Baum->NodeClick(sieben);
  QTest::qWait(400);
  fs::rename(Host("C:\\VXM\\VXMDOK\\1\\8"), Host("C:\\VXM\\VXMDOK\\1") / "80");
  EXPECT_TRUE(QTest::qWaitFor([&] { return F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\80\\") != nullptr; }, 5000));
  EXPECT_EQ(F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\8\\"), nullptr);

  // Gone where the window does not look: found out by the click.
  fs::rename(Host("C:\\VXM\\VXMDOK\\2\\5"), Host("C:\\VXM\\VXMDOK\\2") / "50");
  dialoge_->Gezeigt.clear();
  F().Baum->NodeClick(fuenf);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !dialoge_->Gezeigt.empty(); }, 2000));
  ASSERT_FALSE(dialoge_->Gezeigt.empty());
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, "Der Ordner C:\\VXM\\VXMDOK\\2\\5 ist nicht mehr vorhanden.");
  EXPECT_EQ(F().Baum->Knoten("C:\\VXM\\VXMDOK\\2\\5\\"), nullptr);
  EXPECT_NE(F().Baum->Knoten("C:\\VXM\\VXMDOK\\2\\50\\"), nullptr);
  EXPECT_EQ(F().filListBox->Path(), "C:\\VXM\\VXMDOK\\1\\7");
  EXPECT_EQ(OrdnerBaum::Schluessel(F().Baum->Ausgewaehlt()), "C:\\VXM\\VXMDOK\\1\\7\\");
}

TEST_F(Baum, F2MitLeeremNamenBehaeltNamenUndSchluessel) {
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Briefe");
  ASSERT_TRUE(Laden());
  auto* k = F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\BRIEFE\\");
  ASSERT_NE(k, nullptr);
  F().Baum->NodeClick(k);
  F().Baum->KeyDown(Qt::Key_F2);
  EXPECT_TRUE(Zustand().UmbenennenAktiv);
  F().Baum->AfterLabelEdit("");
  EXPECT_EQ(OrdnerBaum::Text(k), "Briefe");
  EXPECT_EQ(OrdnerBaum::Schluessel(k), "C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Briefe\\");
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Leere Eingabe nicht erlaubt!");
  EXPECT_FALSE(Zustand().UmbenennenAktiv);
}

TEST_F(Baum, F2BenenntDenOrdnerUmUndSetztDieSchluesselDerKinder) {
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Briefe\\2025");
  ASSERT_TRUE(Laden());
  auto* k = F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Briefe\\");
  F().Baum->NodeClick(k);
  F().Baum->KeyDown(Qt::Key_F2);
  k->setText(0, "Schriftverkehr");  // what the user typed
  F().Baum->AfterLabelEdit("Schriftverkehr");
  EXPECT_TRUE(std::filesystem::is_directory(Host("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Schriftverkehr\\2025")));
  EXPECT_EQ(OrdnerBaum::Schluessel(k), "C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Schriftverkehr\\");
  EXPECT_EQ(OrdnerBaum::Schluessel(k->child(0)), "C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Schriftverkehr\\2025\\");
  EXPECT_EQ(F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\SCHRIFTVERKEHR\\"), k);
  EXPECT_FALSE(Zustand().UmbenennenAktiv);
}

TEST_F(Baum, FolgendeBearbeitungNachFehlgeschlagenemUmbenennenIstKeinUmbenennen) {
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Briefe");
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Akten");
  ASSERT_TRUE(Laden());
  auto* k = F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Briefe\\");
  F().Baum->NodeClick(k);
  F().Baum->KeyDown(Qt::Key_F2);
  F().Baum->AfterLabelEdit("Akten");  // name in use
  EXPECT_EQ(dialoge_->Gezeigt.back().Text, "Der Ordner konnte nicht umbenannt werden.");
  EXPECT_FALSE(Zustand().UmbenennenAktiv);
  EXPECT_TRUE(std::filesystem::is_directory(Host("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Briefe")));
}

// Through the tree's own editor, as the user types: a name in use or an
// empty one is answered by one message, after the editor has closed, and
// the node keeps its name.
TEST_F(Baum, BearbeitungImEditorEndetMitEinerMeldung) {
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Briefe");
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Akten");
  ASSERT_TRUE(Laden());
  F().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&F()));
  auto* k = F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\BRIEFE\\");
  ASSERT_NE(k, nullptr);
  for (const std::string& eingabe : {std::string("Akten"), std::string()}) {
    F().Baum->NodeClick(k);
    dialoge_->Gezeigt.clear();
    // The message box looks for the editor as it opens: it must be closed by then.
    auto offenerEditor = [&]() -> QLineEdit* {
      for (auto* e : F().tvwDir->findChildren<QLineEdit*>())
        if (e->isVisible()) return e;
      return nullptr;
    };
    dialoge_->BeimZeigen = [&] { EXPECT_EQ(offenerEditor(), nullptr) << "editor still open"; };
    F().Baum->KeyDown(Qt::Key_F2);
    QCoreApplication::processEvents();
    auto* editor = offenerEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText(QString::fromStdString(eingabe));
    QTest::keyClick(editor, Qt::Key_Return);
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    dialoge_->BeimZeigen = nullptr;
    ASSERT_EQ(dialoge_->Gezeigt.size(), 1u) << eingabe;
    EXPECT_EQ(dialoge_->Gezeigt.back().Text,
              eingabe.empty() ? "Leere Eingabe nicht erlaubt!" : "Der Ordner konnte nicht umbenannt werden.");
    EXPECT_EQ(OrdnerBaum::Text(k), "Briefe");
    EXPECT_FALSE(Zustand().UmbenennenAktiv);
  }
  EXPECT_TRUE(std::filesystem::is_directory(Host("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Briefe")));
}

TEST_F(Baum, OrdnermenueRechtsklickPosition) {
  const auto p = OrdnerMenuePosition(100, 200);
  EXPECT_EQ(p.Links, 1040);
  EXPECT_EQ(p.Oben, 1520);
}

using Dateiliste = FensterUmgebung;

TEST_F(Dateiliste, LeererOrdnerVerstecktSchluesselwortzeile) {
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Leer");
  ASSERT_TRUE(Laden());
  F().dirListBox->SetPath("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Leer");
  EXPECT_EQ(F().filListBox->ListCount(), 0);
  EXPECT_TRUE(F().txtVorhandenKeyw->isHidden());
  EXPECT_TRUE(F().Label6->isHidden());
  EXPECT_TRUE(F().lblName->text().isEmpty());
}

// The selected file renamed by another program: its details go, the symbol
// and keyword line with them; the captions of the folder stay.
TEST_F(Dateiliste, VerschwundeneAuswahlLeertNurDieDateiangaben) {
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Brief.txt", "b");
  ASSERT_TRUE(Laden());
  ASSERT_EQ(F().lblName->text().toStdString(), "Brief.txt");
  ASSERT_FALSE(F().Label6->isHidden());
  const QString objekt = F().lblObjName->text();
  ASSERT_FALSE(objekt.isEmpty());
  std::filesystem::rename(Host("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Brief.txt"),
                          Host("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Brief alt.txt"));
  F().DateilisteAuffrischen();
  EXPECT_TRUE(F().lblName->text().isEmpty());
  EXPECT_TRUE(F().lblGroesse->text().isEmpty());
  EXPECT_TRUE(F().Label6->isHidden());
  EXPECT_TRUE(F().txtVorhandenKeyw->isHidden());
  EXPECT_TRUE(F().lstIcon->isHidden());
  EXPECT_EQ(F().lblObjName->text(), objekt);
}

// Keywords that cannot be read are not shown as none.
TEST_F(Dateiliste, UnlesbareKeywoerterSehenNichtWieKeineAus) {
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Brief.txt", "b");
  ASSERT_TRUE(Laden());
  ASSERT_EQ(F().lblName->text().toStdString(), "Brief.txt");
  auto& db = F().DOC_DATA.Database();
  db.Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES ('Brief.txt', 'C:\\VXM\\VXMDOK\\1\\7\\3\\2')");
  db.Execute("DROP TABLE KeywordZwischentabelle");
  F().filListBox_Click();
  EXPECT_EQ(F().lblName->text().toStdString(), "Brief.txt");
  EXPECT_TRUE(F().txtVorhandenKeyw->text().startsWith(QString::fromUtf8("(Keywörter nicht lesbar")))
      << F().txtVorhandenKeyw->text().toStdString();
  EXPECT_FALSE(F().txtVorhandenKeyw->toolTip().isEmpty());
}

// A press on the list's empty space with no file selected clears the file's
// details; the captions of Objekt, BE and BN name the folder and go only
// when the list is empty.
TEST_F(Dateiliste, DruckInsLeereLeertDieDateiNichtDieBeschriftungen) {
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Brief.txt", "b");
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Leer");
  ASSERT_TRUE(Laden());
  ASSERT_EQ(F().lblName->text().toStdString(), "Brief.txt");
  const QString objekt = F().lblObjName->text(), bn = F().lblBnName->text();
  ASSERT_FALSE(objekt.isEmpty());
  F().filListBox->Refresh();  // (as after a delete: nothing selected)
  F().filListBox_MouseDown(Qt::RightButton, 5, 200);
  EXPECT_TRUE(F().lblName->text().isEmpty());
  EXPECT_TRUE(F().lblGroesse->text().isEmpty());
  EXPECT_EQ(F().lblObjName->text(), objekt);
  EXPECT_EQ(F().lblBnName->text(), bn);
  F().dirListBox->SetPath("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Leer");
  F().filListBox_MouseDown(Qt::LeftButton, 5, 5);
  EXPECT_TRUE(F().lblObjName->text().isEmpty());
  EXPECT_TRUE(F().lblBnName->text().isEmpty());
}

TEST_F(Dateiliste, SchluesselwoerterAusDemRegisterAuchBeiAndererSchreibweise) {
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Brief.txt", "x");
  Sql(register_,
      "INSERT INTO Keyword(Keyword) VALUES('MIETE'),('KAUTION'),('ÄNDERUNG');"
      "INSERT INTO Dateiinfo(Dateiname, Dateipfad) VALUES('brief.TXT', 'c:\\vxm\\vxmdok\\1\\7\\3\\2');"
      "INSERT INTO KeywordZwischentabelle(Dateinummer, KeywordID) VALUES(1, 3),(1, 1);");
  ASSERT_TRUE(Laden());
  EXPECT_EQ(F().txtVorhandenKeyw->text().toStdString(), "ÄNDERUNG; MIETE");
  EXPECT_EQ(F().lstKeywordsAuswahl2->count(), 3);
}

TEST_F(Dateiliste, DoppelklickOeffnetAusserImScanmodus) {
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Brief.txt", "x");
  ASSERT_TRUE(Laden());
  Zustand().ScanModus = 1;
  F().opendatei();
  EXPECT_TRUE(geoeffnet_.empty());
  F().filListBox_DblClick();
  ASSERT_EQ(geoeffnet_.size(), 1u);
  EXPECT_EQ(geoeffnet_[0], "C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Brief.txt");
  EXPECT_EQ(Zustand().ScanModus, 0);
}

TEST_F(Dateiliste, VorschauZeigtBilderGestrecktUndVerstecktAnderes) {
  QImage bild(400, 50, QImage::Format_RGB32);
  bild.fill(Qt::red);
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1\\7\\3\\2");
  ASSERT_TRUE(bild.save(QString::fromStdString(Host("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Foto.png").string())));
  DateiAnlegen("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Notiz.txt", "kein Bild");
  ASSERT_TRUE(Laden());
  F().resize(1000, 700);
  EXPECT_FALSE(F().BildAnzeigen(F().filListBox->Path(), "Notiz.txt"));
  EXPECT_TRUE(F().picBox->isHidden());
  ASSERT_TRUE(F().BildAnzeigen(F().filListBox->Path(), "Foto.png"));
  EXPECT_FALSE(F().picBox->isHidden());
  EXPECT_TRUE(F().picBox->hasScaledContents()) << "stretched to the box, not cropped";
  EXPECT_FALSE(F().picBox->pixmap().isNull());
}

TEST_F(Dateiliste, RechtsklickZeigtDasAktionsmenueAuchOhneAuswahl) {
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Leer");
  ASSERT_TRUE(Laden());
  F().show();
  F().dirListBox->SetPath("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Leer");
  F().filListBox_MouseUp(Qt::RightButton, 10, 10);
  EXPECT_TRUE(F().lstAktion->isVisible());
  EXPECT_EQ(F().AktionsPfad, "C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Leer");
}

TEST_F(Dateiliste, VerschwundenerOrdnerZeigtNichtsUndStuerztNicht) {
  OrdnerAnlegenHost("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Weg");
  ASSERT_TRUE(Laden());
  std::filesystem::remove_all(Host("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Weg"));
  auto* k = F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\WEG\\");
  ASSERT_NE(k, nullptr);
  dialoge_->Gezeigt.clear();
  F().Baum->NodeClick(k);  // says so once the click is over, and the node goes
  EXPECT_TRUE(QTest::qWaitFor([&] { return !dialoge_->Gezeigt.empty(); }, 2000));
  EXPECT_EQ(F().Baum->Knoten("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\WEG\\"), nullptr);
  F().filListBox->SetPath("C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Weg");
  EXPECT_EQ(F().filListBox->ListCount(), 0);
}

}  // namespace
}  // namespace vxm::test
