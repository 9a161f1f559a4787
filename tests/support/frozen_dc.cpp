// Finding the DC's processes by the session of its master, and the helper
// that lets them go on when the test process ends.
#include "tests/support/frozen_dc.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// The session of process `pid` (field 6 of /proc/PID/stat), or -1.
long SessionOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  std::getline(in, stat);
  // The command name in parentheses may hold spaces: the fields follow its end.
  const std::size_t end = stat.rfind(')');
  if (end == std::string::npos) return -1;
  std::istringstream fields(stat.substr(end + 1));
  std::string state;
  long parent = 0, group = 0, session = -1;
  fields >> state >> parent >> group >> session;
  return fields ? session : -1;
}

// Every process of the session that the master in DC_PID_FILE leads.
std::vector<pid_t> DcProcesses() {
  std::vector<pid_t> found;
  const char* pidFile = std::getenv("DC_PID_FILE");
  if (pidFile == nullptr) return found;
  std::ifstream in(pidFile);
  long master = 0;
  if (!(in >> master) || master <= 0) return found;
  const long session = SessionOf(static_cast<pid_t>(master));
  if (session != master) return found;  // not the DC's master any more
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return found;
  while (const dirent* entry = readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (*end != 0 || pid <= 0) continue;
    if (SessionOf(static_cast<pid_t>(pid)) == session) found.push_back(static_cast<pid_t>(pid));
  }
  closedir(proc);
  return found;
}

void SignalAll(const std::vector<pid_t>& pids, int signal) {
  for (const pid_t pid : pids) kill(pid, signal);
}

bool Contains(const std::vector<pid_t>& pids, pid_t pid) {
  for (const pid_t known : pids)
    if (known == pid) return true;
  return false;
}

}  // namespace

CFrozenDc::CFrozenDc() {
  // A process may fork while the others are being stopped: look again until
  // no new one turns up.
  for (int round = 0; round < 10; ++round) {
    bool more = false;
    for (const pid_t pid : DcProcesses()) {
      if (Contains(pids, pid)) continue;
      kill(pid, SIGSTOP);
      pids.push_back(pid);
      more = true;
    }
    if (!more) break;
  }
  if (pids.empty()) return;
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return;
  guard = fork();
  if (guard == 0) {
    // The helper: keeps no other descriptor (the test's connections close
    // when the test closes them), waits until the test process closes the
    // pipe, on purpose or by ending, then thaws. Only async-signal-safe
    // calls after fork.
    close_range(3, static_cast<unsigned>(ends[0]) - 1, 0);
    close_range(static_cast<unsigned>(ends[0]) + 1, ~0u, 0);
    char byte;
    for (;;) {
      const ssize_t got = read(ends[0], &byte, 1);
      if (got == 0 || (got < 0 && errno != EINTR)) break;
    }
    for (const pid_t pid : pids) kill(pid, SIGCONT);
    _exit(0);
  }
  close(ends[0]);
  if (guard < 0) {
    close(ends[1]);
    return;
  }
  guardPipe = ends[1];
}

CFrozenDc::~CFrozenDc() {
  SignalAll(pids, SIGCONT);
  if (guardPipe >= 0) close(guardPipe);
  if (guard > 0) waitpid(guard, nullptr, 0);
}
