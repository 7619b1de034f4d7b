#include "imaging/scanpdf.h"

#include <new>

#include "imaging/bilddatei.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"
#include "platform/fehler.h"

namespace vxm {
namespace {

void Melden(const std::string& text) { Dienste().Meldungen->MsgBox(text, vbCritical + vbOKOnly, ""); }

}  // namespace

bool ScanZuPdf(const std::string& ordner, const std::string& name, std::unique_ptr<clsPDF>& pdf) {
  const std::string basis = ordner + "\\" + name;
  const std::string bitmap = basis + ".bmp";
  const std::string ziel = basis + ".pdf";

  // A bitmap that was not written completely must not end up in a document.
  if (BildSpeichern(bitmap) != 0) return false;

  // The writer goes first, so that the large document is not held twice.
  pdf.reset();
  pdf = std::make_unique<clsPDF>();
  for (int zaehler = 1; zaehler <= 1; ++zaehler) pdf->PrintLine("Zeile " + std::to_string(zaehler) + "...");
  try {
    Sanduhr sanduhr;
    pdf->DrawPicture(0, 0, 590, 800, bitmap, false);
  } catch (const VbFehler&) {
    Melden("Die gescannte Seite konnte nicht gelesen werden:" + std::string(vbCrLf) + bitmap);
    return false;
  } catch (const std::bad_alloc&) {
    Melden("Zu wenig Speicher für die gescannte Seite." + std::string(vbCrLf) +
           "Die Seite bleibt als Bild erhalten:" + vbCrLf + bitmap);
    return false;
  }
  try {
    Sanduhr sanduhr;
    pdf->SavePDF(ziel);
  } catch (const VbFehler& f) {
    Melden("Die PDF-Datei konnte nicht geschrieben werden:" + std::string(vbCrLf) + ziel + vbCrLf + f.Beschreibung +
           vbCrLf + "Die gescannte Seite bleibt als Bild erhalten:" + vbCrLf + bitmap);
    return false;
  } catch (const std::bad_alloc&) {
    Melden("Zu wenig Speicher für die PDF-Datei." + std::string(vbCrLf) +
           "Die gescannte Seite bleibt als Bild erhalten:" + vbCrLf + bitmap);
    return false;
  }
  try {
    Dienste().Dateien->DeleteFile(bitmap, true);
  } catch (const VbFehler&) {
    // The document exists; a left-over bitmap costs only space.
  }
  return true;
}

}  // namespace vxm
