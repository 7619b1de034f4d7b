#include "files/bestandslauf.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
  std::vector<Stufe> offen;
  offen.push_back(std::move(start));
  while (!offen.empty()) {
    Stufe s = std::move(offen.back());
    offen.pop_back();
    const int fd = ::open(s.Host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* d = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!d) {
      if (fd >= 0) ::close(fd);
      e.Luecken.push_back(s.Ordner);
      continue;
    }
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
        offen.push_back(std::move(u));
        continue;
      }
      if (typ != DT_REG && typ != DT_LNK) continue;
      if (name.rfind(".~vxm", 0) == 0) continue;
      const auto stand = StandLesen(fd, ent->d_name);
      if (!stand) continue;  // a link to a folder or to nothing
      ++e.Dateien;
      jeDatei(LaufDatei{s.Ordner, s.Falte, name, &s.Host, *stand});
    }
    ::closedir(d);
  }
  return e;
}

}  // namespace vxm
