#include <gtest/gtest.h>
#include <sqlite3.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "search/datensuche.h"
#include "search/volltext/faltung.h"
#include "search/volltext/indexierer.h"
#include "search/volltext/volltextindex.h"
#include "search/volltext/volltextsuche.h"
#include "tests/hilfen.h"
#include "tests/volltext_hilfen.h"

namespace vxm::volltext {
namespace {
namespace fs = std::filesystem;

class VolltextIndex : public test::Umgebung {
 protected:
  void SetUp() override {
    test::Umgebung::SetUp();
    test::HelferEinstellen();
    laufwerke_.Zuordnen('C', laufwerkC_);
    index_ = temp_ / "vxmdok.volltext";
  }
  void TearDown() override {
    ::unsetenv("VXM_EXTRAKT");
    test::Umgebung::TearDown();
  }

  void Indexieren(Indexiereroptionen o = {}) {
    o.Ocr = false;
    o.NiedrigePrioritaet = false;
    Indexierer ix(index_, laufwerke_, {"C:\\VXMDOK"}, o);
    ix.Durchlaufen();
  }

  // A helper that fails every file: whatever it is asked shows.
  void HelferVersagt() {
    test::Schreiben(temp_ / "bin" / "versagt", "#!/bin/sh\nexit 1\n");
    fs::permissions(temp_ / "bin" / "versagt", fs::perms::owner_all);
    ::setenv("VXM_EXTRAKT", (temp_ / "bin" / "versagt").c_str(), 1);
  }

  // `beobachtet`: the watching vouches for every folder (an idle window).
  std::vector<VolltextTreffer> Suchen(const std::string& phrase, bool wort = false, bool mitIndex = true,
                                      bool ordnerzeiten = false, bool beobachtet = false) {
    std::unique_ptr<Volltextindex> ix;
    if (mitIndex) ix = std::make_unique<Volltextindex>(index_);
    VolltextAuftrag a;
    a.Phrase = phrase;
    a.Ordner = "C:\\VXMDOK";
    a.Wortsuche = wort;
    a.Ordnerzeiten = ordnerzeiten || beobachtet;
    if (beobachtet) a.OrdnerUnveraendert = [](const std::string&) { return true; };
    std::vector<VolltextTreffer> v;
    VolltextSuchen(ix.get(), laufwerke_, a, [&](const VolltextTreffer& t) { v.push_back(t); });
    return v;
  }

