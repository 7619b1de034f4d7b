// The host's SQL dialect on SQLite.
//
// The component's SQL texts are written for the host's database engine:
// string literals between double quotes, Like with the wildcards * ? # and
// character classes [a-z] [!x], text compared without regard to case,
// joins nested in parentheses. SQLite reads a double-quoted word as a column
// name when such a column exists, and its own LIKE knows other wildcards, so
// every text is translated here before SQLite sees it:
//
// - literals in double (or single) quotes become SQLite string literals;
// - Like becomes the REGEXP operator, which SQLite hands to a function the
//   layer registers (JetLike below). Unlike an overridden like() it is not
//   bypassed by an ESCAPE clause nor reset by PRAGMA case_sensitive_like;
// - text literals and ORDER BY terms get the collation kTextKollation, so
//   `=`, `<>`, sorting compare text without regard to case;
// - [bracketed names] become quoted identifiers; & becomes ||.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/text.h"

namespace vxm {

// Name of the case-blind text collation registered on every connection.
inline constexpr const char* kTextKollation = "vxm_text";
// Name of the hidden row-id column added to changeable record sets.
inline constexpr const char* kZeilenSpalte = "vxm_zeile";

// Version of the case folding (Falten, platform/text.h). Stored folded
// names (the register's shadow columns) are computed again when a file was
// written with another one.
inline constexpr int kFaltungsVersion = 3;

// The primary sort key of the text collation (see TextVergleichen): the
// folded text with the accented Latin letters on their base letter.
std::string Sortierform(std::string_view text);

// Order of the text collation: equal exactly when the folded texts are
// equal; otherwise by the letters without accents (Ä with A, ß as SS), then
// by the folded bytes. Negative, 0 or positive.
int TextVergleichen(std::string_view a, std::string_view b);

// The host's Like: * any run, ? one character, # one digit, [abc] [a-z] one
// of, [!a-z] none of; [*] [?] [#] [[] stand for themselves; compared without
// regard to case. A "[" without closing "]" is an ordinary character.
bool JetLike(std::string_view wert, std::string_view muster);

// A Like pattern that matches exactly `text` (case-blind): * ? # [ become
// [*] [?] [#] [[]. For SQL texts that compare a file name or folder with
// Like but mean it literally.
std::string LikeMaskieren(std::string_view text);

// The database engine a text is translated for.
enum class SqlZiel { SQLite, PostgreSQL };

// What a translation for a database server needs to know of its schema:
// names there are case-sensitive, text is compared through the folding
// functions the layer installs, and row ids are an ordinary column. Keys
// are folded names (Falten).
struct SqlKatalog {
  std::unordered_map<std::string, std::string> Namen;    // tables and columns, exact spelling
  std::unordered_set<std::string> TextSpalten;            // columns of a text type
  std::unordered_set<std::string> MitZeile;               // tables with a row-id column
  std::unordered_map<std::string, std::string> Schatten;  // column -> its folded shadow column
};

struct JetAnweisung {
  std::string Sql;          // the text for SQLite
  bool IstAbfrage = false;  // a SELECT (rows come back)
  // For a SELECT over one table without join, grouping or DISTINCT: the
  // table's name; the text then also returns the row id as kZeilenSpalte
  // (first column) and, without ORDER BY, sorts by it (table order).
  // A join without ORDER BY is sorted by the row ids of its tables, the last
  // table named first.
  std::string Tabelle;
};

// Translates one statement. Raises VbFehler 3075 for a literal or bracketed
// name that is not closed. Without `mitZeilen` no row ids are asked for
// (views and tables without row id); rows then come as SQLite gives them.
JetAnweisung JetUebersetzen(std::string_view jet, bool mitZeilen = true);
// The same for an engine; PostgreSQL needs the catalog of the schema.
JetAnweisung JetUebersetzen(std::string_view jet, SqlZiel ziel, bool mitZeilen = true,
                            const SqlKatalog* katalog = nullptr);

// Plain SQLite text of this program (placeholders ?N, "rowid", GLOB,
// IS / IS NOT, names in any case) written for PostgreSQL.
std::string SqliteTextFuerPostgres(std::string_view sql, const SqlKatalog& katalog);

// The hidden row-id column of tables on a database server.
inline constexpr const char* kServerZeilenSpalte = "vxm_zeile";

}  // namespace vxm
