#include "search/volltext/auslesedienst.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <vector>

namespace vxm::volltext {
namespace {

constexpr int kDienstFd = 3;
constexpr const char* kSpeichergrenze = "Speichergrenze überschritten";  // the helper's socket after exec

bool Schreiben(int fd, const void* daten, std::size_t n) {
  const char* p = static_cast<const char*>(daten);
  while (n > 0) {
    const ssize_t r = ::send(fd, p, n, MSG_NOSIGNAL);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<std::size_t>(r);
  }
  return true;
}

// Reads exactly n bytes; 0 ok, 1 end of data or error, 2 deadline passed,
// 3 cancelled.
int Lesen(int fd, void* ziel, std::size_t n, std::chrono::steady_clock::time_point frist,
          const std::atomic<bool>* abbruch = nullptr) {
  char* p = static_cast<char*>(ziel);
  while (n > 0) {
    if (abbruch && abbruch->load()) return 3;
    const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(frist - std::chrono::steady_clock::now());
    if (rest.count() <= 0) return 2;
    pollfd pf{fd, POLLIN, 0};
    const int e = ::poll(&pf, 1, static_cast<int>(std::min<long long>(rest.count(), abbruch ? 100 : 1000)));
    if (e < 0 && errno != EINTR) return 1;
    if (e <= 0) continue;
    const ssize_t r = ::read(fd, p, n);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return 1;
    p += r;
    n -= static_cast<std::size_t>(r);
  }
  return 0;
}

int LesenBlockierend(int fd, void* ziel, std::size_t n) {
  return Lesen(fd, ziel, n, std::chrono::steady_clock::time_point::max());
}

template <typename T>
void Anhaengen(std::string& s, T wert) {
  s.append(reinterpret_cast<const char*>(&wert), sizeof wert);
}

void TextAnhaengen32(std::string& s, const std::string& t) {
  Anhaengen<std::uint32_t>(s, static_cast<std::uint32_t>(t.size()));
  s += t;
}

std::string HelferProgramm() {
  if (const char* e = std::getenv("VXM_EXTRAKT"); e && *e) return e;
  std::error_code ec;
  const auto selbst = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const auto neben = selbst.parent_path() / "vxmdorvex-extrakt";
    if (::access(neben.c_str(), X_OK) == 0) return neben.string();
  }
  if (const char* path = std::getenv("PATH")) {
    std::string p = path;
    std::size_t a = 0;
    while (a <= p.size()) {
      auto e = p.find(':', a);
      if (e == std::string::npos) e = p.size();
      const auto kandidat = std::filesystem::path(p.substr(a, e - a)) / "vxmdorvex-extrakt";
      if (e > a && ::access(kandidat.c_str(), X_OK) == 0) return kandidat.string();
      a = e + 1;
    }
  }
  return {};
}

std::string Signalname(int s) {
  const char* n = ::strsignal(s);
  return "Signal " + std::to_string(s) + (n ? std::string(", ") + n : std::string());
}

// Idle CPU and I/O priority: the user's work always goes first.
void NiedrigePrioritaet() {
  ::setpriority(PRIO_PROCESS, 0, 19);
  sched_param sp{};
  ::sched_setscheduler(0, SCHED_IDLE, &sp);
  constexpr int kIoprioKlasseIdle = 3, kIoprioWerProzess = 1;
  ::syscall(SYS_ioprio_set, kIoprioWerProzess, 0, kIoprioKlasseIdle << 13);
}

}  // namespace

Auslesedienst::Auslesedienst(Dienstgrenzen grenzen) : grenzen_(grenzen) {}

Auslesedienst::~Auslesedienst() { Beenden(); }

void Auslesedienst::Beenden() {
  if (an_ >= 0) ::close(an_);
  an_ = von_ = -1;
  if (pid_ > 0) {
    // Closing the socket ends the helper's loop; a busy one is killed.
    int status;
    for (int i = 0; i < 50; ++i) {
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      ::usleep(2000);
    }
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  pid_ = -1;
}

bool Auslesedienst::Starten() {
  int paar[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, paar) != 0) return false;
  const std::string helfer = HelferProgramm();
  const auto& o = grenzen_.Optionen;
  std::vector<std::string> args = {helfer,
                                   std::to_string(grenzen_.Speicher),
                                   std::to_string(o.MaxDateigroesse),
                                   std::to_string(o.MaxText),
                                   std::to_string(o.MinBildkante),
                                   std::to_string(o.ProgrammSekunden),
                                   grenzen_.NiedrigePrioritaet ? "niedrig" : "normal"};
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t eltern = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(paar[0]);
    ::close(paar[1]);
    return false;
  }
  if (pid == 0) {
    // The helper dies with the indexer.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != eltern) ::_exit(1);
    ::dup2(paar[1], kDienstFd);  // clears close-on-exec on the copy
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    if (!std::getenv("VXM_EXTRAKT_PROTOKOLL")) ::dup2(null, 2);
    if (!helfer.empty()) {
      ::execv(helfer.c_str(), argv.data());
    }
    ::_exit(AuslesedienstLaufen(kDienstFd, kDienstFd, grenzen_.Speicher, o, grenzen_.NiedrigePrioritaet));
  }
  ::close(paar[1]);
  pid_ = pid;
  an_ = von_ = paar[0];
  return true;
}

