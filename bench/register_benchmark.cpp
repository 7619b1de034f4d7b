// Register lookups on a register of 100,000 files, 2,000 keywords and
// 300,000 links: the indexed lookups against the walks over whole tables
// that the register operations would otherwise do, with the same answers.
//
// Every benchmark reports the median over its repetitions; the walks take a
// few hundred milliseconds each, so they run few iterations.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "keywords/registerzugriff.h"
#include "platform/datenbank.h"
#include "platform/jetsql.h"
#include "platform/text.h"

namespace {
namespace fs = std::filesystem;
using namespace vxm;

constexpr int kDateien = 100000;
constexpr int kKeywords = 2000;
constexpr int kLinks = 300000;

std::string Dateiname(int i) { return "Schreiben Nr. " + std::to_string(i) + " Hausmeister Jürgen.pdf"; }
std::string Ordner(int i) {
  return "C:\\VXM\\VXMDOK\\1\\" + std::to_string(1 + i % 40) + "\\" + std::to_string(1 + (i / 40) % 25) +
         "\\Verträge";
}
std::string KeywordName(int k) { return (k % 3 ? "MIETE " : "MÜLLABFUHR ") + std::to_string(k); }

struct Register {
  fs::path ordner;
  std::shared_ptr<Datenbank> db;
  Register() {
    ordner = fs::temp_directory_path() / ("vxm-register-bench-" + std::to_string(getpid()));
    fs::create_directories(ordner);
    const fs::path datei = ordner / "vxmdok.mdb";
    RegisterAnlegen(datei.string());
    db = DatenbankOeffnenHost(datei);
    std::mt19937 zufall(42);
    Transaktion t(*db);
    sqlite3_stmt* s = db->Anweisung("INSERT INTO Keyword (Keyword) VALUES (?1)");
    for (int k = 1; k <= kKeywords; ++k) {
      const std::string n = KeywordName(k);
      sqlite3_reset(s);
      sqlite3_bind_text(s, 1, n.c_str(), -1, SQLITE_TRANSIENT);
      if (sqlite3_step(s) != SQLITE_DONE) std::abort();
    }
    s = db->Anweisung("INSERT INTO Dateiinfo (Dateiname, Dateipfad) VALUES (?1, ?2)");
    for (int i = 1; i <= kDateien; ++i) {
      const std::string n = Dateiname(i), o = Ordner(i);
      sqlite3_reset(s);
      sqlite3_bind_text(s, 1, n.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(s, 2, o.c_str(), -1, SQLITE_TRANSIENT);
      if (sqlite3_step(s) != SQLITE_DONE) std::abort();
    }
    s = db->Anweisung("INSERT INTO KeywordZwischentabelle (Dateinummer, KeywordID) VALUES (?1, ?2)");
    for (int l = 0; l < kLinks; ++l) {
      sqlite3_reset(s);
      sqlite3_bind_int(s, 1, 1 + static_cast<int>(zufall() % kDateien));
      sqlite3_bind_int(s, 2, 1 + static_cast<int>(zufall() % kKeywords));
      if (sqlite3_step(s) != SQLITE_DONE) std::abort();
    }
    sqlite3_reset(s);
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

// --- the walks of the register operations ------------------------------------

int32_t DateiLaufend(Datenbank& db, const std::string& name, const std::string& ordner) {
  for (Recordset rs = db.OpenRecordset("SELECT * FROM Dateiinfo"); !rs.Eof(); rs.MoveNext())
    if (GleichOhneFall(rs.Text("Dateiname"), name) && GleichOhneFall(rs.Text("Dateipfad"), ordner))
      return rs.Zahl("Dateinummer");
  return 0;
}

int32_t KeywordLaufend(Datenbank& db, const std::string& name) {
  for (Recordset rs = db.OpenRecordset("SELECT * FROM Keyword"); !rs.Eof(); rs.MoveNext())
    if (GleichOhneFall(rs.Text("Keyword"), name)) return rs.Zahl("KeywordID");
  return 0;
}

std::vector<std::string> KeywordsPerSql(Datenbank& db, int32_t nr) {
  std::vector<std::string> aus;
  for (Recordset rs = db.OpenRecordset(
           "SELECT Keyword.Keyword, KeywordZwischentabelle.Dateinummer FROM Keyword INNER JOIN "
           "KeywordZwischentabelle ON Keyword.KeywordID = KeywordZwischentabelle.KeywordID WHERE "
           "KeywordZwischentabelle.Dateinummer = " +
           std::to_string(nr));
       !rs.Eof(); rs.MoveNext())
    aus.push_back(rs.Text("Keyword"));
  return aus;
}

std::string Einzelsuche(int32_t id) {
  return "SELECT Dateiinfo.Dateiname, Dateiinfo.Dateipfad, Keyword.Keyword FROM Keyword INNER JOIN (Dateiinfo "
         "INNER JOIN KeywordZwischentabelle ON Dateiinfo.Dateinummer = KeywordZwischentabelle.Dateinummer) ON "
         "Keyword.KeywordID = KeywordZwischentabelle.KeywordID WHERE Keyword.KeywordID = " +
         std::to_string(id) + " ORDER BY Dateiinfo.Dateinummer";
}

std::vector<std::pair<std::string, std::string>> Zeilen(Recordset rs) {
  std::vector<std::pair<std::string, std::string>> aus;
  for (; !rs.Eof(); rs.MoveNext()) aus.emplace_back(rs.Text("Dateiname"), rs.Text("Dateipfad"));
  return aus;
}

// The searched file, in other letter case than stored.
struct Ziel {
  int32_t nr;
  std::string name, ordner;
};
Ziel ZielDatei(std::mt19937& z) {
  const int i = 1 + static_cast<int>(z() % kDateien);
  return {i, Gross(Dateiname(i)), Klein(Ordner(i))};
}

void Pruefe(bool gleich, const char* was) {
  if (!gleich) {
    std::fprintf(stderr, "Verschiedene Antworten: %s\n", was);
    std::abort();
  }
}

// --- find a file by name and folder ------------------------------------------

void BM_DateiSuchen_Index(benchmark::State& state) {
  auto& db = *Reg().db;
  std::mt19937 z(1);
  for (auto _ : state) {
    const Ziel ziel = ZielDatei(z);
    benchmark::DoNotOptimize(DateiNummerSuchen(db, ziel.name, ziel.ordner));
  }
}
void BM_DateiSuchen_Lauf(benchmark::State& state) {
  auto& db = *Reg().db;
  std::mt19937 z(1);
  for (auto _ : state) {
    const Ziel ziel = ZielDatei(z);
    const int32_t nr = DateiLaufend(db, ziel.name, ziel.ordner);
    state.PauseTiming();
    Pruefe(nr == ziel.nr && nr == DateiNummerSuchen(db, ziel.name, ziel.ordner), "Datei");
    state.ResumeTiming();
  }
}

// --- list a file's keywords (find the file, then its keywords) ---------------

void BM_KeywordsDerDatei_Index(benchmark::State& state) {
  auto& db = *Reg().db;
  std::mt19937 z(2);
  for (auto _ : state) {
    const Ziel ziel = ZielDatei(z);
    benchmark::DoNotOptimize(KeywordsDerDatei(db, DateiNummerSuchen(db, ziel.name, ziel.ordner)));
  }
}
void BM_KeywordsDerDatei_Lauf(benchmark::State& state) {
  auto& db = *Reg().db;
  std::mt19937 z(2);
  for (auto _ : state) {
    const Ziel ziel = ZielDatei(z);
    const auto namen = KeywordsPerSql(db, DateiLaufend(db, ziel.name, ziel.ordner));
    state.PauseTiming();
    Pruefe(namen == KeywordsDerDatei(db, DateiNummerSuchen(db, ziel.name, ziel.ordner)), "Keywords der Datei");
    state.ResumeTiming();
  }
}

// --- attach a keyword to a registered file -------------------------------------

void Loesen(Datenbank& db, int32_t nr, int32_t id) {
  db.Execute("DELETE FROM KeywordZwischentabelle WHERE rowid = (SELECT max(rowid) FROM KeywordZwischentabelle "
             "WHERE Dateinummer = " + std::to_string(nr) + " AND KeywordID = " + std::to_string(id) + ")");
}

void BM_KeywordZuweisen_Index(benchmark::State& state) {
  auto& db = *Reg().db;
  std::mt19937 z(3);
  for (auto _ : state) {
    const Ziel ziel = ZielDatei(z);
    const std::string kw = Klein(KeywordName(1 + static_cast<int>(z() % kKeywords)));
    const int32_t nr = DateiNummerSuchen(db, ziel.name, ziel.ordner);
    const int32_t id = KeywordIdSuchen(db, kw);
    const bool neu = VerknuepfungAnhaengen(db, nr, id);
    state.PauseTiming();
    if (neu) Loesen(db, nr, id);
    state.ResumeTiming();
  }
}
// The walk: file by walking Dateiinfo, keyword by walking Keyword, the
// duplicate check through the Like join, the new link added to the record
// set of all links.
void BM_KeywordZuweisen_Lauf(benchmark::State& state) {
  auto& db = *Reg().db;
  std::mt19937 z(3);
  for (auto _ : state) {
    const Ziel ziel = ZielDatei(z);
    const std::string kw = Klein(KeywordName(1 + static_cast<int>(z() % kKeywords)));
    const int32_t nr = DateiLaufend(db, ziel.name, ziel.ordner);
    const int32_t id = KeywordLaufend(db, kw);
    Recordset pruef = db.OpenRecordset(
        "SELECT KeywordZwischentabelle.KeywordID, Dateiinfo.Dateiname, Dateiinfo.Dateipfad FROM Dateiinfo INNER "
        "JOIN KeywordZwischentabelle ON Dateiinfo.Dateinummer = KeywordZwischentabelle.Dateinummer WHERE "
        "Dateiinfo.Dateiname Like \"" + ziel.name + "\" AND Dateiinfo.Dateipfad Like \"" + ziel.ordner +
        "\" AND KeywordZwischentabelle.KeywordID = " + std::to_string(id));
    const bool neu = pruef.Eof();
    if (neu) {
      Recordset alle = db.OpenRecordset("SELECT * FROM KeywordZwischentabelle");
      alle.AddNew();
      alle.FeldSetzen("Dateinummer", nr);
      alle.FeldSetzen("KeywordID", id);
      alle.Update();
    }
    state.PauseTiming();
    Pruefe(nr == DateiNummerSuchen(db, ziel.name, ziel.ordner) && id == KeywordIdSuchen(db, kw) &&
               VerknuepfungVorhanden(db, nr, id),
           "Zuweisen");
    if (neu) Loesen(db, nr, id);
    state.ResumeTiming();
  }
}

// --- single-keyword search ---------------------------------------------------

void BM_Einzelsuche_Index(benchmark::State& state) {
  auto& db = *Reg().db;
  std::mt19937 z(4);
  for (auto _ : state) {
    const std::string kw = Klein(KeywordName(1 + static_cast<int>(z() % kKeywords)));
    benchmark::DoNotOptimize(DateienMitKeyword(db, KeywordIdSuchen(db, kw)));
  }
}
// The search's own SQL text through a record set, the id found by index.
void BM_Einzelsuche_SqlText(benchmark::State& state) {
  auto& db = *Reg().db;
  std::mt19937 z(4);
  for (auto _ : state) {
    const std::string kw = Klein(KeywordName(1 + static_cast<int>(z() % kKeywords)));
    benchmark::DoNotOptimize(Zeilen(db.OpenRecordset(Einzelsuche(KeywordIdSuchen(db, kw)))));
  }
}
// The walk: the keyword by walking Keyword, then the links by walking all
// link rows, each file by walking Dateiinfo once (files kept by number).
void BM_Einzelsuche_Lauf(benchmark::State& state) {
  auto& db = *Reg().db;
  std::mt19937 z(4);
  for (auto _ : state) {
    const std::string kw = Klein(KeywordName(1 + static_cast<int>(z() % kKeywords)));
    const int32_t id = KeywordLaufend(db, kw);
    std::vector<int32_t> nummern;
    for (Recordset l = db.OpenRecordset("SELECT * FROM KeywordZwischentabelle"); !l.Eof(); l.MoveNext())
      if (l.Zahl("KeywordID") == id) nummern.push_back(l.Zahl("Dateinummer"));
    std::sort(nummern.begin(), nummern.end());
    std::vector<std::pair<std::string, std::string>> zeilen;
    std::size_t k = 0;
    for (Recordset d = db.OpenRecordset("SELECT * FROM Dateiinfo"); !d.Eof() && k < nummern.size(); d.MoveNext()) {
      const int32_t nr = d.Zahl("Dateinummer");
      while (k < nummern.size() && nummern[k] == nr) {
        zeilen.emplace_back(d.Text("Dateiname"), d.Text("Dateipfad"));
        ++k;
      }
    }
    state.PauseTiming();
    std::vector<std::pair<std::string, std::string>> schnell;
    for (const auto& t : DateienMitKeyword(db, KeywordIdSuchen(db, kw))) schnell.emplace_back(t.Dateiname, t.Dateipfad);
    Pruefe(zeilen == schnell && zeilen == Zeilen(db.OpenRecordset(Einzelsuche(id))), "Einzelsuche");
    state.ResumeTiming();
  }
}

// Medians over repetitions; the walks run a few iterations per repetition.
#define SCHNELL(f) BENCHMARK(f)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true)
#define LAUF(f) BENCHMARK(f)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3)->ReportAggregatesOnly(true)
SCHNELL(BM_DateiSuchen_Index);
LAUF(BM_DateiSuchen_Lauf);
SCHNELL(BM_KeywordsDerDatei_Index);
LAUF(BM_KeywordsDerDatei_Lauf);
SCHNELL(BM_KeywordZuweisen_Index);
LAUF(BM_KeywordZuweisen_Lauf);
SCHNELL(BM_Einzelsuche_Index);
SCHNELL(BM_Einzelsuche_SqlText);
LAUF(BM_Einzelsuche_Lauf);

}  // namespace

BENCHMARK_MAIN();
