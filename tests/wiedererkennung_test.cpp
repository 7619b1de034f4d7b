// Keywords follow files moved, renamed or edited with the shell: the clean-up
// of a folder, the watcher's view of a folder and the walk of `abgleichen`.
#include "files/wiedererkennung.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "basis/zustand.h"
#include "files/abdrucknachtrag.h"
#include "files/abgleich.h"
#include "files/dateiloeschen.h"
#include "files/fingerabdruck.h"
#include "files/registerpflege.h"
#include "files/registervorhaben.h"
#include "keywords/register.h"
#include "keywords/registerzugriff.h"
#include "platform/dienste.h"
#include "platform/sqlhilfen.h"
#include "platform/text.h"
#include "search/suchbegriffe.h"
#include "tests/hilfen.h"
#include "tests/wiedererkennung_hilfen.h"

namespace vxm {
namespace {
using namespace test;

// The register on every engine: a server register keeps prints and
// set-aside rows as a register file does.
VXM_AUF_ALLEN_ABLAGEN_AUS(Wiedererkennung, WiedererkennungTest);

// ------------------------------------------------------------ shell moves

TEST_P(Wiedererkennung, VerschobenInAnderenOrdnerUndUmbenanntBehaeltAlleKeywords) {
  const int32_t nr = Markieren(kA, "Mietvertrag.pdf", "Vertrag Müller 2024", "MIETE VERTRAG MÜLLER");
  const int32_t anderer = Markieren(kA, "Notiz.txt", "andere Notiz", "NOTIZ");
  Mv(kA + "\\Mietvertrag.pdf", kB + "\\Vertrag Müller.pdf");
  const Bereinigung b = Oeffnen(kA);
  EXPECT_EQ(b.Umgezogen, 1u);
  EXPECT_EQ(b.Beiseite, 0u);
  EXPECT_EQ(Suche("MIETE"), std::vector<std::string>{kB + "\\Vertrag Müller.pdf"});
  EXPECT_EQ(DateiNummerSuchen(*db_, "vertrag müller.pdf", kB), nr) << "Dateinummer stays";
  EXPECT_EQ(KeywordsDerDatei(*db_, nr), (std::vector<std::string>{"MIETE", "VERTRAG", "MÜLLER"}));
  EXPECT_EQ(DateiNummerSuchen(*db_, "Notiz.txt", kA), anderer);
  // Renamed in its new folder: followed on the next look at that folder.
  Mv(kB + "\\Vertrag Müller.pdf", kB + "\\2024 Vertrag.pdf");
  EXPECT_EQ(Oeffnen(kB).Umgezogen, 1u);
  EXPECT_EQ(Suche("VERTRAG"), std::vector<std::string>{kB + "\\2024 Vertrag.pdf"});
  EXPECT_TRUE(Beiseite().empty());
  EXPECT_TRUE(AbgleichBefunde(*db_).empty());
}

TEST_P(Wiedererkennung, OrdnerMitDerShellUmbenanntWirdBeimOeffnenDesNeuenGefunden) {
  const std::string alt = kA + "\\Akten", neu = kA + "\\Akten 2024";
  const int32_t x = Markieren(alt, "a.pdf", "Inhalt a", "MIETE");
  const int32_t y = Markieren(alt + "\\Unter", "b.pdf", "Inhalt b", "MIETE NEBENKOSTEN");
  Mv(alt, neu);
  // The old folder cannot be opened any more: its rows are found from the new one.
  const Bereinigung b = Oeffnen(neu);
  EXPECT_EQ(b.Umgezogen, 1u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "a.pdf", neu), x);
  EXPECT_EQ(Oeffnen(neu + "\\Unter").Umgezogen, 1u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "b.pdf", neu + "\\Unter"), y);
  EXPECT_EQ(Suche("MIETE"), (std::vector<std::string>{neu + "\\a.pdf", neu + "\\Unter\\b.pdf"}));
  EXPECT_EQ(KeywordsDerDatei(*db_, y), (std::vector<std::string>{"MIETE", "NEBENKOSTEN"}));
}

// Folder and file renamed together with the shell: the old folder cannot be
// opened any more, so opening the new one finds the row by content. A
// folder on a drive that is away is no renamed one: its rows stay.
TEST_P(Wiedererkennung, OrdnerUndDateiZugleichUmbenanntWerdenBeimOeffnenGefunden) {
  const std::string alt = kA + "\\Akten", neu = kA + "\\Akten 2024";
  const int32_t nr = Markieren(alt, "Vertrag.pdf", "Vertrag Schulze", "VERTRAG");
  const int32_t fern = Markieren(kWurzel + "\\2\\Ablage", "Fern.pdf", "Vertrag Meier", "FERN");
  Mv(alt, neu);
  Mv(neu + "\\Vertrag.pdf", neu + "\\Vertrag Schulze.pdf");
  // the drive of folder 2 goes away (as if unmounted): its folder above is gone too
  fs::rename(Host(kWurzel + "\\2"), temp_ / "weg");
  DateiAnlegen(neu + "\\Kopie Meier.pdf", "Vertrag Xeier");  // same size as Fern.pdf, other content
  const Bereinigung b = Oeffnen(neu);
  EXPECT_EQ(b.Umgezogen, 1u);
  EXPECT_EQ(Suche("VERTRAG"), std::vector<std::string>{neu + "\\Vertrag Schulze.pdf"});
  EXPECT_EQ(DateiNummerSuchen(*db_, "Vertrag Schulze.pdf", neu), nr);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Fern.pdf", kWurzel + "\\2\\Ablage"), fern);
  EXPECT_TRUE(Beiseite().empty());
}

