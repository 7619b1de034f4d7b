// Legacy binary office files (.doc, .xls, .ppt): Debian's catdoc, xls2csv
// and catppt (antiword for Word files catdoc cannot read), each as a child
// process with a time limit, so a file that makes a converter hang or crash
// costs that file only.
#include "search/volltext/extraktion.h"
#include "search/volltext/faltung.h"
#include "search/volltext/kindprozess.h"

namespace vxm::volltext::auslese_intern {

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
    Utf16Folgen(bytes, a.Text);
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
  // 8-bit text pieces and the summary fields lie in the file as they are;
  // the rest as UTF-16, where a converter may not find it (catppt reads no
  // slide of a presentation LibreOffice saved, and says nothing).
  a.Text += "\n\f\n";
  DruckbareFolgen(bytes, a.Text);
  Utf16Folgen(bytes, a.Text);
  return a;
}

}  // namespace vxm::volltext::auslese_intern
