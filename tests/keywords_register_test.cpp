// Splitting keyword input and the register operations of the main window,
// checked against the three tables.
#include <functional>

#include "basis/zustand.h"
#include "keywords/eingabe.h"
#include "keywords/register.h"
#include "keywords/serverregister.h"
#include "platform/fehler.h"
#include "platform/pgschema.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

const std::string kOrdner = "C:\\VXM\\VXMDOK\\1\\7\\3\\2";

class KeywordRegister : public test::Umgebung, public ::testing::WithParamInterface<test::Ablage> {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    VXM_ABLAGE_PRUEFEN();
    const auto datei = laufwerkC_ / "vxmdok.mdb";
    RegisterAnlegenAuf(GetParam(), datei);
    db_ = DatenbankOeffnenHost(datei);
  }
  bool Server() const { return GetParam() == test::Ablage::PostgreSQL; }
  void Sql(const std::string& sql) { db_->Execute(sql); }
  // Plain SQL of the program (SQLite's spelling, written for the engine).
  int64_t Zahl(const std::string& sql) {
    sql::Abfrage a(*db_, sql);
    return a.Zeile() ? a.ZahlSpalte(0) : -1;
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
VXM_AUF_ALLEN_ABLAGEN(KeywordRegister);

using V = std::vector<std::string>;

TEST_P(KeywordRegister, ZerlegenTrenntUndSchreibtGross) {
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

TEST_P(KeywordRegister, ZerlegenErweitertSterne) {
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

TEST_P(KeywordRegister, EingabeLegtAnMeldetAnUndVerknuepft) {
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

TEST_P(KeywordRegister, BekannteZuerstDannNeueInTippReihenfolge) {
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

TEST_P(KeywordRegister, SchlechteEingabeSchreibtNichts) {
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

TEST_P(KeywordRegister, FehlerMittendrinHinterlaesstNichts) {
  Sql("INSERT INTO Keyword (Keyword) VALUES (\"ALT\")");
  // The second link fails: neither the new keywords nor the file row stay.
  if (Server())
    RegisterRoh("CREATE FUNCTION kaputt() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                "IF (SELECT count(*) FROM \"KeywordZwischentabelle\") >= 1 THEN RAISE EXCEPTION 'kaputt'; END IF; "
                "RETURN NEW; END $$; CREATE TRIGGER kaputt BEFORE INSERT ON \"KeywordZwischentabelle\" "
                "FOR EACH ROW EXECUTE FUNCTION kaputt()");
  else
    RegisterRoh("CREATE TRIGGER kaputt BEFORE INSERT ON KeywordZwischentabelle "
                "WHEN (SELECT COUNT(*) FROM KeywordZwischentabelle) >= 1 BEGIN SELECT RAISE(ABORT, 'kaputt'); END");
  EXPECT_THROW(KeywordsEingeben(*db_, brief_, "alt eins zwei"), VbFehler);
  EXPECT_EQ(Keywords(), (V{"ALT"}));
  EXPECT_EQ(Dateien(), 0);
  EXPECT_EQ(Links(), 0);
}

TEST_P(KeywordRegister, ZuweisenPrueftGenauStattMitMuster) {
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

TEST_P(KeywordRegister, EntfernenLaesstKeywordUndAndereDateien) {
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

TEST_P(KeywordRegister, UmbenennenFuerAlleOderNurDieseDatei) {
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

TEST_P(KeywordRegister, IdsUeber32767) {
  if (Server())
    RegisterRoh("UPDATE vxm_folge SET \"Wert\" = 40000 WHERE \"Tabelle\" = 'Dateiinfo'; "
                "UPDATE vxm_folge SET \"Wert\" = 70000 WHERE \"Tabelle\" = 'Keyword'");
  else
    RegisterRoh("INSERT INTO sqlite_sequence (name, seq) VALUES ('Dateiinfo', 40000), ('Keyword', 70000)");
  const EingabeErgebnis e = KeywordsEingeben(*db_, brief_, "gross");
  EXPECT_GT(e.Dateinummer, 32767);
  EXPECT_EQ(Von(brief_), (V{"GROSS"}));
  EXPECT_TRUE(KeywordEntfernen(*db_, brief_, "gross").Abgemeldet);
  EXPECT_EQ(Links(), 0);
}

// What a run of entering and removing did: the answers and the tables after it.
std::string Verlauf(Datenbank& db, const std::function<void(const std::function<void()>&)>& aendern) {
  const AktuelleDatei brief{"Brief.txt", kOrdner}, plan{"Plan.pdf", kOrdner};
  std::string v;
  auto liste = [](const std::vector<std::string>& l) {
    std::string s = "[";
    for (const auto& x : l) s += x + "|";
    return s + "]";
  };
  auto eingeben = [&](const AktuelleDatei& d, const std::string& text) {
    aendern([&] {
      const EingabeErgebnis e = KeywordsEingeben(db, d, text);
      v += "E " + text + " neu" + liste(e.NeueKeywords) + " doppelt" + liste(e.Doppelte) +
           (e.Dateinummer == DateiNummer(db, d) ? " nr" : " falsche nr") + "\n";
    });
  };
  auto entfernen = [&](const AktuelleDatei& d, const std::string& k) {
    aendern([&] {
      const EntfernenErgebnis e = KeywordEntfernen(db, d, k);
      v += "R " + k + (e.Entfernt ? " entfernt" : "") + (e.Abgemeldet ? " abgemeldet" : "") +
           (e.Dateinummer ? "" : " ohne Datei") + "\n";
    });
  };
  eingeben(brief, "miete neu zahl*");
  eingeben(brief, "zahl* MIETE neu2 ÄRGER");
  eingeben(plan, "ärger, Öl; miete");
  entfernen(brief, "Miete");
  entfernen(brief, "unbekannt");
  entfernen({"Fehlt.txt", kOrdner}, "miete");
  entfernen({"PLAN.PDF", kOrdner}, "öl");
  entfernen(plan, "Ärger");
  entfernen(plan, "miete");
  for (const auto& d : {brief, plan}) v += d.Name + liste(KeywordsDerDateiLesen(db, DateiNummer(db, d))) + "\n";
  return v + "Keywords" + liste(AlleKeywords(db));
}

// On a server the changes run as stored procedures; inside a transaction
// the program does them step by step. Both must answer and write the same.
TEST_P(KeywordRegister, ServerProzedurenWieEinzelschritte) {
  if (!Server()) GTEST_SKIP() << "nur auf dem Server";
  ASSERT_TRUE(db_->Anbindung().HatProzedur(kProzedurEingeben));
  ASSERT_TRUE(db_->Anbindung().HatProzedur(kProzedurEntfernen));
  const std::string seltsam = "Zahl \"A\\B{1}, x";  // comes back through the server's list syntax
  auto vorbereiten = [&] {
    RegisterRoh("DELETE FROM \"KeywordZwischentabelle\"; DELETE FROM \"Dateiinfo\"; DELETE FROM \"Keyword\"; "
                "INSERT INTO \"Keyword\" (\"Keyword\") VALUES ('Miete'), ('Zahl \"A\\B{1}, x')");
  };
  vorbereiten();
  const std::string einzeln = Verlauf(*db_, [&](const std::function<void()>& f) {
    Transaktion t(*db_);
    f();
    t.Bestaetigen();
  });
  vorbereiten();
  const std::string prozedur = Verlauf(*db_, [](const std::function<void()>& f) { f(); });
  EXPECT_EQ(prozedur, einzeln);
  EXPECT_NE(prozedur.find("E zahl* MIETE neu2 ÄRGER neu[NEU2|ÄRGER|] doppelt[" + seltsam + "|Miete|] nr"),
            std::string::npos)
      << prozedur;
  EXPECT_NE(prozedur.find("R öl entfernt\nR Ärger entfernt\nR miete entfernt abgemeldet\n"), std::string::npos)
      << prozedur;
  EXPECT_NE(prozedur.find("R miete ohne Datei\n"), std::string::npos) << prozedur;
}

// A server register of an earlier version gets the procedures when it is
// next opened by one that may change it; without them the program does the
// changes itself.
TEST_P(KeywordRegister, ServerOhneProzedurenAendertSelbst) {
  if (!Server()) GTEST_SKIP() << "nur auf dem Server";
  const auto datei = laufwerkC_ / "vxmdok.mdb";
  const std::string weg = std::string("DROP PROCEDURE ") + kProzedurEingeben + "; DROP PROCEDURE " + kProzedurEntfernen;
  RegisterRoh(weg);
  db_.reset();
  db_ = DatenbankOeffnenHost(datei);  // of the same form: nothing is installed
  EXPECT_FALSE(db_->Anbindung().HatProzedur(kProzedurEingeben));
  EXPECT_EQ(KeywordsEingeben(*db_, brief_, "miete").NeueKeywords, (V{"MIETE"}));
  EXPECT_EQ(KeywordsEingeben(*db_, brief_, "miete").Doppelte, (V{"MIETE"}));
  EXPECT_TRUE(KeywordEntfernen(*db_, brief_, "miete").Abgemeldet);

  RegisterRoh("COMMENT ON FUNCTION vxm_falten(text) IS 'Faltung 0, Form 2'");
  db_.reset();
  db_ = DatenbankOeffnenHost(datei);
  EXPECT_TRUE(db_->Anbindung().HatProzedur(kProzedurEingeben));
  EXPECT_TRUE(db_->Anbindung().HatProzedur(kProzedurEntfernen));
  EXPECT_EQ(KeywordsEingeben(*db_, plan_, "miete").Doppelte, V{});
  EXPECT_EQ(Von(plan_), (V{"MIETE"}));
}

TEST(ServerListe, HinUndZurueck) {
  const std::vector<std::string> werte{"", "a", "mit Leer", "\"", "\\", "a,b", "{x}", "NULL", "Ä\xe2\x82\xac"};
  EXPECT_EQ(ServerListeLesen(ServerListe(werte)), werte);
  EXPECT_EQ(ServerListeLesen("{}"), std::vector<std::string>{});
  // As the server writes a text[]: plain elements without quotes.
  EXPECT_EQ(ServerListeLesen("{MIETE,\"a b\",\"x\\\"y\"}"), (std::vector<std::string>{"MIETE", "a b", "x\"y"}));
  for (const char* kaputt : {"", "{", "MIETE", "{\"offen}", "{a\"b\"c}"})
    EXPECT_THROW(ServerListeLesen(kaputt), VbFehler) << kaputt;
}

}  // namespace
}  // namespace vxm
