#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "imaging/clspdf.h"
#include "platform/fehler.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

std::tm Uhrzeit(int jahr, int monat, int tag, int stunde, int minute, int sekunde) {
  std::tm t{};
  t.tm_year = jahr - 1900;
  t.tm_mon = monat - 1;
  t.tm_mday = tag;
  t.tm_hour = stunde;
  t.tm_min = minute;
  t.tm_sec = sekunde;
  return t;
}

clsPDF::Uhr FesteUhr() {
  return [] { return Uhrzeit(2026, 12, 7, 5, 6, 7); };
}

// Decoder of the RunLengthDecode filter, independent of the writer.
std::string Entpacken(const std::string& daten) {
  std::string aus;
  std::size_t i = 0;
  while (i < daten.size()) {
    const auto laenge = static_cast<unsigned char>(daten[i++]);
    if (laenge == 128) break;
    if (laenge < 128) {
      aus.append(daten, i, laenge + 1u);
      i += laenge + 1u;
    } else {
      aus.append(257u - laenge, daten[i++]);
    }
  }
  return aus;
}

// The text of the content stream of page `seite` (1-based).
std::string Strom(const std::string& pdf, int seite = 1) {
  std::size_t pos = 0;
  for (int i = 0; i < seite; ++i) {
    pos = pdf.find(">>\rstream\r", pos);
    if (pos == std::string::npos) return {};
    pos += 10;
  }
  return pdf.substr(pos, pdf.find("endstream\r", pos) - pos);
}

int Anzahl(const std::string& text, const std::string& teil) {
  int n = 0;
  for (std::size_t p = text.find(teil); p != std::string::npos; p = text.find(teil, p + 1)) ++n;
  return n;
}

int32_t FehlerVon(const std::function<void()>& f) {
  try {
    f();
  } catch (const VbFehler& e) {
    return e.Nummer;
  }
  return 0;
}

// ---- the document as a whole --------------------------------------------------

TEST(PdfDokument, EineZeileByteGenau) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("Zeile 1...");
  const std::string erwartet =
      "%PDF-1.1\r"
      "%\xE2\xE3\xCF\xD3\r"
      "1 0 obj\r<<\r/CreationDate (D:20261207050607)\r/Producer (clsPDF [Tavrel])\r>>\rendobj\r"
      "2 0 obj\r<<\r/Type /Catalog\r/Pages 3 0 R\r>>\rendobj\r"
      "4 0 obj\r<<\r/Type /Font\r/Subtype /Type1\r/Name /F1\r/BaseFont /Courier\r"
      "/Encoding /WinAnsiEncoding\r>>\rendobj\r"
      "5 0 obj\r<<\r/Font << /F1 4 0 R >>\r/ProcSet [ /PDF /Text ]\r>>\rendobj\r"
      "6 0 obj\r<<\r/Type /Page\r/Parent 3 0 R\r/Resources 5 0 R\r/Contents 7 0 R\r>>\rendobj\r"
      "7 0 obj\r<<\r/Length 8 0 R\r>>\rstream\r"
      "S\rBT\r/F1 10 Tf\r80 782 Td\r10 TL\r(Zeile 1...)'\rET\r"
      "endstream\rendobj\r"
      "8 0 obj\r48\rendobj\r"
      "3 0 obj\r<<\r/Type /Pages\r/Count 1\r/MediaBox [0 0 596 842]\r/Kids [ 6 0 R ]\r>>\rendobj\r"
      "xref\r0 9\r"
      "0000000000 65535 f\r"
      "0000000015 00000 n\r"
      "0000000097 00000 n\r"
      "0000000516 00000 n\r"
      "0000000146 00000 n\r"
      "0000000251 00000 n\r"
      "0000000318 00000 n\r"
      "0000000398 00000 n\r"
      "0000000498 00000 n\r"
      "trailer\r<<\r/Size 9\r/Root 2 0 R\r/Info 1 0 R\r>>\rstartxref\r599\r%%EOF\r";
  EXPECT_EQ(pdf.Value(), erwartet);
}

