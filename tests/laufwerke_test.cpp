#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fehler.h"
#include "platform/laufwerke.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

class LaufwerkeTest : public test::Umgebung {
 protected:
  Laufwerkstabelle& T() { return fs_->Laufwerke(); }
  int32_t FehlerVon(const std::string& p) {
    try {
      T().Aufloesen(p);
    } catch (const VbFehler& f) {
      return f.Nummer;
    }
    return 0;
  }
};

TEST_F(LaufwerkeTest, FindetVorhandeneNamenOhneRuecksichtAufGrossschreibung) {
  fs::create_directories(laufwerkC_ / "Vxm" / "VxmDok");
  auto a = T().Aufloesen("c:\\VXM\\vxmdok\\Neu");
  EXPECT_EQ(a.Host, laufwerkC_ / "Vxm" / "VxmDok" / "Neu");
  EXPECT_EQ(a.Windows(), "C:\\Vxm\\VxmDok\\Neu");
  EXPECT_EQ(a.Eingabe.back(), "Neu");
}

TEST_F(LaufwerkeTest, GenauerNameGehtVorAnderenSchreibweisen) {
  fs::create_directories(laufwerkC_ / "abc");
  fs::create_directories(laufwerkC_ / "ABC");
  EXPECT_EQ(T().Aufloesen("C:\\ABC").Host, laufwerkC_ / "ABC");
  EXPECT_EQ(T().Aufloesen("C:\\abc").Host, laufwerkC_ / "abc");
}

TEST_F(LaufwerkeTest, PunktPunktVerlaesstDasLaufwerkNie) {
  EXPECT_EQ(T().Aufloesen("C:\\..\\..\\etc\\passwd").Host, laufwerkC_ / "etc" / "passwd");
  EXPECT_EQ(T().Aufloesen("C:\\a\\.\\b\\..\\c").Windows(), "C:\\a\\c");
  EXPECT_EQ(T().Aufloesen("C:/a/b").Windows(), "C:\\a\\b");
}

TEST_F(LaufwerkeTest, RelativePfadeBeginnenImAktuellenOrdner) {
  fs::create_directories(laufwerkC_ / "prog");
  T().AktuellerOrdnerSetzen("C:\\PROG");
  EXPECT_EQ(T().Aufloesen("VXMDOK\\1").Windows(), "C:\\prog\\VXMDOK\\1");
  EXPECT_EQ(T().Aufloesen("C:VXMDOK").Windows(), "C:\\prog\\VXMDOK");
  EXPECT_EQ(T().Aufloesen("\\wurzel").Windows(), "C:\\wurzel");
}

TEST_F(LaufwerkeTest, PunkteUndLeerzeichenAmNamensendeZaehlenNicht) {
  fs::create_directories(laufwerkC_ / "Akte");
  EXPECT_EQ(T().Aufloesen("C:\\Akte.").Host, laufwerkC_ / "Akte");
  EXPECT_EQ(T().Aufloesen("C:\\akte .. \\brief.txt. ").Host, laufwerkC_ / "Akte" / "brief.txt");
  EXPECT_EQ(T().Aufloesen("C:\\Neu...").Windows(), "C:\\Neu");
  EXPECT_EQ(T().Aufloesen("C:\\Neu...").Eingabe.back(), "Neu");
  EXPECT_EQ(T().Aufloesen("C:\\Akte\\x\\.. ").Windows(), "C:\\Akte");
  EXPECT_EQ(T().Aufloesen("C:\\Akte\\...").Windows(), "C:\\Akte");
  EXPECT_EQ(T().Aufloesen("C:\\.a").Windows(), "C:\\.a");  // leading dots stay
}

TEST_F(LaufwerkeTest, FremdeNamenMitPunktAmEndeBleibenErreichbar) {
  // Written on this machine by another program; Windows could not have made it.
  fs::create_directories(laufwerkC_ / "Notiz.");
  EXPECT_EQ(T().Aufloesen("C:\\Notiz.").Host, laufwerkC_ / "Notiz.");
  EXPECT_EQ(T().Aufloesen("C:\\Notiz").Host, laufwerkC_ / "Notiz");
  T().AktuellerOrdnerSetzen("C:\\Notiz.");
  EXPECT_EQ(T().Aufloesen("brief.txt").Host, laufwerkC_ / "Notiz." / "brief.txt");
}

TEST_F(LaufwerkeTest, UnbekannteUndUngueltigePfadeMeldenFehlernummern) {
  EXPECT_EQ(FehlerVon("Q:\\x"), 76);
  EXPECT_EQ(FehlerVon("\\\\server\\freigabe\\x"), 76);
  EXPECT_EQ(FehlerVon(""), 5);
  EXPECT_EQ(FehlerVon("C:\\a*b"), 52);
  EXPECT_EQ(FehlerVon("C:\\a\\b:c"), 52);
  T().Zuordnen('d', temp_ / "fehlt");
  EXPECT_EQ(FehlerVon("D:\\x"), 71);
}

TEST(LaufwerkstabelleUmgebung, LiestZuordnungen) {
  ::setenv("VXM_LAUFWERKE", "c=/tmp/a;D=/tmp/b;kaputt", 1);
  auto t = Laufwerkstabelle::AusUmgebung();
  ::unsetenv("VXM_LAUFWERKE");
  EXPECT_EQ(t.Buchstaben(), (std::vector<char>{'C', 'D'}));
  EXPECT_EQ(*t.Ordner('d'), fs::path("/tmp/b"));
  EXPECT_EQ(t.AktuellerOrdner(), "C:\\");
}

}  // namespace
}  // namespace vxm
