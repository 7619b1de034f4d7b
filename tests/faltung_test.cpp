// Paths, register lookups, the SQL text comparison and Like must agree on
// which texts are the same name: a file found on disk under one spelling is
// the register's row under every other spelling, and no more.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "keywords/registerzugriff.h"
#include "platform/datenbank.h"
#include "platform/jetsql.h"
#include "platform/laufwerke.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"
#include "platform/verbindung.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

std::string Kodiert(char32_t c) {
  std::string s;
  Utf8Anhaengen(c, s);
  return s;
}

// Every code point against its upper- and lower-case forms, and against the
// neighbouring code point, through all four comparisons.
TEST(EineFaltung, JederCodepunktVergleichtUeberallGleich) {
  std::size_t abweichungen = 0;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::string s = Kodiert(c);
    for (const std::string& x : {Gross(s), Klein(s), Kodiert(c + 1)}) {
      const bool pfad = GleichOhneFall(s, x);
      const bool register_ = Falten(s) == Falten(x);
      const bool sql = TextVergleichen(s, x) == 0;
      const bool like = JetLike(s, LikeMaskieren(x));
      if (pfad != register_ || pfad != sql || pfad != like) {
        if (++abweichungen <= 5)
          ADD_FAILURE() << "U+" << std::hex << static_cast<uint32_t>(c) << " gegen " << x << ": Pfad " << pfad
                        << ", Register " << register_ << ", SQL " << sql << ", Like " << like;
      }
    }
    // a letter equals its own upper and lower case everywhere
    EXPECT_TRUE(GleichOhneFall(s, Gross(s)) && GleichOhneFall(s, Klein(s))) << "U+" << std::hex << static_cast<uint32_t>(c);
  }
  EXPECT_EQ(abweichungen, 0u);
}

TEST(EineFaltung, DecoderWeistFehlerhaftesUtf8ZurueckUndKommtVoran) {
  for (const std::string& kaputt : {std::string("\xC0\x80"), std::string("\xED\xA0\x80"),  // overlong, surrogate
                                    std::string("\xF4\x90\x80\x80"), std::string("\xE2\x82"),  // > U+10FFFF, cut
                                    std::string("\x80"), std::string("\xFF")}) {
    EXPECT_FALSE(GueltigesUtf8(kaputt)) << kaputt;
    std::size_t i = 0, schritte = 0;
    while (i < kaputt.size()) {
      Utf8Lesen(kaputt, i);
      ++schritte;
    }
    EXPECT_EQ(schritte, kaputt.size()) << "every broken byte is one step";
  }
  EXPECT_TRUE(GueltigesUtf8("Grüße \xF0\x9F\x93\x84"));
  EXPECT_EQ(LetzteZeichen("Büro.pdf", 3), "pdf");
  EXPECT_EQ(LetzteZeichen("äöü", 2), "öü");
  EXPECT_EQ(LetzteZeichen("x\xFF", 1), "\xFF");
  EXPECT_TRUE(BeginntMitOhneFall("ſtraße", "ST"));
  EXPECT_TRUE(BeginntMitOhneFall("ıNBOX", "in"));
  EXPECT_FALSE(BeginntMitOhneFall("ä", "\xC3"));  // never a prefix cut inside a letter
}

class FaltungImRegister : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    datei_ = laufwerkC_ / "vxmdok.mdb";
    RegisterAnlegen(datei_.string());
    db_ = DatenbankOeffnenHost(datei_);
  }
  std::filesystem::path datei_;
  std::shared_ptr<Datenbank> db_;
};

