// The hosts' address export (demo and stand-alone program): the outside
// component AdressExport of the serial letters, writing the tenants of the
// called Objekt from the host data database (a SQLite file) as a real
// Excel 97 workbook (through LibreOffice).
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/komponenten.h"

namespace vxm::wirt {

class TabellenAdressExport : public AdressExport {
 public:
  void Etiketten(std::vector<Variant>& aufrufParameter) override;
  void Vorschreibung(std::vector<Variant>& aufrufParameter) override;
};

// Columns of the workbook, in order (the last only for "Vorschreibung").
inline const std::vector<std::string> kAdressSpalten = {"Anrede", "Name", "Straße", "PLZ", "Ort",
                                                       "Objekt", "BE", "BN"};
inline constexpr const char* kSpalteVorschreibung = "Vorschreibung";

// Rows of the export as text (header first), for the workbook and for tests:
// the tenants of Objekt `objekt` (all when objekt <= 0) from the SQLite file
// `datenbank`. Address columns the tables lack stay empty; a tenant without
// a street of its own gets the Objekt's address when ObjDaten carries one.
std::vector<std::vector<std::string>> AdressZeilen(const std::filesystem::path& datenbank,
                                                   int32_t objekt, bool mitVorschreibung);

// Sample tenants for the demo store, written only into a database whose
// Bestandnehmerdaten table is missing or empty.
void BeispieladressenAnlegen(const std::filesystem::path& datenbank);

}  // namespace vxm::wirt
