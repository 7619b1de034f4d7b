// Admin command for the keyword register.
//
//   vxmdorvex-register anlegen DATEI              creates an empty register
//   vxmdorvex-register pruefen DATEI [--reparieren]
//       checks the file (integrity, tables, folded shadow names, links that
//       point nowhere, files registered twice); --reparieren recomputes the
//       shadow names, e.g. after changes made with the sqlite3 shell; it
//       also lists the rows set aside because their files vanished.
//       Changes cut off by a crash (folder renames, copies, moves) are
//       completed or dropped first, as the window does when it opens.
//   vxmdorvex-register abgleichen DATEI --wurzel WINDOWSPFAD [--tage N]
//       walks the store under WINDOWSPFAD (drive table of VXM_LAUFWERKE) and
//       re-links the rows of files moved or renamed outside the program;
//       changes cut off by a crash are completed first. --tage keeps rows
//       whose files vanished N days (stored in the register; default 90).
//   vxmdorvex-register kopieren QUELLE ZIEL
//       copies a register into a new one, ids kept.
//   vxmdorvex-register umbenennen DATEI ALTER_ORDNER NEUER_NAME
//       renames a folder of the store (Windows form on the drive table of
//       VXM_LAUFWERKE, e.g. 'C:\VXM\VXMDOK\1\Briefe') in its parent
//       folder, its register rows and those of every folder below it
//       following, as the window's folder tree does.
// DATEI, QUELLE and ZIEL are register files or server databases
// ("postgresql:..." and a libpq connection string).
#include <fstream>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <iterator>
#include <string>

#include "files/abgleich.h"
#include "platform/pgverbindung.h"
#include "files/fingerabdruck.h"
#include "files/ordnerumbenennen.h"
#include "files/registervorhaben.h"
#include "files/registerkopie.h"
#include "files/registerpflege.h"
#include "keywords/registerpruefung.h"
#include "platform/datenbank.h"
#include "platform/fehler.h"
#include "platform/oeffner.h"
#include "platform/sqlhilfen.h"
#include "platform/sqliteprozess.h"