  // Waits up to ten seconds for a background indexer's work; true once the
  // condition held (a later step of the indexer may change it again).
  template <class Bedingung>
  static bool Warten(Bedingung bedingung) {
    for (int i = 0; i < 1000; ++i) {
      if (bedingung()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return bedingung();
  }

  // An indexer in the background that follows the folders by watching them.
  std::unique_ptr<Indexierer> Beobachtend() {
    Indexiereroptionen o;
    o.Ocr = false;
    o.Beobachten = true;
    o.Stapelzeit = std::chrono::milliseconds(50);
    auto ix = std::make_unique<Indexierer>(index_, laufwerke_, std::vector<std::string>{"C:\\VXMDOK"}, o);
    ix->Starten();
    return ix;
  }

  // As the window searches once the indexer is idle: one connection kept
  // open (its folder tree kept between searches), the watching vouching for
  // its folders.
  std::set<std::string> RuhigGefunden(Indexierer& ix, const std::string& phrase) {
    EXPECT_TRUE(Warten([&] { return ix.Ruhig(); }));
    if (!lesend_) lesend_ = std::make_unique<Volltextindex>(index_);
    VolltextAuftrag a;
    a.Phrase = phrase;
    a.Ordner = "C:\\VXMDOK";
    a.Ordnerzeiten = true;
    a.OrdnerUnveraendert = [&](const std::string& key) { return ix.Beobachtet(key); };
    std::vector<VolltextTreffer> v;
    VolltextSuchen(lesend_.get(), laufwerke_, a, [&](const VolltextTreffer& t) { v.push_back(t); });
    return Namen(v);
  }

  static std::set<std::string> Namen(const std::vector<VolltextTreffer>& v) {
    std::set<std::string> s;
    for (const auto& t : v) s.insert(t.Name);
    return s;
  }

  Indexzustand Zustand(const std::string& pfad) {
    Volltextindex ix(index_);
    auto e = ix.Eintrag(pfad);
    return e ? e->Zustand : static_cast<Indexzustand>(0);
  }

  Laufwerkstabelle laufwerke_;
  fs::path index_;
  std::unique_ptr<Volltextindex> lesend_;
};

TEST(VolltextFortschritt, DeutscheZiffernGruppen) {
  Indexfortschritt f;
  f.Erledigt = 1234;
  f.Gesamt = 5678;
  EXPECT_EQ(FortschrittText(f), "Index: 1.234 von 5.678 Dateien");
  f.Erledigt = 12;
  f.Gesamt = 1234567;
  f.Pausiert = true;
  EXPECT_EQ(FortschrittText(f), "Index: 12 von 1.234.567 Dateien (angehalten)");
  EXPECT_EQ(Volltextindex::DateiNebenRegister("C:\\VXM\\VXMDAT\\vxmdok.mdb"), "C:\\VXM\\VXMDAT\\vxmdok.volltext");
}

TEST_F(VolltextIndex, UnveraenderteDateienWerdenNichtNochmalGelesen) {
  DateiAnlegen("C:\\VXMDOK\\1\\a.txt", "Mietvertrag Wohnung 3");
  DateiAnlegen("C:\\VXMDOK\\1\\b.txt", "Heizkostenabrechnung");
  DateiAnlegen("C:\\VXMDOK\\2\\c.txt", "Kaution");
  Indexieren();
  EXPECT_EQ(Volltextindex(index_).Statistik().Indiziert, 3);

  HelferVersagt();
  Indexieren();  // nothing changed: nothing read
  EXPECT_EQ(Zustand("C:\\VXMDOK\\1\\a.txt"), Indexzustand::Indiziert);
  // Only the time changed: the hash says the same, still not read.
  fs::last_write_time(Host("C:\\VXMDOK\\1\\a.txt"), fs::file_time_type::clock::now() + std::chrono::hours(1));
  Indexieren();
  EXPECT_EQ(Zustand("C:\\VXMDOK\\1\\a.txt"), Indexzustand::Indiziert);
  EXPECT_EQ(Namen(Suchen("mietvertrag")), std::set<std::string>{"a.txt"});
  // Renamed behind the indexer's back: the text comes from the old row.
  fs::rename(Host("C:\\VXMDOK\\1\\b.txt"), Host("C:\\VXMDOK\\2\\neu.txt"));
  // Deleted.
  fs::remove(Host("C:\\VXMDOK\\2\\c.txt"));
  Indexieren();
  EXPECT_EQ(Zustand("C:\\VXMDOK\\2\\neu.txt"), Indexzustand::Indiziert);
  EXPECT_EQ(Zustand("C:\\VXMDOK\\1\\b.txt"), static_cast<Indexzustand>(0));
  EXPECT_EQ(Zustand("C:\\VXMDOK\\2\\c.txt"), static_cast<Indexzustand>(0));
  // Changed content is read again (and the failing helper shows it).
  DateiAnlegen("C:\\VXMDOK\\1\\a.txt", "Mietvertrag Wohnung 4");
  Indexieren();
  EXPECT_EQ(Zustand("C:\\VXMDOK\\1\\a.txt"), Indexzustand::NichtIndizierbar);
  // ... and the byte search still finds it.
  EXPECT_EQ(Namen(Suchen("wohnung 4")), std::set<std::string>{"a.txt"});
  // --voll reads everything again.
  test::HelferEinstellen();
  Indexiereroptionen voll;
  voll.Voll = true;
  Indexieren(voll);
  EXPECT_EQ(Volltextindex(index_).Statistik().Indiziert, 2);
  EXPECT_EQ(Volltextindex(index_).Pruefen(), "");
}

TEST_F(VolltextIndex, KopienTeilenEinenText) {
  DateiAnlegen("C:\\VXMDOK\\1\\a.txt", "Nebenkostenabrechnung 2023 Haus Sonnenhof");
  DateiAnlegen("C:\\VXMDOK\\2\\kopie.txt", "Nebenkostenabrechnung 2023 Haus Sonnenhof");
  DateiAnlegen("C:\\VXMDOK\\2\\anders.txt", "Nebenkostenabrechnung 2024");
  Indexieren();
  auto anzahl = [&](const char* tabelle) {
    Volltextindex ix(index_);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(ix.Verbindung(), (std::string("SELECT count(*) FROM ") + tabelle).c_str(), -1, &s, nullptr);
    sqlite3_step(s);
    const auto n = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
    return n;
  };
  {
    Volltextindex ix(index_);
    const auto a = ix.Eintrag("C:\\VXMDOK\\1\\a.txt"), k = ix.Eintrag("C:\\VXMDOK\\2\\kopie.txt");
    ASSERT_TRUE(a && k);
    EXPECT_NE(a->Inhalt, 0);
    EXPECT_EQ(a->Inhalt, k->Inhalt);
  }
  EXPECT_EQ(anzahl("inhalte"), 2);
  auto t = Suchen("haus sonnenhof");
  ASSERT_EQ(Namen(t), (std::set<std::string>{"a.txt", "kopie.txt"}));
  for (const auto& x : t) {
    EXPECT_TRUE(x.AusIndex);
    EXPECT_EQ(x.Kontext, "Nebenkostenabrechnung 2023 Haus Sonnenhof");
  }
  // One copy gone: the other keeps the text.
  fs::remove(Host("C:\\VXMDOK\\1\\a.txt"));
  Indexieren();
  EXPECT_EQ(Namen(Suchen("haus sonnenhof")), std::set<std::string>{"kopie.txt"});
  EXPECT_EQ(Volltextindex(index_).Pruefen(), "");
  // The copy changed: its old text goes with it.
  DateiAnlegen("C:\\VXMDOK\\2\\kopie.txt", "Heizkosten");
  Indexieren();
  EXPECT_TRUE(Suchen("haus sonnenhof").empty());
  EXPECT_EQ(anzahl("inhalte"), 2);
  EXPECT_EQ(Volltextindex(index_).Pruefen(), "");
  // A full run reads copies anew and still keeps one text for them.
  DateiAnlegen("C:\\VXMDOK\\3\\heiz.txt", "Heizkosten");
  Indexiereroptionen voll;
  voll.Voll = true;
  Indexieren(voll);
  EXPECT_EQ(anzahl("inhalte"), 2);
  EXPECT_EQ(Namen(Suchen("heizkosten")), (std::set<std::string>{"heiz.txt", "kopie.txt"}));
  EXPECT_EQ(Volltextindex(index_).Pruefen(), "");
}

TEST_F(VolltextIndex, HintergrundFolgtUmbenennenUndLoeschen) {
  DateiAnlegen("C:\\VXMDOK\\A\\x.txt", "Schadensmeldung Keller");
  DateiAnlegen("C:\\VXMDOK\\A\\y.txt", "Wasserrohrbruch");
  Indexiereroptionen o;
  o.Ocr = false;
  Indexierer ix(index_, laufwerke_, {"C:\\VXMDOK"}, o);
  ix.Starten();
  auto warten = [&](auto bedingung) {
    for (int i = 0; i < 500 && !bedingung(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return bedingung();
  };
  ASSERT_TRUE(warten([&] { return Volltextindex(index_).Statistik().Indiziert == 2; }));
  fs::rename(Host("C:\\VXMDOK\\A"), laufwerkC_ / "VXMDOK" / "B");
  ix.Umbenannt("C:\\VXMDOK\\A", "C:\\VXMDOK\\B");
  ASSERT_TRUE(warten([&] { return Volltextindex(index_).Eintrag("C:\\VXMDOK\\B\\x.txt").has_value(); }));
  EXPECT_FALSE(Volltextindex(index_).Eintrag("C:\\VXMDOK\\A\\x.txt"));
  fs::remove(Host("C:\\VXMDOK\\B\\y.txt"));
  ix.Geloescht("C:\\VXMDOK\\B\\y.txt");
  DateiAnlegen("C:\\VXMDOK\\B\\z.txt", "Rauchmelder");
  ix.Pausieren();
  ix.Geaendert("C:\\VXMDOK\\B\\z.txt");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(Volltextindex(index_).Eintrag("C:\\VXMDOK\\B\\z.txt"));  // paused
  EXPECT_NE(ix.FortschrittText().find("(angehalten)"), std::string::npos);
  ix.Fortsetzen();
  ASSERT_TRUE(warten([&] { return Volltextindex(index_).Eintrag("C:\\VXMDOK\\B\\z.txt").has_value(); }));
  EXPECT_TRUE(warten([&] { return !Volltextindex(index_).Eintrag("C:\\VXMDOK\\B\\y.txt"); }));
  ix.Anhalten();
  EXPECT_EQ(Namen(Suchen("rohrbruch")), std::set<std::string>{});
  EXPECT_EQ(Namen(Suchen("KELLER")), std::set<std::string>{"x.txt"});
}

// Nobody reports anything: the folder watching alone keeps the index
// current, and once the indexer is idle a search trusting folder times
// finds what changed, in place and in new folders included.
TEST_F(VolltextIndex, OrdnerwacheFolgtJederAenderung) {
  DateiAnlegen("C:\\VXMDOK\\A\\x.txt", "Schadensmeldung Keller");
  DateiAnlegen("C:\\VXMDOK\\A\\y.txt", "Wasserrohrbruch");
  DateiAnlegen("C:\\VXMDOK\\C\\w.txt", "Heizungswartung");
  const auto beobachtend = Beobachtend();
  Indexierer& ix = *beobachtend;
  auto warten = [](auto bedingung) { return Warten(bedingung); };
  auto ruhigGefunden = [&](const std::string& phrase) { return RuhigGefunden(ix, phrase); };
  ASSERT_TRUE(warten([&] { return Volltextindex(index_).Statistik().Indiziert == 3 && ix.Ruhig(); }));
  EXPECT_EQ(ix.FortschrittText(), "Index: 3 von 3 Dateien");

  // Written in place: the folder's time stays, only the watching tells.
  test::Schreiben(Host("C:\\VXMDOK\\A\\x.txt"), "Schadensmeldung Dachrinne");
  ASSERT_TRUE(warten([&] { return !ruhigGefunden("Dachrinne").empty(); }));
  EXPECT_EQ(ruhigGefunden("Dachrinne"), std::set<std::string>{"x.txt"});
  EXPECT_EQ(ruhigGefunden("Keller"), std::set<std::string>{});

  // A new folder with a file, and a file renamed.
  DateiAnlegen("C:\\VXMDOK\\A\\Neu\\n.txt", "Rauchmelderpruefung");
  fs::rename(Host("C:\\VXMDOK\\A\\y.txt"), Host("C:\\VXMDOK\\A") / "y2.txt");
  ASSERT_TRUE(warten([&] { return Volltextindex(index_).Eintrag("C:\\VXMDOK\\A\\Neu\\n.txt").has_value(); }));
  ASSERT_TRUE(warten([&] { return Volltextindex(index_).Eintrag("C:\\VXMDOK\\A\\y2.txt").has_value(); }));
  EXPECT_FALSE(Volltextindex(index_).Eintrag("C:\\VXMDOK\\A\\y.txt"));
  EXPECT_EQ(ruhigGefunden("Rauchmelder"), std::set<std::string>{"n.txt"});
  EXPECT_EQ(ruhigGefunden("rohrbruch"), std::set<std::string>{"y2.txt"});

  // A folder renamed: its rows move, and it is still watched under its new name.
  fs::rename(Host("C:\\VXMDOK\\A"), Host("C:\\VXMDOK") / "B");
  ASSERT_TRUE(warten([&] { return Volltextindex(index_).Eintrag("C:\\VXMDOK\\B\\Neu\\n.txt").has_value(); }));
  EXPECT_FALSE(Volltextindex(index_).Eintrag("C:\\VXMDOK\\A\\x.txt"));
  test::Schreiben(Host("C:\\VXMDOK\\B\\Neu\\n.txt"), "Treppenhausreinigung");
  EXPECT_TRUE(warten([&] { return ruhigGefunden("Treppenhaus") == std::set<std::string>{"n.txt"}; }));

  // A folder deleted: its rows go.
  fs::remove_all(Host("C:\\VXMDOK\\C"));
  ASSERT_TRUE(warten([&] { return !Volltextindex(index_).Eintrag("C:\\VXMDOK\\C\\w.txt"); }));
  EXPECT_EQ(ruhigGefunden("Heizung"), std::set<std::string>{});
  // Once the changes are worked in, the progress line counts the files
  // there are, not the changes seen.
  EXPECT_TRUE(warten([&] { return ix.Ruhig() && ix.FortschrittText() == "Index: 3 von 3 Dateien"; }))
      << ix.FortschrittText();
  ix.Anhalten();
  // Every row the watching left is one a fresh walk would write.
  EXPECT_EQ(Volltextindex(index_).Statistik().Indiziert, 3);
}

// A folder renamed below a sub-folder: the recorded times of the folders
// around it are forgotten, and a search that trusts the watching still
// looks into its untouched siblings (the times of the folders above them
// do not vouch for a tree that lost rows).
TEST_F(VolltextIndex, UmbenennungTiefUntenVerliertKeineGeschwister) {
  DateiAnlegen("C:\\VXMDOK\\X\\A\\a.txt", "Dachrinne");
  DateiAnlegen("C:\\VXMDOK\\X\\D\\d.txt", "Kellerraum");
  DateiAnlegen("C:\\VXMDOK\\Y\\y.txt", "Waschküche");
  const auto beobachtend = Beobachtend();
  Indexierer& ix = *beobachtend;
  auto warten = [](auto bedingung) { return Warten(bedingung); };
  auto gefunden = [&](const std::string& phrase) { return RuhigGefunden(ix, phrase); };
  ASSERT_TRUE(warten([&] { return Volltextindex(index_).Statistik().Indiziert == 3 && ix.Ruhig(); }));
  ASSERT_EQ(gefunden("Kellerraum"), std::set<std::string>{"d.txt"});
  fs::rename(Host("C:\\VXMDOK\\X\\A"), Host("C:\\VXMDOK\\X") / "B");
  ix.Umbenannt("C:\\VXMDOK\\X\\A", "C:\\VXMDOK\\X\\B");  // as the window reports its own rename
  ASSERT_TRUE(warten([&] { return Volltextindex(index_).Eintrag("C:\\VXMDOK\\X\\B\\a.txt").has_value(); }));
  EXPECT_EQ(gefunden("Kellerraum"), std::set<std::string>{"d.txt"});
  EXPECT_EQ(gefunden("Dachrinne"), std::set<std::string>{"a.txt"});
  EXPECT_EQ(gefunden("Waschküche"), std::set<std::string>{"y.txt"});
  ix.Anhalten();
}

// A closing window stops its indexer at once, even while a file takes the
// helper long; that file is not recorded as unreadable, only read next time.
TEST_F(VolltextIndex, AnhaltenWartetNichtAufLangsameDatei) {
  DateiAnlegen("C:\\VXMDOK\\A\\langsam.txt", "Hausmeistervertrag");
  test::Schreiben(temp_ / "bin" / "langsam", "#!/bin/sh\nexec sleep 30\n");
  fs::permissions(temp_ / "bin" / "langsam", fs::perms::owner_all);
  ::setenv("VXM_EXTRAKT", (temp_ / "bin" / "langsam").c_str(), 1);
  Indexiereroptionen o;
  o.Ocr = false;
  Indexierer ix(index_, laufwerke_, {"C:\\VXMDOK"}, o);
  ix.Starten();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const auto vorher = std::chrono::steady_clock::now();
  ix.Anhalten();
  EXPECT_LT(std::chrono::steady_clock::now() - vorher, std::chrono::seconds(3));
  EXPECT_EQ(Zustand("C:\\VXMDOK\\A\\langsam.txt"), static_cast<Indexzustand>(0));
  test::HelferEinstellen();
  Indexieren();
  EXPECT_EQ(Zustand("C:\\VXMDOK\\A\\langsam.txt"), Indexzustand::Indiziert);
}

// The folder the user opens is read before the rest, and files met twice
// (there and in the walk) are counted and read once.
TEST_F(VolltextIndex, GeoeffneterOrdnerZuerstUndJedeDateiEinmal) {
  for (int i = 0; i < 6; ++i) DateiAnlegen("C:\\VXMDOK\\A\\a" + std::to_string(i) + ".txt", "Text " + std::to_string(i));
  DateiAnlegen("C:\\VXMDOK\\Z\\z1.txt", "Zuerst eins");
  DateiAnlegen("C:\\VXMDOK\\Z\\z2.txt", "Zuerst zwei");
  Indexiereroptionen o;
  o.Ocr = false;
  o.NiedrigePrioritaet = false;
  o.Stapel = 1;
  Indexierer ix(index_, laufwerke_, {"C:\\VXMDOK"}, o);
  ix.OrdnerZuerst("C:\\VXMDOK\\Z");
  ix.Durchlaufen();
  const auto f = ix.Fortschritt();
  EXPECT_EQ(f.Erledigt, 8);
  EXPECT_EQ(f.Gesamt, 8);
  // Rows are numbered in the order they were written.
  Volltextindex v(index_);
  const auto z1 = v.Eintrag("C:\\VXMDOK\\Z\\z1.txt"), z2 = v.Eintrag("C:\\VXMDOK\\Z\\z2.txt");
  ASSERT_TRUE(z1 && z2);
  for (const auto& e : v.EintraegeUnter("C:\\VXMDOK\\A", true)) {
    EXPECT_LT(z1->Id, e.Id) << e.Pfad;
    EXPECT_LT(z2->Id, e.Id) << e.Pfad;
  }
}

TEST_F(VolltextIndex, UmlauteTeilwoerterWorteUndKontext) {
  DateiAnlegen("C:\\VXMDOK\\1\\a.txt", "Anschrift: Müllerstraße 5\r\nSehr geehrter\r\nHerr Özdemir");
  DateiAnlegen("C:\\VXMDOK\\1\\b.txt", "Der Mieter zahlt die Miete.");
  DateiAnlegen("C:\\VXMDOK\\1\\c.txt", "Mieterhöhung");
  Indexieren();
  auto t = Suchen("MÜLLERSTR");
  ASSERT_EQ(t.size(), 1u);
  EXPECT_TRUE(t[0].AusIndex);
  EXPECT_EQ(t[0].Kontext, "Anschrift: Müllerstraße 5 Sehr geehrter Herr Özdemir");
  EXPECT_EQ(Namen(Suchen("strasse 5")), std::set<std::string>{"a.txt"});   // ß folded
  EXPECT_EQ(Namen(Suchen("geehrter herr")), std::set<std::string>{"a.txt"});  // across the line break
  EXPECT_EQ(Namen(Suchen("ozdemir")), std::set<std::string>{"a.txt"});
  EXPECT_EQ(Namen(Suchen("miete")), (std::set<std::string>{"b.txt", "c.txt"}));
  EXPECT_EQ(Namen(Suchen("miete", true)), std::set<std::string>{"b.txt"});
  EXPECT_EQ(Namen(Suchen("mi")), (std::set<std::string>{"a.txt", "b.txt", "c.txt"}));  // short: bytes as well
  // A file the index does not know yet, and one changed since: their bytes.
  DateiAnlegen("C:\\VXMDOK\\2\\neu.txt", "die Miete für Mai");
  DateiAnlegen("C:\\VXMDOK\\1\\c.txt", "Garage");
  t = Suchen("miete");
  EXPECT_EQ(Namen(t), (std::set<std::string>{"b.txt", "neu.txt"}));
  for (const auto& x : t) EXPECT_EQ(x.AusIndex, x.Name == "b.txt");
}

TEST_F(VolltextIndex, OrdnerzeitenVertretenUnveraenderteOrdner) {
  DateiAnlegen("C:\\VXMDOK\\1\\a.txt", "Treppenhausreinigung");
  DateiAnlegen("C:\\VXMDOK\\1\\sub\\b.txt", "Treppenhausreinigung im Winter");
  Indexieren();
  auto t = Suchen("treppenhaus", false, true, true);
  ASSERT_EQ(Namen(t), (std::set<std::string>{"a.txt", "b.txt"}));
  EXPECT_TRUE(t[0].AusIndex && t[1].AusIndex);
  EXPECT_EQ(t[1].Ordner, "C:\\VXMDOK\\1\\sub");
  // A new file changes its folder's time: that folder is looked at again.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  DateiAnlegen("C:\\VXMDOK\\1\\sub\\c.txt", "Treppenhaus gestrichen");
  fs::remove(Host("C:\\VXMDOK\\1\\a.txt"));
  t = Suchen("treppenhaus", false, true, true);
  EXPECT_EQ(Namen(t), (std::set<std::string>{"b.txt", "c.txt"}));
  EXPECT_EQ(Namen(Suchen("treppenhaus")), Namen(t));  // the same as looking at every file
}

// On this machine two names may differ in letter case only; the index keys
// them as one. Neither may be lost, and neither is read at every run.
TEST_F(VolltextIndex, NamenNurInGrossKleinschreibungVerschieden) {
  // Written by host path (a Windows-form name finds the first by either spelling).
  DateiAnlegen("C:\\VXMDOK\\1\\FAQ.txt", "Alpha Hausordnung");
  test::Schreiben(Host("C:\\VXMDOK\\1").parent_path() / "1" / "faq.txt", "Beta Hausordnung");
  DateiAnlegen("C:\\VXMDOK\\1\\sub\\x.txt", "Gamma Hausordnung");
  Indexieren();
  // Even a folder the watching vouches for is looked at when its names
  // differ only in letter case.
  for (const int art : {0, 1, 2}) {
    EXPECT_EQ(Namen(Suchen("hausordnung", false, true, art == 1, art == 2)),
              (std::set<std::string>{"FAQ.txt", "faq.txt", "x.txt"}));
    EXPECT_EQ(Namen(Suchen("beta", false, true, art == 1, art == 2)), std::set<std::string>{"faq.txt"});
    EXPECT_EQ(Namen(Suchen("alpha", false, true, art == 1, art == 2)), std::set<std::string>{"FAQ.txt"});
  }
  HelferVersagt();
  Indexieren();  // nothing read again
  EXPECT_EQ(Zustand("C:\\VXMDOK\\1\\FAQ.txt"), Indexzustand::Indiziert);
  const auto t = Suchen("alpha", false, true, true);
  ASSERT_EQ(t.size(), 1u);
  EXPECT_TRUE(t[0].AusIndex);

  // The folder's time is kept with the name that has no row, so the folder
  // can be vouched for; that file is still read at each search, its bytes
  // as they are now.
  auto ordner = [&] {
    for (auto& o : Volltextindex(index_).OrdnerzeitenUnter("C:\\VXMDOK"))
      if (o.Schluessel == "C:\\VXMDOK\\1") return o;
    return Ordnerzeit{};
  };
  EXPECT_GE(ordner().Mtime, 0);
  EXPECT_EQ(ordner().Zwillinge, std::vector<std::string>{"faq.txt"});
  test::Schreiben(Host("C:\\VXMDOK\\1").parent_path() / "1" / "faq.txt", "Zeta Hausordnung");
  for (const int art : {0, 1, 2}) {
    EXPECT_EQ(Namen(Suchen("zeta", false, true, art == 1, art == 2)), std::set<std::string>{"faq.txt"});
    EXPECT_TRUE(Suchen("beta", false, true, art == 1, art == 2).empty());
  }

  // Earlier versions read the folder's time as -1 and never vouch for it;
  // an index they wrote (no names kept) takes the columns when opened and
  // answers as before.
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(index_.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT mtime FROM ordner WHERE schluessel = 'C:\\VXMDOK\\1'", -1, &s, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int64(s, 0), -1);
    sqlite3_finalize(s);
    ASSERT_EQ(sqlite3_exec(db, "ALTER TABLE ordner DROP COLUMN zwillinge; ALTER TABLE ordner DROP COLUMN zwillingszeit",
                           nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
  for (const int art : {0, 1, 2})
    EXPECT_EQ(Namen(Suchen("hausordnung", false, true, art == 1, art == 2)),
              (std::set<std::string>{"FAQ.txt", "faq.txt", "x.txt"}));
  Indexieren();
  EXPECT_EQ(ordner().Zwillinge, std::vector<std::string>{"faq.txt"});
}

// Pictures and scans wait for recognition until everything else is read;
// then the helpers recognise them side by side, each page into its own
// file's text.
TEST_F(VolltextIndex, TexterkennungAufMehrerenHelfernJedeSeiteImEigenenText) {
  if (!test::SofficeDa() || std::system("command -v pdftoppm >/dev/null") != 0)
    GTEST_SKIP() << "soffice oder pdftoppm fehlt: Texterkennung nicht geprüft";
  const std::vector<std::string> woerter{"Heizkostenverteilung", "Treppenhausreinigung", "Dachrinnenwartung"};
  std::vector<fs::path> quellen;
  for (std::size_t i = 0; i < woerter.size(); ++i) {
    quellen.push_back(temp_ / "quelle" / ("brief" + std::to_string(i) + ".txt"));
    test::Schreiben(quellen.back(), "Sehr geehrte Frau Weiß,\nBetreff: " + woerter[i] + "\n");
  }
  fs::create_directories(temp_ / "pdf");
  ASSERT_TRUE(test::Umwandeln(quellen, "pdf", temp_ / "pdf", temp_ / "lo-profil"));
  DateiAnlegen("C:\\VXMDOK\\Scans\\liesmich.txt", "Gescannte Briefe");
  for (std::size_t i = 0; i < woerter.size(); ++i) {
    const std::string befehl = "pdftoppm -r 300 -gray -png -singlefile '" +
                               (temp_ / "pdf" / ("brief" + std::to_string(i) + ".pdf")).string() + "' '" +
                               Host("C:\\VXMDOK\\Scans\\seite" + std::to_string(i)).string() + "'";
    ASSERT_EQ(std::system(befehl.c_str()), 0);
  }
  Indexiereroptionen o;
  o.Ocr = true;
  o.Helfer = 2;
  o.NiedrigePrioritaet = false;
  Indexierer(index_, laufwerke_, {"C:\\VXMDOK"}, o).Durchlaufen();
  for (std::size_t i = 0; i < woerter.size(); ++i)
    EXPECT_EQ(Namen(Suchen(woerter[i])), std::set<std::string>{"seite" + std::to_string(i) + ".png"});
  EXPECT_EQ(Namen(Suchen("geehrte frau")), (std::set<std::string>{"seite0.png", "seite1.png", "seite2.png"}));
  Volltextindex ix(index_);
  EXPECT_EQ(ix.Statistik().OcrAusstehend, 0);
  EXPECT_EQ(ix.Eintrag("C:\\VXMDOK\\Scans\\seite1.png")->Art, "bild+ocr");
}

// Each run writes segments of its own; the indexer merges them once idle,
// so a search reads one segment, and the merging loses nothing.
TEST_F(VolltextIndex, LeerlaufFuegtDieTeileDesIndexZusammen) {
  for (int runde = 0; runde < 6; ++runde) {
    for (int i = 0; i < 5; ++i)
      DateiAnlegen("C:\\VXMDOK\\r" + std::to_string(runde) + "\\d" + std::to_string(i) + ".txt",
                   "Vorgang R" + std::to_string(runde) + "X" + std::to_string(i) + " Heizkosten");
    Indexieren();
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(index_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(DISTINCT segid) FROM volltext_idx", -1, &s, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(s, 0), 1);
  sqlite3_finalize(s);
  sqlite3_close(db);
  const auto t = Suchen("heizkosten");
  EXPECT_EQ(t.size(), 30u);
  for (const auto& x : t) EXPECT_TRUE(x.AusIndex);
  EXPECT_EQ(Namen(Suchen("R3X4")), std::set<std::string>{"d4.txt"});
  Volltextindex ix(index_);
  EXPECT_FALSE(ix.Verdichten());  // nothing left to merge
}

TEST_F(VolltextIndex, GrosseTexteInAbschnitten) {
  // Phrases at every place of a text of many 32 KB sections: across a
  // section border, at the very end, and one longer than the overlap.
  std::string text;
  std::mt19937 zufall(3);
  const char* woerter[] = {"Mieter ", "Wohnung ", "Heizung ", "Abrechnung ", "Frist ", "Zahlung "};
  while (text.size() < 300000) text += woerter[zufall() % 6];
  const std::string lang(400, 'q');
  text.insert(32760, "Schornsteinfeger");  // about the first border
  text.insert(150000, lang);
  text += "Endabrechnung";
  DateiAnlegen("C:\\VXMDOK\\gross.txt", text);
  DateiAnlegen("C:\\VXMDOK\\klein.txt", "Mieter Wohnung");
  Indexieren();
  for (const std::string& p : std::vector<std::string>{"schornsteinfeger", "ENDABRECHNUNG", lang, "Mieter Wohnung"}) {
    const auto t = Suchen(p);
    EXPECT_GE(t.size(), 1u) << p.substr(0, 20);
    for (const auto& x : t) EXPECT_TRUE(x.AusIndex) << p.substr(0, 20);
  }
  EXPECT_TRUE(Suchen("Wohnung Schornstein").empty() || Suchen("Wohnung Schornstein")[0].AusIndex);
  EXPECT_EQ(Suchen("Mieterinnen").size(), 0u);  // all trigrams there, the phrase not
}

// The n-grams of the index with the number of sections holding each.
std::map<std::string, int> Gramme(const fs::path& index) {
  std::map<std::string, int> aus;
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(index.c_str(), &db), SQLITE_OK);
  // Reading the vocabulary takes nothing apart, but the table names its tokenizer.
  fts5_api* api = nullptr;
  sqlite3_stmt* f = nullptr;
  sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &f, nullptr);
  sqlite3_bind_pointer(f, 1, &api, "fts5_api_ptr", nullptr);
  sqlite3_step(f);
  sqlite3_finalize(f);
  static fts5_tokenizer stumm{[](void*, const char**, int, Fts5Tokenizer** t) {
                                *t = reinterpret_cast<Fts5Tokenizer*>(&stumm);
                                return SQLITE_OK;
                              },
                              [](Fts5Tokenizer*) {},
                              [](Fts5Tokenizer*, void*, int, const char*, int,
                                 int (*)(void*, int, const char*, int, int, int)) { return SQLITE_OK; }};
  EXPECT_EQ(api->xCreateTokenizer(api, "vxmtri", nullptr, &stumm, nullptr), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, "CREATE VIRTUAL TABLE temp.v USING fts5vocab(main, volltext, row)", nullptr, nullptr,
                         nullptr),
            SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, "SELECT term, doc FROM temp.v", -1, &s, nullptr), SQLITE_OK);
  int rc = 0;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW)
    aus[std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)),
                    static_cast<std::size_t>(sqlite3_column_bytes(s, 0)))] = sqlite3_column_int(s, 1);
  EXPECT_EQ(rc, SQLITE_DONE) << sqlite3_errmsg(db);
  sqlite3_finalize(s);
  sqlite3_close(db);
  return aus;
}

TEST_F(VolltextIndex, VorbereiteteGrammeGehenMitIhremTextWieder) {
  // A text goes in as n-grams taken apart beforehand and leaves taken apart
  // from its stored text: both ways must name the same n-grams, or
  // sections that are gone stay candidates. Umlauts, three- and four-byte
  // characters, words over the section border, and broken bytes.
  std::string lang;
  std::mt19937 zufall(7);
  const char* woerter[] = {"Straße ", "Grüße ", "東京都 ", "😀😀 ", "Nebenkostenabrechnung ", "Ölheizung "};
  while (lang.size() < 100000) lang += woerter[zufall() % 6];
  const std::string kaputt = "ab" + std::string(300, '\x80') + "cdefgh Rest";
  {
    Volltextindex ix(index_);
    Volltextindex::Transaktion t(ix);
    int n = 0;
    for (const std::string* text : std::vector<const std::string*>{&lang, &kaputt}) {
      Indexeintrag e;
      e.Pfad = "C:\\VXMDOK\\t" + std::to_string(n) + ".txt";
      e.Groesse = static_cast<std::int64_t>(text->size());
      e.Hash = std::string(15, 'h') + static_cast<char>('0' + n++);
      const Vorbereitet v = Vorbereiten(*text, true);
      ix.Schreiben(e, &v);
    }
    t.Festschreiben();
  }
  const auto vorher = Gramme(index_);
  EXPECT_GT(vorher.size(), 40u);
  EXPECT_EQ(vorher.count(Falten("ölhe")), 1u);
  EXPECT_EQ(vorher.count(Falten("東京都 ")), 1u);
  EXPECT_EQ(vorher.count(Falten("defg")), 1u);
  {
    Volltextindex ix(index_);
    bool sicher = false;
    EXPECT_EQ(ix.Kandidaten(Falten("Grüße Ölheizung"), sicher).size(), 4u);  // its four sections
    EXPECT_EQ(ix.Kandidaten(Falten("cdefgh"), sicher).size(), 1u);
    Volltextindex::Transaktion t(ix);
    ix.Entfernen("C:\\VXMDOK\\t0.txt");
    ix.Entfernen("C:\\VXMDOK\\t1.txt");
    t.Festschreiben();
    EXPECT_TRUE(ix.Kandidaten(Falten("Grüße"), sicher).empty());
    EXPECT_EQ(ix.Pruefen(), "");
  }
  EXPECT_EQ(Gramme(index_), (std::map<std::string, int>{}));
}

TEST_F(VolltextIndex, FindetNieWenigerAlsDieBytesuche) {
  // Text in both code pages, binary bytes around a phrase, names in a zip.
  DateiAnlegen("C:\\VXMDOK\\1\\w.txt", "Gr\xFC\xDF" "e aus K\xF6ln");
  DateiAnlegen("C:\\VXMDOK\\1\\u.txt", "Grüße aus Köln");
  DateiAnlegen("C:\\VXMDOK\\1\\bin.dat", std::string("\x01\x02\x00\xFFGrundsteuer\x00\x03", 17));
  test::Schreiben(Host("C:\\VXMDOK\\1\\z.docx"), test::ZipBauen({{"word/document.xml", "<w>Text</w>"}}));
  DateiAnlegen("C:\\VXMDOK\\2\\x.xml", "<a>Grund<b>steuer</b></a>");
  Indexieren();
  for (const char* phrase : {"grüße", "KÖLN", "grundsteuer", "document.xml", "<b>steuer", "aus k", "e a"}) {
    std::set<std::string> bytes;
    SuchSteuerung st;
    st.Treffer = [&](const SuchTreffer& t) { bytes.insert(t.Name); };
    DatenSucheAuftrag a;
    a.Text = phrase;
    a.Modus = Suchmodus::TextInhalt;
    a.TabelleFuehren = false;
    DatenSuche("C:\\VXMDOK", a, &st);
    const auto index = Namen(Suchen(phrase));
    for (const auto& b : bytes) EXPECT_TRUE(index.count(b)) << phrase << ": " << b;
  }
  EXPECT_EQ(Namen(Suchen("grundsteuer")), (std::set<std::string>{"bin.dat", "x.xml"}));  // and text across tags
}

// A link to its own folder: the walk does not go round it without end; the
// file is in the index once, and found once.
TEST_F(VolltextIndex, VerknuepfterOrdnerWirdNichtEndlosBegangen) {
  DateiAnlegen("C:\\VXMDOK\\1\\brief.txt", "Schleifenwort");
  fs::create_directory_symlink(".", Host("C:\\VXMDOK\\1") / "schleife");
  fs::create_symlink("brief.txt", Host("C:\\VXMDOK\\1") / "verweis.txt");
  Indexieren();
  Volltextindex ix(index_);
  std::set<std::string> pfade;
  for (const auto& e : ix.EintraegeUnter("C:\\VXMDOK", true)) pfade.insert(Falten(e.Pfad));
  EXPECT_EQ(pfade, (std::set<std::string>{"c:\\vxmdok\\1\\brief.txt", "c:\\vxmdok\\1\\verweis.txt"}));
  EXPECT_EQ(Namen(Suchen("schleifenwort")), (std::set<std::string>{"brief.txt", "verweis.txt"}));
}

// Text beyond the extraction's limit: the file is not passed as read in
// full; the search reads it itself, and an index that kept such a text cut
// hands the file to the search on its next opening.
TEST_F(VolltextIndex, TextUeberDerGrenzeWirdDochGefunden) {
  std::string lang(3 << 20, 'x');
  for (std::size_t i = 64; i < lang.size(); i += 64) lang[i] = '\n';
  DateiAnlegen("C:\\VXMDOK\\1\\gross.txt", "Anfangswort\n" + lang + "\nEndwort Nadelöhr\n");
  DateiAnlegen("C:\\VXMDOK\\1\\klein.txt", "Nadelöhr vorn");
  Indexiereroptionen o;
  o.Grenzen.Optionen.MaxText = 1 << 20;
  Indexieren(o);
  EXPECT_EQ(Zustand("C:\\VXMDOK\\1\\gross.txt"), Indexzustand::NichtIndizierbar);
  EXPECT_EQ(Zustand("C:\\VXMDOK\\1\\klein.txt"), Indexzustand::Indiziert);
  EXPECT_EQ(Namen(Suchen("nadelöhr")), (std::set<std::string>{"gross.txt", "klein.txt"}));
  EXPECT_EQ(Namen(Suchen("anfangswort")), (std::set<std::string>{"gross.txt"}));
  {
    Volltextindex ix(index_);
    const auto e = ix.NichtIndizierbare();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_NE(e[0].Grund.find("MB"), std::string::npos) << e[0].Grund;
  }
  // An index of before: the cut file counted as read. Large plain files
  // are handed to the search when it is opened.
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(index_.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "UPDATE dateien SET zustand = 1, grund = NULL, groesse = 70000000;"
                           "DELETE FROM meta WHERE schluessel = 'lange_texte'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
  }
  Volltextindex ix(index_);
  EXPECT_EQ(ix.Eintrag("C:\\VXMDOK\\1\\gross.txt")->Zustand, Indexzustand::NichtIndizierbar);
  EXPECT_EQ(ix.NichtIndizierbare().size(), 2u);  // both plain files were over the old limit
}

// Runs `arbeit` in a child process; its pid.
template <typename F>
pid_t Kind(F arbeit) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    try {
      arbeit();
    } catch (...) {
      ::_exit(1);
    }
    ::_exit(0);
  }
  return pid;
}

TEST_F(VolltextIndex, ZweiProzesseTeilenDenIndex) {
  for (int i = 0; i < 60; ++i)
    DateiAnlegen("C:\\VXMDOK\\" + std::to_string(i % 6) + "\\d" + std::to_string(i) + ".txt",
                 "Dokument Nummer " + std::to_string(i));
  Indexiereroptionen o;
  o.Ocr = false;
  o.Stapel = 4;
  std::vector<pid_t> kinder;
  for (int k = 0; k < 2; ++k) {
    kinder.push_back(Kind([&, k] {
      Indexiereroptionen ok = o;
      ok.Voll = k == 1;
      Indexierer ix(index_, laufwerke_, {"C:\\VXMDOK"}, ok);
      ix.Durchlaufen();
    }));
  }
  for (const pid_t p : kinder) {
    int status = 0;
    ::waitpid(p, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  Volltextindex ix(index_);
  EXPECT_EQ(ix.Pruefen(), "");
  EXPECT_EQ(ix.Statistik().Indiziert, 60);
  EXPECT_EQ(Suchen("nummer 42").size(), 1u);
}

TEST_F(VolltextIndex, AbgeschossenerIndexiererHinterlaesstBrauchbarenIndex) {
  for (int i = 0; i < 120; ++i)
    DateiAnlegen("C:\\VXMDOK\\" + std::to_string(i % 8) + "\\k" + std::to_string(i) + ".txt",
                 "Vorgang " + std::to_string(i) + " " + std::string(2000, 'x'));
  std::mt19937 zufall(4711);
  Indexiereroptionen o;
  o.Ocr = false;
  o.Stapel = 3;
  for (int runde = 0; runde < 6; ++runde) {
    const pid_t pid = Kind([&] {
      Indexiereroptionen ok = o;
      ok.Voll = runde % 2 == 1;
      Indexierer ix(index_, laufwerke_, {"C:\\VXMDOK"}, ok);
      ix.Durchlaufen();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(5, 150)(zufall)));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    Volltextindex ix(index_);  // opens after every kill
    EXPECT_EQ(ix.Pruefen(), "") << "Runde " << runde;
  }
  Indexieren();  // takes up where the index stands
  Volltextindex ix(index_);
  EXPECT_EQ(ix.Pruefen(), "");
  EXPECT_EQ(ix.Statistik().Indiziert, 120);
  const auto t = Suchen("vorgang 17 ");
  ASSERT_EQ(t.size(), 1u);
  EXPECT_TRUE(t[0].AusIndex);
}

}  // namespace
}  // namespace vxm::volltext
