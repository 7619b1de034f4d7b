#include <gtest/gtest.h>

#include "platform/fehler.h"
#include "platform/text.h"
#include "platform/variant.h"

namespace vxm {
namespace {

int32_t FehlerVon(const Variant& v) {
  try {
    AlsLong(v);
  } catch (const VbFehler& f) {
    return f.Nummer;
  }
  return 0;
}

TEST(Gross, FaltetUmlauteUndBehaeltBytepositionen) {
  EXPECT_EQ(Gross("c:\\verträge\\öl"), "C:\\VERTRÄGE\\ÖL");
  EXPECT_EQ(Klein("ÄÖÜ ABC"), "äöü abc");
  EXPECT_EQ(Gross("straße"), "STRAßE");  // ß has no single upper-case letter here
  const std::string s = "zürich\\vxmdat\\x";
  EXPECT_EQ(Gross(s).size(), s.size());
  EXPECT_EQ(LetztesVorkommenOhneFall(s, "\\VXMDAT"), s.find("\\vxmdat"));
}

TEST(Gross, FaltetJedenBuchstabenMitGrossUndKleinform) {
  EXPECT_EQ(Gross("łódź"), "ŁÓDŹ");
  EXPECT_EQ(Klein("ŁÓDŹ"), "łódź");
  EXPECT_EQ(Gross("άλφα ωμέγα"), "ΆΛΦΑ ΩΜΈΓΑ");
  EXPECT_EQ(Klein("ДОГОВОРЫ 2026"), "договоры 2026");
  EXPECT_EQ(Gross("ǆ ǅ"), "Ǆ Ǆ");  // title-case letter
  EXPECT_EQ(Gross("\xF0\x90\x90\xA8"), "\xF0\x90\x90\x80");  // outside the BMP (Deseret)
  // letters whose partner is longer or shorter in UTF-8
  EXPECT_EQ(Gross("ı"), "I");
  EXPECT_EQ(Klein("\xE2\x84\xAA"), "k");  // Kelvin sign
  EXPECT_EQ(Klein("Ⱥ"), "ⱥ");
  // without a single partner a letter stays as it is
  EXPECT_EQ(Gross("ß"), "ß");
  EXPECT_EQ(Gross("1 + ∑ €"), "1 + ∑ €");
}

TEST(VergleichOhneFall, AlleSchriftenMitFall) {
  EXPECT_TRUE(GleichOhneFall("C:\\Łódź\\Akte", "c:\\ŁÓDŹ\\AKTE"));
  EXPECT_TRUE(GleichOhneFall("Αθήνα", "ΑΘΉΝΑ"));
  EXPECT_TRUE(GleichOhneFall("ΟΔΟΣ", "οδος"));  // final sigma
  EXPECT_TRUE(GleichOhneFall("Москва", "МОСКВА"));
  EXPECT_TRUE(GleichOhneFall("ẞ", "ß"));
  EXPECT_TRUE(GleichOhneFall("\xE2\x84\xAA", "k"));
  EXPECT_FALSE(GleichOhneFall("Łódź", "Lodz"));
  EXPECT_FALSE(GleichOhneFall("a\xFF", "a\xFE"));
  EXPECT_TRUE(EnthaeltOhneFall("d:\\αρχεία\\vxmdok", "\\ΑΡΧΕΊΑ\\"));
}

TEST(VergleichOhneFall, FundstellenGeltenImUrsprungstext) {
  // Upper-casing shortens "ı" and lengthens "ɐ"; positions are those of
  // the text as given.
  const std::string s = "ııɐɐ\\vxmdat\\ɐ\\VXMDAT";
  EXPECT_EQ(LetztesVorkommenOhneFall(s, "\\VxmDat"), s.rfind("\\VXMDAT"));
  EXPECT_EQ(LetztesVorkommenOhneFall(s, "ⱯⱯ\\"), 4u);
  EXPECT_EQ(LetztesVorkommenOhneFall(s, "IIⱯ"), 0u);
  EXPECT_EQ(LetztesVorkommenOhneFall(s, ""), s.size());
  EXPECT_EQ(LetztesVorkommenOhneFall(s, "fehlt"), std::string::npos);
}

TEST(Gross, LaesstUngueltigesUtf8Stehen) {
  const std::string kaputt = "a\xFF" "b";
  EXPECT_EQ(Gross(kaputt), "A\xFF" "B");
}

TEST(VergleichOhneFall, FindetTeiltexteUndLeereNadel) {
  EXPECT_TRUE(GleichOhneFall("D:\\Daten", "d:\\DATEN"));
  EXPECT_TRUE(EnthaeltOhneFall("d:\\daten\\vxmdok\\x", "\\VXMDOK"));
  EXPECT_FALSE(EnthaeltOhneFall("d:\\daten", "\\VXMDOK"));
  EXPECT_TRUE(EnthaeltOhneFall("abc", ""));
  EXPECT_EQ(LetztesVorkommenOhneFall("a\\VXMDAT\\b\\vxmdat\\c", "\\VxmDat"), 10u);
}

TEST(Zeichen, ZaehltUndSchneidetNachCodepunkten) {
  EXPECT_EQ(Zeichenzahl("äbc"), 3u);
  EXPECT_EQ(ErsteZeichen("äöüx", 3), "äöü");
  EXPECT_EQ(ErsteZeichen("ab", 3), "ab");
}

TEST(Codepage, HinUndZurueck) {
  const std::string text = "Grüße € – Œ";
  const std::string bytes = Cp1252AusUtf8(text);
  EXPECT_EQ(bytes, "Gr\xFC\xDF" "e \x80 \x96 \x8C");
  EXPECT_EQ(Utf8AusCp1252(bytes), text);
  EXPECT_EQ(Cp1252AusUtf8("日本"), "??");
  EXPECT_EQ(Cp1252AusUtf8("\xE4"), "\xE4");  // already Windows-1252
}

TEST(Variant, TextUmwandlung) {
  EXPECT_EQ(AlsText(Variant{}), "");
  EXPECT_EQ(AlsText(Variant(12)), "12");
  EXPECT_EQ(AlsText(Variant("C:\\x.mdb")), "C:\\x.mdb");
  try {
    AlsText(Variant(NullWert{}));
    FAIL() << "Null must not become text";
  } catch (const VbFehler& f) {
    EXPECT_EQ(f.Nummer, 94);
  }
}

TEST(Variant, GanzzahlUmwandlung) {
  EXPECT_EQ(AlsLong(Variant{}), 0);
  EXPECT_EQ(AlsLong(Variant("07")), 7);
  EXPECT_EQ(AlsLong(Variant(" 12 ")), 12);
  EXPECT_EQ(AlsLong(Variant("-3")), -3);
  EXPECT_EQ(AlsLong(Variant(2.5)), 2);  // half to even
  EXPECT_EQ(AlsLong(Variant(3.5)), 4);
  EXPECT_EQ(AlsLong(Variant("7,5")), 8);
  EXPECT_EQ(AlsLong(Variant(true)), -1);
  EXPECT_EQ(FehlerVon(Variant("abc")), 13);
  EXPECT_EQ(FehlerVon(Variant("")), 13);
  EXPECT_EQ(FehlerVon(Variant("12abc")), 13);
  EXPECT_EQ(FehlerVon(Variant("99999999999")), 6);
  EXPECT_EQ(FehlerVon(Variant(NullWert{})), 94);
}

}  // namespace
}  // namespace vxm
