#include "files/registerpflege.h"

#include "basis/zustand.h"
#include "files/dateidetails.h"
#include "files/ordnerstatistik.h"
#include "keywords/registerzugriff.h"
#include "platform/jetsql.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

class RegisterpflegeTest : public test::Umgebung, public ::testing::WithParamInterface<test::Ablage> {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    VXM_ABLAGE_PRUEFEN();
    datei_ = laufwerkC_ / "vxmdok.mdb";
    RegisterAnlegenAuf(GetParam(), datei_);
    db_ = DatenbankOeffnenHost(datei_);
  }
  int32_t Datei(const std::string& name, const std::string& ordner) {
    Recordset rs = db_->TabelleOeffnen("Dateiinfo");
    rs.AddNew();
    const int32_t nr = rs.Zahl("Dateinummer");
    rs.FeldSetzen("Dateiname", name);
    rs.FeldSetzen("Dateipfad", ordner);
    rs.Update();
    return nr;
  }
  void Link(int32_t datei, int32_t kw) {
    db_->Execute("INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (" + std::to_string(datei) +
                 ", " + std::to_string(kw) + ")");
  }
  int64_t Anzahl(const std::string& sql) {
    Recordset rs = db_->OpenRecordset(sql);
    return rs.Eof() ? 0 : rs.Zahl("n");
  }
  // A register file sets the rows of vanished files aside; a server
  // register deletes them as before.
  // Rows of vanished files are set aside on every engine, never deleted.
  static std::size_t Weggeraeumt(const Bereinigung& b) {
    EXPECT_EQ(b.Geloescht, 0u);
    return b.Beiseite;
  }
  std::string PfadVon(int32_t nr) {
    Recordset rs = db_->OpenRecordset("SELECT Dateipfad FROM Dateiinfo WHERE Dateinummer = " + std::to_string(nr));
    return rs.Eof() ? "<weg>" : rs.Text("Dateipfad");
  }
  std::filesystem::path datei_;
  std::shared_ptr<Datenbank> db_;
};
VXM_AUF_ALLEN_ABLAGEN(RegisterpflegeTest);

