#include "search/volltext/ordnerwache.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "search/volltext/volltextindex.h"

namespace vxm::volltext {
namespace {

constexpr std::uint32_t kMaske = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_MODIFY |
                                 IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_EXCL_UNLINK;

std::string Schluessel(const std::string& windows) {
  std::string k = IndexSchluessel(windows);
  while (!k.empty() && k.back() == '\\') k.pop_back();
  return k;
}

// Changes on these reach no machine but the one that made them.
bool Netzlaufwerk(const std::string& host) {
  struct statfs s {};
  if (::statfs(host.c_str(), &s) != 0) return true;
  switch (static_cast<unsigned long>(s.f_type)) {
    case 0x6969:      // NFS
    case 0x517B:      // SMB
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x65735546:  // FUSE (sshfs and the like)
    case 0x5346414F:  // AFS
    case 0x73757245:  // Coda
    case 0x564C:      // NCP
    case 0x01021997:  // 9P
    case 0x00C36400:  // Ceph
      return true;
    default:
      return false;
  }
}

}  // namespace

Ordnerwache::Ordnerwache() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

Ordnerwache::~Ordnerwache() {
  if (fd_ >= 0) ::close(fd_);
}

bool Ordnerwache::Beobachten(const std::string& windows, const std::string& host) {
  if (fd_ < 0 || Netzlaufwerk(host)) return false;
  const int wd = ::inotify_add_watch(fd_, host.c_str(), kMaske);
  if (wd < 0) return false;
  std::lock_guard<std::mutex> l(m_);
  auto& w = wachen_[wd];
  if (!w.Windows.empty()) nachSchluessel_.erase(Schluessel(w.Windows));
  w.Windows = windows;
  w.Host = host;
  nachSchluessel_[Schluessel(windows)] = wd;
  return true;
}

bool Ordnerwache::Beobachtet(const std::string& windows) {
  std::lock_guard<std::mutex> l(m_);
  return nachSchluessel_.count(Schluessel(windows)) > 0;
}

void Ordnerwache::Umbenennen(const std::string& altWin, const std::string& neuWin, const std::string& neuHost) {
  const std::string altKey = Schluessel(altWin);
  for (auto& [wd, w] : wachen_) {
    const std::string k = Schluessel(w.Windows);
    if (k != altKey && k.compare(0, altKey.size() + 1, altKey + "\\") != 0) continue;
    const std::string rest = w.Windows.substr(std::min(w.Windows.size(), altWin.size()));
    nachSchluessel_.erase(k);
    std::string restHost = rest;
    std::replace(restHost.begin(), restHost.end(), '\\', '/');
    w.Windows = neuWin + rest;
    w.Host = neuHost + restHost;
    nachSchluessel_[Schluessel(w.Windows)] = wd;
  }
}

void Ordnerwache::Ereignis(const inotify_event& ev, std::vector<Aenderung>& aus, std::vector<std::string>& geaendert) {
  auto ordner = [&](const std::string& w) {
    if (std::find(geaendert.begin(), geaendert.end(), w) == geaendert.end()) geaendert.push_back(w);
  };
  if (ev.mask & IN_Q_OVERFLOW) {
    aus.push_back({Aenderung::Art::Ueberlauf, {}, {}});
    return;
  }
  const auto it = wachen_.find(ev.wd);
  if (it == wachen_.end()) return;
  const Wache w = it->second;
  if (ev.mask & IN_IGNORED) {
    const auto k = nachSchluessel_.find(Schluessel(w.Windows));
    if (k != nachSchluessel_.end() && k->second == ev.wd) nachSchluessel_.erase(k);
    wachen_.erase(it);
    return;
  }
  if (ev.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
    // Its parent reports it by name, unless the parent is not watched.
    const auto t = w.Windows.rfind('\\');
    const bool elternBeobachtet = t != std::string::npos && nachSchluessel_.count(Schluessel(w.Windows.substr(0, t)));
    if (!elternBeobachtet)
      aus.push_back({(ev.mask & IN_DELETE_SELF) ? Aenderung::Art::Weg : Aenderung::Art::Ueberlauf, w.Windows, {}});
    return;
  }
  if (ev.len == 0) return;
  const std::string name = ev.name;
  if (EigeneDatei(name)) return;
  const std::string pfad = Verbinden(w.Windows, name);
  const bool istOrdner = (ev.mask & IN_ISDIR) != 0;
  ordner(w.Windows);
  if (ev.mask & IN_MOVED_FROM) {
    wegzuege_.push_back({ev.cookie, pfad, istOrdner, 0});
  } else if (ev.mask & IN_MOVED_TO) {
    const auto wz =
        std::find_if(wegzuege_.begin(), wegzuege_.end(), [&](const Wegzug& x) { return x.Cookie == ev.cookie; });
    if (wz == wegzuege_.end()) return;
    aus.push_back({Aenderung::Art::Umbenannt, wz->Windows, pfad});
    if (wz->IstOrdner) Umbenennen(wz->Windows, pfad, w.Host + "/" + name);
    const auto t = wz->Windows.rfind('\\');
    if (t != std::string::npos) ordner(wz->Windows.substr(0, t));
    wegzuege_.erase(wz);
  } else if ((ev.mask & IN_DELETE) && istOrdner) {
    aus.push_back({Aenderung::Art::Weg, pfad, {}});
  }
}

// A rename whose new side did not come within a moment: moved out of
// sight. A folder stops being watched there.
void Ordnerwache::WegzuegeAltern(std::vector<Aenderung>& aus) {
  for (auto it = wegzuege_.begin(); it != wegzuege_.end();) {
    if (++it->Runden <= 2) {
      ++it;
      continue;
    }
    if (it->IstOrdner) {
      aus.push_back({Aenderung::Art::Weg, it->Windows, {}});
      const std::string k = Schluessel(it->Windows);
      for (const auto& [wd, w] : wachen_) {
        const std::string wk = Schluessel(w.Windows);
        if (wk == k || wk.compare(0, k.size() + 1, k + "\\") == 0) ::inotify_rm_watch(fd_, wd);
      }
    }
    it = wegzuege_.erase(it);
  }
}

std::vector<Aenderung> Ordnerwache::Warten(int ms) {
  std::vector<Aenderung> aus;
  if (fd_ < 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return aus;
  }
  pollfd pf{fd_, POLLIN, 0};
  const int r = ::poll(&pf, 1, wegzuege_.empty() ? ms : std::min(ms, 50));
  std::lock_guard<std::mutex> l(m_);
  std::vector<std::string> geaendert;  // folders, each once
  if (r > 0) {
    alignas(inotify_event) char puffer[1 << 16];
    for (;;) {
      const ssize_t n = ::read(fd_, puffer, sizeof puffer);
      if (n <= 0) break;
      for (const char* p = puffer; p < puffer + n;) {
        const auto* ev = reinterpret_cast<const inotify_event*>(p);
        p += sizeof(inotify_event) + ev->len;
        Ereignis(*ev, aus, geaendert);
      }
      if (static_cast<std::size_t>(n) < sizeof puffer - sizeof(inotify_event) - 256) break;
    }
  }
  WegzuegeAltern(aus);
  for (auto& g : geaendert) aus.push_back({Aenderung::Art::Ordner, std::move(g), {}});
  return aus;
}

}  // namespace vxm::volltext
