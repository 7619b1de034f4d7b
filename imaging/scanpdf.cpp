#include "imaging/scanpdf.h"

#include <unistd.h>

#include <new>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "files/dateiloeschen.h"
#include "imaging/bilddatei.h"
#include "platform/dateisystem.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"
#include "platform/fehler.h"

namespace vxm {
namespace {

void Melden(const std::string& text) { Dienste().Meldungen->MsgBox(text, vbCritical + vbOKOnly, ""); }

bool Da(const std::string& pfad) { return DateiDa(*Dienste().Dateien, pfad); }

// The PDF the user agreed to replace goes into the desktop's trash once the
// new one is written beside it, then the new one takes its name; false
// where no trash takes it (it is then written over, as without a trash).
bool AltesInDenPapierkorb(const std::string& ziel) {
  try {
    return Dienste().Papierkorb && Dienste().Papierkorb(ziel);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

bool ScanZuPdf(const std::string& ordner, const std::string& name, std::unique_ptr<clsPDF>& pdf,
               Datenbank* register_) {
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
  // An existing PDF is only given up once the new one is whole: written
  // beside it under a partial copy's name first.
  const bool ersetzen = Dienste().Papierkorb && Da(ziel);
  const std::string zwischen = Zwischendateiname(::getpid());
  const std::string neu = ersetzen ? ordner + "\\" + zwischen : ziel;
  auto halbesWeg = [&] {
    try {
      if (ersetzen && Da(neu)) Dienste().Dateien->DeleteFile(neu, true);
    } catch (const VbFehler&) {
      // a hidden partial copy; the folder's next opening removes it
    }
  };
  try {
    Sanduhr sanduhr;
    // Closing the page now gives the same file as letting SavePDF close it,
    // but the writer then need not keep a copy of the page's picture data
    // to reopen the page after its snapshot.
    pdf->NewPage();
    // The bitmap's read-back buffers are gone; hand their memory back before
    // the finished document is copied out.
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    pdf->SavePDF(neu);
    if (ersetzen && register_) {
      DateiErsetzenMitRegister(*register_, ordner, zwischen, name + ".pdf", AltesInDenPapierkorb);
    } else if (ersetzen) {
      if (!AltesInDenPapierkorb(ziel)) Dienste().Dateien->DeleteFile(ziel, true);
      Dienste().Dateien->Name(neu, ziel);
    }
  } catch (const VbFehler& f) {
    halbesWeg();
    Melden("Die PDF-Datei konnte nicht geschrieben werden:" + std::string(vbCrLf) + ziel + vbCrLf + f.Beschreibung +
           vbCrLf + "Die gescannte Seite bleibt als Bild erhalten:" + vbCrLf + bitmap);
    return false;
  } catch (const std::bad_alloc&) {
    halbesWeg();
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
