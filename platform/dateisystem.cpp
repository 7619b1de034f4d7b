#include "platform/dateisystem.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <system_error>

#include "platform/fehler.h"
#include "platform/text.h"

namespace vxm {
namespace fs = std::filesystem;
namespace {

[[noreturn]] void Fehler(int32_t nummer) { throw VbFehler::Standard(nummer); }

// Maps an operating-system failure to the host's error numbers.
[[noreturn]] void SystemFehler(const std::error_code& ec) {
  if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory)
    Fehler(fehlernr::PfadNichtGefunden);
  if (ec == std::errc::file_exists || ec == std::errc::directory_not_empty)
    Fehler(fehlernr::DateiExistiert);
  if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted ||
      ec == std::errc::read_only_file_system)
    Fehler(fehlernr::ZugriffVerweigert);
  if (ec == std::errc::device_or_resource_busy || ec == std::errc::text_file_busy)
    Fehler(fehlernr::PfadZugriffsfehler);
  if (ec == std::errc::cross_device_link) Fehler(fehlernr::AnderesLaufwerk);
  if (ec == std::errc::no_space_on_device) throw VbFehler(61, "Datenträger voll");
  throw VbFehler(fehlernr::PfadZugriffsfehler, StandardBeschreibung(fehlernr::PfadZugriffsfehler) +
                                                   " (" + ec.message() + ")");
}

std::time_t Zeitpunkt(fs::file_time_type t) {
  const auto sys = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
      t - fs::file_time_type::clock::now() + std::chrono::system_clock::now());
  return std::chrono::system_clock::to_time_t(sys);
}

bool IstOrdner(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec);
}

bool IstDatei(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

bool Existiert(const fs::path& p) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(p, ec));
}

// A sibling name for writing a new version of a file before it replaces the old.
fs::path Zwischendatei(const fs::path& ziel) {
  static thread_local std::mt19937_64 zufall{std::random_device{}()};
  return ziel.parent_path() / (".~vxm" + std::to_string(zufall()) + ".tmp");
}

bool EnthaeltSchreibgeschuetztes(const fs::path& ordner) {
  if (HostDateisystem::Schreibgeschuetzt(ordner)) return true;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(ordner, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_symlink() && HostDateisystem::Schreibgeschuetzt(it->path())) return true;
  }
  return false;
}

}  // namespace

HostDateisystem::HostDateisystem(Laufwerkstabelle laufwerke) : laufwerke_(std::move(laufwerke)) {}

void HostDateisystem::SchreibgeschuetztSetzen(const fs::path& host, bool an) {
  std::error_code ec;
  fs::permissions(host, fs::perms::owner_write,
                  an ? fs::perm_options::remove : fs::perm_options::add, ec);
  if (ec) SystemFehler(ec);
}

bool HostDateisystem::Schreibgeschuetzt(const fs::path& host) {
  std::error_code ec;
  auto st = fs::status(host, ec);
  if (ec) return false;
  return (st.permissions() & fs::perms::owner_write) == fs::perms::none;
}

AufgeloesterPfad HostDateisystem::Ordner(const std::string& pfad) const {
  auto a = Aufloesen(pfad);
  if (!IstOrdner(a.Host)) Fehler(fehlernr::PfadNichtGefunden);
  return a;
}

void HostDateisystem::GetFolder(const std::string& pfad) { Ordner(pfad); }

std::vector<std::string> HostDateisystem::SubFolders(const std::string& pfad) {
  auto a = Ordner(pfad);
  std::vector<std::string> namen;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(a.Host, ec)) {
    if (IstOrdner(e.path())) namen.push_back(e.path().filename().string());
  }
  if (ec) SystemFehler(ec);
  std::sort(namen.begin(), namen.end());
  return namen;
}

std::vector<DateiEintrag> HostDateisystem::Files(const std::string& pfad) {
  auto a = Ordner(pfad);
  std::vector<DateiEintrag> dateien;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(a.Host, ec)) {
    if (!IstDatei(e.path())) continue;
    std::string name = e.path().filename().string();
    if (name.rfind(".~vxm", 0) == 0) continue;  // our own unfinished writes
    std::error_code ec2;
    DateiEintrag d{name, fs::file_size(e.path(), ec2), 0};
    auto t = fs::last_write_time(e.path(), ec2);
    if (!ec2) d.Geaendert = Zeitpunkt(t);
    dateien.push_back(std::move(d));
  }
  if (ec) SystemFehler(ec);
  std::sort(dateien.begin(), dateien.end(),
            [](const DateiEintrag& x, const DateiEintrag& y) { return x.Name < y.Name; });
  return dateien;
}

