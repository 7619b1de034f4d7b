// Splitting keyword input and the register operations of the main window,
// checked against the three tables.
#include <sqlite3.h>

#include "basis/zustand.h"
#include "keywords/eingabe.h"
#include "keywords/register.h"
#include "platform/fehler.h"
#include "platform/text.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

const std::string kOrdner = "C:\\VXM\\VXMDOK\\1\\7\\3\\2";

class KeywordRegister : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    const auto datei = laufwerkC_ / "vxmdok.mdb";
    RegisterAnlegen(datei.string());
    db_ = DatenbankOeffnenHost(datei);
  }
  void Sql(const std::string& sql) { db_->Execute(sql); }
  void Roh(const std::string& sql) {
    ASSERT_EQ(sqlite3_exec(db_->Handle(), sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  }
  int64_t Zahl(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db_->Handle(), sql.c_str(), -1, &s, nullptr), SQLITE_OK) << sql;
    int64_t n = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
    sqlite3_finalize(s);
    return n;
  }
  std::vector<std::string> Spalte(const std::string& sql) {
    std::vector<std::string> r;
    for (Recordset rs = db_->OpenRecordset(sql); !rs.Eof(); rs.MoveNext()) r.push_back(rs.Text(rs.Feldnamen()[0]));
    return r;
  }
  std::vector<std::string> Keywords() { return Spalte("SELECT Keyword FROM Keyword"); }
  int64_t Dateien() { return Zahl("SELECT COUNT(*) FROM Dateiinfo"); }
  int64_t Links() { return Zahl("SELECT COUNT(*) FROM KeywordZwischentabelle"); }
  std::vector<std::string> Von(const AktuelleDatei& d) { return KeywordsDerDateiLesen(*db_, DateiNummer(*db_, d)); }
  // Tokens of the last split up to KeyAnzahl, without the empty ones.
  std::vector<std::string> Zerlegen(const std::string& text, int32_t laenge = -1) {
    KeyZerlegen(*db_, text, laenge < 0 ? static_cast<int32_t>(text.size()) : laenge);
    std::vector<std::string> r;
    auto& z = Zustand();
    EXPECT_GE(z.KeyAnzahl, 0);
    EXPECT_LE(static_cast<std::size_t>(z.KeyAnzahl), z.KeyTeile.size());
    for (int32_t i = 0; i < z.KeyAnzahl; ++i)
      if (!z.KeyTeile[static_cast<std::size_t>(i)].empty()) r.push_back(z.KeyTeile[static_cast<std::size_t>(i)]);
    return r;
  }
  std::shared_ptr<Datenbank> db_;
  const AktuelleDatei brief_{"Brief.txt", kOrdner};
  const AktuelleDatei plan_{"Plan.pdf", kOrdner};
};

using V = std::vector<std::string>;

TEST_F(KeywordRegister, ZerlegenTrenntUndSchreibtGross) {
  EXPECT_EQ(Zerlegen("rechnung, mahnung"), (V{"RECHNUNG", "MAHNUNG"}));
  EXPECT_EQ(Zerlegen("a b,c.d;e"), (V{"A", "B", "C", "D", "E"}));
  EXPECT_EQ(Zerlegen(" ,;.miete;;  nebenkosten.. "), (V{"MIETE", "NEBENKOSTEN"}));
  // Umlauts and ß are letters anywhere in a word.
  EXPECT_EQ(Zerlegen("äpfel;müll ölß straße"), (V{"ÄPFEL", "MÜLL", Gross("ölß"), Gross("straße")}));
  EXPECT_EQ(Zerlegen("ab12 3x"), (V{"AB12", "3X"}));
  // Characters beyond the length are ignored; the length counts characters.
  EXPECT_EQ(Zerlegen("müll rest", 4), (V{"MÜLL"}));
  EXPECT_EQ(Zerlegen("", 0), V{});
  EXPECT_EQ(Zerlegen(" ,;. "), V{});
  // Counts: separators + 1 when the text does not end with one.
  KeyZerlegen(*db_, "a, b", 4);
  EXPECT_EQ(Zustand().KeyAnzahl, 3);
  KeyZerlegen(*db_, "a b ", 4);
  EXPECT_EQ(Zustand().KeyAnzahl, 2);
}