namespace {

// Asked for (--hilfe) the usage goes to standard output and is no error.
int Gebrauch(bool gefragt = false) {
  std::fprintf(gefragt ? stdout : stderr,
               "Aufruf: vxmdorvex-register anlegen DATEI\n"
               "        vxmdorvex-register pruefen DATEI [--reparieren]\n"
               "        vxmdorvex-register abgleichen DATEI --wurzel WINDOWSPFAD [--tage N]\n"
               "        vxmdorvex-register kopieren QUELLE ZIEL\n"
               "        vxmdorvex-register umbenennen DATEI ALTER_ORDNER NEUER_NAME\n"
               "DATEI, QUELLE, ZIEL: Registerdatei oder 'postgresql:Verbindung' (libpq)\n");
  return gefragt ? 0 : 2;
}

// The file's pages (a server keeps its own); true when they are whole.
bool SeitenPruefen(vxm::Datenbank& db) {
  if (!db.Handle()) return true;
  vxm::sql::Abfrage a(db, "PRAGMA integrity_check");
  bool ganz = true;
  while (a.Zeile()) {
    if (a.Spalte(0) == "ok") continue;
    std::printf("Beschädigt: %s\n", std::string(a.Spalte(0)).c_str());
    ganz = false;
  }
  return ganz;
}

struct Schatten {
  const char* tabelle;
  const char* spalte;
};
constexpr Schatten kSchatten[] = {
    {"Dateiinfo", "Dateiname"}, {"Dateiinfo", "Dateipfad"}, {"Keyword", "Keyword"}};

std::string ShellWort(const std::string& text) {
  std::string aus = "'";
  for (char c : text) aus += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return aus + "'";
}

// Completes what a crash cut off; the number of records left undecided.
std::size_t VorhabenMelden(vxm::Datenbank& db) {
  const vxm::VorhabenBilanz b = vxm::RegisterVorhabenAbschliessen(db);
  for (const auto& zeile : b.Berichte) std::printf("%s\n", zeile.c_str());
  return b.Offen;
}

int Umbenennen(const std::string& datei, const std::string& ordner, const std::string& name) {
  auto db = vxm::DatenbankDateiOeffnenHost(datei);
  VorhabenMelden(*db);
  const vxm::OrdnerUmbenennung u = vxm::OrdnerUmbenennen(*db, ordner, name);
  if (!u.Umbenannt) {
    std::fprintf(stderr, "Der Ordner %s wurde nicht umbenannt: %s\n", ordner.c_str(), u.Meldung.c_str());
    return 1;
  }
  if (!u.Meldung.empty()) {
    std::fprintf(stderr, "%s\n", u.Meldung.c_str());
    return 1;
  }
  std::printf("Der Ordner heißt jetzt %s; %lld %s nachgeführt.\n", u.NeuerPfad.c_str(),
              static_cast<long long>(u.Zeilen), u.Zeilen == 1 ? "Registereintrag" : "Registereinträge");
  return 0;
}

// Rows set aside because their files vanished: where they were, since when,
// why they wait. They are no fault (exit status unchanged); broken
// set-aside tables are.
int BeiseitePruefen(vxm::Datenbank& db) {
  const auto liste = vxm::BeiseiteListe(db);
  if (!liste.empty()) {
    std::printf("Beiseitegelegt (Dateien verschwunden, Keywörter aufbewahrt für %d Tage): %zu\n",
                vxm::BeiseiteTage(db), liste.size());
    for (const auto& b : liste) {
      char seit[16] = "?";
      const std::time_t t = static_cast<std::time_t>(b.Seit);
      if (std::tm tm{}; localtime_r(&t, &tm)) std::strftime(seit, sizeof seit, "%Y-%m-%d", &tm);
      std::printf("  %s\\%s (seit %s, %zu Keywörter): %s\n", b.Dateipfad.c_str(), b.Dateiname.c_str(), seit,
                  b.Verknuepfungen, vxm::GrundText(b.Grund, b.Hinweis).c_str());
    }
  }
  // Files gone since their folder was last opened: no fault of the
  // register, but a user checking after a crash wants to know of them.
  const auto fehlend = vxm::ZeilenOhneDatei(db);
  if (!fehlend.empty()) {
    std::printf("Eingetragen, aber nicht vorhanden (beim nächsten Öffnen ihres Ordners oder mit abgleichen "
                "nachgeführt): %zu\n",
                fehlend.size());
    constexpr std::size_t kZeigen = 20;
    for (std::size_t i = 0; i < fehlend.size() && i < kZeigen; ++i) std::printf("  %s\n", fehlend[i].c_str());
    if (fehlend.size() > kZeigen) std::printf("  … und %zu weitere\n", fehlend.size() - kZeigen);
  }
  // Names exchanged outside the program, not yet followed.
  const auto fremd = vxm::ZeilenMitFremdemInhalt(db);
  if (!fremd.empty()) {
    std::printf("Namen außerhalb des Programms vertauscht (beim nächsten Öffnen ihres Ordners oder mit abgleichen "
                "nachgeführt): %zu\n",
                fremd.size());
    for (const auto& f : fremd) std::printf("  %s\n", f.c_str());
  }
  const auto befunde = vxm::AbgleichBefunde(db);
  for (const auto& b : befunde) std::printf("%s\n", b.c_str());
  return befunde.empty() ? 0 : 1;
}

int Abgleichen(const std::string& datei, const std::string& wurzel, int32_t tage) {
  // The whole-file check comes with the first write, while the store is walked.
  vxm::SchreibpruefungAufschieben(true);
  auto db = vxm::DatenbankDateiOeffnenHost(datei);
  if (tage > 0) {
    vxm::BeiseiteTageSetzen(*db, tage);
    std::printf("Einträge verschwundener Dateien werden %d Tage aufbewahrt.\n", tage);
  }
  // A rename or move cut off by a crash is finished first: its rows are not
  // vanished files to be looked for.
  VorhabenMelden(*db);
  const vxm::AbgleichErgebnis e = vxm::Abgleichen(*db, wurzel, [](const vxm::Vorgang& v) {
    std::printf("%s\n", vxm::VorgangText(v).c_str());
    std::fflush(stdout);
  });
  if (!e.WurzelGefunden) {
    std::fprintf(stderr, "Der Ordner %s wurde nicht gefunden.\n", wurzel.c_str());
    return 1;
  }
  for (const auto& l : e.Luecken) std::printf("Nicht lesbar: %s\n", l.c_str());
  std::printf("%s\n", vxm::AbgleichZusammenfassung(e).c_str());
  return 0;
}

// A damaged file is never changed in place (also not by --reparieren): the
// readable rows go into a new file, which then takes its place.
void RettungErklaeren(const std::string& datei) {
  const std::string d = ShellWort(datei), neu = ShellWort(datei + ".gerettet");
  std::printf(
      "Das Register %s ist beschädigt; es wird nichts daran geändert.\n"
      "So retten Sie, was lesbar ist:\n"
      "  1. Das Programm auf allen Arbeitsplätzen schließen, die dieses Register benutzen.\n"
      "  2. sqlite3 %s .dump | sed 's/^ROLLBACK; -- due to errors$/COMMIT;/' | sqlite3 %s\n"
      "  3. vxmdorvex-register pruefen %s --reparieren\n"
      "  4. %s beiseitelegen (z. B. in %s umbenennen) und %s unter dem alten Namen an "
      "seine Stelle legen.\n"
      "Die Zeilen der beschädigten Seiten fehlen danach; Schritt 3 nennt Verknüpfungen, die ins Leere zeigen.\n",
      d.c_str(), d.c_str(), neu.c_str(), neu.c_str(), d.c_str(), ShellWort(datei + ".beschaedigt").c_str(),
      neu.c_str());
}

// A file that never was a database gets no rescue steps: there is nothing
// in it to rescue.
bool KeineDatenbankdatei(const std::string& datei) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(datei, ec)) return false;  // a server register, or the open reports it
  std::ifstream f(datei, std::ios::binary);
  char kopf[16] = {};
  f.read(kopf, sizeof kopf);
  return f.gcount() < static_cast<std::streamsize>(sizeof kopf) || std::memcmp(kopf, "SQLite format 3", 16) != 0;
}