void HostDateisystem::CreateFolder(const std::string& pfad) {
  auto a = Aufloesen(pfad);
  if (Existiert(a.Host)) Fehler(fehlernr::DateiExistiert);
  if (!IstOrdner(a.Host.parent_path())) Fehler(fehlernr::PfadNichtGefunden);
  std::error_code ec;
  fs::create_directory(a.Host, ec);
  if (ec) SystemFehler(ec);
}

void HostDateisystem::DeleteFolder(const std::string& pfad, bool erzwingen) {
  auto a = Ordner(pfad);
  // A drive's own root is never deleted.
  if (a.Teile.empty()) Fehler(fehlernr::ZugriffVerweigert);
  // Nothing is deleted when a read-only item would stop the deletion half-way.
  if (!erzwingen && EnthaeltSchreibgeschuetztes(a.Host)) Fehler(fehlernr::ZugriffVerweigert);
  std::error_code ec;
  fs::remove_all(a.Host, ec);
  if (ec) SystemFehler(ec);
}

void HostDateisystem::CopyFile(const std::string& quelle, const std::string& ziel,
                               bool ueberschreiben) {
  auto q = Aufloesen(quelle);
  if (!IstDatei(q.Host)) Fehler(fehlernr::DateiNichtGefunden);
  std::string zielPfad = ziel;
  if (!zielPfad.empty() && (zielPfad.back() == '\\' || zielPfad.back() == '/')) {
    zielPfad += q.Teile.back();
  }
  auto z = Aufloesen(zielPfad);
  if (!IstOrdner(z.Host.parent_path())) Fehler(fehlernr::PfadNichtGefunden);
  std::error_code ec;
  if (Existiert(z.Host)) {
    if (IstOrdner(z.Host) || !ueberschreiben) Fehler(fehlernr::DateiExistiert);
    if (fs::equivalent(q.Host, z.Host, ec)) Fehler(fehlernr::ZugriffVerweigert);
    if (Schreibgeschuetzt(z.Host)) Fehler(fehlernr::ZugriffVerweigert);
  }
  // Copy beside the target first, so a failed copy leaves the old target whole.
  fs::path zwischen = Zwischendatei(z.Host);
  fs::copy_file(q.Host, zwischen, ec);
  if (ec) {
    fs::remove(zwischen, ec);
    SystemFehler(ec);
  }
  auto zeit = fs::last_write_time(q.Host, ec);
  if (!ec) fs::last_write_time(zwischen, zeit, ec);
  fs::rename(zwischen, z.Host, ec);
  if (ec) {
    std::error_code ec2;
    fs::remove(zwischen, ec2);
    SystemFehler(ec);
  }
}

void HostDateisystem::DeleteFile(const std::string& pfad, bool erzwingen) {
  auto a = Aufloesen(pfad);
  if (!IstDatei(a.Host)) Fehler(fehlernr::DateiNichtGefunden);
  if (!erzwingen && Schreibgeschuetzt(a.Host)) Fehler(fehlernr::ZugriffVerweigert);
  std::error_code ec;
  fs::remove(a.Host, ec);
  if (ec) SystemFehler(ec);
}

void HostDateisystem::CreateTextFile(const std::string& pfad, bool ueberschreiben) {
  auto a = Aufloesen(pfad);
  if (!IstOrdner(a.Host.parent_path())) Fehler(fehlernr::PfadNichtGefunden);
  if (Existiert(a.Host)) {
    if (IstOrdner(a.Host) || !ueberschreiben) Fehler(fehlernr::DateiExistiert);
    if (Schreibgeschuetzt(a.Host)) Fehler(fehlernr::ZugriffVerweigert);
  }
  std::ofstream datei(a.Host, std::ios::binary | std::ios::trunc);
  if (!datei) Fehler(fehlernr::ZugriffVerweigert);
}

bool HostDateisystem::FileExists(const std::string& pfad) {
  try {
    return IstDatei(Aufloesen(pfad).Host);
  } catch (const VbFehler&) {
    return false;
  }
}