TEST_F(KeywordRegister, ZerlegenErweitertSterne) {
  Sql("INSERT INTO Keyword (Keyword) VALUES (\"Mietvertrag\")");
  Sql("INSERT INTO Keyword (Keyword) VALUES (\"MIETE\")");
  Sql("INSERT INTO Keyword (Keyword) VALUES (\"Nebenkosten\")");
  Sql("INSERT INTO Keyword (Keyword) VALUES (\"\")");
  Sql("INSERT INTO Keyword (Keyword) VALUES (\"Übergabe\")");
  // Stored names keep their case, in table order.
  EXPECT_EQ(Zerlegen("miet*"), (V{"Mietvertrag", "MIETE"}));
  EXPECT_EQ(Zerlegen("*"), (V{"Mietvertrag", "MIETE", "Nebenkosten", "Übergabe"}));
  EXPECT_EQ(Zerlegen("üb*"), (V{"Übergabe"}));
  // A "*" inside a word: the matches of the first part, then the rest.
  EXPECT_EQ(Zerlegen("neben*brief"), (V{"Nebenkosten", "BRIEF"}));
  // No match: the prefix itself is the token.
  EXPECT_EQ(Zerlegen("xy*"), (V{"XY"}));
  EXPECT_EQ(Zerlegen("xy* miet*"), (V{"XY", "Mietvertrag", "MIETE"}));
  KeyZerlegen(*db_, "miet*", 5);
  EXPECT_EQ(Zustand().KeyAnzahl, 3);  // two matches + the unfinished run
}

TEST_F(KeywordRegister, EingabeLegtAnMeldetAnUndVerknuepft) {
  Sql("INSERT INTO Keyword (Keyword) VALUES (\"Miete\")");
  EingabeErgebnis e = KeywordsEingeben(*db_, brief_, "miete, mahnung");
  EXPECT_TRUE(e.Fehler.empty());
  EXPECT_EQ(e.NeueKeywords, (V{"MAHNUNG"}));
  EXPECT_TRUE(e.Doppelte.empty());
  EXPECT_EQ(Keywords(), (V{"Miete", "MAHNUNG"}));  // the known keyword in other case is reused
  EXPECT_EQ(Dateien(), 1);
  EXPECT_EQ(Von(brief_), (V{"Miete", "MAHNUNG"}));
  EXPECT_EQ(Zustand().AktDateinummer, e.Dateinummer);

  // One already on the file: the other is attached, the duplicate reported once.
  e = KeywordsEingeben(*db_, brief_, "MAHNUNG neu");
  EXPECT_EQ(e.Doppelte, (V{"MAHNUNG"}));
  EXPECT_EQ(Von(brief_), (V{"Miete", "MAHNUNG", "NEU"}));
  EXPECT_EQ(Dateien(), 1);
  EXPECT_EQ(Links(), 3);
  // The same name twice in one input is one keyword, one link.
  e = KeywordsEingeben(*db_, plan_, "gas Gas GAS gas*");
  EXPECT_EQ(e.NeueKeywords, (V{"GAS"}));
  EXPECT_EQ(Von(plan_), (V{"GAS"}));
  EXPECT_EQ(Zahl("SELECT COUNT(*) FROM Keyword WHERE Keyword = 'GAS'"), 1);
}

TEST_F(KeywordRegister, BekannteZuerstDannNeueInTippReihenfolge) {
  Sql("INSERT INTO Keyword (Keyword) VALUES (\"BEKANNT\")");
  Sql("INSERT INTO Keyword (Keyword) VALUES (\"AUCH\")");
  EingabeErgebnis e = KeywordsEingeben(*db_, brief_, "neu1 bekannt neu2 auch");
  EXPECT_EQ(Von(brief_), (V{"BEKANNT", "AUCH", "NEU1", "NEU2"}));
  EXPECT_EQ(e.NeueKeywords, (V{"NEU1", "NEU2"}));
  EXPECT_EQ(Keywords(), (V{"BEKANNT", "AUCH", "NEU1", "NEU2"}));
  // Every keyword now known, the duplicates among them, come first as typed.
  e = KeywordsEingeben(*db_, brief_, "neu3 neu2 auch bekannt");
  EXPECT_EQ(e.Doppelte, (V{"NEU2", "AUCH", "BEKANNT"}));
  EXPECT_EQ(Von(brief_), (V{"BEKANNT", "AUCH", "NEU1", "NEU2", "NEU3"}));
}

