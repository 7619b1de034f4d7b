#include "create/libreoffice.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <system_error>
#include <vector>

extern char** environ;

namespace vxm {
namespace fs = std::filesystem;
namespace {

LibreOfficeEinstellungen Voreinstellung() {
  LibreOfficeEinstellungen e;
  const char* programm = std::getenv("VXM_SOFFICE");
  e.Programm = (programm && *programm) ? programm : "soffice";
  return e;
}

bool Ausfuehrbar(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
}

fs::path ProgrammFinden(const std::string& programm) {
  if (programm.empty()) return {};
  if (programm.find('/') != std::string::npos) return Ausfuehrbar(programm) ? fs::path(programm) : fs::path();
  const char* pfad = std::getenv("PATH");
  if (!pfad) return {};
  const std::string liste = pfad;
  std::size_t anfang = 0;
  while (anfang <= liste.size()) {
    std::size_t ende = liste.find(':', anfang);
    if (ende == std::string::npos) ende = liste.size();
    std::string ordner = liste.substr(anfang, ende - anfang);
    if (ordner.empty()) ordner = ".";  // an empty PATH entry is the current folder
    fs::path kandidat = fs::path(ordner) / programm;
    if (Ausfuehrbar(kandidat)) return kandidat;
    anfang = ende + 1;
  }
  return {};
}

// A fresh folder of our own below the temporary folder.
fs::path FrischerOrdner(const char* praefix) {
  std::string muster = (fs::temp_directory_path() / (std::string(praefix) + "XXXXXX")).string();
  std::vector<char> puffer(muster.begin(), muster.end());
  puffer.push_back('\0');
  if (!::mkdtemp(puffer.data())) return {};
  return fs::path(puffer.data());
}

struct Lauf {
  int ExitStatus = -1;
  bool Zeitueberschritten = false;
  std::string Ausgabe;
  std::string Fehler;
};

// Starts the program in a process group of its own, collects its output and
// kills the whole group when the time limit passes (soffice starts a child
// that would otherwise outlive it).
Lauf Starten(const fs::path& programm, const std::vector<std::string>& argumente,
             std::chrono::milliseconds zeitlimit) {
  Lauf lauf;
  int rohr[2];
  if (::pipe2(rohr, O_CLOEXEC) != 0) {
    lauf.Fehler = std::string("pipe: ") + std::strerror(errno);
    return lauf;
  }
  posix_spawn_file_actions_t aktionen;
  posix_spawn_file_actions_init(&aktionen);
  posix_spawn_file_actions_adddup2(&aktionen, rohr[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&aktionen, rohr[1], STDERR_FILENO);
  posix_spawn_file_actions_addopen(&aktionen, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_t attribute;
  posix_spawnattr_init(&attribute);
  posix_spawnattr_setflags(&attribute, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
  posix_spawnattr_setpgroup(&attribute, 0);
  sigset_t leer;
  sigemptyset(&leer);
  posix_spawnattr_setsigmask(&attribute, &leer);

  std::vector<char*> argv;
  std::string name = programm.string();
  argv.push_back(name.data());
  std::vector<std::string> kopie = argumente;
  for (auto& a : kopie) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = -1;
  int rc = posix_spawn(&pid, name.c_str(), &aktionen, &attribute, argv.data(), environ);
  posix_spawn_file_actions_destroy(&aktionen);
  posix_spawnattr_destroy(&attribute);
  ::close(rohr[1]);
  if (rc != 0) {
    ::close(rohr[0]);
    lauf.Fehler = name + " konnte nicht gestartet werden: " + std::strerror(rc);
    return lauf;
  }

  const auto frist = std::chrono::steady_clock::now() + zeitlimit;
  char puffer[4096];
  for (;;) {
    auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(frist - std::chrono::steady_clock::now());
    if (rest.count() <= 0) {
      lauf.Zeitueberschritten = true;
      break;
    }
    pollfd p{rohr[0], POLLIN, 0};
    int n = ::poll(&p, 1, static_cast<int>(std::min<long long>(rest.count(), 1000)));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    if (n == 0) continue;
    ssize_t gelesen = ::read(rohr[0], puffer, sizeof puffer);
    if (gelesen < 0 && errno == EINTR) continue;
    if (gelesen <= 0) break;  // every writer has closed the pipe
    if (lauf.Ausgabe.size() < std::size_t{64} * 1024) lauf.Ausgabe.append(puffer, static_cast<std::size_t>(gelesen));
  }
  ::close(rohr[0]);

  int status = 0;
  if (lauf.Zeitueberschritten) {
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    lauf.Fehler = name + " hat das Zeitlimit überschritten und wurde beendet";
    return lauf;
  }
  // The output closed; the process ends now, but not later than the limit.
  for (;;) {
    pid_t w = ::waitpid(pid, &status, WNOHANG);
    if (w == pid) break;
    if (w < 0 && errno != EINTR) break;
    if (std::chrono::steady_clock::now() >= frist) {
      ::kill(-pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      lauf.Zeitueberschritten = true;
      lauf.Fehler = name + " hat das Zeitlimit überschritten und wurde beendet";
      return lauf;
    }
    ::usleep(10000);
  }
  ::kill(-pid, SIGKILL);  // a helper left behind in the group goes as well
  if (WIFEXITED(status)) {
    lauf.ExitStatus = WEXITSTATUS(status);
  } else {
    lauf.Fehler = name + " wurde durch Signal " + std::to_string(WTERMSIG(status)) + " beendet";
  }
  return lauf;
}

}  // namespace

std::string DateiUrl(const fs::path& pfad) {
  static const char* hex = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : pfad.string()) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += hex[c >> 4];
      url += hex[c & 15];
    }
  }
  return url;
}

LibreOfficeEinstellungen& LibreOffice() {
  static LibreOfficeEinstellungen einstellungen = Voreinstellung();
  return einstellungen;
}

bool LibreOfficeVorhanden() { return !ProgrammFinden(LibreOffice().Programm).empty(); }

KonvertierErgebnis Konvertieren(const fs::path& quelle, const std::string& ziel,
                                const fs::path& ausgabeOrdner, const std::string& eingabeFilter) {
  KonvertierErgebnis ergebnis;
  const LibreOfficeEinstellungen einstellungen = LibreOffice();
  const fs::path programm = ProgrammFinden(einstellungen.Programm);
  if (programm.empty()) {
    ergebnis.Fehler = "LibreOffice (" + einstellungen.Programm + ") ist nicht installiert";
    return ergebnis;
  }
  std::error_code ec;
  const fs::path quelleAbs = fs::absolute(quelle, ec);
  const fs::path ordnerAbs = fs::absolute(ausgabeOrdner, ec);
  const std::string endung = ziel.substr(0, ziel.find(':'));
  const fs::path erwartet = ordnerAbs / (quelleAbs.stem().string() + "." + endung);
  if (fs::exists(erwartet, ec)) {
    // Never let a conversion replace a file that was there before it.
    ergebnis.Fehler = erwartet.string() + " ist schon vorhanden";
    return ergebnis;
  }

  const fs::path profil = FrischerOrdner("vxm-lo-profil-");
  if (profil.empty()) {
    ergebnis.Fehler = "kein Profilordner für LibreOffice";
    return ergebnis;
  }
  std::vector<std::string> argumente = {"--headless", "--norestore", "--nologo", "--nolockcheck",
                                        "-env:UserInstallation=" + DateiUrl(profil)};
  if (!eingabeFilter.empty()) argumente.push_back("--infilter=" + eingabeFilter);
  for (const std::string& a : {std::string("--convert-to"), ziel, std::string("--outdir"), ordnerAbs.string(),
                               quelleAbs.string()})
    argumente.push_back(a);
  Lauf lauf = Starten(programm, argumente, einstellungen.Zeitlimit);
  fs::remove_all(profil, ec);

  ergebnis.ExitStatus = lauf.ExitStatus;
  ergebnis.Zeitueberschritten = lauf.Zeitueberschritten;
  ergebnis.Ausgabe = std::move(lauf.Ausgabe);
  const bool da = fs::is_regular_file(erwartet, ec) && fs::file_size(erwartet, ec) > 0 && !ec;
  if (lauf.ExitStatus == 0 && da) {
    ergebnis.Erfolg = true;
    ergebnis.Datei = erwartet;
    return ergebnis;
  }
  fs::remove(erwartet, ec);
  if (!lauf.Fehler.empty()) {
    ergebnis.Fehler = lauf.Fehler;
  } else if (lauf.ExitStatus != 0) {
    ergebnis.Fehler = "LibreOffice endete mit Status " + std::to_string(lauf.ExitStatus);
  } else {
    ergebnis.Fehler = "LibreOffice hat " + erwartet.filename().string() + " nicht geschrieben";
  }
  return ergebnis;
}

}  // namespace vxm