void HostDateisystem::Name(const std::string& alt, const std::string& neu) {
  auto a = Aufloesen(alt);
  if (a.Teile.empty() || !Existiert(a.Host)) Fehler(fehlernr::DateiNichtGefunden);
  auto n = Aufloesen(neu);
  if (n.Teile.empty()) Fehler(fehlernr::DateiExistiert);
  if (n.Laufwerk != a.Laufwerk) Fehler(fehlernr::AnderesLaufwerk);
  const fs::path oberordner = n.Host.parent_path();
  if (!IstOrdner(oberordner)) Fehler(fehlernr::PfadNichtGefunden);
  // The new name keeps the spelling the caller gave, so a rename that only
  // changes letter case is possible.
  const std::string& neuerName = n.Eingabe.back();
  std::error_code ec;
  const bool selbesObjekt = Existiert(n.Host) && fs::equivalent(a.Host, n.Host, ec);
  if (!selbesObjekt) {
    if (Existiert(n.Host)) Fehler(fehlernr::DateiExistiert);
    // A folder cannot move into itself.
    if (n.Teile.size() > a.Teile.size() &&
        std::equal(a.Teile.begin(), a.Teile.end(), n.Teile.begin(),
                   [](const std::string& x, const std::string& y) { return GleichOhneFall(x, y); }))
      Fehler(fehlernr::PfadZugriffsfehler);
  } else if (a.Host.filename() == neuerName) {
    return;  // same name, nothing to do
  }
  fs::rename(a.Host, oberordner / neuerName, ec);
  if (ec) SystemFehler(ec);
}

std::size_t HostDateisystem::DriveCount() { return laufwerke_.Buchstaben().size(); }

std::string HostDateisystem::DriveLetter(std::size_t index) {
  auto b = laufwerke_.Buchstaben();
  if (index >= b.size()) Fehler(fehlernr::IndexAusserhalb);
  auto ordner = laufwerke_.Ordner(b[index]);
  if (!ordner || !IstOrdner(*ordner)) Fehler(fehlernr::NichtBereit);
  return std::string(1, b[index]);
}

std::string HostDateisystem::DateiLesen(const std::string& pfad) {
  auto a = Aufloesen(pfad);
  if (!IstDatei(a.Host)) Fehler(fehlernr::DateiNichtGefunden);
  std::ifstream datei(a.Host, std::ios::binary);
  if (!datei) Fehler(fehlernr::ZugriffVerweigert);
  // One allocation of the file's size: scanned pages are read back whole,
  // and growing the text step by step would hold it up to twice over.
  std::error_code ec;
  const auto groesse = fs::file_size(a.Host, ec);
  std::string inhalt(ec ? 0 : static_cast<std::size_t>(groesse), '\0');
  datei.read(inhalt.data(), static_cast<std::streamsize>(inhalt.size()));
  inhalt.resize(static_cast<std::size_t>(datei.gcount()));
  if (datei) inhalt.append(std::istreambuf_iterator<char>(datei), std::istreambuf_iterator<char>());
  if (datei.bad()) Fehler(fehlernr::PfadZugriffsfehler);
  return inhalt;
}

void HostDateisystem::DateiSchreiben(const std::string& pfad, const std::string& bytes) {
  auto a = Aufloesen(pfad);
  if (!IstOrdner(a.Host.parent_path())) Fehler(fehlernr::PfadNichtGefunden);
  if (IstOrdner(a.Host)) Fehler(fehlernr::PfadZugriffsfehler);
  if (Existiert(a.Host) && Schreibgeschuetzt(a.Host)) Fehler(fehlernr::ZugriffVerweigert);
  fs::path zwischen = Zwischendatei(a.Host);
  {
    std::ofstream datei(zwischen, std::ios::binary | std::ios::trunc);
    if (!datei) Fehler(fehlernr::ZugriffVerweigert);
    datei.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    datei.flush();
    if (!datei) {
      std::error_code ec;
      fs::remove(zwischen, ec);
      Fehler(fehlernr::PfadZugriffsfehler);
    }
  }
  std::error_code ec;
  fs::rename(zwischen, a.Host, ec);
  if (ec) {
    std::error_code ec2;
    fs::remove(zwischen, ec2);
    SystemFehler(ec);
  }
}

}  // namespace vxm
