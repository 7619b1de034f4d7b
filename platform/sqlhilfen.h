// Statements of the register code: plain SQL in SQLite's spelling (?N
// placeholders, rowid), kept prepared by the connection and written for its
// engine (see Verbindung::Gespeichert).
//
// Code that still speaks plain SQLite through Datenbank::Anweisung (a file
// only) finds the older helpers for raw statements at the end.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/datenbank.h"
#include "platform/verbindung.h"

namespace vxm::sql {

// A kept statement, reset when it leaves scope so no read stays open.
class Abfrage {
 public:
  Abfrage(Datenbank& db, const std::string& sql) : Abfrage(db, db.Anbindung().Gespeichert(sql)) {}
  // A kept statement already looked up (the same one many times in a row).
  Abfrage(Datenbank& db, Befehl& gespeichert) : v_(db.Anbindung()), b_(gespeichert) {
    b_.Zuruecksetzen();
    b_.BindungenLoeschen();
  }
  ~Abfrage() { b_.Zuruecksetzen(); }
  Abfrage(const Abfrage&) = delete;
  Abfrage& operator=(const Abfrage&) = delete;

  Abfrage& Text(int i, std::string_view text) {
    b_.TextBinden(i, text);
    return *this;
  }
  Abfrage& Zahl(int i, int64_t zahl) {
    b_.ZahlBinden(i, zahl);
    return *this;
  }
  Abfrage& Wert(int i, const Variant& wert) {
    b_.Binden(i, wert);
    return *this;
  }
  // The next row; false at the end.
  bool Zeile() { return b_.Schritt(); }
  // Runs to the end; the rows changed.
  int64_t Ausfuehren() {
    while (b_.Schritt()) {
    }
    return b_.Geaendert();
  }
  // A text column of the current row; valid until the next row or reset.
  std::string_view Spalte(int i) const { return b_.TextWert(i); }
  int64_t ZahlSpalte(int i) const { return b_.ZahlWert(i); }
  bool IstNull(int i) const { return b_.IstNull(i); }
  Variant WertSpalte(int i) const { return b_.Wert(i); }

 private:
  Verbindung& v_;
  Befehl& b_;
};

// Runs an INSERT of one row and returns its row id (the integer key of the
// table where it has one).
class Einfuegen {
 public:
  Einfuegen(Datenbank& db, const std::string& sql)
      : v_(db.Anbindung()), b_(v_.Gespeichert(v_.MitNeuerZeile(sql))) {
    b_.Zuruecksetzen();
    b_.BindungenLoeschen();
  }
  ~Einfuegen() { b_.Zuruecksetzen(); }
  Einfuegen(const Einfuegen&) = delete;
  Einfuegen& operator=(const Einfuegen&) = delete;

  Einfuegen& Text(int i, std::string_view text) {
    b_.TextBinden(i, text);
    return *this;
  }
  Einfuegen& Zahl(int i, int64_t zahl) {
    b_.ZahlBinden(i, zahl);
    return *this;
  }
  int64_t Ausfuehren() {
    b_.Schritt();
    const int64_t id = v_.NeueZeile(b_);
    b_.Zuruecksetzen();
    return id;
  }

 private:
  Verbindung& v_;
  Befehl& b_;
};

// --- raw SQLite statements (Datenbank::Anweisung; SQLite files only) ----------

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
