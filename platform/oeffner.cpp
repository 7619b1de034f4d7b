#include "platform/oeffner.h"

#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/dateisystem.h"
#include "platform/dialoge.h"
#include "platform/dienste.h"

extern char** environ;

namespace vxm {
namespace {

// How long the helper is watched for a failure. A helper still running then
// has handed the document to a program (some run it in the foreground).
constexpr int kBeobachtenMs = 2000;
constexpr int kHelferFehlt = 127;

std::string Name(const std::string& windowsPfad) {
  const auto pos = windowsPfad.find_last_of("\\/");
  return pos == std::string::npos ? windowsPfad : windowsPfad.substr(pos + 1);
}

std::string Endung(const std::string& name) {
  const auto pos = name.rfind('.');
  return pos == std::string::npos ? std::string() : name.substr(pos);
}

void Melden(const std::string& text) { Dienste().Meldungen->MsgBox(text, vbOKOnly + vbExclamation, ""); }

// Exit code of xdg-open, 0 when it still runs after the watch, kHelferFehlt
// when it could not be started.
int XdgOpenStarten(const std::string& host) {
  // Detached through a short-lived intermediate process so no zombie stays;
  // the intermediate watches the helper for a moment and passes on its code.
  const pid_t zwischen = fork();
  if (zwischen == 0) {
    setsid();
    pid_t kind = 0;
    const char* argv[] = {"xdg-open", host.c_str(), nullptr};
    if (posix_spawnp(&kind, "xdg-open", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) _exit(kHelferFehlt);
    const timespec schritt{0, 20L * 1000 * 1000};
    for (int ms = 0; ms < kBeobachtenMs; ms += 20) {
      int st = 0;
      if (waitpid(kind, &st, WNOHANG) == kind) {
        if (!WIFEXITED(st)) _exit(4);
        const int code = WEXITSTATUS(st);
        _exit(code == kHelferFehlt ? 4 : code);
      }
      nanosleep(&schritt, nullptr);
    }
    _exit(0);
  }
  if (zwischen < 0) return kHelferFehlt;
  int st = 0;
  while (waitpid(zwischen, &st, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(st) ? WEXITSTATUS(st) : 4;
}

// The host path of a file to open, or "" after the message that it is not there.
std::string VorhandeneDatei(const std::string& windowsPfad) {
  std::string host;
  try {
    host = HostPfadVon(windowsPfad).string();
  } catch (...) {
  }
  std::error_code ec;
  if (host.empty() || !std::filesystem::is_regular_file(host, ec)) {
    Melden(meldung::DateiNichtGefunden(Name(windowsPfad)));
    return {};
  }
  return host;
}

void XdgOpen(const std::string& windowsPfad) {
  const std::string name = Name(windowsPfad);
  const std::string host = VorhandeneDatei(windowsPfad);
  if (host.empty()) return;
  const int code = XdgOpenStarten(host);
  if (code == 0) return;
  if (code == kHelferFehlt)
    Melden(meldung::OeffnerFehlt(name));
  else if (code == 2)
    Melden(meldung::DateiNichtGefunden(name));
  else
    Melden(meldung::KeinProgramm(name));
}

thread_local Oeffner tOeffner = XdgOpen;

}  // namespace

namespace meldung {

std::string DateiNichtGefunden(const std::string& name) {
  return "Die Datei \"" + name + "\" wurde nicht gefunden und kann nicht geöffnet werden.";
}

std::string OeffnerFehlt(const std::string& name) {
  return "Die Datei \"" + name + "\" kann nicht geöffnet werden: das Programm xdg-open fehlt." + vbCrLf +
         "Bitte installieren Sie das Paket xdg-utils.";
}

std::string KeinProgramm(const std::string& name) {
  const std::string endung = Endung(name);
  return "Die Datei \"" + name + "\" kann nicht geöffnet werden: für diesen Dateityp ist kein Programm eingerichtet." +
         vbCrLf + "Bitte installieren Sie ein Programm für " +
         (endung.empty() ? std::string("diese Dateien") : "Dateien vom Typ \"" + endung + "\"") +
         " oder legen Sie mit \"xdg-mime default\" fest, welches Programm sie öffnet.";
}

}  // namespace meldung

std::filesystem::path HostPfadVon(const std::string& windowsPfad) {
  if (auto* host = dynamic_cast<HostDateisystem*>(Dienste().Dateien.get()))
    return host->Laufwerke().Aufloesen(windowsPfad).Host;
  return Laufwerkstabelle::AusUmgebung().Aufloesen(windowsPfad).Host;
}

Oeffner& DokumentOeffner() { return tOeffner; }

Oeffner StandardOeffner() { return XdgOpen; }

Oeffner OeffnerMit(std::function<bool(const std::string& hostPfad)> starten) {
  return [starten = std::move(starten)](const std::string& windowsPfad) {
    const std::string host = VorhandeneDatei(windowsPfad);
    if (host.empty()) return;
    if (!starten(host)) Melden(meldung::KeinProgramm(Name(windowsPfad)));
  };
}

void DokumentOeffnen(const std::string& windowsPfad) {
  if (tOeffner) tOeffner(windowsPfad);
}

}  // namespace vxm