// The register opened after its pages were checked; nothing when it is no
// register or damaged (said and explained).
std::shared_ptr<vxm::Datenbank> GeprueftOeffnen(const std::string& datei) {
  if (KeineDatenbankdatei(datei)) {
    std::printf("Die Datei %s ist keine Registerdatei (keine Datenbank); es wird nichts daran geändert.\n",
                datei.c_str());
    return nullptr;
  }
  // A register file's pages are checked before it is opened: opening would
  // read them all once more.
  const auto seiten = vxm::DateiSeitenPruefen(datei);
  if (seiten && !seiten->empty()) {
    for (const auto& befund : *seiten) std::printf("Beschädigt: %s\n", befund.c_str());
    RettungErklaeren(datei);
    return nullptr;
  }
  std::shared_ptr<vxm::Datenbank> db;
  try {
    db = vxm::DatenbankDateiOeffnenHost(datei);
  } catch (const vxm::VbFehler& f) {
    if (f.Nummer != vxm::fehlernr::UnbekanntesFormat) throw;
    std::printf("Beschädigt: %s\n", f.Beschreibung.c_str());
    RettungErklaeren(datei);
    return nullptr;
  }
  if (!seiten && !SeitenPruefen(*db)) {
    RettungErklaeren(datei);
    return nullptr;
  }
  return db;
}

