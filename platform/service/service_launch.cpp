// The layer's own start of a service: a double fork so the service belongs
// to no caller, the user switch, the environment, and the wait for the
// dispatcher's word on the ready pipe. Everything the child needs is prepared before fork:
// between fork and exec only async-signal-safe calls are made.
#include "platform/service/service_launch.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/base/last_error.h"
#include "platform/service/service_control_socket.h"
#include "platform/service/service_manager.h"

extern char** environ;

namespace {


// What the launcher's children tell it on the report pipe, one record per
// write (atomic on a pipe).
struct LaunchReport {
  char kind;  // 'P': the service's process id; 'E': exec or the user switch failed
  int value;  // the pid, or the errno
};

void Report(int pipe, char kind, int value) {
  const LaunchReport report{kind, value};
  [[maybe_unused]] const ssize_t written = ::write(pipe, &report, sizeof(report));
}

// A C array of C strings over owned strings.
struct CStrings {
  std::vector<std::string> owned;
  std::vector<char*> pointers;
  char** Terminated() {
    pointers.clear();
    for (std::string& s : owned) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers.data();
  }
};

// The caller's environment with the unit's assignments on top, the
// service's name always set, and the ready pipe named.
CStrings ServiceEnvironment(const std::string& serviceName, const ServiceUnit& unit) {
  std::vector<std::pair<std::string, std::string>> assignments = unit.environment;
  assignments.emplace_back(SERVICE_NAME_VARIABLE, serviceName);
  assignments.emplace_back(START_FD_VARIABLE, std::to_string(START_FD_NUMBER));
  CStrings result;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('='));
    bool replaced = false;
    for (const auto& assignment : assignments) replaced = replaced || assignment.first == name;
    if (!replaced) result.owned.push_back(text);
  }
  for (const auto& [name, value] : assignments) result.owned.push_back(name + "=" + value);
  return result;
}

struct UserSwitch {
  bool needed = false;
  uid_t uid = 0;
  gid_t gid = 0;
  std::vector<gid_t> groups;
};

DWORD ResolveUser(const std::string& user, UserSwitch& change) {
  // LocalSystem: the starter's own account (root, when root starts it).
  if (user.empty()) return ERROR_SUCCESS;
  const passwd* account = ::getpwnam(user.c_str());
  if (account == nullptr) return ERROR_SERVICE_LOGON_FAILED;
  if (account->pw_uid == ::geteuid()) return ERROR_SUCCESS;
  if (::geteuid() != 0) return ERROR_SERVICE_LOGON_FAILED;
  change.needed = true;
  change.uid = account->pw_uid;
  change.gid = account->pw_gid;
  int count = 32;
  change.groups.resize(static_cast<std::size_t>(count));
  if (::getgrouplist(user.c_str(), account->pw_gid, change.groups.data(), &count) < 0) {
    change.groups.resize(static_cast<std::size_t>(count));
    ::getgrouplist(user.c_str(), account->pw_gid, change.groups.data(), &count);
  }
  change.groups.resize(static_cast<std::size_t>(count));
  return ERROR_SUCCESS;
}

// Runs in the service's process between fork and exec: async-signal-safe
// calls only.
[[noreturn]] void BecomeService(const char* program, char** argv, char** envp, int input, int output, int ready,
                                const UserSwitch& change, int report) {
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  for (int signal = 1; signal < NSIG; ++signal) ::sigaction(signal, &standard, nullptr);
  // The ready pipe becomes START_FD_NUMBER and stays open across exec.
  if (::dup2(input, 0) < 0 || ::dup2(output, 1) < 0 || ::dup2(output, 2) < 0 ||
      (ready != START_FD_NUMBER && ::dup2(ready, START_FD_NUMBER) < 0) ||
      ::fcntl(START_FD_NUMBER, F_SETFD, 0) < 0) {
    Report(report, 'E', errno);
    ::_exit(127);
  }
  if (change.needed) {
    if (::setgroups(change.groups.size(), change.groups.data()) != 0 || ::setgid(change.gid) != 0 ||
        ::setuid(change.uid) != 0) {
      Report(report, 'E', EPERM);
      ::_exit(127);
    }
  }
  // systemd starts services in "/".
  if (::chdir("/") != 0) {
    Report(report, 'E', errno);
    ::_exit(127);
  }
  ::execve(program, argv, envp);
  Report(report, 'E', errno);
  ::_exit(127);
}

}  // namespace