TEST(PdfDokument, QuerverweiseZeigenAufIhreObjekte) {
  clsPDF pdf(FesteUhr());
  for (int i = 0; i < 200; ++i) pdf.PrintLine("Zeile " + std::to_string(i));
  const std::string doc = pdf.Value();
  const std::size_t xref = doc.rfind("\rxref\r") + 1;
  const std::size_t start = doc.find("startxref\r") + 10;
  EXPECT_EQ(std::stoul(doc.substr(start)), xref);
  // 3 pages: objects 6..14; entries of 18 characters and one carriage return
  EXPECT_NE(doc.find("xref\r0 15\r0000000000 65535 f\r", xref), std::string::npos);
  for (int n = 1; n <= 14; ++n) {
    const std::size_t eintrag = xref + 5 + 5 + 19 * n;
    const std::string zeile = doc.substr(eintrag, 19);
    ASSERT_EQ(zeile.substr(10), " 00000 n\r") << n;
    const std::size_t offset = std::stoul(zeile.substr(0, 10));
    EXPECT_EQ(doc.compare(offset, std::to_string(n).size() + 7, std::to_string(n) + " 0 obj\r"), 0) << n;
  }
  EXPECT_NE(doc.find("/Count 3\r"), std::string::npos);
  EXPECT_NE(doc.find("/Kids [ 6 0 R 9 0 R 12 0 R ]\r"), std::string::npos);
  // every stream length object holds the true length
  for (int s = 1; s <= 3; ++s) {
    const std::string strom = Strom(doc, s);
    const std::string laengenObjekt = std::to_string(5 + 3 * s) + " 0 obj\r" + std::to_string(strom.size()) + "\r";
    EXPECT_NE(doc.find(laengenObjekt), std::string::npos) << s;
  }
}

TEST(PdfDokument, SeitenumbruchNach72Zeilen) {
  clsPDF pdf(FesteUhr());
  for (int i = 1; i <= 72; ++i) pdf.PrintLine("x");
  EXPECT_EQ(pdf.PageNumber(), 1);
  EXPECT_EQ(pdf.LineNumber(), 72);
  pdf.PrintLine("dreiundsiebzig");
  EXPECT_EQ(pdf.PageNumber(), 2);
  EXPECT_EQ(pdf.LineNumber(), 1);
  const std::string doc = pdf.Value();
  EXPECT_EQ(Anzahl(Strom(doc, 1), "(x)'"), 72);
  EXPECT_EQ(Strom(doc, 2), "BT\r/F1 10 Tf\r80 782 Td\r10 TL\r(dreiundsiebzig)'\rET\r");
}

TEST(PdfDokument, LeereSeiten) {
  clsPDF pdf(FesteUhr());
  const std::string leer = pdf.Value();
  pdf.NewPage();
  EXPECT_EQ(pdf.Value(), leer);
  EXPECT_EQ(pdf.PageNumber(), 0);

  pdf.PrintLine("a");
  pdf.NewPage();
  pdf.DropBlankPages(false);
  pdf.NewPage();
  EXPECT_EQ(pdf.PageNumber(), 2);
  EXPECT_EQ(Strom(pdf.Value(), 2), "BT\r/F1 10 Tf\r80 782 Td\r10 TL\rET\r");
}

TEST(PdfDokument, NeueSeiteUebernimmtSchriftgroesse) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("a");
  pdf.NewPage(12, 3);
  for (int i = 0; i < 4; ++i) pdf.PrintLine("b");
  EXPECT_EQ(pdf.PageNumber(), 3);
  const std::string doc = pdf.Value();
  EXPECT_EQ(Strom(doc, 2), "BT\r/F1 12 Tf\r80 782 Td\r12 TL\r(b)'\r(b)'\r(b)'\rET\r");
}

TEST(PdfDokument, QuerformatTauschtDieSeitenmasse) {
  clsPDF pdf(FesteUhr());
  pdf.PaperSize(5);
  pdf.Orientation(1);
  EXPECT_EQ(pdf.width(), 842);
  EXPECT_EQ(pdf.Height(), 596);
  pdf.PrintLine("quer");
  const std::string doc = pdf.Value();
  EXPECT_NE(doc.find("/MediaBox [0 0 842 596]\r"), std::string::npos);
  EXPECT_NE(Strom(doc).find("80 536 Td\r"), std::string::npos);
}

