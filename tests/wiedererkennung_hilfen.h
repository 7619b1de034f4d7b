// The fixture of the recognition tests: a register on every engine and a
// store with two folders, with what the shell and the window do to files.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "basis/zustand.h"
#include "files/dateiloeschen.h"
#include "files/fingerabdruck.h"
#include "files/registerpflege.h"
#include "files/wiedererkennung.h"
#include "keywords/register.h"
#include "keywords/registerzugriff.h"
#include "platform/sqlhilfen.h"
#include "search/suchbegriffe.h"
#include "tests/hilfen.h"

namespace vxm::test {
namespace fs = std::filesystem;

inline const std::string kWurzel = "C:\\VXMDOK";
inline const std::string kA = kWurzel + "\\1\\7";
inline const std::string kB = kWurzel + "\\1\\8";

class WiedererkennungTest : public test::RegisterUmgebung {
 protected:
  void SetUp() override {
    RegisterUmgebung::SetUp();
    if (IsSkipped()) return;
    Zustand().DokWurzel = kWurzel;
    OrdnerAnlegenHost(kA);
    OrdnerAnlegenHost(kB);
  }

  // A file tagged as the keyword panel tags it: keywords, then the print.
  int32_t Markieren(const std::string& ordner, const std::string& name, const std::string& inhalt,
                    const std::string& keywords) {
    DateiAnlegen(ordner + "\\" + name, inhalt);
    const EingabeErgebnis e = KeywordsEingeben(*db_, {name, ordner}, keywords);
    EXPECT_TRUE(e.Fehler.empty()) << e.Fehler;
    EXPECT_TRUE(FingerabdruckNehmen(*db_, e.Dateinummer, ordner, name));
    return e.Dateinummer;
  }
  // The window's delete into the trash; the file ends up at `korb`.
  void InDenPapierkorb(const std::string& ordner, const std::string& name, const fs::path& korb) {
    EXPECT_EQ(DateiMitRegisterLoeschen(*db_, ordner, name, [&](const std::string& p) {
                fs::rename(Host(p), korb);
                return true;
              }, true),
              LoeschErgebnis::Geloescht);
  }
  // A tagged file moved with the shell into "Neu", an identical copy put
  // under "NEU" beside it: two folders the store takes as one place.
  int32_t InGleichGefalteteOrdner(const std::string& inhalt) {
    const int32_t nr = Markieren(kA, "Plan.pdf", inhalt, "PLAN");
    const fs::path neu = Host(kWurzel) / "Neu", gross = Host(kWurzel) / "NEU";
    fs::create_directories(neu);
    fs::create_directories(gross);
    fs::copy_file(Host(kA + "\\Plan.pdf"), gross / "Plan.pdf");
    fs::rename(Host(kA + "\\Plan.pdf"), neu / "Plan.pdf");
    return nr;
  }
  // A file last written an hour ago (its print is then certain at once).
  void Zurueckdatieren(const std::string& p) {
    fs::last_write_time(Host(p), fs::last_write_time(Host(p)) - std::chrono::hours(1));
  }
  // The shell's mv.
  void Mv(const std::string& von, const std::string& nach) {
    const std::string befehl = "mv '" + Host(von).string() + "' '" + Host(nach).string() + "'";
    ASSERT_EQ(std::system(befehl.c_str()), 0) << befehl;
  }
  // What the keyword search lists for one keyword: "folder\name".
  std::vector<std::string> Suche(const std::string& keyword) {
    std::vector<std::string> orte;
    for (const auto& t : DateienMitKeywords(*db_, {KeywordIdSuchen(*db_, keyword)}))
      orte.push_back(t.Dateipfad + "\\" + t.Dateiname);
    return orte;
  }
  Bereinigung Oeffnen(const std::string& ordner) { return RegisterBereinigen(*db_, ordner + "\\"); }
  int64_t Zahl(const std::string& sql) {
    sql::Abfrage a(*db_, sql);
    EXPECT_TRUE(a.Zeile()) << sql;
    return a.ZahlSpalte(0);
  }
  std::vector<BeiseiteEintrag> Beiseite() { return BeiseiteListe(*db_); }
};

}  // namespace vxm::test