// The letters whose forms the two foldings used to judge apart.
TEST_F(FaltungImRegister, DieselbenBuchstabenWieImDateisystem) {
  struct Paar {
    std::string gespeichert, gesucht;
  };
  const std::vector<Paar> paare = {{"Șantier.pdf", "ȘANTIER.PDF"}, {"ǆungla.pdf", "ǄUNGLA.PDF"},
                                   {"ǅungla2.pdf", "ǆungla2.pdf"}, {"ſtraße.pdf", "STRASSE.PDF"},
                                   {"Yıldız.pdf", "YILDIZ.PDF"},   {"Kelvin\u212A.pdf", "KELVINK.PDF"}};
  int nr = 0;
  for (const auto& p : paare) {
    db_->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES ('" + p.gespeichert + "', 'C:\\VXM')");
    ++nr;
    const bool gleich = GleichOhneFall(p.gespeichert, p.gesucht);
    EXPECT_EQ(DateiNummerSuchen(*db_, p.gesucht, "c:\\vxm") != 0, gleich) << p.gespeichert;
    Recordset rs = db_->OpenRecordset("SELECT * FROM Dateiinfo WHERE Dateiname = \"" + p.gesucht + "\"");
    EXPECT_EQ(!rs.Eof(), gleich) << p.gespeichert;
    Recordset like = db_->OpenRecordset("SELECT * FROM Dateiinfo WHERE Dateiname LIKE \"" + p.gesucht + "\"");
    EXPECT_EQ(!like.Eof(), gleich) << p.gespeichert;
  }
  // "ß" has no one-letter upper case: STRASSE is another name everywhere
  EXPECT_FALSE(GleichOhneFall("ſtraße.pdf", "STRASSE.PDF"));
  EXPECT_TRUE(GleichOhneFall("ſtraße.pdf", "STRAẞE.PDF"));
  EXPECT_NE(DateiNummerSuchen(*db_, "STRAẞE.PDF", "C:\\VXM"), 0);
}

// A register written with the earlier folding gets its shadow names again
// on the next open, so old rows are found under the new rules.
TEST_F(FaltungImRegister, AlteSchattennamenWerdenNeuBerechnet) {
  db_->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES ('Yıldız.pdf', 'C:\\VXM')");
  db_->Execute("UPDATE Dateiinfo SET DateinameSchluessel = 'YıLDıZ.PDF'");
  db_->Execute("UPDATE vxm_info SET Wert = '2' WHERE Schluessel = 'Faltung'");
  db_.reset();
  db_ = DatenbankOeffnenHost(datei_);
  EXPECT_NE(DateiNummerSuchen(*db_, "yildiz.pdf", "C:\\VXM"), 0);
}

// A batch that sets the twins itself lets the triggers rest; after it, and
// after a batch rolled back, a writer that leaves the twin unset is
// completed again.
TEST_F(FaltungImRegister, AusloeserRuhenNurWaehrendEinesStapels) {
  db_->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES ('a.pdf', 'C:\\VXM')");
  auto zwilling = [&] {
    sql::Abfrage a(*db_, "SELECT DateinameSchluessel FROM Dateiinfo");
    EXPECT_TRUE(a.Zeile());
    return std::string(a.Spalte(0));
  };
  auto ohneZwilling = [&](const char* name) {  // as the sqlite3 shell or the host would write
    const std::string sql = std::string("UPDATE Dateiinfo SET Dateiname = '") + name + "'";
    ASSERT_EQ(sqlite3_exec(db_->Handle(), sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  };
  Verbindung& v = db_->Anbindung();
  {
    Transaktion t(*db_);
    v.ZwillingeSelbstSetzen("DATEIINFO", true);  // the table named in any case
    ohneZwilling("b.pdf");
    EXPECT_EQ(zwilling(), "A.PDF") << "resting";
    v.ZwillingeSelbstSetzen("Dateiinfo", false);
    t.Bestaetigen();
  }
  ohneZwilling("c.pdf");
  EXPECT_EQ(zwilling(), "C.PDF");
  {
    Transaktion t(*db_);
    v.ZwillingeSelbstSetzen("Dateiinfo", true);
  }  // rolled back, the triggers with it
  ohneZwilling("d.pdf");
  EXPECT_EQ(zwilling(), "D.PDF");
  v.ZwillingeSelbstSetzen("KeineTabelle", true);  // a table without twins: nothing to rest
  ohneZwilling("e.pdf");
  EXPECT_EQ(zwilling(), "E.PDF");
}

}  // namespace
}  // namespace vxm
