// Keywords following files while the window watches their folder, and
// files put back from the trash.
#include <filesystem>
#include <string>
#include <vector>

#include "files/abgleich.h"
#include "tests/wiedererkennung_hilfen.h"

namespace vxm {
namespace {
using namespace test;

VXM_AUF_ALLEN_ABLAGEN_AUS(WiedererkennungBeobachtet, WiedererkennungTest);

// --------------------------------------------------------------- watcher

// Seen leaving the shown folder (and staying away): the row follows when its
// content turns up elsewhere in the store, in a file moved or made there
// since; an old untagged copy elsewhere never takes it, and a file gone for
// a moment (an editor writing it anew) keeps its row as it is.
TEST_P(WiedererkennungBeobachtet, BeobachtungFolgtDateiInEinenAnderenOrdner) {
  const int32_t nr = Markieren(kA, "Mietvertrag.pdf", "Vertrag Meier", "MIETE VERTRAG");
  DateiAnlegen(kWurzel + "\\1\\Alte Kopie.pdf", "Vertrag Meier");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const int64_t gesehen = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::system_clock::now().time_since_epoch()).count();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  // Gone from its place while the old copy is all there is: nothing moves.
  fs::rename(Host(kA + "\\Mietvertrag.pdf"), temp_ / "beiseite.pdf");
  EXPECT_TRUE(BeobachtungNachziehen(*db_, kA, {"Mietvertrag.pdf"}, {}, gesehen).Vorgaenge.empty());
  EXPECT_EQ(DateiNummerSuchen(*db_, "Mietvertrag.pdf", kA), nr);
  // Not asked to look elsewhere (the watcher's first look): nothing either.
  fs::rename(temp_ / "beiseite.pdf", Host(kB + "\\Vertrag Meier.pdf"));
  EXPECT_TRUE(BeobachtungNachziehen(*db_, kA, {"Mietvertrag.pdf"}, {}).Vorgaenge.empty());
  // Moved there since it was last seen: followed.
  Nachzug n = BeobachtungNachziehen(*db_, kA, {"Mietvertrag.pdf"}, {}, gesehen);
  EXPECT_EQ(n.Umgezogen, 1u);
  EXPECT_EQ(Suche("MIETE"), std::vector<std::string>{kB + "\\Vertrag Meier.pdf"});
  EXPECT_EQ(DateiNummerSuchen(*db_, "Vertrag Meier.pdf", kB), nr);
  const int32_t brief = Markieren(kA, "Brief.odt", "Entwurf", "BRIEF");
  fs::remove(Host(kA + "\\Brief.odt"));
  n = BeobachtungNachziehen(*db_, kA, {"Brief.odt"}, {}, gesehen);
  EXPECT_TRUE(n.Vorgaenge.empty());
  EXPECT_EQ(DateiNummerSuchen(*db_, "Brief.odt", kA), brief);
  EXPECT_TRUE(Beiseite().empty());
}

// A file put back from the trash while its folder is shown has its keywords
// again at once; tagged before the watcher saw it, it still gets its old
// ones beside the new, and no second row is made.
TEST_P(WiedererkennungBeobachtet, AusDemPapierkorbZurueckWaehrendDerOrdnerOffenIst) {
  const int32_t nr = Markieren(kA, "Vertrag.pdf", "unterschrieben", "VERTRAG MIETVERTRAG");
  const fs::path korb = temp_ / "korb.pdf";
  auto wegwerfen = [&](const std::string& name) {
    InDenPapierkorb(kA, name, korb);
  };
  wegwerfen("Vertrag.pdf");
  EXPECT_TRUE(Suche("VERTRAG").empty());
  // Another document written under its name, or a copy of it elsewhere, takes nothing.
  DateiAnlegen(kA + "\\Vertrag.pdf", "ein anderer Vertrag");
  EXPECT_EQ(BeobachtungNachziehen(*db_, kA, {}, {"Vertrag.pdf"}).Zurueckgeholt, 0u);
  EXPECT_FALSE(AmPlatzWartendeZurueckholen(*db_, kA, "Vertrag.pdf"));
  EXPECT_EQ(Oeffnen(kA).Umgezogen, 0u);
  fs::remove(Host(kA + "\\Vertrag.pdf"));
  fs::copy_file(korb, Host(kB + "\\Vertrag Kopie.pdf"));
  EXPECT_EQ(Oeffnen(kB).Umgezogen, 0u);
  EXPECT_EQ(Abgleichen(*db_, kWurzel).Vorgaenge.Vorgaenge.size(), 0u);
  EXPECT_EQ(Beiseite().size(), 1u);
  // The file itself put back at its place takes them.
  fs::rename(korb, Host(kA + "\\Vertrag.pdf"));
  const Nachzug n = BeobachtungNachziehen(*db_, kA, {}, {"Vertrag.pdf"});
  EXPECT_EQ(n.Zurueckgeholt, 1u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Vertrag.pdf", kA), nr);
  EXPECT_EQ(KeywordsDerDatei(*db_, nr), (std::vector<std::string>{"VERTRAG", "MIETVERTRAG"}));

  wegwerfen("Vertrag.pdf");
  fs::rename(korb, Host(kA + "\\Vertrag.pdf"));
  EXPECT_TRUE(AmPlatzWartendeZurueckholen(*db_, kA, "vertrag.PDF"));
  EXPECT_FALSE(AmPlatzWartendeZurueckholen(*db_, kA, "Vertrag.pdf")) << "once";
  const EingabeErgebnis e = KeywordsEingeben(*db_, {"Vertrag.pdf", kA}, "UNTERSCHRIFT");
  EXPECT_EQ(e.Dateinummer, nr);
  EXPECT_EQ(KeywordsDerDatei(*db_, nr), (std::vector<std::string>{"VERTRAG", "MIETVERTRAG", "UNTERSCHRIFT"}));
  EXPECT_TRUE(Beiseite().empty());
  EXPECT_EQ(Zahl("SELECT count(*) FROM Dateiinfo"), 1);
}

// A file tagged before prints were kept goes into the trash with one taken
// then: only the file put back takes its keywords, not a new one of its name.
TEST_P(WiedererkennungBeobachtet, OhneFingerabdruckGeloeschtWartetNurAufSichSelbst) {
  DateiAnlegen(kA + "\\Mahnung.odt", "erste Mahnung");
  const int32_t nr = KeywordsEingeben(*db_, {"Mahnung.odt", kA}, "MAHNUNG").Dateinummer;
  ASSERT_FALSE(FingerabdruckLesen(*db_, nr));
  const fs::path korb = temp_ / "korb.odt";
  InDenPapierkorb(kA, "Mahnung.odt", korb);
  DateiAnlegen(kA + "\\Mahnung.odt", "zweite Mahnung");
  EXPECT_EQ(BeobachtungNachziehen(*db_, kA, {}, {"Mahnung.odt"}).Zurueckgeholt, 0u);
  EXPECT_EQ(Oeffnen(kA).Umgezogen, 0u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Mahnung.odt", kA), 0);
  fs::remove(Host(kA + "\\Mahnung.odt"));
  fs::rename(korb, Host(kA + "\\Mahnung.odt"));
  EXPECT_EQ(BeobachtungNachziehen(*db_, kA, {}, {"Mahnung.odt"}).Zurueckgeholt, 1u);
  EXPECT_EQ(KeywordsDerDatei(*db_, DateiNummerSuchen(*db_, "Mahnung.odt", kA)), (std::vector<std::string>{"MAHNUNG"}));
}

// A file in the trash whose folder is renamed meanwhile: its keywords wait
// at the new place, where the file is put back.
TEST_P(WiedererkennungBeobachtet, PapierkorbZeileFolgtDemUmbenanntenOrdner) {
  const std::string alt = kA + "\\Akten", neu = kA + "\\Akten 2024";
  const int32_t nr = Markieren(alt, "Vertrag.pdf", "Vertrag 2024", "VERTRAG");
  const fs::path korb = temp_ / "korb.pdf";
  InDenPapierkorb(alt, "Vertrag.pdf", korb);
  fs::rename(Host(alt), Host(neu));
  RegisterOrdnerNachziehen(*db_, alt, neu);
  fs::rename(korb, Host(neu + "\\Vertrag.pdf"));
  EXPECT_TRUE(AmPlatzWartendeZurueckholen(*db_, neu, "Vertrag.pdf"));
  EXPECT_EQ(DateiNummerSuchen(*db_, "Vertrag.pdf", neu), nr);
  EXPECT_EQ(KeywordsDerDatei(*db_, nr), (std::vector<std::string>{"VERTRAG"}));
}

// A file replaced, its successor then renamed with the shell and the old
// one put back from the trash, all while the folder was not shown: each
// document keeps its own keywords, whether the folder is opened or the
// store reconciled.
TEST_P(WiedererkennungBeobachtet, AusDemPapierkorbAufDenPlatzDesNachfolgers) {
  for (const bool abgleichen : {false, true}) {
    SCOPED_TRACE(abgleichen ? "abgleichen" : "Ordner öffnen");
    const std::string ordner = kA + (abgleichen ? "\\Zwei" : "\\Eins");
    auto anlegen = [&](const std::string& inhalt, const std::string& keyword) {
      DateiAnlegen(ordner + "\\Brief.odt", inhalt);
      Zurueckdatieren(ordner + "\\Brief.odt");
      const int32_t nr = KeywordsEingeben(*db_, {"Brief.odt", ordner}, keyword).Dateinummer;
      EXPECT_TRUE(FingerabdruckNehmen(*db_, nr, ordner, "Brief.odt"));
      return nr;
    };
    const int32_t alt = anlegen("erste Fassung", "ALT");
    const fs::path korb = temp_ / "korb.odt";
    InDenPapierkorb(ordner, "Brief.odt", korb);
    const int32_t neu = anlegen("zweite Fassung, länger", "NEU");
    Mv(ordner + "\\Brief.odt", ordner + "\\Brief neu.odt");
    fs::rename(korb, Host(ordner + "\\Brief.odt"));
    if (abgleichen)
      Abgleichen(*db_, kWurzel);
    else
      Oeffnen(ordner);
    EXPECT_EQ(DateiNummerSuchen(*db_, "Brief.odt", ordner), alt);
    EXPECT_EQ(KeywordsDerDatei(*db_, alt), (std::vector<std::string>{"ALT"}));
    EXPECT_EQ(DateiNummerSuchen(*db_, "Brief neu.odt", ordner), neu);
    EXPECT_EQ(KeywordsDerDatei(*db_, neu), (std::vector<std::string>{"NEU"}));
    EXPECT_TRUE(Beiseite().empty());
  }
}

TEST_P(WiedererkennungBeobachtet, BeobachtungFolgtUmbenennungUndZuzugSofort) {
  const int32_t nr = Markieren(kA, "Foto.jpg", "JPEG...", "FOTO");
  const int32_t weg = Markieren(kB, "Skizze.png", "PNG...", "SKIZZE");
  // Renamed in the watched folder.
  fs::rename(Host(kA + "\\Foto.jpg"), Host(kA + "\\Urlaub.jpg"));
  Nachzug n = BeobachtungNachziehen(*db_, kA, {"Foto.jpg"}, {"Urlaub.jpg"});
  EXPECT_EQ(n.Umgezogen, 1u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Urlaub.jpg", kA), nr);
  // Moved in from a folder nobody watches.
  fs::rename(Host(kB + "\\Skizze.png"), Host(kA + "\\Skizze.png"));
  n = BeobachtungNachziehen(*db_, kA, {}, {"Skizze.png"});
  EXPECT_EQ(n.Umgezogen, 1u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Skizze.png", kA), weg);
  // A new file nobody knows, and a vanished one without a match: no change,
  // nothing set aside (that is the clean-up's to decide).
  DateiAnlegen(kA + "\\neu.txt", "neu");
  fs::remove(Host(kA + "\\Urlaub.jpg"));
  n = BeobachtungNachziehen(*db_, kA, {"Urlaub.jpg"}, {"neu.txt"});
  EXPECT_TRUE(n.Vorgaenge.empty());
  EXPECT_EQ(DateiNummerSuchen(*db_, "Urlaub.jpg", kA), nr);
  EXPECT_TRUE(Beiseite().empty());
  // A copy of a file still in its place takes nothing.
  fs::copy_file(Host(kA + "\\Skizze.png"), Host(kA + "\\Skizze2.png"));
  EXPECT_TRUE(BeobachtungNachziehen(*db_, kA, {}, {"Skizze2.png"}).Vorgaenge.empty());
}

}  // namespace
}  // namespace vxm