TEST_P(Wiedererkennung, VerschobenUndGeaendertWirdBeiseitegelegtNichtFalschVerknuepft) {
  const int32_t nr = Markieren(kA, "Angebot.odt", "Angebot Fassung 1", "ANGEBOT");
  // Another file of the same size elsewhere must not take the keywords.
  DateiAnlegen(kB + "\\Fremd.odt", "Angebot Fassung 2");
  Mv(kA + "\\Angebot.odt", kB + "\\Angebot.odt");
  {
    std::ofstream f(Host(kB + "\\Angebot.odt"), std::ios::trunc);
    f << "Angebot Fassung 3";
  }
  const Bereinigung b = Oeffnen(kA);
  EXPECT_EQ(b.Umgezogen, 0u);
  EXPECT_EQ(b.Beiseite, 1u);
  EXPECT_TRUE(Suche("ANGEBOT").empty()) << "set-aside rows are listed by no search";
  EXPECT_EQ(DateiNummerSuchen(*db_, "Angebot.odt", kA), 0);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Fremd.odt", kB), 0);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Angebot.odt", kB), 0);
  const auto liste = Beiseite();
  ASSERT_EQ(liste.size(), 1u);
  EXPECT_EQ(liste[0].Dateinummer, nr);
  EXPECT_EQ(liste[0].Dateipfad + "\\" + liste[0].Dateiname, kA + "\\Angebot.odt");
  EXPECT_EQ(liste[0].Grund, grund::NichtGefunden);
  EXPECT_EQ(liste[0].Verknuepfungen, 1u);
  EXPECT_EQ(Zahl("SELECT count(*) FROM KeywordZwischentabelle"), 0);
  EXPECT_EQ(Zahl("SELECT count(*) FROM Keyword"), 1) << "the keyword itself stays";
}

TEST_P(Wiedererkennung, ZweiGleicheKopienWerdenNichtGeraten) {
  const int32_t nr = Markieren(kA, "Plan.pdf", "Grundriss EG", "PLAN");
  fs::copy_file(Host(kA + "\\Plan.pdf"), Host(kB + "\\Plan.pdf"));
  Mv(kA + "\\Plan.pdf", kWurzel + "\\1\\Plan (Kopie).pdf");
  const Bereinigung b = Oeffnen(kA);
  EXPECT_EQ(b.Umgezogen, 0u);
  EXPECT_EQ(b.Beiseite, 1u);
  EXPECT_TRUE(Suche("PLAN").empty());
  const auto liste = Beiseite();
  ASSERT_EQ(liste.size(), 1u);
  EXPECT_EQ(liste[0].Dateinummer, nr);
  EXPECT_EQ(liste[0].Grund, grund::Mehrdeutig);
  const std::string warum = GrundText(liste[0].Grund, liste[0].Hinweis);
  EXPECT_NE(warum.find("2 Dateien mit gleichem Inhalt"), std::string::npos) << warum;
  EXPECT_NE(warum.find(kB + "\\Plan.pdf"), std::string::npos) << warum;
  EXPECT_NE(warum.find(kWurzel + "\\1\\Plan (Kopie).pdf"), std::string::npos) << warum;
  // Opening a folder with one of the copies settles nothing either.
  EXPECT_EQ(Oeffnen(kB).Umgezogen, 0u);
  EXPECT_EQ(Beiseite().size(), 1u);
  // Once one copy is gone the other is the file.
  fs::remove(Host(kB + "\\Plan.pdf"));
  EXPECT_EQ(Oeffnen(kWurzel + "\\1").Umgezogen, 1u);
  EXPECT_EQ(Suche("PLAN"), std::vector<std::string>{kWurzel + "\\1\\Plan (Kopie).pdf"});
  EXPECT_EQ(DateiNummerSuchen(*db_, "Plan (Kopie).pdf", kWurzel + "\\1"), nr);
}

// Two names swapped with the shell: the keywords stay with the documents.
// A file merely overwritten with a copy of another keeps its own row.
TEST_P(Wiedererkennung, VertauschteNamenBehaltenIhreKeywoerter) {
  const int32_t miete = Markieren(kA, "Miete.pdf", "Mietvertrag Müller", "MIETE");
  const int32_t kuend = Markieren(kA, "Kündigung.pdf", "Kündigung zum 31.", "KÜNDIGUNG");
  const int32_t drittes = Markieren(kA, "Notiz.txt", "Notiz", "NOTIZ");
  // Two tagged copies alike, both edited at the same time: beside the exchange, they stay.
  const int32_t kopie1 = Markieren(kA, "Kopie 1.txt", "gleich", "EINS");
  const int32_t kopie2 = Markieren(kA, "Kopie 2.txt", "gleich", "ZWEI");
  for (const char* n : {"Miete.pdf", "Kündigung.pdf", "Notiz.txt", "Kopie 1.txt", "Kopie 2.txt"})
    Zurueckdatieren(kA + "\\" + n);
  Oeffnen(kA);  // the prints now know the files' times
  Mv(kA + "\\Miete.pdf", kA + "\\t");
  Mv(kA + "\\Kündigung.pdf", kA + "\\Miete.pdf");
  Mv(kA + "\\t", kA + "\\Kündigung.pdf");
  DateiAnlegen(kA + "\\Kopie 1.txt", "anders eins");
  DateiAnlegen(kA + "\\Kopie 2.txt", "anders zwei");
  const Bereinigung b = Oeffnen(kA);
  EXPECT_EQ(b.Umgezogen, 2u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Kopie 1.txt", kA), kopie1);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Kopie 2.txt", kA), kopie2);
  EXPECT_EQ(Suche("MIETE"), std::vector<std::string>{kA + "\\Kündigung.pdf"});
  EXPECT_EQ(Suche("KÜNDIGUNG"), std::vector<std::string>{kA + "\\Miete.pdf"});
  EXPECT_EQ(DateiNummerSuchen(*db_, "Kündigung.pdf", kA), miete);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Miete.pdf", kA), kuend);
  EXPECT_EQ(FingerabdruckLesen(*db_, miete)->Inhalt.Groesse, static_cast<int64_t>(std::string("Mietvertrag Müller").size()));
  EXPECT_EQ(Oeffnen(kA).Umgezogen, 0u) << "settled";
  // Contents exchanged by editing (each file keeps its place, gets a new time): no exchange.
  Zurueckdatieren(kA + "\\Miete.pdf");
  Zurueckdatieren(kA + "\\Kündigung.pdf");
  Oeffnen(kA);
  const std::string a = Inhalt(kA + "\\Miete.pdf"), k = Inhalt(kA + "\\Kündigung.pdf");
  DateiAnlegen(kA + "\\Miete.pdf", k);
  DateiAnlegen(kA + "\\Kündigung.pdf", a);
  for (const char* n : {"Miete.pdf", "Kündigung.pdf"}) {  // written a minute ago, not an hour
    const fs::path p = Host(kA + "\\" + n);
    fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::minutes(1));
  }
  EXPECT_EQ(Oeffnen(kA).Umgezogen, 0u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Miete.pdf", kA), kuend);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Kündigung.pdf", kA), miete);
  // Overwritten with a copy of another: no exchange, each row stays.
  fs::copy_file(Host(kA + "\\Notiz.txt"), Host(kA + "\\Miete.pdf"), fs::copy_options::overwrite_existing);
  EXPECT_EQ(Oeffnen(kA).Umgezogen, 0u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Miete.pdf", kA), kuend);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Notiz.txt", kA), drittes);
  EXPECT_TRUE(Beiseite().empty());
  // The walk of the store sees an exchange too, across folders.
  const int32_t plan = Markieren(kB, "Plan.pdf", "Grundriss OG", "PLAN");
  Zurueckdatieren(kB + "\\Plan.pdf");
  Oeffnen(kB);
  Mv(kB + "\\Plan.pdf", kB + "\\t");
  Mv(kA + "\\Notiz.txt", kB + "\\Plan.pdf");
  Mv(kB + "\\t", kA + "\\Notiz.txt");
  const AbgleichErgebnis e = Abgleichen(*db_, kWurzel);
  EXPECT_EQ(e.Vorgaenge.Umgezogen, 2u) << AbgleichZusammenfassung(e);
  EXPECT_EQ(Suche("PLAN"), std::vector<std::string>{kA + "\\Notiz.txt"});
  EXPECT_EQ(Suche("NOTIZ"), std::vector<std::string>{kB + "\\Plan.pdf"});
  EXPECT_EQ(DateiNummerSuchen(*db_, "Notiz.txt", kA), plan);
}

