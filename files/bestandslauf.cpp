#include "files/bestandslauf.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/fehler.h"
#include "platform/oeffner.h"
#include "platform/text.h"

namespace vxm {
namespace {

struct Stufe {
  std::filesystem::path Host;
  std::string Ordner, Falte;
};

std::string OhneSchraegstrich(std::string p) {
  while (p.size() > 3 && p.back() == '\\') p.pop_back();
  if (p.size() == 3 && p.back() == '\\' && p[1] == ':') p.pop_back();
  return p;
}

// Lists one folder: its sub-folders go to `unter`, its files to jeDatei.
// False when it cannot be read.
template <class F>
bool OrdnerLesen(const Stufe& s, std::vector<Stufe>& unter, F&& jeDatei) {
  const int fd = ::open(s.Host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* d = fd >= 0 ? ::fdopendir(fd) : nullptr;
  if (!d) {
    if (fd >= 0) ::close(fd);
    return false;
  }
  struct Schliessen {
    DIR* d;
    ~Schliessen() { ::closedir(d); }
  } schliessen{d};
  while (const dirent* ent = ::readdir(d)) {
    const std::string_view name(ent->d_name);
    if (name == "." || name == "..") continue;
    if (name.find('\\') != std::string_view::npos) continue;
    unsigned char typ = ent->d_type;
    if (typ == DT_UNKNOWN) {
      struct stat l;
      if (::fstatat(fd, ent->d_name, &l, AT_SYMLINK_NOFOLLOW) != 0) continue;
      typ = S_ISDIR(l.st_mode) ? DT_DIR : S_ISLNK(l.st_mode) ? DT_LNK : S_ISREG(l.st_mode) ? DT_REG : DT_UNKNOWN;
    }
    if (typ == DT_DIR) {
      Stufe u;
      u.Host = s.Host / ent->d_name;
      u.Ordner = s.Ordner + "\\" + std::string(name);
      u.Falte = s.Falte + "\\" + Falten(name);
      unter.push_back(std::move(u));
      continue;
    }
    if (typ != DT_REG && typ != DT_LNK) continue;
    if (name.rfind(".~vxm", 0) == 0) continue;
    const auto stand = StandLesen(fd, ent->d_name);
    if (!stand) continue;  // a link to a folder or to nothing
    jeDatei(LaufDatei{s.Ordner, s.Falte, name, &s.Host, *stand});
  }
  return true;
}

// What the threads of one walk share.
struct Gemeinsam {
  std::mutex Sperre;
  std::condition_variable Bereit;
  std::vector<Stufe> Offen;  // folders found and not yet listed
  std::size_t Aktiv = 0;     // threads listing a folder (which may add more)
  bool Abbruch = false;
  std::exception_ptr Fehler;
};

}  // namespace

LaufErgebnis BestandLaufen(const std::string& windowsWurzel, const std::function<void(const LaufDatei&)>& jeDatei) {
  std::filesystem::path host;
  try {
    host = HostPfadVon(OhneSchraegstrich(windowsWurzel));
  } catch (const VbFehler&) {
    LaufErgebnis e;
    e.Gefunden = false;
    return e;
  }
  return BestandLaufen(host, windowsWurzel, jeDatei);
}

LaufErgebnis BestandLaufen(const std::filesystem::path& host, const std::string& windowsWurzel,
                           const std::function<void(const LaufDatei&)>& jeDatei) {
  return BestandLaufen(host, windowsWurzel, 1, [&](std::size_t, const LaufDatei& f) { jeDatei(f); });
}

LaufErgebnis BestandLaufen(const std::filesystem::path& host, const std::string& windowsWurzel, std::size_t faeden,
                           const std::function<void(std::size_t faden, const LaufDatei&)>& jeDatei) {
  LaufErgebnis e;
  Stufe start;
  start.Ordner = OhneSchraegstrich(windowsWurzel);
  start.Host = host;
  struct stat st;
  if (::stat(start.Host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    e.Gefunden = false;
    return e;
  }
  start.Falte = Falten(start.Ordner);
  Gemeinsam g;
  g.Offen.push_back(std::move(start));
  auto arbeiten = [&](std::size_t faden) {
    std::vector<Stufe> unter;
    for (;;) {
      Stufe s;
      {
        std::unique_lock<std::mutex> l(g.Sperre);
        g.Bereit.wait(l, [&] { return g.Abbruch || !g.Offen.empty() || g.Aktiv == 0; });
        if (g.Abbruch || g.Offen.empty()) break;  // stopped, or nothing open and nobody to add more
        s = std::move(g.Offen.back());
        g.Offen.pop_back();
        ++g.Aktiv;
      }
      std::size_t dateien = 0;
      bool lesbar = true;
      try {
        lesbar = OrdnerLesen(s, unter, [&](const LaufDatei& f) {
          ++dateien;
          jeDatei(faden, f);
        });
      } catch (...) {
        std::lock_guard<std::mutex> l(g.Sperre);
        if (!g.Fehler) g.Fehler = std::current_exception();
        g.Abbruch = true;
      }
      std::lock_guard<std::mutex> l(g.Sperre);
      if (!lesbar) e.Luecken.push_back(s.Ordner);
      e.Dateien += dateien;
      for (auto& u : unter) g.Offen.push_back(std::move(u));
      unter.clear();
      --g.Aktiv;
      g.Bereit.notify_all();
    }
  };
  {
    std::vector<std::jthread> helfer;
    for (std::size_t h = 1; h < faeden; ++h) helfer.emplace_back(arbeiten, h);
    arbeiten(0);
  }
  if (g.Fehler) std::rethrow_exception(g.Fehler);
  std::sort(e.Luecken.begin(), e.Luecken.end());
  return e;
}

}  // namespace vxm
