// The own host vxmdorvex as a user starts it: help, wrong calls, a new store,
// and the options it keeps for the next start. The window is drawn offscreen
// into a picture.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/datenbank.h"
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

class VxmdorvexProgramm : public test::Umgebung {
 protected:
  void SetUp() override {
    Umgebung::SetUp();
    const char* build = std::getenv("VXM_BUILD");
    programm_ = fs::path(build ? build : "build") / "vxmdorvex";
    if (!fs::exists(programm_)) GTEST_SKIP() << "vxmdorvex nicht gebaut";
    einstellungen_ = temp_ / "config" / "VXM" / "vxmdorvex.conf";
  }

  // Exit status of the program with a home of its own; output in ausgabe_.
  int Aufruf(const std::string& argumente) {
    const fs::path aus = temp_ / "ausgabe.txt";
    const std::string t = temp_.string();
    const std::string befehl = "env -u VXM_LAUFWERKE -u VXM_REGISTRY -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME='" + t +
                               "' XDG_CONFIG_HOME='" + t + "/config' XDG_DATA_HOME='" + t + "/data' XDG_RUNTIME_DIR='" +
                               t + "' '" + programm_.string() + "' " + argumente + " > '" + aus.string() + "' 2>&1";
    const int status = std::system(befehl.c_str());
    std::ifstream d(aus);
    ausgabe_.assign(std::istreambuf_iterator<char>(d), std::istreambuf_iterator<char>());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Einstellungen() const {
    std::ifstream d(einstellungen_);
    return std::string(std::istreambuf_iterator<char>(d), std::istreambuf_iterator<char>());
  }

  fs::path programm_, einstellungen_;
  std::string ausgabe_;
};

TEST_F(VxmdorvexProgramm, HilfeUndFalscheAufrufeAendernNichts) {
  EXPECT_EQ(Aufruf("--hilfe"), 0);
  EXPECT_NE(ausgabe_.find("--firmendatenbank DATEI"), std::string::npos) << ausgabe_;
  EXPECT_EQ(Aufruf("--objekt sieben"), 2);
  EXPECT_NE(ausgabe_.find("Keine ganze Zahl nach --objekt: sieben"), std::string::npos) << ausgabe_;
  // without a display and without a picture the program says what to do
  EXPECT_EQ(Aufruf("--mandant 2"), 3);
  EXPECT_NE(ausgabe_.find("keine Anzeige gefunden"), std::string::npos) << ausgabe_;
  // a database that is not there is named, nothing is made and nothing kept
  EXPECT_EQ(Aufruf("--laufwerk 'C=" + laufwerkC_.string() + "' --mandant 2 --bildschirmfoto '" +
                   (temp_ / "x.png").string() + "'"),
            2);
  EXPECT_NE(ausgabe_.find("Datenbanken nicht gefunden:"), std::string::npos) << ausgabe_;
  EXPECT_NE(ausgabe_.find("C:\\VXM\\VXMDAT\\vxmdaten.mdb"), std::string::npos) << ausgabe_;
  EXPECT_FALSE(fs::exists(laufwerkC_ / "VXM"));
  EXPECT_FALSE(fs::exists(temp_ / "x.png"));
  EXPECT_FALSE(fs::exists(einstellungen_));
}

TEST_F(VxmdorvexProgramm, NeueAblageUndBehalteneOptionenBeimNaechstenStart) {
  const std::string bild1 = (temp_ / "erster.png").string();
  ASSERT_EQ(Aufruf("--laufwerk 'C=" + laufwerkC_.string() + "' --anlegen --mandant 4 --objekt 7 --bildschirmfoto '" +
                   bild1 + "'"),
            0)
      << ausgabe_;
  EXPECT_GT(fs::file_size(bild1), 1000u);
  EXPECT_NE(ausgabe_.find("leer angelegt: C:\\VXM\\VXMDAT\\firma.mdb"), std::string::npos) << ausgabe_;
  EXPECT_TRUE(fs::is_directory(laufwerkC_ / "VXM" / "VXMDOK" / "4" / "7"));
  const std::string kept = Einstellungen();
  EXPECT_NE(kept.find("objekt=7"), std::string::npos) << kept;
  EXPECT_NE(kept.find("laufwerk=\"C=" + laufwerkC_.string() + "\""), std::string::npos) << kept;

  // the next start opens the same store from the kept options
  const std::string bild2 = (temp_ / "zweiter.png").string();
  ASSERT_EQ(Aufruf("--be 3 --bildschirmfoto '" + bild2 + "'"), 0) << ausgabe_;
  EXPECT_TRUE(fs::exists(bild2));
  EXPECT_EQ(ausgabe_.find("leer angelegt"), std::string::npos) << ausgabe_;
  EXPECT_TRUE(fs::is_directory(laufwerkC_ / "VXM" / "VXMDOK" / "4" / "7" / "3"));
  EXPECT_NE(Einstellungen().find("be=3"), std::string::npos);
}

// A window whose load step gives up draws no picture: its message is
// answered without waiting, and the exit status says that nothing was drawn.
TEST_F(VxmdorvexProgramm, FensterGibtBeimLadenAufKeinBildUndKeinErfolg) {
  const std::string laufwerk = "--laufwerk 'C=" + laufwerkC_.string() + "'";
  ASSERT_EQ(Aufruf(laufwerk + " --anlegen --bildschirmfoto '" + (temp_ / "a.png").string() + "'"), 0) << ausgabe_;
  // the company record names a drive this machine does not have
  DatenbankOeffnenHost(laufwerkC_ / "VXM" / "VXMDAT" / "firma.mdb")
      ->Execute("UPDATE AllgFirmenDaten SET VXMDOKPfad = \"Q:\\VXM\"");
  const fs::path bild = temp_ / "b.png";
  EXPECT_EQ(Aufruf("--bildschirmfoto '" + bild.string() + "'"), 1) << ausgabe_;
  EXPECT_NE(ausgabe_.find("Laufwerkspfad \"Q:\" nicht gefunden!"), std::string::npos) << ausgabe_;
  EXPECT_NE(ausgabe_.find("das Fenster wurde nicht geöffnet; kein Bild geschrieben"), std::string::npos) << ausgabe_;
  EXPECT_FALSE(fs::exists(bild));
}

TEST_F(VxmdorvexProgramm, OhneAngabenDieEigeneAblage) {
  const std::string bild = (temp_ / "eigen.png").string();
  ASSERT_EQ(Aufruf("--bildschirmfoto '" + bild + "'"), 0) << ausgabe_;
  EXPECT_TRUE(fs::exists(bild));
  const fs::path eigen = temp_ / "data" / "vxmdorvex" / "laufwerk-c" / "VXM";
  EXPECT_TRUE(fs::exists(eigen / "VXMDAT" / "vxmdok.mdb"));
  EXPECT_TRUE(fs::is_directory(eigen / "VXMDOK" / "1"));
  // nothing given, nothing kept: the defaults stay defaults
  EXPECT_FALSE(fs::exists(einstellungen_));
}

// The demo lays out its sample store once; later starts open it as the user
// left it, without bringing back what was deleted, renamed or moved.
TEST_F(VxmdorvexProgramm, DemoLegtSeineAblageNurEinmalAn) {
  programm_ = programm_.parent_path() / "vxmdorvex-demo";
  if (!fs::exists(programm_)) GTEST_SKIP() << "vxmdorvex-demo nicht gebaut";
  const fs::path ordner = temp_ / "demo", objekt = ordner / "VXM" / "VXMDOK" / "1" / "7";
  const std::string aufruf = "--ordner '" + ordner.string() + "' --bildschirmfoto '" + (temp_ / "f.png").string() + "'";
  ASSERT_EQ(Aufruf(aufruf), 0) << ausgabe_;
  ASSERT_TRUE(fs::exists(objekt / "Hausordnung Müllerstraße 12.txt"));
  fs::rename(objekt / "Hausordnung Müllerstraße 12.txt", objekt / "Hausordnung 2025.txt");
  fs::remove(objekt / "Fassade Süd.png");
  ASSERT_EQ(Aufruf(aufruf), 0) << ausgabe_;
  EXPECT_TRUE(fs::exists(objekt / "Hausordnung 2025.txt"));
  EXPECT_FALSE(fs::exists(objekt / "Hausordnung Müllerstraße 12.txt"));
  EXPECT_FALSE(fs::exists(objekt / "Fassade Süd.png"));
}

}  // namespace
}  // namespace vxm