TEST_P(Wiedererkennung, ZweiEintraegeGleichenInhaltsTeilenSichKeineDatei) {
  // Two registered copies, both moved away, one copy found: whose is it?
  const int32_t a = Markieren(kA, "Brief.doc", "Serienbrief", "BRIEF");
  const int32_t b = Markieren(kB, "Brief.doc", "Serienbrief", "MAHNUNG");
  Mv(kA + "\\Brief.doc", kWurzel + "\\Brief.doc");
  fs::remove(Host(kB + "\\Brief.doc"));
  Oeffnen(kB);  // b waits: one file, but a (still registered, gone) competes
  Oeffnen(kA);
  const auto liste = Beiseite();
  ASSERT_EQ(liste.size(), 2u);
  for (const auto& e : liste) EXPECT_EQ(e.Grund, grund::Mehrdeutig) << e.Dateinummer;
  EXPECT_TRUE(Suche("BRIEF").empty());
  EXPECT_TRUE(Suche("MAHNUNG").empty());
  EXPECT_NE(a, b);
}

TEST_P(Wiedererkennung, EineEigeneKopieMitEintragNimmtNichtsUeber) {
  Markieren(kA, "Scan.pdf", "Seite 1", "SCAN");
  const int32_t kopie = Markieren(kB, "Scan.pdf", "Seite 1", "KOPIE");
  fs::remove(Host(kA + "\\Scan.pdf"));
  EXPECT_EQ(Oeffnen(kA).Beiseite, 1u);
  EXPECT_EQ(KeywordsDerDatei(*db_, kopie), std::vector<std::string>{"KOPIE"});
  EXPECT_EQ(Beiseite()[0].Grund, grund::NichtGefunden);
}

TEST_P(Wiedererkennung, DateiKommtNachDerBereinigungZurueck) {
  const int32_t nr = Markieren(kA, "Abrechnung.xls", "Nebenkosten 2023", "NEBENKOSTEN ABRECHNUNG");
  // Out of the store (say onto a stick), the clean-up runs, then it is back elsewhere.
  const fs::path draussen = temp_ / "stick.xls";
  fs::rename(Host(kA + "\\Abrechnung.xls"), draussen);
  EXPECT_EQ(Oeffnen(kA).Beiseite, 1u);
  EXPECT_TRUE(Suche("NEBENKOSTEN").empty());
  EXPECT_EQ(Oeffnen(kA).Beiseite, 0u) << "set aside once";
  fs::rename(draussen, Host(kB + "\\Abrechnung 2023.xls"));
  const Bereinigung b = Oeffnen(kB);
  EXPECT_EQ(b.Umgezogen, 1u);
  EXPECT_EQ(Suche("NEBENKOSTEN"), std::vector<std::string>{kB + "\\Abrechnung 2023.xls"});
  EXPECT_EQ(DateiNummerSuchen(*db_, "Abrechnung 2023.xls", kB), nr) << "Dateinummer kept";
  EXPECT_EQ(KeywordsDerDatei(*db_, nr), (std::vector<std::string>{"NEBENKOSTEN", "ABRECHNUNG"})) << "link order kept";
  EXPECT_TRUE(Beiseite().empty());
  EXPECT_EQ(Zahl("SELECT count(*) FROM vxm_beiseite_verknuepfung"), 0);
}

