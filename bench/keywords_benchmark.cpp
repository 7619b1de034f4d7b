// Keyword panel operations on a register of 100,000 files, 2,000 keywords
// and 300,000 links: typing five keywords for a file and refilling the list
// of its keywords (as the panel does), and renaming a keyword that 10,000
// files carry for all files (count, rename, refill the list of all keywords).
//
// Run with --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
// for the medians.
#include <QApplication>
#include <QListWidget>
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "keywords/register.h"
#include "platform/datenbank.h"

namespace {
namespace fs = std::filesystem;
using namespace vxm;

constexpr int kDateien = 100000;
constexpr int kKeywords = 2000;
constexpr int kLinks = 300000;
constexpr int kTraeger = 10000;  // files carrying the renamed keyword

std::string Dateiname(int i) { return "Schreiben Nr. " + std::to_string(i) + " Hausmeister Jürgen.pdf"; }
std::string Ordner(int i) {
  return "C:\\VXM\\VXMDOK\\1\\" + std::to_string(1 + i % 40) + "\\" + std::to_string(1 + (i / 40) % 25) +
         "\\Verträge";
}
std::string KeywordName(int k) { return (k % 3 ? "MIETE" : "MÜLLABFUHR") + std::to_string(k); }

struct Register {
  fs::path ordner;
  std::shared_ptr<Datenbank> db;
  Register() {
    ordner = fs::temp_directory_path() / ("vxm-keywords-bench-" + std::to_string(getpid()));
    fs::create_directories(ordner);
    const fs::path datei = ordner / "vxmdok.mdb";
    RegisterAnlegen(datei.string());
    db = DatenbankOeffnenHost(datei);
    std::mt19937 zufall(42);
    Transaktion t(*db);
    auto schritt = [](sqlite3_stmt* s) {
      if (sqlite3_step(s) != SQLITE_DONE) std::abort();
      sqlite3_reset(s);
    };
    sqlite3_stmt* s = db->Anweisung("INSERT INTO Keyword (Keyword) VALUES (?1)");
    for (int k = 1; k <= kKeywords; ++k) {
      const std::string n = KeywordName(k);
      sqlite3_bind_text(s, 1, n.c_str(), -1, SQLITE_TRANSIENT);
      schritt(s);
    }
    s = db->Anweisung("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (?1, ?2)");
    for (int i = 1; i <= kDateien; ++i) {
      const std::string n = Dateiname(i), o = Ordner(i);
      sqlite3_bind_text(s, 1, n.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(s, 2, o.c_str(), -1, SQLITE_TRANSIENT);
      schritt(s);
    }
    s = db->Anweisung("INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (?1, ?2)");
    for (int l = 0; l < kLinks - kTraeger; ++l) {
      sqlite3_bind_int(s, 1, 1 + static_cast<int>(zufall() % kDateien));
      sqlite3_bind_int(s, 2, 2 + static_cast<int>(zufall() % (kKeywords - 1)));
      schritt(s);
    }
    // Keyword 1 is carried by every tenth file.
    for (int i = 1; i <= kTraeger; ++i) {
      sqlite3_bind_int(s, 1, i * (kDateien / kTraeger));
      sqlite3_bind_int(s, 2, 1);
      schritt(s);
    }
    t.Bestaetigen();
    db->Execute("ANALYZE");
  }
  ~Register() {
    db.reset();
    std::error_code ec;
    fs::remove_all(ordner, ec);
  }
};

Register& Reg() {
  static Register r;
  return r;
}

void Pruefe(bool ok, const char* was) {
  if (!ok) {
    std::fprintf(stderr, "Falsches Ergebnis: %s\n", was);
    std::abort();
  }
}

void ListeFuellen(QListWidget& l, const std::vector<std::string>& namen) {
  QStringList texte;
  texte.reserve(static_cast<qsizetype>(namen.size()));
  for (const auto& n : namen) texte.push_back(QString::fromStdString(n));
  l.clear();
  l.addItems(texte);
}

// Five known keywords, typed in lower case, for a different file each time.
void BM_FuenfKeywordsEingeben(benchmark::State& state) {
  auto& db = *Reg().db;
  QListWidget liste;
  std::mt19937 z(7);
  for (auto _ : state) {
    const int i = 1 + static_cast<int>(z() % kDateien);
    std::string eingabe;
    for (int k = 0; k < 5; ++k) eingabe += KeywordName(2 + static_cast<int>(z() % (kKeywords - 1))) + ", ";
    for (auto& c : eingabe) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const EingabeErgebnis e = KeywordsEingeben(db, {Dateiname(i), Ordner(i)}, eingabe);
    if (!e.Fehler.empty()) std::abort();
    ListeFuellen(liste, KeywordsDerDateiLesen(db, e.Dateinummer));
  }
}
BENCHMARK(BM_FuenfKeywordsEingeben)->Unit(benchmark::kMillisecond);

// Two known and three new keywords for a file not yet registered.
void BM_FuenfKeywordsEingebenNeueDatei(benchmark::State& state) {
  auto& db = *Reg().db;
  QListWidget liste;
  std::mt19937 z(8);
  static int lauf = 0;
  for (auto _ : state) {
    ++lauf;
    std::string eingabe = KeywordName(2 + static_cast<int>(z() % (kKeywords - 1))) + " " +
                          KeywordName(2 + static_cast<int>(z() % (kKeywords - 1)));
    for (int k = 0; k < 3; ++k) eingabe += " NEU" + std::to_string(lauf) + "X" + std::to_string(k);
    const EingabeErgebnis e =
        KeywordsEingeben(db, {"Neu " + std::to_string(lauf) + ".pdf", "C:\\VXM\\VXMDOK\\1\\99"}, eingabe);
    if (!e.Fehler.empty()) std::abort();
    ListeFuellen(liste, KeywordsDerDateiLesen(db, e.Dateinummer));
  }
}
BENCHMARK(BM_FuenfKeywordsEingebenNeueDatei)->Unit(benchmark::kMillisecond);

// Rename for all files of a keyword carried by 10,000 files.
void BM_UmbenennenFuerAlle(benchmark::State& state) {
  auto& db = *Reg().db;
  QListWidget alle;
  // The benchmark function runs several times; the name carries over.
  static std::string alt = KeywordName(1);
  static int lauf = 0;
  for (auto _ : state) {
    const std::string neu = "UMBENANNT" + std::to_string(++lauf);
    Pruefe(UmbenennenPruefen(db, neu).empty(), "neuer Name frei");
    Pruefe(DateienDesKeywords(db, alt) == kTraeger, "Zahl der Dateien");
    Pruefe(KeywordUmbenennenAlle(db, alt, neu).Geaendert, "umbenannt");
    ListeFuellen(alle, AlleKeywords(db));
    alt = neu;
  }
}
BENCHMARK(BM_UmbenennenFuerAlle)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Reg();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
