// Load of several workstations on one register: N processes attach and
// remove keywords and run keyword searches for some seconds, once on a
// SQLite file on the local disk and once on PostgreSQL. Prints operations
// per second and latencies side by side, and checks the register after the
// run: no keyword, file or link twice, no link pointing nowhere, no link
// lost (every process keeps the expected keywords of its own files and of
// what it attached to the shared files).
//
//   vxm_last_benchmark [--prozesse 8] [--sekunden 60] [--nur sqlite|postgresql]
//
// PostgreSQL runs when VXM_PG_TEST names a server (libpq connection string);
// the run works in a schema of its own and drops it afterwards.
// bench/last_vergleich.sh starts a private server when none is given.
#include <libpq-fe.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "keywords/register.h"
#include "keywords/registerzugriff.h"
#include "platform/datenbank.h"
#include "platform/fehler.h"
#include "platform/sqlhilfen.h"

namespace {
namespace fs = std::filesystem;
using namespace vxm;
using Uhr = std::chrono::steady_clock;

constexpr int kKeywords = 60;        // shared vocabulary: every process creates the same names
constexpr int kGeteilteDateien = 200;  // files all processes attach to
constexpr int kEigeneDateien = 100;    // files of one process only

std::string KeywordName(int k) { return "LAST" + std::to_string(k); }
AktuelleDatei Geteilt(int i) { return {"Gemeinsam " + std::to_string(i) + ".pdf", "C:\\VXM\\VXMDOK\\1\\" + std::to_string(i % 7)}; }
AktuelleDatei Eigen(int p, int i) {
  return {"Platz " + std::to_string(p) + " Akte " + std::to_string(i) + ".pdf", "C:\\VXM\\VXMDOK\\2\\" + std::to_string(p)};
}

enum Art { Anhaengen, Entfernen, Suchen, kArten };
const char* kArtName[] = {"anhängen", "entfernen", "suchen"};

struct Messung {
  int art;
  double ms;
};

// One workstation: runs until `ende`, writes its latencies, errors and its
// expectation into `datei`.
int Arbeitsplatz(const std::string& reg, int p, double sekunden, const fs::path& datei) {
  std::mt19937 zufall(1000 + p);
  std::vector<Messung> messungen;
  std::vector<std::string> fehler;
  std::map<int, std::set<std::string>> eigen;          // own file -> keywords it must carry
  std::set<std::pair<int, std::string>> geteiltAngehaengt;  // shared file, keyword attached by this process
  auto db = DatenbankOeffnenHost(reg);
  const auto ende = Uhr::now() + std::chrono::duration<double>(sekunden);
  while (Uhr::now() < ende) {
    const int wurf = static_cast<int>(zufall() % 10);
    const int art = wurf < 4 ? Anhaengen : wurf < 7 ? Entfernen : Suchen;
    const std::string kw = KeywordName(static_cast<int>(zufall() % kKeywords));
    const auto start = Uhr::now();
    try {
      if (art == Anhaengen) {
        if (zufall() % 2) {
          const int d = static_cast<int>(zufall() % kGeteilteDateien);
          const EingabeErgebnis e = KeywordsEingeben(*db, Geteilt(d), kw);
          if (e.Fehler.empty()) geteiltAngehaengt.insert({d, kw});
        } else {
          const int d = static_cast<int>(zufall() % kEigeneDateien);
          if (KeywordsEingeben(*db, Eigen(p, d), kw).Fehler.empty()) eigen[d].insert(kw);
        }
      } else if (art == Entfernen) {
        const int d = static_cast<int>(zufall() % kEigeneDateien);
        KeywordEntfernen(*db, Eigen(p, d), kw);
        eigen[d].erase(kw);
      } else {
        const int32_t id = KeywordIdSuchen(*db, kw);
        if (id) DateienMitKeyword(*db, id);
      }
    } catch (const VbFehler& f) {
      fehler.push_back(std::to_string(f.Nummer) + " " + f.Beschreibung);
      continue;
    }
    messungen.push_back({art, std::chrono::duration<double, std::milli>(Uhr::now() - start).count()});
  }
  std::ofstream aus(datei);
  for (const auto& m : messungen) aus << "M " << m.art << " " << m.ms << "\n";
  for (const auto& f : fehler) aus << "F " << f << "\n";
  for (const auto& [d, kws] : eigen)
    for (const auto& k : kws) aus << "E " << d << " " << k << "\n";
  for (const auto& [d, k] : geteiltAngehaengt) aus << "G " << d << " " << k << "\n";
  return 0;
}

int64_t Zahl(Datenbank& db, const std::string& sql) {
  sql::Abfrage a(db, sql);
  return a.Zeile() ? a.ZahlSpalte(0) : -1;
}

struct Ergebnis {
  std::string name;
  double sekunden = 0;
  std::vector<double> ms[kArten + 1];  // per kind, and all
  std::vector<std::string> fehler;
  int64_t doppelteKeywords = 0, doppelteDateien = 0, doppelteLinks = 0, ohneDatei = 0, verloren = 0, zuviel = 0;
};

double Quantil(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
}

// The register after the run against what the processes did.
void Pruefen(const std::string& reg, int prozesse, Ergebnis& e, const fs::path& ordner) {
  auto db = DatenbankOeffnenHost(reg);
  e.doppelteKeywords = Zahl(*db, "SELECT count(*) FROM (SELECT 1 FROM Keyword GROUP BY KeywordSchluessel HAVING count(*) > 1) AS d");
  e.doppelteDateien = Zahl(*db, "SELECT count(*) FROM (SELECT 1 FROM Dateiinfo GROUP BY DateinameSchluessel, "
                                "DateipfadSchluessel HAVING count(*) > 1) AS d");
  e.doppelteLinks = Zahl(*db, "SELECT count(*) FROM (SELECT 1 FROM KeywordZwischentabelle GROUP BY Dateinummer, "
                              "KeywordID HAVING count(*) > 1) AS d");
  e.ohneDatei = Zahl(*db, "SELECT count(*) FROM KeywordZwischentabelle z WHERE NOT EXISTS "
                          "(SELECT 1 FROM Dateiinfo d WHERE d.Dateinummer = z.Dateinummer)");
  for (int p = 0; p < prozesse; ++p) {
    std::ifstream ein(ordner / ("platz" + std::to_string(p) + ".txt"));
    std::map<int, std::set<std::string>> eigen;
    std::string zeile;
    while (std::getline(ein, zeile)) {
      char art = zeile[0];
      if (art == 'M') {
        int a = 0;
        double ms = 0;
        std::sscanf(zeile.c_str() + 2, "%d %lf", &a, &ms);
        e.ms[a].push_back(ms);
        e.ms[kArten].push_back(ms);
      } else if (art == 'F') {
        e.fehler.push_back("Platz " + std::to_string(p) + ": " + zeile.substr(2));
      } else if (art == 'E' || art == 'G') {
        const auto leer = zeile.find(' ', 2);
        const int d = std::stoi(zeile.substr(2, leer - 2));
        const std::string kw = zeile.substr(leer + 1);
        if (art == 'E') {
          eigen[d].insert(kw);
        } else {
          const auto kws = KeywordsDerDateiLesen(*db, DateiNummer(*db, Geteilt(d)));
          if (std::find(kws.begin(), kws.end(), kw) == kws.end()) ++e.verloren;
        }
      }
    }
    for (int d = 0; d < kEigeneDateien; ++d) {
      const auto ist = KeywordsDerDateiLesen(*db, DateiNummer(*db, Eigen(p, d)));
      const std::set<std::string> istMenge(ist.begin(), ist.end());
      for (const auto& k : eigen[d]) e.verloren += istMenge.count(k) ? 0 : 1;
      for (const auto& k : istMenge) e.zuviel += eigen[d].count(k) ? 0 : 1;
    }
  }
}

Ergebnis Lauf(const std::string& name, const std::string& reg, int prozesse, double sekunden, const fs::path& ordner) {
  Ergebnis e;
  e.name = name;
  {
    // the vocabulary exists, and some links to search for
    auto db = DatenbankOeffnenHost(reg);
    for (int i = 0; i < kGeteilteDateien; ++i)
      KeywordsEingeben(*db, Geteilt(i), KeywordName(i % kKeywords) + " " + KeywordName((i * 7) % kKeywords));
  }
  std::vector<pid_t> kinder;
  const auto start = Uhr::now();
  for (int p = 0; p < prozesse; ++p) {
    const pid_t pid = fork();
    if (pid == 0) _exit(Arbeitsplatz(reg, p, sekunden, ordner / ("platz" + std::to_string(p) + ".txt")));
    kinder.push_back(pid);
  }
  for (pid_t pid : kinder) waitpid(pid, nullptr, 0);
  e.sekunden = std::chrono::duration<double>(Uhr::now() - start).count();
  Pruefen(reg, prozesse, e, ordner);
  return e;
}

void Zeigen(const std::vector<Ergebnis>& ergebnisse, int prozesse) {
  std::printf("\n%d Arbeitsplätze (Prozesse), je %s\n", prozesse, "40 % anhängen, 30 % entfernen, 30 % suchen");
  std::printf("%-11s %-10s %8s %9s %8s %8s %8s\n", "Ablage", "Vorgang", "Anzahl", "je s", "p50 ms", "p99 ms", "max ms");
  for (const auto& e : ergebnisse) {
    for (int a = 0; a <= kArten; ++a) {
      const auto& v = e.ms[a];
      std::printf("%-11s %-10s %8zu %9.1f %8.2f %8.2f %8.2f\n", a == 0 ? e.name.c_str() : "",
                  a == kArten ? "alle" : kArtName[a], v.size(), static_cast<double>(v.size()) / e.sekunden,
                  Quantil(v, 0.5), Quantil(v, 0.99), v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()));
    }
  }
  std::printf("\n%-11s %8s %10s %10s %10s %10s %9s %7s\n", "Ablage", "Fehler", "dopp. Kw", "dopp. Dat.",
              "dopp. Link", "Link o. D.", "verloren", "zuviel");
  for (const auto& e : ergebnisse)
    std::printf("%-11s %8zu %10lld %10lld %10lld %10lld %9lld %7lld\n", e.name.c_str(), e.fehler.size(),
                static_cast<long long>(e.doppelteKeywords), static_cast<long long>(e.doppelteDateien),
                static_cast<long long>(e.doppelteLinks), static_cast<long long>(e.ohneDatei),
                static_cast<long long>(e.verloren), static_cast<long long>(e.zuviel));
  for (const auto& e : ergebnisse)
    for (std::size_t i = 0; i < e.fehler.size() && i < 5; ++i) std::printf("  %s: %s\n", e.name.c_str(), e.fehler[i].c_str());
}