TEST_P(Wiedererkennung, BeiseitegelegtesVerfaelltNachEinstellbarerZeit) {
  Markieren(kA, "alt.txt", "alt", "ALT");
  Markieren(kA, "jung.txt", "jung", "JUNG");
  fs::remove(Host(kA + "\\alt.txt"));
  fs::remove(Host(kA + "\\jung.txt"));
  EXPECT_EQ(Oeffnen(kA).Beiseite, 2u);
  EXPECT_EQ(BeiseiteTage(*db_), 90);
  sql::Abfrage(*db_, "UPDATE vxm_beiseite SET Seit = Seit - 89 * 86400 WHERE Dateiname = 'jung.txt'").Ausfuehren();
  sql::Abfrage(*db_, "UPDATE vxm_beiseite SET Seit = Seit - 91 * 86400 WHERE Dateiname = 'alt.txt'").Ausfuehren();
  Oeffnen(kB);
  ASSERT_EQ(Beiseite().size(), 1u);
  EXPECT_EQ(Beiseite()[0].Dateiname, "jung.txt");
  EXPECT_EQ(Zahl("SELECT count(*) FROM vxm_beiseite_verknuepfung"), 1);
  EXPECT_EQ(Zahl("SELECT count(*) FROM vxm_fingerabdruck"), 1);
  // A shorter time from the register's own settings.
  db_->Execute("INSERT INTO vxm_info (Schluessel, Wert) VALUES (\"BeiseiteTage\", \"30\")");
  EXPECT_EQ(BeiseiteTage(*db_), 30);
  const Nachzug n = AbgelaufeneVerwerfen(*db_);
  EXPECT_EQ(n.Verworfen, 1u);
  EXPECT_TRUE(Beiseite().empty());
}

TEST_P(Wiedererkennung, AlteEintraegeBekommenIhrenFingerabdruckBeimOeffnen) {
  // Rows from before fingerprints: no print, no own tables yet.
  DateiAnlegen(kA + "\\alt.pdf", "vor langer Zeit");
  DateiAnlegen(kA + "\\ohne.pdf", "nie gesehen");
  KeywordsEingeben(*db_, {"alt.pdf", kA}, "ALT");
  KeywordsEingeben(*db_, {"fehlt.pdf", kA}, "WEG");
  // (a server register has the tables from the start)
  if (Art() == test::Ablage::SQLite) {
    EXPECT_FALSE(AbgleichTabellenDa(*db_));
  }
  Oeffnen(kA);
  const int32_t nr = DateiNummerSuchen(*db_, "alt.pdf", kA);
  const auto f = FingerabdruckLesen(*db_, nr);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->Inhalt.Groesse, 15);
  EXPECT_EQ(f->Inhalt.Hash.size(), 32u);
  // The row whose file was already gone has nothing to be found by.
  ASSERT_EQ(Beiseite().size(), 1u);
  EXPECT_EQ(Beiseite()[0].Grund, grund::OhneFingerabdruck);
  EXPECT_NE(GrundText(grund::OhneFingerabdruck, "").find("kein Fingerabdruck"), std::string::npos);
  // With its print the old row follows a move.
  Mv(kA + "\\alt.pdf", kB + "\\alt.pdf");
  EXPECT_EQ(Oeffnen(kA).Umgezogen, 1u);
  EXPECT_EQ(Suche("ALT"), std::vector<std::string>{kB + "\\alt.pdf"});
}

