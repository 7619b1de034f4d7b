#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "search/volltext/nebenleser.h"
#include "search/volltext/schreiber.h"
#include "tests/hilfen.h"

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
