// Helpers of the full-text index's own statements, shared by the files that
// make up the index's storage (volltextindex.cpp, volltextordner.cpp).
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace vxm::volltext::anweisung {

// Resets a kept statement and its bindings when it leaves scope.
struct Zurueck {
  sqlite3_stmt* s;
  ~Zurueck() {
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
  }
};

inline void Binden(sqlite3_stmt* s, int i, std::string_view t) {
  sqlite3_bind_text(s, i, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

inline std::string Spalte(sqlite3_stmt* s, int i) {
  const auto* p = static_cast<const char*>(sqlite3_column_blob(s, i));
  return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(s, i))) : std::string();
}

// The folder part of a key.
inline std::string Ordnerteil(const std::string& schluessel) {
  const auto p = schluessel.rfind('\\');
  return p == std::string::npos ? std::string() : schluessel.substr(0, p);
}

}  // namespace vxm::volltext::anweisung