// A row without a print (a register from before prints) whose file was moved
// away before its folder was opened: nothing to know it by but its place.
// Back at that place, the file takes its keywords back, whether the folder
// is opened or the store is walked; elsewhere, or with another file at the
// place that already has a row, nothing is guessed.
TEST_P(Wiedererkennung, OhneFingerabdruckZurueckAmAltenPlatz) {
  DateiAnlegen(kA + "\\Vertrag.pdf", "unterschrieben");
  DateiAnlegen(kA + "\\Plan.pdf", "gezeichnet");
  KeywordsEingeben(*db_, {"Vertrag.pdf", kA}, "VERTRAG MIETE");
  KeywordsEingeben(*db_, {"Plan.pdf", kA}, "PLAN");
  const int32_t nr = DateiNummerSuchen(*db_, "Vertrag.pdf", kA);
  Mv(kA + "\\Vertrag.pdf", kB + "\\Vertrag 2021.pdf");
  Mv(kA + "\\Plan.pdf", kB + "\\Plan.pdf");
  EXPECT_EQ(Oeffnen(kA).Beiseite, 2u);
  EXPECT_TRUE(Suche("VERTRAG").empty());
  EXPECT_EQ(Oeffnen(kB).Umgezogen, 0u) << "another name elsewhere is not guessed";
  EXPECT_EQ(Beiseite().size(), 2u);

  // Back under its old name, in another spelling: the folder open takes it back.
  Mv(kB + "\\Vertrag 2021.pdf", kA + "\\VERTRAG.pdf");
  const Bereinigung b = Oeffnen(kA);
  EXPECT_EQ(b.Umgezogen, 1u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Vertrag.pdf", kA), nr) << "Dateinummer kept";
  EXPECT_EQ(KeywordsDerDatei(*db_, nr), (std::vector<std::string>{"VERTRAG", "MIETE"}));
  EXPECT_TRUE(FingerabdruckLesen(*db_, nr).has_value()) << "known by its content from now on";
  ASSERT_EQ(Beiseite().size(), 1u);
  EXPECT_EQ(Beiseite()[0].Dateiname, "Plan.pdf");

  // The walk does the same.
  Mv(kB + "\\Plan.pdf", kA + "\\Plan.pdf");
  const AbgleichErgebnis e = Abgleichen(*db_, kWurzel);
  EXPECT_EQ(e.Vorgaenge.Zurueckgeholt, 1u) << AbgleichZusammenfassung(e);
  EXPECT_EQ(Suche("PLAN"), std::vector<std::string>{kA + "\\Plan.pdf"});
  EXPECT_TRUE(Beiseite().empty());
}

// A register from before prints gets them in small steps, without a folder
// being opened; then a shell move before any open still keeps the keywords.
TEST_P(Wiedererkennung, FehlendeAbdrueckeWerdenNachgetragen) {
  for (int i = 0; i < 5; ++i) {
    DateiAnlegen(kA + "\\Akte " + std::to_string(i) + ".txt", "Inhalt " + std::to_string(i));
    KeywordsEingeben(*db_, {"Akte " + std::to_string(i) + ".txt", kA}, "AKTE");
    Zurueckdatieren(kA + "\\Akte " + std::to_string(i) + ".txt");
  }
  KeywordsEingeben(*db_, {"fehlt.txt", kA}, "WEG");
  DateiAnlegen(kB + "\\gross.pdf", std::string(3000, 'g'));
  KeywordsEingeben(*db_, {"gross.pdf", kB}, "GROSS");
  Nachtragsgrenzen g;
  g.Zeilen = 2;
  g.GroessteDatei = 2000;
  {
    // Inside a change of the window's own, a step waits.
    Transaktion offen(*db_);
    const Nachtragsschritt w = AbdrueckeNachtragen(*db_, 0, g);
    EXPECT_EQ(w.Erfasst, 0u);
    EXPECT_FALSE(w.Fertig);
    EXPECT_EQ(w.Weiter, 0);
  }
  Nachtragsschritt n;
  std::size_t erfasst = 0, schritte = 0;
  do {
    n = AbdrueckeNachtragen(*db_, n.Weiter, g);
    erfasst += n.Erfasst;
    ASSERT_LT(++schritte, 10u);
  } while (!n.Fertig);
  EXPECT_EQ(erfasst, 5u);
  EXPECT_EQ(Zahl("SELECT count(*) FROM vxm_fingerabdruck"), 5) << "not the missing file, not the one too large";
  EXPECT_EQ(AbdrueckeNachtragen(*db_, 0, g).Erfasst, 0u) << "missing and large rows are only looked at";
  // A byte budget ends a step early, after the file that passed it.
  db_->Execute("DELETE FROM vxm_fingerabdruck");
  g.Zeilen = 50;
  g.LeseBudget = 1;
  n = AbdrueckeNachtragen(*db_, 0, g);
  EXPECT_EQ(n.Erfasst, 1u);
  EXPECT_FALSE(n.Fertig);
  while (!n.Fertig) n = AbdrueckeNachtragen(*db_, n.Weiter, g);
  EXPECT_EQ(Zahl("SELECT count(*) FROM vxm_fingerabdruck"), 5);

  Mv(kA + "\\Akte 3.txt", kB + "\\Akte 3 (2021).txt");
  EXPECT_EQ(Oeffnen(kA).Umgezogen, 1u);
  EXPECT_EQ(Suche("AKTE").size(), 5u);
  EXPECT_NE(DateiNummerSuchen(*db_, "Akte 3 (2021).txt", kB), 0);
}

TEST_P(Wiedererkennung, LeseBudgetVerteiltDasErfassenAufMehrereBesuche) {
  for (int i = 0; i < 4; ++i) {
    DateiAnlegen(kA + "\\d" + std::to_string(i) + ".txt", std::string(1000, static_cast<char>('a' + i)));
    Zurueckdatieren(kA + "\\d" + std::to_string(i) + ".txt");
    KeywordsEingeben(*db_, {"d" + std::to_string(i) + ".txt", kA}, "D");
  }
  const auto eintraege = Dienste().Dateien->Files(kA);
  OrdnerNachpflegen(*db_, kA, eintraege, 1500);
  EXPECT_EQ(Zahl("SELECT count(*) FROM vxm_fingerabdruck"), 2);
  OrdnerNachpflegen(*db_, kA, eintraege, 1500);
  EXPECT_EQ(Zahl("SELECT count(*) FROM vxm_fingerabdruck"), 4);
}

TEST_F(WiedererkennungTest, UnveraenderterOrdnerSchreibtNichts) {
  for (const char* n : {"a.txt", "b.txt"}) {
    DateiAnlegen(kA + "\\" + n, n);
    Zurueckdatieren(kA + "\\" + n);
    const int32_t nr = KeywordsEingeben(*db_, {n, kA}, "K").Dateinummer;
    ASSERT_TRUE(FingerabdruckNehmen(*db_, nr, kA, n));
  }
  DateiAnlegen(kA + "\\frei.txt", "ohne Keywords");
  const int64_t vorher = sqlite3_total_changes64(db_->Handle());
  Oeffnen(kA);
  EXPECT_EQ(sqlite3_total_changes64(db_->Handle()), vorher);
  // A print taken in the same tick as the file's last write is read again.
  db_->Execute("UPDATE vxm_fingerabdruck SET Mtime = -1 WHERE Dateinummer = 1");
  const int64_t danach = sqlite3_total_changes64(db_->Handle());
  Oeffnen(kA);
  EXPECT_EQ(sqlite3_total_changes64(db_->Handle()) - danach, 1);
  EXPECT_NE(FingerabdruckLesen(*db_, 1)->Mtime, kUnsicher);
}

TEST_P(Wiedererkennung, WasDieBereinigungNichtSiehtBleibtUnberuehrt) {
  // An incomplete walk judges nothing, and rows of a folder that is not
  // there (a drive away) stay registered.
  const int32_t nr = Markieren(kA, "da.txt", "da", "DA");
  fs::remove(Host(kA + "\\da.txt"));
  DateiBestand abgebrochen;
  abgebrochen.Vollstaendig = false;
  EXPECT_EQ(RegisterBereinigenMitBestand(*db_, kA + "*", abgebrochen).Beiseite, 0u);
  fs::remove_all(Host(kA));
  EXPECT_EQ(Oeffnen(kA).Beiseite, 0u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "da.txt", kA), nr);
}

// -------------------------------------------- changes cut off by a crash

