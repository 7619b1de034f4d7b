#include "store/entitaeten.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vxm {
namespace {

const std::string kMandant = "C:\\VXM\\VXMDOK\\1";

void ErwarteNummern(const std::string& ordner, const std::string& objekt, const std::string& be,
                    int32_t bn, const std::string& mandant = kMandant) {
  SCOPED_TRACE(ordner);
  const EntitaetsNummern n = NummernAusPfad(ordner, mandant);
  EXPECT_EQ(n.Objekt, objekt);
  EXPECT_EQ(n.Be, be);
  EXPECT_EQ(n.Bn, bn);
}

TEST(NummernAusPfad, EbenenUnterDemMandantenordner) {
  ErwarteNummern(kMandant, "", "", 0);               // the Mandant folder itself
  ErwarteNummern(kMandant + "\\", "", "", 0);
  ErwarteNummern(kMandant + "\\7", "7", "", 0);
  ErwarteNummern(kMandant + "\\7\\Verträge", "7", "", 0);
  ErwarteNummern(kMandant + "\\7\\3", "7", "3", 0);
  ErwarteNummern(kMandant + "\\7\\3\\12", "7", "3", 12);
  ErwarteNummern(kMandant + "\\7\\3\\12\\Briefe", "7", "3", 12);
  ErwarteNummern(kMandant + "\\7\\3\\12\\", "7", "3", 12);  // a folder key
  ErwarteNummern(kMandant + "\\7\\3\\12\\99\\5", "7", "3", 12);
}

TEST(NummernAusPfad, NichtNumerischeEbeneWirdUebersprungen) {
  ErwarteNummern(kMandant + "\\Verträge\\3", "", "3", 0);
  ErwarteNummern(kMandant + "\\7\\Briefe\\12", "7", "", 12);
  ErwarteNummern(kMandant + "\\Korrespondenz", "", "", 0);
  // Only plain digits count: anything else would end up in the SQL text.
  for (const char* ebene : {"1,5", "-3", "+3", " 7", "7 ", "1e3", "&H10", "7a", "1.000", "٣"}) {
    ErwarteNummern(kMandant + "\\" + ebene + "\\" + ebene + "\\" + ebene, "", "", 0);
  }
  ErwarteNummern(kMandant + "\\007\\03\\012", "007", "03", 12);  // as written in the folder name
  ErwarteNummern(kMandant + "\\0\\00\\0", "", "", 0);            // zero is no number
}

TEST(NummernAusPfad, BnAusserhalbDes32BitBereichsZaehltNicht) {
  ErwarteNummern(kMandant + "\\7\\3\\2147483647", "7", "3", 2147483647);
  ErwarteNummern(kMandant + "\\7\\3\\2147483648", "7", "3", 0);
  ErwarteNummern(kMandant + "\\7\\3\\99999999999999999999", "7", "3", 0);
}

TEST(NummernAusPfad, MandantenordnerOhneRuecksichtAufGrossschreibung) {
  ErwarteNummern("c:\\vxm\\vxmdok\\1\\7\\3", "7", "3", 0);
  ErwarteNummern("C:\\VXMDOK\\müller\\7", "7", "", 0, "C:\\VXMDOK\\MÜLLER");
  ErwarteNummern(kMandant + "\\7", "7", "", 0, kMandant + "\\");
}

TEST(NummernAusPfad, OrdnerAusserhalbDesMandantenLiefertNichts) {
  ErwarteNummern("C:\\VXM\\VXMDOK\\10\\5\\3", "", "", 0);  // another Mandant, same prefix
  ErwarteNummern("C:\\VXM\\VXMDOK\\2\\7", "", "", 0);
  ErwarteNummern("C:\\VXM", "", "", 0);
  ErwarteNummern("", "", "", 0);
  ErwarteNummern(kMandant + "\\7", "", "", 0, "");
}

TEST(Beschriftungen, AbfragenMitDenNummernAusDemOrdnernamen) {
  EXPECT_EQ(ObjektSql("7"), "SELECT ObjBezeichnung FROM ObjDaten WHERE objnummer = 7");
  EXPECT_EQ(BeSql("7", "3"), "SELECT BeTuerNr FROM Bestandseinheitsdaten WHERE BeObjNr = 7 AND BeBeNr = 3");
  EXPECT_EQ(BnSql("7", "3", 12),
            "SELECT BnName FROM Bestandnehmerdaten WHERE BnObjNr = 7 AND BnBeNr = 3 AND BnBnNr = 12");
  EXPECT_EQ(ObjektSql("007"), "SELECT ObjBezeichnung FROM ObjDaten WHERE objnummer = 007");
  // A level that was not numeric stands as 0.
  auto n = NummernAusPfad(kMandant + "\\Verträge\\3", kMandant);
  EXPECT_EQ(BeSql(n.Objekt, n.Be),
            "SELECT BeTuerNr FROM Bestandseinheitsdaten WHERE BeObjNr = 0 AND BeBeNr = 3");
  EXPECT_EQ(ObjektSql("1; DROP TABLE ObjDaten"), "SELECT ObjBezeichnung FROM ObjDaten WHERE objnummer = 0");
}

std::vector<std::string> Namen(const std::vector<OrdnerEintrag>& v) {
  std::vector<std::string> n;
  for (const auto& e : v) n.push_back(e.Name);
  return n;
}

std::vector<OrdnerEintrag> Liste(std::initializer_list<const char*> namen) {
  std::vector<OrdnerEintrag> v;
  for (const char* n : namen) v.push_back({n, std::string("C:\\X\\") + n + "\\"});
  return v;
}

TEST(OrdnerSortieren, NamenOhneRuecksichtAufGrossschreibung) {
  auto v = Liste({"Abd", "abc", "ZETA", "alpha", "Beta", "Öl", "östlich", "_intern", "10", "9"});
  OrdnerSortieren(v);
  EXPECT_EQ(Namen(v), (std::vector<std::string>{"10", "9", "_intern", "abc", "Abd", "alpha", "Beta", "ZETA",
                                                "Öl", "östlich"}));
  for (const auto& e : v) EXPECT_EQ(e.Pfad, "C:\\X\\" + e.Name + "\\");  // paths move with their names
}

TEST(OrdnerSortieren, GleicheNamenBehaltenIhreFolge) {
  auto v = Liste({"b", "ABC", "Abc", "abc", "a", "aBC"});
  OrdnerSortieren(v);
  EXPECT_EQ(Namen(v), (std::vector<std::string>{"a", "ABC", "Abc", "abc", "aBC", "b"}));
  std::vector<OrdnerEintrag> leer;
  OrdnerSortieren(leer);
  EXPECT_TRUE(leer.empty());
  auto eins = Liste({"x"});
  OrdnerSortieren(eins);
  EXPECT_EQ(Namen(eins), std::vector<std::string>{"x"});
}

}  // namespace
}  // namespace vxm
