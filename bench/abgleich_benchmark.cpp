// Keywords following files moved outside the program, on a store of 100,000
// registered files:
//
//   PlainWalk           a walk of the tree that only stats each file
//   Abgleichen          `abgleichen` after 20,000 files were moved or renamed
//                       (register opened, walked, 20,000 re-linked, closed)
//   OrdnerHeute/<n>     the clean-up of an unchanged folder of n files (half
//                       of them registered) as it was: the folder listed as
//                       it was (three stats a file through std::filesystem),
//                       rows compared
//   OrdnerListe/<n>     the same with today's listing (one stat a file)
//   OrdnerNeu/<n>       the clean-up now: today's listing, rows compared,
//                       fingerprints checked and files without a row looked
//                       at (RegisterBereinigen)
//
// Targets: Abgleichen under 2x PlainWalk; OrdnerNeu within 1.2x OrdnerHeute.
// OrdnerNeu against OrdnerListe is what the upkeep itself adds.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "basis/zustand.h"
#include "files/abgleich.h"
#include "files/registerpflege.h"
#include "platform/datenbank.h"
#include "platform/dienste.h"
#include "platform/laufwerke.h"
#include "platform/oeffner.h"
#include "platform/sqliteprozess.h"

namespace {
namespace fs = std::filesystem;
using namespace vxm;

constexpr int kOrdner = 1000, kJeOrdner = 100;  // 100,000 files
constexpr int kVerschoben = 20000;
const std::string kWurzel = "C:\\VXMDOK";

std::string Inhalt(int i) {
  // Sizes spread over a few thousand values, so many files share a size.
  return "Dokument " + std::to_string(i) + " " + std::string(static_cast<std::size_t>(100 + (i * 37) % 2900), 'x');
}
std::string OrdnerName(int o) { return "Mieter " + std::to_string(o / 50) + "\\Akte " + std::to_string(o); }

struct Ablage {
  fs::path basis, laufwerk, datei, vorlage;

  Ablage() {
    basis = fs::temp_directory_path() / ("vxm_abgleich_bench_" + std::to_string(::getpid()));
    fs::remove_all(basis);
    laufwerk = basis / "c";
    datei = basis / "vxmdok.mdb";
    vorlage = basis / "vorlage.mdb";
    fs::create_directories(basis);
    Laufwerkstabelle l;
    l.Zuordnen('C', laufwerk);
    Dienste().Dateien = std::make_shared<HostDateisystem>(l);
    Zustand().DokWurzel = kWurzel;
    RegisterAnlegen(datei.string());
    {
      auto db = DatenbankOeffnenHost(datei);
      Transaktion t(*db);
      for (int k = 1; k <= 50; ++k) db->Execute("INSERT INTO Keyword (Keyword) VALUES (\"K" + std::to_string(k) + "\")");
      sqlite3_stmt* zeile = db->Anweisung("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (?1, ?2)");
      sqlite3_stmt* link = db->Anweisung("INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (?1, ?2)");
      auto eintragen = [&](const std::string& name, const std::string& ordner, int i) {
        sqlite3_bind_text(zeile, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(zeile, 2, ordner.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(zeile);
        sqlite3_reset(zeile);
        const auto nr = sqlite3_last_insert_rowid(db->Handle());
        for (int k = 0; k <= i % 2; ++k) {
          sqlite3_bind_int64(link, 1, nr);
          sqlite3_bind_int(link, 2, 1 + (i + 7 * k) % 50);
          sqlite3_step(link);
          sqlite3_reset(link);
        }
      };
      int i = 0;
      for (int o = 0; o < kOrdner; ++o) {
        const fs::path d = laufwerk / "VXMDOK" / ("Mieter " + std::to_string(o / 50)) / ("Akte " + std::to_string(o));
        fs::create_directories(d);
        for (int j = 0; j < kJeOrdner; ++j, ++i) {
          const std::string name = "Dokument " + std::to_string(j) + ".txt";
          std::ofstream(d / name) << Inhalt(i);
          eintragen(name, kWurzel + "\\" + OrdnerName(o), i);
        }
      }
      // Two folders of their own for the clean-up: half of their files registered.
      for (int n : {100, 1000}) {
        const std::string o = "Ordner " + std::to_string(n);
        fs::create_directories(laufwerk / "VXMDOK" / o);
        for (int j = 0; j < n; ++j, ++i) {
          const std::string name = (j % 2 ? "Frei " : "Brief ") + std::to_string(j) + ".txt";
          std::ofstream(laufwerk / "VXMDOK" / o / name) << Inhalt(i);
          if (j % 2 == 0) eintragen(name, kWurzel + "\\" + o, i);
        }
      }
      t.Bestaetigen();
      // Prints of files written in the last seconds are not yet trusted.
      std::this_thread::sleep_for(std::chrono::seconds(3));
      const AbgleichErgebnis e = Abgleichen(*db, kWurzel);
      std::fprintf(stderr, "Ablage: %zu Dateien, %zu Fingerabdrücke\n", e.Dateien, e.Fingerabdruecke);
    }
    // The shell moves a fifth of them: half renamed in place, half to another folder.
    int n = 0;
    for (int o = 0; o < kOrdner && n < kVerschoben; ++o)
      for (int j = 0; j < kJeOrdner && n < kVerschoben; j += 5, ++n) {
        const fs::path d = laufwerk / "VXMDOK" / ("Mieter " + std::to_string(o / 50)) / ("Akte " + std::to_string(o));
        const int z = (o + 333) % kOrdner;
        const fs::path ziel = n % 2 ? d / ("Umbenannt " + std::to_string(j) + ".txt")
                                    : laufwerk / "VXMDOK" / ("Mieter " + std::to_string(z / 50)) /
                                          ("Akte " + std::to_string(z)) / ("Von " + std::to_string(o) + " " +
                                                                           std::to_string(j) + ".txt");
        fs::rename(d / ("Dokument " + std::to_string(j) + ".txt"), ziel);
      }
    fs::copy_file(datei, vorlage);
  }
  ~Ablage() { fs::remove_all(basis); }

  void Zuruecksetzen() {
    for (const char* e : {"-wal", "-shm"}) fs::remove(datei.string() + e);
    fs::copy_file(vorlage, datei, fs::copy_options::overwrite_existing);
    // A register is not a file just written in full: its pages go to the
    // disk before the run, not with the run's first write-back.
    const int fd = ::open(datei.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      ::fsync(fd);
      ::close(fd);
    }
  }
};

Ablage& A() {
  static Ablage a;
  return a;
}

// opendir / readdir / fstatat over every folder, nothing else.
std::size_t Laufen(const fs::path& ordner) {
  const int fd = ::open(ordner.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;
  DIR* d = ::fdopendir(fd);
  std::size_t n = 0;
  while (const dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0))) continue;
    struct stat st;
    if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode))
      n += Laufen(ordner / e->d_name);
    else if (S_ISREG(st.st_mode))
      ++n;
  }
  ::closedir(d);
  return n;
}