// A move of the program died after its disk step: the record, not the
// content search, carries the row to its new place.
TEST_P(Wiedererkennung, UnvollendeteVerschiebungBleibtIhremVorhabenUeberlassen) {
  const int32_t nr = Markieren(kA, "Vertrag.pdf", "Vertrag 2024", "MIETE VERTRAG");
  VorhabenEintragen(*db_, {0, VorhabenArt::Verschieben, kA, "Vertrag.pdf", kB, "Vertrag.pdf"});
  fs::rename(Host(kA + "\\Vertrag.pdf"), Host(kB + "\\Vertrag.pdf"));
  // Another window's watcher and clean-up see the file appear and vanish.
  EXPECT_TRUE(BeobachtungNachziehen(*db_, kB, {}, {"Vertrag.pdf"}).Vorgaenge.empty());
  const Bereinigung b = Oeffnen(kA);
  EXPECT_EQ(b.Umgezogen + b.Beiseite, 0u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Vertrag.pdf", kA), nr) << "waits for its record";
  // Completed when a register is opened next: the row moves with its links.
  EXPECT_EQ(RegisterVorhabenAbschliessen(*db_).Vollendet, 1u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Vertrag.pdf", kB), nr);
  EXPECT_EQ(KeywordsDerDatei(*db_, nr), (std::vector<std::string>{"MIETE", "VERTRAG"}));
  EXPECT_TRUE(Beiseite().empty());
}

TEST_P(Wiedererkennung, BeobachtungFolgtUnterordnerUmbenennungMitAllenEbenen) {
  const std::string alt = kA + "\\Akten", neu = kA + "\\Akten 2024";
  const int32_t x = Markieren(alt, "a.pdf", "Inhalt a", "MIETE");
  const int32_t y = Markieren(alt + "\\Unter", "b.pdf", "Inhalt b", "NEBENKOSTEN");
  // Not yet renamed: nothing to follow.
  EXPECT_EQ(OrdnerUmbenennungNachziehen(*db_, alt, neu), 0);
  Mv(alt, neu);
  EXPECT_EQ(OrdnerUmbenennungNachziehen(*db_, alt, neu), 2);
  EXPECT_EQ(DateiNummerSuchen(*db_, "a.pdf", neu), x);
  EXPECT_EQ(DateiNummerSuchen(*db_, "b.pdf", neu + "\\Unter"), y);
  EXPECT_EQ(Suche("NEBENKOSTEN"), std::vector<std::string>{Gross(neu) + "\\Unter\\b.pdf"});
}

TEST_P(Wiedererkennung, NeuerOrdnerAnStelleEinesGeloeschtenNimmtNichtsUeber) {
  const std::string alt = kA + "\\Alt", neu = kA + "\\Neu";
  const int32_t x = Markieren(alt, "a.pdf", "Inhalt a", "MIETE");
  fs::remove_all(Host(alt));
  DateiAnlegen(neu + "\\a.pdf", "anderer Inhalt");
  EXPECT_EQ(OrdnerUmbenennungNachziehen(*db_, alt, neu), 0);
  EXPECT_EQ(DateiNummerSuchen(*db_, "a.pdf", alt), x);
  // A rename of the program cut off by a crash is left to its record.
  fs::remove_all(Host(neu));
  OrdnerAnlegenHost(alt);
  DateiAnlegen(alt + "\\a.pdf", "Inhalt a");
  VorhabenEintragen(*db_, {0, VorhabenArt::OrdnerUmbenennen, alt, "", neu, ""});
  Mv(alt, neu);
  EXPECT_EQ(OrdnerUmbenennungNachziehen(*db_, alt, neu), 0);
  EXPECT_EQ(RegisterVorhabenAbschliessen(*db_).Vollendet, 1u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "a.pdf", neu), x);
}

// ------------------------------------------------------------ abgleichen

TEST_P(Wiedererkennung, AbgleichenFolgtAllenUmzuegenUndMeldetJedeDatei) {
  const int32_t a = Markieren(kA, "a.txt", "Inhalt A", "A");
  const int32_t b = Markieren(kA, "b.txt", "Inhalt B", "B");
  const int32_t c = Markieren(kA + "\\Sub", "c.txt", "Inhalt C", "C");
  Markieren(kB, "d.txt", "Inhalt D", "D");
  const int32_t e = Markieren(kB, "e.txt", "Inhalt E", "E");
  Markieren(kB, "bleibt.txt", "Inhalt F", "F");
  Mv(kA + "\\a.txt", kB + "\\a.txt");                 // to another folder
  Mv(kA + "\\b.txt", kA + "\\b neu.txt");             // another name
  Mv(kA + "\\Sub", kA + "\\Sub2");                     // folder renamed
  fs::remove(Host(kB + "\\d.txt"));                    // deleted
  Mv(kB + "\\e.txt", kWurzel + "\\e.txt");
  std::ofstream(Host(kWurzel + "\\e.txt"), std::ios::app) << " geändert";  // moved and edited
  std::vector<std::string> zeilen;
  const AbgleichErgebnis r = Abgleichen(*db_, kWurzel, [&](const Vorgang& v) { zeilen.push_back(VorgangText(v)); });
  EXPECT_EQ(r.Vorgaenge.Umgezogen, 3u);
  EXPECT_EQ(r.Vorgaenge.Beiseitegelegt, 2u);
  EXPECT_EQ(r.Eingetragen, 6u);
  EXPECT_EQ(zeilen.size(), 5u);
  EXPECT_NE(std::find(zeilen.begin(), zeilen.end(), "Umgezogen: " + kA + "\\a.txt -> " + kB + "\\a.txt"), zeilen.end());
  EXPECT_NE(std::find(zeilen.begin(), zeilen.end(),
                      "Beiseitegelegt: " + kB + "\\d.txt (keine Datei mit gleichem Inhalt unter der Ablage gefunden)"),
            zeilen.end());
  EXPECT_EQ(DateiNummerSuchen(*db_, "a.txt", kB), a);
  EXPECT_EQ(DateiNummerSuchen(*db_, "b neu.txt", kA), b);
  EXPECT_EQ(DateiNummerSuchen(*db_, "c.txt", kA + "\\Sub2"), c);
  EXPECT_EQ(DateiNummerSuchen(*db_, "e.txt", kWurzel), 0);
  EXPECT_EQ(r.Warten, 2u);
  const std::string satz = AbgleichZusammenfassung(r);
  EXPECT_NE(satz.find("3 umgezogen"), std::string::npos) << satz;
  EXPECT_NE(satz.find("2 beiseitegelegt"), std::string::npos) << satz;
  // A second run finds everything in place; the edited file comes back by
  // its content once it is as it was.
  EXPECT_TRUE(Abgleichen(*db_, kWurzel).Vorgaenge.Vorgaenge.empty());
  DateiAnlegen(kWurzel + "\\e.txt", "Inhalt E");
  const AbgleichErgebnis zurueck = Abgleichen(*db_, kWurzel);
  EXPECT_EQ(zurueck.Vorgaenge.Zurueckgeholt, 1u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "e.txt", kWurzel), e);
  EXPECT_EQ(Zahl("SELECT count(*) FROM Dateiinfo"), 5);
  EXPECT_TRUE(AbgleichBefunde(*db_).empty());
}

