// Every SQL text the component sends, run as written against a filled
// register and host data database.
#include <string>
#include <vector>

#include "platform/datenbank.h"
#include "platform/fehler.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

std::string N(int32_t n) { return std::to_string(n); }

std::vector<std::string> Spalte(Recordset rs, const std::string& feld) {
  std::vector<std::string> aus;
  for (; !rs.Eof(); rs.MoveNext()) aus.push_back(rs.Text(feld));
  return aus;
}

class RegisterSqlTest : public test::Umgebung, public ::testing::WithParamInterface<test::Ablage> {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    VXM_ABLAGE_PRUEFEN();
    OrdnerAnlegenHost("C:\\VXM\\VXMDAT");
    RegisterAnlegenAuf(GetParam(), Host("C:\\VXM\\VXMDAT\\vxmdok.mdb"));
    HostdatenAnlegen(Host("C:\\VXM\\VXMDAT\\vxmdaten.mdb").string());
    FirmendatenAnlegen(Host("C:\\VXM\\VXMDAT\\firma.mdb").string());
    reg_ = DatenbankOeffnen("C:\\VXM\\VXMDAT\\vxmdok.mdb");
    Transaktion t(*reg_);
    // keywords 1..5; KAUTION comes before Heizung in table order
    for (const char* k : {"MIETE", "KAUTION", "Heizung", "MÜLL", "WASSER"})
      reg_->Execute(std::string("INSERT INTO Keyword (Keyword) VALUES (\"") + k + "\")");
    // files 1..6
    const char* dateien[][2] = {
        {"Mietvertrag.pdf", "C:\\VXM\\VXMDOK\\1\\7\\3\\2"},
        {"Brief Müller.txt", "C:\\VXM\\VXMDOK\\1\\7\\3\\2\\Korrespondenz"},
        {"Foto Keller.png", "C:\\VXM\\VXMDOK\\1\\7"},
        {"Plan*.pdf", "C:\\VXM\\VXMDOK\\1\\7"},
        {"Plan 2.pdf", "C:\\VXM\\VXMDOK\\1\\7"},
        {"Abrechnung 2024.pdf", "C:\\VXM\\VXMDOK\\1\\8"},
    };
    for (auto& d : dateien)
      reg_->Execute(std::string("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (\"") + d[0] + "\", \"" +
                    d[1] + "\")");
    // links (file, keyword) in this order
    const int links[][2] = {{1, 1}, {1, 2}, {2, 4}, {2, 1}, {3, 3}, {5, 3}, {6, 1}, {6, 3}, {1, 3}};
    for (auto& l : links)
      reg_->Execute("INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (" + N(l[0]) + ", " +
                    N(l[1]) + ")");
    t.Bestaetigen();

    auto daten = DatenbankOeffnen("C:\\VXM\\VXMDAT\\vxmdaten.mdb");
    daten->Execute("INSERT INTO ObjDaten (objnummer, ObjBezeichnung) VALUES (7, \"Wohnanlage Müllerstraße 12, "
                   "Hinterhaus mit Garagen\")");
    daten->Execute("INSERT INTO Bestandseinheitsdaten (BeObjNr, BeBeNr, BeTuerNr) VALUES (7, 3, \"Top 3/2.OG\")");
    daten->Execute("INSERT INTO Bestandnehmerdaten (BnObjNr, BnBeNr, BnBnNr, BnName) VALUES (7, 3, 2, "
                   "\"Jürgen Bäcker\")");
  }

  Datenquelle Quelle(const std::string& name, const std::string& datei) {
    Datenquelle q(name);
    q.DatabaseName = "C:\\VXM\\VXMDAT\\" + datei;
    q.Connect = "Access";
    return q;
  }

  Recordset Sql(const std::string& text) {
    Datenquelle q = Quelle("DOC_DATA", "vxmdok.mdb");
    q.RecordSource = text;
    q.Refresh();
    return std::move(q.Rs());
  }

  std::shared_ptr<Datenbank> reg_;
};
VXM_AUF_ALLEN_ABLAGEN(RegisterSqlTest);

