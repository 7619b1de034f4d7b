#include "search/volltext/kindprozess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace vxm::volltext {

Programmlauf ProgrammAusfuehren(const std::vector<std::string>& argumente,
                                std::chrono::milliseconds zeit, std::size_t maxAusgabe) {
  Programmlauf lauf;
  int rohr[2];
  if (::pipe2(rohr, O_CLOEXEC) != 0) return lauf;
  posix_spawn_file_actions_t aktionen;
  posix_spawn_file_actions_init(&aktionen);
  posix_spawn_file_actions_addopen(&aktionen, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&aktionen, rohr[1], 1);
  posix_spawn_file_actions_addopen(&aktionen, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setpgroup(&attr, 0);
  sigset_t standard;
  sigemptyset(&standard);
  posix_spawnattr_setsigmask(&attr, &standard);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
  std::vector<char*> argv;
  argv.reserve(argumente.size() + 1);
  for (const auto& a : argumente) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int r = ::posix_spawnp(&pid, argv[0], &aktionen, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&aktionen);
  posix_spawnattr_destroy(&attr);
  ::close(rohr[1]);
  if (r != 0) {
    ::close(rohr[0]);
    return lauf;
  }
  lauf.Gestartet = true;
  const auto frist = std::chrono::steady_clock::now() + zeit;
  char puffer[1 << 16];
  bool toeten = false;
  for (;;) {
    const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(frist - std::chrono::steady_clock::now());
    if (rest.count() <= 0) {
      lauf.Zeitueberschreitung = toeten = true;
      break;
    }
    pollfd p{rohr[0], POLLIN, 0};
    const int n = ::poll(&p, 1, static_cast<int>(std::min<long long>(rest.count(), 1000)));
    if (n < 0 && errno != EINTR) break;
    if (n <= 0) continue;
    const ssize_t g = ::read(rohr[0], puffer, sizeof puffer);
    if (g < 0 && errno == EINTR) continue;
    if (g <= 0) break;
    lauf.Ausgabe.append(puffer, static_cast<std::size_t>(g));
    if (lauf.Ausgabe.size() > maxAusgabe) {
      lauf.Ausgabe.resize(maxAusgabe);
      lauf.Gekuerzt = toeten = true;
      break;
    }
  }
  ::close(rohr[0]);
  if (toeten) ::kill(-pid, SIGKILL);
  int status = 0;
  // After the pipe closed the program is about to end; a grandchild that
  // kept the pipe open is not waited for (the group is killed above).
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) lauf.Exitstatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) lauf.Signal = WTERMSIG(status);
  return lauf;
}

}  // namespace vxm::volltext
