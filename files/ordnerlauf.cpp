#include "files/ordnerlauf.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/dateisystem.h"
#include "platform/dienste.h"
#include "platform/fehler.h"
#include "platform/text.h"

namespace vxm {

std::string PfadVerbinden(const std::string& ordner, const std::string& name) {
  if (!ordner.empty() && ordner.back() == '\\') return ordner + name;
  return ordner + "\\" + name;
}

// ---------------------------------------------------------------- Ordnerleser

Ordnerleser::Ordnerleser() {
  if (auto* host = dynamic_cast<HostDateisystem*>(Dienste().Dateien.get())) host_ = host;
}

Ordnerleser::~Ordnerleser() { Schliessen(); }

bool Ordnerleser::Start(const std::string& ordner, std::string& windows, std::string& hostPfad) {
  try {
    if (host_) {
      const auto a = host_->Laufwerke().Aufloesen(ordner);
      windows = a.Windows();
      hostPfad = a.Host.string();
    } else {
      windows = ordner;
      if (windows.size() > 3 && windows.back() == '\\') windows.pop_back();
    }
    return true;
  } catch (const VbFehler&) {
    windows = ordner;
    return false;
  }
}

bool Ordnerleser::Lesen(const std::string& windows, const std::string& hostPfad) {
  Schliessen();
  dateien_.clear();
  ordner_.clear();
  return host_ ? HostLesen(hostPfad) : FsLesen(windows);
}

std::string Ordnerleser::HostUnterordner(const std::string& hostPfad, const std::string& name) const {
  if (!host_) return {};
  std::string pfad = hostPfad;
  pfad += '/';
  pfad += name;
  return pfad;
}

int Ordnerleser::Deskriptor() const { return dir_ ? ::dirfd(dir_) : -1; }

void Ordnerleser::Schliessen() {
  if (dir_) ::closedir(dir_);
  dir_ = nullptr;
}

bool Ordnerleser::HostLesen(const std::string& pfad) {
  const int fd = ::open(pfad.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return false;
  }
  // A folder reached twice (through a link) is read once.
  if (!besucht_.insert({st.st_dev, st.st_ino}).second) {
    ::close(fd);
    return true;
  }
  dir_ = ::fdopendir(fd);
  if (!dir_) {
    ::close(fd);
    return false;
  }
  while (const dirent* e = ::readdir(dir_)) {
    const char* n = e->d_name;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    unsigned char typ = e->d_type;
    if (typ == DT_LNK || typ == DT_UNKNOWN) {
      struct stat s {};
      if (::fstatat(::dirfd(dir_), n, &s, 0) != 0) continue;
      typ = S_ISREG(s.st_mode) ? DT_REG : S_ISDIR(s.st_mode) ? DT_DIR : DT_UNKNOWN;
    }
    if (typ == DT_REG) {
      if (!IstEigeneZwischendatei(n)) dateien_.emplace_back(n);
    } else if (typ == DT_DIR) {
      ordner_.emplace_back(n);
    }
  }
  std::sort(dateien_.begin(), dateien_.end());
  std::sort(ordner_.begin(), ordner_.end());
  return true;
}

bool Ordnerleser::FsLesen(const std::string& windows) {
  try {
    auto& fs = *Dienste().Dateien;
    for (auto& d : fs.Files(windows)) dateien_.push_back(std::move(d.Name));
    ordner_ = fs.SubFolders(windows);
    return true;
  } catch (const VbFehler&) {
    dateien_.clear();
    ordner_.clear();
    return false;
  }
}

// ----------------------------------------------------------------- Ordnerlauf

void Ordnerlauf::Laufen(const std::string& ordner) {
  ungelesen_.clear();
  std::string windows, host;
  if (leser_.Start(ordner, windows, host)) {
    Ordner(windows, host);
  } else {
    ungelesen_.push_back(windows);
  }
}

void Ordnerlauf::Ordner(const std::string& windows, const std::string& host) {
  if (!Betreten(windows)) return;
  if (!leser_.Lesen(windows, host)) {
    // An unreadable folder is passed over; the walk goes on.
    ungelesen_.push_back(windows);
    return;
  }
  Dateien(windows, leser_);
  leser_.Schliessen();
  // The reader is used again below: its list of sub-folders is kept here.
  const std::vector<std::string> unterordner = leser_.Unterordner();
  for (const auto& u : unterordner) {
    if (!Weiter()) return;
    Ordner(PfadVerbinden(windows, u), leser_.HostUnterordner(host, u));
  }
}

// --------------------------------------------------------------- DateiBestand

DateiBestand DateiBestandLesen(const std::string& ordner) {
  class Bestandslauf : public Ordnerlauf {
   public:
    DateiBestand Bestand;

   protected:
    void Dateien(const std::string& windows, Ordnerleser& leser) override {
      for (const auto& name : leser.Dateien()) Bestand.Dateien.push_back(PfadVerbinden(windows, Gross(name)));
    }
  } lauf;
  lauf.Laufen(ordner);
  lauf.Bestand.Luecken = lauf.Ungelesen();
  lauf.Bestand.Vollstaendig = lauf.Bestand.Luecken.empty();
  return std::move(lauf.Bestand);
}

}  // namespace vxm
