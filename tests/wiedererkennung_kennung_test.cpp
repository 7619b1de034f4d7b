// A print knows the file it read (device and inode): `abgleichen` takes a
// renamed file, unchanged since, without reading it again, and never lets
// that shortcut decide what the content would not.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "files/abgleich.h"
#include "files/fingerabdruck.h"
#include "files/registerpflege.h"
#include "files/wiedererkennung.h"
#include "platform/sqlhilfen.h"
#include "tests/hilfen.h"
#include "tests/wiedererkennung_hilfen.h"

namespace vxm {
namespace {
using namespace test;

struct Stat {
  struct stat st {};
  explicit Stat(const fs::path& p) { EXPECT_EQ(::stat(p.c_str(), &st), 0) << p; }
};

class KennungBasis : public WiedererkennungTest {
 protected:
  // A tagged file last written an hour ago: its print is certain.
  int32_t Sicher(const std::string& ordner, const std::string& name, const std::string& inhalt,
                 const std::string& keywords) {
    const int32_t nr = Markieren(ordner, name, inhalt, keywords);
    Zurueckdatieren(ordner + "\\" + name);
    EXPECT_TRUE(FingerabdruckNehmen(*db_, nr, ordner, name));
    return nr;
  }
  // Bytes replaced in place, size and time put back: to a look at the
  // file's state it is the same file, unchanged.
  void UnbemerktUeberschreiben(const std::string& p, const std::string& inhalt) {
    const Stat vorher(Host(p));
    {
      std::fstream f(Host(p), std::ios::in | std::ios::out | std::ios::binary);
      f.write(inhalt.data(), static_cast<std::streamsize>(inhalt.size()));
    }
    const struct timespec zeiten[2] = {vorher.st.st_atim, vorher.st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, Host(p).c_str(), zeiten, 0), 0);
  }
  int64_t OhneKennung() { return Zahl("SELECT count(*) FROM vxm_fingerabdruck WHERE Inode IS NULL"); }
};
VXM_AUF_ALLEN_ABLAGEN_AUS(KennungFall, KennungBasis);

TEST_P(KennungFall, PrintsKnowTheFileTheyReadAndRenamedFilesAreNotReadAgain) {
  const int32_t nr = Sicher(kA, "Vertrag.pdf", "Vertrag Meier", "VERTRAG");
  Sicher(kA, "Anlage.pdf", "Anlage Meier", "ANLAGE");
  EXPECT_TRUE(ZeilenMitFremdemInhalt(*db_).empty()) << "files at their place are no swapped names";
  const Stat st(Host(kA + "\\Vertrag.pdf"));
  EXPECT_EQ(Zahl("SELECT Inode FROM vxm_fingerabdruck WHERE Dateinummer = " + std::to_string(nr)),
            static_cast<int64_t>(st.st.st_ino));
  Mv(kA + "\\Vertrag.pdf", kB + "\\Vertrag 2024.pdf");
  // Had the walk read it, this content would match no print.
  UnbemerktUeberschreiben(kB + "\\Vertrag 2024.pdf", "XXXXXXXXXXXXX");
  const AbgleichErgebnis r = Abgleichen(*db_, kWurzel);
  EXPECT_EQ(r.Vorgaenge.Umgezogen, 1u);
  EXPECT_EQ(Suche("VERTRAG"), std::vector<std::string>{kB + "\\Vertrag 2024.pdf"});
  EXPECT_EQ(DateiNummerSuchen(*db_, "Vertrag 2024.pdf", kB), nr);
}

// Opening the folder a file vanished from looks for it the same way.
TEST_P(KennungFall, TheFolderCleanUpKnowsTheRenamedFileToo) {
  const int32_t nr = Sicher(kA, "Rechnung.pdf", "Rechnung 17", "RECHNUNG");
  Sicher(kB, "Andere.pdf", "Rechnung 18", "ANDERE");  // same size, other content
  Mv(kA + "\\Rechnung.pdf", kB + "\\Rechnung 17.pdf");
  UnbemerktUeberschreiben(kB + "\\Rechnung 17.pdf", "YYYYYYYYYYY");
  const Bereinigung b = Oeffnen(kA);
  EXPECT_EQ(b.Umgezogen, 1u);
  EXPECT_EQ(b.Beiseite, 0u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Rechnung 17.pdf", kB), nr);
  EXPECT_EQ(Suche("ANDERE"), std::vector<std::string>{kB + "\\Andere.pdf"});
}

// The file the print read, with a copy of the same content beside it: two
// files hold what the row is known by, so nothing is guessed, whichever
// of them kept the inode.
TEST_P(KennungFall, ACopyBesideTheRenamedFileStillMakesItAmbiguous) {
  const int32_t nr = Sicher(kA, "Plan.pdf", "Grundriss DG", "PLAN");
  const std::string kopie = "cp -p '" + Host(kA + "\\Plan.pdf").string() + "' '" + Host(kB + "\\Plan.pdf").string() + "'";
  ASSERT_EQ(std::system(kopie.c_str()), 0);
  Mv(kA + "\\Plan.pdf", kWurzel + "\\1\\Plan alt.pdf");
  const AbgleichErgebnis r = Abgleichen(*db_, kWurzel);
  EXPECT_EQ(r.Vorgaenge.Umgezogen, 0u);
  EXPECT_EQ(r.Vorgaenge.Mehrdeutig, 1u);
  const auto liste = Beiseite();
  ASSERT_EQ(liste.size(), 1u);
  EXPECT_EQ(liste[0].Dateinummer, nr);
  EXPECT_EQ(liste[0].Grund, grund::Mehrdeutig);
  EXPECT_TRUE(Suche("PLAN").empty());
}

// An inode handed to another file once the first was deleted: the other
// file's time differs, so it is read, and its content does not match.
TEST_P(KennungFall, AnotherFileUnderAnOldInodeIsReadAndNotTaken) {
  const int32_t nr = Sicher(kA, "Brief.odt", "Brief an Huber", "BRIEF");
  DateiAnlegen(kB + "\\Fremd.odt", "Brief an Maier");
  const Stat fremd(Host(kB + "\\Fremd.odt"));
  Sql("UPDATE vxm_fingerabdruck SET Geraet = " + std::to_string(fremd.st.st_dev) +
      ", Inode = " + std::to_string(fremd.st.st_ino) + " WHERE Dateinummer = " + std::to_string(nr));
  fs::remove(Host(kA + "\\Brief.odt"));
  const AbgleichErgebnis r = Abgleichen(*db_, kWurzel);
  EXPECT_EQ(r.Vorgaenge.Umgezogen, 0u);
  EXPECT_EQ(r.Vorgaenge.Beiseitegelegt, 1u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "Fremd.odt", kB), 0);
  ASSERT_EQ(Beiseite().size(), 1u);
  EXPECT_EQ(Beiseite()[0].Grund, grund::NichtGefunden);
}

// Prints taken before they kept their file: the table gets the columns on
// the next run, and prints of files at their place learn their file then.
TEST_P(KennungFall, OlderPrintsLearnTheirFileOnTheNextRun) {
  const int32_t a = Sicher(kA, "a.txt", "Inhalt A", "A");
  const int32_t b = Sicher(kA, "b.txt", "Inhalt B", "B");
  if (db_->Handle()) {
    ASSERT_EQ(sqlite3_exec(db_->Handle(),
                           "ALTER TABLE vxm_fingerabdruck DROP COLUMN Geraet; "
                           "ALTER TABLE vxm_fingerabdruck DROP COLUMN Inode",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
  } else {
    db_->Anbindung().Ausfuehren("ALTER TABLE vxm_fingerabdruck DROP COLUMN \"Geraet\", DROP COLUMN \"Inode\"", "");
  }
  ASSERT_FALSE(KennungDa(*db_));
  Mv(kA + "\\a.txt", kB + "\\a.txt");  // read once more, as before
  const AbgleichErgebnis r = Abgleichen(*db_, kWurzel);
  EXPECT_EQ(r.Vorgaenge.Umgezogen, 1u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "a.txt", kB), a);
  EXPECT_EQ(OhneKennung(), 0) << "the moved file's print is taken anew, the other one learns its file";
  Mv(kA + "\\b.txt", kB + "\\b neu.txt");
  UnbemerktUeberschreiben(kB + "\\b neu.txt", "XXXXXXXX");
  EXPECT_EQ(Abgleichen(*db_, kWurzel).Vorgaenge.Umgezogen, 1u);
  EXPECT_EQ(DateiNummerSuchen(*db_, "b neu.txt", kB), b);
  EXPECT_TRUE(Beiseite().empty());
}

}  // namespace
}  // namespace vxm
