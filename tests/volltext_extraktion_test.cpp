#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "search/volltext/auslesedienst.h"
#include "search/volltext/extraktion.h"
#include "search/volltext/faltung.h"
#include "search/volltext/volltextsuche.h"
#include "tests/hilfen.h"
#include "tests/volltext_hilfen.h"

namespace vxm::volltext {
namespace {
namespace fs = std::filesystem;

TEST(VolltextFaltung, FalltUmlauteGrossKleinUndLeerraum) {
  EXPECT_EQ(Falten("Müller MÜLLER"), "muller muller");
  EXPECT_EQ(Falten("Straße STRASSE"), "strasse strasse");
  EXPECT_EQ(Falten("Sehr\r\n  geehrte\tFrau"), "sehr geehrte frau");
  EXPECT_EQ(Falten("Ab\xC2\xADrechnung \xEF\xAC\x81nanz"), "abrechnung finanz");  // soft hyphen, ligature
  EXPECT_EQ(Falten("Gr\xFC\xDF" "e"), "grusse");  // Windows-1252 bytes read as such
  EXPECT_EQ(AlsUtf8("M\xFCller und Müller"), "Müller und Müller");
  std::vector<std::uint32_t> herkunft;
  const std::string t = "Frau  Müller";
  const std::string f = Falten(t, herkunft);
  ASSERT_EQ(herkunft.size(), f.size() + 1);
  EXPECT_EQ(t.substr(herkunft[f.find("muller")]), "Müller");
}

// The finder that checks index candidates must answer exactly as folding
// the whole text and looking the phrase up in it: random texts of the
// pieces folding treats specially, random phrases cut from their folded form.
TEST(VolltextFaltung, FaltsucherWieFaltenUndSuchen) {
  const std::vector<std::string> stuecke = {
      "a", "b", "s", "S", "ss", "ß", "Straße", "STRASSE", "ä", "Ä", "ae", "e", "é", " ", "  ", "\t", "\r\n",
      "\xC2\xA0", "\xC2\xAD", "\xE2\x80\x8B", "\xEF\xAC\x80", "f", "ff", "\xFC", "\xDF", "\x80", "\xC3",
      "\xE2\x80", "x", "\xC3\x9F", "\xE1\xBA\x9E", "\xC5\x93", "oe", "\x01", "\xD0\x96", "\xD0\xB6"};
  std::mt19937 zufall(19);
  int treffer = 0;
  for (int runde = 0; runde < 4000; ++runde) {
    std::string text;
    // Short texts, and long ones that the finder scans in blocks.
    const int n = 1 + static_cast<int>(zufall() % (runde % 2 ? 14 : 120));
    for (int i = 0; i < n; ++i) text += stuecke[zufall() % stuecke.size()];
    const std::string f = Falten(text);
    std::string phrase;
    if (zufall() % 4 == 0 || f.empty()) {
      for (int i = 0; i < 3; ++i) phrase += Falten(stuecke[zufall() % stuecke.size()]);
    } else {
      // Cut at character borders of the folded text.
      std::size_t a = zufall() % f.size(), l = 1 + zufall() % 6;
      while (a > 0 && (static_cast<unsigned char>(f[a]) & 0xC0) == 0x80) --a;
      std::size_t e = std::min(f.size(), a + l);
      while (e < f.size() && (static_cast<unsigned char>(f[e]) & 0xC0) == 0x80) ++e;
      phrase = f.substr(a, e - a);
    }
    if (phrase.empty()) continue;
    const Faltsucher s(phrase);
    std::size_t von = 0, bis = 0;
    const bool gefunden = s.Finden(text, von, bis);
    ASSERT_EQ(gefunden, f.find(phrase) != std::string::npos) << "Text [" << text << "] Phrase [" << phrase << "]";
    if (!gefunden) continue;
    ++treffer;
    // The characters found fold to a text holding the phrase.
    ASSERT_LE(bis, text.size());
    EXPECT_NE(Falten(text.substr(von, bis - von)).find(phrase.substr(phrase.front() == ' ' ? 1 : 0, 1)),
              std::string::npos);
  }
  EXPECT_GT(treffer, 1000);
  std::size_t von = 0, bis = 0;
  ASSERT_TRUE(Faltsucher("strasse").Finden("Die Stra\xC3\x9F" "e 5", von, bis));
  EXPECT_EQ(std::string("Die Stra\xC3\x9F" "e 5").substr(von, bis - von), "Stra\xC3\x9F" "e");
  ASSERT_TRUE(Faltsucher("sse 5").Finden("Die Stra\xC3\x9F" "e\t\t5", von, bis));
  EXPECT_EQ(von, 8u);  // inside the folded "ss" of the sharp s
}

TEST(VolltextKontext, UmfeldAufEinerZeileUndNurImDokumenttext) {
  EXPECT_EQ(Kontext("aaa Phrase bbb", 4, 6, 2), "\xE2\x80\xA6" "a Phrase b\xE2\x80\xA6");
  EXPECT_EQ(Kontext("Sehr\r\n  geehrte Frau", 0, 4), "Sehr geehrte Frau");
  // The raw strings of the file after the form feed stay out of the context.
  EXPECT_EQ(Kontext("Angebot\n\f\nword/document.xml", 0, 7), "Angebot");
  EXPECT_EQ(Kontext("Angebot\n\f\nword/document.xml", 12, 4), "word/document.xml");
}

class VolltextAuslesen : public test::Umgebung {
 protected:
  fs::path Datei(const std::string& name, const std::string& inhalt) {
    const fs::path p = temp_ / "dok" / name;
    test::Schreiben(p, inhalt);
    return p;
  }
};

TEST_F(VolltextAuslesen, TextRtfHtmlUndGzip) {
  EXPECT_EQ(Auslesen(Datei("a.txt", "Nebenkosten f\xFCr 2023")).Text, "Nebenkosten für 2023");
  auto rtf = Auslesen(Datei("b.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Sehr geehrte Frau M\\'fcller,\\par "
                                      "Gr\\u252?\\'dfe {\\*\\generator Unsinn}}"));
  EXPECT_NE(rtf.Text.find("Sehr geehrte Frau Müller,\nGrüße"), std::string::npos) << rtf.Text;
  EXPECT_EQ(rtf.Text.find("Unsinn\n"), std::string::npos);
  auto html = Auslesen(Datei("c.html", "<html><body><p>Heiz<b>kosten</b>&nbsp;&amp; Wasser &auml;</p>"
                                       "<script>var x;</script></body></html>"));
  EXPECT_NE(Falten(html.Text).find("heizkosten & wasser a"), std::string::npos) << html.Text;
  // gzip: the unpacked text (Debian's documentation is mostly gzipped).
  const std::string gz("\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\x03\x0B\x4E\xCD\x28\x52\x48\x4F\x05\x92\x25\xA9"
                       "\x00\x20\xE7\x36\x6C\x0C\x00\x00\x00", 30);
  EXPECT_NE(Auslesen(Datei("d.txt.gz", gz)).Text.find("Sehr geehrte"), std::string::npos);
}

TEST_F(VolltextAuslesen, OfficeOpenXmlAusHandgebautemZip) {
  const std::string dokument =
      "<?xml version=\"1.0\"?><w:document xmlns:w=\"w\"><w:body><w:p><w:r><w:t>Neben</w:t></w:r>"
      "<w:r><w:t>kosten</w:t></w:r></w:p><w:p><w:r><w:t>Abrechnung</w:t></w:r></w:p></w:body></w:document>";
  const auto a = Auslesen(Datei("brief.docx", test::ZipBauen({{"word/document.xml", dokument}})));
  EXPECT_EQ(a.Art, "docx");
  EXPECT_NE(a.Text.find("Nebenkosten\nAbrechnung"), std::string::npos) << a.Text;
  EXPECT_NE(a.Text.find("word/document.xml"), std::string::npos);  // what the byte search sees
  const std::string tabelle =
      "<sst><si><t>Miete</t></si><si><t>Kaution</t></si></sst>";
  const std::string blatt =
      "<worksheet><sheetData><row><c t=\"s\"><v>0</v></c><c><v>450.5</v></c></row></sheetData></worksheet>";
  const auto x = Auslesen(Datei("m.xlsx", test::ZipBauen({{"xl/workbook.xml", "<w/>"},
                                                          {"xl/sharedStrings.xml", tabelle},
                                                          {"xl/worksheets/sheet1.xml", blatt}})));
  EXPECT_NE(x.Text.find("Miete\nKaution"), std::string::npos) << x.Text;
  EXPECT_NE(x.Text.find("450.5"), std::string::npos);
}

TEST_F(VolltextAuslesen, BueroformateVonLibreOffice) {
  if (!test::SofficeDa()) GTEST_SKIP() << "soffice fehlt: Büroformate nicht geprüft";
  const fs::path q = Datei("brief.txt", "Sehr geehrte Frau Müller,\nanbei die Nebenkostenabrechnung 2023.\n");
  const fs::path ziel = temp_ / "lo";
  fs::create_directories(ziel);
  for (const char* f : {"docx", "odt", "doc", "pdf"}) {
    ASSERT_TRUE(test::Umwandeln({q}, f, ziel, temp_ / "lo-profil")) << f;
    const auto a = Auslesen(ziel / (std::string("brief.") + f));
    EXPECT_EQ(a.Status, Auszugsstatus::Ok) << f << ": " << a.Grund;
    EXPECT_NE(Falten(a.Text).find("sehr geehrte frau muller, anbei die nebenkostenabrechnung 2023."),
              std::string::npos) << f << ":\n" << a.Text;
  }
}

// A presentation LibreOffice saves in the old binary form keeps its slides'
// text as UTF-16, which catppt does not find (it prints nothing and ends well).
TEST_F(VolltextAuslesen, PraesentationImAltenFormat) {
  if (!test::SofficeDa()) GTEST_SKIP() << "soffice fehlt: Büroformate nicht geprüft";
  const fs::path q = Datei(
      "folien.fodp",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document "
      "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
      "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" office:version=\"1.2\" "
      "office:mimetype=\"application/vnd.oasis.opendocument.presentation\"><office:body><office:presentation>"
      "<draw:page draw:name=\"S1\"><draw:frame svg:x=\"2cm\" svg:y=\"2cm\" svg:width=\"20cm\" svg:height=\"3cm\">"
      "<draw:text-box><text:p>Eigentümerversammlung: Aufzugsanierung und Rücklagenbildung</text:p></draw:text-box>"
      "</draw:frame></draw:page></office:presentation></office:body></office:document>");
  const fs::path ziel = temp_ / "lo";
  fs::create_directories(ziel);
  ASSERT_TRUE(test::Umwandeln({q}, "ppt", ziel, temp_ / "lo-profil"));
  const auto a = Auslesen(ziel / "folien.ppt");
  EXPECT_EQ(a.Status, Auszugsstatus::Ok) << a.Grund;
  EXPECT_EQ(a.Art, "ppt");
  EXPECT_NE(Falten(a.Text).find("eigentumerversammlung: aufzugsanierung und rucklagenbildung"), std::string::npos);
  // Only the slides' text: not the master's placeholders or the container's
  // names, which every such file holds (a search for "Text" or "Entry"
  // would find them all).
  EXPECT_EQ(a.Text.find("Click to edit"), std::string::npos) << a.Text;
  EXPECT_EQ(a.Text.find("Root Entry"), std::string::npos);
}

TEST_F(VolltextAuslesen, FeindlicheDateienWerdenNichtIndizierbar) {
  // Damaged PDF.
  auto a = Auslesen(Datei("kaputt.pdf", "%PDF-1.4\n1 0 obj <</Type /Catalog /Pages 9 0 R>> endobj\ngarbage"));
  EXPECT_NE(a.Status, Auszugsstatus::Ok);
  // Zip bomb: a member that unpacks to more than allowed, headers honest or lying.
  Ausleseoptionen o;
  o.MaxText = 1 << 20;
  const std::string nullen(8 << 20, '0');
  for (std::uint32_t luegen : {0u, 100u}) {
    a = Auslesen(Datei("bombe" + std::to_string(luegen) + ".docx",
                       test::ZipBauen({{"word/document.xml", "<d>" + nullen + "</d>"}}, luegen)), o);
    EXPECT_EQ(a.Status, Auszugsstatus::NichtIndizierbar);
    EXPECT_NE(a.Grund.find("Zip-Bombe"), std::string::npos) << a.Grund;
  }
  // Text beyond the limit, plain or from a converter: never passed off as read in full.
  a = Auslesen(Datei("lang.txt", "Anfang " + std::string(3 << 20, 'x') + " Ende"), o);
  EXPECT_EQ(a.Status, Auszugsstatus::NichtIndizierbar);
  EXPECT_TRUE(a.Text.empty());
  EXPECT_NE(a.Grund.find("die Suche liest die Datei selbst"), std::string::npos) << a.Grund;
  a = Auslesen(Datei("kurz.txt", "Anfang Ende"), o);
  EXPECT_EQ(a.Status, Auszugsstatus::Ok);
  // A huge (sparse) file is not read at all.
  const fs::path riesig = temp_ / "dok" / "riesig.bin";
  { std::ofstream(riesig) << "x"; }
  ASSERT_EQ(::truncate(riesig.c_str(), 3LL << 30), 0);
  a = Auslesen(riesig);
  EXPECT_EQ(a.Status, Auszugsstatus::NichtIndizierbar);
  EXPECT_NE(a.Grund.find("zu groß"), std::string::npos);
  // Encrypted PDF.
  if (test::SofficeDa()) {
    const fs::path q = Datei("geheim.txt", "Vertraulich");
    ASSERT_TRUE(test::Umwandeln({q}, "pdf:writer_pdf_Export:{\"EncryptFile\":{\"type\":\"boolean\",\"value\":\"true\"},"
                                     "\"DocumentOpenPassword\":{\"type\":\"string\",\"value\":\"geheim\"}}",
                                temp_ / "dok", temp_ / "lo-profil"));
    a = Auslesen(temp_ / "dok" / "geheim.pdf");
    EXPECT_EQ(a.Status, Auszugsstatus::NichtIndizierbar);
    EXPECT_NE(a.Grund.find("verschlüsselt"), std::string::npos) << a.Grund;
  }
}

TEST_F(VolltextAuslesen, HaengenderKonverterWirdBeendet) {
  // A catdoc that never ends, first in PATH.
  const fs::path bin = temp_ / "bin";
  test::Schreiben(bin / "catdoc", "#!/bin/sh\nsleep 60\n");
  test::Schreiben(bin / "antiword", "#!/bin/sh\nkill -SEGV $$\n");
  fs::permissions(bin / "catdoc", fs::perms::owner_all);
  fs::permissions(bin / "antiword", fs::perms::owner_all);
  const std::string alterPfad = std::getenv("PATH");
  ::setenv("PATH", (bin.string() + ":" + alterPfad).c_str(), 1);
  Ausleseoptionen o;
  o.ProgrammSekunden = 1;
  const auto start = std::chrono::steady_clock::now();
  const auto a = Auslesen(Datei("alt.doc", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(512, '\0')), o);
  ::setenv("PATH", alterPfad.c_str(), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(a.Status, Auszugsstatus::NichtIndizierbar);
  EXPECT_NE(a.Grund.find("abgestürzt"), std::string::npos) << a.Grund;  // antiword's end is the last word
}

TEST_F(VolltextAuslesen, HilfeprozessHaeltZeitUndUeberlebtAbsturz) {
  const fs::path gut = Datei("gut.txt", "Hausordnung");
  // A helper that hangs, then one that crashes: the file is reported, the
  // next request gets a fresh helper.
  test::Schreiben(temp_ / "bin" / "haengt", "#!/bin/sh\nsleep 60\n");
  test::Schreiben(temp_ / "bin" / "stuerzt", "#!/bin/sh\nkill -SEGV $$\n");
  fs::permissions(temp_ / "bin" / "haengt", fs::perms::owner_all);
  fs::permissions(temp_ / "bin" / "stuerzt", fs::perms::owner_all);
  Dienstgrenzen g;
  g.ZeitJeDatei = std::chrono::milliseconds(500);
  {
    ::setenv("VXM_EXTRAKT", (temp_ / "bin" / "haengt").c_str(), 1);
    Auslesedienst d(g);
    const auto a = d.Auslesen(gut.string());
    EXPECT_EQ(a.Status, Auszugsstatus::NichtIndizierbar);
    EXPECT_NE(a.Grund.find("Zeitgrenze"), std::string::npos) << a.Grund;
  }
  {
    ::setenv("VXM_EXTRAKT", (temp_ / "bin" / "stuerzt").c_str(), 1);
    Auslesedienst d(g);
    const auto a = d.Auslesen(gut.string());
    EXPECT_NE(a.Grund.find("abgestürzt"), std::string::npos) << a.Grund;
  }
  ::unsetenv("VXM_EXTRAKT");
  test::HelferEinstellen();
  Auslesedienst d(g);
  EXPECT_EQ(d.Auslesen(gut.string()).Text, "Hausordnung");
  // Memory limit: the helper survives an allocation it may not make.
  if (!kSpeichergrenzeWirksam) GTEST_SKIP() << "no memory limit under the address sanitizer";
  Dienstgrenzen eng;
  eng.Speicher = 64ull << 20;
  eng.Optionen.MaxText = 1ull << 30;
  Auslesedienst klein(eng);
  const auto a = klein.Auslesen(Datei("gross.txt", std::string(96 << 20, 'a')).string());
  EXPECT_EQ(a.Status, Auszugsstatus::NichtIndizierbar);
  EXPECT_EQ(klein.Auslesen(gut.string()).Text, "Hausordnung");
}

TEST_F(VolltextAuslesen, TexterkennungEinerGescanntenSeite) {
  if (!test::SofficeDa() || std::system("command -v pdftoppm >/dev/null") != 0)
    GTEST_SKIP() << "soffice oder pdftoppm fehlt: Texterkennung nicht geprüft";
  const fs::path q = Datei("scan.txt", "Sehr geehrte Frau Müller,\nanbei die Nebenkostenabrechnung für 2023.\n");
  ASSERT_TRUE(test::Umwandeln({q}, "pdf", temp_ / "dok", temp_ / "lo-profil"));
  const std::string befehl = "pdftoppm -r 300 -gray -png -singlefile '" + (temp_ / "dok" / "scan.pdf").string() +
                             "' '" + (temp_ / "dok" / "seite").string() + "'";
  ASSERT_EQ(std::system(befehl.c_str()), 0);
  const auto pruefen = Auslesen(temp_ / "dok" / "seite.png");
  EXPECT_EQ(pruefen.Status, Auszugsstatus::OcrNoetig);
  EXPECT_EQ(pruefen.Seiten, 1u);
  const auto a = OcrSeite(temp_ / "dok" / "seite.png", 0);
  EXPECT_NE(Falten(a.Text).find("sehr geehrte frau muller"), std::string::npos) << a.Text;
  EXPECT_NE(Falten(a.Text).find("nebenkostenabrechnung"), std::string::npos) << a.Text;
}

}  // namespace
}  // namespace vxm::volltext
