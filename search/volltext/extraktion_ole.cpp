// Legacy binary office files (.doc, .xls, .ppt): Debian's catdoc, xls2csv
// and catppt (antiword for Word files catdoc cannot read), each as a child
// process with a time limit, so a file that makes a converter hang or crash
// costs that file only.
#include "search/volltext/extraktion.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/text.h"
#include "search/volltext/faltung.h"
#include "search/volltext/kindprozess.h"

namespace vxm::volltext::auslese_intern {

namespace {

// A record header of the presentation format: version and instance, type, length.
struct Satz {
  std::uint16_t Version, Typ;
  std::uint32_t Laenge;
};
std::optional<Satz> SatzBei(std::string_view b, std::size_t i) {
  if (i + 8 > b.size()) return std::nullopt;
  auto u16 = [&](std::size_t k) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[k]) | (static_cast<unsigned char>(b[k + 1]) << 8));
  };
  Satz s{static_cast<std::uint16_t>(u16(i) & 0xF), u16(i + 2),
         static_cast<std::uint32_t>(u16(i + 4) | (static_cast<std::uint32_t>(u16(i + 6)) << 16))};
  if (s.Laenge == 0 || s.Laenge > b.size() - i - 8) return std::nullopt;
  return s;
}

constexpr std::uint16_t kTextZeichen = 0x0FA0, kTextBytes = 0x0FA8, kHauptmaster = 0x03F8;

// Text of one record, or nothing when it holds what no slide text holds.
std::optional<std::string> TextDesSatzes(std::string_view inhalt, bool utf16) {
  std::string aus;
  for (std::size_t i = 0; i < inhalt.size(); i += utf16 ? 2 : 1) {
    char32_t c = static_cast<unsigned char>(inhalt[i]);
    if (utf16) c |= static_cast<char32_t>(static_cast<unsigned char>(inhalt[i + 1])) << 8;
    if (c == '\r' || c == 0x0B) c = '\n';  // paragraph and line breaks
    if ((c < 0x20 && c != '\n' && c != '\t') || (c >= 0xD800 && c < 0xE000)) return std::nullopt;
    if (utf16)
      Utf8Anhaengen(c, aus);
    else
      aus += Utf8AusCp1252(std::string(1, static_cast<char>(c)));
  }
  return aus;
}

}  // namespace

std::string PraesentationsText(std::string_view b) {
  // The records are read where they lie in the file (a small presentation's
  // stream lies in one piece); the master's placeholders ("Click to edit...")
  // are in every file and no slide's text.
  std::vector<std::pair<std::size_t, std::size_t>> master;
  std::vector<std::pair<std::size_t, std::string>> texte;
  for (std::size_t i = 0; i + 8 <= b.size(); ++i) {
    const auto s = SatzBei(b, i);
    if (!s) continue;
    if (s->Version == 0xF && s->Typ == kHauptmaster) master.emplace_back(i, i + 8 + s->Laenge);
    const bool utf16 = s->Typ == kTextZeichen;
    if (s->Version != 0 || (!utf16 && s->Typ != kTextBytes) || (utf16 && s->Laenge % 2)) continue;
    if (auto t = TextDesSatzes(b.substr(i + 8, s->Laenge), utf16)) texte.emplace_back(i, std::move(*t));
  }
  std::string aus;
  for (const auto& [wo, text] : texte) {
    bool imMaster = false;
    for (const auto& [von, bis] : master) imMaster = imMaster || (wo >= von && wo < bis);
    if (!imMaster) aus += text + "\n";
  }
  return aus;
}

Auszug OleAuslesen(const std::filesystem::path& datei, const std::string& bytes,
                   const Ausleseoptionen& o) {
  Auszug a;
  const std::string e = Dateiendung(datei);
  std::vector<std::vector<std::string>> versuche;
  const std::string pfad = datei.string();
  if (e == "xls" || e == "xlt" || e == "xlw") {
    a.Art = "xls";
    versuche = {{"xls2csv", "-d", "utf-8", "-q", "0", pfad}};
  } else if (e == "ppt" || e == "pps" || e == "pot") {
    a.Art = "ppt";
    versuche = {{"catppt", "-d", "utf-8", pfad}};
  } else if (e != "doc" && e != "dot" && e != "wps" && e != "wri") {
    // Other compound files (gallery themes, installer data, mail items):
    // no converter knows them; their strings are what the byte search sees.
    a.Art = "ole";
    a.Text = "\f\n";
    DruckbareFolgen(bytes, a.Text);
    return a;
  } else {
    a.Art = "doc";
    versuche = {{"catdoc", "-d", "utf-8", "-w", pfad}, {"antiword", "-m", "UTF-8.txt", "-w", "0", pfad}};
  }
  std::string grund;
  bool ok = false;
  for (const auto& v : versuche) {
    const Programmlauf lauf = ProgrammAusfuehren(v, std::chrono::seconds(o.ProgrammSekunden), o.MaxText);
    if (!lauf.Gestartet) {
      grund = v[0] + " fehlt (Paket installieren)";
      continue;
    }
    if (lauf.Zeitueberschreitung) {
      grund = v[0] + " hat die Zeitgrenze überschritten";
      continue;
    }
    if (lauf.Exitstatus != 0 && !lauf.Gekuerzt) {
      grund = v[0] + (lauf.Signal ? " abgestürzt (Signal " + std::to_string(lauf.Signal) + ")"
                                  : " meldet Fehler " + std::to_string(lauf.Exitstatus));
      continue;
    }
    a.Text = AlsUtf8(lauf.Ausgabe);
    a.Gekuerzt = lauf.Gekuerzt;
    ok = true;
    break;
  }
  if (!ok) {
    a.Status = Auszugsstatus::NichtIndizierbar;
    a.Grund = grund;
    return a;
  }
  // catppt reads no slide of a presentation LibreOffice saved (and says
  // nothing): the slides' text records are read here too.
  if (a.Art == "ppt") a.Text += "\n" + PraesentationsText(bytes);
  // 8-bit text pieces and the summary fields lie in the file as they are.
  a.Text += "\n\f\n";
  DruckbareFolgen(bytes, a.Text);
  return a;
}

}  // namespace vxm::volltext::auslese_intern
