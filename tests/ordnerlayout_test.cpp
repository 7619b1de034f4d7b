#include <gtest/gtest.h>

#include <filesystem>

#include "basis/zustand.h"
#include "store/ordnerlayout.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

TEST(DokWurzel, AusKonfiguriertemPfad) {
  EXPECT_EQ(DokWurzelBestimmen("D:\\Daten", ""), "D:\\Daten\\VXMDOK");
  EXPECT_EQ(DokWurzelBestimmen("D:\\Daten\\", ""), "D:\\Daten\\VXMDOK");
  EXPECT_EQ(DokWurzelBestimmen("d:\\daten\\vxmdok\\x", ""), "d:\\daten\\vxmdok\\x");
}

TEST(DokWurzel, AusDemOrdnerDerHostdatenbank) {
  EXPECT_EQ(DokWurzelBestimmen("", "c:\\prog\\vxmdat\\daten.mdb"), "C:\\PROG\\VXMDOK");
  // the last "\VXMDAT" counts
  EXPECT_EQ(DokWurzelBestimmen("", "c:\\vxmdat\\alt\\vxmdat\\d.mdb"), "C:\\VXMDAT\\ALT\\VXMDOK");
  // the folder VXMDAT, not the file name that begins like it
  EXPECT_EQ(DokWurzelBestimmen("", "C:\\VXM\\VXMDAT\\vxmdaten.mdb"), "C:\\VXM\\VXMDOK");
  EXPECT_EQ(DokWurzelBestimmen("", "C:\\VXM\\vxmdaten.mdb"), "C:\\VXM\\VXMDOK");
  // without "\VXMDAT" the root is relative to the current folder
  EXPECT_EQ(DokWurzelBestimmen("", "c:\\daten\\d.mdb"), "VXMDOK");
}

TEST(KeywordDatenbank, LiegtNebenDerHostdatenbank) {
  EXPECT_EQ(KeywordDatenbankPfad("C:\\VXM\\VXMDAT\\daten.mdb"), "C:\\VXM\\VXMDAT\\vxmdok.mdb");
  EXPECT_EQ(KeywordDatenbankPfad("daten.mdb"), "vxmdok.mdb");
}

TEST(MandantOrdner, AusKonfiguriertemPfad) {
  EXPECT_EQ(MandantOrdnerBestimmen("D:\\A\\VXMDOK", "", "12"), "D:\\A\\VXMDOK\\12");
  EXPECT_EQ(MandantOrdnerBestimmen("D:\\A\\VXMDOK\\m12", "", "M12"), "D:\\A\\VXMDOK\\m12");
  EXPECT_EQ(MandantOrdnerBestimmen("D:\\A\\VXMDOK", "", ""), "D:\\A\\VXMDOK");
}

TEST(MandantOrdner, ZifferImPfadMachtDieWurzelNichtZumMandanten) {
  // "1" occurs in "M1", but Mandant 1 still gets a folder of its own, so its
  // documents do not mix with those of the other Mandanten in the root.
  EXPECT_EQ(MandantOrdnerBestimmen("D:\\M1\\VXMDOK", "", "1"), "D:\\M1\\VXMDOK\\1");
}

TEST(MandantOrdner, AusDemOrdnerDerHostdatenbank) {
  EXPECT_EQ(MandantOrdnerBestimmen("", "c:\\prog\\vxmdat\\daten.mdb", "hv1"), "C:\\PROG\\VXMDOK\\HV1");
  EXPECT_EQ(MandantOrdnerBestimmen("", "daten.mdb", "1"), "VXMDOK\\1");
}

TEST(Baumknoten, SchluesselTextUndBilder) {
  const auto wurzel = LaufwerkKnoten("d:\\");
  EXPECT_EQ(wurzel.Schluessel, "D:\\");
  EXPECT_EQ(wurzel.Text, "D:");
  EXPECT_EQ(wurzel.Bild, 1);
  EXPECT_EQ(wurzel.BildAusgewaehlt, 1);

  const auto daten = OrdnerKnoten(wurzel.Schluessel, "Daten");
  EXPECT_EQ(daten.Schluessel, "D:\\Daten\\");
  EXPECT_EQ(daten.Text, "Daten");
  EXPECT_EQ(daten.Bild, 5);
  EXPECT_EQ(daten.BildAusgewaehlt, 11);

  const auto dok = OrdnerKnoten(daten.Schluessel, "VxmDok");
  EXPECT_EQ(dok.Bild, 1);
  const auto unten = OrdnerKnoten(dok.Schluessel, "1");
  EXPECT_EQ(unten.Schluessel, "D:\\Daten\\VxmDok\\1\\");
  EXPECT_EQ(unten.Bild, 1);
  EXPECT_EQ(KnotenVollpfad(unten), "D:\\Daten\\VxmDok\\1");

  EXPECT_STREQ(ImageList1[kBildOrdner - 1], "ordner");
  EXPECT_STREQ(ImageList1[kBildOrdnerOffen - 1], "ordneroffen");
  EXPECT_STREQ(lstNeuOrdner[4], "Freier Name");
}

class EntityOrdnerTest : public test::Umgebung {
 protected:
  void SetUp() override {
    test::Umgebung::SetUp();
    OrdnerAnlegenHost("C:\\VXMDOK\\1");
    Zustand().DokWurzel = "C:\\VXMDOK";
  }
};