TEST(PdfDokument, PapiergroessenUndEigeneMasse) {
  clsPDF pdf(FesteUhr());
  pdf.PaperSize(4);
  EXPECT_EQ(pdf.width(), 842);
  EXPECT_EQ(pdf.Height(), 1192);
  pdf.PaperSize(99);  // unknown code: stored, sizes stay
  EXPECT_EQ(pdf.PaperSize(), 99);
  EXPECT_EQ(pdf.Height(), 1192);
  pdf.Height(500);
  pdf.width(400);
  EXPECT_EQ(pdf.PaperSize(), 0);
  EXPECT_NE(pdf.Value().find("/MediaBox [0 0 400 500]\r"), std::string::npos);
}

TEST(PdfDokument, ClearBeginntNeu) {
  int sekunde = 0;
  clsPDF pdf([&] { return Uhrzeit(2026, 1, 2, 3, 4, sekunde); });
  pdf.PrintLine("alt");
  sekunde = 59;
  pdf.Clear(12, 5);
  EXPECT_EQ(pdf.PageNumber(), 0);
  EXPECT_EQ(pdf.FontSize(), 12);
  EXPECT_EQ(pdf.LinesPerPage(), 5);
  const std::string doc = pdf.Value();
  EXPECT_EQ(doc.find("(alt)"), std::string::npos);
  EXPECT_NE(doc.find("/CreationDate (D:20260102030459)\r"), std::string::npos);
  EXPECT_NE(doc.find("/Count 0\r"), std::string::npos);
}

// ---- text -----------------------------------------------------------------

TEST(PdfText, KlammernUndRueckstricheWerdenMaskiert) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("a(b)\\c");
  EXPECT_NE(Strom(pdf.Value()).find("(a\\(b\\)\\\\c)'\r"), std::string::npos);
}

TEST(PdfText, UmlauteInWindows1252) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("Grüße €");
  EXPECT_NE(Strom(pdf.Value()).find("(Gr\xFC\xDF" "e \x80)'\r"), std::string::npos);
}

TEST(PdfText, PrintTextTrenntZeilenUndSeiten) {
  clsPDF pdf(FesteUhr());
  pdf.PrintText("eins\r\nzwei\r\n\f\r\ndrei");
  EXPECT_EQ(pdf.PageNumber(), 2);
  const std::string doc = pdf.Value();
  EXPECT_NE(Strom(doc, 1).find("(eins)'\r(zwei)'\rET\r"), std::string::npos);
  EXPECT_NE(Strom(doc, 2).find("10 TL\r(drei)'\rET\r"), std::string::npos);
  EXPECT_EQ(doc.find("\f"), std::string::npos);
}

TEST(PdfText, TrennerNachVorrangNichtNachPosition) {
  clsPDF pdf(FesteUhr());
  // carriage return + line feed wins even though a lone line feed comes first
  pdf.PrintText("a\nb\r\nc");
  EXPECT_NE(Strom(pdf.Value()).find("(a\nb)'\r(c)'\r"), std::string::npos);

  clsPDF lf(FesteUhr());
  lf.PrintText("a\nb\n");
  EXPECT_NE(Strom(lf.Value()).find("(a)'\r(b)'\r()'\rET"), std::string::npos);
}

TEST(PdfText, LeererTextDrucktEineLeereZeile) {
  clsPDF pdf(FesteUhr());
  pdf.PrintText("");
  EXPECT_EQ(pdf.PageNumber(), 1);
  EXPECT_NE(Strom(pdf.Value()).find("10 TL\r()'\rET\r"), std::string::npos);
}

TEST(PdfText, ZeilenProSeiteMindestensEins) {
  clsPDF pdf(FesteUhr());
  EXPECT_EQ(FehlerVon([&] { pdf.LinesPerPage(0); }), 5);
  EXPECT_EQ(pdf.LinesPerPage(), 72);
  pdf.PrintLine("a");
  pdf.PrintLine("b");
  pdf.LinesPerPage(1);  // fewer lines than the open page already has
  pdf.PrintLine("c");
  EXPECT_EQ(pdf.PageNumber(), 2);
}

// ---- graphics ---------------------------------------------------------------

TEST(PdfZahlen, DreiNachkommastellen) {
  EXPECT_EQ(PdfZahl(0.5), "0.5");
  EXPECT_EQ(PdfZahl(1), "1");
  EXPECT_EQ(PdfZahl(1.0 / 3), "0.333");
  EXPECT_EQ(PdfZahl(2.0 / 3), "0.667");
  EXPECT_EQ(PdfZahl(-0.5), "-0.5");
  EXPECT_EQ(PdfZahl(0.0004), "0");
  EXPECT_EQ(PdfZahl(-0.0004), "0");
  EXPECT_EQ(PdfZahl(12.25), "12.25");
  EXPECT_EQ(PdfZahl(static_cast<double>(0.1f)), "0.1");
}

