#include <gtest/gtest.h>

#include "basis/fehlermelden.h"
#include "basis/zustand.h"
#include "platform/dienste.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

class FehlerMeldenTest : public test::Umgebung {};

// An error program that fails while values are handed to it.
class ScheiterndesProgramm : public test::AufzeichnendesFehlerProgramm {
 public:
  explicit ScheiterndesProgramm(int32_t nummer)
      : AufzeichnendesFehlerProgramm(std::make_shared<std::vector<test::FehlerBericht>>()), nummer_(nummer) {}
  void Zeigen() override { throw VbFehler(nummer_, "Fenster kaputt"); }

 private:
  int32_t nummer_;
};

TEST_F(FehlerMeldenTest, UebergibtAlleWerteInDerFestenReihenfolge) {
  Zustand().ProgName = "vxmTerminverwaltung";
  Zustand().FehlerOrt = "vxmDorvex, in lstAktion_Click";
  FehlerMelden(VbFehler(70, "Zugriff verweigert", "vb6de.chm", 1000070));

  ASSERT_EQ(berichte_->size(), 1u);
  const auto& b = berichte_->front();
  EXPECT_EQ(b.Nummer, 70);
  EXPECT_EQ(b.Beschreibung, "Zugriff verweigert");
  EXPECT_EQ(b.HilfeDatei, "vb6de.chm");
  EXPECT_EQ(b.HilfeKontext, "1000070");
  EXPECT_EQ(b.Programm, "vxmTerminverwaltung");
  EXPECT_EQ(b.Ort, "vxmDorvex, in lstAktion_Click");
  EXPECT_EQ(b.Zusatz1, "");
  EXPECT_EQ(b.Zusatz2, "");
  EXPECT_FALSE(b.Flag);
  EXPECT_EQ(b.Reihenfolge,
            (std::vector<std::string>{"FehlerNr", "FehlerText", "HilfeDatei", "HilfeKontext", "Programm",
                                      "Ort", "Zusatz1", "Zusatz2", "Beenden", "Zeigen"}));
  EXPECT_EQ(Zustand().FehlerAntwort, 42);
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

TEST_F(FehlerMeldenTest, OrtGiltNurFuerDenNaechstenBericht) {
  Zustand().FehlerOrt = "vxmDorvex, in lstAktion_Click";
  FehlerMelden(VbFehler::Standard(53));
  FehlerMelden(VbFehler::Standard(76));
  ASSERT_EQ(berichte_->size(), 2u);
  EXPECT_EQ((*berichte_)[0].Ort, "vxmDorvex, in lstAktion_Click");
  EXPECT_EQ((*berichte_)[1].Ort, "");
}

TEST_F(FehlerMeldenTest, OhneFehlerprogrammEigeneMeldungUndOrtBleibt) {
  OhneFehlerprogramm();
  Zustand().FehlerOrt = "vxmDorvex in DirTreeHolen";
  FehlerMelden(VbFehler::Standard(76));
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text,
            "das allgem. Fehlermeldungsprogramm vxmAllgError konnte nicht aufgerufen werden");
  EXPECT_EQ(dialoge_->Gezeigt[0].Stil, vbOKOnly);
  EXPECT_EQ(dialoge_->Gezeigt[0].Titel, "");
  EXPECT_EQ(Zustand().FehlerOrt, "vxmDorvex in DirTreeHolen");
}

TEST_F(FehlerMeldenTest, FehlerImFehlerprogrammWirdMitNummerGemeldet) {
  Dienste().Komponenten.vxmAllgError = [] { return std::make_unique<ScheiterndesProgramm>(91); };
  FehlerMelden(VbFehler::Standard(53));
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text,
            "Problem beim Aufruf des allg. Fehlermeldungsprogrammes vxmAllgError: \r\n\r\nFehlerNr: 91 "
            "Fenster kaputt");
}

TEST_F(FehlerMeldenTest, Fehler482EndetStill) {
  Dienste().Komponenten.vxmAllgError = [] { return std::make_unique<ScheiterndesProgramm>(482); };
  Zustand().FehlerOrt = "x";
  FehlerMelden(VbFehler::Standard(53));
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
  EXPECT_EQ(Zustand().FehlerOrt, "x");
}

TEST_F(FehlerMeldenTest, AndereAusnahmenWerdenAlsInternerFehlerBerichtet) {
  FehlerMelden(std::runtime_error("kaputt"));
  ASSERT_EQ(berichte_->size(), 1u);
  EXPECT_EQ(berichte_->front().Nummer, 51);
  EXPECT_NE(berichte_->front().Beschreibung.find("kaputt"), std::string::npos);
}

}  // namespace
}  // namespace vxm
