#include "create/buerodatei.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <system_error>

#include "create/libreoffice.h"
#include "platform/benutzerordner.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/text.h"

namespace vxm {
namespace fs = std::filesystem;
namespace {

std::mutex gOrdnerSperre;
fs::path gOrdner;  // set by VorlagenOrdnerSetzen

struct Typ {
  const char* Endung;      // without dot, lower case
  const char* Quellname;   // what LibreOffice converts
  const char* Quelle;      // its content
  const char* Ziel;        // --convert-to argument
};

// An empty presentation as flat ODF: LibreOffice has no empty input for
// presentations that it would import as such, so we write one page ourselves.
constexpr const char* kLeerePraesentation =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
 <office:body>
  <office:presentation>
   <draw:page draw:name="Folie1"/>
  </office:presentation>
 </office:body>
</office:document>
)";

constexpr std::array<Typ, 3> kTypen{{
    {"doc", "leer.txt", "", "doc:MS Word 97"},
    {"xls", "leer.csv", "", "xls:MS Excel 97"},
    {"ppt", "leer.fodp", kLeerePraesentation, "ppt:MS PowerPoint 97"},
}};

const Typ* TypFinden(const std::string& endung) {
  std::string e = Klein(endung);
  if (!e.empty() && e.front() == '.') e.erase(0, 1);
  for (const Typ& t : kTypen) {
    if (e == t.Endung) return &t;
  }
  return nullptr;
}

void Setzen(std::string* ziel, const std::string& text) {
  if (ziel) *ziel = text;
}

std::string Zufallsname() {
  static thread_local std::mt19937_64 zufall{std::random_device{}()};
  return std::to_string(zufall());
}

}  // namespace

fs::path VorlagenOrdner() {
  {
    std::lock_guard<std::mutex> sperre(gOrdnerSperre);
    if (!gOrdner.empty()) return gOrdner;
  }
  return BenutzerOrdner(Ordnerart::Cache) / "vxmdorvex" / "vorlagen";
}

void VorlagenOrdnerSetzen(fs::path ordner) {
  std::lock_guard<std::mutex> sperre(gOrdnerSperre);
  gOrdner = std::move(ordner);
}

bool IstOle2Datei(const fs::path& datei) {
  static constexpr unsigned char kSignatur[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::ifstream ein(datei, std::ios::binary);
  char kopf[8] = {};
  if (!ein.read(kopf, sizeof kopf)) return false;  // shorter than the signature, or unreadable
  for (std::size_t i = 0; i < sizeof kopf; ++i) {
    if (static_cast<unsigned char>(kopf[i]) != kSignatur[i]) return false;
  }
  // A compound file is at least its header sector long.
  std::error_code ec;
  return fs::file_size(datei, ec) >= 512 && !ec;
}

bool IstBueroEndung(const std::string& endung) { return TypFinden(endung) != nullptr; }

std::optional<fs::path> LeereVorlage(const std::string& endung, std::string* fehler) {
  const Typ* typ = TypFinden(endung);
  if (!typ) {
    Setzen(fehler, "kein Bürodateityp: " + endung);
    return std::nullopt;
  }
  const fs::path ordner = VorlagenOrdner();
  const fs::path vorlage = ordner / (std::string("leer.") + typ->Endung);
  if (IstOle2Datei(vorlage)) return vorlage;

  std::error_code ec;
  fs::create_directories(ordner, ec);
  if (ec) {
    Setzen(fehler, "Vorlagenordner " + ordner.string() + ": " + ec.message());
    return std::nullopt;
  }
  // Built in a folder of its own beside the cache, then moved in with one
  // rename: a concurrent user sees the old state or the whole new file.
  const fs::path bau = ordner / (".bau-" + Zufallsname());
  fs::create_directory(bau, ec);
  if (ec) {
    Setzen(fehler, "Bauordner " + bau.string() + ": " + ec.message());
    return std::nullopt;
  }
  const fs::path quelle = bau / typ->Quellname;
  {
    std::ofstream aus(quelle, std::ios::binary);
    aus << typ->Quelle;
  }
  KonvertierErgebnis k = Konvertieren(quelle, typ->Ziel, bau);
  std::optional<fs::path> ergebnis;
  if (!k.Erfolg) {
    Setzen(fehler, k.Fehler);
  } else if (!IstOle2Datei(k.Datei)) {
    Setzen(fehler, "LibreOffice lieferte keine gültige ." + std::string(typ->Endung) + "-Datei");
  } else {
    fs::rename(k.Datei, vorlage, ec);
    if (ec) {
      Setzen(fehler, "Vorlage " + vorlage.string() + ": " + ec.message());
    } else {
      ergebnis = vorlage;
    }
  }
  fs::remove_all(bau, ec);
  return ergebnis;
}

std::future<std::optional<fs::path>> LeereVorlageImHintergrund(const std::string& endung) {
  return std::async(std::launch::async, [endung] { return LeereVorlage(endung); });
}

bool NeueBueroDatei(const std::string& endung, const std::string& zielPfad, std::string* fehler) {
  auto vorlage = LeereVorlage(endung, fehler);
  if (!vorlage) return false;
  std::string inhalt;
  {
    std::ifstream ein(*vorlage, std::ios::binary);
    inhalt.assign(std::istreambuf_iterator<char>(ein), std::istreambuf_iterator<char>());
    if (!ein.good() && !ein.eof()) {
      Setzen(fehler, "Vorlage nicht lesbar: " + vorlage->string());
      return false;
    }
  }
  try {
    // Whole or not at all, never over an existing file (58 then).
    Dienste().Dateien->NeueDateiSchreiben(zielPfad, inhalt);
    return true;
  } catch (const VbFehler& f) {
    Setzen(fehler, f.Beschreibung);
  } catch (const std::exception& f) {
    Setzen(fehler, f.what());
  }
  return false;
}

}  // namespace vxm