TEST(PdfFarben, GrauUndBunt) {
  EXPECT_EQ(PdfFarbe(RGB(255, 0, 0)), "1 0 0 RG");
  EXPECT_EQ(PdfFarbe(RGB(128, 128, 128)), "0.502 G");
  EXPECT_EQ(PdfFarbe(RGB(0, 0, 255)), "0 0 1 RG");
  EXPECT_EQ(PdfFarbe(RGB(0, 0, 0)), "0 G");
}

TEST(PdfGrafik, FarbeUndBreiteVorDerNaechstenLinie) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("x");
  pdf.DrawColor(255);
  pdf.FillColor(RGB(0, 255, 0));
  pdf.DrawWidth(0.5f);
  pdf.DrawLine(10, 20, 30, 40);
  EXPECT_EQ(Strom(pdf.Value()),
            "S\rBT\r/F1 10 Tf\r80 782 Td\r10 TL\r(x)'\rET\r"
            "1 0 0 RG\r0 1 0 rg\r0.5 w\r10 822 m 30 802 l\rS\r");
}

TEST(PdfGrafik, NeueSeiteSetztGeaenderteWerteErneut) {
  clsPDF pdf(FesteUhr());
  pdf.DrawColor(RGB(128, 128, 128));
  pdf.FillColor(RGB(255, 0, 0));
  pdf.PrintLine("a");
  pdf.NewPage();
  pdf.PrintLine("b");
  pdf.DrawLine(0, 0, 10, 10);
  const std::string zwei = Strom(pdf.Value(), 2);
  EXPECT_EQ(zwei, "0 g\rBT\r/F1 10 Tf\r80 782 Td\r10 TL\r(b)'\rET\r0.502 G\r1 0 0 rg\r0 842 m 10 832 l\rS\r");
}

TEST(PdfGrafik, MalOperatorenWerdenZusammengefasst) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("x");
  pdf.DrawBox(10, 20, 100, 50, kStilFuellen);
  pdf.DrawBox(10, 100, 100, 50, kStilFuellen);
  pdf.MoveTo(5, 5);
  pdf.DrawLineTo(6, 6);
  pdf.DrawShape(kStilSchliessen);
  pdf.DrawShape(17);  // unknown style: nothing new
  EXPECT_EQ(Strom(pdf.Value()),
            "S\rBT\r/F1 10 Tf\r80 782 Td\r10 TL\r(x)'\rET\r"
            "10 772 100 50 re\r10 692 100 50 re\rf\r5 837 m\r6 836 l\rs\r");
}

TEST(PdfGrafik, MoveToAufDenAktuellenPunktSchreibtNichts) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("x");
  pdf.MoveTo(0, 0);  // the page begins at (0, page height)
  pdf.DrawLine(1, 2, 3, 4);
  pdf.MoveTo(3, 4);
  pdf.MoveTo(3, 5);
  EXPECT_EQ(Strom(pdf.Value()), "S\rBT\r/F1 10 Tf\r80 782 Td\r10 TL\r(x)'\rET\r1 840 m 3 838 l\rS\r3 837 m\r");
}

TEST(PdfGrafik, Kreis) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("x");
  pdf.DrawCircle(100, 100, 10, kStilFuellenUmranden);
  // k = 10 * 0.5522847 rounded = 6
  EXPECT_EQ(Strom(pdf.Value()),
            "S\rBT\r/F1 10 Tf\r80 782 Td\r10 TL\r(x)'\rET\r"
            "100 732 m\r"
            "106 732 110 736 110 742 c\r"
            "110 748 106 752 100 752 c\r"
            "94 752 90 748 90 742 c\r"
            "90 736 94 732 100 732 c\r"
            "b\r");
}

