#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "basis/zustand.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "search/datensuche.h"

#include <atomic>
#include <cstdio>
#include <thread>
#include "tests/hilfen.h"

namespace vxm {
namespace {
namespace fs = std::filesystem;

class DatensucheTest : public test::Umgebung {
 protected:
  // Runs a data search and collects its hits as "folder|name|icon".
  SuchErgebnis Suchen(const std::string& ordner, const std::string& text, Suchmodus modus) {
    treffer_.clear();
    SuchSteuerung steuerung;
    steuerung.Treffer = [&](const SuchTreffer& t) {
      treffer_.push_back(t.Ordner + "|" + t.Name + "|" + std::to_string(t.Icon));
    };
    DatenSucheAuftrag auftrag;
    auftrag.Text = text;
    auftrag.Modus = modus;
    return DatenSuche(ordner, auftrag, &steuerung);
  }

  std::vector<std::string> treffer_;
};

// A file system other than this machine's that cannot read one folder.
class GesperrterOrdner : public Dateisystem {
 public:
  GesperrterOrdner(std::shared_ptr<HostDateisystem> host, std::string gesperrt)
      : host_(std::move(host)), gesperrt_(std::move(gesperrt)) {}
  void GetFolder(const std::string& p) override { host_->GetFolder(p); }
  std::vector<std::string> SubFolders(const std::string& p) override {
    Pruefen(p);
    return host_->SubFolders(p);
  }
  std::vector<DateiEintrag> Files(const std::string& p) override {
    Pruefen(p);
    return host_->Files(p);
  }
  void CreateFolder(const std::string& p) override { host_->CreateFolder(p); }
  void DeleteFolder(const std::string& p, bool e) override { host_->DeleteFolder(p, e); }
  void CopyFile(const std::string& q, const std::string& z, bool u) override { host_->CopyFile(q, z, u); }
  void DeleteFile(const std::string& p, bool e) override { host_->DeleteFile(p, e); }
  void CreateTextFile(const std::string& p, bool u) override { host_->CreateTextFile(p, u); }
  bool FileExists(const std::string& p) override { return host_->FileExists(p); }
  void Name(const std::string& a, const std::string& n) override { host_->Name(a, n); }
  std::size_t DriveCount() override { return host_->DriveCount(); }
  std::string DriveLetter(std::size_t i) override { return host_->DriveLetter(i); }
  std::string DateiLesen(const std::string& p) override { return host_->DateiLesen(p); }
  void DateiSchreiben(const std::string& p, const std::string& b) override { host_->DateiSchreiben(p, b); }

