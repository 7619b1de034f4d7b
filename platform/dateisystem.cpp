#include "platform/dateisystem.h"

#include <fcntl.h>
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/fehler.h"
#include "platform/text.h"

namespace vxm {
namespace fs = std::filesystem;
namespace {

[[noreturn]] void Fehler(int32_t nummer) { throw VbFehler::Standard(nummer); }

// An unexpected device error carries the system's own words along.
[[noreturn]] void SystemFehler(const std::error_code& ec) {
  const int32_t nummer = SystemFehlernummer(ec);
  if (nummer == fehlernr::GeraeteEA)
    throw VbFehler(nummer, StandardBeschreibung(nummer) + " (" + ec.message() + ")");
  Fehler(nummer);
}

[[noreturn]] void Systemfehler() { SystemFehler(std::error_code(errno, std::generic_category())); }

// Files are opened and written with the system calls themselves, so that
// the reason of a failure (full disk, bad name) is known.
class Deskriptor {
 public:
  Deskriptor(const fs::path& p, int flags) : fd_(::open(p.c_str(), flags | O_CLOEXEC, 0666)) {
    if (fd_ < 0) Systemfehler();
  }
  ~Deskriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Deskriptor(const Deskriptor&) = delete;
  Deskriptor& operator=(const Deskriptor&) = delete;

  void Schreiben(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        Systemfehler();
      }
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
  }
  // Up to `groesse` bytes; 0 at the end of the file.
  std::size_t Lesen(char* puffer, std::size_t groesse) {
    while (true) {
      const ssize_t n = ::read(fd_, puffer, groesse);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) Systemfehler();
    }
  }
  // One allocation of the file's size: scanned pages are read back whole,
  // and growing the text step by step would hold them up to twice over.
  std::string AllesLesen() {
    struct stat st {};
    std::size_t erwartet = ::fstat(fd_, &st) == 0 && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
    std::string inhalt(erwartet + 1, '\0');
    std::size_t gelesen = 0;
    for (;;) {
      if (gelesen == inhalt.size()) inhalt.resize(inhalt.size() * 2 + 4096);
      const std::size_t n = Lesen(inhalt.data() + gelesen, inhalt.size() - gelesen);
      if (n == 0) break;
      gelesen += n;
    }
    inhalt.resize(gelesen);
    return inhalt;
  }
  int Nummer() const { return fd_; }
  // Closing reports write errors that only show at the end.
  void Schliessen() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Systemfehler();
  }

 private:
  int fd_;
};

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

constexpr std::string_view kZwischenAnfang = ".~vxm", kZwischenEnde = ".tmp";

// 8 hex digits of this machine's name: a process id means something only
// on the machine that wrote it.
const std::string& Rechnerkennung() {
  static const std::string kennung = [] {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) name[0] = 0;
    std::uint32_t h = 2166136261u;  // FNV-1a
    for (const char* c = name; *c; ++c) h = (h ^ static_cast<unsigned char>(*c)) * 16777619u;
    char text[9];
    std::snprintf(text, sizeof text, "%08x", h);
    return std::string(text);
  }();
  return kennung;
}

// A sibling name for writing a new version of a file before it replaces the old.
fs::path Zwischendatei(const fs::path& ziel) { return ziel.parent_path() / Zwischendateiname(::getpid()); }

struct Zwischenkennung {
  long Pid = 0;
  std::string_view Rechner;
};