void PlainWalk(benchmark::State& state) {
  auto& a = A();
  for (auto _ : state) {
    const std::size_t n = Laufen(a.laufwerk / "VXMDOK");
    if (n != kOrdner * kJeOrdner + 1100) state.SkipWithError("walk incomplete");
  }
}
BENCHMARK(PlainWalk)->Unit(benchmark::kMillisecond)->MinTime(2);

void Abgleichen(benchmark::State& state) {
  auto& a = A();
  SchreibpruefungAufschieben(true);  // as the register tool opens it
  for (auto _ : state) {
    state.PauseTiming();
    a.Zuruecksetzen();
    state.ResumeTiming();
    auto db = DatenbankOeffnenHost(a.datei);
    const AbgleichErgebnis e = vxm::Abgleichen(*db, kWurzel);
    db.reset();  // closing writes back what the log holds: part of the run
    state.PauseTiming();
    if (e.Vorgaenge.Umgezogen != kVerschoben || e.Vorgaenge.Beiseitegelegt != 0)
      state.SkipWithError(("wrong result: " + AbgleichZusammenfassung(e)).c_str());
    state.ResumeTiming();
  }
  SchreibpruefungAufschieben(false);
}
BENCHMARK(Abgleichen)->Unit(benchmark::kMillisecond)->MinTime(2);

// The folder listing as it was before it listed with one stat a file.
std::vector<DateiEintrag> ListeWieFrueher(const std::string& ordner) {
  std::vector<DateiEintrag> dateien;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(HostPfadVon(ordner), ec)) {
    if (!fs::is_regular_file(e.path(), ec)) continue;
    DateiEintrag d{e.path().filename().string(), fs::file_size(e.path(), ec), 0};
    const auto t = fs::last_write_time(e.path(), ec);
    d.Geaendert = std::chrono::system_clock::to_time_t(std::chrono::time_point_cast<std::chrono::system_clock::duration>(
        t - fs::file_time_type::clock::now() + std::chrono::system_clock::now()));
    dateien.push_back(std::move(d));
  }
  std::sort(dateien.begin(), dateien.end(), [](const DateiEintrag& x, const DateiEintrag& y) { return x.Name < y.Name; });
  return dateien;
}

// The clean-up of one folder as it ran before: the folder's files against its rows.
template <bool kFrueher>
void OrdnerVergleich(benchmark::State& state) {
  auto& a = A();
  auto db = DatenbankOeffnenHost(a.datei);
  const std::string ordner = kWurzel + "\\Ordner " + std::to_string(state.range(0));
  for (auto _ : state) {
    DateiBestand bestand;
    for (const auto& e : kFrueher ? ListeWieFrueher(ordner) : Dienste().Dateien->Files(ordner))
      bestand.Dateien.push_back(ordner + "\\" + e.Name);
    const Bereinigung b = RegisterBereinigenMitBestand(*db, ordner + "\\", bestand);
    if (b.Geprueft != static_cast<std::size_t>(state.range(0) / 2)) state.SkipWithError("wrong rows");
  }
}
void OrdnerHeute(benchmark::State& state) { OrdnerVergleich<true>(state); }
void OrdnerListe(benchmark::State& state) { OrdnerVergleich<false>(state); }
BENCHMARK(OrdnerHeute)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(OrdnerListe)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

void OrdnerNeu(benchmark::State& state) {
  auto& a = A();
  auto db = DatenbankOeffnenHost(a.datei);
  const std::string ordner = kWurzel + "\\Ordner " + std::to_string(state.range(0));
  RegisterBereinigen(*db, ordner + "\\");  // prints of the folder current
  const int64_t vorher = sqlite3_total_changes64(db->Handle());
  for (auto _ : state) {
    const Bereinigung b = RegisterBereinigen(*db, ordner + "\\");
    if (b.Geprueft != static_cast<std::size_t>(state.range(0) / 2)) state.SkipWithError("wrong rows");
  }
  if (sqlite3_total_changes64(db->Handle()) != vorher) state.SkipWithError("an unchanged folder was written to");
}
BENCHMARK(OrdnerNeu)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