TEST_P(RegisterSqlTest, BeschriftungenDerHostdaten) {
  Datenquelle oo = Quelle("OO_DATA", "vxmdaten.mdb");
  oo.RecordSource = "SELECT ObjBezeichnung FROM ObjDaten WHERE objnummer = " + N(7);
  oo.Refresh();
  ASSERT_EQ(oo.Rs().RecordCount(), 1);
  EXPECT_EQ(oo.Rs().Text("ObjBezeichnung"), "Wohnanlage Müllerstraße 12, Hinterhaus mit Garagen");
  Datenquelle be = Quelle("BE_DATA", "vxmdaten.mdb");
  be.RecordSource = "SELECT BeTuerNr FROM Bestandseinheitsdaten" + std::string(" WHERE BeObjNr = ") + "7" +
                    " AND BeBeNr = " + "3";
  be.Refresh();
  EXPECT_EQ(be.Rs().Text("BeTuerNr"), "Top 3/2.OG");
  Datenquelle bn = Quelle("BN_DATA", "vxmdaten.mdb");
  bn.RecordSource = "SELECT BnName FROM Bestandnehmerdaten WHERE BnObjNr = 7 AND BnBeNr = 3 AND BnBnNr = 2";
  bn.Refresh();
  EXPECT_EQ(bn.Rs().Text("BnName"), "Jürgen Bäcker");
  bn.RecordSource = "SELECT BnName FROM Bestandnehmerdaten WHERE BnObjNr = 7 AND BnBeNr = 3 AND BnBnNr = 12";
  bn.Refresh();
  EXPECT_EQ(bn.Rs().RecordCount(), 0);

  Datenquelle fi = Quelle("FIData", "firma.mdb");
  fi.RecordSource = "SELECT * FROM AllgFirmenDaten";
  fi.Refresh();
  EXPECT_EQ(fi.Rs().RecordCount(), 0);
  fi.Rs().AddNew();
  fi.Rs().FeldSetzen("VXMDOKPfad", "D:\\A");
  fi.Rs().Update();
  fi.Refresh();
  fi.Rs().Edit();
  fi.Rs().FeldSetzen("VXMDOKPfad", "D:\\B");
  fi.Rs().Update();
  fi.Refresh();
  EXPECT_EQ(fi.Rs().Text("VXMDOKPfad"), "D:\\B");
}