bool NurHex(std::string_view s, std::size_t laenge) {
  if (s.size() != laenge) return false;
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

std::optional<Zwischenkennung> ZwischenkennungLesen(std::string_view n) {
  if (n.substr(0, kZwischenAnfang.size()) != kZwischenAnfang || n.size() < kZwischenEnde.size() ||
      n.substr(n.size() - kZwischenEnde.size()) != kZwischenEnde)
    return std::nullopt;
  n = n.substr(kZwischenAnfang.size(), n.size() - kZwischenAnfang.size() - kZwischenEnde.size());
  const auto strich = n.find('-');
  if (strich == 0 || strich == std::string_view::npos || strich > 10) return std::nullopt;
  Zwischenkennung k;
  for (char c : n.substr(0, strich)) {
    if (c < '0' || c > '9') return std::nullopt;
    k.Pid = k.Pid * 10 + (c - '0');
  }
  n.remove_prefix(strich + 1);
  if (n.size() != 8 + 1 + 16 || n[8] != '-' || !NurHex(n.substr(0, 8), 8) || !NurHex(n.substr(9), 16))
    return std::nullopt;
  k.Rechner = n.substr(0, 8);
  return k;
}

// When a process of this machine started (seconds since the epoch); 0 when unknown.
std::time_t Prozessbeginn(long pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string zeile;
  if (!std::getline(stat, zeile)) return 0;
  const auto klammer = zeile.rfind(')');  // the command name may hold blanks
  if (klammer == std::string::npos) return 0;
  std::istringstream rest(zeile.substr(klammer + 1));
  std::string feld;
  unsigned long long ticks = 0;
  for (int i = 3; i <= 22 && rest >> feld; ++i)
    if (i == 22) ticks = std::strtoull(feld.c_str(), nullptr, 10);
  std::ifstream system("/proc/stat");
  std::time_t boot = 0;
  while (std::getline(system, zeile))
    if (zeile.rfind("btime ", 0) == 0) boot = static_cast<std::time_t>(std::strtoll(zeile.c_str() + 6, nullptr, 10));
  const long takt = ::sysconf(_SC_CLK_TCK);
  if (boot == 0 || takt <= 0) return 0;
  return boot + static_cast<std::time_t>(ticks / static_cast<unsigned long long>(takt));
}

// Whether the process that last wrote a file at `geschrieben` may still be at work.
bool SchreiberLebt(long pid, std::time_t geschrieben) {
  if (pid == static_cast<long>(::getpid())) return true;
  if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return false;
  if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
  // The number may belong to a newer process by now: one that started after
  // the file was last written did not write it.
  const std::time_t beginn = Prozessbeginn(pid);
  return beginn == 0 || beginn <= geschrieben + 1;
}

// Writes a new file `ziel` with the content, permissions and modification
// time of `quelle`. On failure nothing of `ziel` is left.
void KopieAnlegen(const fs::path& quelle, const fs::path& ziel) {
  Deskriptor ein(quelle, O_RDONLY);
  struct stat st {};
  if (::fstat(ein.Nummer(), &st) != 0) Systemfehler();
  Deskriptor aus(ziel, O_WRONLY | O_CREAT | O_EXCL);
  try {
    std::vector<char> puffer(1 << 16);
    while (true) {
      const std::size_t n = ein.Lesen(puffer.data(), puffer.size());
      if (n == 0) break;
      aus.Schreiben(std::string_view(puffer.data(), n));
    }
    if (::fchmod(aus.Nummer(), st.st_mode & 07777) != 0) Systemfehler();
    const timespec zeiten[2] = {st.st_atim, st.st_mtim};
    if (::futimens(aus.Nummer(), zeiten) != 0) Systemfehler();
    aus.Schliessen();
  } catch (...) {
    std::error_code ec;
    fs::remove(ziel, ec);
    throw;
  }
}

// Moves a file to another file system: the original goes only once the copy
// is complete under its new name; if it cannot go, the copy does.
void DateiUmziehen(const fs::path& quelle, const fs::path& ziel) {
  const fs::path zwischen = Zwischendatei(ziel);
  KopieAnlegen(quelle, zwischen);
  std::error_code ec;
  if (Existiert(ziel)) {
    fs::remove(zwischen, ec);
    Fehler(fehlernr::DateiExistiert);
  }
  fs::rename(zwischen, ziel, ec);
  if (ec) {
    std::error_code ec2;
    fs::remove(zwischen, ec2);
    SystemFehler(ec);
  }
  fs::remove(quelle, ec);
  if (ec) {
    std::error_code ec2;
    fs::remove(ziel, ec2);
    SystemFehler(ec);
  }
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

bool IstEigeneZwischendatei(std::string_view name) { return ZwischenkennungLesen(name).has_value(); }

std::string Zwischendateiname(long pid) {
  static thread_local std::mt19937_64 zufall{std::random_device{}()};
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(zufall()));
  return std::string(kZwischenAnfang) + std::to_string(pid) + "-" + Rechnerkennung() + "-" + text +
         std::string(kZwischenEnde);
}

std::size_t Dateisystem::ZwischendateienAufraeumen(const std::string&) { return 0; }

std::size_t HostDateisystem::ZwischendateienAufraeumen(const std::string& ordner) {
  const std::time_t jetzt = std::time(nullptr);
  constexpr std::time_t kFremdeFrist = std::time_t{24} * 60 * 60;  // no copy takes a day
  DIR* d = ::opendir(Ordner(ordner).Host.c_str());
  if (!d) return 0;
  std::size_t entfernt = 0;
  while (dirent* e = ::readdir(d)) {
    const auto k = ZwischenkennungLesen(e->d_name);
    if (!k) continue;
    struct stat st {};
    if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    const std::time_t geschrieben = st.st_mtim.tv_sec;
    // Only what was last written before this clean-up began.
    if (geschrieben >= jetzt) continue;
    const bool verwaist = k->Rechner == Rechnerkennung() ? !SchreiberLebt(k->Pid, geschrieben)
                                                         : jetzt - geschrieben > kFremdeFrist;
    if (verwaist && ::unlinkat(::dirfd(d), e->d_name, 0) == 0) ++entfernt;
  }
  ::closedir(d);
  return entfernt;
}

int32_t SystemFehlernummer(const std::error_code& ec) {
  using std::errc;
  if (ec == errc::no_such_file_or_directory || ec == errc::not_a_directory ||
      ec == errc::too_many_symbolic_link_levels)
    return fehlernr::PfadNichtGefunden;
  if (ec == errc::file_exists || ec == errc::directory_not_empty) return fehlernr::DateiExistiert;
  if (ec == errc::filename_too_long || ec == errc::illegal_byte_sequence ||
      ec == errc::invalid_argument)
    return fehlernr::DateinameFalsch;
  if (ec == errc::no_space_on_device || ec == errc::file_too_large ||
      ec == std::error_condition(EDQUOT, std::generic_category()))
    return fehlernr::DatentraegerVoll;
  if (ec == errc::permission_denied || ec == errc::operation_not_permitted ||
      ec == errc::read_only_file_system || ec == errc::is_a_directory)
    return fehlernr::ZugriffVerweigert;
  // Only an item that another program holds is "in use"; the rename wrapper
  // tells the user to close it.
  if (ec == errc::device_or_resource_busy || ec == errc::text_file_busy)
    return fehlernr::PfadZugriffsfehler;
  if (ec == errc::cross_device_link) return fehlernr::AnderesLaufwerk;
  return fehlernr::GeraeteEA;
}

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

std::vector<std::string> Dateisystem::FileNames(const std::string& pfad) {
  std::vector<std::string> namen;
  for (auto& d : Files(pfad)) namen.push_back(std::move(d.Name));
  return namen;
}

namespace {

// Entries of one kind, by the type the directory itself reports; only
// entries of unknown type or links are looked at with stat.
// A linked folder leading back to this folder or one above it would show the
// same files again under ever longer paths, each path a register row of its
// own for one file.
bool FuehrtZurueck(const fs::path& ordner, const char* name) {
  std::error_code ec;
  const fs::path ziel = fs::canonical(ordner / name, ec);
  if (ec) return false;
  const fs::path hier = fs::canonical(ordner, ec);
  if (ec) return false;
  return std::mismatch(ziel.begin(), ziel.end(), hier.begin(), hier.end()).first == ziel.end();
}

std::vector<std::string> Eintraege(const fs::path& ordner, bool ordnerGesucht) {
  std::vector<std::string> namen;
  DIR* d = ::opendir(ordner.c_str());
  if (!d) SystemFehler(std::error_code(errno, std::generic_category()));
  while (dirent* e = ::readdir(d)) {
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    bool istOrdner = e->d_type == DT_DIR;
    bool istDatei = e->d_type == DT_REG;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st {};
      if (::fstatat(::dirfd(d), n, &st, 0) != 0) continue;
      istOrdner = S_ISDIR(st.st_mode);
      istDatei = S_ISREG(st.st_mode);
      if (istOrdner && ordnerGesucht && FuehrtZurueck(ordner, n)) continue;
    }
    if (ordnerGesucht ? istOrdner : istDatei) namen.emplace_back(n);
  }
  ::closedir(d);
  std::sort(namen.begin(), namen.end());
  return namen;
}

}  // namespace