 private:
  void Pruefen(const std::string& p) {
    if (p == gesperrt_) throw VbFehler::Standard(fehlernr::ZugriffVerweigert);
  }
  std::shared_ptr<HostDateisystem> host_;
  std::string gesperrt_;
};

TEST_F(DatensucheTest, NamensmusterAusDemSuchtext) {
  auto m = NamensmusterAusText("rech*.pdf");
  EXPECT_EQ(m.Name, "RECH");
  EXPECT_EQ(m.Endung, "PDF");
  m = NamensmusterAusText("rech*.pd");  // only a three-letter extension counts
  EXPECT_EQ(m.Endung, "");
  m = NamensmusterAusText("*.txt");
  EXPECT_EQ(m.Name, "");
  EXPECT_EQ(m.Endung, "TXT");
  m = NamensmusterAusText("müller.doc");  // without "*" the whole text
  EXPECT_EQ(m.Name, "MÜLLER.DOC");
  EXPECT_EQ(m.Endung, "");
  m = NamensmusterAusText("bericht*.tär");
  EXPECT_EQ(m.Endung, "TÄR");
}

TEST_F(DatensucheTest, NamenssucheOhneUndMitStern) {
  DateiAnlegen("C:\\VXMDOK\\1\\Monatsbericht.PDF");
  DateiAnlegen("C:\\VXMDOK\\1\\7\\BERICHT_alt.doc");
  DateiAnlegen("C:\\VXMDOK\\1\\7\\Rechnung.pdf");
  DateiAnlegen("C:\\VXMDOK\\2\\rechnung.doc");
  DateiAnlegen("C:\\VXMDOK\\2\\Brief M\xC3\xBCller.txt");

  auto erg = Suchen("C:\\VXMDOK", "bericht", Suchmodus::Dokumente);
  EXPECT_EQ(erg.Dateien, 2);
  EXPECT_EQ(treffer_, (std::vector<std::string>{"C:\\VXMDOK\\1|Monatsbericht.PDF|6",
                                                "C:\\VXMDOK\\1\\7|BERICHT_alt.doc|1"}));

  Suchen("C:\\VXMDOK", "rech*.pdf", Suchmodus::Dokumente);
  EXPECT_EQ(treffer_, std::vector<std::string>{"C:\\VXMDOK\\1\\7|Rechnung.pdf|6"});
  Suchen("C:\\VXMDOK", "rech*.pd", Suchmodus::Dokumente);
  EXPECT_EQ(treffer_.size(), 2u);

  // Umlauts in names, typed in either case; a name still spelled in
  // Windows-1252 is found as well.
  DateiAnlegen("C:\\VXMDOK\\3\\alt M\xFCller.doc");
  Suchen("c:\\vxmdok", "MÜLLER", Suchmodus::Dokumente);
  EXPECT_EQ(treffer_, (std::vector<std::string>{"C:\\VXMDOK\\2|Brief M\xC3\xBCller.txt|7",
                                                "C:\\VXMDOK\\3|alt M\xFCller.doc|1"}));
  EXPECT_TRUE(DateinameVergleich("alt M\xFCller.doc", "müller", "DOC"));

  Suchen("C:\\VXMDOK", "gibtsnicht", Suchmodus::Dokumente);
  EXPECT_TRUE(treffer_.empty());
}

TEST_F(DatensucheTest, ReihenfolgeUndTabelle) {
  DateiAnlegen("C:\\W\\b.doc");
  DateiAnlegen("C:\\W\\a.doc");
  DateiAnlegen("C:\\W\\Z\\c.doc");
  DateiAnlegen("C:\\W\\Y\\X\\d.doc");
  DateiAnlegen("C:\\W\\Y\\e.doc");
  std::vector<std::string> ordner;
  SuchSteuerung steuerung;
  steuerung.OrdnerBetreten = [&](const std::string& o) { ordner.push_back(o); };
  DatenSucheAuftrag auftrag;
  auftrag.Text = "doc";
  auto erg = DatenSuche("C:\\W\\", auftrag, &steuerung);
  EXPECT_EQ(erg.Dateien, 5);
  EXPECT_EQ(erg.Ordner, 4);
  // Files of a folder first, then its sub-folders depth-first in name order.
  EXPECT_EQ(ordner, (std::vector<std::string>{"C:\\W", "C:\\W\\Y", "C:\\W\\Y\\X", "C:\\W\\Z"}));
  const auto& z = Zustand();
  EXPECT_EQ(z.DateiTabelle,
            (std::vector<std::string>{"C:\\W\\A.DOC", "C:\\W\\B.DOC", "C:\\W\\Y\\E.DOC",
                                      "C:\\W\\Y\\X\\D.DOC", "C:\\W\\Z\\C.DOC"}));
  EXPECT_TRUE(z.DateiTabelleVollstaendig);

  // Every file is recorded, hit or not; a new search starts a new table.
  Suchen("C:\\W\\Y", "nichts", Suchmodus::Dokumente);
  EXPECT_EQ(z.DateiTabelle, (std::vector<std::string>{"C:\\W\\Y\\E.DOC", "C:\\W\\Y\\X\\D.DOC"}));

  // A drive root joins with a single backslash.
  DateiAnlegen("C:\\wurzel.doc");
  Suchen("C:\\", "wurzel", Suchmodus::Dokumente);
  EXPECT_EQ(treffer_, std::vector<std::string>{"C:\\|wurzel.doc|1"});
  EXPECT_EQ(z.DateiTabelle.front(), "C:\\WURZEL.DOC");  // the root's files first
  EXPECT_EQ(z.DateiTabelle.back(), "C:\\W\\Z\\C.DOC");
}

TEST_F(DatensucheTest, MehrAls5001DateienWerdenAlleVermerkt) {
  for (int o = 0; o < 3; ++o) {
    const auto ordner = Host("C:\\VXMDOK\\" + std::to_string(o));
    fs::create_directories(ordner);
    for (int i = 0; i < 2100; ++i) std::ofstream(ordner / ("brief" + std::to_string(i) + ".doc"));
  }
  auto erg = Suchen("C:\\VXMDOK", "brief1999", Suchmodus::Dokumente);
  EXPECT_EQ(erg.Dateien, 3);
  const auto& z = Zustand();
  EXPECT_EQ(z.DateiTabelle.size(), 6300u);
  EXPECT_TRUE(z.DateiTabelleVollstaendig);
  EXPECT_EQ(std::count(z.DateiTabelle.begin(), z.DateiTabelle.end(), "C:\\VXMDOK\\2\\BRIEF2099.DOC"), 1);
}

TEST_F(DatensucheTest, TextsucheTextdateienUndAndere) {
  DateiAnlegen("C:\\D\\brief.txt", "Sehr geehrter Herr M\xFCller,\r\nIhre Nebenkosten\r\n");
  DateiAnlegen("C:\\D\\brief2.TXT", "Nebenkosten\nin Unix-Zeilen");
  DateiAnlegen("C:\\D\\vertrag.doc", std::string(5000, '\0') + "Herr M\xC3\xBCLLER" + std::string(9, '\0'));
  DateiAnlegen("C:\\D\\U\\scan.pdf", std::string(4090, 'x') + "m\xC3\xBCller");
  DateiAnlegen("C:\\D\\U\\leer.txt", "");
  DateiAnlegen("C:\\D\\U\\andere.txt", "Mueller");

  Suchen("C:\\D", "Müller", Suchmodus::TextInhalt);
  EXPECT_EQ(treffer_, (std::vector<std::string>{"C:\\D|brief.txt|7", "C:\\D|vertrag.doc|1",
                                                "C:\\D\\U|scan.pdf|6"}));
  Suchen("C:\\D", "NEBENKOSTEN", Suchmodus::TextInhalt);
  EXPECT_EQ(treffer_, (std::vector<std::string>{"C:\\D|brief.txt|7", "C:\\D|brief2.TXT|7"}));
  // An empty phrase finds nothing but the files are still recorded.
  auto erg = Suchen("C:\\D", "", Suchmodus::TextInhalt);
  EXPECT_EQ(erg.Dateien, 0);
  EXPECT_EQ(Zustand().DateiTabelle.size(), 6u);
}

TEST_F(DatensucheTest, LeererBaumUndFehlenderOrdner) {
  OrdnerAnlegenHost("C:\\LEER\\A\\B");
  auto erg = Suchen("C:\\LEER", "x", Suchmodus::Dokumente);
  EXPECT_EQ(erg.Dateien, 0);
  EXPECT_EQ(erg.Ordner, 3);
  EXPECT_TRUE(Zustand().DateiTabelleVollstaendig);

  erg = Suchen("C:\\FEHLT", "x", Suchmodus::Dokumente);
  EXPECT_EQ(erg.Dateien, 0);
  EXPECT_EQ(erg.Ungelesen, std::vector<std::string>{"C:\\FEHLT"});
  EXPECT_FALSE(Zustand().DateiTabelleVollstaendig);
  EXPECT_TRUE(dialoge_->Gezeigt.empty());
  EXPECT_TRUE(berichte_->empty());
}

TEST_F(DatensucheTest, VerschwundenerOrdnerWirdUebersprungen) {
  DateiAnlegen("C:\\S\\A\\miete1.doc");
  DateiAnlegen("C:\\S\\B\\miete2.doc");
  DateiAnlegen("C:\\S\\C\\miete3.doc");
  // B vanishes after its parent was listed: the walk goes on with C.
  SuchSteuerung steuerung;
  std::vector<std::string> namen;
  steuerung.Treffer = [&](const SuchTreffer& t) { namen.push_back(t.Name); };
  steuerung.OrdnerBetreten = [&](const std::string& o) {
    if (o == "C:\\S\\A") fs::remove_all(Host("C:\\S\\B"));
  };
  DatenSucheAuftrag auftrag;
  auftrag.Text = "miete";
  auto erg = DatenSuche("C:\\S", auftrag, &steuerung);
  EXPECT_EQ(namen, (std::vector<std::string>{"miete1.doc", "miete3.doc"}));
  EXPECT_EQ(erg.Ungelesen, std::vector<std::string>{"C:\\S\\B"});
  EXPECT_FALSE(Zustand().DateiTabelleVollstaendig);
  EXPECT_EQ(Zustand().DateiTabelleLuecken, std::vector<std::string>{"C:\\S\\B"});
}

TEST_F(DatensucheTest, UnlesbarerOrdnerWirdUebersprungen) {
  DateiAnlegen("C:\\S\\A\\miete1.doc");
  DateiAnlegen("C:\\S\\B\\miete2.doc");
  DateiAnlegen("C:\\S\\C\\miete3.txt", "Miete");
  // Through a file system that refuses one folder ...
  Dienste().Dateien = std::make_shared<GesperrterOrdner>(fs_, "C:\\S\\B");
  for (auto modus : {Suchmodus::Dokumente, Suchmodus::TextInhalt}) {
    auto erg = Suchen("C:\\S", "miete", modus);
    EXPECT_EQ(erg.Ungelesen, std::vector<std::string>{"C:\\S\\B"});
    EXPECT_EQ(treffer_.back(), "C:\\S\\C|miete3.txt|7");
    EXPECT_FALSE(Zustand().DateiTabelleVollstaendig);
  }
  // ... and on this machine, where a folder without read permission is
  // passed over (the superuser reads it anyway).
  Dienste().Dateien = fs_;
  if (::geteuid() != 0) {
    fs::permissions(Host("C:\\S\\B"), fs::perms::none);
    auto erg = Suchen("C:\\S", "miete", Suchmodus::Dokumente);
    EXPECT_EQ(erg.Ungelesen, std::vector<std::string>{"C:\\S\\B"});
    EXPECT_EQ(treffer_.size(), 2u);
  }
}

TEST_F(DatensucheTest, TextsucheAufAllenKernenInDerReihenfolgeDesLaufs) {
  // Files of different sizes, so the helpers finish out of order.
  std::vector<std::string> erwartet;
  for (int i = 0; i < 300; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "akte%03d.dat", i);
    const bool treffer = i % 7 == 3;
    DateiAnlegen(std::string("C:\\V\\") + name,
                 std::string(static_cast<std::size_t>((300 - i) * 997 % 200000), 'x') + (treffer ? "KAUTION" : "kaufen"));
    if (treffer) erwartet.push_back(std::string("C:\\V|") + name + "|3");
  }
  DateiAnlegen("C:\\V\\U\\z.txt", "Kaution");
  erwartet.push_back("C:\\V\\U|z.txt|7");
  // Many small folders, the first ones slow: the walk runs ahead of the
  // helpers, yet each folder's hits come in their place.
  for (int o = 0; o < 150; ++o) {
    char ordner[32];
    std::snprintf(ordner, sizeof ordner, "C:\\V\\W\\o%03d", o);
    for (int d = 0; d < 2; ++d) {
      const bool treffer = (o + d) % 5 == 0;
      const std::size_t groesse = o < 3 ? 3u << 20 : 10;
      const std::string name = d == 0 ? "a.bin" : "b.txt";
      DateiAnlegen(std::string(ordner) + "\\" + name,
                   std::string(groesse, 'y') + (treffer ? "kaution" : "miete"));
      if (treffer) erwartet.push_back(std::string(ordner) + "|" + name + (d == 0 ? "|3" : "|7"));
    }
  }
  treffer_.clear();
  SuchSteuerung steuerung;
  steuerung.Treffer = [&](const SuchTreffer& t) {
    treffer_.push_back(t.Ordner + "|" + t.Name + "|" + std::to_string(t.Icon));
  };
  // The window's events run on the window's thread only.
  const auto fenster = std::this_thread::get_id();
  std::atomic<int> fremd{0};
  steuerung.Ereignisse = [&] {
    if (std::this_thread::get_id() != fenster) ++fremd;
  };
  DatenSucheAuftrag auftrag;
  auftrag.Text = "kaution";
  auftrag.Modus = Suchmodus::TextInhalt;
  const auto erg = DatenSuche("C:\\V", auftrag, &steuerung);
  EXPECT_EQ(treffer_, erwartet);
  EXPECT_EQ(erg.Dateien, static_cast<long>(erwartet.size()));
  EXPECT_EQ(fremd.load(), 0);
  ASSERT_EQ(Zustand().DateiTabelle.size(), 601u);
  EXPECT_EQ(Zustand().DateiTabelle[0], "C:\\V\\AKTE000.DAT");
  EXPECT_EQ(Zustand().DateiTabelle[299], "C:\\V\\AKTE299.DAT");
}

// With few descriptors left, folders that cannot be handed to the helpers
// are searched by the walk itself: no hit goes missing.
TEST_F(DatensucheTest, TextsucheMitKnappenDeskriptorenFindetAlles) {
  for (int o = 0; o < 200; ++o) DateiAnlegen("C:\\K\\" + std::to_string(1000 + o) + "\\brief.dat", "Kaution");
  const int frei = ::dup(0);
  ASSERT_GE(frei, 0);
  ::close(frei);
  rlimit vorher{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &vorher), 0);
  rlimit knapp = vorher;
  knapp.rlim_cur = static_cast<rlim_t>(frei + 16);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &knapp), 0);
  const auto erg = Suchen("C:\\K", "kaution", Suchmodus::TextInhalt);
  ::setrlimit(RLIMIT_NOFILE, &vorher);
  EXPECT_EQ(erg.Dateien, 200);
  ASSERT_EQ(treffer_.size(), 200u);
  EXPECT_EQ(treffer_.front(), "C:\\K\\1000|brief.dat|3");
  EXPECT_EQ(treffer_.back(), "C:\\K\\1199|brief.dat|3");
}