// Two folders whose names differ only in case are one place to the store:
// a file found under both is one file there, not two copies.
TEST_P(Wiedererkennung, AbgleichenSiehtGleichGefalteteOrteAlsEinen) {
  const int32_t nr = InGleichGefalteteOrdner("Grundriss OG");
  const AbgleichErgebnis r = Abgleichen(*db_, kWurzel);
  EXPECT_EQ(r.Vorgaenge.Umgezogen, 1u);
  EXPECT_EQ(r.Vorgaenge.Beiseitegelegt, 0u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "plan.pdf", kWurzel + "\\neu"), nr);
  EXPECT_EQ(Suche("PLAN").size(), 1u);
  EXPECT_EQ(Zahl("SELECT count(*) FROM Dateiinfo"), 1);
  EXPECT_TRUE(AbgleichBefunde(*db_).empty());
}

// The same, found by the clean-up of the folder the file left.
TEST_P(Wiedererkennung, BereinigungSiehtGleichGefalteteOrteAlsEinen) {
  const int32_t nr = InGleichGefalteteOrdner("Grundriss DG");
  const Bereinigung b = Oeffnen(kA);
  EXPECT_EQ(b.Umgezogen, 1u);
  EXPECT_EQ(b.Beiseite, 0u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "plan.pdf", kWurzel + "\\neu"), nr);
  EXPECT_EQ(Suche("PLAN").size(), 1u);
  EXPECT_TRUE(Beiseite().empty());
}

// Many files moved at once: each row lands at its own file.
TEST_P(Wiedererkennung, AbgleichenVieleUmzuegeJedeZeileAnIhreDatei) {
  constexpr int kAnzahl = 300;
  {
    Transaktion t(*db_);
    db_->Execute("INSERT INTO Keyword (Keyword) VALUES (\"AKTE\")");
    for (int i = 0; i < kAnzahl; ++i) {
      const std::string name = "d" + std::to_string(i) + ".txt";
      DateiAnlegen(kA + "\\" + name, "Inhalt " + std::to_string(i));
      db_->Execute("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (\"" + name + "\", \"" + kA + "\")");
      db_->Execute("INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (" + std::to_string(i + 1) +
                   ", 1)");
    }
    t.Bestaetigen();
  }
  ASSERT_EQ(Abgleichen(*db_, kWurzel).Fingerabdruecke, static_cast<std::size_t>(kAnzahl));
  for (int i = 0; i < kAnzahl; ++i)
    fs::rename(Host(kA + "\\d" + std::to_string(i) + ".txt"), Host(kB + "\\n" + std::to_string(i) + ".txt"));
  const AbgleichErgebnis r = Abgleichen(*db_, kWurzel);
  EXPECT_EQ(r.Vorgaenge.Umgezogen, static_cast<std::size_t>(kAnzahl));
  EXPECT_EQ(r.Vorgaenge.Beiseitegelegt, 0u);
  for (int i = 0; i < kAnzahl; i += 37)
    EXPECT_EQ(DateiNummerSuchen(*db_, "n" + std::to_string(i) + ".txt", kB), i + 1);
  EXPECT_EQ(Suche("AKTE").size(), static_cast<std::size_t>(kAnzahl));
}

// Moves written together for a batch: what another workstation changed
// after the plan was made stays as that workstation left it, every other
// row lands at its own file and is found there case-blind.
TEST_P(Wiedererkennung, GemeinsameUmzuegeLassenWasEinAndererInzwischenGeaendertHat) {
  constexpr int kAnzahl = 12;
  Zuordnung z(*db_);
  std::vector<int32_t> nr;
  for (int i = 0; i < kAnzahl; ++i) {
    const std::string alt = "d" + std::to_string(i) + ".txt", neu = "Neu " + std::to_string(i) + ".txt";
    nr.push_back(Markieren(kA, alt, "Inhalt " + std::to_string(i), "AKTE"));
    fs::rename(Host(kA + "\\" + alt), Host(kB + "\\" + neu));
    const auto f = FingerabdruckLesen(*db_, nr.back());
    ASSERT_TRUE(f);
    z.Suchen(Suchender{nr.back(), alt, kA, false, {}, {}, f->Inhalt, f->Mtime});
    z.Dazu(Kandidat{kB, neu, Host(kB + "\\" + neu), *StandLesen(Host(kB + "\\" + neu)), std::nullopt});
  }
  // Meanwhile on another workstation: one moved file tagged at its new
  // place, one row renamed in the register.
  auto andere = DatenbankOeffnenHost(laufwerkC_ / "vxmdok.mdb");
  ASSERT_TRUE(KeywordsEingeben(*andere, {"Neu 3.txt", kB}, "NEU").Fehler.empty());
  andere->Execute("UPDATE Dateiinfo SET Dateiname = \"anders.txt\" WHERE Dateinummer = " + std::to_string(nr[5]));
  Zuordnung::Weise weise;
  weise.Stapel = 64;
  const Nachzug n = z.Ausfuehren(weise);
  EXPECT_EQ(n.Umgezogen, static_cast<std::size_t>(kAnzahl - 2));
  EXPECT_EQ(n.Vorgaenge.size(), static_cast<std::size_t>(kAnzahl - 2));
  EXPECT_EQ(DateiNummerSuchen(*db_, "d3.txt", kA), nr[3]);
  EXPECT_NE(DateiNummerSuchen(*db_, "Neu 3.txt", kB), nr[3]);
  EXPECT_EQ(DateiNummerSuchen(*db_, "anders.txt", kA), nr[5]);
  for (int i = 0; i < kAnzahl; ++i) {
    if (i == 3 || i == 5) continue;
    EXPECT_EQ(DateiNummerSuchen(*db_, "NEU " + std::to_string(i) + ".TXT", kB), nr[i]) << i;
  }
  EXPECT_EQ(Zahl("SELECT count(*) FROM Dateiinfo WHERE DateinameSchluessel IS NOT vxm_falten(Dateiname) OR "
                 "DateipfadSchluessel IS NOT vxm_falten(Dateipfad)"),
            0);
  EXPECT_EQ(Suche("AKTE").size(), static_cast<std::size_t>(kAnzahl));
  // Reported in the order of the plan, as the file-by-file way does.
  EXPECT_EQ(VorgangText(n.Vorgaenge.front()), "Umgezogen: " + kA + "\\d0.txt -> " + kB + "\\Neu 0.txt");
}

