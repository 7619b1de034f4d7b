#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/dateidetails.h"
#include "search/textsuche.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {

class TextsucheTest : public test::Umgebung {};

// Filler without any letter of the phrases used below.
std::string Fuell(std::size_t n) { return std::string(n, '.'); }

TEST_F(TextsucheTest, FindetAmAnfangUndUeberBlockgrenzen) {
  DateiAnlegen("C:\\a.bin", "Nebenkosten" + Fuell(100));
  EXPECT_EQ(TextInDateiSuchen("C:\\a.bin", "nebenkosten", 1), 1);
  // Borders of the 4096-byte blocks and of the larger blocks actually read.
  for (std::size_t grenze : {4096u, 65536u, 131072u, 262144u}) {
    for (std::size_t vor : {1u, 5u, 10u}) {
      const std::size_t start = grenze - vor;
      DateiAnlegen("C:\\b.bin", Fuell(start) + "NEBENKOSTEN" + Fuell(3000));
      EXPECT_EQ(TextInDateiSuchen("C:\\b.bin", "Nebenkosten", 1),
                static_cast<std::int64_t>(start + 1))
          << "at " << start;
    }
  }
  // Right at the end, and one byte short of it.
  DateiAnlegen("C:\\c.bin", Fuell(70000) + "miete");
  EXPECT_EQ(TextInDateiSuchen("C:\\c.bin", "MIETE", 1), 70001);
  DateiAnlegen("C:\\d.bin", Fuell(70000) + "miet");
  EXPECT_EQ(TextInDateiSuchen("C:\\d.bin", "MIETE", 1), 0);
}

TEST_F(TextsucheTest, StartpositionUndLeereFaelle) {
  DateiAnlegen("C:\\a.txt", "miete...Miete...");
  EXPECT_EQ(TextInDateiSuchen("C:\\a.txt", "MIETE", 1), 1);
  EXPECT_EQ(TextInDateiSuchen("C:\\a.txt", "MIETE", 2), 9);
  EXPECT_EQ(TextInDateiSuchen("C:\\a.txt", "MIETE", 9), 9);
  EXPECT_EQ(TextInDateiSuchen("C:\\a.txt", "MIETE", 10), 0);
  EXPECT_EQ(TextInDateiSuchen("C:\\a.txt", "MIETE", 1000), 0);
  EXPECT_EQ(TextInDateiSuchen("C:\\a.txt", "", 1), 0);
  EXPECT_EQ(TextInDateiSuchen("C:\\fehlt.txt", "miete", 1), 0);
  EXPECT_EQ(TextInDateiSuchen("C:\\", "miete", 1), 0);  // a folder is no file
  DateiAnlegen("C:\\leer.txt", "");
  EXPECT_EQ(TextInDateiSuchen("C:\\leer.txt", "m", 1), 0);
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
}

TEST_F(TextsucheTest, BinaereDateienWerdenGanzDurchsucht) {
  std::string daten(50000, '\0');
  for (std::size_t i = 0; i < daten.size(); ++i) daten[i] = static_cast<char>((i * 131) & 0xFF);
  DateiAnlegen("C:\\x.doc", daten + "Kaution" + std::string(10, '\0'));
  EXPECT_EQ(TextInDateiSuchen("C:\\x.doc", "KAUTION", 1), 50001);
}