TEST_F(KeywordRegister, SchlechteEingabeSchreibtNichts) {
  for (const std::string& eingabe : {std::string(), std::string(" ,;. "), std::string("*")}) {
    EXPECT_EQ(KeywordsEingeben(*db_, brief_, eingabe).Fehler, meldung::LeereEingabe) << eingabe;
  }
  std::string viele;
  for (int i = 0; i < 200; ++i) viele += "wort" + std::to_string(i) + " ";
  EXPECT_EQ(KeywordsEingeben(*db_, brief_, viele).Fehler, meldung::ZuVieleKeywords);
  std::string zweiundfuenfzig;
  for (int i = 0; i < 52; ++i) zweiundfuenfzig += "k" + std::to_string(i) + ",";
  EXPECT_EQ(KeywordsEingeben(*db_, brief_, zweiundfuenfzig).Fehler, meldung::ZuVieleKeywords);
  EXPECT_EQ(Dateien(), 0);
  EXPECT_EQ(Links(), 0);
  EXPECT_TRUE(Keywords().empty());

  std::string einundfuenfzig;
  for (int i = 0; i < 51; ++i) einundfuenfzig += "k" + std::to_string(i) + ",";
  EXPECT_TRUE(KeywordsEingeben(*db_, brief_, einundfuenfzig).Fehler.empty());
  EXPECT_EQ(Links(), 51);
  const std::string lang(255, 'x');
  EXPECT_TRUE(KeywordsEingeben(*db_, plan_, lang).Fehler.empty());
  EXPECT_EQ(Von(plan_), (V{std::string(255, 'X')}));
}

TEST_F(KeywordRegister, FehlerMittendrinHinterlaesstNichts) {
  Sql("INSERT INTO Keyword (Keyword) VALUES (\"ALT\")");
  // The second link fails: neither the new keywords nor the file row stay.
  Roh("CREATE TEMP TRIGGER kaputt BEFORE INSERT ON KeywordZwischentabelle "
      "WHEN (SELECT COUNT(*) FROM KeywordZwischentabelle) >= 1 BEGIN SELECT RAISE(ABORT, 'kaputt'); END");
  EXPECT_THROW(KeywordsEingeben(*db_, brief_, "alt eins zwei"), VbFehler);
  EXPECT_EQ(Keywords(), (V{"ALT"}));
  EXPECT_EQ(Dateien(), 0);
  EXPECT_EQ(Links(), 0);
}

TEST_F(KeywordRegister, ZuweisenPrueftGenauStattMitMuster) {
  Sql("INSERT INTO Keyword (Keyword) VALUES (\"Vertrag\")");
  Sql("INSERT INTO Keyword (Keyword) VALUES (\"Anlage\")");
  // "ab.txt" carries Vertrag; "a*.txt" and "[a]b.txt" must still get it.
  const AktuelleDatei ab{"ab.txt", kOrdner}, stern{"a*.txt", kOrdner}, klammer{"[a]b.txt", kOrdner},
      frage{"a?.txt", kOrdner};
  EXPECT_TRUE(KeywordZuweisen(*db_, ab, "vertrag").Angehaengt);
  for (const auto& d : {stern, klammer, frage}) {
    EXPECT_TRUE(KeywordZuweisen(*db_, d, "Anlage").Angehaengt) << d.Name;
    const ZuweisungErgebnis e = KeywordZuweisen(*db_, d, "Vertrag");
    EXPECT_TRUE(e.Angehaengt) << d.Name;
    EXPECT_EQ(Von(d), (V{"Anlage", "Vertrag"})) << d.Name;
  }
  // The pair exists (folder in other case): one message, nothing added.
  const ZuweisungErgebnis e = KeywordZuweisen(*db_, {"AB.TXT", "c:\\vxm\\vxmdok\\1\\7\\3\\2"}, "VERTRAG");
  EXPECT_EQ(e.Meldung, meldung::BereitsZugewiesen);
  EXPECT_EQ(Links(), 7);
  EXPECT_EQ(Dateien(), 4);
  // A keyword that vanished meanwhile: message, no file row, no link.
  EXPECT_EQ(KeywordZuweisen(*db_, plan_, "Weg").Meldung, meldung::KeywordFehlt("Weg"));
  EXPECT_EQ(Dateien(), 4);
}

