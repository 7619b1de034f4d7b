// Small helpers for code that uses prepared SQLite statements of a
// Datenbank directly (indexed register lookups and upkeep).
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace vxm::sql {

// Resets a cached statement when it leaves scope, so no read stays open.
struct Zuruecksetzen {
  sqlite3_stmt* s;
  ~Zuruecksetzen() { sqlite3_reset(s); }
};

inline void TextBinden(sqlite3_stmt* s, int i, std::string_view text) {
  sqlite3_bind_text(s, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// A text column of the current row; valid until the next step or reset.
inline std::string_view SpaltenText(sqlite3_stmt* s, int i) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
  return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(s, i))) : std::string_view();
}

}  // namespace vxm::sql
