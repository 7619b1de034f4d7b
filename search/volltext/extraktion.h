// Text of a document, by its type: PDF text layer, the zipped office formats
// (.docx/.xlsx/.pptx, .odt/.ods/.odp), legacy .doc/.xls/.ppt through
// Debian's converters, .rtf, plain text in UTF-8 or Windows-1252, gzip,
// HTML/XML, and pictures and image-only PDFs through OCR.
//
// These functions read hostile input with libraries that may crash, hang or
// eat memory on it; the indexer calls them only inside the extraction
// helper process (auslesedienst.h), which enforces time and memory limits.
//
// Besides the document's text, the result holds the printable runs of the
// file's own bytes that are not compressed (PDF dictionaries and metadata,
// names inside a zip, strings of other binary files): the byte search finds
// a phrase there, so the index must too. A form feed parts the two.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace vxm::volltext {

enum class Auszugsstatus : std::uint8_t {
  Ok = 0,
  NichtIndizierbar = 1,  // Grund says why
  OcrNoetig = 2,         // pictures, PDFs without text layer: Seiten pages to recognise
};

struct Auszug {
  Auszugsstatus Status = Auszugsstatus::Ok;
  std::string Art;    // "pdf", "docx", "text", ... (shown by vxmdorvex-index --fehler)
  std::string Text;   // UTF-8
  std::string Grund;  // why not indexable, in the program's words
  std::uint32_t Seiten = 0;
  bool Gekuerzt = false;  // the text reached MaxText and was cut there
};

struct Ausleseoptionen {
  // Files beyond this are not read at all (a 2 GB file is no document).
  std::uint64_t MaxDateigroesse = 256ull << 20;
  // Text beyond this is cut off; a zip member that unpacks to more is
  // refused (zip bomb).
  std::uint64_t MaxText = 64ull << 20;
  // Pictures smaller than this on both sides are icons, not scans.
  int MinBildkante = 300;
  // Seconds one legacy converter (catdoc, xls2csv, catppt, antiword) may run.
  int ProgrammSekunden = 30;
};

// Reads one file. Never throws: failures come back as NichtIndizierbar.
Auszug Auslesen(const std::filesystem::path& datei, const Ausleseoptionen& optionen = {});

// Recognises page `seite` (0-based) of a picture or image-only PDF with the
// German OCR data.
Auszug OcrSeite(const std::filesystem::path& datei, std::uint32_t seite,
                const Ausleseoptionen& optionen = {});

namespace auslese_intern {
// Parts shared by the extractors of the single formats.
enum class Art { Text, Markup, Rtf, Pdf, Zip, Ole, Gzip, Bild, Binaer };
Art ArtErkennen(std::string_view kopf, const std::filesystem::path& datei);
std::string Dateiendung(const std::filesystem::path& datei);  // lower case, without "."

// Printable runs (at least `mindestens` characters) of raw bytes, one a
// line: ASCII, valid UTF-8 and Latin letters of Windows-1252.
void DruckbareFolgen(std::string_view bytes, std::string& aus, std::size_t mindestens = 4);
// The text of a presentation in the old binary form, from its text records
// (UTF-16 and 8-bit), without the master slide's placeholder texts.
std::string PraesentationsText(std::string_view bytes);

Auszug PdfAuslesen(const std::string& bytes, const Ausleseoptionen& o);
Auszug ZipAuslesen(const std::filesystem::path& datei, const Ausleseoptionen& o);
Auszug OleAuslesen(const std::filesystem::path& datei, const std::string& bytes,
                   const Ausleseoptionen& o);
std::string RtfText(std::string_view rtf);
std::string MarkupText(std::string_view markup);  // tags dropped, entities decoded
Auszug BildPruefen(const std::filesystem::path& datei, const std::string& bytes,
                   const Ausleseoptionen& o);
Auszug OcrBild(const std::filesystem::path& datei, std::uint32_t seite);
Auszug OcrPdfSeite(const std::string& bytes, std::uint32_t seite);
}  // namespace auslese_intern

}  // namespace vxm::volltext
