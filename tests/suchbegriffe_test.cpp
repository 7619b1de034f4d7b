// Expanding search terms and collecting the files of several keywords.
#include "search/suchbegriffe.h"

#include <sqlite3.h>

#include "basis/zustand.h"
#include "keywords/eingabe.h"
#include "platform/datenbank.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

class Suchbegriffe : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    RegisterAnlegen((laufwerkC_ / "vxmdok.mdb").string());
    db_ = DatenbankOeffnenHost(laufwerkC_ / "vxmdok.mdb");
  }
  int32_t Keyword(const std::string& name) { return test::KeywordAnlegen(*db_, name); }
  int32_t Datei(const std::string& name, std::vector<int32_t> ids) {
    Recordset rs = db_->TabelleOeffnen("Dateiinfo");
    rs.AddNew();
    const int32_t nr = rs.Zahl("Dateinummer");
    rs.FeldSetzen("Dateiname", name);
    rs.FeldSetzen("Dateipfad", std::string("C:\\VXM\\VXMDOK\\1"));
    rs.Update();
    for (int32_t id : ids) VerknuepfungAnhaengen(*db_, nr, id);
    return nr;
  }
  void Begriffe(std::vector<std::string> b) {
    auto& z = Zustand();
    z.SuchKeyAnzahl = static_cast<int32_t>(b.size());
    for (std::size_t i = 0; i < b.size(); ++i) {
      if (i + 1 >= z.SuchKeys.size()) z.SuchKeys.resize(i + 2);
      z.SuchKeys[i + 1] = b[i];
    }
  }
  std::shared_ptr<Datenbank> db_;
};

TEST_F(Suchbegriffe, PlatzhalterWerdenErsetztEinfacheBegriffeBleiben) {
  Keyword("Rechnung");
  Keyword("REPARATUR");
  Keyword("MAHNUNG");
  Keyword("");
  Begriffe({"miete", "re*xyz", "zz*", "*"});
  keyzerlegenVersuch(*db_);
  auto& z = Zustand();
  // Plain terms keep their case, expanded names their stored case; a
  // wildcard without match contributes nothing; the text after "*" is ignored.
  EXPECT_EQ(z.KeyTeile, (std::vector<std::string>{"miete", "Rechnung", "REPARATUR", "Rechnung", "REPARATUR",
                                                  "MAHNUNG"}));
  EXPECT_EQ(z.KeyAnzahl, 6);
  Begriffe({});
  keyzerlegenVersuch(*db_);
  EXPECT_EQ(z.KeyAnzahl, 0);
}

TEST_F(Suchbegriffe, MehrAlsZweihundertBegriffeGehenNichtVerloren) {
  std::vector<std::string> b;
  for (int i = 0; i < 250; ++i) b.push_back("k" + std::to_string(i));
  Begriffe(b);
  keyzerlegenVersuch(*db_);
  EXPECT_EQ(Zustand().KeyAnzahl, 250);
  EXPECT_EQ(Zustand().KeyTeile.back(), "k249");
}

TEST_F(Suchbegriffe, DateienMehrererKeywoerterJeEinmalNachNummer) {
  const int32_t a = Keyword("A"), b = Keyword("B"), c = Keyword("C");
  const int32_t d1 = Datei("eins", {b}), d2 = Datei("zwei", {a, b}), d3 = Datei("drei", {c});
  const auto t = DateienMitKeywords(*db_, {b, a, 0, a, 999});
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].Dateinummer, d1);
  EXPECT_EQ(t[1].Dateinummer, d2);
  EXPECT_TRUE(DateienMitKeywords(*db_, {}).empty());
  EXPECT_EQ(DateienMitKeywords(*db_, {c})[0].Dateinummer, d3);
}

// Statements run on the connection while `f` runs.
template <typename F>
int Anweisungen(Datenbank& db, F&& f) {
  int n = 0;
  sqlite3_trace_v2(db.Handle(), SQLITE_TRACE_STMT,
                   [](unsigned, void* z, void*, void*) {
                     ++*static_cast<int*>(z);
                     return 0;
                   },
                   &n);
  f();
  sqlite3_trace_v2(db.Handle(), 0, nullptr, nullptr);
  return n;
}

TEST_F(Suchbegriffe, VieleKeywoerterEineAbfrageTrefferWaehrendDesLesens) {
  std::vector<int32_t> ids;
  for (int k = 0; k < 40; ++k) ids.push_back(Keyword("K" + std::to_string(k)));
  std::vector<int32_t> nummern;
  for (int i = 0; i < 60; ++i) nummern.push_back(Datei("d" + std::to_string(i) + ".pdf", {ids[i % 40], ids[(i * 7) % 40]}));
  // All keywords in one query, not one walk per keyword.
  std::vector<int32_t> gelesen;
  const int n = Anweisungen(*db_, [&] {
    DateienMitKeywordsLesen(*db_, ids, [&](int32_t nr, std::string_view, std::string_view pfad) {
      EXPECT_EQ(pfad, "C:\\VXM\\VXMDOK\\1");
      gelesen.push_back(nr);
    });
  });
  EXPECT_EQ(n, 1);
  EXPECT_EQ(gelesen, nummern);
  // The hits arrive while the register is read: a caller that stops after
  // the first has been given no more.
  int gerufen = 0;
  struct Genug {};
  EXPECT_THROW(DateienMitKeywordsLesen(*db_, ids,
                                       [&](int32_t, std::string_view, std::string_view) {
                                         ++gerufen;
                                         throw Genug{};
                                       }),
               Genug);
  EXPECT_EQ(gerufen, 1);
  // and the statement was left reset: the next search runs normally
  EXPECT_EQ(DateienMitKeywords(*db_, {ids[3]}).size(), 3u);
}

TEST_F(Suchbegriffe, AnfangOhneRuecksichtAufGrossschreibung) {
  EXPECT_TRUE(BeginntMit("Übergabe", "üb"));
  EXPECT_TRUE(BeginntMit("x", ""));
  EXPECT_FALSE(BeginntMit("ab", "abc"));
  Keyword("Übergabe");
  Keyword("UEBER");
  EXPECT_EQ(KeywordsMitPraefix(*db_, "ÜB"), (std::vector<std::string>{"Übergabe"}));
}

}  // namespace
}  // namespace vxm
