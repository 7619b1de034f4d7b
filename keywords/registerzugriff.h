// Indexed lookups of the keyword register.
//
// The register operations identify a file by name and folder and a keyword
// by name, both compared without regard to case, and take the first row in
// table order. Walking whole tables for that grows with the register; these
// functions give the same answers through the indexes on the folded shadow
// columns (see RegisterAnlegen) and on the link table. Names are plain data:
// "*", "?", "[", "%", "_" and quotes match only themselves.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datenbank.h"

namespace vxm {

// Dateinummer of the first Dateiinfo row whose Dateiname equals `name` and
// whose Dateipfad equals `ordner` (case-blind, exact); 0 when there is none.
int32_t DateiNummerSuchen(Datenbank& db, std::string_view name, std::string_view ordner);

// The row of the file `name` in `ordner` as it is on disk. The register is
// case-blind, as its host's file system; on this one two files of a folder
// may differ in letter case alone. A row that keeps the other file's exact
// name, while both files are there, is that file's: 0 then, unless a row
// keeps `name` itself. Otherwise as DateiNummerSuchen.
int32_t DateiNummerDerDatei(Datenbank& db, std::string_view name, std::string_view ordner);
// The exact name of the file beside `name` whose row the register holds for
// both spellings, when DateiNummerDerDatei gives `name` none for that
// reason; empty otherwise.
std::string GrossKleinZwilling(Datenbank& db, std::string_view name, std::string_view ordner);

// KeywordID of the first Keyword row whose name equals `name` (case-blind);
// 0 when there is none.
int32_t KeywordIdSuchen(Datenbank& db, std::string_view name);

// The KeywordIDs linked to a file, in the order the links were made.
std::vector<int32_t> KeywordIdsDerDatei(Datenbank& db, int32_t dateinummer);

// The keyword names of a file, in the order the links were made (the rows
// of the "keywords of a file" query).
std::vector<std::string> KeywordsDerDatei(Datenbank& db, int32_t dateinummer);

bool VerknuepfungVorhanden(Datenbank& db, int32_t dateinummer, int32_t keywordId);

// Links a keyword to a file unless the pair exists; true when a row was
// added. Check and insert run in one transaction, so two processes cannot
// both add the pair.
bool VerknuepfungAnhaengen(Datenbank& db, int32_t dateinummer, int32_t keywordId);

struct RegisterTreffer {
  int32_t Dateinummer = 0;
  std::string Dateiname;
  std::string Dateipfad;
  bool operator==(const RegisterTreffer&) const = default;
};

// The files carrying a keyword, ordered by Dateinummer (the rows of the
// single-keyword search).
std::vector<RegisterTreffer> DateienMitKeyword(Datenbank& db, int32_t keywordId);

}  // namespace vxm
