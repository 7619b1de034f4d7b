// A small PDF 1.1 writer: monospaced text line by line with automatic page
// breaks, lines, boxes, circles, Bezier curves, rotated text and inline
// pictures. Lines of the file end in a single carriage return.
//
// Coordinates are points from the top-left corner of the page, y growing
// downwards; they are 16-bit integers, and arithmetic that leaves that range
// raises error 6 (overflow) without changing the document.
//
// Text arguments are UTF-8 and are written in the Windows-1252 code page;
// `Value` returns the file's bytes.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "imaging/bild.h"

namespace vxm {

// Painting styles of DrawBox, DrawCircle, DrawShape and FillMode.
inline constexpr int kStilFuellen = -1;         // "f"
inline constexpr int kStilUmranden = 0;         // "S"
inline constexpr int kStilFuellenUmranden = 1;  // "b"
inline constexpr int kStilSchliessen = 2;       // "s"

namespace detail {
// Everything a document under construction consists of. `Value` finishes the
// document on this state and then puts a saved copy back, so that a snapshot
// leaves nothing behind, whatever the page handlers change meanwhile.
struct PdfStand {
  int32_t drawColor_ = 0;
  float drawWidth_ = 0;
  bool dropBlankPages_ = true;
  int32_t fillColor_ = 0;
  int32_t fillMode_ = 0;
  int16_t fontSize_ = 10;
  int16_t hoehe_ = 842;   // portrait
  int16_t breite_ = 596;  // portrait
  int16_t linesPerPage_ = 72;
  int16_t leftMargin_ = 80;
  int16_t topMargin_ = 60;
  std::string newPageString_ = "\f";
  int32_t orientation_ = 0;
  int32_t paperSize_ = 5;
  std::vector<int32_t> seitenObjekte_;  // index 1.. : object number of each page
  std::vector<int64_t> offsets_;        // index 1.. : byte offset of each object
  int32_t seiten_ = 0;
  int32_t objekte_ = 0;
  std::string aus_;
  std::string inhalt_;
  std::string schnappschuss_;
  bool fertig_ = false;
  int32_t zeile_ = 0;
  std::size_t streamStart_ = 0;
  bool farbeGeaendert_ = false;
  bool breiteGeaendert_ = false;
  bool fuellGeaendert_ = false;
  int16_t punktX_ = 0;
  int16_t punktY_ = 0;
  std::string operator_;
};
}  // namespace detail

class clsPDF : private detail::PdfStand {
 public:
  // The clock gives the creation date; by default the local time.
  using Uhr = std::function<std::tm()>;
  explicit clsPDF(Uhr uhr = {});

  int32_t DrawColor() const { return drawColor_; }
  void DrawColor(int32_t farbe);
  float DrawWidth() const { return drawWidth_; }
  void DrawWidth(float breite);  // |breite| up to 32767 (error 6 otherwise, also for NaN)
  bool DropBlankPages() const { return dropBlankPages_; }
  void DropBlankPages(bool wert);
  int32_t FillColor() const { return fillColor_; }
  void FillColor(int32_t farbe);
  int32_t FillMode() const { return fillMode_; }
  void FillMode(int32_t modus);
  int16_t FontSize() const { return fontSize_; }
  void FontSize(int groesse);
  int16_t Height() const;  // oriented page height
  void Height(int hoehe);  // portrait page height; paper code becomes 0
  int16_t LeftMargin() const { return leftMargin_; }
  void LeftMargin(int rand);
  int32_t LineNumber() const { return zeile_; }
  int16_t LinesPerPage() const { return linesPerPage_; }
  void LinesPerPage(int zeilen);  // at least 1 (error 5 otherwise)
  const std::string& NewPageString() const { return newPageString_; }
  void NewPageString(const std::string& text);
  int32_t PageNumber() const { return seiten_; }
  int32_t Orientation() const { return orientation_; }
  void Orientation(int32_t wert);  // 0 portrait, anything else landscape
  int32_t PaperSize() const { return paperSize_; }
  void PaperSize(int32_t code);    // 1..8 set the page size; other codes only stored
  int16_t TopMargin() const { return topMargin_; }
  void TopMargin(int rand);
  int16_t width() const;           // oriented page width
  void width(int breite);          // portrait page width; paper code becomes 0

  // Starts a new empty document; 0 keeps the current value.
  void Clear(int fontSize = 0, int linesPerPage = 0);
  void DrawBox(int x, int y, int w, int h, int style);
  void DrawCircle(int x, int y, int r, int style);
  void DrawCurveTo(int x1, int y1, int x2, int y2, int x3, int y3);
  void DrawLine(int x1, int y1, int x2, int y2);
  void DrawLineTo(int x, int y);
  // A negative width or height mirrors the picture inside the same box.
  void DrawPicture(int x, int y, int w, int h, const Bild& bild, bool gray);
  void DrawPicture(int x, int y, int w, int h, const std::string& bildDatei, bool gray);
  void DrawShape(int style);
  void DrawText(int x, int y, const std::string& text, float angle);  // angle finite (error 6)
  void MoveTo(int x, int y);
  void NewPage(int fontSize = 0, int linesPerPage = 0);
  void PrintLine(const std::string& text);
  void PrintText(const std::string& text);
  // Prints a text file given by its Windows path; its bytes are Windows-1252.
  void PrintFile(const std::string& dateiName);
  // The finished document. Taking it changes nothing: printing and drawing
  // go on where they were.
  std::string Value();
  void SavePDF(const std::string& dateiName);

  // Raised when a page has been begun (drawing lands below its text) and
  // when its text object has been closed (drawing lands above the text).
  std::function<void()> PageStarted;
  std::function<void()> PageFinished;

 private:
  void Zeile(std::string_view text);
  void Roh(std::string_view text);
  void GrafikZeile(std::string_view text);
  void GrafikZeile(std::initializer_list<std::string_view> teile);
  void NeuesObjekt();
  void OperatorSetzen(const std::string& op);
  void OperatorSchreiben();
  void OperatorAusStil(int style);
  void Kopf();
  void SeitenBeginn();
  void SeitenEnde();
  void ZeileDrucken(const std::string& bytes);
  void TextDrucken(const std::string& bytes);
  void PunktSetzen(int16_t x, int16_t pdfY);
  // Ends an open page and writes the page tree, cross-references and trailer.
  void DokumentAbschliessen();

  // Where a picture goes: the adjusted corner, PDF y of its lower edge and the
  // signed size.
  struct Bildfeld {
    int16_t X, Y, W, H;
  };
  Bildfeld BildfeldBerechnen(int x, int y, int w, int h) const;
  void BildSchreiben(const Bildfeld& feld, int32_t breite, int32_t hoehe, const std::string& proben, bool gray);

  Uhr uhr_;
};

// PDF number text: rounded to three decimals, shortest form, "." as the
// decimal separator. Values beyond 1e12 in size and NaN raise error 6.
std::string PdfZahl(double wert);

// Colour operator text of an RGB value: "r G" for grey, else "r g b RG".
std::string PdfFarbe(int32_t farbe);

// Run-length encoding in the RunLengthDecode form, without end marker.
std::string PdfLauflaenge(const std::string& daten);

}  // namespace vxm