// Folded search keys out of step with their names: counted, or renewed.
int SchluesselPruefen(vxm::Datenbank& db, const vxm::RegisterBefund& b, bool reparieren) {
  int probleme = 0;
  const int64_t veraltet[] = {b.DateinamenVeraltet, b.DateipfadeVeraltet, b.KeywordsVeraltet};
  bool repariert = false;
  for (std::size_t i = 0; i < std::size(kSchatten); ++i) {
    const auto& [tabelle, spalte] = kSchatten[i];
    const int64_t n = veraltet[i];
    if (n == 0) continue;
    if (!reparieren) {
      std::printf("%s.%s: %lld veraltete Suchschlüssel (mit --reparieren erneuern).\n", tabelle, spalte,
                  static_cast<long long>(n));
      ++probleme;
      continue;
    }
    const std::string schatten = std::string(spalte) + vxm::kSchluesselEndung;
    db.Schreibpruefung();
    vxm::Transaktion t(db);
    vxm::sql::Abfrage(db, std::string("UPDATE ") + tabelle + " SET " + schatten + " = vxm_falten(" + spalte +
                              ") WHERE " + schatten + " IS NOT vxm_falten(" + spalte + ")")
        .Ausfuehren();
    t.Bestaetigen();
    repariert = true;
    std::printf("%s.%s: %lld Suchschlüssel erneuert.\n", tabelle, spalte, static_cast<long long>(n));
  }
  // Statistics the planner keeps would describe the names before the repair.
  if (repariert && db.Handle()) {
    sqlite3_stmt* st = db.Anweisung("SELECT count(*) FROM sqlite_schema WHERE name = 'sqlite_stat1'");
    const bool statistik = sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) > 0;
    sqlite3_reset(st);
    if (statistik)
      sqlite3_exec(db.Handle(), "PRAGMA analysis_limit=1000; ANALYZE Dateiinfo; ANALYZE Keyword", nullptr, nullptr,
                   nullptr);
  }
  return probleme;
}

int Pruefen(const std::string& datei, bool reparieren) {
  const auto db = GeprueftOeffnen(datei);
  if (!db) return 1;
  for (const char* tabelle : {"Dateiinfo", "Keyword", "KeywordZwischentabelle"}) {
    if (db->Anbindung().Spalten(tabelle).empty()) {
      std::printf("Tabelle %s fehlt.\n", tabelle);
      return 1;
    }
  }
  int probleme = VorhabenMelden(*db) > 0 ? 1 : 0;
  const vxm::RegisterBefund b = vxm::RegisterBefundErheben(*db);
  std::printf("Dateien: %lld, Keywords: %lld, Verknüpfungen: %lld\n", static_cast<long long>(b.Dateien),
              static_cast<long long>(b.Keywords), static_cast<long long>(b.Verknuepfungen));
  probleme += SchluesselPruefen(*db, b, reparieren);
  if (b.OhneDatei) std::printf("Verknüpfungen ohne Datei: %lld\n", static_cast<long long>(b.OhneDatei));
  if (b.OhneKeyword) std::printf("Verknüpfungen ohne Keyword: %lld\n", static_cast<long long>(b.OhneKeyword));
  if (b.Doppelt) std::printf("Mehrfach eingetragene Dateien: %lld\n", static_cast<long long>(b.Doppelt));
  probleme += (b.OhneDatei || b.OhneKeyword || b.Doppelt) ? 1 : 0;
  probleme += BeiseitePruefen(*db);
  std::printf(probleme ? "Prüfung mit Befund beendet.\n" : "Register in Ordnung.\n");
  return probleme ? 1 : 0;
}

