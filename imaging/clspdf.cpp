#include "imaging/clspdf.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/text.h"

namespace vxm {
namespace {

constexpr char kCR = '\r';

int16_t I16(long long v) {
  if (v < INT16_MIN || v > INT16_MAX) throw VbFehler::Standard(fehlernr::Ueberlauf);
  return static_cast<int16_t>(v);
}

std::string N(long long v) { return std::to_string(v); }

std::tm Ortszeit() {
  std::time_t jetzt = std::time(nullptr);
  std::tm t{};
  localtime_r(&jetzt, &t);
  return t;
}

std::optional<std::string> StilOperator(int style) {
  switch (style) {
    case kStilFuellen: return "f";
    case kStilUmranden: return "S";
    case kStilFuellenUmranden: return "b";
    case kStilSchliessen: return "s";
    default: return std::nullopt;
  }
}

std::string Maskieren(const std::string& bytes) {
  std::string aus;
  aus.reserve(bytes.size() + 8);
  for (char c : bytes) {
    if (c == '\\' || c == '(' || c == ')') aus += '\\';
    aus += c;
  }
  return aus;
}

std::string Zehnstellig(int64_t v) {
  char puffer[24];
  std::snprintf(puffer, sizeof puffer, "%010lld", static_cast<long long>(v));
  return puffer;
}

}  // namespace

std::string PdfZahl(double wert) {
  // Beyond this the thousandths no longer fit the integer below.
  if (!(std::fabs(wert) <= 1e12)) throw VbFehler::Standard(fehlernr::Ueberlauf);
  const long long tausendstel = static_cast<long long>(std::floor(wert * 1000.0 + 0.5));
  const bool negativ = tausendstel < 0;
  const unsigned long long betrag =
      negativ ? 0ull - static_cast<unsigned long long>(tausendstel) : tausendstel;
  std::string s = std::to_string(betrag / 1000);
  unsigned rest = static_cast<unsigned>(betrag % 1000);
  if (rest != 0) {
    char puffer[8];
    std::snprintf(puffer, sizeof puffer, "%03u", rest);
    std::string bruch = puffer;
    while (bruch.back() == '0') bruch.pop_back();
    s += "." + bruch;
  }
  return negativ ? "-" + s : s;
}

std::string PdfFarbe(int32_t farbe) {
  const auto u = static_cast<uint32_t>(farbe);
  const auto rot = static_cast<int>(u & 0xFF), gruen = static_cast<int>((u >> 8) & 0xFF),
             blau = static_cast<int>((u >> 16) & 0xFF);
  if (rot == gruen && gruen == blau) return PdfZahl(rot / 255.0) + " G";
  return PdfZahl(rot / 255.0) + " " + PdfZahl(gruen / 255.0) + " " + PdfZahl(blau / 255.0) + " RG";
}

namespace {

// Room the encoding of n bytes may need at most: a literal block adds one
// header byte for at least 127 bytes (or pays for it with the run that
// closes it); runs never grow. The slack is generous.
std::size_t LauflaengeHoechstens(std::size_t n) { return n + n / 64 + 16; }

// Encodes n bytes into `o` (LauflaengeHoechstens(n) bytes of room) and
// returns the encoded length.
std::size_t LauflaengeKodieren(const char* d, std::size_t n, char* const anfang) {
  char* o = anfang;
  char* kopf = nullptr;  // header slot of the open literal block
  int kopfWert = 0;
  auto literalSchliessen = [&] {
    if (kopf) *kopf = static_cast<char>(kopfWert);
    kopf = nullptr;
  };
  std::size_t i = 0;
  while (i < n) {
    const char c = d[i];
    std::size_t gleiche = 0;
    const std::size_t grenze = std::min<std::size_t>(127, n - i - 1);
    while (gleiche < grenze && d[i + 1 + gleiche] == c) ++gleiche;
    const std::size_t lauf = gleiche + 1;
    if (kopf && kopfWert < 126 && lauf == 2) {
      *o++ = c;
      *o++ = c;
      kopfWert += 2;
      i += 2;
    } else if (lauf == 1) {
      if (!kopf || kopfWert == 127) {
        literalSchliessen();
        kopf = o++;
        kopfWert = 0;
      } else {
        ++kopfWert;
      }
      *o++ = c;
      i += 1;
    } else {
      literalSchliessen();
      *o++ = static_cast<char>(257 - lauf);
      *o++ = c;
      i += lauf;
    }
  }
  literalSchliessen();
  return static_cast<std::size_t>(o - anfang);
}

// Sample bytes of a picture, row by row from the top: one grey byte or red,
// green and blue per pixel.
std::string BildProben(const Bild& bild, bool gray) {
  if (bild.Breite < 0 || bild.Hoehe < 0 ||
      bild.Pixel.size() != static_cast<std::size_t>(bild.Breite) * static_cast<std::size_t>(bild.Hoehe))
    throw VbFehler::Standard(fehlernr::UngueltigesBild);
  std::string proben(bild.Pixel.size() * (gray ? 1 : 3), '\0');
  std::size_t p = 0;
  for (int32_t farbe : bild.Pixel) {
    const auto u = static_cast<uint32_t>(farbe);
    const unsigned rot = u & 0xFF, gruen = (u >> 8) & 0xFF, blau = (u >> 16) & 0xFF;
    if (gray) {
      proben[p++] = static_cast<char>((77 * rot + 151 * gruen + 28 * blau + 127) / 256);
    } else {
      proben[p++] = static_cast<char>(rot);
      proben[p++] = static_cast<char>(gruen);
      proben[p++] = static_cast<char>(blau);
    }
  }
  return proben;
}

// Hands the memory of a page's graphics back once they are in the output,
// so that a large picture is not held twice until the next page.
void InhaltLeeren(std::string& inhalt) {
  if (inhalt.capacity() > (std::size_t{1} << 20)) std::string().swap(inhalt);
  else inhalt.clear();
}

}  // namespace

std::string PdfLauflaenge(const std::string& daten) {
  std::string aus(LauflaengeHoechstens(daten.size()), '\0');
  aus.resize(LauflaengeKodieren(daten.data(), daten.size(), aus.data()));
  return aus;
}


clsPDF::clsPDF(Uhr uhr) : uhr_(uhr ? std::move(uhr) : Uhr(Ortszeit)) {
  DropBlankPages(true);
  FontSize(10);
  NewPageString("\f");
  PaperSize(5);
  LinesPerPage(72);
  LeftMargin(80);
  TopMargin(60);
  FillMode(0);
  seitenObjekte_.assign(17, 0);
  offsets_.assign(65, 0);
  Clear(0, 0);
}

// ---- properties -------------------------------------------------------------

void clsPDF::DrawColor(int32_t farbe) {
  if (farbe == drawColor_) return;
  fertig_ = false;
  drawColor_ = farbe;
  OperatorSchreiben();
  farbeGeaendert_ = true;
}

void clsPDF::DrawWidth(float breite) {
  // Widths are sizes like all others: outside the 16-bit range (or not a
  // number at all) they are an overflow, not a line width.
  if (!(std::fabs(breite) <= static_cast<float>(INT16_MAX)))
    throw VbFehler::Standard(fehlernr::Ueberlauf);
  if (breite == drawWidth_) return;
  fertig_ = false;
  drawWidth_ = breite;
  OperatorSchreiben();
  breiteGeaendert_ = true;
}

void clsPDF::DropBlankPages(bool wert) { dropBlankPages_ = wert; }

void clsPDF::FillColor(int32_t farbe) {
  if (farbe == fillColor_) return;
  fertig_ = false;
  fillColor_ = farbe;
  OperatorSchreiben();
  fuellGeaendert_ = true;
}

void clsPDF::FillMode(int32_t modus) {
  fertig_ = false;
  fillMode_ = modus;
  OperatorSchreiben();
  OperatorAusStil(modus);
}

void clsPDF::FontSize(int groesse) {
  fontSize_ = I16(groesse);
  fertig_ = false;
}

int16_t clsPDF::Height() const { return orientation_ != 0 ? breite_ : hoehe_; }

void clsPDF::Height(int hoehe) {
  hoehe_ = I16(hoehe);
  paperSize_ = 0;
  fertig_ = false;
}

void clsPDF::LeftMargin(int rand) {
  leftMargin_ = I16(rand);
  fertig_ = false;
}

void clsPDF::LinesPerPage(int zeilen) {
  // A page must hold at least one line, or no page would ever be closed
  // properly.
  const int16_t wert = I16(zeilen);
  if (wert < 1) throw VbFehler::Standard(fehlernr::UngueltigerAufruf);
  linesPerPage_ = wert;
  fertig_ = false;
}

void clsPDF::NewPageString(const std::string& text) { newPageString_ = text; }

void clsPDF::Orientation(int32_t wert) {
  orientation_ = wert;
  fertig_ = false;
}

void clsPDF::PaperSize(int32_t code) {
  static constexpr int16_t kMasse[8][2] = {{2384, 3371}, {1685, 2384}, {1192, 1685}, {842, 1192},
                                           {596, 842},   {421, 596},   {298, 421},   {210, 298}};
  paperSize_ = code;
  if (code >= 1 && code <= 8) {
    breite_ = kMasse[code - 1][0];
    hoehe_ = kMasse[code - 1][1];
  }
  fertig_ = false;
}

void clsPDF::TopMargin(int rand) {
  topMargin_ = I16(rand);
  fertig_ = false;
}

int16_t clsPDF::width() const { return orientation_ != 0 ? hoehe_ : breite_; }

void clsPDF::width(int breite) {
  breite_ = I16(breite);
  paperSize_ = 0;
  fertig_ = false;
}

// ---- output primitives ------------------------------------------------------

void clsPDF::Zeile(std::string_view text) {
  aus_.append(text);
  aus_ += kCR;
}

void clsPDF::Roh(std::string_view text) { aus_.append(text); }

void clsPDF::GrafikZeile(std::string_view text) { GrafikZeile({text}); }

void clsPDF::GrafikZeile(std::initializer_list<std::string_view> teile) {
  fertig_ = false;
  if (farbeGeaendert_) {
    inhalt_ += PdfFarbe(drawColor_);
    inhalt_ += kCR;
    farbeGeaendert_ = false;
  }
  if (fuellGeaendert_) {
    inhalt_ += Klein(PdfFarbe(fillColor_));
    inhalt_ += kCR;
    fuellGeaendert_ = false;
  }
  if (breiteGeaendert_) {
    inhalt_ += PdfZahl(drawWidth_) + " w";
    inhalt_ += kCR;
    breiteGeaendert_ = false;
  }
  for (auto teil : teile) inhalt_.append(teil);
  inhalt_ += kCR;
}

void clsPDF::NeuesObjekt() {
  const int32_t n = ++objekte_;
  if (static_cast<std::size_t>(n) >= offsets_.size()) offsets_.resize(2 * static_cast<std::size_t>(n) + 1);
  offsets_[n] = static_cast<int64_t>(aus_.size());
  Zeile(N(n) + " 0 obj");
}

void clsPDF::OperatorSetzen(const std::string& op) {
  if (op == operator_) return;
  OperatorSchreiben();
  operator_ = op;
}

void clsPDF::OperatorSchreiben() {
  if (operator_.empty()) return;
  fertig_ = false;
  inhalt_ += operator_;
  inhalt_ += kCR;
  operator_.clear();
}

void clsPDF::OperatorAusStil(int style) {
  if (auto op = StilOperator(style)) OperatorSetzen(*op);
}

void clsPDF::PunktSetzen(int16_t x, int16_t pdfY) {
  punktX_ = x;
  punktY_ = pdfY;
}

// ---- document structure -----------------------------------------------------

void clsPDF::Kopf() {
  Zeile("%PDF-1.1");
  Zeile("%\xE2\xE3\xCF\xD3");
  const std::tm t = uhr_();
  char datum[32];
  std::snprintf(datum, sizeof datum, "%04d%02d%02d%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1,
                t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  NeuesObjekt();
  Zeile("<<");
  Zeile(std::string("/CreationDate (D:") + datum + ")");
  Zeile("/Producer (clsPDF [Tavrel])");
  Zeile(">>");
  Zeile("endobj");
  NeuesObjekt();
  Zeile("<<");
  Zeile("/Type /Catalog");
  Zeile("/Pages 3 0 R");
  Zeile(">>");
  Zeile("endobj");
  ++objekte_;  // 3 is the page tree, written when the document is finished
  NeuesObjekt();
  Zeile("<<");
  Zeile("/Type /Font");
  Zeile("/Subtype /Type1");
  Zeile("/Name /F1");
  Zeile("/BaseFont /Courier");
  Zeile("/Encoding /WinAnsiEncoding");
  Zeile(">>");
  Zeile("endobj");
  NeuesObjekt();
  Zeile("<<");
  Zeile("/Font << /F1 4 0 R >>");
  Zeile("/ProcSet [ /PDF /Text ]");
  Zeile(">>");
  Zeile("endobj");
}

void clsPDF::Clear(int fontSize, int linesPerPage) {
  if (fontSize != 0) FontSize(fontSize);
  if (linesPerPage != 0) LinesPerPage(linesPerPage);
  seiten_ = 0;
  zeile_ = 0;
  objekte_ = 0;
  aus_.clear();
  inhalt_.clear();
  schnappschuss_.clear();
  fertig_ = false;
  Kopf();
  OperatorSetzen("");
}

void clsPDF::SeitenBeginn() {
  const int16_t textY = I16(static_cast<long long>(Height()) - topMargin_);
  ++seiten_;
  if (static_cast<std::size_t>(seiten_) >= seitenObjekte_.size())
    seitenObjekte_.resize(2 * static_cast<std::size_t>(seiten_) + 1);
  NeuesObjekt();
  Zeile("<<");
  Zeile("/Type /Page");
  Zeile("/Parent 3 0 R");
  Zeile("/Resources 5 0 R");
  Zeile("/Contents " + N(objekte_ + 1) + " 0 R");
  Zeile(">>");
  Zeile("endobj");
  seitenObjekte_[seiten_] = objekte_;
  NeuesObjekt();
  Zeile("<<");
  Zeile("/Length " + N(objekte_ + 1) + " 0 R");
  Zeile(">>");
  Zeile("stream");
  streamStart_ = aus_.size();
  if (drawWidth_ != 0) breiteGeaendert_ = true;
  if (drawColor_ != 0) farbeGeaendert_ = true;
  if (fillColor_ != 0) fuellGeaendert_ = true;
  OperatorSetzen("");
  PunktSetzen(0, hoehe_);
  if (PageStarted) PageStarted();
  OperatorSchreiben();
  Roh(inhalt_);
  InhaltLeeren(inhalt_);
  if (fillColor_ != 0) Zeile("0 g");
  Zeile("BT");
  Zeile("/F1 " + N(fontSize_) + " Tf");
  Zeile(N(leftMargin_) + " " + N(textY) + " Td");
  Zeile(N(fontSize_) + " TL");
}

void clsPDF::SeitenEnde() {
  Zeile("ET");
  if (PageFinished) PageFinished();
  OperatorSchreiben();
  Roh(inhalt_);
  InhaltLeeren(inhalt_);
  const auto laenge = static_cast<long long>(aus_.size() - streamStart_);
  Zeile("endstream");
  Zeile("endobj");
  NeuesObjekt();
  Zeile(N(laenge));
  Zeile("endobj");
  zeile_ = 0;
  fertig_ = false;
}

// ---- text -------------------------------------------------------------------

void clsPDF::ZeileDrucken(const std::string& bytes) {
  if (zeile_ >= linesPerPage_) SeitenEnde();
  if (zeile_ == 0) SeitenBeginn();
  Zeile("(" + Maskieren(bytes) + ")'");
  fertig_ = false;
  ++zeile_;
}

void clsPDF::TextDrucken(const std::string& bytes) {
  static constexpr const char* kTrenner[] = {"\r\n", "\n\r", "\r\r", "\n", "\r"};
  std::string trenner = "\r\n";
  for (const char* t : kTrenner) {
    if (bytes.find(t) != std::string::npos) {
      trenner = t;
      break;
    }
  }
  const std::string seitenwechsel = Cp1252AusUtf8(newPageString_);
  std::size_t pos = 0;
  while (true) {
    const std::size_t ende = bytes.find(trenner, pos);
    const std::string stueck = bytes.substr(pos, ende == std::string::npos ? std::string::npos : ende - pos);
    if (stueck == seitenwechsel) {
      NewPage(0, 0);
    } else {
      ZeileDrucken(stueck);
    }
    if (ende == std::string::npos) break;
    pos = ende + trenner.size();
  }
}

void clsPDF::PrintLine(const std::string& text) { ZeileDrucken(Cp1252AusUtf8(text)); }

void clsPDF::PrintText(const std::string& text) { TextDrucken(Cp1252AusUtf8(text)); }

void clsPDF::PrintFile(const std::string& dateiName) {
  TextDrucken(Dienste().Dateien->DateiLesen(dateiName));
}

void clsPDF::NewPage(int fontSize, int linesPerPage) {
  if (fontSize != 0) FontSize(fontSize);
  if (linesPerPage != 0) LinesPerPage(linesPerPage);
  if (zeile_ != 0) {
    SeitenEnde();
  } else if (!dropBlankPages_) {
    SeitenBeginn();
    SeitenEnde();
  }
}

// ---- drawing ----------------------------------------------------------------

void clsPDF::MoveTo(int x, int y) {
  const int16_t px = I16(x);
  const int16_t py = I16(static_cast<long long>(Height()) - I16(y));
  if (px == punktX_ && py == punktY_) return;
  PunktSetzen(px, py);
  OperatorSchreiben();
  GrafikZeile(N(px) + " " + N(py) + " m");
}

void clsPDF::DrawLineTo(int x, int y) {
  const int16_t px = I16(x);
  const int16_t py = I16(static_cast<long long>(Height()) - I16(y));
  PunktSetzen(px, py);
  GrafikZeile(N(px) + " " + N(py) + " l");
}

void clsPDF::DrawLine(int x1, int y1, int x2, int y2) {
  const long long h = Height();
  const int16_t ax = I16(x1), ay = I16(h - I16(y1));
  const int16_t bx = I16(x2), by = I16(h - I16(y2));
  PunktSetzen(bx, by);
  OperatorSetzen("S");
  GrafikZeile(N(ax) + " " + N(ay) + " m " + N(bx) + " " + N(by) + " l");
}

void clsPDF::DrawCurveTo(int x1, int y1, int x2, int y2, int x3, int y3) {
  const long long h = Height();
  GrafikZeile(N(I16(x1)) + " " + N(I16(h - I16(y1))) + " " + N(I16(x2)) + " " +
              N(I16(h - I16(y2))) + " " + N(I16(x3)) + " " + N(I16(h - I16(y3))) + " c");
}

void clsPDF::DrawBox(int x, int y, int w, int h, int style) {
  const int16_t bx = I16(x), bw = I16(w), bh = I16(h);
  const int16_t by = I16(I16(static_cast<long long>(Height()) - I16(y)) - static_cast<long long>(bh));
  OperatorAusStil(style);
  GrafikZeile(N(bx) + " " + N(by) + " " + N(bw) + " " + N(bh) + " re");
}

void clsPDF::DrawCircle(int x, int y, int r, int style) {
  const int16_t cx = I16(x), cy = I16(y), cr = I16(r);
  const auto k = I16(static_cast<long long>(std::nearbyint(cr * 0.5522847)));
  const long long h = Height();
  auto py = [&](long long wert) { return I16(h - I16(wert)); };
  auto px = [&](long long wert) { return I16(wert); };
  // All points first, so an overflow leaves the document as it was.
  const int16_t startX = cx, startY = py(cy + cr);
  const long long bogen[4][6] = {
      {cx + k, cy + cr, cx + cr, cy + k, cx + cr, cy},
      {cx + cr, cy - k, cx + k, cy - cr, cx, cy - cr},
      {cx - k, cy - cr, cx - cr, cy - k, cx - cr, cy},
      {cx - cr, cy + k, cx - k, cy + cr, cx, cy + cr},
  };
  std::string zeilen[4];
  for (int i = 0; i < 4; ++i) {
    zeilen[i] = N(px(bogen[i][0])) + " " + N(py(bogen[i][1])) + " " + N(px(bogen[i][2])) + " " +
                N(py(bogen[i][3])) + " " + N(px(bogen[i][4])) + " " + N(py(bogen[i][5])) + " c";
  }
  OperatorSchreiben();
  if (startX != punktX_ || startY != punktY_) {
    PunktSetzen(startX, startY);
    OperatorSchreiben();
    GrafikZeile(N(startX) + " " + N(startY) + " m");
  }
  for (const auto& z : zeilen) GrafikZeile(z);
  DrawShape(style);
}

void clsPDF::DrawShape(int style) {
  OperatorAusStil(style);
  OperatorSchreiben();
}

void clsPDF::DrawText(int x, int y, const std::string& text, float angle) {
  const int16_t tx = I16(x);
  const int16_t ty = I16(static_cast<long long>(Height()) - I16(y));
  const std::string bytes = Maskieren(Cp1252AusUtf8(text));
  // The position line first, so a bad angle leaves the document as it was.
  std::string lage;
  if (angle == 0) {
    lage = N(tx) + " " + N(ty) + " Td";
  } else {
    if (!std::isfinite(angle)) throw VbFehler::Standard(fehlernr::Ueberlauf);
    const std::string c = PdfZahl(std::cos(static_cast<double>(angle)));
    const std::string s = PdfZahl(std::sin(static_cast<double>(angle)));
    const std::string n = s.front() == '-' ? s.substr(1) : "-" + s;
    lage = c + " " + s + " " + n + " " + c + " " + N(tx) + " " + N(ty) + " Tm";
  }
  OperatorSchreiben();
  GrafikZeile("BT");
  GrafikZeile("/F1 " + N(fontSize_) + " Tf");
  GrafikZeile(lage);
  GrafikZeile("(" + bytes + ")'");
  GrafikZeile("ET");
}

clsPDF::Bildfeld clsPDF::BildfeldBerechnen(int x, int y, int w, int h) const {
  Bildfeld f{I16(x), I16(y), I16(w), I16(h)};
  if (f.W < 0) f.X = I16(static_cast<long long>(f.X) - f.W);
  if (f.H < 0) f.Y = I16(static_cast<long long>(f.Y) - f.H);
  f.Y = I16(I16(static_cast<long long>(Height()) - f.Y) - static_cast<long long>(f.H));
  return f;
}

void clsPDF::DrawPicture(int x, int y, int w, int h, const std::string& bildDatei, bool gray) {
  const Bildfeld feld = BildfeldBerechnen(x, y, w, h);
  // The loaded pixel grid is dropped before the document grows by the samples.
  int32_t breite = 0, hoehe = 0;
  std::string proben;
  {
    const Bild bild = BildLaden(bildDatei);
    proben = BildProben(bild, gray);
    breite = bild.Breite;
    hoehe = bild.Hoehe;
  }
  BildSchreiben(feld, breite, hoehe, proben, gray);
}

void clsPDF::DrawPicture(int x, int y, int w, int h, const Bild& bild, bool gray) {
  const Bildfeld feld = BildfeldBerechnen(x, y, w, h);
  BildSchreiben(feld, bild.Breite, bild.Hoehe, BildProben(bild, gray), gray);
}

void clsPDF::BildSchreiben(const Bildfeld& feld, int32_t breite, int32_t hoehe, const std::string& proben,
                           bool gray) {
  OperatorSchreiben();
  GrafikZeile("q");
  GrafikZeile(N(feld.W) + " 0 0 " + N(feld.H) + " " + N(feld.X) + " " + N(feld.Y) + " cm");
  GrafikZeile("BI");
  GrafikZeile("/W " + N(breite));
  GrafikZeile("/H " + N(hoehe));
  GrafikZeile("/BPC 8");
  GrafikZeile(gray ? "/CS /G" : "/CS /RGB");
  // The pending state lines went out with "q", so the data lines can be
  // built in place: the samples are encoded straight into the content text
  // instead of into a copy of their own.
  static constexpr std::string_view kKodiert = "/F /RL\rID ";
  const std::size_t start = inhalt_.size();
  inhalt_.resize(start + kKodiert.size() + LauflaengeHoechstens(proben.size()));
  std::copy(kKodiert.begin(), kKodiert.end(), inhalt_.begin() + static_cast<std::ptrdiff_t>(start));
  const std::size_t laenge =
      LauflaengeKodieren(proben.data(), proben.size(), inhalt_.data() + start + kKodiert.size());
  if (laenge + 6 >= proben.size()) {
    inhalt_.resize(start);
    inhalt_ += "ID ";
    inhalt_ += proben;
    inhalt_ += '>';
  } else {
    inhalt_.resize(start + kKodiert.size() + laenge);
    inhalt_ += '\x80';
  }
  inhalt_ += kCR;
  GrafikZeile("EI");
  GrafikZeile("Q");
  // Room for the samples in the output now, while the memory is untouched,
  // so that moving them there at the page end does not copy the document.
  aus_.reserve(aus_.size() + inhalt_.size() + 4096);
}

// ---- finishing --------------------------------------------------------------

std::string clsPDF::Value() {
  if (fertig_) return schnappschuss_;

  // The finishing runs the page handlers, which may change any property;
  // all of it is undone by putting the saved state back, on failure too.
  std::string().swap(schnappschuss_);  // stale; not worth copying
  detail::PdfStand gesichert = static_cast<const detail::PdfStand&>(*this);
  struct Zuruecksetzen {
    detail::PdfStand& stand;
    detail::PdfStand& gesichert;
    ~Zuruecksetzen() { stand = std::move(gesichert); }
  };
  std::string ergebnis;
  {
    Zuruecksetzen zurueck{*this, gesichert};
    DokumentAbschliessen();
    ergebnis = std::move(aus_);
  }
  schnappschuss_ = std::move(ergebnis);
  fertig_ = true;
  return schnappschuss_;
}

void clsPDF::DokumentAbschliessen() {
  if (zeile_ != 0) SeitenEnde();

  offsets_[3] = static_cast<int64_t>(aus_.size());
  Zeile("3 0 obj");
  Zeile("<<");
  Zeile("/Type /Pages");
  Zeile("/Count " + N(seiten_));
  Zeile("/MediaBox [0 0 " + N(width()) + " " + N(Height()) + "]");
  Roh("/Kids [ ");
  for (int32_t s = 1; s <= seiten_; ++s) Roh(N(seitenObjekte_[s]) + " 0 R ");
  Zeile("]");
  Zeile(">>");
  Zeile("endobj");

  const auto xref = static_cast<long long>(aus_.size());
  Zeile("xref");
  Zeile("0 " + N(objekte_ + 1));
  Zeile("0000000000 65535 f");
  for (int32_t i = 1; i <= objekte_; ++i) Zeile(Zehnstellig(offsets_[i]) + " 00000 n");
  Zeile("trailer");
  Zeile("<<");
  Zeile("/Size " + N(objekte_ + 1));
  Zeile("/Root 2 0 R");
  Zeile("/Info 1 0 R");
  Zeile(">>");
  Zeile("startxref");
  Zeile(N(xref));
  Zeile("%%EOF");
}

void clsPDF::SavePDF(const std::string& dateiName) {
  Dienste().Dateien->DateiSchreiben(dateiName, Value());
}

}  // namespace vxm