TEST(PdfGrafik, KurveUndGedrehterText) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("x");
  pdf.DrawCurveTo(1, 2, 3, 4, 5, 6);
  pdf.DrawText(50, 60, "gerade", 0);
  pdf.DrawText(50, 60, "(hoch)", static_cast<float>(M_PI / 2));
  pdf.DrawText(50, 60, "schräg", static_cast<float>(-M_PI / 6));
  EXPECT_EQ(Strom(pdf.Value()),
            "S\rBT\r/F1 10 Tf\r80 782 Td\r10 TL\r(x)'\rET\r"
            "1 840 3 838 5 836 c\r"
            "BT\r/F1 10 Tf\r50 782 Td\r(gerade)'\rET\r"
            "BT\r/F1 10 Tf\r0 1 -1 0 50 782 Tm\r(\\(hoch\\))'\rET\r"
            "BT\r/F1 10 Tf\r0.866 -0.5 0.5 0.866 50 782 Tm\r(schr\xE4g)'\rET\r");
}

TEST(PdfGrafik, UeberlaufLaesstDasDokumentUnveraendert) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("x");
  pdf.DrawBox(1, 1, 1, 1, kStilUmranden);
  const std::string vorher = pdf.Value();
  EXPECT_EQ(FehlerVon([&] { pdf.DrawLine(0, -32000, 0, 0); }), 6);
  EXPECT_EQ(FehlerVon([&] { pdf.DrawCircle(32760, 10, 10, 0); }), 6);
  EXPECT_EQ(FehlerVon([&] { pdf.DrawBox(0, 0, 70000, 1, 0); }), 6);
  EXPECT_EQ(FehlerVon([&] { pdf.DrawText(0, 40000, "x", 0); }), 6);
  EXPECT_EQ(FehlerVon([&] { pdf.FontSize(40000); }), 6);
  EXPECT_EQ(pdf.Value(), vorher);
}

TEST(PdfGrafik, UnsinnigeLinienbreitenWerdenAbgewiesen) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("x");
  pdf.DrawWidth(1.5f);
  const std::string vorher = pdf.Value();
  for (float breite : {1e16f, -1e16f, 40000.0f, std::numeric_limits<float>::infinity(),
                       -std::numeric_limits<float>::infinity(),
                       std::numeric_limits<float>::quiet_NaN()}) {
    EXPECT_EQ(FehlerVon([&] { pdf.DrawWidth(breite); }), 6) << breite;
    EXPECT_EQ(pdf.DrawWidth(), 1.5f);
  }
  EXPECT_EQ(pdf.Value(), vorher);
  pdf.DrawWidth(32767.0f);  // the largest width still accepted
  pdf.DrawLine(0, 0, 1, 1);
  EXPECT_NE(Strom(pdf.Value()).find("32767 w\r"), std::string::npos);
  // a number that cannot be written is an error, never a wrong text
  EXPECT_EQ(FehlerVon([] { PdfZahl(1e300); }), 6);
  EXPECT_EQ(FehlerVon([] { PdfZahl(std::nan("")); }), 6);
}

TEST(PdfGrafik, GedrehterTextBrauchtEinenEndlichenWinkel) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("x");
  const std::string vorher = pdf.Value();
  EXPECT_EQ(FehlerVon([&] { pdf.DrawText(1, 1, "a", std::numeric_limits<float>::infinity()); }), 6);
  EXPECT_EQ(FehlerVon([&] { pdf.DrawText(1, 1, "a", std::numeric_limits<float>::quiet_NaN()); }), 6);
  EXPECT_EQ(pdf.Value(), vorher);
}

TEST(PdfGrafik, ZeichnenInDenSeitenereignissen) {
  clsPDF pdf(FesteUhr());
  pdf.PageStarted = [&] { pdf.DrawBox(0, 0, 10, 10, kStilFuellen); };
  pdf.PageFinished = [&] { pdf.DrawLine(0, 800, 596, 800); };
  pdf.PrintLine("x");
  pdf.NewPage();
  EXPECT_EQ(Strom(pdf.Value()), "S\r0 832 10 10 re\rf\rBT\r/F1 10 Tf\r80 782 Td\r10 TL\r(x)'\rET\r0 42 m 596 42 l\rS\r");
}

// ---- the finished document while writing goes on ---------------------------