TEST_F(DatensucheTest, AbgebrocheneSucheBehaeltTreffer) {
  for (int i = 0; i < 5; ++i) DateiAnlegen("C:\\A\\" + std::to_string(i) + "\\brief.txt", "Kaution");
  SuchSteuerung steuerung;
  std::vector<std::string> gefunden;
  steuerung.Treffer = [&](const SuchTreffer& t) {
    gefunden.push_back(t.Schluessel());
    if (gefunden.size() == 2) steuerung.Abbrechen = true;
  };
  DatenSucheAuftrag auftrag;
  auftrag.Text = "kaution";
  auftrag.Modus = Suchmodus::TextInhalt;
  auto erg = DatenSuche("C:\\A", auftrag, &steuerung);
  EXPECT_TRUE(erg.Abgebrochen);
  EXPECT_EQ(erg.Dateien, 2);
  EXPECT_EQ(gefunden, (std::vector<std::string>{"C:\\A\\0\\brief.txt", "C:\\A\\1\\brief.txt"}));
  EXPECT_FALSE(Zustand().DateiTabelleVollstaendig);

  // Cancelled from the window's events between folders.
  SuchSteuerung zweite;
  int folders = 0;
  zweite.OrdnerBetreten = [&](const std::string&) { ++folders; };
  zweite.Ereignisse = [&] { zweite.Abbrechen = true; };
  erg = DatenSuche("C:\\A", auftrag, &zweite);
  EXPECT_TRUE(erg.Abgebrochen);
  EXPECT_LE(folders, 2);
}

