// Statements of the register code: plain SQL in SQLite's spelling (?N
// placeholders, rowid), kept prepared by the connection and written for its
// engine (see Verbindung::Gespeichert).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/datenbank.h"
#include "platform/verbindung.h"

namespace vxm::sql {

// A kept statement, reset when it leaves scope so no read stays open.
class Abfrage {
 public:
  Abfrage(Datenbank& db, const std::string& sql) : v_(db.Anbindung()), b_(v_.Gespeichert(sql)) {
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

}  // namespace vxm::sql
