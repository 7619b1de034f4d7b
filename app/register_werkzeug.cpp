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
//   vxmdorvex-register umbenennen DATEI ALTER_ORDNER NEUER_NAME
//       renames a folder of the store (Windows form on the drive table of
//       VXM_LAUFWERKE, e.g. 'C:\VXM\VXMDOK\1\Briefe') in its parent
//       folder, its register rows and those of every folder below it
//       following, as the window's folder tree does.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "files/abgleich.h"
#include "files/fingerabdruck.h"
#include "files/ordnerumbenennen.h"
#include "files/registervorhaben.h"
#include "platform/datenbank.h"
#include "platform/fehler.h"

namespace {

int Gebrauch() {
  std::fprintf(stderr,
               "Aufruf: vxmdorvex-register anlegen DATEI\n"
               "        vxmdorvex-register pruefen DATEI [--reparieren]\n"
               "        vxmdorvex-register abgleichen DATEI --wurzel WINDOWSPFAD [--tage N]\n"
               "        vxmdorvex-register umbenennen DATEI ALTER_ORDNER NEUER_NAME\n");
  return 2;
}

int64_t Zahl(vxm::Datenbank& db, const std::string& sql) {
  sqlite3_stmt* s = db.Anweisung(sql);
  const int rc = sqlite3_step(s);
  if (rc != SQLITE_ROW) db.Fehler(rc, sql);
  const int64_t n = sqlite3_column_int64(s, 0);
  sqlite3_reset(s);
  return n;
}

struct Schatten {
  const char* tabelle;
  const char* spalte;
};
constexpr Schatten kSchatten[] = {
    {"Dateiinfo", "Dateiname"}, {"Dateiinfo", "Dateipfad"}, {"Keyword", "Keyword"}};

// Completes what a crash cut off; the number of records left undecided.
std::size_t VorhabenMelden(vxm::Datenbank& db) {
  const vxm::VorhabenBilanz b = vxm::RegisterVorhabenAbschliessen(db);
  for (const auto& zeile : b.Berichte) std::printf("%s\n", zeile.c_str());
  return b.Offen;
}

int Umbenennen(const std::string& datei, const std::string& ordner, const std::string& name) {
  auto db = vxm::DatenbankOeffnenHost(datei);
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
  const auto befunde = vxm::AbgleichBefunde(db);
  for (const auto& b : befunde) std::printf("%s\n", b.c_str());
  return befunde.empty() ? 0 : 1;
}

int Abgleichen(const std::string& datei, const std::string& wurzel, int32_t tage) {
  auto db = vxm::DatenbankOeffnenHost(datei);
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

int Pruefen(const std::string& datei, bool reparieren) {
  auto db = vxm::DatenbankOeffnenHost(datei);
  int probleme = 0;

  sqlite3_stmt* s = db->Anweisung("PRAGMA integrity_check");
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    const std::string zeile = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    if (zeile != "ok") {
      std::printf("Beschädigt: %s\n", zeile.c_str());
      ++probleme;
    }
  }
  sqlite3_reset(s);
  if (rc != SQLITE_DONE) db->Fehler(rc, "integrity_check");
  if (probleme) {
    std::printf("Die Datei ist beschädigt; es wird nichts geändert. Mit \"sqlite3 %s .recover\" lässt sich "
                "retten, was lesbar ist.\n", datei.c_str());
    return 1;
  }

  for (const char* tabelle : {"Dateiinfo", "Keyword", "KeywordZwischentabelle"}) {
    if (Zahl(*db, std::string("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = '") + tabelle +
                      "'") == 0) {
      std::printf("Tabelle %s fehlt.\n", tabelle);
      return 1;
    }
  }
  if (VorhabenMelden(*db) > 0) ++probleme;
  std::printf("Dateien: %lld, Keywords: %lld, Verknüpfungen: %lld\n",
              static_cast<long long>(Zahl(*db, "SELECT count(*) FROM Dateiinfo")),
              static_cast<long long>(Zahl(*db, "SELECT count(*) FROM Keyword")),
              static_cast<long long>(Zahl(*db, "SELECT count(*) FROM KeywordZwischentabelle")));

  for (const auto& [tabelle, spalte] : kSchatten) {
    const std::string schatten = std::string(spalte) + vxm::kSchluesselEndung;
    const std::string falsch = std::string(" FROM ") + tabelle + " WHERE " + schatten + " IS NOT vxm_falten(" +
                               spalte + ")";
    const int64_t n = Zahl(*db, "SELECT count(*)" + falsch);
    if (n == 0) continue;
    if (reparieren) {
      vxm::Transaktion t(*db);
      std::string sql = "UPDATE ";
      sql += tabelle;
      sql += " SET " + schatten;
      sql += " = vxm_falten(";
      sql += spalte;
      sql += ")";
      sql += falsch.substr(falsch.find(" WHERE "));
      db->Execute(sql);
      t.Bestaetigen();
      std::printf("%s.%s: %lld Suchschlüssel erneuert.\n", tabelle, spalte, static_cast<long long>(n));
    } else {
      std::printf("%s.%s: %lld veraltete Suchschlüssel (mit --reparieren erneuern).\n", tabelle, spalte,
                  static_cast<long long>(n));
      ++probleme;
    }
  }

  const int64_t ohneDatei = Zahl(*db,
      "SELECT count(*) FROM KeywordZwischentabelle z WHERE NOT EXISTS "
      "(SELECT 1 FROM Dateiinfo d WHERE d.Dateinummer = z.Dateinummer)");
  const int64_t ohneKeyword = Zahl(*db,
      "SELECT count(*) FROM KeywordZwischentabelle z WHERE NOT EXISTS "
      "(SELECT 1 FROM Keyword k WHERE k.KeywordID = z.KeywordID)");
  const int64_t doppelt = Zahl(*db,
      "SELECT count(*) FROM (SELECT 1 FROM Dateiinfo GROUP BY DateinameSchluessel, DateipfadSchluessel "
      "HAVING count(*) > 1)");
  if (ohneDatei) std::printf("Verknüpfungen ohne Datei: %lld\n", static_cast<long long>(ohneDatei));
  if (ohneKeyword) std::printf("Verknüpfungen ohne Keyword: %lld\n", static_cast<long long>(ohneKeyword));
  if (doppelt) std::printf("Mehrfach eingetragene Dateien: %lld\n", static_cast<long long>(doppelt));
  probleme += (ohneDatei || ohneKeyword || doppelt) ? 1 : 0;
  probleme += BeiseitePruefen(*db);
  std::printf(probleme ? "Prüfung mit Befund beendet.\n" : "Register in Ordnung.\n");
  return probleme ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Gebrauch();
  const std::string befehl = argv[1];
  const std::string datei = argv[2];
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
    if (befehl == "umbenennen" && argc == 5) return Umbenennen(datei, argv[3], argv[4]);
  } catch (const vxm::VbFehler& f) {
    std::fprintf(stderr, "Fehler %d: %s\n", f.Nummer, f.Beschreibung.c_str());
    return 1;
  }
  return Gebrauch();
}
