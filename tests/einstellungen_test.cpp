#include "basis/einstellungen.h"
#include "create/buerodatei.h"
#include "platform/benutzerordner.h"
#include "platform/dienste.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "basis/zustand.h"
#include "platform/fehler.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

// Points the registry store, the profile folders and the drive table at the
// test's temporary folder and puts the variables back afterwards.
class EinstellungenTest : public test::Umgebung {
 protected:
  void SetUp() override {
    test::Umgebung::SetUp();
    for (const char* n : {"VXM_REGISTRY", "USERPROFILE", "HOME", "VXM_LAUFWERKE", "XDG_CONFIG_HOME"}) {
      const char* w = std::getenv(n);
      alt_[n] = w ? std::optional<std::string>(w) : std::nullopt;
    }
    registry_ = temp_ / "reg" / "VxDbDriveBuchstPfadName.ini";
    Setzen("VXM_REGISTRY", registry_.string());
  }
  void TearDown() override {
    for (const auto& [n, w] : alt_) {
      if (w) {
        ::setenv(n.c_str(), w->c_str(), 1);
      } else {
        ::unsetenv(n.c_str());
      }
    }
    test::Umgebung::TearDown();
  }
  static void Setzen(const char* n, const std::string& w) { ::setenv(n, w.c_str(), 1); }
  static void Schreiben(const fs::path& p, const std::string& inhalt) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << inhalt;
  }
  static std::string Lesen(const fs::path& p) {
    std::ifstream d(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(d)), std::istreambuf_iterator<char>());
  }

  std::map<std::string, std::optional<std::string>> alt_;
  fs::path registry_;
};

// --- registry section -------------------------------------------------------

TEST_F(EinstellungenTest, FehlenderSchluesselLiestNichtsUndLaesstKonfigDokPfad) {
  Zustand().KonfigDokPfad = "D:\\ALT";
  std::string wert = "x";
  EXPECT_FALSE(RegWertLesen(kRegSchluessel, kRegDokPfad, wert));
  EXPECT_EQ(wert, "");
  SaveSetting("VXM", "AndererAbschnitt", kRegDokPfad, "D:\\B");
  EXPECT_FALSE(RegWertLesen(kRegSchluessel, kRegDokPfad, wert));
  SaveSetting(kRegAnwendung, kRegAbschnitt, kRegDatPfad, "D:\\X\\VXMDAT");
  EXPECT_FALSE(RegWertLesen(kRegSchluessel, kRegDokPfad, wert));  // key there, value not
  EXPECT_EQ(Zustand().KonfigDokPfad, "D:\\ALT");
}

TEST_F(EinstellungenTest, GespeicherterWertWirdGelesenUndWirdKonfigDokPfad) {
  SaveSetting(kRegAnwendung, kRegAbschnitt, kRegDokPfad, "D:\\A");
  std::string wert;
  ASSERT_TRUE(RegWertLesen(kRegSchluessel, kRegDokPfad, wert));
  EXPECT_EQ(wert, "D:\\A");
  EXPECT_EQ(Zustand().KonfigDokPfad, "D:\\A");
  // A full registry path of the key and other letter case address the same value.
  Zustand().KonfigDokPfad.clear();
  ASSERT_TRUE(RegWertLesen("Software\\Einstellungen\\vxm\\VXDBDRIVEBUCHSTPFADNAME", "vxmdokpath", wert));
  EXPECT_EQ(wert, "D:\\A");
  EXPECT_EQ(Zustand().KonfigDokPfad, "D:\\A");
}

TEST_F(EinstellungenTest, LeererWertIstGelesenAberAendertKonfigDokPfadNicht) {
  SaveSetting(kRegAnwendung, kRegAbschnitt, kRegDokPfad, "");
  Zustand().KonfigDokPfad = "D:\\VORHER";
  std::string wert = "x";
  EXPECT_TRUE(RegWertLesen(kRegSchluessel, kRegDokPfad, wert));
  EXPECT_EQ(wert, "");
  EXPECT_EQ(Zustand().KonfigDokPfad, "D:\\VORHER");
}