TEST_F(TextsucheTest, UmlauteInBeidenKodierungen) {
  // UTF-8 and Windows-1252 files, each in both letter cases.
  DateiAnlegen("C:\\u8.txt", "Herr M\xC3\x9CLLER zahlt");
  DateiAnlegen("C:\\u8klein.txt", "herr m\xC3\xBCller zahlt");
  DateiAnlegen("C:\\cp.txt", "Herr M\xDCLLER zahlt");
  DateiAnlegen("C:\\cpklein.txt", "herr m\xFCller zahlt");
  DateiAnlegen("C:\\ohne.txt", "Herr Muller zahlt");
  for (const char* datei : {"C:\\u8.txt", "C:\\u8klein.txt", "C:\\cp.txt", "C:\\cpklein.txt"}) {
    EXPECT_EQ(TextInDateiSuchen(datei, "Müller", 1), 6) << datei;
    EXPECT_EQ(TextInDateiSuchen(datei, "MÜLLER ZAHLT", 1), 6) << datei;
  }
  EXPECT_EQ(TextInDateiSuchen("C:\\ohne.txt", "Müller", 1), 0);

  // é/É; ß has no upper case, so it only matches itself.
  DateiAnlegen("C:\\cafe.txt", "CAF\xC9 ");
  EXPECT_EQ(TextInDateiSuchen("C:\\cafe.txt", "café", 1), 1);
  DateiAnlegen("C:\\s8.txt", "STRA\xC3\x9F" "E");
  DateiAnlegen("C:\\scp.txt", "stra\xDF" "e");
  DateiAnlegen("C:\\ss.txt", "STRASSE");
  EXPECT_EQ(TextInDateiSuchen("C:\\s8.txt", "Straße", 1), 1);
  EXPECT_EQ(TextInDateiSuchen("C:\\scp.txt", "Straße", 1), 1);
  EXPECT_EQ(TextInDateiSuchen("C:\\ss.txt", "Straße", 1), 0);

  // š/Š and ÿ/Ÿ, whose case forms differ beyond one bit, in both encodings;
  // a neighbour character is not taken for them.
  DateiAnlegen("C:\\s.txt", "x\xC5\xA0koda \x8Akoda");
  EXPECT_EQ(TextInDateiSuchen("C:\\s.txt", "škoda", 1), 2);
  EXPECT_EQ(TextInDateiSuchen("C:\\s.txt", "škoda", 3), 9);
  DateiAnlegen("C:\\y.txt", "\xC3\xB8 \xC5\xB8");  // ø Ÿ
  EXPECT_EQ(TextInDateiSuchen("C:\\y.txt", "ÿ", 1), 4);
  DateiAnlegen("C:\\o.txt", "\xC3\xB8 ");
  EXPECT_EQ(TextInDateiSuchen("C:\\o.txt", "ÿ", 1), 0);

  // A character Windows-1252 lacks is never looked for as "?".
  DateiAnlegen("C:\\pl.txt", "?\xF3" "dz");
  EXPECT_EQ(TextInDateiSuchen("C:\\pl.txt", "łódz", 1), 0);
}

TEST_F(TextsucheTest, AbbruchZwischenBloecken) {
  DateiAnlegen("C:\\gross.bin", Fuell(600000) + "miete");
  SuchSteuerung steuerung;
  int bloecke = 0;
  steuerung.Ereignisse = [&] {
    if (++bloecke == 2) steuerung.Abbrechen = true;
  };
  EXPECT_EQ(TextInDateiSuchen("C:\\gross.bin", "miete", 1, &steuerung), 0);
  EXPECT_EQ(bloecke, 2);
  // Without the cancel the whole file is read, with window events between blocks.
  SuchSteuerung ohne;
  int alle = 0;
  ohne.Ereignisse = [&] { ++alle; };
  EXPECT_EQ(TextInDateiSuchen("C:\\gross.bin", "miete", 1, &ohne), 600001);
  EXPECT_GE(alle, 2);
}