TEST(PdfFertig, ValueAendertNichts) {
  clsPDF mit(FesteUhr()), ohne(FesteUhr());
  for (auto* pdf : {&mit, &ohne}) {
    pdf->PrintLine("eins");
    pdf->DrawBox(10, 10, 20, 20, kStilFuellen);
  }
  const std::string zwischen = mit.Value();
  EXPECT_NE(Strom(zwischen).find("10 812 20 20 re\rf\r"), std::string::npos);
  EXPECT_EQ(mit.Value(), zwischen);
  for (auto* pdf : {&mit, &ohne}) {
    pdf->PrintLine("zwei");
    pdf->DrawLine(1, 1, 2, 2);
  }
  // the box drawn before the first snapshot is still on the page
  EXPECT_EQ(mit.Value(), ohne.Value());
  EXPECT_NE(Strom(mit.Value()).find("10 812 20 20 re\rf\r1 841 m 2 840 l\rS\r"), std::string::npos);
  EXPECT_EQ(mit.PageNumber(), 1);
  EXPECT_EQ(mit.LineNumber(), 2);
}

// Page handlers that change every property and draw: the page end inside a
// snapshot runs them too, and nothing of that may outlive the snapshot.
void AlleEigenschaftenInHandlern(clsPDF& pdf) {
  pdf.PageStarted = [&pdf] {
    pdf.FillColor(RGB(0, 0, 255));
    pdf.DrawBox(0, 0, 5, 5, kStilFuellen);
  };
  pdf.PageFinished = [&pdf] {
    pdf.DrawColor(RGB(255, 0, 0));
    pdf.DrawWidth(2.5f);
    pdf.FillColor(RGB(0, 255, 0));
    pdf.FillMode(kStilSchliessen);
    pdf.FontSize(12);
    pdf.LeftMargin(50);
    pdf.TopMargin(40);
    pdf.LinesPerPage(3);
    pdf.DropBlankPages(false);
    pdf.NewPageString("--");
    pdf.Orientation(1);
    pdf.MoveTo(7, 7);
    pdf.DrawLine(0, 800, 500, 800);
  };
}

TEST(PdfFertig, ValueInmittenVonSeitenereignissenAendertNichts) {
  clsPDF mit(FesteUhr()), ohne(FesteUhr());
  AlleEigenschaftenInHandlern(mit);
  AlleEigenschaftenInHandlern(ohne);
  for (auto* pdf : {&mit, &ohne}) pdf->PrintLine("eins");

  mit.Value();
  EXPECT_EQ(mit.DrawColor(), 0);
  EXPECT_EQ(mit.DrawWidth(), 0.0f);
  EXPECT_EQ(mit.FillColor(), RGB(0, 0, 255));
  EXPECT_EQ(mit.FillMode(), 0);
  EXPECT_EQ(mit.FontSize(), 10);
  EXPECT_EQ(mit.LeftMargin(), 80);
  EXPECT_EQ(mit.TopMargin(), 60);
  EXPECT_EQ(mit.LinesPerPage(), 72);
  EXPECT_TRUE(mit.DropBlankPages());
  EXPECT_EQ(mit.NewPageString(), "\f");
  EXPECT_EQ(mit.Orientation(), 0);
  EXPECT_EQ(mit.LineNumber(), 1);

  for (auto* pdf : {&mit, &ohne}) {
    pdf->PrintText("zwei\r\ndrei\r\nvier\r\n--\r\nfünf");
    pdf->NewPage();
    pdf->NewPage();
  }
  const std::string erwartet = ohne.Value();
  EXPECT_EQ(mit.Value(), erwartet);
  // the handler's line keeps its colour and width at the real page end
  EXPECT_NE(Strom(erwartet).find("ET\rs\r1 0 0 RG\r0 1 0 rg\r2.5 w\r7 589 m\r"),
            std::string::npos);
}

TEST(PdfFertig, FehlerImSeitenereignisLaesstDenSchreiberUnveraendert) {
  clsPDF mit(FesteUhr()), ohne(FesteUhr());
  bool werfen = true;
  mit.PageFinished = [&] {
    mit.DrawColor(RGB(1, 2, 3));
    mit.DrawLine(0, 10, 20, 10);
    if (werfen) throw VbFehler::Standard(fehlernr::Ueberlauf);
  };
  ohne.PageFinished = [&] {
    ohne.DrawColor(RGB(1, 2, 3));
    ohne.DrawLine(0, 10, 20, 10);
  };
  for (auto* pdf : {&mit, &ohne}) pdf->PrintLine("eins");
  EXPECT_EQ(FehlerVon([&] { mit.Value(); }), 6);
  EXPECT_EQ(mit.DrawColor(), 0);
  EXPECT_EQ(mit.LineNumber(), 1);
  werfen = false;
  for (auto* pdf : {&mit, &ohne}) pdf->PrintLine("zwei");
  EXPECT_EQ(mit.Value(), ohne.Value());
}