Auszug Auslesedienst::Auslesen(const std::string& hostPfad) {
  return Anfrage('A', hostPfad, 0, grenzen_.ZeitJeDatei);
}

Auszug Auslesedienst::OcrSeite(const std::string& hostPfad, std::uint32_t seite) {
  return Anfrage('O', hostPfad, seite, grenzen_.ZeitJeOcrSeite);
}

Auszug Auslesedienst::Anfrage(char art, const std::string& pfad, std::uint32_t seite,
                              std::chrono::milliseconds zeit) {
  Auszug fehler;
  fehler.Status = Auszugsstatus::NichtIndizierbar;
  if (pid_ < 0 && !Starten()) {
    fehler.Grund = "Auslesehilfe nicht startbar";
    return fehler;
  }
  std::string anfrage(1, art);
  Anhaengen<std::uint32_t>(anfrage, seite);
  TextAnhaengen32(anfrage, pfad);
  const auto frist = std::chrono::steady_clock::now() + zeit;
  auto abbrechen = [&](const std::string& grund) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    std::string g = grund;
    if (g.empty()) {
      if (WIFSIGNALED(status)) {
        const int s = WTERMSIG(status);
        g = "Auslesen abgestürzt (" + Signalname(s) + ")";
        if (s == SIGABRT || s == SIGSEGV || s == SIGBUS) g += ", Speichergrenze oder beschädigte Datei";
      } else {
        g = "Auslesehilfe unerwartet beendet";
      }
    }
    ::close(an_);
    an_ = von_ = -1;
    pid_ = -1;
    fehler.Grund = g;
    return fehler;
  };
  if (!Schreiben(an_, anfrage.data(), anfrage.size())) return abbrechen("");
  std::uint8_t status = 0;
  std::uint32_t seiten = 0, laenge = 0;
  std::uint64_t textLaenge = 0;
  Auszug a;
  const std::string zeitGrund =
      "Zeitgrenze von " + std::to_string(zeit.count() / 1000) + " s überschritten";
  auto lesen = [&](void* z, std::size_t n) -> int { return Lesen(von_, z, n, frist, grenzen_.Abbruch); };
  int r = lesen(&status, 1);
  if (r == 0) r = lesen(&seiten, 4);
  if (r == 0) r = lesen(&laenge, 4);
  if (r == 0 && laenge < (1u << 20)) {
    a.Art.resize(laenge);
    r = lesen(a.Art.data(), laenge);
  }
  if (r == 0) r = lesen(&laenge, 4);
  if (r == 0 && laenge < (1u << 20)) {
    a.Grund.resize(laenge);
    r = lesen(a.Grund.data(), laenge);
  }
  if (r == 0) r = lesen(&textLaenge, 8);
  if (r == 0 && textLaenge <= grenzen_.Optionen.MaxText * 4 + (64u << 20)) {
    a.Text.resize(textLaenge);
    r = lesen(a.Text.data(), textLaenge);
  } else if (r == 0) {
    r = 1;
  }
  if (r == 2) return abbrechen(zeitGrund);
  if (r == 3) return abbrechen(kAbgebrochen);
  if (r != 0) return abbrechen("");
  a.Status = static_cast<Auszugsstatus>(status);
  a.Seiten = seiten;
  // The helper ends after running out of memory (see AuslesedienstLaufen).
  if (a.Status == Auszugsstatus::NichtIndizierbar && a.Grund == kSpeichergrenze) Beenden();
  return a;
}

int AuslesedienstLaufen(int ein, int aus, std::uint64_t speicher, const Ausleseoptionen& optionen,
                        bool niedrig) {
  ::signal(SIGPIPE, SIG_IGN);
  rlimit keinKern{0, 0};
  ::setrlimit(RLIMIT_CORE, &keinKern);
  if (speicher > 0 && kSpeichergrenzeWirksam) {
    rlimit r{speicher, speicher};
    ::setrlimit(RLIMIT_AS, &r);
  }
  if (niedrig) NiedrigePrioritaet();
  for (;;) {
    char art;
    std::uint32_t seite, laenge;
    if (LesenBlockierend(ein, &art, 1) != 0 || LesenBlockierend(ein, &seite, 4) != 0 ||
        LesenBlockierend(ein, &laenge, 4) != 0 || laenge > (1u << 16))
      return 0;
    std::string pfad(laenge, '\0');
    if (LesenBlockierend(ein, pfad.data(), laenge) != 0) return 0;
    Auszug a = art == 'O' ? volltext::OcrSeite(pfad, seite, optionen) : Auslesen(pfad, optionen);
    std::string antwort;
    try {
      antwort.reserve(a.Text.size() + a.Grund.size() + a.Art.size() + 32);
      Anhaengen<std::uint8_t>(antwort, static_cast<std::uint8_t>(a.Status));
      Anhaengen<std::uint32_t>(antwort, a.Seiten);
      TextAnhaengen32(antwort, a.Art);
      TextAnhaengen32(antwort, a.Grund);
      Anhaengen<std::uint64_t>(antwort, a.Text.size());
      antwort += a.Text;
    } catch (const std::bad_alloc&) {
      return 3;  // the parent reports the helper's end
    }
    if (!Schreiben(aus, antwort.data(), antwort.size())) return 0;
    // After running out of memory a fresh helper starts with a clean heap.
    if (a.Status == Auszugsstatus::NichtIndizierbar && a.Grund == kSpeichergrenze) return 0;
  }
}

}  // namespace vxm::volltext