TEST_F(DatensucheTest, DateinameVergleichUndVorbereitung) {
  auto& z = Zustand();
  z.SuchName = "bleibt";
  EXPECT_TRUE(DateinameVergleich("Rechnung.pdf", "rech", "PDF"));
  EXPECT_FALSE(DateinameVergleich("Rechnung.pdf", "rech", "doc"));
  EXPECT_TRUE(DateinameVergleich("Rechnung.pdf", "*", "*"));
  EXPECT_TRUE(DateinameVergleich("liesmich", "LIES", "*"));
  EXPECT_FALSE(DateinameVergleich("liesmich", "lies", "txt"));
  EXPECT_TRUE(DateinameVergleich("bericht.final.docx", "bericht", "fin"));
  EXPECT_FALSE(DateinameVergleich("bericht.final.docx", "final", ""));
  EXPECT_TRUE(DateinameVergleich("Übergabe.pdf", "üBER", ""));
  EXPECT_EQ(z.SuchName, "bleibt");

  std::string box = "*.*", name, endung;
  EXPECT_FALSE(NamenSucheVorbereiten(box, name, endung));
  EXPECT_EQ(box, "");
  ASSERT_EQ(dialoge_->Gezeigt.size(), 1u);
  EXPECT_EQ(dialoge_->Gezeigt[0].Text,
            "Sie haben alle Dateien (*.*) ausgewählt,\r\num lange Suchoperationen zu vermeiden "
            "geben Sie bitte\r\neinen Teile des Dateinamen den sie suchen möchten ein !!!");
  EXPECT_FALSE(NamenSucheVorbereiten(box, name, endung));
  ASSERT_EQ(dialoge_->Gezeigt.size(), 2u);
  EXPECT_EQ(dialoge_->Gezeigt[1].Text,
            "Sie haben einen Suchkriterium ausgewählt,\r\nwelches nicht interpretiert werden "
            "kann!\r\nFormat \"NAME.EXT\" = Dateiname.Erweiterung !!!");

  box = "rech*.pdf";
  ASSERT_TRUE(NamenSucheVorbereiten(box, name, endung));
  EXPECT_EQ(name, "rech");
  EXPECT_EQ(endung, "pdf");
  EXPECT_EQ(box, "rech.pdf");
  box = "*bericht";
  ASSERT_TRUE(NamenSucheVorbereiten(box, name, endung));
  EXPECT_EQ(name, "bericht");
  EXPECT_EQ(endung, "");
  EXPECT_EQ(box, "bericht.");
  EXPECT_EQ(dialoge_->Gezeigt.size(), 2u);
}