TEST_F(EinstellungenTest, UeberschreibenBehaeltAndereWerteUndAbschnitte) {
  SaveSetting("VXM", "Fremd", "X", "1");
  SaveSetting(kRegAnwendung, kRegAbschnitt, kRegDokPfad, "D:\\B");
  SaveSetting(kRegAnwendung, kRegAbschnitt, kRegDatPfad, "D:\\X\\VXMDAT");
  SaveSetting("vxm", "vxdbdrivebuchstpfadname", "VXMDOKPATH", "D:\\A");
  std::string wert;
  ASSERT_TRUE(RegWertLesen(kRegSchluessel, kRegDokPfad, wert));
  EXPECT_EQ(wert, "D:\\A");
  ASSERT_TRUE(RegWertLesen(kRegSchluessel, kRegDatPfad, wert));
  EXPECT_EQ(wert, "D:\\X\\VXMDAT");
  ASSERT_TRUE(RegWertLesen("VXM\\Fremd", "X", wert));
  EXPECT_EQ(wert, "1");
  // One line per value, no temporary file left beside the store.
  const std::string text = Lesen(registry_);
  EXPECT_EQ(text.find("D:\\B"), std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(registry_.parent_path()), fs::directory_iterator()), 1);
}

TEST_F(EinstellungenTest, WerteUeberlebenDieDateiUnveraendert) {
  const std::string besonders = "  C:\\Büro\\100%\\a=b\r\nzweite Zeile [x] ";
  SaveSetting(kRegAnwendung, kRegAbschnitt, kRegDokPfad, besonders);
  SaveSetting(kRegAnwendung, kRegAbschnitt, "Name=mit[Klammer]", "v");
  std::string wert;
  ASSERT_TRUE(RegWertLesen(kRegSchluessel, kRegDokPfad, wert));
  EXPECT_EQ(wert, besonders);
  ASSERT_TRUE(RegWertLesen(kRegSchluessel, "Name=mit[Klammer]", wert));
  EXPECT_EQ(wert, "v");
}

TEST_F(EinstellungenTest, WertLaengerAlsDerPufferGiltAlsNichtGelesen) {
  SaveSetting(kRegAnwendung, kRegAbschnitt, "Passt", std::string(1023, 'a'));
  SaveSetting(kRegAnwendung, kRegAbschnitt, "Zulang", std::string(1024, 'a'));
  std::string wert;
  EXPECT_TRUE(RegWertLesen(kRegSchluessel, "Passt", wert));
  EXPECT_EQ(wert.size(), 1023u);
  EXPECT_FALSE(RegWertLesen(kRegSchluessel, "Zulang", wert));
  EXPECT_EQ(wert, "");
}

TEST_F(EinstellungenTest, NichtSchreibbarerSpeicherMeldetFehler75) {
  Schreiben(temp_ / "datei", "kein Ordner");
  Setzen("VXM_REGISTRY", (temp_ / "datei" / "reg.ini").string());
  try {
    SaveSetting(kRegAnwendung, kRegAbschnitt, kRegDokPfad, "D:\\A");
    FAIL() << "kein Fehler";
  } catch (const VbFehler& f) {
    EXPECT_EQ(f.Nummer, fehlernr::PfadZugriffsfehler);
  }
  EXPECT_EQ(Lesen(temp_ / "datei"), "kein Ordner");
}

TEST_F(EinstellungenTest, OhneUeberschreibungLiegtDieDateiImKonfigurationsordner) {
  ::unsetenv("VXM_REGISTRY");
  Setzen("XDG_CONFIG_HOME", (temp_ / "cfg").string());
  EXPECT_EQ(RegistryDatei(), (temp_ / "cfg" / "VXM" / "VxDbDriveBuchstPfadName.ini").string());
  ::unsetenv("XDG_CONFIG_HOME");
  Setzen("HOME", (temp_ / "heim").string());
  EXPECT_EQ(RegistryDatei(), (temp_ / "heim" / ".config" / "VXM" / "VxDbDriveBuchstPfadName.ini").string());
  SaveSetting(kRegAnwendung, kRegAbschnitt, kRegDokPfad, "D:\\A");  // creates the folders
  EXPECT_TRUE(fs::exists(temp_ / "heim" / ".config" / "VXM" / "VxDbDriveBuchstPfadName.ini"));
}

// A relative XDG_CONFIG_HOME or a missing HOME never puts settings or caches
// into the working folder.
TEST_F(EinstellungenTest, KonfigurationsUndCacheordnerNieImArbeitsordner) {
  ::unsetenv("VXM_REGISTRY");
  Setzen("XDG_CONFIG_HOME", "relativ/cfg");
  Setzen("XDG_CACHE_HOME", "relativ/cache");
  ::unsetenv("HOME");
  EXPECT_TRUE(fs::path(RegistryDatei()).is_absolute()) << RegistryDatei();
  EXPECT_EQ(RegistryDatei().find("relativ"), std::string::npos);
  EXPECT_TRUE(BenutzerOrdner(Ordnerart::Cache).is_absolute());
  EXPECT_TRUE(VorlagenOrdner().is_absolute()) << VorlagenOrdner();
  // the desktop's answer (set by the window layer) wins
  Dienste().KonfigOrdner = temp_ / "desktop";
  EXPECT_EQ(RegistryDatei(), (temp_ / "desktop" / "VXM" / "VxDbDriveBuchstPfadName.ini").string());
  Dienste().KonfigOrdner.clear();
  ::unsetenv("XDG_CACHE_HOME");
}

