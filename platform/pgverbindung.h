// The PostgreSQL engine under the record sets (see verbindung.h).
//
// A database on a server is named by "postgresql:" and a libpq connection
// string ("postgresql:service=vxm", "postgresql:host=server dbname=vxm"), or
// a libpq URI ("postgresql://server/vxm"). Passwords come from ~/.pgpass or
// a service file, never from the text itself.
//
// What makes the server answer as the SQLite files do:
// - names keep their spelling (the translation writes them as the schema
//   spells them, whatever case the SQL text uses);
// - text is compared through vxm_falten and sorted through vxm_grund, two
//   functions the layer installs, generated from Falten and Sortierform;
//   text columns use the "C" collation, so < and > compare bytes;
// - each table has a row-id column vxm_zeile (the integer key where there is
//   one, else an identity), so rows come in the order they were added;
// - writers take one lock per database (pg_advisory_xact_lock), as SQLite's
//   write lock does, so check-then-insert never adds a row twice; a change
//   for named rows (Transaktion with names) shares it and locks its names;
// - a connection that breaks rolls the open change back on the server; the
//   next statement outside a transaction connects again.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/verbindung.h"

namespace vxm {

// Server connections are named by this prefix.
inline constexpr std::string_view kServerPraefix = "postgresql:";
bool IstServerVerbindung(std::string_view text);

// Connects (error 3151 with the server named when it cannot be reached
// within the connect timeout, 10 s unless the text sets connect_timeout).
std::unique_ptr<Verbindung> PostgresVerbinden(const std::string& verbindung);

// Creates the register's tables, functions and triggers in the schema the
// connection works in (error 3204 when a table of the register is there).
void PostgresRegisterAnlegen(const std::string& verbindung);

// The connection text carries a password.
bool EnthaeltPasswort(std::string_view verbindung);

// The text shown for a connection string (passwords hidden).
std::string ServerName(std::string_view verbindung);

}  // namespace vxm
