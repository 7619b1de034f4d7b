#include "platform/oeffner.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/dateisystem.h"
#include "platform/dienste.h"

extern char** environ;

namespace vxm {
namespace {

void XdgOpen(const std::string& windowsPfad) {
  std::string host;
  try {
    host = HostPfadVon(windowsPfad).string();
  } catch (...) {
    return;  // nothing to open: the shell request simply fails
  }
  // Detached through a short-lived intermediate process so no zombie stays;
  // the helper's success says nothing about the document, so it is not read.
  const pid_t zwischen = fork();
  if (zwischen == 0) {
    setsid();
    pid_t kind = 0;
    const char* argv[] = {"xdg-open", host.c_str(), nullptr};
    posix_spawnp(&kind, "xdg-open", nullptr, nullptr, const_cast<char**>(argv), environ);
    _exit(0);
  }
  if (zwischen > 0) waitpid(zwischen, nullptr, 0);
}

thread_local Oeffner tOeffner = XdgOpen;

}  // namespace

std::filesystem::path HostPfadVon(const std::string& windowsPfad) {
  if (auto* host = dynamic_cast<HostDateisystem*>(Dienste().Dateien.get()))
    return host->Laufwerke().Aufloesen(windowsPfad).Host;
  return Laufwerkstabelle::AusUmgebung().Aufloesen(windowsPfad).Host;
}

Oeffner& DokumentOeffner() { return tOeffner; }

void DokumentOeffnen(const std::string& windowsPfad) {
  if (tOeffner) tOeffner(windowsPfad);
}

}  // namespace vxm
