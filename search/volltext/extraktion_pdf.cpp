// PDF: the text layer through poppler; a document whose pages carry
// (almost) no text is a scan and goes to OCR page by page.
#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <cmath>
#include <memory>
#include <mutex>

#include "search/volltext/extraktion.h"
#include "search/volltext/ocr.h"

namespace vxm::volltext::auslese_intern {
namespace {

void Stumm(const std::string&, void*) {}

void PopplerStumm() {
  static std::once_flag einmal;
  std::call_once(einmal, [] { poppler::set_debug_error_function(&Stumm, nullptr); });
}

std::unique_ptr<poppler::document> Laden(const std::string& bytes) {
  PopplerStumm();
  std::vector<char> daten(bytes.begin(), bytes.end());
  return std::unique_ptr<poppler::document>(poppler::document::load_from_data(&daten));
}

// The printable runs of a PDF outside its compressed streams: dictionaries,
// metadata, uncompressed content. A compressed stream's bytes are noise to
// the byte search as well.
std::string PdfRohtext(const std::string& b) {
  std::string aus;
  std::size_t pos = 0;
  while (pos < b.size()) {
    std::size_t s = b.find("stream", pos);
    while (s != std::string::npos && s >= 3 && b.compare(s - 3, 3, "end") == 0) s = b.find("stream", s + 6);
    if (s == std::string::npos) {
      DruckbareFolgen(std::string_view(b).substr(pos), aus);
      break;
    }
    std::size_t daten = s + 6;
    if (daten < b.size() && b[daten] == '\r') ++daten;
    if (daten < b.size() && b[daten] == '\n') ++daten;
    // The stream's dictionary lies between the object's start and "stream".
    const std::size_t objAnfang = b.rfind(" obj", s);
    const std::size_t von = objAnfang == std::string::npos || s - objAnfang > 8192 ? (s > 4096 ? s - 4096 : 0) : objAnfang;
    const bool gefiltert = b.find("/Filter", von) < s;
    const std::size_t ende = b.find("endstream", daten);
    if (gefiltert) {
      DruckbareFolgen(std::string_view(b).substr(pos, daten - pos), aus);
      pos = ende == std::string::npos ? b.size() : ende;
    } else {
      const std::size_t bis = ende == std::string::npos ? b.size() : ende + 9;
      DruckbareFolgen(std::string_view(b).substr(pos, bis - pos), aus);
      pos = bis;
    }
  }
  return aus;
}

}  // namespace

Auszug PdfAuslesen(const std::string& bytes, const Ausleseoptionen& o) {
  Auszug a;
  a.Art = "pdf";
  auto doc = Laden(bytes);
  if (!doc) {
    a.Status = Auszugsstatus::NichtIndizierbar;
    a.Grund = "PDF beschädigt oder nicht lesbar";
    return a;
  }
  if (doc->is_locked()) {
    a.Status = Auszugsstatus::NichtIndizierbar;
    a.Grund = "PDF verschlüsselt (Kennwort nötig)";
    return a;
  }
  const int seiten = doc->pages();
  std::size_t zeichen = 0;
  for (int i = 0; i < seiten; ++i) {
    std::unique_ptr<poppler::page> p(doc->create_page(i));
    if (!p) continue;
    const auto utf8 = p->text().to_utf8();
    for (const char c : utf8)
      if (static_cast<unsigned char>(c) > ' ') ++zeichen;
    a.Text.append(utf8.begin(), utf8.end());
    a.Text += '\n';
    if (a.Text.size() > o.MaxText) {
      a.Text.resize(o.MaxText);
      a.Gekuerzt = true;
      break;
    }
  }
  // Title, author, subject and keywords of the document information.
  for (const char* feld : {"Title", "Author", "Subject", "Keywords"}) {
    const auto wert = doc->info_key(feld).to_utf8();
    if (!wert.empty()) {
      a.Text.append(wert.begin(), wert.end());
      a.Text += '\n';
    }
  }
  // Fewer than 16 visible characters a page: a scanned document.
  if (seiten > 0 && zeichen < static_cast<std::size_t>(seiten) * 16) {
    a.Status = Auszugsstatus::OcrNoetig;
    a.Seiten = static_cast<std::uint32_t>(seiten);
  }
  a.Text += "\f\n";
  a.Text += PdfRohtext(bytes);
  return a;
}

Auszug OcrPdfSeite(const std::string& bytes, std::uint32_t seite) {
  Auszug a;
  a.Art = "pdf/ocr";
  auto doc = Laden(bytes);
  if (!doc || doc->is_locked()) {
    a.Status = Auszugsstatus::NichtIndizierbar;
    a.Grund = "PDF beschädigt oder verschlüsselt";
    return a;
  }
  a.Seiten = static_cast<std::uint32_t>(doc->pages());
  if (seite >= a.Seiten) return a;
  std::unique_ptr<poppler::page> p(doc->create_page(static_cast<int>(seite)));
  if (!p) return a;
  poppler::page_renderer r;
  r.set_image_format(poppler::image::format_gray8);
  r.set_render_hint(poppler::page_renderer::antialiasing, true);
  r.set_render_hint(poppler::page_renderer::text_antialiasing, true);
  // 300 dpi, but no page larger than about 60 megapixels (a poster, or a
  // hostile page size).
  const auto rect = p->page_rect();
  double dpi = 300;
  const double flaeche = (rect.width() / 72.0) * (rect.height() / 72.0);
  if (flaeche > 0 && flaeche * dpi * dpi > 60e6) dpi = std::sqrt(60e6 / flaeche);
  const poppler::image bild = r.render_page(p.get(), dpi, dpi);
  if (!bild.is_valid()) {
    a.Status = Auszugsstatus::NichtIndizierbar;
    a.Grund = "PDF-Seite nicht darstellbar";
    return a;
  }
  a.Text = OcrGrau(reinterpret_cast<const unsigned char*>(bild.const_data()), bild.width(),
                   bild.height(), bild.bytes_per_row(), static_cast<int>(dpi));
  return a;
}

}  // namespace vxm::volltext::auslese_intern