int Kopieren(const std::string& quelle, const std::string& ziel) {
  // Changes a crash cut off are completed first: the copy takes only the
  // rows, and a record left behind would be lost with it.
  {
    auto q = vxm::DatenbankDateiOeffnenHost(quelle);
    if (VorhabenMelden(*q) > 0) {
      std::fprintf(stderr,
                   "Das Register %s hat noch abgebrochene Änderungen, die sich nicht beurteilen lassen "
                   "(siehe oben); es wird nicht kopiert. Bitte die genannten Ordner oder Dateien prüfen "
                   "und danach erneut kopieren.\n",
                   quelle.c_str());
      return 1;
    }
  }
  const vxm::KopieErgebnis e = vxm::RegisterKopieren(quelle, ziel);
  std::printf("Register kopiert: %lld Dateien, %lld Keywords, %lld Verknüpfungen (Nummern unverändert).\n",
              static_cast<long long>(e.Dateien), static_cast<long long>(e.Keywords),
              static_cast<long long>(e.Verknuepfungen));
  if (e.Abdruecke > 0 || e.Beiseite > 0)
    std::printf("Mitgenommen: %lld Fingerabdrücke, %lld beiseitegelegte Einträge.\n",
                static_cast<long long>(e.Abdruecke), static_cast<long long>(e.Beiseite));
  return 0;
}

}  // namespace

// A named file is worked on as that file; where the office file beside it
// sends the workstations to a server, the user is told which one.
void UmleitungNennen(const std::string& datei) {
  if (vxm::IstServerVerbindung(datei)) return;
  try {
    const std::string server = vxm::ServerFuerDatenbank(datei);
    if (!server.empty())
      std::fprintf(stderr,
                   "Hinweis: Die Arbeitsplätze benutzen statt %s das Register %s (%s); bearbeitet wird die Datei "
                   "selbst.\n",
                   datei.c_str(), server.c_str(), vxm::kServerDatei);
  } catch (const vxm::VbFehler&) {
    // a faulty office file: the window reports it where it matters
  }
}

// A register named in the store's Windows form ("C:\VXM\VXMDAT\vxmdok.mdb"),
// as the window and the other commands name paths, is the file the drive
// table maps it to.
std::string RegisterPfad(const std::string& angabe) {
  const bool windows = angabe.size() > 2 && std::isalpha(static_cast<unsigned char>(angabe[0])) &&
                       angabe[1] == ':' && angabe[2] == '\\';
  if (!windows) return angabe;
  try {
    return vxm::HostPfadVon(angabe).string();
  } catch (const vxm::VbFehler&) {
    return angabe;  // an unknown drive: the open says so
  }
}

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--hilfe") == 0 || std::strcmp(argv[1], "--help") == 0)) return Gebrauch(true);
  if (argc < 3) return Gebrauch();
  const std::string befehl = argv[1];
  const std::string datei = RegisterPfad(argv[2]);
  const std::string ziel = argc > 3 ? RegisterPfad(argv[3]) : std::string();
  UmleitungNennen(datei);
  if (befehl == "kopieren" && argc == 4) UmleitungNennen(ziel);
  try {
    if (befehl == "anlegen" && argc == 3) {
      vxm::RegisterAnlegen(datei);
      std::printf("Leeres Register %s angelegt.\n", datei.c_str());
      return 0;
    }
    if (befehl == "pruefen" && (argc == 3 || (argc == 4 && std::strcmp(argv[3], "--reparieren") == 0)))
      return Pruefen(datei, argc == 4);
    if (befehl == "abgleichen" && (argc == 5 || argc == 7) && std::strcmp(argv[3], "--wurzel") == 0 &&
        argv[4][0] != '\0') {
      int32_t tage = 0;
      if (argc == 7) {
        char* ende = nullptr;
        const long n = std::strtol(argv[6], &ende, 10);
        if (std::strcmp(argv[5], "--tage") != 0 || !ende || *ende != '\0' || n < 1 || n > 99999) {
          std::fprintf(stderr, "--tage erwartet eine Zahl von 1 bis 99999.\n");
          return Gebrauch();
        }
        tage = static_cast<int32_t>(n);
      }
      return Abgleichen(datei, argv[4], tage);
    }
    if (befehl == "kopieren" && argc == 4) return Kopieren(datei, ziel);
    if (befehl == "umbenennen" && argc == 5) return Umbenennen(datei, argv[3], argv[4]);
  } catch (const vxm::VbFehler& f) {
    std::fprintf(stderr, "Fehler %d: %s\n", f.Nummer, f.Beschreibung.c_str());
    return 1;
  }
  return Gebrauch();
}
