// Opening a database (one connection per database and thread), its
// transactions, statements in the host's dialect, and the record-set sources
// of the windows. The engine itself sits behind Verbindung.
#include "platform/datenbank.h"

#include <chrono>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>

#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/jetsql.h"
#include "platform/pgverbindung.h"
#include "platform/sqliteverbindung.h"
#include "platform/verbindung.h"

namespace vxm {
namespace fs = std::filesystem;

namespace {

// Databases open on this thread, by host path: every source bound to the
// same file shares one connection (and so sees its own uncommitted rows).
std::map<std::string, std::weak_ptr<Datenbank>>& OffeneDatenbanken() {
  thread_local std::map<std::string, std::weak_ptr<Datenbank>> offen;
  return offen;
}

}  // namespace

struct Datenbank::Impl {
  std::unique_ptr<Verbindung> v;
  std::weak_ptr<Datenbank> selbst;
  int tiefe = 0;  // nesting of Beginnen
  bool fuerNamen = false;  // the outermost began with BeginnenFuer
};

Datenbank::Datenbank() : impl_(std::make_unique<Impl>()) {}
Datenbank::~Datenbank() = default;

const std::string& Datenbank::Datei() const { return impl_->v->Name(); }
Verbindung& Datenbank::Anbindung() { return *impl_->v; }
sqlite3* Datenbank::Handle() { return SqliteHandle(*impl_->v); }
void Datenbank::Fehler(int rc, std::string_view wobei) { SqliteFehler(*impl_->v, rc, wobei); }
void Datenbank::Schreibpruefung() { impl_->v->Schreibpruefung(); }

sqlite3_stmt* Datenbank::Anweisung(const std::string& sql) {
  if (!Handle())
    throw VbFehler(fehlernr::DatenbankFehler, "Die Datenbank " + Datei() +
                                                  " liegt auf einem Server; diese Anweisung gibt es nur für "
                                                  "SQLite-Dateien: " + sql);
  Befehl& b = impl_->v->Gespeichert(sql);
  b.Zuruecksetzen();
  b.BindungenLoeschen();
  return SqliteAnweisung(b);
}

void Datenbank::Beginnen() {
  Verbindung& v = *impl_->v;
  if (impl_->tiefe == 0) {
    v.Schreibpruefung();
    v.Beginnen();
    impl_->fuerNamen = false;
  } else {
    // Inside a change for named rows the rest of the database is not locked.
    if (impl_->fuerNamen)
      throw VbFehler(fehlernr::DatenbankFehler,
                     "Interner Fehler: eine Änderung in " + Datei() + " begann in einer Änderung nur für benannte Zeilen.");
    v.Sicherungspunkt(impl_->tiefe);
  }
  ++impl_->tiefe;
}

void Datenbank::BeginnenFuer(const std::vector<std::string>& namen) {
  if (impl_->tiefe > 0) {
    Beginnen();  // joins the outer transaction, whose lock covers it
    return;
  }
  Verbindung& v = *impl_->v;
  v.Schreibpruefung();
  v.BeginnenFuer(namen);
  impl_->fuerNamen = true;
  ++impl_->tiefe;
}

void Datenbank::Bestaetigen() {
  Verbindung& v = *impl_->v;
  if (impl_->tiefe == 0) throw VbFehler(3034, "Bestätigen ohne begonnene Transaktion in " + Datei() + ".");
  --impl_->tiefe;
  try {
    if (impl_->tiefe == 0) {
      if (!v.TransaktionOffen())
        throw VbFehler(fehlernr::DatenbankFehler,
                       "Die Transaktion in " + Datei() + " wurde abgebrochen; nichts wurde gespeichert.");
      v.Festschreiben();
    } else {
      v.Freigeben(impl_->tiefe);
    }
  } catch (...) {
    ++impl_->tiefe;  // still open: the caller rolls back
    throw;
  }
}

void Datenbank::Verwerfen() {
  if (impl_->tiefe == 0) return;
  --impl_->tiefe;
  if (impl_->tiefe == 0)
    impl_->v->Zuruecknehmen();
  else
    impl_->v->ZurueckZu(impl_->tiefe);
}

int64_t Datenbank::Execute(std::string_view sql) {
  const JetAnweisung a = JetUebersetzen(sql, impl_->v->Ziel(), true, impl_->v->Katalog());
  if (!a.IstAbfrage) impl_->v->Schreibpruefung();
  return impl_->v->Ausfuehren(a.Sql, sql);
}

Recordset Datenbank::TabelleOeffnen(std::string_view tabelle) {
  std::string name(tabelle);
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
  if (name.find(']') != std::string::npos)
    throw VbFehler(fehlernr::TabelleFehlt, "Ungültiger Tabellenname " + name + ".");
  return OpenRecordset("SELECT * FROM [" + name + "]");
}

// --- opening -------------------------------------------------------------------

namespace {

fs::path HostPfad(const std::string& datei) {
  try {
    if (auto* host = dynamic_cast<HostDateisystem*>(Dienste().Dateien.get()))
      return host->Laufwerke().Aufloesen(datei).Host;
    return Laufwerkstabelle::AusUmgebung().Aufloesen(datei).Host;
  } catch (const VbFehler& f) {
    throw VbFehler(fehlernr::DatenbankFehlt,
                   "Die Datenbank " + datei + " wurde nicht gefunden (" + f.Beschreibung + ").");
  }
}

std::shared_ptr<Datenbank> Oeffnen(const fs::path& host, const std::string& datei);

}  // namespace

class DatenbankZugang {
 public:
  static std::shared_ptr<Datenbank> Neu(std::unique_ptr<Verbindung> v) {
    auto db = std::shared_ptr<Datenbank>(new Datenbank());
    db->impl_->v = std::move(v);
    db->impl_->selbst = db;
    return db;
  }
};

std::shared_ptr<Datenbank> Datenbank::Selbst() { return impl_->selbst.lock(); }

namespace {

std::string Getrimmt(const std::string& s) {
  const auto a = s.find_first_not_of(" \t\r");
  const auto b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// The server connection the office file beside a database names for it, or "".
std::string ServerAusBuerodatei(const fs::path& host) {
  const fs::path datei = host.parent_path() / kServerDatei;
  std::ifstream ein(datei);
  if (!ein) return {};
  std::string zeile;
  while (std::getline(ein, zeile)) {
    zeile = Getrimmt(zeile);
    if (zeile.empty() || zeile[0] == '#') continue;
    const auto gleich = zeile.find('=');
    if (gleich == std::string::npos || !GleichOhneFall(Getrimmt(zeile.substr(0, gleich)), host.filename().string()))
      continue;
    std::string verbindung = Getrimmt(zeile.substr(gleich + 1));
    if (!IstServerVerbindung(verbindung))
      throw VbFehler(fehlernr::ServerNichtErreichbar,
                     "In " + datei.string() + " steht für " + host.filename().string() +
                         " keine Serververbindung (erwartet: postgresql:...).");
    if (EnthaeltPasswort(verbindung))
      throw VbFehler(fehlernr::ServerNichtErreichbar,
                     "In " + datei.string() + " steht ein Passwort; es gehört in ~/.pgpass oder eine "
                     "Dienstdatei des Benutzers. Die Verbindung wird so nicht aufgebaut.");
    return verbindung;
  }
  return {};
}

std::shared_ptr<Datenbank> Geteilt(const std::string& schluessel,
                                   const std::function<std::unique_ptr<Verbindung>()>& verbinden) {
  auto& offen = OffeneDatenbanken();
  if (auto it = offen.find(schluessel); it != offen.end()) {
    if (auto db = it->second.lock()) return db;
  }
  std::erase_if(offen, [](const auto& e) { return e.second.expired(); });
  auto db = DatenbankZugang::Neu(verbinden());
  offen[schluessel] = db;
  return db;
}

// A server that did not answer is not waited for again at once: the steps
// of one start (the host's check, each data source of the window) ask one
// after the other, and each would wait its full connect timeout.
constexpr auto kNichtErreichbarGemerkt = std::chrono::seconds(15);

std::map<std::string, std::pair<std::chrono::steady_clock::time_point, VbFehler>>& NichtErreichbar() {
  thread_local std::map<std::string, std::pair<std::chrono::steady_clock::time_point, VbFehler>> gemerkt;
  return gemerkt;
}

std::shared_ptr<Datenbank> ServerOeffnen(const std::string& verbindung) {
  auto& gemerkt = NichtErreichbar();
  const auto jetzt = std::chrono::steady_clock::now();
  if (auto it = gemerkt.find(verbindung); it != gemerkt.end()) {
    if (jetzt - it->second.first < kNichtErreichbarGemerkt) throw it->second.second;
    gemerkt.erase(it);
  }
  try {
    return Geteilt(verbindung, [&] { return PostgresVerbinden(verbindung); });
  } catch (const VbFehler& e) {
    if (e.Nummer == fehlernr::ServerNichtErreichbar) gemerkt.insert_or_assign(verbindung, std::pair{jetzt, e});
    throw;
  }
}

std::shared_ptr<Datenbank> DateiOeffnen(const fs::path& host, const std::string& datei) {
  std::error_code ec;
  if (!fs::is_regular_file(host, ec))
    throw VbFehler(fehlernr::DatenbankFehlt, "Die Datenbank " + datei + " wurde nicht gefunden.");
  return Geteilt(fs::weakly_canonical(host, ec).string(), [&] { return SqliteVerbinden(host, datei); });
}

std::shared_ptr<Datenbank> Oeffnen(const fs::path& host, const std::string& datei) {
  if (const std::string server = ServerAusBuerodatei(host); !server.empty()) return ServerOeffnen(server);
  return DateiOeffnen(host, datei);
}

}  // namespace

std::shared_ptr<Datenbank> DatenbankOeffnen(const std::string& datei) {
  if (IstServerVerbindung(datei)) return ServerOeffnen(datei);
  return Oeffnen(HostPfad(datei), datei);
}

std::shared_ptr<Datenbank> DatenbankOeffnenHost(const std::filesystem::path& host) {
  if (IstServerVerbindung(host.string())) return ServerOeffnen(host.string());
  return Oeffnen(host, host.string());
}

std::shared_ptr<Datenbank> DatenbankDateiOeffnenHost(const std::filesystem::path& host) {
  if (IstServerVerbindung(host.string())) return ServerOeffnen(host.string());
  return DateiOeffnen(host, host.string());
}

std::string ServerFuerDatenbank(const std::filesystem::path& host) { return ServerAusBuerodatei(host); }

// --- notices -------------------------------------------------------------------

namespace {
std::mutex& HinweisSperre() {
  static std::mutex m;
  return m;
}
std::function<void(const std::string&)>& HinweisZiel() {
  static std::function<void(const std::string&)> ziel;
  return ziel;
}
}  // namespace

void DatenbankHinweiseSetzen(std::function<void(const std::string&)> zeigen) {
  std::lock_guard<std::mutex> l(HinweisSperre());
  HinweisZiel() = std::move(zeigen);
}

void DatenbankHinweisGeben(const std::string& schluessel, const std::string& text) {
  static std::set<std::string> gegeben;
  std::function<void(const std::string&)> ziel;
  {
    std::lock_guard<std::mutex> l(HinweisSperre());
    if (!gegeben.insert(schluessel).second) return;
    ziel = HinweisZiel();
  }
  if (ziel) ziel(text);
}

Transaktion::~Transaktion() {
  if (offen_) {
    try {
      db_.Verwerfen();
    } catch (...) {
    }
  }
}

void Transaktion::Bestaetigen() {
  if (!offen_) return;
  db_.Bestaetigen();
  offen_ = false;
}

// --- record-set sources ------------------------------------------------------

Datenbank& Datenquelle::Database() {
  if (!db_ || dbDatei_ != DatabaseName) {
    rs_ = Recordset();
    db_.reset();
    db_ = DatenbankOeffnen(DatabaseName);
    dbDatei_ = DatabaseName;
  }
  return *db_;
}

void Datenquelle::Refresh() {
  Datenbank& db = Database();
  rs_ = Recordset();  // a pending AddNew of the old set is rolled back first
  const std::string& q = RecordSource;
  // a bare name (or [name]) is a table; anything else is SQL text
  const bool klammer = q.size() >= 2 && q.front() == '[' && q.back() == ']';
  const bool tabelle = klammer || (!q.empty() && std::all_of(q.begin(), q.end(), [](char c) {
                         const auto u = static_cast<unsigned char>(c);
                         return u >= 0x80 || std::isalnum(u) || c == '_';
                       }));
  rs_ = tabelle ? db.TabelleOeffnen(q) : db.OpenRecordset(q);
}

Recordset& Datenquelle::Rs() { return rs_; }

void Datenquelle::Schliessen() {
  rs_ = Recordset();
  db_.reset();
  dbDatei_.clear();
}

void DatenquellenVerbinden(const std::vector<Datenquelle*>& quellen, const std::string& connect) {
  for (Datenquelle* q : quellen)
    if (q) q->Connect = connect;
}

}  // namespace vxm