TEST(PdfFertig, ZeichnenNachValueErscheintImNaechstenValue) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("x");
  pdf.Value();
  pdf.DrawBox(1, 2, 3, 4, kStilUmranden);
  EXPECT_NE(Strom(pdf.Value()).find("1 836 3 4 re\rS\r"), std::string::npos);
  pdf.Orientation(1);
  EXPECT_NE(pdf.Value().find("/MediaBox [0 0 842 596]"), std::string::npos);
}

// ---- pictures -----------------------------------------------------------------

TEST(PdfBild, UnkomprimierbarWirdRohGeschrieben) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("x");
  Bild bild(2, 1);
  bild.At(0, 0) = RGB(1, 2, 3);
  bild.At(1, 0) = RGB(4, 5, 6);
  pdf.DrawPicture(10, 20, 30, 40, bild, false);
  const std::string s = Strom(pdf.Value());
  EXPECT_NE(s.find("ET\rq\r30 0 0 40 10 782 cm\rBI\r/W 2\r/H 1\r/BPC 8\r/CS /RGB\rID \x01\x02\x03\x04\x05\x06>\rEI\rQ\r"),
            std::string::npos);
  EXPECT_EQ(s.find("/F /RL"), std::string::npos);
}

TEST(PdfBild, GleichmaessigeFlaecheWirdLauflaengenKodiert) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("x");
  Bild bild(20, 20, RGB(200, 100, 50));
  pdf.DrawPicture(0, 0, 100, 100, bild, true);
  const std::string s = Strom(pdf.Value());
  const std::size_t id = s.find("/CS /G\r/F /RL\rID ");
  ASSERT_NE(id, std::string::npos);
  const std::size_t daten = id + 17;
  const std::size_t ende = s.find("\x80\rEI\rQ\r", daten);
  ASSERT_NE(ende, std::string::npos);
  // grey = (77 r + 151 g + 28 b + 127) / 256
  const char grau = static_cast<char>((77 * 200 + 151 * 100 + 28 * 50 + 127) / 256);
  EXPECT_EQ(Entpacken(s.substr(daten, ende - daten)), std::string(400, grau));
}

TEST(PdfBild, ZeilenVonObenNachUnten) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("x");
  Bild bild(1, 3);
  bild.At(0, 0) = RGB(10, 10, 10);
  bild.At(0, 1) = RGB(20, 20, 20);
  bild.At(0, 2) = RGB(30, 30, 30);
  pdf.DrawPicture(0, 0, 1, 3, bild, true);
  EXPECT_NE(Strom(pdf.Value()).find("ID \x0A\x14\x1E>\r"), std::string::npos);
}

TEST(PdfBild, NegativeMasseSpiegelnImSelbenFeld) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("x");
  Bild bild(1, 1);
  pdf.DrawPicture(10, 20, -100, 50, bild, true);
  pdf.DrawPicture(10, 20, 100, -50, bild, true);
  const std::string s = Strom(pdf.Value());
  EXPECT_NE(s.find("-100 0 0 50 110 772 cm\r"), std::string::npos);
  EXPECT_NE(s.find("100 0 0 -50 10 822 cm\r"), std::string::npos);
}

// ---- run-length encoding ----------------------------------------------------

TEST(Lauflaenge, Grundfaelle) {
  EXPECT_EQ(PdfLauflaenge(""), "");
  EXPECT_EQ(PdfLauflaenge("A"), std::string("\x00" "A", 2));
  EXPECT_EQ(PdfLauflaenge("AAAB"), std::string("\xFE" "A" "\x00" "B", 4));
  // a pair inside an open literal block stays literal
  EXPECT_EQ(PdfLauflaenge("ABBC"), std::string("\x03" "ABBC", 5));
  EXPECT_EQ(PdfLauflaenge("AB"), std::string("\x01" "AB", 3));
  EXPECT_EQ(PdfLauflaenge("AA"), std::string("\xFF" "A", 2));
  EXPECT_EQ(PdfLauflaenge(std::string(128, 'z')), std::string("\x81" "z", 2));
  EXPECT_EQ(PdfLauflaenge(std::string(130, 'z')), std::string("\x81" "z" "\xFF" "z", 4));
}