TEST_P(RegisterSqlTest, AbfragenDerSchlagwortverwaltung) {
  EXPECT_EQ(Spalte(Sql("SELECT * FROM Keyword"), "keyword"),
            (std::vector<std::string>{"MIETE", "KAUTION", "Heizung", "MÜLL", "WASSER"}));
  EXPECT_EQ(Spalte(Sql("SELECT Keyword FROM Keyword"), "Keyword").size(), 5u);
  EXPECT_EQ(Spalte(Sql("SELECT * FROM Keyword WHERE Keyword.KeywordID = " + N(4)), "Keyword"),
            std::vector<std::string>{"MÜLL"});
  EXPECT_EQ(Sql("SELECT * FROM Dateiinfo").RecordCount(), 6);
  EXPECT_EQ(Spalte(Sql("SELECT Dateiname, Dateinummer FROM Dateiinfo WHERE Dateiinfo.Dateinummer = 2"),
                   "Dateiname"),
            std::vector<std::string>{"Brief Müller.txt"});
  EXPECT_EQ(Sql("SELECT * FROM KeywordZwischentabelle").RecordCount(), 9);
  EXPECT_EQ(Spalte(Sql("SELECT * FROM KeywordZwischentabelle WHERE KeywordZwischentabelle.Dateinummer = 1"),
                   "KeywordID"),
            (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(Spalte(Sql("SELECT * FROM KeywordZwischentabelle WHERE KeywordZwischentabelle.KeywordID = 3"),
                   "Dateinummer"),
            (std::vector<std::string>{"3", "5", "6", "1"}));
  EXPECT_EQ(Sql("SELECT * FROM KeywordZwischentabelle WHERE KeywordZwischentabelle.KeywordID = 3 AND "
                "KeywordZwischentabelle.Dateinummer = 5")
                .RecordCount(),
            1);
  EXPECT_EQ(Sql("SELECT KeywordID FROM KeywordZwischentabelle WHERE KeywordZwischentabelle.KeywordID = 2 AND "
                "KeywordZwischentabelle.Dateinummer = 5")
                .RecordCount(),
            0);
  // keywords of a file, in the order the links were made
  EXPECT_EQ(Spalte(Sql("SELECT Keyword.Keyword, KeywordZwischentabelle.Dateinummer FROM Keyword INNER JOIN "
                       "KeywordZwischentabelle ON Keyword.KeywordID = KeywordZwischentabelle.KeywordID WHERE "
                       "KeywordZwischentabelle.Dateinummer = 2"),
                   "Keyword"),
            (std::vector<std::string>{"MÜLL", "MIETE"}));
}

TEST_P(RegisterSqlTest, VerknuepfungNachNameUndOrdnerVergleichtAlsMuster) {
  auto abfrage = [&](const std::string& name, const std::string& ordner, int id) {
    return Sql("SELECT KeywordZwischentabelle.KeywordID, Dateiinfo.Dateiname, Dateiinfo.Dateipfad"
               " FROM Dateiinfo INNER JOIN KeywordZwischentabelle ON Dateiinfo.Dateinummer = "
               "KeywordZwischentabelle.Dateinummer WHERE Dateiinfo.Dateiname Like \"" +
               name + "\" AND Dateiinfo.Dateipfad Like \"" + ordner + "\" AND KeywordZwischentabelle.KeywordID = " +
               N(id));
  };
  // case-blind, umlauts folded
  Recordset rs = abfrage("BRIEF MÜLLER.TXT", "c:\\vxm\\vxmdok\\1\\7\\3\\2\\korrespondenz", 4);
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(rs.Text("Dateiinfo.Dateiname"), "Brief Müller.txt");
  EXPECT_EQ(rs.Zahl("KeywordID"), 4);
  // a "*" in a file name is a wildcard in this text: "Plan*.pdf" also finds "Plan 2.pdf"
  EXPECT_EQ(Spalte(abfrage("Plan*.pdf", "C:\\VXM\\VXMDOK\\1\\7", 3), "Dateiname"),
            std::vector<std::string>{"Plan 2.pdf"});
  EXPECT_EQ(abfrage("Mietvertrag.pdf", "C:\\VXM\\VXMDOK\\1\\7", 1).RecordCount(), 0);
}

TEST_P(RegisterSqlTest, SchlagwortsucheEinzelnUndMehrfach) {
  // single keyword: nested joins, ORDER BY
  const std::string einzeln =
      "SELECT Dateiinfo.Dateiname, Dateiinfo.Dateipfad, Keyword.Keyword"
      " FROM Keyword INNER JOIN (Dateiinfo INNER JOIN"
      " KeywordZwischentabelle ON Dateiinfo.Dateinummer = KeywordZwischentabelle.Dateinummer)"
      " ON Keyword.KeywordID = KeywordZwischentabelle.KeywordID"
      " WHERE Keyword.KeywordID = " +
      N(3) + " ORDER BY Dateiinfo.Dateinummer";
  Recordset rs = Sql(einzeln);
  EXPECT_EQ(Spalte(Sql(einzeln), "Dateiname"),
            (std::vector<std::string>{"Mietvertrag.pdf", "Foto Keller.png", "Plan 2.pdf", "Abrechnung 2024.pdf"}));
  EXPECT_EQ(rs.Text("Keyword.Keyword"), "Heizung");
  EXPECT_EQ(rs.Text("Dateipfad"), "C:\\VXM\\VXMDOK\\1\\7\\3\\2");

  // several keywords: COUNT with GROUP BY, Or / OR in any case
  const std::string bedingung =
      " KeywordZwischentabelle.KeywordID = " + N(4) + " OR KeywordZwischentabelle.KeywordID = " + N(2) +
      " or KeywordZwischentabelle.KeywordID = " + N(1);
  Recordset gruppen = Sql("SELECT Dateinummer, COUNT(KeywordID) From KeywordZwischentabelle WHERE " + bedingung +
                          " GROUP BY KeywordZwischentabelle.Dateinummer ORDER BY KeywordZwischentabelle.Dateinummer");
  EXPECT_EQ(Spalte(Sql("SELECT Dateinummer, COUNT(KeywordID) From KeywordZwischentabelle WHERE " + bedingung +
                       " GROUP BY KeywordZwischentabelle.Dateinummer ORDER BY KeywordZwischentabelle.Dateinummer"),
                   "Dateinummer"),
            (std::vector<std::string>{"1", "2", "6"}));
  EXPECT_EQ(gruppen.Zahl("COUNT(KeywordID)"), 2);
  EXPECT_EQ(Spalte(Sql("SELECT Dateiinfo.Dateiname, Dateiinfo.Dateipfad FROM Dateiinfo WHERE Dateiinfo.Dateinummer = "
                       "1 Or Dateiinfo.Dateinummer = 2 Or Dateiinfo.Dateinummer = 6"),
                   "Dateiname"),
            (std::vector<std::string>{"Mietvertrag.pdf", "Brief Müller.txt", "Abrechnung 2024.pdf"}));
}

TEST_P(RegisterSqlTest, KopierenUebernimmtVerknuepfungenInDieselbeDatensatzgruppe) {
  // add a file row through the table, then its links through the link query
  Recordset tab = reg_->TabelleOeffnen("Dateiinfo");
  tab.AddNew();
  const int32_t neu = tab.Zahl("Dateinummer");
  EXPECT_EQ(neu, 7);
  tab.FeldSetzen("Dateiname", "Kopie von Mietvertrag.pdf");
  tab.FeldSetzen("Dateipfad", "C:\\VXM\\VXMDOK\\1\\7\\3\\2");
  tab.Update();
  Recordset links = Sql("SELECT Dateinummer, KeywordID" + std::string(" FROM KeywordZwischentabelle") +
                        " WHERE KeywordZwischentabelle.Dateinummer = " + N(1) +
                        " ORDER BY KeywordZwischentabelle.KeywordID");
  std::vector<int32_t> ids;
  for (; !links.Eof(); links.MoveNext()) ids.push_back(links.Zahl("KeywordID"));
  EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 3}));
  for (int32_t id : ids) {
    links.AddNew();
    links.FeldSetzen("Dateinummer", neu);
    links.FeldSetzen("KeywordID", id);
    links.Update();
  }
  EXPECT_EQ(Sql("SELECT * FROM KeywordZwischentabelle WHERE KeywordZwischentabelle.Dateinummer = 7").RecordCount(), 3);
}