// --- settings file ----------------------------------------------------------

TEST_F(EinstellungenTest, SettingsDateiLiegtImProfilOderImHeimordner) {
  Setzen("USERPROFILE", (temp_ / "profil").string());
  Setzen("HOME", (temp_ / "heim").string());
  EXPECT_EQ(SettingsDateiPfad(), (temp_ / "profil" / "VXM-Settings.ini").string());
  ::unsetenv("USERPROFILE");
  EXPECT_EQ(SettingsDateiPfad(), (temp_ / "heim" / "VXM-Settings.ini").string());
  Setzen("USERPROFILE", "");
  EXPECT_EQ(SettingsDateiPfad(), (temp_ / "heim" / "VXM-Settings.ini").string());
  ::unsetenv("USERPROFILE");
  ::unsetenv("HOME");
  EXPECT_EQ(SettingsDateiPfad(), "");
}

TEST_F(EinstellungenTest, WindowsProfilpfadWirdUeberDieLaufwerkeAufgeloest) {
  Schreiben(laufwerkC_ / "Users" / "Anna" / "vxm-settings.INI", "[Section1]\nSkalieren=1\n");
  Setzen("VXM_LAUFWERKE", "C=" + laufwerkC_.string());
  Setzen("USERPROFILE", "c:\\USERS\\anna\\");
  EXPECT_EQ(SettingsDateiPfad(), (laufwerkC_ / "Users" / "Anna" / "vxm-settings.INI").string());
  EXPECT_EQ(IniLesen(SettingsDateiPfad(), "Section1", "Skalieren"), "1");
  Setzen("USERPROFILE", "Q:\\Users\\Anna");  // drive not mapped
  EXPECT_EQ(SettingsDateiPfad(), "");
  EXPECT_EQ(IniLesen(SettingsDateiPfad(), "Section1", "Skalieren"), "");
}

TEST_F(EinstellungenTest, IniLesenWieDerProfilLeserDerPlattform) {
  const fs::path ini = temp_ / "VXM-Settings.ini";
  Schreiben(ini,
            "Skalieren=9\r\n"
            "[section1]\r\n"
            "  SKALIEREN  =  1  \r\n"
            "Zitat=\"  mit Blank \"\r\n"
            "Lang=1234567890123456789012345678901234567890\r\n"
            "OhneWert\r\n"
            "[Section2]\r\n"
            "SkFaktor=5\r\n"
            "[SECTION1]\r\n"
            "Zweiter=ja\r\n");
  const std::string d = ini.string();
  EXPECT_EQ(IniLesen(d, "Section1", "Skalieren"), "1");
  EXPECT_EQ(IniLesen(d, "Section1", "Zitat"), "  mit Blank ");
  EXPECT_EQ(IniLesen(d, "Section1", "Lang"), "1234567890123456789012345678901");
  EXPECT_EQ(IniLesen(d, "Section1", "OhneWert"), "");
  EXPECT_EQ(IniLesen(d, "Section1", "Zweiter"), "");  // only the first section of a name
  EXPECT_EQ(IniLesen(d, "section2", "skfaktor"), "5");
  EXPECT_EQ(IniLesen(d, "Section3", "SkFaktor"), "");
  EXPECT_EQ(IniLesen((temp_ / "fehlt.ini").string(), "Section1", "Skalieren"), "");
  EXPECT_EQ(IniLesen(temp_.string(), "Section1", "Skalieren"), "");  // a folder
}

TEST_F(EinstellungenTest, IniLesenVerstehtAnsiUndBom) {
  Schreiben(temp_ / "ansi.ini", "[Sektion]\nName=M\xFC" "ller\n");
  EXPECT_EQ(IniLesen((temp_ / "ansi.ini").string(), "Sektion", "Name"), "Müller");
  Schreiben(temp_ / "bom.ini", "\xEF\xBB\xBF[Sektion]\nName=Müller\n");
  EXPECT_EQ(IniLesen((temp_ / "bom.ini").string(), "Sektion", "Name"), "Müller");
  // 31 characters, not 31 bytes.
  Schreiben(temp_ / "umlaut.ini", "[S]\nK=" + std::string(40, 'a').replace(30, 2, "ää") + "\n");
  EXPECT_EQ(IniLesen((temp_ / "umlaut.ini").string(), "S", "K"), std::string(30, 'a') + "ä");
}