TEST_F(KeywordRegister, EntfernenLaesstKeywordUndAndereDateien) {
  KeywordsEingeben(*db_, brief_, "miete mahnung");
  KeywordsEingeben(*db_, plan_, "miete");
  EntfernenErgebnis e = KeywordEntfernen(*db_, brief_, "Miete");
  EXPECT_TRUE(e.Entfernt);
  EXPECT_FALSE(e.Abgemeldet);
  EXPECT_EQ(Von(brief_), (V{"MAHNUNG"}));
  EXPECT_EQ(Von(plan_), (V{"MIETE"}));
  EXPECT_EQ(Keywords(), (V{"MIETE", "MAHNUNG"}));
  // The last keyword: the file loses its row.
  e = KeywordEntfernen(*db_, {"brief.TXT", kOrdner}, "mahnung");
  EXPECT_TRUE(e.Abgemeldet);
  EXPECT_EQ(DateiNummer(*db_, brief_), 0);
  EXPECT_EQ(Dateien(), 1);
  EXPECT_EQ(Links(), 1);
  // A link to a keyword that no longer exists does not keep the file registered.
  const int32_t nr = DateiNummer(*db_, plan_);
  Sql("INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (" + std::to_string(nr) + ", 999)");
  EXPECT_TRUE(KeywordEntfernen(*db_, plan_, "miete").Abgemeldet);
  EXPECT_EQ(Dateien(), 0);
  EXPECT_EQ(Links(), 0);
  EXPECT_EQ(Keywords().size(), 2u);
}

TEST_F(KeywordRegister, UmbenennenFuerAlleOderNurDieseDatei) {
  KeywordsEingeben(*db_, brief_, "miete");
  KeywordsEingeben(*db_, plan_, "miete nebenkosten");
  EXPECT_EQ(DateienDesKeywords(*db_, "Miete"), 2);
  EXPECT_EQ(UmbenennenPruefen(*db_, ""), meldung::LeereEingabe);
  // Differs from an existing name only in case: refused.
  EXPECT_EQ(UmbenennenPruefen(*db_, "NEBENKOSTEN"), meldung::NameVorhanden("NEBENKOSTEN"));
  EXPECT_EQ(KeywordUmbenennenAlle(*db_, "miete", "MIETE").Meldung, meldung::NameVorhanden("MIETE"));
  EXPECT_EQ(Keywords(), (V{"MIETE", "NEBENKOSTEN"}));

  EXPECT_TRUE(KeywordUmbenennenAlle(*db_, "miete", "KALTMIETE").Geaendert);
  EXPECT_EQ(Von(brief_), (V{"KALTMIETE"}));
  EXPECT_EQ(Von(plan_), (V{"KALTMIETE", "NEBENKOSTEN"}));

  const UmbenennenErgebnis e = KeywordUmbenennenDiese(*db_, plan_, "Kaltmiete", "WARMMIETE");
  EXPECT_TRUE(e.Geaendert);
  EXPECT_EQ(Von(plan_), (V{"WARMMIETE", "NEBENKOSTEN"}));  // the link keeps its place
  EXPECT_EQ(Von(brief_), (V{"KALTMIETE"}));
  EXPECT_EQ(Keywords(), (V{"KALTMIETE", "NEBENKOSTEN", "WARMMIETE"}));
  // A file without that keyword: no orphan keyword is created.
  EXPECT_FALSE(KeywordUmbenennenDiese(*db_, brief_, "NEBENKOSTEN", "HEIZUNG").Geaendert);
  EXPECT_EQ(Keywords().size(), 3u);
  EXPECT_EQ(meldung::AlleDateienFrage(2),
            "Wollen Sie die Änderung für ALLE Dateien, die das Keywort betreffen jetzt geltend machen?\r"
            "(insgesamt konnten 2 davon betroffene Dateien gefunden werden.)");
}

TEST_F(KeywordRegister, IdsUeber32767) {
  Roh("INSERT INTO sqlite_sequence (name, seq) VALUES ('Dateiinfo', 40000), ('Keyword', 70000)");
  const EingabeErgebnis e = KeywordsEingeben(*db_, brief_, "gross");
  EXPECT_GT(e.Dateinummer, 32767);
  EXPECT_EQ(Von(brief_), (V{"GROSS"}));
  EXPECT_TRUE(KeywordEntfernen(*db_, brief_, "gross").Abgemeldet);
  EXPECT_EQ(Links(), 0);
}

}  // namespace
}  // namespace vxm