TEST_F(DatensucheTest, NamenssucheBreitenweise) {
  DateiAnlegen("C:\\N\\rechnung1.pdf");
  DateiAnlegen("C:\\N\\A\\A1\\rechnung4.pdf");
  DateiAnlegen("C:\\N\\A\\rechnung2.pdf");
  DateiAnlegen("C:\\N\\A\\rechnung2.doc");
  DateiAnlegen("C:\\N\\B\\Rechnung3.PDF");
  std::vector<std::string> gefunden, ordner;
  SuchSteuerung steuerung;
  steuerung.Treffer = [&](const SuchTreffer& t) { gefunden.push_back(t.Schluessel()); };
  steuerung.OrdnerBetreten = [&](const std::string& o) { ordner.push_back(o); };
  auto erg = NamenSuche("C:\\N", "rechnung", "pdf", &steuerung);
  EXPECT_EQ(erg.Dateien, 4);
  EXPECT_EQ(ordner, (std::vector<std::string>{"C:\\N", "C:\\N\\A", "C:\\N\\B", "C:\\N\\A\\A1"}));
  EXPECT_EQ(gefunden, (std::vector<std::string>{"C:\\N\\rechnung1.pdf", "C:\\N\\A\\rechnung2.pdf",
                                                "C:\\N\\B\\Rechnung3.PDF",
                                                "C:\\N\\A\\A1\\rechnung4.pdf"}));
  // Cancelled after the first folder.
  SuchSteuerung abbruch;
  abbruch.Ereignisse = [&] { abbruch.Abbrechen = true; };
  erg = NamenSuche("C:\\N", "rechnung", "", &abbruch);
  EXPECT_TRUE(erg.Abgebrochen);
  EXPECT_EQ(erg.Dateien, 1);
}

TEST_F(DatensucheTest, DirTreeHolenKette) {
  OrdnerAnlegenHost("C:\\VXMDOK\\1\\7");
  std::vector<std::string> kette;
  ASSERT_TRUE(DirTreeHolen("C:\\VXMDOK\\1\\7", kette));
  EXPECT_EQ(kette, (std::vector<std::string>{"C:\\", "C:\\VXMDOK\\", "C:\\VXMDOK\\1\\",
                                              "C:\\VXMDOK\\1\\7\\"}));
  EXPECT_FALSE(DirTreeHolen("C:\\VXMDOK\\2\\7\\", kette));
  ASSERT_EQ(berichte_->size(), 1u);
  EXPECT_EQ(berichte_->front().Nummer, 76);
  EXPECT_EQ(berichte_->front().Ort, "vxmDorvex in DirTreeHolen");
}

}  // namespace
}  // namespace vxm