bool SystemdManagesServices() {
  struct stat info {};
  return ::stat("/run/systemd/system", &info) == 0 && S_ISDIR(info.st_mode) &&
         ServiceDirectory() == SYSTEMD_SERVICE_DIRECTORY;
}

bool RunSystemctl(const std::vector<std::string>& arguments) {
  CStrings argv;
  argv.owned.push_back("systemctl");
  for (const std::string& argument : arguments) argv.owned.push_back(argument);
  pid_t child = 0;
  if (::posix_spawnp(&child, "systemctl", nullptr, nullptr, argv.Terminated(), environ) != 0) return false;
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

DWORD LaunchService(const std::string& serviceName, const ServiceUnit& unit) {
  UserSwitch change;
  if (const DWORD userError = ResolveUser(unit.user, change); userError != ERROR_SUCCESS) return userError;

  const std::string runFolder = ServiceRunDirectory();
  if (::mkdir(runFolder.c_str(), 0755) != 0 && errno != EEXIST) return Win32ErrorFromErrno(errno);
  const int output = ::open(ServiceOutputPath(serviceName).c_str(),
                            O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (output < 0) return Win32ErrorFromErrno(errno);
  const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (input < 0) {
    const DWORD error = Win32ErrorFromErrno(errno);
    ::close(output);
    return error;
  }
  CStrings argv;
  argv.owned = unit.command;
  CStrings envp = ServiceEnvironment(serviceName, unit);
  char** const argvArray = argv.Terminated();
  char** const envArray = envp.Terminated();
  const char* const program = argvArray[0];

  int report[2];
  int ready[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    const DWORD error = Win32ErrorFromErrno(errno);
    ::close(input);
    ::close(output);
    return error;
  }
  if (::pipe2(ready, O_CLOEXEC) != 0) {
    const DWORD error = Win32ErrorFromErrno(errno);
    ::close(report[0]);
    ::close(report[1]);
    ::close(input);
    ::close(output);
    return error;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(report[0]);
    ::close(ready[0]);
    // A session of its own, and a grandchild that init adopts: the service
    // outlives its starter and is no one's zombie.
    ::setsid();
    const pid_t service = ::fork();
    if (service == 0) BecomeService(program, argvArray, envArray, input, output, ready[1], change, report[1]);
    Report(report[1], service > 0 ? 'P' : 'E', service > 0 ? service : errno);
    ::_exit(0);
  }
  ::close(report[1]);
  ::close(ready[1]);
  ::close(input);
  ::close(output);
  if (child < 0) {
    const DWORD error = Win32ErrorFromErrno(errno);
    ::close(report[0]);
    ::close(ready[0]);
    return error;
  }
  int childStatus = 0;
  while (::waitpid(child, &childStatus, 0) < 0 && errno == EINTR) {
  }

  // Reports until the exec closes the pipe.
  pid_t servicePid = 0;
  int failure = 0;
  LaunchReport record{};
  for (;;) {
    const ssize_t got = ::read(report[0], &record, sizeof(record));
    if (got < 0 && errno == EINTR) continue;
    if (got != static_cast<ssize_t>(sizeof(record))) break;
    if (record.kind == 'P') servicePid = record.value;
    if (record.kind == 'E') failure = record.value;
  }
  ::close(report[0]);
  if (failure != 0 || servicePid <= 0) {
    ::close(ready[0]);
    if (failure == 0) return ERROR_PROCESS_ABORTED;
    return failure == EPERM ? ERROR_SERVICE_LOGON_FAILED : Win32ErrorFromErrno(failure);
  }

  // Windows' start returns once the service's process has reached the
  // dispatcher: here when the dispatcher writes to the ready pipe. The pipe's
  // end without a byte means the process ended (or let go of it) first.
  DWORD result = ERROR_SERVICE_REQUEST_TIMEOUT;
  pollfd event{ready[0], POLLIN, 0};
  int polled;
  do {
    polled = ::poll(&event, 1, CONTROL_SOCKET_TIMEOUT_MS);
  } while (polled < 0 && errno == EINTR);
  if (polled > 0) {
    char byte = 0;
    ssize_t got;
    do {
      got = ::read(ready[0], &byte, 1);
    } while (got < 0 && errno == EINTR);
    result = got == 1 ? ERROR_SUCCESS : ERROR_PROCESS_ABORTED;
  }
  ::close(ready[0]);
  return result;
}