TEST_F(EntityOrdnerTest, LegtFehlendeEbenenAn) {
  EXPECT_EQ(EntityOrdner(7, 3, 2, "C:\\VXMDOK\\1"), "C:\\VXMDOK\\1\\7\\3\\2");
  EXPECT_TRUE(fs::is_directory(laufwerkC_ / "VXMDOK" / "1" / "7" / "3" / "2"));
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
  // existing levels are used as they are
  EXPECT_EQ(EntityOrdner(7, 3, 0, "C:\\VXMDOK\\1"), "C:\\VXMDOK\\1\\7\\3");
}

TEST_F(EntityOrdnerTest, EbenenOhneUebergeordneteNummerZaehlenNicht) {
  EXPECT_EQ(EntityOrdner(0, 5, 0, "C:\\VXMDOK\\1"), "C:\\VXMDOK\\1");
  EXPECT_EQ(EntityOrdner(7, 0, 3, "C:\\VXMDOK\\1"), "C:\\VXMDOK\\1\\7");
  EXPECT_EQ(EntityOrdner(-4, 0, 0, "C:\\VXMDOK\\1"), "C:\\VXMDOK\\1");
  EXPECT_FALSE(fs::exists(laufwerkC_ / "VXMDOK" / "1" / "5"));
  EXPECT_FALSE(fs::exists(laufwerkC_ / "VXMDOK" / "1" / "7" / "3"));
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

TEST_F(EntityOrdnerTest, FehlenderMandantWirdGemeldet) {
  EXPECT_EQ(EntityOrdner(7, 0, 0, "C:\\VXMDOK\\9"), "C:\\VXMDOK\\9");
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text,
            "Mandant hat keine Einträge in der Dokumentenverwaltung !!!!\r\nC:\\VXMDOK");
  EXPECT_EQ(dialoge_->Gezeigt[0].Stil, vbOKOnly);
  EXPECT_EQ(dialoge_->Gezeigt[0].Titel, "");
  EXPECT_FALSE(fs::exists(laufwerkC_ / "VXMDOK" / "9"));
}

TEST_F(EntityOrdnerTest, NichtAnlegbareEbeneEndetAufDerTiefstenVorhandenen) {
  // a file where the BE folder would go
  DateiAnlegen("C:\\VXMDOK\\1\\7\\3", "kein Ordner");
  EXPECT_EQ(EntityOrdner(7, 3, 2, "C:\\VXMDOK\\1"), "C:\\VXMDOK\\1\\7");
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text,
            "Bestandseinheit hat keine Einträge in der Dokumentenverwaltung !!!!");
  EXPECT_EQ(Inhalt("C:\\VXMDOK\\1\\7\\3"), "kein Ordner");

  DateiAnlegen("C:\\VXMDOK\\1\\8", "");
  dialoge_->Gezeigt.clear();
  EXPECT_EQ(EntityOrdner(8, 1, 1, "C:\\VXMDOK\\1"), "C:\\VXMDOK\\1");
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text, "Objekt hat keine Einträge in der Dokumentenverwaltung !!!!");

  DateiAnlegen("C:\\VXMDOK\\1\\7\\4\\5", "");
  dialoge_->Gezeigt.clear();
  EXPECT_EQ(EntityOrdner(7, 4, 5, "C:\\VXMDOK\\1"), "C:\\VXMDOK\\1\\7\\4");
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text,
            "Bestandnehmer hat keine Einträge in der Dokumentenverwaltung !!!!");
}

TEST_F(EntityOrdnerTest, EbeneAnlegen) {
  EXPECT_FALSE(EbeneAnlegen(0, "C:\\VXMDOK\\1"));
  EXPECT_TRUE(EbeneAnlegen(12, "C:\\VXMDOK\\1"));
  EXPECT_TRUE(fs::is_directory(laufwerkC_ / "VXMDOK" / "1" / "12"));
  EXPECT_TRUE(EbeneAnlegen(12, "C:\\VXMDOK\\1"));
  EXPECT_FALSE(EbeneAnlegen(1, "C:\\FEHLT"));
}

TEST_F(EntityOrdnerTest, MandantOrdnerWirdAngelegtUndGrossGespeichert) {
  OrdnerAnlegenHost("C:\\prog\\vxmdat");
  EXPECT_EQ(MandantOrdnerFestlegen("", "c:\\prog\\vxmdat\\d.mdb", "hv"), "C:\\PROG\\VXMDOK\\HV");
  // the root does not exist yet, so the Mandant level cannot be made
  EXPECT_FALSE(fs::exists(laufwerkC_ / "prog" / "VXMDOK"));
  OrdnerAnlegenHost("C:\\prog\\VXMDOK");
  EXPECT_EQ(MandantOrdnerFestlegen("", "c:\\prog\\vxmdat\\d.mdb", "hv"), "C:\\PROG\\VXMDOK\\HV");
  EXPECT_EQ(Zustand().MandantPfad, "C:\\PROG\\VXMDOK\\HV");
  EXPECT_TRUE(fs::is_directory(laufwerkC_ / "prog" / "VXMDOK" / "HV"));
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

TEST_F(EntityOrdnerTest, RelativeWurzelLiegtImAktuellenOrdner) {
  OrdnerAnlegenHost("C:\\arbeit\\VXMDOK");
  fs_->Laufwerke().AktuellerOrdnerSetzen("C:\\arbeit");
  const auto mandant = MandantOrdnerFestlegen("", "daten.mdb", "3");
  EXPECT_EQ(mandant, "VXMDOK\\3");
  EXPECT_TRUE(fs::is_directory(laufwerkC_ / "arbeit" / "VXMDOK" / "3"));
}

}  // namespace
}  // namespace vxm
