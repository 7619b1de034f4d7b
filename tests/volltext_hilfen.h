// Shared by the full-text tests: zip files built by hand (deflated with
// zlib), LibreOffice headless for real office files, and the helper program.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace vxm::test {

// A zip archive of deflated members. `luegen` declares every member as
// `luegen` bytes long in the headers (a lying bomb); 0 tells the truth.
inline std::string ZipBauen(const std::vector<std::pair<std::string, std::string>>& teile,
                            std::uint32_t luegen = 0) {
  std::string zip, zentral;
  auto u16 = [](std::string& s, std::uint32_t v) { s += char(v & 0xFF); s += char((v >> 8) & 0xFF); };
  auto u32 = [&](std::string& s, std::uint32_t v) { u16(s, v & 0xFFFF); u16(s, v >> 16); };
  for (const auto& [name, inhalt] : teile) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string gepackt(deflateBound(&z, inhalt.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(inhalt.data()));
    z.avail_in = static_cast<uInt>(inhalt.size());
    z.next_out = reinterpret_cast<Bytef*>(gepackt.data());
    z.avail_out = static_cast<uInt>(gepackt.size());
    deflate(&z, Z_FINISH);
    gepackt.resize(z.total_out);
    deflateEnd(&z);
    const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(inhalt.data()),
                                                      static_cast<uInt>(inhalt.size())));
    const std::uint32_t groesse = luegen ? luegen : static_cast<std::uint32_t>(inhalt.size());
    const auto versatz = static_cast<std::uint32_t>(zip.size());
    u32(zip, 0x04034b50); u16(zip, 20); u16(zip, 0); u16(zip, 8); u16(zip, 0); u16(zip, 0);
    u32(zip, crc); u32(zip, static_cast<std::uint32_t>(gepackt.size())); u32(zip, groesse);
    u16(zip, static_cast<std::uint32_t>(name.size())); u16(zip, 0);
    zip += name;
    zip += gepackt;
    u32(zentral, 0x02014b50); u16(zentral, 20); u16(zentral, 20); u16(zentral, 0); u16(zentral, 8);
    u16(zentral, 0); u16(zentral, 0); u32(zentral, crc); u32(zentral, static_cast<std::uint32_t>(gepackt.size()));
    u32(zentral, groesse); u16(zentral, static_cast<std::uint32_t>(name.size())); u16(zentral, 0);
    u16(zentral, 0); u16(zentral, 0); u16(zentral, 0); u32(zentral, 0); u32(zentral, versatz);
    zentral += name;
  }
  const auto anfang = static_cast<std::uint32_t>(zip.size());
  zip += zentral;
  u32(zip, 0x06054b50); u16(zip, 0); u16(zip, 0);
  u16(zip, static_cast<std::uint32_t>(teile.size())); u16(zip, static_cast<std::uint32_t>(teile.size()));
  u32(zip, static_cast<std::uint32_t>(zentral.size())); u32(zip, anfang); u16(zip, 0);
  return zip;
}

inline void Schreiben(const std::filesystem::path& p, const std::string& inhalt) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << inhalt;
}

inline bool SofficeDa() { return std::system("command -v soffice >/dev/null 2>&1") == 0; }

// Converts `quelle` with LibreOffice headless into `ziel` (an existing
// folder); `filter` like "docx" or "pdf". One call may convert many files.
// `profil` is the LibreOffice profile: one per test, since two instances
// on one profile (tests run in parallel) hand over to each other and fail.
inline bool Umwandeln(const std::vector<std::filesystem::path>& quellen, const std::string& filter,
                      const std::filesystem::path& ziel, const std::filesystem::path& profil) {
  std::string befehl = "cd '" + ziel.string() + "' && timeout 180 soffice -env:UserInstallation=file://" +
                       profil.string() + " --headless --norestore --convert-to '" + filter + "' --outdir '" +
                       ziel.string() + "'";
  for (const auto& q : quellen) befehl += " '" + q.string() + "'";
  befehl += " >/dev/null 2>&1";
  return std::system(befehl.c_str()) == 0;
}

// The helper program beside the tests, when built.
inline void HelferEinstellen() {
  if (const char* b = std::getenv("VXM_BUILD")) {
    const auto h = std::filesystem::path(b) / "vxmdorvex-extrakt";
    if (std::filesystem::exists(h)) ::setenv("VXM_EXTRAKT", h.c_str(), 1);
  }
}

}  // namespace vxm::test