TEST_P(RegisterSqlTest, OrdnerNachziehenUndBereinigenMitMuster) {
  // folder rename: every row below the pattern gets the new path
  Recordset rs = Sql("SELECT * FROM Dateiinfo" + std::string(" WHERE Dateiinfo.Dateipfad LIKE ") + '"' +
                     "C:\\VXM\\VXMDOK\\1\\7" + '"');
  EXPECT_EQ(rs.RecordCount(), 3);
  {
    Transaktion t(*reg_);
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
      rs.Edit();
      rs.FeldSetzen("Dateipfad", "C:\\VXM\\VXMDOK\\1\\7 NEU");
      rs.Update();
    }
    t.Bestaetigen();
  }
  EXPECT_EQ(Sql("SELECT * FROM Dateiinfo WHERE Dateipfad LIKE \"c:\\vxm\\vxmdok\\1\\7 neu\"").RecordCount(), 3);
  // clean-up: a whole subtree by pattern, links by number
  Recordset weg = Sql("SELECT * FROM Dateiinfo WHERE Dateipfad LIKE \"C:\\VXM\\VXMDOK\\1\\7\\3*\"");
  EXPECT_EQ(Spalte(Sql("SELECT * FROM Dateiinfo WHERE Dateipfad LIKE \"C:\\VXM\\VXMDOK\\1\\7\\3*\""), "Dateinummer"),
            (std::vector<std::string>{"1", "2"}));
  Recordset l = Sql("SELECT * FROM KeywordZwischentabelle" + std::string(" WHERE Dateinummer = ") + N(2));
  EXPECT_EQ(l.RecordCount(), 2);
  {
    Transaktion t(*reg_);
    while (!l.Eof()) {
      l.Delete();
      l.MoveNext();
    }
    t.Bestaetigen();
  }
  EXPECT_EQ(Sql("SELECT * FROM KeywordZwischentabelle WHERE Dateinummer = 2").RecordCount(), 0);
}

}  // namespace
}  // namespace vxm