std::vector<std::string> HostDateisystem::SubFolders(const std::string& pfad) {
  return Eintraege(Ordner(pfad).Host, true);
}

std::vector<std::string> HostDateisystem::FileNames(const std::string& pfad) {
  auto namen = Eintraege(Ordner(pfad).Host, false);
  std::erase_if(namen, [](const std::string& n) { return IstEigeneZwischendatei(n); });  // our own unfinished writes
  return namen;
}

std::vector<DateiEintrag> HostDateisystem::Files(const std::string& pfad) {
  auto a = Ordner(pfad);
  // One stat per entry through the folder's descriptor: the register's
  // upkeep lists every folder the window opens.
  const int fd = ::open(a.Host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) Systemfehler();
  DIR* d = ::fdopendir(fd);
  if (!d) {
    const int e = errno;
    ::close(fd);
    SystemFehler(std::error_code(e, std::generic_category()));
  }
  std::unique_ptr<DIR, int (*)(DIR*)> schliessen(d, &::closedir);
  std::vector<DateiEintrag> dateien;
  errno = 0;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name(e->d_name);
    struct stat st;
    // Links count as what they point to; a dangling one is left out.
    if (name == "." || name == ".." || e->d_type == DT_DIR || ::fstatat(fd, e->d_name, &st, 0) != 0 ||
        !S_ISREG(st.st_mode) || IstEigeneZwischendatei(name)) {  // (our own unfinished writes)
      errno = 0;
      continue;
    }
    dateien.push_back({std::string(name), static_cast<std::uintmax_t>(st.st_size), st.st_mtim.tv_sec});
  }
  if (errno != 0) Systemfehler();
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
  KopieAnlegen(q.Host, zwischen);
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
  Deskriptor(a.Host, O_WRONLY | O_CREAT | O_TRUNC).Schliessen();
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
  // Files may change drives, folders may not.
  const bool ordner = IstOrdner(a.Host);
  if (n.Laufwerk != a.Laufwerk && ordner) Fehler(fehlernr::AnderesLaufwerk);
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
    if (n.Laufwerk == a.Laufwerk && n.Teile.size() > a.Teile.size() &&
        std::equal(a.Teile.begin(), a.Teile.end(), n.Teile.begin(),
                   [](const std::string& x, const std::string& y) { return GleichOhneFall(x, y); }))
      Fehler(fehlernr::PfadZugriffsfehler);
  } else if (a.Host.filename() == neuerName) {
    return;  // same name, nothing to do
  }
  const fs::path ziel = oberordner / neuerName;
  fs::rename(a.Host, ziel, ec);
  if (ec == std::errc::cross_device_link && !ordner) {
    DateiUmziehen(a.Host, ziel);
    return;
  }
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
  return Deskriptor(a.Host, O_RDONLY).AllesLesen();
}