TEST_F(TextsucheTest, ZeilenMitTextSammeltZeilen) {
  const std::string brief =
      "Sehr geehrte Damen\r\nIhre Miete ist f\xE4llig\r\nMIETE und miete\r\nEnde";
  DateiAnlegen("C:\\brief.txt", brief);
  std::vector<std::string> zeilen;
  EXPECT_TRUE(ZeilenMitText("C:\\brief.txt", "miete", zeilen, "\r", "\n"));
  EXPECT_EQ(zeilen, (std::vector<std::string>{"Ihre Miete ist f\xE4llig", "MIETE und miete"}));

  zeilen.clear();
  EXPECT_TRUE(ZeilenMitText("C:\\brief.txt", "ende", zeilen, "\r", "\n"));
  EXPECT_EQ(zeilen, std::vector<std::string>{"Ende"});  // the file's end ends the line

  zeilen.clear();
  EXPECT_TRUE(ZeilenMitText("C:\\brief.txt", "fällig", zeilen, "\r", "\n"));
  EXPECT_EQ(zeilen.size(), 1u);

  zeilen.clear();
  EXPECT_FALSE(ZeilenMitText("C:\\brief.txt", "Kaution", zeilen, "\r", "\n"));
  EXPECT_TRUE(zeilen.empty());
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
  EXPECT_EQ(Inhalt("C:\\brief.txt"), brief);  // only read
}

TEST_F(TextsucheTest, ZeilenUeberBlockgrenzen) {
  // Long lines, a match across the 1024-byte border and across the blocks read.
  std::string text = Fuell(1020) + "Nebenkosten A\n";  // 1034 bytes
  text += Fuell(65536 - 4 - 1034) + "nebenkosten B";
  text += "\r\n" + std::string(200000, 'x') + " NEBENKOSTEN C " + std::string(100000, 'y');
  DateiAnlegen("C:\\lang.txt", text);
  std::vector<std::string> zeilen;
  ASSERT_TRUE(ZeilenMitText("C:\\lang.txt", "nebenkosten", zeilen, "\r", "\n"));
  ASSERT_EQ(zeilen.size(), 3u);
  EXPECT_EQ(zeilen[0], Fuell(1020) + "Nebenkosten A");
  EXPECT_EQ(zeilen[1].substr(zeilen[1].size() - 13), "nebenkosten B");
  EXPECT_EQ(zeilen[2], std::string(200000, 'x') + " NEBENKOSTEN C " + std::string(100000, 'y'));
}

TEST_F(TextsucheTest, ZeilenMitTextFalscheParameter) {
  DateiAnlegen("C:\\brief.txt", "Miete");
  std::vector<std::string> zeilen;
  EXPECT_FALSE(ZeilenMitText("C:\\fehlt.txt", "miete", zeilen, "\r", "\n"));
  EXPECT_FALSE(ZeilenMitText("C:\\brief.txt", "", zeilen, "\r", "\n"));
  EXPECT_FALSE(ZeilenMitText("C:\\brief.txt", "miete", zeilen, "", "\n"));
  EXPECT_FALSE(ZeilenMitText("C:\\brief.txt", "miete", zeilen, "\r", ""));
  ASSERT_EQ(dialoge_->Gezeigt.size(), 4u);
  for (const auto& m : dialoge_->Gezeigt) {
    EXPECT_EQ(m.Text, "Paramter stimmen nicht!");
    EXPECT_EQ(m.Stil, vbOKOnly);
  }
  EXPECT_TRUE(zeilen.empty());
}

TEST(IconSetzenTest, EndungenOhneRuecksichtAufGrossschreibung) {
  EXPECT_EQ(IconSetzen("pdf"), 6);
  EXPECT_EQ(IconSetzen("PDF"), 6);
  for (const char* e : {"doc", "DOT", "rtf"}) EXPECT_EQ(IconSetzen(e), 1);
  for (const char* e : {"xls", "xlt"}) EXPECT_EQ(IconSetzen(e), 5);
  EXPECT_EQ(IconSetzen("ppt"), 4);
  for (const char* e : {"bmp", "JPG", "gif", "png"}) EXPECT_EQ(IconSetzen(e), 2);
  EXPECT_EQ(IconSetzen("Txt"), 7);
  // Callers pass the last three characters: 'x.jpeg' and 'x.docx' are others.
  EXPECT_EQ(IconSetzen("peg"), 3);
  EXPECT_EQ(IconSetzen("ocx"), 3);
  EXPECT_EQ(IconSetzen(""), 3);
}

}  // namespace
}  // namespace vxm
