#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "search/volltext/nebenleser.h"
#include "search/volltext/faltung.h"
#include "search/volltext/schreiber.h"
#include "search/volltext/vorerkennung.h"
#include "tests/hilfen.h"
#include "tests/volltext_hilfen.h"

namespace vxm::volltext {
namespace {

using namespace std::chrono_literals;

class VolltextSchreiber : public test::Umgebung {
 protected:
  void SetUp() override {
    test::Umgebung::SetUp();
    index_ = temp_ / "vxmdok.volltext";
  }

  static Schreibauftrag Datei(const std::string& name, const std::string& text) {
    Schreibauftrag s;
    s.Eintrag.Pfad = "C:\\VXMDOK\\1\\" + name;
    s.Eintrag.Groesse = static_cast<std::int64_t>(text.size());
    s.Eintrag.Mtime = 1;
    s.Eintrag.Hash = std::string(16, name[0]);
    s.Eintrag.Art = "txt";
    s.Text = text;
    return s;
  }

  bool Da(const std::string& name) { return Volltextindex(index_).Eintrag("C:\\VXMDOK\\1\\" + name).has_value(); }

  std::filesystem::path index_;
};

TEST_F(VolltextSchreiber, LeerenLaesstAllesInDerGegebenenReihenfolgeAnkommen) {
  Volltextindex eigener(index_);
  Stapelschreiber s(index_, 1, 1h, false);  // every result a batch of its own
  s.Starten(eigener);
  for (char c = 'a'; c <= 'h'; ++c) s.Vormerken(Datei(std::string(1, c) + ".txt", "Mietvertrag"));
  // Removed in a later batch than its writing: gone at the end, not back.
  Schreibauftrag weg = Datei("a.txt", "");
  weg.Text.reset();
  weg.Loeschen = true;
  s.Vormerken(weg);
  Schreibauftrag ordner;
  ordner.Eintrag.Pfad = "C:\\VXMDOK\\1";
  ordner.Eintrag.Mtime = 42;
  ordner.Ordner = true;
  s.Vormerken(ordner);
  s.Leeren();

  // Seen by another connection as soon as Leeren returns.
  EXPECT_FALSE(Da("a.txt"));
  for (char c = 'b'; c <= 'h'; ++c) EXPECT_TRUE(Da(std::string(1, c) + ".txt")) << c;
  const auto zeiten = Volltextindex(index_).OrdnerzeitenUnter("C:\\VXMDOK");
  ASSERT_EQ(zeiten.size(), 1u);
  EXPECT_EQ(zeiten[0].Mtime, 42);
  s.Beenden();
}

TEST_F(VolltextSchreiber, EinAngefangenerStapelGehtBeimEndeNichtVerloren) {
  Volltextindex eigener(index_);
  {
    Stapelschreiber s(index_, 64, 1h, false);
    s.Starten(eigener);
    s.Vormerken(Datei("a.txt", "Kaution"));
    s.Beenden();
    EXPECT_TRUE(Da("a.txt"));
    // Once its thread ended, it writes with the caller's connection.
    s.Vormerken(Datei("b.txt", "Heizkosten"));
    s.Festschreiben();
    EXPECT_TRUE(Da("b.txt"));
    s.Starten(eigener);
    s.Vormerken(Datei("c.txt", "Wohnung 3"));
  }  // destroyed without Beenden
  EXPECT_TRUE(Da("c.txt"));
}

// Pages recognised while the indexer still reads: begun only while it is
// not paused, handed out once, and only for the file as it was recognised
// (a file replaced since gets no text of its old pages).
TEST_F(VolltextSchreiber, VorerkennungNurFuerDieDateiWieSieWarUndNieWaehrendDerPause) {
  if (!test::SofficeDa() || std::system("command -v pdftoppm >/dev/null") != 0)
    GTEST_SKIP() << "soffice oder pdftoppm fehlt: Texterkennung nicht geprüft";
  test::HelferEinstellen();
  const std::vector<std::string> woerter{"Heizkostenverteilung", "Dachrinnenwartung"};
  std::vector<std::filesystem::path> quellen, seiten;
  for (std::size_t i = 0; i < woerter.size(); ++i) {
    quellen.push_back(temp_ / "quelle" / ("brief" + std::to_string(i) + ".txt"));
    test::Schreiben(quellen.back(), "Betreff: " + woerter[i] + "\n");
    seiten.push_back(temp_ / ("seite" + std::to_string(i) + ".png"));
  }
  std::filesystem::create_directories(temp_ / "pdf");
  ASSERT_TRUE(test::Umwandeln(quellen, "pdf", temp_ / "pdf", temp_ / "lo-profil"));
  for (std::size_t i = 0; i < woerter.size(); ++i) {
    const std::string befehl = "pdftoppm -r 300 -gray -png -singlefile '" +
                               (temp_ / "pdf" / ("brief" + std::to_string(i) + ".pdf")).string() + "' '" +
                               (temp_ / ("seite" + std::to_string(i))).string() + "'";
    ASSERT_EQ(std::system(befehl.c_str()), 0);
  }
  struct Stand {
    std::int64_t Groesse, Mtime;
  };
  const auto stand = [](const std::filesystem::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return Stand{st.st_size, static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
  };
  const Stand s0 = stand(seiten[0]), s1 = stand(seiten[1]);
  std::atomic<bool> pause{true};
  Dienstgrenzen grenzen;
  Vorerkennung vorab(grenzen, [&] { return pause.load(); });
  vorab.Vormerken(seiten[0], s0.Groesse, s0.Mtime, 1);
  vorab.Vormerken(seiten[1], s1.Groesse, s1.Mtime - 1, 1);  // the file changed since it was queued
  std::this_thread::sleep_for(1500ms);
  EXPECT_FALSE(vorab.Nehmen(seiten[0], s0.Groesse, s0.Mtime, 0)) << "begun during the pause";

  pause = false;
  std::optional<Auszug> a;
  for (int i = 0; i < 1200 && !a; ++i) {
    ASSERT_FALSE(vorab.Nehmen(seiten[0], s0.Groesse, s0.Mtime + 1, 0)) << "handed out for another file time";
    a = vorab.Nehmen(seiten[0], s0.Groesse, s0.Mtime, 0);
    if (!a) std::this_thread::sleep_for(100ms);
  }
  ASSERT_TRUE(a) << "page not recognised";
  EXPECT_NE(Falten(a->Text).find("heizkostenverteilung"), std::string::npos) << a->Text;
  EXPECT_FALSE(vorab.Nehmen(seiten[0], s0.Groesse, s0.Mtime, 0)) << "handed out twice";
  vorab.Anhalten();
  EXPECT_FALSE(vorab.Nehmen(seiten[1], s1.Groesse, s1.Mtime - 1, 0));
  EXPECT_FALSE(vorab.Nehmen(seiten[1], s1.Groesse, s1.Mtime, 0));

  // Queued again as it is: recognised into its own text, and forgotten on request.
  vorab.Vormerken(seiten[1], s1.Groesse, s1.Mtime, 1);
  a.reset();
  for (int i = 0; i < 1200 && !a; ++i) {
    a = vorab.Nehmen(seiten[1], s1.Groesse, s1.Mtime, 0);
    if (!a) std::this_thread::sleep_for(100ms);
  }
  ASSERT_TRUE(a) << "page not recognised";
  EXPECT_NE(Falten(a->Text).find("dachrinnenwartung"), std::string::npos) << a->Text;
  EXPECT_EQ(Falten(a->Text).find("heizkosten"), std::string::npos) << a->Text;
}

TEST(VolltextNebenleser, JedeRundeLaeuftAufJedemHelferUndEndetErstMitDemLetzten) {
  Dienstgrenzen grenzen;
  grenzen.NiedrigePrioritaet = false;
  Auslesedienst eigener(grenzen);  // starts its helper only when asked to read
  Nebenleser neben(2, grenzen, false);
  for (int runde = 0; runde < 200; ++runde) {
    std::mutex m;
    std::set<const Auslesedienst*> dienste;
    std::atomic<int> fertig{0};
    const std::function<void(Auslesedienst&)> arbeit = [&](Auslesedienst& d) {
      // Unequal times, so that now this thread, now that one finishes last.
      std::this_thread::sleep_for(std::chrono::microseconds(100 * ((runde + fertig) % 3)));
      {
        std::lock_guard<std::mutex> l(m);
        dienste.insert(&d);
      }
      ++fertig;
    };
    neben.Gemeinsam(arbeit, eigener);
    ASSERT_EQ(fertig, 3) << "Runde " << runde;
    ASSERT_EQ(dienste.size(), 3u) << "Runde " << runde;
    ASSERT_TRUE(dienste.count(&eigener));
  }
}

}  // namespace
}  // namespace vxm::volltext
