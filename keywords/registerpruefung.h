// What the register's own check finds beyond the file's integrity: counts,
// stale folded names, links that point nowhere, files registered twice.
// One pass per table (and one over the name index for the duplicates), so
// the check grows with the register as the integrity check does.
#pragma once

#include <cstdint>

namespace vxm {

class Datenbank;

struct RegisterBefund {
  int64_t Dateien = 0, Keywords = 0, Verknuepfungen = 0;
  // rows whose shadow column differs from the folded name
  int64_t DateinamenVeraltet = 0, DateipfadeVeraltet = 0, KeywordsVeraltet = 0;
  int64_t OhneDatei = 0, OhneKeyword = 0;
  int64_t Doppelt = 0;  // name-and-folder keys held by more than one row
};

RegisterBefund RegisterBefundErheben(Datenbank& db);

}  // namespace vxm