TEST_P(RegisterpflegeTest, VerschiebenKopierenEntfernenTreffenNurDieEigeneZeile) {
  const int32_t a = Datei("brief.doc", "C:\\DOK\\A");
  const int32_t b = Datei("brief.doc", "C:\\DOK\\B");
  Link(a, 3);
  Link(a, 1);
  Link(b, 2);
  // Move: same number, links stay; the namesake in B is untouched.
  EXPECT_TRUE(RegisterDateiVerschieben(*db_, "BRIEF.DOC", "c:\\dok\\a", "brief.doc", "C:\\DOK\\C"));
  EXPECT_EQ(DateiNummerSuchen(*db_, "brief.doc", "C:\\DOK\\C"), a);
  EXPECT_EQ(PfadVon(b), "C:\\DOK\\B");
  EXPECT_EQ(KeywordIdsDerDatei(*db_, a), (std::vector<int32_t>{3, 1}));
  EXPECT_FALSE(RegisterDateiVerschieben(*db_, "fehlt.doc", "C:\\DOK\\A", "x", "C:\\Y"));
  // Copy: a row of its own, links in KeywordID order.
  const int32_t k = RegisterDateiKopieren(*db_, "brief.doc", "C:\\DOK\\C", "Kopie von brief.doc", "C:\\DOK\\C");
  ASSERT_GT(k, 0);
  EXPECT_NE(k, a);
  EXPECT_EQ(KeywordIdsDerDatei(*db_, k), (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(RegisterDateiKopieren(*db_, "fehlt.doc", "C:\\DOK\\A", "x", "C:\\Y"), 0);
  EXPECT_EQ(Anzahl("SELECT COUNT(*) AS n FROM Dateiinfo"), 3);
  // Remove: row and links of that file only.
  EXPECT_TRUE(RegisterDateiEntfernen(*db_, "brief.doc", "C:\\DOK\\C"));
  EXPECT_EQ(Anzahl("SELECT COUNT(*) AS n FROM KeywordZwischentabelle WHERE Dateinummer = " + std::to_string(a)), 0);
  EXPECT_EQ(KeywordIdsDerDatei(*db_, k), (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(KeywordIdsDerDatei(*db_, b), (std::vector<int32_t>{2}));
  EXPECT_FALSE(RegisterDateiEntfernen(*db_, "brief.doc", "C:\\DOK\\C"));
}

TEST_P(RegisterpflegeTest, MehrAlsEinundzwanzigVerknuepfungenWerdenAlleKopiert) {
  const int32_t a = Datei("viel.pdf", "C:\\D");
  for (int i = 30; i >= 1; --i) Link(a, i);
  const int32_t k = RegisterDateiKopieren(*db_, "viel.pdf", "C:\\D", "viel.pdf", "C:\\E");
  const auto ids = KeywordIdsDerDatei(*db_, k);
  ASSERT_EQ(ids.size(), 30u);
  EXPECT_EQ(ids.front(), 1);
  EXPECT_EQ(ids.back(), 30);
}

TEST_P(RegisterpflegeTest, OrdnerNachziehenNimmtUnterordnerMitUndLaesstNachbarnStehen) {
  const int32_t a = Datei("a.txt", "C:\\Dok\\Alt");
  const int32_t b = Datei("b.txt", "c:\\dok\\alt\\Unter\\Tief");
  const int32_t c = Datei("c.txt", "C:\\DOK\\ALTER");  // shares the prefix, not the folder
  const int32_t d = Datei("d.txt", "C:\\DOK");
  EXPECT_EQ(RegisterOrdnerNachziehen(*db_, "C:\\DOK\\ALT", "C:\\Dok\\Neu"), 2);
  EXPECT_EQ(PfadVon(a), "C:\\DOK\\NEU");
  EXPECT_EQ(PfadVon(b), "C:\\DOK\\NEU\\Unter\\Tief");
  EXPECT_EQ(PfadVon(c), "C:\\DOK\\ALTER");
  EXPECT_EQ(PfadVon(d), "C:\\DOK");
  // The moved rows are found by their new folder (shadow columns kept).
  EXPECT_EQ(DateiNummerSuchen(*db_, "B.TXT", "c:\\dok\\neu\\unter\\tief"), b);
  // A final backslash on either side changes nothing.
  EXPECT_EQ(RegisterOrdnerNachziehen(*db_, "C:\\DOK\\NEU\\", "C:\\DOK\\X\\"), 2);
  EXPECT_EQ(PfadVon(a), "C:\\DOK\\X");
}

TEST_P(RegisterpflegeTest, BereinigenLoeschtNurVerschwundeneImMuster) {
  DateiAnlegen("C:\\DOK\\1\\da.txt");
  const int32_t da = Datei("DA.TXT", "C:\\DOK\\1");
  const int32_t weg = Datei("weg.txt", "C:\\DOK\\1");
  const int32_t draussen = Datei("weg.txt", "C:\\DOK\\2");
  Link(weg, 5);
  Link(da, 5);
  const Bereinigung b = RegisterBereinigen(*db_, "C:\\DOK\\1\\");
  EXPECT_EQ(b.Geprueft, 2u);
  EXPECT_EQ(Weggeraeumt(b), 1u);
  EXPECT_EQ(PfadVon(da), "C:\\DOK\\1");
  EXPECT_EQ(PfadVon(weg), "<weg>");
  EXPECT_EQ(PfadVon(draussen), "C:\\DOK\\2");
  EXPECT_EQ(Anzahl("SELECT COUNT(*) AS n FROM KeywordZwischentabelle"), 1);
}

TEST_P(RegisterpflegeTest, BereinigenMitPlatzhalterLaeuftDenBaumAb) {
  DateiAnlegen("C:\\DOK\\1\\A\\x.txt");
  DateiAnlegen("C:\\DOK\\10\\y.txt");
  const int32_t x = Datei("x.txt", "C:\\DOK\\1\\A");
  const int32_t wegUnten = Datei("z.txt", "C:\\DOK\\1\\A\\B");
  // "1*" also matches folder 10; the walk of 1 does not cover it, so it is kept.
  const int32_t zehn = Datei("fehlt.txt", "C:\\DOK\\10");
  const Bereinigung b = RegisterBereinigen(*db_, "C:\\DOK\\1*");
  EXPECT_EQ(b.Geprueft, 3u);
  EXPECT_EQ(Weggeraeumt(b), 1u);
  EXPECT_EQ(PfadVon(x), "C:\\DOK\\1\\A");
  EXPECT_EQ(PfadVon(wegUnten), "<weg>");
  EXPECT_EQ(PfadVon(zehn), "C:\\DOK\\10");
}

TEST_P(RegisterpflegeTest, UnvollstaendigerBestandLoeschtKeineVorhandeneDatei) {
  DateiAnlegen("C:\\DOK\\1\\da.txt");
  DateiAnlegen("C:\\DOK\\1\\L\\drin.txt");
  const int32_t da = Datei("da.txt", "C:\\DOK\\1");
  const int32_t drin = Datei("drin.txt", "C:\\DOK\\1\\L");
  const int32_t wegL = Datei("fehlt.txt", "C:\\DOK\\1\\L");
  const int32_t weg = Datei("fehlt.txt", "C:\\DOK\\1");
  // The walk found nothing (as if its table had overflowed) and could not read L.
  DateiBestand bestand;
  bestand.Vollstaendig = false;
  bestand.Luecken = {"C:\\DOK\\1\\L"};
  const Bereinigung b = RegisterBereinigenMitBestand(*db_, "C:\\DOK\\1*", bestand);
  EXPECT_EQ(Weggeraeumt(b), 1u);
  EXPECT_EQ(PfadVon(da), "C:\\DOK\\1");     // exists: checked before removal
  EXPECT_EQ(PfadVon(drin), "C:\\DOK\\1\\L");
  EXPECT_EQ(PfadVon(wegL), "C:\\DOK\\1\\L");  // below an unread folder
  EXPECT_EQ(PfadVon(weg), "<weg>");
  // A cancelled walk (incomplete, no gaps named) removes nothing.
  Datei("fehlt2.txt", "C:\\DOK\\1");
  DateiBestand abgebrochen;
  abgebrochen.Vollstaendig = false;
  EXPECT_EQ(RegisterBereinigenMitBestand(*db_, "C:\\DOK\\1*", abgebrochen).Beiseite, 0u);
}

TEST_P(RegisterpflegeTest, BereinigenEinesFehlendenOrdnersBehaeltAlles) {
  Datei("a.txt", "C:\\NICHTDA");
  EXPECT_EQ(RegisterBereinigen(*db_, "C:\\NICHTDA").Beiseite, 0u);
  EXPECT_EQ(Anzahl("SELECT COUNT(*) AS n FROM Dateiinfo"), 1);
}

class OrdnerStatistikTest : public test::Umgebung {};

TEST_F(OrdnerStatistikTest, ZaehltAlleEbenenUnterDemOrdner) {
  OrdnerAnlegenHost("C:\\S");
  int32_t u = 0, d = 0;
  double g = -1;
  OrdnerStatistik("C:\\S", u, d, g);
  EXPECT_EQ(u, 0);
  EXPECT_EQ(d, 0);
  EXPECT_EQ(GroesseFormatieren(g), "0 Byte");
  for (const char* s : {"C:\\S\\A\\X\\", "C:\\S\\B\\Y\\"})
    for (const char* n : {"1.txt", "2.txt", "3.txt"}) DateiAnlegen(std::string(s) + n, "abcd");
  u = d = 0;
  OrdnerStatistik("C:\\S\\", u, d, g);
  EXPECT_EQ(u, 4);
  EXPECT_EQ(d, 6);
  EXPECT_EQ(g, 24.0);
  // A missing folder leaves the outputs as they were.
  u = 7;
  OrdnerStatistik("C:\\FEHLT", u, d, g);
  EXPECT_EQ(u, 7);
}

}  // namespace
}  // namespace vxm
