#include <gtest/gtest.h>

#include "platform/fehler.h"
#include "platform/jetsql.h"

namespace vxm {
namespace {

TEST(JetLike, PlatzhalterDesHosts) {
  EXPECT_TRUE(JetLike("", "*"));
  EXPECT_TRUE(JetLike("Brief.txt", "*"));
  EXPECT_TRUE(JetLike("Brief.txt", "Br?ef.*"));
  EXPECT_FALSE(JetLike("Brf.txt", "Br?f?.txt"));
  EXPECT_TRUE(JetLike("Rechnung 2024.pdf", "Rechnung ####.pdf"));
  EXPECT_FALSE(JetLike("Rechnung 20x4.pdf", "Rechnung ####.pdf"));
  EXPECT_TRUE(JetLike("b1", "[a-c]#"));
  EXPECT_FALSE(JetLike("d1", "[a-c]#"));
  EXPECT_TRUE(JetLike("x", "[!a-c]"));
  EXPECT_FALSE(JetLike("B", "[!a-c]"));  // classes ignore case as well
  EXPECT_TRUE(JetLike("a*b", "a[*]b"));
  EXPECT_FALSE(JetLike("axb", "a[*]b"));
  EXPECT_TRUE(JetLike("a?", "a[?]"));
  EXPECT_TRUE(JetLike("#1", "[#]#"));
  EXPECT_TRUE(JetLike("ab", "a[]b"));
  EXPECT_TRUE(JetLike("abcabd", "*ab?"));
  EXPECT_TRUE(JetLike("aaa", "*a*a*a*"));
  EXPECT_FALSE(JetLike("aa", "*a*a*a*"));
}

TEST(JetLike, OhneFallMitUmlautenUndKlartextZeichen) {
  EXPECT_TRUE(JetLike("MÜLLER.txt", "müller*"));
  EXPECT_TRUE(JetLike("C:\\VXM\\VXMDOK\\1\\7\\Verträge", "c:\\vxm\\vxmdok\\1\\7*"));
  EXPECT_TRUE(JetLike("Øresund ÆØÅ", "øresund æøå"));
  EXPECT_TRUE(JetLike("МОСКВА", "москва"));
  EXPECT_TRUE(JetLike("ΑΘΗΝΑ", "αθηνα"));
  // the engine's own wildcards are plain characters here
  EXPECT_FALSE(JetLike("Brief.txt", "Brief%"));
  EXPECT_TRUE(JetLike("100%_fertig", "100%_fertig"));
  EXPECT_FALSE(JetLike("100xyfertig", "100%_fertig"));
  // an unclosed bracket stands for itself
  EXPECT_TRUE(JetLike("Plan [alt.pdf", "Plan [alt.pdf"));
  EXPECT_TRUE(JetLike("Plan [alt.pdf", "Plan [*"));
  // ß is not folded to SS: same rule as the rest of the component
  EXPECT_FALSE(JetLike("STRASSE", "straße"));
}

TEST(JetLike, MaskiertesMusterPasstNurWoertlich) {
  for (const char* name : {"Plan*.pdf", "Frage?.txt", "Nr. #12 [alt].doc", "[!x]", "100%_fertig", "a]b"}) {
    EXPECT_TRUE(JetLike(name, LikeMaskieren(name))) << name;
    EXPECT_TRUE(JetLike(Falten(name), LikeMaskieren(name))) << name;
  }
  EXPECT_FALSE(JetLike("Plan 2.pdf", LikeMaskieren("Plan*.pdf")));
  EXPECT_FALSE(JetLike("Frage1.txt", LikeMaskieren("Frage?.txt")));
  EXPECT_FALSE(JetLike("x", LikeMaskieren("[!x]")));
}

TEST(Falten, GrossformUndUngueltigeBytes) {
  EXPECT_EQ(Falten("müllerstraße 12"), "MÜLLERSTRAßE 12");
  EXPECT_EQ(Falten("ąčęłńšž ÿ œ"), "ĄČĘŁŃŠŽ Ÿ Œ");
  EXPECT_EQ(Falten("привет ёж"), "ПРИВЕТ ЁЖ");
  EXPECT_EQ(Falten("ς σ"), "Σ Σ");
  EXPECT_EQ(Falten("Yıldız İstanbul"), "YILDIZ İSTANBUL");  // dotless i meets I; dotted İ has no one-letter partner
  const std::string kaputt = "a\xC3(b\xFF";
  EXPECT_EQ(Falten(kaputt), "A\xC3(B\xFF");
  const std::string s = "Jürgen Bäcker ÖÄÜ äöü ñ";
  EXPECT_EQ(Falten(s).size(), s.size());
  EXPECT_TRUE(GleichOhneFall("Jürgen Bäcker", "JÜRGEN BÄCKER"));
  EXPECT_FALSE(GleichOhneFall("Jürgen", "Jurgen"));
}

TEST(JetUebersetzen, LiteraleUndLike) {
  auto a = JetUebersetzen(
      "SELECT * FROM Dateiinfo WHERE Dateiinfo.Dateipfad LIKE \"C:\\VXM\\VXMDOK\\1\\7*\"");
  EXPECT_TRUE(a.IstAbfrage);
  EXPECT_EQ(a.Tabelle, "Dateiinfo");
  EXPECT_EQ(a.Sql,
            "SELECT \"Dateiinfo\".rowid AS vxm_zeile, * FROM Dateiinfo WHERE Dateiinfo.Dateipfad REGEXP "
            "'C:\\VXM\\VXMDOK\\1\\7*' COLLATE vxm_text ORDER BY \"Dateiinfo\".rowid");
  // quotes inside literals, single-quoted literals, & as concatenation
  a = JetUebersetzen("SELECT \"it's \"\"x\"\"\" & 'a''b' AS t FROM Keyword;");
  EXPECT_EQ(a.Sql, "SELECT \"Keyword\".rowid AS vxm_zeile, 'it''s \"x\"' COLLATE vxm_text || 'a''b' COLLATE "
                   "vxm_text AS t FROM Keyword ORDER BY \"Keyword\".rowid");
  EXPECT_THROW(JetUebersetzen("SELECT * FROM Keyword WHERE Keyword = \"offen"), VbFehler);
  EXPECT_THROW(JetUebersetzen("SELECT [Feld FROM Keyword"), VbFehler);
}

TEST(JetUebersetzen, AenderbarNurBeiEinerTabelle) {
  EXPECT_EQ(JetUebersetzen("SELECT * FROM [Keyword] k WHERE k.KeywordID = 3").Tabelle, "Keyword");
  EXPECT_EQ(JetUebersetzen("select Keyword from Keyword as k").Tabelle, "Keyword");
  EXPECT_EQ(JetUebersetzen("SELECT Keyword.Keyword, KeywordZwischentabelle.Dateinummer FROM Keyword INNER "
                           "JOIN KeywordZwischentabelle ON Keyword.KeywordID = KeywordZwischentabelle.KeywordID")
                .Tabelle,
            "");
  EXPECT_EQ(JetUebersetzen("SELECT Dateinummer, COUNT(KeywordID) From KeywordZwischentabelle WHERE "
                           "KeywordZwischentabelle.KeywordID = 1 GROUP BY KeywordZwischentabelle.Dateinummer")
                .Tabelle,
            "");
  EXPECT_EQ(JetUebersetzen("SELECT DISTINCT Dateipfad FROM Dateiinfo").Tabelle, "");
  EXPECT_EQ(JetUebersetzen("SELECT * FROM Dateiinfo, Keyword").Tabelle, "");
  EXPECT_EQ(JetUebersetzen("SELECT * FROM (SELECT * FROM Dateiinfo)").Tabelle, "");
  EXPECT_FALSE(JetUebersetzen("DELETE FROM Keyword WHERE Keyword LIKE \"A*\"").IstAbfrage);
  EXPECT_EQ(JetUebersetzen("DELETE FROM Keyword WHERE Keyword LIKE \"A*\"").Sql,
            "DELETE FROM Keyword WHERE Keyword REGEXP 'A*' COLLATE vxm_text");
}

TEST(JetUebersetzen, VerbundOhneOrderByInTabellenreihenfolgeDerLetztenTabelle) {
  EXPECT_EQ(JetUebersetzen("SELECT Keyword.Keyword FROM Keyword INNER JOIN (Dateiinfo AS d INNER JOIN "
                           "KeywordZwischentabelle ON d.Dateinummer = KeywordZwischentabelle.Dateinummer) ON "
                           "Keyword.KeywordID = KeywordZwischentabelle.KeywordID")
                .Sql,
            "SELECT Keyword.Keyword FROM Keyword INNER JOIN (Dateiinfo AS d INNER JOIN KeywordZwischentabelle ON "
            "d.Dateinummer = KeywordZwischentabelle.Dateinummer) ON Keyword.KeywordID = "
            "KeywordZwischentabelle.KeywordID ORDER BY \"KeywordZwischentabelle\".rowid, \"d\".rowid, "
            "\"Keyword\".rowid");
  // no row ids asked for: views and tables without them
  EXPECT_EQ(JetUebersetzen("SELECT * FROM Sicht", false).Sql, "SELECT * FROM Sicht");
}

TEST(JetUebersetzen, GruppierungOhneFall) {
  EXPECT_EQ(JetUebersetzen("SELECT Keyword, COUNT(KeywordID) FROM Keyword GROUP BY Keyword HAVING COUNT(*) > 1 "
                           "ORDER BY Keyword")
                .Sql,
            "SELECT Keyword, COUNT(KeywordID) FROM Keyword GROUP BY Keyword COLLATE vxm_text HAVING COUNT(*) > 1 "
            "ORDER BY Keyword COLLATE vxm_text");
}

TEST(JetUebersetzen, SortierungOhneFallUndTop) {
  auto a = JetUebersetzen(
      "SELECT Dateinummer, KeywordID FROM KeywordZwischentabelle WHERE KeywordZwischentabelle.Dateinummer = 4 "
      "ORDER BY KeywordZwischentabelle.KeywordID");
  EXPECT_EQ(a.Sql,
            "SELECT \"KeywordZwischentabelle\".rowid AS vxm_zeile, Dateinummer, KeywordID FROM "
            "KeywordZwischentabelle WHERE KeywordZwischentabelle.Dateinummer = 4 ORDER BY "
            "KeywordZwischentabelle.KeywordID COLLATE vxm_text, \"KeywordZwischentabelle\".rowid");
  a = JetUebersetzen("SELECT TOP 5 Keyword FROM Keyword ORDER BY Keyword DESC, 1");
  EXPECT_EQ(a.Sql,
            "SELECT \"Keyword\".rowid AS vxm_zeile, Keyword FROM Keyword ORDER BY Keyword COLLATE vxm_text "
            "DESC, 1, \"Keyword\".rowid LIMIT 5");
}

// --- the same texts for a database server -----------------------------------

SqlKatalog RegisterKatalog() {
  SqlKatalog k;
  for (const char* n : {"Keyword", "KeywordID", "KeywordSchluessel", "Dateiinfo", "Dateinummer", "Dateiname",
                        "Dateipfad", "DateinameSchluessel", "DateipfadSchluessel", "KeywordZwischentabelle"})
    k.Namen[Falten(n)] = n;
  for (const char* n : {"Keyword", "KeywordSchluessel", "Dateiname", "Dateipfad", "DateinameSchluessel",
                        "DateipfadSchluessel"})
    k.TextSpalten.insert(Falten(n));
  for (const char* n : {"Keyword", "Dateiinfo", "KeywordZwischentabelle"}) k.MitZeile.insert(Falten(n));
  k.Schatten[Falten("Keyword")] = "KeywordSchluessel";
  k.Schatten[Falten("Dateiname")] = "DateinameSchluessel";
  k.Schatten[Falten("Dateipfad")] = "DateipfadSchluessel";
  return k;
}

std::string Server(const std::string& jet) {
  static const SqlKatalog k = RegisterKatalog();
  return JetUebersetzen(jet, SqlZiel::PostgreSQL, true, &k).Sql;
}

TEST(JetUebersetzenServer, NamenLiteraleUndVergleicheUeberDieSchattenspalten) {
  // names as the schema spells them, whatever the text's case; literals
  // folded here and compared with the folded column
  EXPECT_EQ(Server("select * from keyword where keyword = \"heizung\""),
            "select \"Keyword\".vxm_zeile AS vxm_zeile, * from \"Keyword\" where \"KeywordSchluessel\" = 'HEIZUNG' "
            "ORDER BY \"Keyword\".vxm_zeile");
  // numbers and number columns are not folded; order comparisons on text
  // go through the sort key first
  EXPECT_EQ(Server("SELECT KeywordID FROM Keyword WHERE KeywordID = 3 AND Keyword >= \"m\""),
            "SELECT \"Keyword\".vxm_zeile AS vxm_zeile, \"KeywordID\" FROM \"Keyword\" WHERE \"KeywordID\" = 3 AND "
            "(vxm_grund(\"Keyword\") COLLATE \"C\", \"KeywordSchluessel\" COLLATE \"C\") >= ('M' COLLATE \"C\", 'M' "
            "COLLATE \"C\") ORDER BY \"Keyword\".vxm_zeile");
  // Like as a regular expression on the folded field; its own wildcards are plain
  EXPECT_EQ(Server("SELECT * FROM Dateiinfo WHERE Dateiinfo.Dateipfad LIKE \"C:\\VXM\\1*\" AND Dateiname Like "
                   "\"[!a-c]?#%_(x).[*]\""),
            "SELECT \"Dateiinfo\".vxm_zeile AS vxm_zeile, * FROM \"Dateiinfo\" WHERE \"Dateiinfo\".\"DateipfadSchluessel\" "
            "~ '^C:\\\\VXM\\\\1.*$' AND \"DateinameSchluessel\" ~ '^[^A-C].[0-9]%_\\(X\\)\\.[*]$' ORDER BY "
            "\"Dateiinfo\".vxm_zeile");
  EXPECT_THROW(Server("SELECT * FROM Keyword WHERE Keyword LIKE Keyword"), VbFehler);
  // the = of SET assigns
  EXPECT_EQ(Server("UPDATE Keyword SET Keyword = \"Neu\" WHERE Keyword = \"alt\""),
            "UPDATE \"Keyword\" SET \"Keyword\" = 'Neu' WHERE \"KeywordSchluessel\" = 'ALT'");
}

TEST(JetUebersetzenServer, SortierungGruppenUndSpaltennamenWieInSqlite) {
  // text in the collation's order with Null first; grouped text by its folded
  // form, its field standing for the group
  EXPECT_EQ(Server("SELECT Keyword, COUNT(KeywordID) FROM Keyword GROUP BY Keyword ORDER BY Keyword DESC, 2"),
            "SELECT min(\"Keyword\") AS \"Keyword\", COUNT(\"KeywordID\") AS \"COUNT(KeywordID)\" FROM \"Keyword\" "
            "GROUP BY \"KeywordSchluessel\" ORDER BY vxm_grund(min(\"Keyword\")) COLLATE \"C\" DESC NULLS LAST, "
            "vxm_falten(min(\"Keyword\")) COLLATE \"C\" DESC NULLS LAST, 2 NULLS FIRST");
  // a join without ORDER BY in the tables' order, the last one first
  EXPECT_EQ(Server("SELECT Keyword.Keyword FROM Keyword INNER JOIN KeywordZwischentabelle AS z ON "
                   "Keyword.KeywordID = z.KeywordID WHERE z.Dateinummer = 2"),
            "SELECT \"Keyword\".\"Keyword\" FROM \"Keyword\" INNER JOIN \"KeywordZwischentabelle\" AS z ON "
            "\"Keyword\".\"KeywordID\" = z.\"KeywordID\" WHERE z.\"Dateinummer\" = 2 ORDER BY z.vxm_zeile, "
            "\"Keyword\".vxm_zeile");
  // a view (no row id on the server): no table order, no changes
  EXPECT_EQ(JetUebersetzen("SELECT * FROM Sicht", SqlZiel::PostgreSQL, true, nullptr).Tabelle, "");
}

TEST(SqliteTextFuerPostgres, PlatzhalterZeilenMusterUndNamen) {
  const SqlKatalog k = RegisterKatalog();
  EXPECT_EQ(SqliteTextFuerPostgres("SELECT KeywordID, Keyword FROM Keyword WHERE KeywordSchluessel = ?1 ORDER BY rowid", k),
            "SELECT \"KeywordID\", \"Keyword\" FROM \"Keyword\" WHERE \"KeywordSchluessel\" = $1 ORDER BY vxm_zeile");
  EXPECT_EQ(SqliteTextFuerPostgres("SELECT count(*) FROM Dateiinfo WHERE DateinameSchluessel IS NOT vxm_falten(Dateiname)", k),
            "SELECT count(*) FROM \"Dateiinfo\" WHERE \"DateinameSchluessel\" IS DISTINCT FROM vxm_falten(\"Dateiname\")");
  EXPECT_EQ(SqliteTextFuerPostgres("SELECT 1 FROM t WHERE a IS NULL AND b IS NOT NULL AND c IS ?2", k),
            "SELECT 1 FROM t WHERE a IS NULL AND b IS NOT NULL AND c IS NOT DISTINCT FROM $2");
  // GLOB is case-sensitive and knows "*", "?", "[^...]"; "#" is itself
  EXPECT_EQ(SqliteTextFuerPostgres("SELECT * FROM Dateiinfo WHERE DateipfadSchluessel GLOB 'C:\\A*[^0-9]?#'", k),
            "SELECT * FROM \"Dateiinfo\" WHERE \"DateipfadSchluessel\" ~ '^C:\\\\A.*[^0-9].[#]$'");
  EXPECT_EQ(SqliteTextFuerPostgres("UPDATE vxm_folge SET \"Wert\" = ?1 WHERE \"Tabelle\" = 'x''y'", k),
            "UPDATE vxm_folge SET \"Wert\" = $1 WHERE \"Tabelle\" = 'x''y'");
}

TEST(SqliteTextFuerPostgres, PlanungshinweiseFallenWeg) {
  const SqlKatalog k = RegisterKatalog();
  // CROSS JOIN ... ON only fixes SQLite's join order; a real cross join stays.
  EXPECT_EQ(SqliteTextFuerPostgres("SELECT 1 FROM a x CROSS JOIN b y ON y.n = x.n WHERE x.n = 1", k),
            "SELECT 1 FROM a x JOIN b y ON y.n = x.n WHERE x.n = 1");
  EXPECT_EQ(SqliteTextFuerPostgres("SELECT 1 FROM a CROSS JOIN b WHERE a.n = (SELECT 1 FROM c JOIN d ON 1)", k),
            "SELECT 1 FROM a CROSS JOIN b WHERE a.n = (SELECT 1 FROM c JOIN d ON 1)");
  // unary + keeps SQLite off an index; additions stay
  EXPECT_EQ(SqliteTextFuerPostgres("SELECT a + b, 1 + +c FROM t WHERE +t.x = ?1 OR (+y >= 2 AND z + 1 > 0)", k),
            "SELECT a + b, 1 + c FROM t WHERE t.x = $1 OR (y >= 2 AND z + 1 > 0)");
}

}  // namespace
}  // namespace vxm