TEST(Lauflaenge, LiteralBloeckeHoechstens128Bytes) {
  std::string daten;
  for (int i = 0; i < 300; ++i) daten += static_cast<char>(i % 251);
  const std::string kodiert = PdfLauflaenge(daten);
  EXPECT_EQ(static_cast<unsigned char>(kodiert[0]), 127);
  EXPECT_EQ(static_cast<unsigned char>(kodiert[129]), 127);
  EXPECT_EQ(Entpacken(kodiert), daten);
}

TEST(Lauflaenge, ZufallsdatenUeberlebenDenRueckweg) {
  std::mt19937 zufall(4711);
  for (int runde = 0; runde < 200; ++runde) {
    std::string daten;
    const int laenge = static_cast<int>(zufall() % 2000);
    while (static_cast<int>(daten.size()) < laenge) {
      const char c = static_cast<char>(zufall() % 4);  // few values: many runs and pairs
      daten.append(1 + zufall() % (zufall() % 3 == 0 ? 200 : 3), c);
    }
    const std::string kodiert = PdfLauflaenge(daten);
    ASSERT_EQ(Entpacken(kodiert), daten) << runde;
    for (std::size_t i = 0; i < kodiert.size();) {
      const auto kopf = static_cast<unsigned char>(kodiert[i]);
      ASSERT_NE(kopf, 128u) << "no end marker inside the data";
      i += kopf < 128 ? kopf + 2u : 2u;
    }
  }
}

// ---- files ------------------------------------------------------------------

class PdfDateiTest : public test::Umgebung {};

TEST_F(PdfDateiTest, BilddateiUndFehlendeDatei) {
  Bild bild(3, 2, RGB(0, 0, 255));
  bild.At(2, 1) = RGB(255, 255, 255);
  DateiAnlegen("C:\\bild.bmp", BmpKodieren(bild));
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("x");
  pdf.DrawPicture(0, 0, 30, 20, "C:\\bild.bmp", false);
  EXPECT_NE(Strom(pdf.Value()).find(std::string("ID \0\0\xFF\0\0\xFF\0\0\xFF\0\0\xFF\0\0\xFF\xFF\xFF\xFF>", 22)),
            std::string::npos);
  const std::string vorher = pdf.Value();
  EXPECT_EQ(FehlerVon([&] { pdf.DrawPicture(0, 0, 1, 1, "C:\\fehlt.bmp", false); }), 53);
  DateiAnlegen("C:\\kaputt.bmp", "BM kaputt");
  EXPECT_EQ(FehlerVon([&] { pdf.DrawPicture(0, 0, 1, 1, "C:\\kaputt.bmp", false); }), 481);
  EXPECT_EQ(pdf.Value(), vorher);
}


TEST_F(PdfDateiTest, SavePdfSchreibtGenauValue) {
  clsPDF pdf(FesteUhr());
  pdf.PrintLine("Grüße");
  pdf.SavePDF("C:\\aus.pdf");
  EXPECT_EQ(Inhalt("C:\\aus.pdf"), pdf.Value());
  DateiAnlegen("C:\\aus.pdf", "alt und lang lang lang lang lang lang lang lang lang lang lang lang lang");
  pdf.SavePDF("c:\\AUS.PDF");
  EXPECT_EQ(Inhalt("C:\\aus.pdf"), pdf.Value());
  EXPECT_EQ(FehlerVon([&] { pdf.SavePDF("C:\\fehlt\\aus.pdf"); }), 76);
}

TEST_F(PdfDateiTest, PrintFileDrucktBytesAlsWindows1252) {
  DateiAnlegen("C:\\text.txt", "Stra\xDF" "e\r\nzwei\r\n");
  clsPDF pdf(FesteUhr());
  pdf.PrintFile("C:\\text.txt");
  EXPECT_NE(Strom(pdf.Value()).find("(Stra\xDF" "e)'\r(zwei)'\r()'\r"), std::string::npos);

  DateiAnlegen("C:\\leer.txt", "");
  clsPDF leer(FesteUhr());
  leer.PrintFile("C:\\leer.txt");
  EXPECT_EQ(leer.PageNumber(), 1);

  const std::string vorher = leer.Value();
  EXPECT_EQ(FehlerVon([&] { leer.PrintFile("C:\\fehlt.txt"); }), 53);
  EXPECT_EQ(leer.Value(), vorher);
}

}  // namespace
}  // namespace vxm
