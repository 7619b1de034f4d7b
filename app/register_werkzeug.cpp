// Admin command for the keyword register.
//
//   vxmdorvex-register anlegen DATEI              creates an empty register
//   vxmdorvex-register pruefen DATEI [--reparieren]
//       checks the file (integrity, tables, folded shadow names, links that
//       point nowhere, files registered twice); --reparieren recomputes the
//       shadow names, e.g. after changes made with the sqlite3 shell.
//       Changes cut off by a crash (folder renames, copies, moves) are
//       completed or dropped first, as the window does when it opens.
//   vxmdorvex-register umbenennen DATEI ALTER_ORDNER NEUER_NAME
//       renames a folder of the store (Windows form on the drive table of
//       VXM_LAUFWERKE, e.g. 'C:\VXM\VXMDOK\1\Briefe') in its parent
//       folder, its register rows and those of every folder below it
//       following, as the window's folder tree does.
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>

#include "files/ordnerumbenennen.h"
#include "files/registervorhaben.h"
#include "keywords/registerpruefung.h"
#include "platform/datenbank.h"
#include "platform/fehler.h"

namespace {

int Gebrauch() {
  std::fprintf(stderr,
               "Aufruf: vxmdorvex-register anlegen DATEI\n"
               "        vxmdorvex-register pruefen DATEI [--reparieren]\n"
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
  const vxm::RegisterBefund b = vxm::RegisterBefundErheben(*db);
  std::printf("Dateien: %lld, Keywords: %lld, Verknüpfungen: %lld\n", static_cast<long long>(b.Dateien),
              static_cast<long long>(b.Keywords), static_cast<long long>(b.Verknuepfungen));

  const int64_t veraltet[] = {b.DateinamenVeraltet, b.DateipfadeVeraltet, b.KeywordsVeraltet};
  bool repariert = false;
  for (std::size_t i = 0; i < std::size(kSchatten); ++i) {
    const auto& [tabelle, spalte] = kSchatten[i];
    const int64_t n = veraltet[i];
    if (n == 0) continue;
    const std::string schatten = std::string(spalte) + vxm::kSchluesselEndung;
    if (reparieren) {
      vxm::Transaktion t(*db);
      std::string sql = "UPDATE ";
      sql += tabelle;
      sql += " SET " + schatten;
      sql += " = vxm_falten(";
      sql += spalte;
      sql += ") WHERE " + schatten;
      sql += " IS NOT vxm_falten(";
      sql += spalte;
      sql += ")";
      db->Execute(sql);
      t.Bestaetigen();
      repariert = true;
      std::printf("%s.%s: %lld Suchschlüssel erneuert.\n", tabelle, spalte, static_cast<long long>(n));
    } else {
      std::printf("%s.%s: %lld veraltete Suchschlüssel (mit --reparieren erneuern).\n", tabelle, spalte,
                  static_cast<long long>(n));
      ++probleme;
    }
  }
  // Statistics the planner keeps would describe the names before the repair.
  if (repariert) {
    sqlite3_stmt* st = db->Anweisung("SELECT count(*) FROM sqlite_schema WHERE name = 'sqlite_stat1'");
    const bool statistik = sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) > 0;
    sqlite3_reset(st);
    if (statistik)
      sqlite3_exec(db->Handle(), "PRAGMA analysis_limit=1000; ANALYZE Dateiinfo; ANALYZE Keyword", nullptr, nullptr,
                   nullptr);
  }

  if (b.OhneDatei) std::printf("Verknüpfungen ohne Datei: %lld\n", static_cast<long long>(b.OhneDatei));
  if (b.OhneKeyword) std::printf("Verknüpfungen ohne Keyword: %lld\n", static_cast<long long>(b.OhneKeyword));
  if (b.Doppelt) std::printf("Mehrfach eingetragene Dateien: %lld\n", static_cast<long long>(b.Doppelt));
  probleme += (b.OhneDatei || b.OhneKeyword || b.Doppelt) ? 1 : 0;
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
    if (befehl == "umbenennen" && argc == 5) return Umbenennen(datei, argv[3], argv[4]);
  } catch (const vxm::VbFehler& f) {
    std::fprintf(stderr, "Fehler %d: %s\n", f.Nummer, f.Beschreibung.c_str());
    return 1;
  }
  return Gebrauch();
}