// --- scaling factor ---------------------------------------------------------

TEST(SkalierFaktor, AchthundertPunkteUndAusgeschaltetSkalierenNie) {
  EXPECT_EQ(SkalierFaktorBerechnen(800, "1", "10"), 0.0f);
  EXPECT_EQ(SkalierFaktorBerechnen(800, "1", "5"), 0.0f);
  EXPECT_EQ(SkalierFaktorBerechnen(1024, "0", "10"), 0.0f);
  EXPECT_EQ(SkalierFaktorBerechnen(1024, "", "10"), 0.0f);
}

TEST(SkalierFaktor, StufenJeBildschirmbreite) {
  EXPECT_FLOAT_EQ(SkalierFaktorBerechnen(1024, "1", "10"), 2.0f);  // doubles everything
  EXPECT_FLOAT_EQ(SkalierFaktorBerechnen(1920, "1", "5"), 1.5f);
  EXPECT_FLOAT_EQ(SkalierFaktorBerechnen(1280, "1", "3"), 1.6f);   // K = 6
  EXPECT_FLOAT_EQ(SkalierFaktorBerechnen(1280, "1", "5"), 2.0f);   // K = 10
  EXPECT_FLOAT_EQ(SkalierFaktorBerechnen(1024, "1", "3"), 2.0f);   // K = 10
  EXPECT_FLOAT_EQ(SkalierFaktorBerechnen(1024, "1", "6"), 1.2f);   // K = 20
  EXPECT_FLOAT_EQ(SkalierFaktorBerechnen(1024, "1", "1,5"), 1.5f); // K = 5
  EXPECT_FLOAT_EQ(SkalierFaktorBerechnen(1920, "ja", "7"), 1.7f);  // anything but "0" switches on
}

TEST(SkalierFaktor, KeineZahlSkaliertNichtUndVerkleinertNie) {
  EXPECT_EQ(SkalierFaktorBerechnen(1024, "1", "5"), 0.0f);      // K = 16,6667
  EXPECT_EQ(SkalierFaktorBerechnen(1024, "1", "2"), 0.0f);      // K = 6,6667
  EXPECT_EQ(SkalierFaktorBerechnen(1920, "1", "1,5"), 0.0f);    // "1,1,5"
  EXPECT_EQ(SkalierFaktorBerechnen(1920, "1", "-3"), 0.0f);     // "1,-3"
  EXPECT_FLOAT_EQ(SkalierFaktorBerechnen(1920, "1", ""), 1.0f);     // K stays 0
  EXPECT_FLOAT_EQ(SkalierFaktorBerechnen(1920, "1", "abc"), 1.0f);  // K stays 0
  EXPECT_FLOAT_EQ(SkalierFaktorBerechnen(1920, "1", "99999999999999999999999"), 1.0f);
  for (int breite : {640, 1024, 1152, 1280, 1600, 1920, 2560}) {
    for (const char* stufe : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "20", "100",
                              "0,5", "-10", "1e3", " 4 ", "3.000", "x"}) {
      const float f = SkalierFaktorBerechnen(breite, "1", stufe);
      EXPECT_TRUE(f == 0.0f || (f >= 1.0f && f <= 2.0f)) << breite << " " << stufe << " " << f;
    }
  }
}

TEST_F(EinstellungenTest, FaktorAusDerSettingsDateiDesProfils) {
  Setzen("USERPROFILE", (temp_ / "profil").string());
  Schreiben(temp_ / "profil" / "VXM-Settings.ini", "[Section1]\nSkalieren=1\n[Section2]\nSkFaktor=5\n");
  const std::string datei = SettingsDateiPfad();
  EXPECT_FLOAT_EQ(SkalierFaktorBerechnen(1920, IniLesen(datei, "Section1", "Skalieren"),
                                         IniLesen(datei, "Section2", "SkFaktor")),
                  1.5f);
  fs::remove(datei);  // a missing file scales nothing
  EXPECT_EQ(SkalierFaktorBerechnen(1920, IniLesen(datei, "Section1", "Skalieren"),
                                   IniLesen(datei, "Section2", "SkFaktor")),
            0.0f);
}

}  // namespace
}  // namespace vxm
