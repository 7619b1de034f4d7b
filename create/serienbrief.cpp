#include "create/serienbrief.h"

#include <array>
#include <cstdint>
#include <cstdio>

#include "basis/dateifunktionen.h"
#include "basis/fehlermelden.h"
#include "basis/zustand.h"
#include "create/libreoffice.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/text.h"

namespace vxm {
namespace {

// --- a zip archive with stored (uncompressed) entries, enough for ODF ---

uint32_t Crc32(const std::string& daten) {
  static const std::array<uint32_t, 256> tabelle = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : daten) c = tabelle[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void U16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void U32(std::string& s, uint32_t v) {
  U16(s, v & 0xFFFF);
  U16(s, v >> 16);
}

struct ZipEintrag {
  std::string Name;
  std::string Daten;
};

std::string ZipGespeichert(const std::vector<ZipEintrag>& eintraege) {
  constexpr uint32_t kZeit = 0, kDatum = (1 << 5) | 1;  // 1980-01-01, fixed: same input, same bytes
  std::string zip, verzeichnis;
  for (const auto& e : eintraege) {
    const uint32_t crc = Crc32(e.Daten);
    const uint32_t versatz = static_cast<uint32_t>(zip.size());
    const uint32_t groesse = static_cast<uint32_t>(e.Daten.size());
    U32(zip, 0x04034b50);
    U16(zip, 10); U16(zip, 0); U16(zip, 0); U16(zip, kZeit); U16(zip, kDatum);
    U32(zip, crc); U32(zip, groesse); U32(zip, groesse);
    U16(zip, static_cast<uint32_t>(e.Name.size())); U16(zip, 0);
    zip += e.Name;
    zip += e.Daten;

    U32(verzeichnis, 0x02014b50);
    U16(verzeichnis, 20); U16(verzeichnis, 10); U16(verzeichnis, 0); U16(verzeichnis, 0);
    U16(verzeichnis, kZeit); U16(verzeichnis, kDatum);
    U32(verzeichnis, crc); U32(verzeichnis, groesse); U32(verzeichnis, groesse);
    U16(verzeichnis, static_cast<uint32_t>(e.Name.size())); U16(verzeichnis, 0); U16(verzeichnis, 0);
    U16(verzeichnis, 0); U16(verzeichnis, 0); U32(verzeichnis, 0); U32(verzeichnis, versatz);
    verzeichnis += e.Name;
  }
  const uint32_t beginn = static_cast<uint32_t>(zip.size());
  zip += verzeichnis;
  U32(zip, 0x06054b50);
  U16(zip, 0); U16(zip, 0);
  U16(zip, static_cast<uint32_t>(eintraege.size())); U16(zip, static_cast<uint32_t>(eintraege.size()));
  U32(zip, static_cast<uint32_t>(verzeichnis.size())); U32(zip, beginn); U16(zip, 0);
  return zip;
}

std::string XmlText(const std::string& text) {
  std::string aus;
  for (char c : text) {
    switch (c) {
      case '&': aus += "&amp;"; break;
      case '<': aus += "&lt;"; break;
      case '>': aus += "&gt;"; break;
      case '"': aus += "&quot;"; break;
      default: aus += c;
    }
  }
  return aus;
}

// Host path behind a Windows path of the current file system, if it has one.
std::optional<std::filesystem::path> HostPfad(const std::string& windowsPfad) {
  auto* host = dynamic_cast<HostDateisystem*>(Dienste().Dateien.get());
  if (!host) return std::nullopt;
  try {
    return std::filesystem::absolute(host->Laufwerke().Aufloesen(windowsPfad).Host);
  } catch (const VbFehler&) {
    return std::nullopt;
  }
}

}  // namespace

std::string KurzDatum(std::time_t zeit) {
  std::tm t{};
  localtime_r(&zeit, &t);
  char text[40];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900);
  return text;
}

std::string AusgabeDokumentName(const std::string& ordner, std::time_t zeit) {
  return ordner + "\\" + "Serienbrief" + KurzDatum(zeit) + ".doc";
}

std::string AdressDateiName(const std::string& ordner, const std::string& art, std::time_t zeit) {
  return ordner + "\\" + "BeAdressen" + art + KurzDatum(zeit) + ".XLS";
}

std::string DatenquelleName(const std::string& ausgabe) {
  const std::size_t schnitt = ausgabe.find_last_of('\\');
  const std::size_t punkt = ausgabe.rfind('.');
  if (punkt == std::string::npos || (schnitt != std::string::npos && punkt < schnitt)) return ausgabe + ".odb";
  return ausgabe.substr(0, punkt) + ".odb";
}

std::string DatenquelleOdb(const std::string& arbeitsmappeHost) {
  const std::string verbindung = "sdbc:calc:" + DateiUrl(arbeitsmappeHost);
  const std::string inhalt =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<office:document-content"
      " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
      " xmlns:db=\"urn:oasis:names:tc:opendocument:xmlns:database:1.0\""
      " xmlns:xlink=\"http://www.w3.org/1999/xlink\" office:version=\"1.2\">\n"
      " <office:body>\n  <office:database>\n   <db:data-source>\n"
      "    <db:connection-data>\n"
      "     <db:connection-resource xlink:href=\"" + XmlText(verbindung) + "\"/>\n"
      "     <db:login db:is-password-required=\"false\"/>\n"
      "    </db:connection-data>\n"
      // Without a filter the data source shows no tables at all.
      "    <db:table-filter><db:table-include-filter>"
      "<db:table-filter-pattern>%</db:table-filter-pattern>"
      "</db:table-include-filter></db:table-filter>\n"
      "   </db:data-source>\n  </office:database>\n </office:body>\n"
      "</office:document-content>\n";
  const std::string manifest =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\""
      " manifest:version=\"1.2\">\n"
      " <manifest:file-entry manifest:full-path=\"/\""
      " manifest:media-type=\"application/vnd.oasis.opendocument.base\"/>\n"
      " <manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>\n"
      "</manifest:manifest>\n";
  // "mimetype" must come first and stored, as ODF requires.
  return ZipGespeichert({{"mimetype", "application/vnd.oasis.opendocument.base"},
                         {"content.xml", inhalt},
                         {"META-INF/manifest.xml", manifest}});
}

void SerienbriefParameterSetzen() {
  auto& p = Zustand().AufrufParameter;
  int32_t objekt = 0;
  try {
    objekt = AlsLong(p[slot::Objekt]);
  } catch (const VbFehler&) {
    objekt = 0;
  }
  p[slot::Objekt] = objekt > 0 ? Variant(objekt) : Variant(std::string());
}

AdressExportErgebnis AdressenExportieren(const std::string& art, const std::string& ordner,
                                         std::time_t jetzt) {
  AdressExportErgebnis ergebnis;
  auto& p = Zustand().AufrufParameter;
  const std::string datei = AdressDateiName(ordner, art, jetzt);
  p[slot::Dokument] = Variant(datei);
  if (DateiVorhanden(datei)) {
    const int antwort =
        Dienste().Meldungen->MsgBox(kFrageDateiLoeschenSerie, vbYesNo + vbQuestion, kTitelDateiLoeschen);
    if (antwort != vbYes) {
      ergebnis.Abgelehnt = true;
      return ergebnis;
    }
    if (!DateiWegwerfen(datei)) {
      // The old workbook stays; an export over it would be taken for a new one.
      ergebnis.Fehler = "Die Datei " + datei + " konnte nicht gelöscht werden.";
      return ergebnis;
    }
  }
  try {
    auto exportierer = Dienste().Komponenten.AdressExportErzeugen();
    if (art == "ETTI") {
      exportierer->Etiketten(p);
    } else {
      exportierer->Vorschreibung(p);
    }
  } catch (const VbFehler& f) {
    ergebnis.Fehler = f.Beschreibung;
  } catch (const std::exception& f) {
    ergebnis.Fehler = f.what();
  }
  try {
    const std::string erzeugt = AlsText(p[slot::Dokument]);
    if (!erzeugt.empty() && DateiVorhanden(erzeugt)) ergebnis.Datei = erzeugt;
  } catch (const VbFehler&) {
    // entry 74 was turned into something that is no file name
  }
  if (ergebnis.Datei.empty() && ergebnis.Fehler.empty()) {
    ergebnis.Fehler = "Die Adressdatei " + datei + " wurde nicht erzeugt.";
  }
  return ergebnis;
}

std::vector<std::string> VorlagenSuchen(const std::string& wurzel) {
  std::vector<std::string> namen;
  try {
    for (const auto& datei : Dienste().Dateien->Files(wurzel)) {
      const std::size_t punkt = datei.Name.rfind('.');
      if (punkt != std::string::npos && Gross(datei.Name.substr(punkt)) == ".DOT") namen.push_back(datei.Name);
    }
  } catch (const VbFehler&) {
    // a missing root has no templates
  }
  return namen;
}

std::string KeineVorlagenMeldung(const std::string& wurzel) {
  return "Keine Vorlagen im Verzeichniss: " + wurzel + " vorhanden." + vbCrLf + vbCrLf +
         "Die Neuanlage wird abgebrochen !";
}

bool SerienbriefVorbereiten(const std::string& adressen, const std::string& dokument,
                            const std::string& ausgabe) {
  if (!DateiVorhanden(adressen) || !DateiVorhanden(dokument)) return false;
  const auto mappe = HostPfad(adressen);
  if (!mappe) return false;

  bool kopiert = false;
  if (Gross(dokument) != Gross(ausgabe)) {
    // Copy over the old output rather than delete it first: a failed copy
    // then leaves the old output as it was.
    if (!DateiKopieren(dokument, ausgabe)) return false;
    kopiert = true;
  }
  try {
    Dienste().Dateien->DateiSchreiben(DatenquelleName(ausgabe), DatenquelleOdb(mappe->string()));
    return true;
  } catch (const VbFehler& f) {
    FehlerMelden(f);
  } catch (const std::exception& f) {
    FehlerMelden(f);
  }
  if (kopiert) DateiLoeschen(ausgabe);
  return false;
}

}  // namespace vxm