namespace {

// The bytes in a hidden file beside `ziel`, whole; its path. On failure
// nothing is left.
fs::path ZwischendateiSchreiben(const fs::path& ziel, std::string_view bytes) {
  const fs::path zwischen = Zwischendatei(ziel);
  Deskriptor datei(zwischen, O_WRONLY | O_CREAT | O_EXCL);
  try {
    datei.Schreiben(bytes);
    datei.Schliessen();
  } catch (...) {
    std::error_code ec;
    fs::remove(zwischen, ec);
    throw;
  }
  return zwischen;
}

}  // namespace

void HostDateisystem::DateiSchreiben(const std::string& pfad, const std::string& bytes) {
  auto a = Aufloesen(pfad);
  if (!IstOrdner(a.Host.parent_path())) Fehler(fehlernr::PfadNichtGefunden);
  if (IstOrdner(a.Host)) Fehler(fehlernr::PfadZugriffsfehler);
  if (Existiert(a.Host) && Schreibgeschuetzt(a.Host)) Fehler(fehlernr::ZugriffVerweigert);
  // The new content goes beside the file first: a failed write leaves the
  // old file whole.
  const fs::path zwischen = ZwischendateiSchreiben(a.Host, bytes);
  std::error_code ec;
  fs::rename(zwischen, a.Host, ec);
  if (ec) {
    std::error_code ec2;
    fs::remove(zwischen, ec2);
    SystemFehler(ec);
  }
}

// Claims the name, then fills it: for file systems of other kinds.
void Dateisystem::NeueDateiSchreiben(const std::string& pfad, const std::string& bytes) {
  CreateTextFile(pfad, false);
  try {
    DateiSchreiben(pfad, bytes);
  } catch (...) {
    try {
      DeleteFile(pfad, true);
    } catch (const VbFehler&) {
    }
    throw;
  }
}

void HostDateisystem::NeueDateiSchreiben(const std::string& pfad, const std::string& bytes) {
  auto a = Aufloesen(pfad);
  if (!IstOrdner(a.Host.parent_path())) Fehler(fehlernr::PfadNichtGefunden);
  if (Existiert(a.Host)) Fehler(fehlernr::DateiExistiert);
  // Written whole beside it under a hidden name, then put in place by a
  // step that never replaces a file (a name taken meanwhile stays as it is).
  const fs::path zwischen = ZwischendateiSchreiben(a.Host, bytes);
  int rc = ::renameat2(AT_FDCWD, zwischen.c_str(), AT_FDCWD, a.Host.c_str(), RENAME_NOREPLACE);
  if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
    // (a file system without that step: a hard link is made without replacing too)
    rc = ::link(zwischen.c_str(), a.Host.c_str());
    const int fehler = errno;
    std::error_code ec;
    fs::remove(zwischen, ec);
    if (rc == 0) return;
    if (fehler == EPERM || fehler == ENOTSUP || fehler == EOPNOTSUPP) {
      Dateisystem::NeueDateiSchreiben(pfad, bytes);
      return;
    }
    errno = fehler;
  }
  if (rc != 0) {
    const int fehler = errno;
    std::error_code ec;
    fs::remove(zwischen, ec);
    if (fehler == EEXIST) Fehler(fehlernr::DateiExistiert);
    SystemFehler(std::error_code(fehler, std::generic_category()));
  }
}

bool OrdnerDa(Dateisystem& fs, const std::string& pfad) {
  try {
    fs.GetFolder(pfad);
    return true;
  } catch (const VbFehler&) {
    return false;
  }
}

bool DateiDa(Dateisystem& fs, const std::string& pfad) {
  try {
    return fs.FileExists(pfad);
  } catch (const VbFehler&) {
    return false;
  }
}

}  // namespace vxm