TEST_P(Wiedererkennung, AbgleichenUrteiltNichtUeberUnlesbareOrdner) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  const int32_t nr = Markieren(kA + "\\Zu", "x.txt", "x", "X");
  ::chmod(Host(kA + "\\Zu").c_str(), 0);
  const AbgleichErgebnis r = Abgleichen(*db_, kWurzel);
  ::chmod(Host(kA + "\\Zu").c_str(), 0755);
  EXPECT_EQ(r.Luecken, std::vector<std::string>{kA + "\\Zu"});
  EXPECT_EQ(r.Vorgaenge.Beiseitegelegt, 0u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "x.txt", kA + "\\Zu"), nr);
}

// Prints whose rows the program removed go; those of set-aside rows and of
// rows outside the walked root stay, also when another print is swept.
TEST_P(Wiedererkennung, AbgleichenRaeumtNurAbdrueckeOhneZeileWeg) {
  const std::string anders = "C:\\ANDERS";
  OrdnerAnlegenHost(anders);
  const int32_t weg = Markieren(kA, "weg.txt", "Inhalt weg", "W");
  const int32_t draussen = Markieren(anders, "x.txt", "Inhalt x", "X");
  const int32_t beiseite = Markieren(kB, "b.txt", "Inhalt b", "B");
  const int32_t bleibt = Markieren(kA, "bleibt.txt", "Inhalt bleibt", "K");
  fs::remove(Host(kB + "\\b.txt"));
  ASSERT_EQ(Abgleichen(*db_, kWurzel).Vorgaenge.Beiseitegelegt, 1u);
  EXPECT_EQ(Zahl("SELECT count(*) FROM vxm_fingerabdruck"), 4) << "nothing to sweep yet";
  db_->Execute("DELETE FROM Dateiinfo WHERE Dateinummer = " + std::to_string(weg));  // as the window removes a row
  Abgleichen(*db_, kWurzel);
  for (const int32_t nr : {draussen, beiseite, bleibt}) EXPECT_TRUE(FingerabdruckLesen(*db_, nr)) << nr;
  EXPECT_FALSE(FingerabdruckLesen(*db_, weg));
  EXPECT_EQ(Zahl("SELECT count(*) FROM vxm_fingerabdruck"), 3);
  // Outside the root the walk says nothing: that row's print is no orphan either.
  db_->Execute("DELETE FROM Dateiinfo WHERE Dateinummer = " + std::to_string(draussen));
  Abgleichen(*db_, kWurzel);
  EXPECT_FALSE(FingerabdruckLesen(*db_, draussen));
  EXPECT_EQ(Zahl("SELECT count(*) FROM vxm_fingerabdruck"), 2);
}

// Rows numbered by another tool (below one, far apart, more rows than the
// highest number): each is found at its place and follows its file.
TEST_P(Wiedererkennung, AbgleichenFindetZeilenJederNummer) {
  if (!db_->Handle()) GTEST_SKIP() << "a server hands out its own numbers";
  constexpr int kAnzahl = 40;
  {
    Transaktion t(*db_);
    for (int i = 0; i < kAnzahl; ++i) {
      const std::string name = "n" + std::to_string(i) + ".txt";
      DateiAnlegen(kA + "\\" + name, "Inhalt Nummer " + std::to_string(i));
      db_->Execute("INSERT INTO Dateiinfo (Dateinummer, Dateiname, Dateipfad) VALUES (" + std::to_string(-1000 - i) +
                   ", \"" + name + "\", \"" + kA + "\")");
    }
    db_->Execute("INSERT INTO Dateiinfo (Dateinummer, Dateiname, Dateipfad) VALUES (5, \"f.txt\", \"" + kB + "\")");
    DateiAnlegen(kB + "\\f.txt", "Inhalt f");
    t.Bestaetigen();
  }
  const AbgleichErgebnis erst = Abgleichen(*db_, kWurzel);
  EXPECT_EQ(erst.Eingetragen, static_cast<std::size_t>(kAnzahl + 1));
  EXPECT_EQ(erst.Fingerabdruecke, static_cast<std::size_t>(kAnzahl + 1));
  EXPECT_TRUE(erst.Vorgaenge.Vorgaenge.empty());
  for (int i = 0; i < kAnzahl; i += 4)
    Mv(kA + "\\n" + std::to_string(i) + ".txt", kB + "\\m" + std::to_string(i) + ".txt");
  const AbgleichErgebnis r = Abgleichen(*db_, kWurzel);
  EXPECT_EQ(r.Vorgaenge.Umgezogen, static_cast<std::size_t>(kAnzahl / 4));
  EXPECT_EQ(r.Vorgaenge.Beiseitegelegt, 0u);
  for (int i = 0; i < kAnzahl; ++i)
    EXPECT_EQ(i % 4 ? DateiNummerSuchen(*db_, "n" + std::to_string(i) + ".txt", kA)
                    : DateiNummerSuchen(*db_, "m" + std::to_string(i) + ".txt", kB),
              -1000 - i)
        << i;
}

TEST_P(Wiedererkennung, AbgleichenOhneWurzelAendertNichts) {
  Markieren(kA, "a.txt", "a", "A");
  const AbgleichErgebnis r = Abgleichen(*db_, "C:\\GIBTSNICHT");
  EXPECT_FALSE(r.WurzelGefunden);
  EXPECT_EQ(Zahl("SELECT count(*) FROM Dateiinfo"), 1);
}

}  // namespace
}  // namespace vxm
