// What the layer keeps in a PostgreSQL database: the folding functions
// (generated from this program's Falten and Sortierform, so the server
// compares text exactly as the SQLite files do) and the register's tables.
#pragma once

#include <string>

#include "platform/verbindung.h"

namespace vxm {

// CREATE OR REPLACE of vxm_falten(text) and vxm_grund(text).
std::string FaltungsfunktionenSql();

// On connecting: installs or renews the folding functions when they are
// missing or of another folding version, and then refolds the register's
// shadow columns (nothing happens on a database this user cannot change).
void LayerEinrichten(Verbindung& v);

// The register's tables, key and shadow triggers (in a transaction of `v`).
void RegisterSchemaAnlegen(Verbindung& v);

}  // namespace vxm
