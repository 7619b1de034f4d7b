#include "files/ordnerstatistik.h"

#include <limits>

#include "platform/dienste.h"
#include "platform/fehler.h"

namespace vxm {
namespace {

void Addieren(int32_t& ziel, std::size_t n) {
  const int64_t s = static_cast<int64_t>(ziel) + static_cast<int64_t>(n);
  ziel = static_cast<int32_t>(std::min<int64_t>(s, std::numeric_limits<int32_t>::max()));
}

std::string Unter(const std::string& ordner, const std::string& name) {
  return ordner.empty() || ordner.back() == '\\' ? ordner + name : ordner + "\\" + name;
}

}  // namespace

void OrdnerZaehlen(const std::string& ordner, int32_t& unterordner, int32_t& dateien, double& groesse,
                   int32_t* ungelesen) {
  std::vector<std::string> unter;
  try {
    unter = Dienste().Dateien->SubFolders(ordner);
  } catch (const VbFehler&) {
    if (ungelesen) ++*ungelesen;
    return;
  }
  for (const auto& u : unter) {
    const std::string pfad = Unter(ordner, u);
    OrdnerZaehlen(pfad, unterordner, dateien, groesse, ungelesen);
    try {
      const auto dort = Dienste().Dateien->SubFolders(pfad);
      const auto dateienDort = Dienste().Dateien->Files(pfad);
      Addieren(unterordner, dort.size());
      Addieren(dateien, dateienDort.size());
      for (const auto& d : dateienDort) groesse += static_cast<double>(d.Groesse);
    } catch (const VbFehler&) {
      if (ungelesen) ++*ungelesen;
    }
  }
}

void OrdnerStatistik(std::string pfad, int32_t& unterordner, int32_t& dateien, double& groesse,
                     int32_t* ungelesen) {
  if (pfad.empty() || pfad.back() != '\\') pfad += "\\";
  auto& fs = *Dienste().Dateien;
  try {
    fs.GetFolder(pfad);
  } catch (const VbFehler&) {
    return;
  }
  groesse = 0;
  OrdnerZaehlen(pfad, unterordner, dateien, groesse, ungelesen);
  try {
    const auto eigene = fs.SubFolders(pfad);
    const auto eigeneDateien = fs.Files(pfad);
    Addieren(unterordner, eigene.size());
    Addieren(dateien, eigeneDateien.size());
    for (const auto& d : eigeneDateien) groesse += static_cast<double>(d.Groesse);
  } catch (const VbFehler&) {
    if (ungelesen) ++*ungelesen;
  }
}

}  // namespace vxm
