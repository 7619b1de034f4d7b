#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "platform/datenbank.h"
#include "platform/fehler.h"
#include "platform/sqliteprozess.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

template <typename F>
int32_t FehlerNummer(F&& f) {
  try {
    f();
  } catch (const VbFehler& e) {
    return e.Nummer;
  }
  return 0;
}

std::string Lesen(const fs::path& p) {
  std::ifstream d(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(d)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Spalte(Recordset rs, const std::string& feld) {
  std::vector<std::string> aus;
  for (; !rs.Eof(); rs.MoveNext()) aus.push_back(rs.Text(feld));
  return aus;
}

class DatenbankTestBasis : public test::Umgebung {
 protected:
  void Einrichten(test::Ablage a) {
    OrdnerAnlegenHost("C:\\VXM\\VXMDAT");
    register_ = RegisterAnlegenAuf(a, Host("C:\\VXM\\VXMDAT\\vxmdok.mdb"));
  }
  std::shared_ptr<Datenbank> Register() { return DatenbankOeffnen("C:\\VXM\\VXMDAT\\vxmdok.mdb"); }

  // Adds a file row through a record set, as the register operations do.
  // A register of 2000 files at `p` (the program's register file), its
  // write-ahead log folded into the file and switched off.
  bool RegisterOhneProtokoll(const fs::path& p) {
    {
      auto db = Register();
      Transaktion t(*db);
      for (int i = 0; i < 2000; ++i) DateiEintragen(*db, "Brief " + std::to_string(i) + ".txt", "C:\\A");
      t.Bestaetigen();
    }
    sqlite3* roh = nullptr;
    const bool offen = sqlite3_open(p.c_str(), &roh) == SQLITE_OK;
    if (offen) sqlite3_exec(roh, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    sqlite3_close(roh);
    return offen;
  }

  int32_t DateiEintragen(Datenbank& db, const std::string& name, const std::string& ordner) {
    Recordset rs = db.OpenRecordset("SELECT * FROM Dateiinfo");
    rs.AddNew();
    const int32_t nr = rs.Zahl("Dateinummer");
    rs.FeldSetzen("Dateiname", name);
    rs.FeldSetzen("Dateipfad", ordner);
    rs.Update();
    return nr;
  }
  std::string register_;  // what opens the register directly (path or server)
};

// The file's own behaviour (damage, attributes, log): SQLite only.
class DatenbankTest : public DatenbankTestBasis {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    Einrichten(test::Ablage::SQLite);
  }
};

// Record sets, transactions and errors: on every engine.
class DatenbankAblageTest : public DatenbankTestBasis, public ::testing::WithParamInterface<test::Ablage> {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    if (GetParam() == test::Ablage::PostgreSQL && test::PgTestServer().empty()) GTEST_SKIP() << test::kOhnePgServer;
    Einrichten(GetParam());
  }
  bool Server() const { return GetParam() == test::Ablage::PostgreSQL; }
};
INSTANTIATE_TEST_SUITE_P(Ablagen, DatenbankAblageTest,
                         ::testing::Values(test::Ablage::SQLite, test::Ablage::PostgreSQL), test::AblageName);

TEST_F(DatenbankTest, FehlendeDateiGibt3024UndWirdNichtAngelegt) {
  EXPECT_EQ(FehlerNummer([] { DatenbankOeffnen("C:\\VXM\\VXMDAT\\fehlt.mdb"); }), fehlernr::DatenbankFehlt);
  EXPECT_FALSE(fs::exists(Host("C:\\VXM\\VXMDAT\\fehlt.mdb")));
  EXPECT_EQ(FehlerNummer([] { DatenbankOeffnen("C:\\GIBTS\\NICHT\\x.mdb"); }), fehlernr::DatenbankFehlt);
  EXPECT_EQ(FehlerNummer([] { DatenbankOeffnen("Q:\\x.mdb"); }), fehlernr::DatenbankFehlt);
  EXPECT_EQ(FehlerNummer([] { DatenbankOeffnen(""); }), fehlernr::DatenbankFehlt);
  // a folder is no database file either
  EXPECT_EQ(FehlerNummer([] { DatenbankOeffnen("C:\\VXM\\VXMDAT"); }), fehlernr::DatenbankFehlt);
}

TEST_P(DatenbankAblageTest, DateinameOhneBeachtungDerSchreibweise) {
  auto a = DatenbankOeffnen("c:\\vxm\\vxmdat\\VXMDOK.MDB");
  auto b = Register();
  EXPECT_EQ(a.get(), b.get());  // one connection per file on this thread
}

TEST_F(DatenbankTest, BeschaedigteDateiGibtKlarenFehlerUndBleibtUnveraendert) {
  const fs::path kaputt = Host("C:\\VXM\\VXMDAT\\kaputt.mdb");
  std::string muell(8192, 'x');
  std::ofstream(kaputt, std::ios::binary) << muell;
  try {
    DatenbankOeffnen("C:\\VXM\\VXMDAT\\kaputt.mdb");
    FAIL() << "kein Fehler";
  } catch (const VbFehler& f) {
    EXPECT_EQ(f.Nummer, fehlernr::UnbekanntesFormat);
    EXPECT_NE(f.Beschreibung.find("beschädigt"), std::string::npos) << f.Beschreibung;
  }
  EXPECT_EQ(Lesen(kaputt), muell);
  EXPECT_FALSE(fs::exists(kaputt.string() + "-wal"));

  // an empty file would silently become a new database
  const fs::path leer = Host("C:\\VXM\\VXMDAT\\leer.mdb");
  std::ofstream(leer, std::ios::binary).flush();
  EXPECT_EQ(FehlerNummer([] { DatenbankOeffnen("C:\\VXM\\VXMDAT\\leer.mdb"); }), fehlernr::UnbekanntesFormat);
  EXPECT_EQ(fs::file_size(leer), 0u);
}

TEST_F(DatenbankTest, AbgeschnitteneDateiGibtFehlerStattAbsturz) {
  const fs::path p = Host("C:\\VXM\\VXMDAT\\vxmdok.mdb");
  // the write-ahead log folded into the file, then the file cut short
  ASSERT_TRUE(RegisterOhneProtokoll(p));
  fs::resize_file(p, fs::file_size(p) / 2);
  const std::string vorher = Lesen(p);
  // a file not yet in log mode is checked whole before it is switched
  EXPECT_EQ(FehlerNummer([] { DatenbankOeffnen("C:\\VXM\\VXMDAT\\vxmdok.mdb"); }),
            fehlernr::UnbekanntesFormat);
  EXPECT_EQ(Lesen(p), vorher);
  EXPECT_FALSE(fs::exists(p.string() + "-wal"));
}

// A process that only reads (the search tool) opens a damaged register
// without reading it whole; its first write still checks it first and
// writes nothing into it.
TEST_F(DatenbankTest, NurLesenderProzessPrueftErstVorDemErstenSchreiben) {
  const fs::path p = Host("C:\\VXM\\VXMDAT\\vxmdok.mdb");
  // A leaf page of the file table in the middle turned to garbage, out of
  // the log: opening does not read it.
  ASSERT_TRUE(RegisterOhneProtokoll(p));
  long seite = 0;
  {
    sqlite3* roh = nullptr;
    ASSERT_EQ(sqlite3_open(p.c_str(), &roh), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(roh, "SELECT pageno FROM dbstat WHERE name = 'Dateiinfo' AND pagetype = 'leaf' LIMIT 1 OFFSET 5",
                           -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
      seite = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
    sqlite3_close(roh);
  }
  if (seite == 0) GTEST_SKIP() << "SQLite ohne dbstat";
  {
    std::fstream d(p, std::ios::in | std::ios::out | std::ios::binary);
    d.seekp((seite - 1) * 4096);
    const std::string muell(4096, '\x5A');
    d.write(muell.data(), static_cast<std::streamsize>(muell.size()));
  }
  const std::string vorher = Lesen(p);
  struct Aufgeschoben {
    Aufgeschoben() { SchreibpruefungAufschieben(true); }
    ~Aufgeschoben() { SchreibpruefungAufschieben(false); }
  } aufgeschoben;
  auto db = DatenbankOeffnen("C:\\VXM\\VXMDAT\\vxmdok.mdb");
  EXPECT_EQ(FehlerNummer([&] {
              Transaktion t(*db);
              DateiEintragen(*db, "Neu.txt", "C:\\A");
              t.Bestaetigen();
            }),
            fehlernr::UnbekanntesFormat);
  db.reset();
  EXPECT_EQ(Lesen(p), vorher);
  EXPECT_FALSE(fs::exists(p.string() + "-wal"));
}

TEST_F(DatenbankTest, ImBetriebBeschaedigtWirdNichtMehrBeschrieben) {
  const fs::path p = Host("C:\\VXM\\VXMDAT\\vxmdok.mdb");
  {
    auto db = Register();
    Transaktion t(*db);
    for (int i = 0; i < 2000; ++i) DateiEintragen(*db, "Brief " + std::to_string(i) + ".txt", "C:\\A");
    t.Bestaetigen();
  }
  auto db = Register();
  fs::resize_file(p, fs::file_size(p) / 2);  // damaged under the open connection
  const std::string vorher = Lesen(p);
  EXPECT_EQ(FehlerNummer([&] {
              Recordset rs = db->OpenRecordset("SELECT * FROM Dateiinfo");
              while (!rs.Eof()) rs.MoveNext();
            }),
            fehlernr::UnbekanntesFormat);
  EXPECT_EQ(FehlerNummer([&] { db->Execute("DELETE FROM Keyword"); }), fehlernr::UnbekanntesFormat);
  EXPECT_EQ(FehlerNummer([&] { Transaktion t(*db); }), fehlernr::UnbekanntesFormat);
  db.reset();
  EXPECT_EQ(Lesen(p), vorher);
}

// A register in log mode with garbage on one table page: the check at
// start-up finds it, so nothing is written to it (before, every write that
// did not touch that page went through).
TEST_F(DatenbankTest, BeschaedigteSeiteImProtokollmodusWirdNieBeschrieben) {
  const fs::path p = Host("C:\\VXM\\VXMDAT\\vxmdok.mdb");
  int seite = 0, seitengroesse = 0;
  {
    // filled by another program, so this process has not checked it yet
    sqlite3* roh = nullptr;
    ASSERT_EQ(sqlite3_open(p.c_str(), &roh), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(roh,
                           "BEGIN; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50) "
                           "INSERT INTO Keyword (Keyword, KeywordSchluessel) SELECT 'K' || i, 'K' || i FROM n; COMMIT; "
                           "PRAGMA wal_checkpoint(TRUNCATE);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(roh, "SELECT (SELECT rootpage FROM sqlite_schema WHERE name = 'Keyword'), "
                                      "(SELECT page_size FROM pragma_page_size), "
                                      "(SELECT journal_mode FROM pragma_journal_mode)",
                                 -1, &s, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    seite = sqlite3_column_int(s, 0);
    seitengroesse = sqlite3_column_int(s, 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 2)), "wal");
    sqlite3_finalize(s);
    sqlite3_close(roh);
  }
  ASSERT_GT(seite, 1);
  {
    std::fstream d(p, std::ios::in | std::ios::out | std::ios::binary);
    d.seekp(static_cast<std::streamoff>(seite - 1) * seitengroesse);
    const std::string muell(static_cast<std::size_t>(seitengroesse), '\xA5');
    d.write(muell.data(), static_cast<std::streamsize>(muell.size()));
  }
  const std::string vorher = Lesen(p);

  for (int versuch = 0; versuch < 3; ++versuch) {
    try {
      auto db = Register();
      db->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (\"a.txt\", \"C:\\A\")");
      Recordset rs = db->TabelleOeffnen("Dateiinfo");
      rs.AddNew();
      rs.FeldSetzen("Dateiname", "b.txt");
      rs.Update();
      FAIL() << "Schreiben in ein beschädigtes Register angenommen";
    } catch (const VbFehler& f) {
      EXPECT_EQ(f.Nummer, fehlernr::UnbekanntesFormat) << f.Beschreibung;
      EXPECT_NE(f.Beschreibung.find("beschädigt"), std::string::npos) << f.Beschreibung;
    }
  }
  EXPECT_EQ(Lesen(p), vorher);
  const fs::path protokoll = p.string() + "-wal";
  EXPECT_TRUE(!fs::exists(protokoll) || fs::file_size(protokoll) == 0);
}

TEST_F(DatenbankTest, SchreibgeschuetzteDateiLesbarAberNichtBeschreibbar) {
  {
    auto db = Register();
    DateiEintragen(*db, "a.txt", "C:\\A");
  }
  const fs::path p = Host("C:\\VXM\\VXMDAT\\vxmdok.mdb");
  HostDateisystem::SchreibgeschuetztSetzen(p, true);
  auto db = Register();
  EXPECT_EQ(db->OpenRecordset("SELECT * FROM Dateiinfo").RecordCount(), 1);
  EXPECT_EQ(FehlerNummer([&] { db->Execute("DELETE FROM Dateiinfo"); }), fehlernr::SchreibgeschuetztDb);
  Recordset rs = db->OpenRecordset("SELECT * FROM Dateiinfo");
  rs.Edit();
  rs.FeldSetzen("Dateiname", "b.txt");
  EXPECT_EQ(FehlerNummer([&] { rs.Update(); }), fehlernr::SchreibgeschuetztDb);
  db.reset();
  HostDateisystem::SchreibgeschuetztSetzen(p, false);
  EXPECT_EQ(Register()->OpenRecordset("SELECT * FROM Dateiinfo WHERE Dateiname = \"a.txt\"").RecordCount(), 1);
}

TEST_P(DatenbankAblageTest, NeuerSchluesselVorUpdateLesbarUndDanachGespeichert) {
  auto db = Register();
  Recordset rs = db->TabelleOeffnen("Dateiinfo");
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(rs.RecordCount(), 0);
  rs.AddNew();
  EXPECT_EQ(rs.Zahl("Dateinummer"), 1);
  EXPECT_TRUE(rs.Feld("Dateiname").IstNull());
  rs.FeldSetzen("Dateiname", "Mietvertrag Müller.pdf");
  rs.FeldSetzen("Dateipfad", "C:\\VXM\\VXMDOK\\1\\7");
  EXPECT_EQ(rs.Text("dateiname"), "Mietvertrag Müller.pdf");
  rs.Update();
  EXPECT_EQ(rs.RecordCount(), 1);

  rs.AddNew();
  EXPECT_EQ(rs.Zahl("Dateinummer"), 2);
  rs.CancelUpdate();  // nothing stored, the lock is given back
  EXPECT_EQ(DateiEintragen(*db, "b.txt", "C:\\B"), 2);

  Recordset alle = db->OpenRecordset("SELECT * FROM Dateiinfo");
  ASSERT_EQ(alle.RecordCount(), 2);
  EXPECT_EQ(alle.Zahl("Dateinummer"), 1);
  EXPECT_EQ(alle.Text("DATEIPFAD"), "C:\\VXM\\VXMDOK\\1\\7");
  EXPECT_EQ(alle.Text("Dateiinfo.Dateiname"), "Mietvertrag Müller.pdf");
  EXPECT_EQ(alle.Text("DateinameSchluessel"), "MIETVERTRAG MÜLLER.PDF");  // kept by the layer

  // a deleted last row's number is not given again
  alle.MoveLast();
  alle.Delete();
  EXPECT_EQ(DateiEintragen(*db, "c.txt", "C:\\C"), 3);
}

TEST_P(DatenbankAblageTest, ZweiOffeneAddNewVerlierenNichts) {
  auto db = Register();
  Recordset a = db->TabelleOeffnen("Keyword");
  Recordset b = db->TabelleOeffnen("Keyword");
  a.AddNew();
  b.AddNew();
  EXPECT_EQ(a.Zahl("KeywordID"), 1);
  b.FeldSetzen("Keyword", "B");
  b.FeldSetzen("KeywordID", 2);
  b.Update();
  a.CancelUpdate();  // must not take b's row with it
  Recordset c = db->TabelleOeffnen("Keyword");
  c.AddNew();
  c.FeldSetzen("Keyword", "C");
  {
    Recordset d = db->TabelleOeffnen("Keyword");
    d.AddNew();  // left open: dropped with the record set
  }
  c.Update();
  EXPECT_EQ(Spalte(db->OpenRecordset("SELECT * FROM Keyword"), "Keyword"), (std::vector<std::string>{"B", "C"}));
  // no transaction is left open: another connection can write
  RegisterRoh(Server() ? "INSERT INTO \"Keyword\" (\"Keyword\") VALUES ('D')" : "INSERT INTO Keyword (Keyword) VALUES ('D')");
}

TEST_P(DatenbankAblageTest, FeldnamenOhneFallUndUnbekanntesFeld3265) {
  auto db = Register();
  DateiEintragen(*db, "a.txt", "C:\\A");
  Recordset rs = db->OpenRecordset(
      "SELECT Dateiinfo.Dateiname, Dateiinfo.Dateinummer FROM Dateiinfo WHERE Dateiinfo.Dateinummer = 1");
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Text("DATEINAME"), "a.txt");
  EXPECT_EQ(rs.Text("[Dateiname]"), "a.txt");
  EXPECT_EQ(rs.Text("dateiinfo.dateiname"), "a.txt");
  EXPECT_EQ(FehlerNummer([&] { rs.Feld("Dateipfad"); }), fehlernr::FeldFehlt);
  EXPECT_EQ(FehlerNummer([&] { rs.Feld("VXMDOKPfad"); }), fehlernr::FeldFehlt);
  rs.Edit();
  EXPECT_EQ(FehlerNummer([&] { rs.FeldSetzen("Gibtsnicht", 1); }), fehlernr::FeldFehlt);
  rs.CancelUpdate();
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(FehlerNummer([&] { rs.Feld("Dateiname"); }), fehlernr::KeinAktuellerDatensatz);
  EXPECT_EQ(FehlerNummer([&] { rs.MoveNext(); }), fehlernr::KeinAktuellerDatensatz);
}

TEST_P(DatenbankAblageTest, ZeilenInTabellenreihenfolgeAuchNachLoeschenUndNeuenZeilen) {
  auto db = Register();
  for (const char* n : {"zeta.txt", "Alpha.txt", "mitte.txt", "beta.txt"}) DateiEintragen(*db, n, "C:\\A");
  db->Execute("DELETE FROM Dateiinfo WHERE Dateiname = \"Alpha.txt\"");
  DateiEintragen(*db, "aaa.txt", "C:\\A");
  // The index on the folded names would give name order; the walk must not.
  Recordset rs = db->OpenRecordset("SELECT * FROM Dateiinfo WHERE Dateipfad = \"c:\\a\"");
  std::vector<std::string> namen;
  for (; !rs.Eof(); rs.MoveNext()) namen.push_back(rs.Text("Dateiname"));
  EXPECT_EQ(namen, (std::vector<std::string>{"zeta.txt", "mitte.txt", "beta.txt", "aaa.txt"}));
  DateiEintragen(*db, "Ärger.txt", "C:\\A");
  DateiEintragen(*db, "Zürich.txt", "C:\\A");
  Recordset nachName = db->OpenRecordset("SELECT Dateiname FROM Dateiinfo ORDER BY Dateiname");
  namen.clear();
  for (; !nachName.Eof(); nachName.MoveNext()) namen.push_back(nachName.Text("Dateiname"));
  // case-blind, umlauts beside their base letter
  EXPECT_EQ(namen, (std::vector<std::string>{"aaa.txt", "Ärger.txt", "beta.txt", "mitte.txt", "zeta.txt",
                                             "Zürich.txt"}));
}

TEST_P(DatenbankAblageTest, BearbeitenLoeschenUndWandern) {
  auto db = Register();
  for (int i = 1; i <= 5; ++i) DateiEintragen(*db, "d" + std::to_string(i) + ".txt", "C:\\A");
  Recordset rs = db->OpenRecordset("SELECT * FROM Dateiinfo");
  EXPECT_EQ(rs.RecordCount(), 5);
  rs.MoveNext();
  rs.Edit();
  rs.FeldSetzen("Dateipfad", "C:\\NEU");
  rs.Update();
  EXPECT_EQ(rs.Text("Dateipfad"), "C:\\NEU");
  EXPECT_EQ(rs.Text("DateipfadSchluessel"), "C:\\NEU");
  // delete every other row while walking, as the register upkeep does
  rs.MoveFirst();
  int i = 0;
  while (!rs.Eof()) {
    if (i++ % 2 == 0) rs.Delete();
    rs.MoveNext();
  }
  EXPECT_EQ(rs.RecordCount(), 2);
  rs.MoveFirst();
  EXPECT_EQ(rs.Text("Dateiname"), "d2.txt");
  rs.MoveLast();
  EXPECT_EQ(rs.Text("Dateiname"), "d4.txt");
  rs.MovePrevious();
  EXPECT_EQ(rs.Text("Dateiname"), "d2.txt");
  rs.MovePrevious();
  EXPECT_TRUE(rs.Bof());

  Recordset neu = db->OpenRecordset("SELECT * FROM Dateiinfo");
  ASSERT_EQ(neu.RecordCount(), 2);
  EXPECT_EQ(neu.Text("Dateipfad"), "C:\\NEU");

  // a join cannot be changed
  Recordset join = db->OpenRecordset(
      "SELECT Keyword.Keyword FROM Keyword INNER JOIN KeywordZwischentabelle ON Keyword.KeywordID = "
      "KeywordZwischentabelle.KeywordID");
  EXPECT_EQ(FehlerNummer([&] { join.AddNew(); }), fehlernr::SchreibgeschuetztDb);
  EXPECT_EQ(FehlerNummer([&] { neu.FeldSetzen("Dateiname", "x"); }), fehlernr::OhneEditOderAddNew);
  EXPECT_EQ(FehlerNummer([&] { neu.Update(); }), fehlernr::OhneEditOderAddNew);
}

TEST_P(DatenbankAblageTest, LeereDatensatzgruppe) {
  auto db = Register();
  Recordset rs = db->OpenRecordset("SELECT * FROM Keyword");
  EXPECT_TRUE(rs.Eof());
  EXPECT_TRUE(rs.Bof());
  rs.MoveFirst();  // harmless on an empty set
  rs.MoveLast();
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(FehlerNummer([&] { rs.Edit(); }), fehlernr::KeinAktuellerDatensatz);
  EXPECT_EQ(FehlerNummer([&] { rs.Delete(); }), fehlernr::KeinAktuellerDatensatz);
  // a new row in an empty set: the set stays at its end
  rs.AddNew();
  rs.FeldSetzen("Keyword", "MIETE");
  rs.Update();
  EXPECT_EQ(rs.RecordCount(), 1);
  EXPECT_TRUE(rs.Eof());
  rs.MoveFirst();
  EXPECT_EQ(rs.Text("Keyword"), "MIETE");
  Recordset leer;
  EXPECT_TRUE(leer.Eof());
  EXPECT_EQ(leer.RecordCount(), 0);
}

TEST_P(DatenbankAblageTest, DoppeltGequoteterTextIstLiteralAuchBeiGleichnamigerSpalte) {
  auto db = Register();
  for (const char* k : {"MIETE", "KEYWORD", "Heizung"}) {
    Recordset rs = db->OpenRecordset("SELECT * FROM Keyword");
    rs.AddNew();
    rs.FeldSetzen("Keyword", k);
    rs.Update();
  }
  // SQLite alone would compare the column with itself and match every row
  Recordset rs = db->OpenRecordset("SELECT * FROM Keyword WHERE Keyword = \"Keyword\"");
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs.Text("Keyword"), "KEYWORD");
  EXPECT_EQ(db->OpenRecordset("SELECT * FROM Keyword WHERE Keyword = \"heizung\"").RecordCount(), 1);
  EXPECT_EQ(db->OpenRecordset("SELECT * FROM Keyword WHERE Keyword <> \"HEIZUNG\"").RecordCount(), 2);
  EXPECT_EQ(db->OpenRecordset("SELECT * FROM Keyword WHERE Keyword = 'mi''ete'").RecordCount(), 0);
  db->Execute("INSERT INTO Keyword (Keyword) VALUES (\"heizung\")");
  Recordset gruppen = db->OpenRecordset("SELECT Keyword, COUNT(*) AS n FROM Keyword GROUP BY Keyword ORDER BY Keyword");
  ASSERT_EQ(gruppen.RecordCount(), 3);  // Heizung and heizung are one group
  EXPECT_EQ(gruppen.Zahl("n"), 2);
  EXPECT_EQ(db->Execute("UPDATE Keyword SET Keyword = \"Wasser \"\"kalt\"\"\" WHERE Keyword = \"miete\""), 1);
  Recordset w = db->OpenRecordset("SELECT * FROM Keyword WHERE KeywordID = 1");
  EXPECT_EQ(w.Text("Keyword"), "Wasser \"kalt\"");
  EXPECT_EQ(w.Text("KeywordSchluessel"), "WASSER \"KALT\"");  // Execute keeps the shadow too
}

TEST_P(DatenbankAblageTest, TransaktionVerwirftOhneBestaetigung) {
  auto db = Register();
  {
    Transaktion t(*db);
    DateiEintragen(*db, "a.txt", "C:\\A");
    {
      Transaktion innen(*db);
      DateiEintragen(*db, "b.txt", "C:\\A");
      innen.Bestaetigen();
    }
    {
      Transaktion innen(*db);
      DateiEintragen(*db, "c.txt", "C:\\A");
    }  // only c is dropped
    EXPECT_EQ(db->OpenRecordset("SELECT * FROM Dateiinfo").RecordCount(), 2);
  }
  EXPECT_EQ(db->OpenRecordset("SELECT * FROM Dateiinfo").RecordCount(), 0);
  {
    Transaktion t(*db);
    DateiEintragen(*db, "a.txt", "C:\\A");
    t.Bestaetigen();
  }
  EXPECT_EQ(db->OpenRecordset("SELECT * FROM Dateiinfo").RecordCount(), 1);
  EXPECT_EQ(FehlerNummer([&] { db->Bestaetigen(); }), 3034);
}

TEST_P(DatenbankAblageTest, FehlerHabenKlareBeschreibung) {
  auto db = Register();
  EXPECT_EQ(FehlerNummer([&] { db->OpenRecordset("SELECT * FROM Gibtsnicht"); }), fehlernr::TabelleFehlt);
  EXPECT_EQ(FehlerNummer([&] { db->OpenRecordset("SELECT Quatsch FROM Keyword"); }), fehlernr::UnbekannteSpalte);
  EXPECT_EQ(FehlerNummer([&] { db->OpenRecordset("SELECT * FROM Keyword WHERE Keyword = \"offen"); }),
            fehlernr::SyntaxFehler);
  EXPECT_EQ(FehlerNummer([&] { db->OpenRecordset("SELEKT * FROM Keyword"); }), fehlernr::SyntaxFehler);
  EXPECT_EQ(FehlerNummer([&] { db->OpenRecordset("DELETE FROM Keyword"); }), 3219);
  EXPECT_EQ(FehlerNummer([&] { db->TabelleOeffnen("Gibtsnicht"); }), fehlernr::TabelleFehlt);
}

TEST_P(DatenbankAblageTest, DatenquelleMitSqlOderTabellenname) {
  Datenquelle doc("DOC_DATA"), sw("SW_DATA");
  DatenquellenVerbinden({&doc, &sw}, "Access 2000;");
  EXPECT_EQ(sw.Connect, "Access 2000;");
  doc.DatabaseName = sw.DatabaseName = "C:\\VXM\\VXMDAT\\vxmdok.mdb";
  doc.RecordSource = "Keyword";
  doc.Refresh();
  EXPECT_TRUE(doc.Rs().Eof());
  doc.Rs().AddNew();
  doc.Rs().FeldSetzen("Keyword", "Müll");
  doc.Rs().Update();
  sw.RecordSource = "SELECT * FROM Keyword WHERE Keyword = \"MÜLL\"";
  sw.Refresh();
  EXPECT_EQ(sw.Rs().RecordCount(), 1);
  EXPECT_EQ(&doc.Database(), &sw.Database());

  Datenquelle fehlt("FIData");
  fehlt.DatabaseName = "C:\\VXM\\VXMDAT\\firma.mdb";
  fehlt.RecordSource = "SELECT * FROM AllgFirmenDaten";
  EXPECT_EQ(FehlerNummer([&] { fehlt.Refresh(); }), fehlernr::DatenbankFehlt);
  EXPECT_TRUE(fehlt.Rs().Eof());
}

TEST_P(DatenbankAblageTest, AnlegenUeberschreibtNichts) {
  EXPECT_EQ(FehlerNummer([&] { RegisterAnlegen(register_); }), fehlernr::DatenbankExistiert);
  const std::string firma = Host("C:\\VXM\\VXMDAT\\firma.mdb").string();
  FirmendatenAnlegen(firma);
  HostdatenAnlegen(Host("C:\\VXM\\VXMDAT\\vxmdaten.mdb").string());
  auto db = DatenbankOeffnen("C:\\VXM\\VXMDAT\\firma.mdb");
  Recordset rs = db->OpenRecordset("SELECT * FROM AllgFirmenDaten");
  rs.AddNew();
  rs.FeldSetzen("VXMDOKPfad", "");
  rs.Update();
  rs.MoveFirst();
  EXPECT_EQ(rs.Text("VXMDOKPfad"), "");
  auto daten = DatenbankOeffnen("C:\\VXM\\VXMDAT\\vxmdaten.mdb");
  daten->Execute("INSERT INTO ObjDaten (objnummer, ObjBezeichnung) VALUES (7, \"Wohnanlage Müllerstraße 12\")");
  Recordset o = daten->OpenRecordset("SELECT ObjBezeichnung FROM ObjDaten WHERE objnummer = 7");
  EXPECT_EQ(o.Text("ObjBezeichnung"), "Wohnanlage Müllerstraße 12");
  EXPECT_EQ(FehlerNummer([] { RegisterAnlegen("/gibts/nicht/ordner/x.mdb"); }), fehlernr::DatenbankFehler);
}

}  // namespace
}  // namespace vxm
