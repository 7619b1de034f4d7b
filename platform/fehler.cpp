#include "platform/fehler.h"

namespace vxm {

VbFehler::VbFehler(int32_t nummer, std::string beschreibung, std::string hilfeDatei,
                   int32_t hilfeKontext)
    : std::runtime_error(std::to_string(nummer) + ": " + beschreibung),
      Nummer(nummer),
      Beschreibung(std::move(beschreibung)),
      HilfeDatei(std::move(hilfeDatei)),
      HilfeKontext(hilfeKontext) {}

VbFehler VbFehler::Standard(int32_t nummer) { return VbFehler(nummer, StandardBeschreibung(nummer)); }

std::string StandardBeschreibung(int32_t nummer) {
  using namespace fehlernr;
  switch (nummer) {
    case UngueltigerAufruf: return "Unzulässiger Prozeduraufruf oder ungültiges Argument";
    case Ueberlauf: return "Überlauf";
    case IndexAusserhalb: return "Index außerhalb des gültigen Bereichs";
    case TypenUnvertraeglich: return "Typen unverträglich";
    case InternerFehler: return "Interner Fehler";
    case DateinameFalsch: return "Dateiname oder -nummer falsch";
    case DateiNichtGefunden: return "Datei nicht gefunden";
    case GeraeteEA: return "Geräte-E/A-Fehler";
    case DateiExistiert: return "Datei existiert bereits";
    case DatentraegerVoll: return "Datenträger voll";
    case ZugriffVerweigert: return "Zugriff verweigert";
    case NichtBereit: return "Datenträger nicht bereit";
    case AnderesLaufwerk: return "Umbenennen auf anderes Laufwerk nicht möglich";
    case PfadZugriffsfehler: return "Fehler beim Zugriff auf Pfad/Datei";
    case PfadNichtGefunden: return "Pfad nicht gefunden";
    case UngueltigeNull: return "Unzulässige Verwendung von Null";
    case ObjektEntladen: return "Objekt wurde entladen";
    case ObjektErstellung: return "Objekterstellung durch ActiveX-Komponente nicht möglich";
    case Automatisierung: return "Automatisierungsfehler";
    case UngueltigesBild: return "Ungültiges Bild";
    case Druckerfehler: return "Druckerfehler";
    default: return "Anwendungs- oder objektdefinierter Fehler";
  }
}

}  // namespace vxm