bool Roh(const std::string& verbindung, const std::string& sql) {
  PGconn* c = PQconnectdb(verbindung.c_str());
  PGresult* r = PQexec(c, sql.c_str());
  const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
  if (!ok) std::fprintf(stderr, "%s", PQerrorMessage(c));
  PQclear(r);
  PQfinish(c);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  int prozesse = 8;
  double sekunden = 60;
  std::string nur;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--prozesse")) prozesse = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--sekunden")) sekunden = std::atof(argv[i + 1]);
    if (!std::strcmp(argv[i], "--nur")) nur = argv[i + 1];
  }
  const fs::path ordner = fs::temp_directory_path() / ("vxm-last-" + std::to_string(getpid()));
  fs::create_directories(ordner);
  std::vector<Ergebnis> ergebnisse;
  try {
    if (nur.empty() || nur == "sqlite") {
      const fs::path datei = ordner / "vxmdok.mdb";
      RegisterAnlegen(datei.string());
      ergebnisse.push_back(Lauf("SQLite", datei.string(), prozesse, sekunden, ordner));
    }
    const char* server = std::getenv("VXM_PG_TEST");
    if ((nur.empty() || nur == "postgresql") && server && *server) {
      const std::string schema = "vxmlast_" + std::to_string(getpid());
      if (Roh(server, "CREATE SCHEMA " + schema)) {
        const std::string reg = std::string("postgresql:") + server + " options='-c search_path=" + schema + "'";
        RegisterAnlegen(reg);
        ergebnisse.push_back(Lauf("PostgreSQL", reg, prozesse, sekunden, ordner));
        Roh(server, "DROP SCHEMA " + schema + " CASCADE");
      }
    } else if (nur.empty() || nur == "postgresql") {
      std::printf("VXM_PG_TEST ist nicht gesetzt: kein Lauf auf PostgreSQL.\n");
    }
  } catch (const VbFehler& f) {
    std::fprintf(stderr, "Fehler %d: %s\n", f.Nummer, f.Beschreibung.c_str());
    return 1;
  }
  Zeigen(ergebnisse, prozesse);
  std::error_code ec;
  fs::remove_all(ordner, ec);
  int schlecht = 0;
  for (const auto& e : ergebnisse)
    schlecht += static_cast<int>(e.fehler.size()) + static_cast<int>(e.doppelteKeywords + e.doppelteDateien +
                                                                     e.doppelteLinks + e.ohneDatei + e.verloren + e.zuviel);
  return schlecht ? 1 : 0;
}
