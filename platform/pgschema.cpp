#include "platform/pgschema.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/datenbank.h"
#include "platform/fehler.h"
#include "platform/text.h"
#include "platform/sqltext.h"
#include "platform/jetsql.h"

namespace vxm {
namespace {

std::string Utf8(char32_t c) {
  std::string aus;
  Utf8Anhaengen(c, aus);
  return aus;
}

std::size_t Zeichen(const std::string& s) {
  std::size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

struct Abbildung {
  std::string von, nach;                                // translate(): one character for one
  std::vector<std::pair<std::string, std::string>> ersetzen;  // replace(): one for several
};

// Walks every code point through `f`; the server function built from the
// result gives the same text for every valid UTF-8 input.
template <typename F>
Abbildung Abbilden(F&& f, bool nurGefaltete) {
  Abbildung a;
  for (char32_t c = 1; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::string z = Utf8(c);
    if (nurGefaltete && Falten(z) != z) continue;
    const std::string b = f(z);
    if (b == z) continue;
    if (Zeichen(b) == 1) {
      a.von += z;
      a.nach += b;
    } else {
      a.ersetzen.emplace_back(z, b);
    }
  }
  return a;
}

// The stored functions' mark: the folding's version and the form of the
// functions and triggers (2: text of ASCII only takes a short list; the
// highest key is written when rows go, not on every insert; 3: the
// register's procedures for entering and removing keywords).
std::string Kennung() { return "Faltung " + std::to_string(kFaltungsVersion) + ", Form 3"; }

std::size_t Utf8Laenge(unsigned char erstes) { return erstes < 0x80 ? 1 : erstes >= 0xF0 ? 4 : erstes >= 0xE0 ? 3 : 2; }

// Only the entries for ASCII characters (all a text of ASCII only can meet).
Abbildung NurAscii(const Abbildung& a) {
  Abbildung aus;
  std::size_t i = 0, j = 0;
  while (i < a.von.size()) {
    const std::size_t li = Utf8Laenge(static_cast<unsigned char>(a.von[i]));
    const std::size_t lj = Utf8Laenge(static_cast<unsigned char>(a.nach[j]));
    if (li == 1) {
      aus.von += a.von.substr(i, li);
      aus.nach += a.nach.substr(j, lj);
    }
    i += li;
    j += lj;
  }
  for (const auto& e : a.ersetzen)
    if (e.first.size() == 1) aus.ersetzen.push_back(e);
  return aus;
}

// `t` through the character list and the replacements of `a`.
std::string Uebersetzen(const std::string& t, const Abbildung& a) {
  std::string g = a.von.empty() ? t : sqltext::Zusammen({"translate(", t, ", $z$", a.von, "$z$, $z$", a.nach, "$z$)"});
  for (const auto& [von, nach] : a.ersetzen) g = sqltext::Zusammen({"replace(", g, ", $z$", von, "$z$, $z$", nach, "$z$)"});
  return g;
}

std::string Funktionen() {
  const Abbildung falten = Abbilden([](const std::string& z) { return Falten(z); }, false);
  if (!falten.ersetzen.empty())
    throw VbFehler(fehlernr::DatenbankFehler, "Die Faltung bildet Zeichen auf mehrere ab; der Datenbankserver "
                                              "kann sie so nicht nachbilden.");
  const Abbildung grund = Abbilden([](const std::string& z) { return Sortierform(z); }, true);
  // translate() looks each character up in the whole list, some thousand
  // characters long: tens of microseconds a call, paid by every row a
  // trigger folds or a sort orders. A text of ASCII only (most names,
  // every folder of the store) needs the list's ASCII part alone, as long
  // as folding keeps ASCII ASCII.
  bool asciiBleibt = true;
  for (int c = 1; c < 0x80; ++c)
    for (const unsigned char b : Falten(std::string(1, static_cast<char>(c)))) asciiBleibt = asciiBleibt && b < 0x80;
  // As many bytes as characters: ASCII only (the database is UTF-8, as the
  // lists of every code point require).
  const std::string ascii = "octet_length(t) = char_length(t)";
  const std::string gefaltet = sqltext::Zusammen(
      {"CASE WHEN ", ascii, " THEN ", Uebersetzen("t", NurAscii(falten)), " ELSE ", Uebersetzen("t", falten), " END"});
  // vxm_grund folds itself: a call of vxm_falten would depend on the search path
  std::string g = Uebersetzen(Uebersetzen("t", falten), grund);
  if (asciiBleibt)
    g = sqltext::Zusammen({"CASE WHEN ", ascii, " THEN ", Uebersetzen(Uebersetzen("t", NurAscii(falten)), NurAscii(grund)),
                           " ELSE ", g, " END"});
  return "CREATE OR REPLACE FUNCTION vxm_falten(t text) RETURNS text LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE "
         "AS $f$ SELECT (" + gefaltet + ") COLLATE \"C\" $f$;\n"
         "COMMENT ON FUNCTION vxm_falten(text) IS '" + Kennung() + "';\n"
         "CREATE OR REPLACE FUNCTION vxm_grund(t text) RETURNS text LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE "
         "AS $f$ SELECT (" + g + ") COLLATE \"C\" $f$;\n";
}

// Stored folding version of the functions ("" when they are missing).
std::string FunktionsVersion(Verbindung& v) {
  auto b = v.Vorbereiten(
      "SELECT coalesce(obj_description(p.oid, 'pg_proc'), '') FROM pg_proc p "
      "JOIN pg_namespace n ON n.oid = p.pronamespace WHERE n.nspname = current_schema() AND p.proname = 'vxm_falten'");
  return b->Schritt() ? std::string(b->TextWert(0)) : std::string();
}

bool EigeneFunktion(Verbindung& v, const std::string& name) {
  auto b = v.Vorbereiten(
      "SELECT count(*) FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace "
      "WHERE n.nspname = current_schema() AND p.proname = $1");
  b->TextBinden(1, name);
  return b->Schritt() && b->ZahlWert(0) > 0;
}

bool RegisterDa(Verbindung& v) {
  auto b = v.Vorbereiten(
      "SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
      "WHERE n.nspname = current_schema() AND c.relname IN ('Dateiinfo', 'Keyword', 'KeywordZwischentabelle', "
      "'vxm_info', 'vxm_folge')");
  return b->Schritt() && b->ZahlWert(0) > 0;
}

bool Beschreibbar(Verbindung& v) {
  auto b = v.Vorbereiten(
      "SELECT has_schema_privilege(current_schema(), 'CREATE') AND "
      "current_setting('transaction_read_only') = 'off'");
  return b->Schritt() && b->TextWert(0) == "t";
}

// Shadow column pairs of the register: table, field, shadow.
constexpr const char* kSchatten[][3] = {{"Dateiinfo", "Dateiname", "DateinameSchluessel"},
                                        {"Dateiinfo", "Dateipfad", "DateipfadSchluessel"},
                                        {"Keyword", "Keyword", "KeywordSchluessel"}};

std::string Neufalten() {
  std::string sql;
  for (const auto& [tabelle, feld, schatten] : kSchatten)
    sql += std::string("UPDATE \"") + tabelle + "\" SET \"" + schatten + "\" = vxm_falten(\"" + feld +
           "\") WHERE \"" + schatten + "\" IS DISTINCT FROM vxm_falten(\"" + feld + "\");\n";
  return sql + "UPDATE vxm_info SET \"Wert\" = '" + std::to_string(kFaltungsVersion) +
         "' WHERE \"Schluessel\" = 'Faltung';\n";
}

}  // namespace

std::string FaltungsfunktionenSql() {
  static std::once_flag einmal;
  static std::string sql;
  std::call_once(einmal, [] { sql = Funktionen(); });
  return sql;
}

namespace {

// Runs `sql` in one transaction under the write lock of the database.
void Unteilbar(Verbindung& v, const std::string& sql, std::string_view wofuer) {
  v.Beginnen();
  try {
    v.Ausfuehren(sql, wofuer);
    v.Festschreiben();
  } catch (...) {
    v.Zuruecknehmen();
    throw;
  }
}

}  // namespace

namespace {

// Keys never given twice, also not the one of a deleted last row. A row
// without a key takes one past the highest of the table and of vxm_folge
// (whose row lock also orders concurrent inserts); vxm_folge keeps the
// highest key only when rows go or keys change. Writing it on every
// insert made a copy of many rows slow: each write of the same row in one
// transaction leaves a version the next must pass.
std::string SchluesselTrigger(const std::string& tabelle, const std::string& schluessel) {
  const std::string t = "\"" + tabelle + "\"", k = "\"" + schluessel + "\"", f = "\"vxm_" + tabelle + "_schluessel\"",
                    stand = "\"vxm_" + tabelle + "_stand\"", name = "'" + tabelle + "'";
  return "CREATE OR REPLACE FUNCTION " + f + "() RETURNS trigger LANGUAGE plpgsql SET search_path FROM CURRENT AS $f$\n"
         "DECLARE w bigint;\n"
         "BEGIN\n"
         "  SELECT \"Wert\" INTO w FROM vxm_folge WHERE \"Tabelle\" = " + name + " FOR UPDATE;\n"
         "  NEW." + k + " := greatest(w, (SELECT coalesce(max(" + k + "), 0) FROM " + t + ")) + 1;\n"
         "  RETURN NEW;\n"
         "END $f$;\n"
         "DROP TRIGGER IF EXISTS vxm_schluessel ON " + t + ";\n"
         "CREATE TRIGGER vxm_schluessel BEFORE INSERT ON " + t + " FOR EACH ROW WHEN (NEW." + k +
         " IS NULL) EXECUTE FUNCTION " + f + "();\n"
         "CREATE OR REPLACE FUNCTION " + stand + "() RETURNS trigger LANGUAGE plpgsql SET search_path FROM CURRENT AS $f$\n"
         "BEGIN\n"
         "  UPDATE vxm_folge SET \"Wert\" = m FROM (SELECT max(" + k + ") AS m FROM " + t +
         ") AS h WHERE \"Tabelle\" = " + name + " AND \"Wert\" < h.m;\n"
         "  RETURN NULL;\n"
         "END $f$;\n"
         "DROP TRIGGER IF EXISTS vxm_stand ON " + t + ";\n"
         "CREATE TRIGGER vxm_stand BEFORE DELETE OR TRUNCATE OR UPDATE OF " + k + " ON " + t +
         " FOR EACH STATEMENT EXECUTE FUNCTION " + stand + "();\n";
}

std::string Schluesselstand(const std::string& tabelle) {
  return "INSERT INTO vxm_folge VALUES ('" + tabelle + "', 0);\n";
}

// The shadow columns follow their fields on every write, whoever writes.
std::string SchattenTrigger(const std::string& tabelle) {
  const std::string f = "\"vxm_" + tabelle + "_schatten\"";
  std::string setzen;
  for (const auto& [t, feld, schatten] : kSchatten)
    if (tabelle == t) setzen += std::string("  NEW.\"") + schatten + "\" := vxm_falten(NEW.\"" + feld + "\");\n";
  return "CREATE FUNCTION " + f + "() RETURNS trigger LANGUAGE plpgsql SET search_path FROM CURRENT AS $f$\nBEGIN\n" +
         setzen +
         "  RETURN NEW;\nEND $f$;\n"
         "CREATE TRIGGER vxm_schatten BEFORE INSERT OR UPDATE ON \"" + tabelle +
         "\" FOR EACH ROW EXECUTE FUNCTION " + f + "();\n";
}

// Entering keywords for a file and removing one, as the program does them
// step by step (keywords/register.cpp), in one call: a change of its own
// under the same locks. Names are looked up by the folded keys the caller
// gives; the first row in table order wins, as in the program.
std::string RegisterProzeduren() {
  const std::string sperren = "  PERFORM pg_advisory_xact_lock_shared(" + std::to_string(kSchreibsperre) +
                              ");\n  FOREACH s IN ARRAY sperren LOOP PERFORM pg_advisory_xact_lock(" +
                              std::to_string(kNamenRaum) + ", s); END LOOP;\n";
  const std::string datei =
      "  SELECT \"Dateinummer\" INTO nummer FROM \"Dateiinfo\" WHERE \"DateinameSchluessel\" = name_f AND "
      "\"DateipfadSchluessel\" = ordner_f ORDER BY vxm_zeile LIMIT 1;\n";
  return std::string("CREATE OR REPLACE PROCEDURE ") + kProzedurEingeben +
         "(datei_name text, datei_ordner text, name_f text, ordner_f text, namen text[], namen_f text[], sperren integer[], "
         "OUT nummer integer, OUT neu text, OUT doppelte text[])\n"
         "LANGUAGE plpgsql SET search_path FROM CURRENT AS $f$\n"
         "DECLARE s integer; i integer; id integer; ids integer[] := '{}'; neue integer[] := '{}'; k text;\n"
         "BEGIN\n" + sperren +
         // known keywords first, then the new ones, each in the order typed
         "  neu := '';\n"
         "  FOR i IN 1 .. coalesce(array_length(namen, 1), 0) LOOP\n"
         "    SELECT \"KeywordID\" INTO id FROM \"Keyword\" WHERE \"KeywordSchluessel\" = namen_f[i] "
         "ORDER BY vxm_zeile LIMIT 1;\n"
         "    IF FOUND THEN ids := ids || id; neu := neu || '0'; ELSE neue := neue || i; neu := neu || '1'; END IF;\n"
         "  END LOOP;\n"
         "  FOREACH i IN ARRAY neue LOOP\n"
         "    INSERT INTO \"Keyword\" (\"Keyword\") VALUES (namen[i]) RETURNING \"KeywordID\" INTO id;\n"
         "    ids := ids || id;\n"
         "  END LOOP;\n" + datei +
         "  IF NOT FOUND THEN\n"
         "    INSERT INTO \"Dateiinfo\" (\"Dateiname\", \"Dateipfad\") VALUES (datei_name, datei_ordner) "
         "RETURNING \"Dateinummer\" INTO nummer;\n"
         "  END IF;\n"
         "  doppelte := '{}';\n"
         "  FOREACH id IN ARRAY ids LOOP\n"
         "    IF EXISTS (SELECT 1 FROM \"KeywordZwischentabelle\" WHERE \"Dateinummer\" = nummer AND "
         "\"KeywordID\" = id) THEN\n"
         "      SELECT \"Keyword\" INTO k FROM \"Keyword\" WHERE \"KeywordID\" = id;\n"
         "      doppelte := doppelte || coalesce(k, '');\n"
         "    ELSE\n"
         "      INSERT INTO \"KeywordZwischentabelle\" (\"Dateinummer\", \"KeywordID\") VALUES (nummer, id);\n"
         "    END IF;\n"
         "  END LOOP;\n"
         "END $f$;\n"
         "CREATE OR REPLACE PROCEDURE " + kProzedurEntfernen +
         "(name_f text, ordner_f text, keyword_f text, sperren integer[], "
         "OUT nummer integer, OUT entfernt boolean, OUT abgemeldet boolean)\n"
         "LANGUAGE plpgsql SET search_path FROM CURRENT AS $f$\n"
         "DECLARE s integer; id integer;\n"
         "BEGIN\n" + sperren +
         "  entfernt := false; abgemeldet := false;\n" + datei +
         "  IF NOT FOUND THEN nummer := 0; RETURN; END IF;\n"
         "  SELECT \"KeywordID\" INTO id FROM \"Keyword\" WHERE \"KeywordSchluessel\" = keyword_f "
         "ORDER BY vxm_zeile LIMIT 1;\n"
         "  IF FOUND THEN\n"
         "    DELETE FROM \"KeywordZwischentabelle\" WHERE \"KeywordID\" = id AND \"Dateinummer\" = nummer;\n"
         "    entfernt := FOUND;\n"
         "  END IF;\n"
         // the file's row goes once no existing keyword is linked to it
         "  IF NOT EXISTS (SELECT 1 FROM \"KeywordZwischentabelle\" z JOIN \"Keyword\" w ON w.\"KeywordID\" = "
         "z.\"KeywordID\" WHERE z.\"Dateinummer\" = nummer) THEN\n"
         "    DELETE FROM \"KeywordZwischentabelle\" WHERE \"Dateinummer\" = nummer;\n"
         "    DELETE FROM \"Dateiinfo\" WHERE \"Dateinummer\" = nummer;\n"
         "    abgemeldet := FOUND;\n"
         "  END IF;\n"
         "END $f$;\n";
}

constexpr const char* kRegisterTabellen = R"SQL(
CREATE TABLE "Dateiinfo" (
  "Dateinummer" integer PRIMARY KEY,
  "Dateiname" text COLLATE "C",
  "Dateipfad" text COLLATE "C",
  "DateinameSchluessel" text COLLATE "C",
  "DateipfadSchluessel" text COLLATE "C",
  vxm_zeile bigint GENERATED ALWAYS AS ("Dateinummer") STORED
);
CREATE INDEX "Dateiinfo_NameOrdner" ON "Dateiinfo" ("DateinameSchluessel", "DateipfadSchluessel", vxm_zeile);
CREATE INDEX "Dateiinfo_Ordner" ON "Dateiinfo" ("DateipfadSchluessel", vxm_zeile);
CREATE TABLE "Keyword" (
  "KeywordID" integer PRIMARY KEY,
  "Keyword" text COLLATE "C",
  "KeywordSchluessel" text COLLATE "C",
  vxm_zeile bigint GENERATED ALWAYS AS ("KeywordID") STORED
);
CREATE INDEX "Keyword_Name" ON "Keyword" ("KeywordSchluessel", vxm_zeile);
CREATE TABLE "KeywordZwischentabelle" (
  "Dateinummer" integer,
  "KeywordID" integer,
  vxm_zeile bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY
);
CREATE INDEX "KeywordZwischentabelle_Datei" ON "KeywordZwischentabelle" ("Dateinummer", "KeywordID", vxm_zeile);
CREATE INDEX "KeywordZwischentabelle_Keyword" ON "KeywordZwischentabelle" ("KeywordID", "Dateinummer", vxm_zeile);
CREATE TABLE vxm_info ("Schluessel" text COLLATE "C" PRIMARY KEY, "Wert" text);
CREATE TABLE vxm_folge ("Tabelle" text COLLATE "C" PRIMARY KEY, "Wert" bigint NOT NULL);
)SQL";

}  // namespace

std::vector<int32_t> Namenssperren(const std::vector<std::string>& namen) {
  // FNV-1a: the same number for a name in every process; two names on one
  // number only wait for each other.
  std::vector<int32_t> nummern;
  for (const auto& n : namen) {
    uint32_t h = 2166136261u;
    for (const unsigned char c : n) h = (h ^ c) * 16777619u;
    nummern.push_back(static_cast<int32_t>(h));
  }
  std::sort(nummern.begin(), nummern.end());
  nummern.erase(std::unique(nummern.begin(), nummern.end()), nummern.end());
  return nummern;
}

void LayerEinrichten(Verbindung& v) {
  const std::string soll = Kennung();
  if (FunktionsVersion(v) == soll || !Beschreibbar(v)) return;
  v.Beginnen();
  try {
    // another workstation may have done it while this one waited for the lock
    if (FunktionsVersion(v) != soll) {
      v.Ausfuehren(FaltungsfunktionenSql(), "Faltung");
      if (RegisterDa(v)) {
        v.Ausfuehren(Neufalten(), "Faltung");
        v.Ausfuehren(RegisterProzeduren(), "Register");
      }
      // A register made before keeps its keys the faster way from now on.
      for (const auto& [tabelle, schluessel] : {std::pair{"Dateiinfo", "Dateinummer"}, std::pair{"Keyword", "KeywordID"}})
        if (EigeneFunktion(v, std::string("vxm_") + tabelle + "_schluessel"))
          v.Ausfuehren(SchluesselTrigger(tabelle, schluessel), "Schlüssel");
    }
    v.Festschreiben();
  } catch (...) {
    v.Zuruecknehmen();
    throw;
  }
}

void RegisterSchemaAnlegen(Verbindung& v) {
  if (RegisterDa(v))
    throw VbFehler(fehlernr::DatenbankExistiert,
                   "Die Datenbank " + v.Name() + " enthält bereits ein Register; es wird nicht überschrieben.");
  const std::string sql = FaltungsfunktionenSql() + kRegisterTabellen + SchluesselTrigger("Dateiinfo", "Dateinummer") +
                          SchluesselTrigger("Keyword", "KeywordID") + Schluesselstand("Dateiinfo") + Schluesselstand("Keyword") + SchattenTrigger("Dateiinfo") +
                          SchattenTrigger("Keyword") + RegisterProzeduren() + kVorhabenTabelleServer + ";\n" + kAbgleichTabellenServer + "INSERT INTO vxm_info VALUES ('Faltung', '" +
                          std::to_string(kFaltungsVersion) + "');\n";
  Unteilbar(v, sql, "Register anlegen");
}

}  // namespace vxm
