// varnok-service: starts, stops, pauses, continues and queries an installed
// service through the layer's manager calls (service_manager.h), and waits
// until the service reaches the state asked for.
//   varnok-service start|stop|pause|continue|query "<service name>"
// Exit status: 0 when the service ends in the state asked for (any state for
// query), 1 when a call failed or it ended in another state, 2 for a wrong
// command line.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "platform/base/format_message.h"
#include "platform/base/last_error.h"
#include "platform/service/service_manager.h"

namespace {

struct Command {
  const char* word;
  DWORD control;  // 0: none (start, query)
  DWORD access;
  DWORD wanted;   // the state that counts as done; 0: any
};

constexpr Command kCommands[] = {
    {"start", 0, SERVICE_START | SERVICE_QUERY_STATUS, SERVICE_RUNNING},
    {"stop", SERVICE_CONTROL_STOP, SERVICE_STOP | SERVICE_QUERY_STATUS, SERVICE_STOPPED},
    {"pause", SERVICE_CONTROL_PAUSE, SERVICE_PAUSE_CONTINUE | SERVICE_QUERY_STATUS, SERVICE_PAUSED},
    {"continue", SERVICE_CONTROL_CONTINUE, SERVICE_PAUSE_CONTINUE | SERVICE_QUERY_STATUS, SERVICE_RUNNING},
    {"query", 0, SERVICE_QUERY_STATUS, 0},
};

// No progress for this long (or for the service's own
// wait hint, when longer) ends the wait.
constexpr auto kLeastPatience = std::chrono::seconds(30);
constexpr auto kPoll = std::chrono::milliseconds(50);

int Failure(const char* what, const char* serviceName) {
  const DWORD code = GetLastError();
  char text[512] = {};
  if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                     sizeof(text), nullptr) == 0) {
    std::snprintf(text, sizeof(text), "Error %u", static_cast<unsigned>(code));
  }
  text[std::strcspn(text, "\r\n")] = '\0';
  std::fprintf(stderr, "varnok-service: %s %s: %u %s\n", what, serviceName, static_cast<unsigned>(code), text);
  return 1;
}

void Print(const char* serviceName, const SERVICE_STATUS& status) {
  std::printf("%s: %s\n", serviceName, ServiceStateName(status.dwCurrentState));
  std::printf("  State ..........: %u\n", static_cast<unsigned>(status.dwCurrentState));
  std::printf("  Controls .......: %u\n", static_cast<unsigned>(status.dwControlsAccepted));
  std::printf("  Exit code ......: %u\n", static_cast<unsigned>(status.dwWin32ExitCode));
  std::printf("  Service code ...: %u\n", static_cast<unsigned>(status.dwServiceSpecificExitCode));
  std::printf("  Check point ....: %u\n", static_cast<unsigned>(status.dwCheckPoint));
  std::printf("  Wait hint ......: %u\n", static_cast<unsigned>(status.dwWaitHint));
}

// Queries until the service is in the state wanted, or has stopped (a start
// that failed), or makes no progress (no new state or check point) for the
// longer of kLeastPatience and its own wait hint.
bool WaitForState(SC_HANDLE service, DWORD wanted, SERVICE_STATUS& status) {
  auto lastProgress = std::chrono::steady_clock::now();
  DWORD state = status.dwCurrentState;
  DWORD checkPoint = status.dwCheckPoint;
  while (status.dwCurrentState != wanted && status.dwCurrentState != SERVICE_STOPPED) {
    const auto patience = std::max<std::chrono::steady_clock::duration>(
        kLeastPatience, std::chrono::milliseconds(status.dwWaitHint));
    if (std::chrono::steady_clock::now() - lastProgress > patience) return true;
    std::this_thread::sleep_for(kPoll);
    if (!QueryServiceStatus(service, &status)) return false;
    if (status.dwCurrentState != state || status.dwCheckPoint != checkPoint) {
      state = status.dwCurrentState;
      checkPoint = status.dwCheckPoint;
      lastProgress = std::chrono::steady_clock::now();
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const Command* command = nullptr;
  if (argc == 3) {
    for (const Command& candidate : kCommands) {
      if (std::strcmp(argv[1], candidate.word) == 0) command = &candidate;
    }
  }
  if (command == nullptr) {
    std::fprintf(stderr, "usage: varnok-service start|stop|pause|continue|query \"<service name>\"\n");
    return 2;
  }
  const char* serviceName = argv[2];
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return Failure("opening the service manager for", serviceName);
  SC_HANDLE service = OpenServiceA(manager, serviceName, command->access);
  if (service == nullptr) {
    const int status = Failure("opening", serviceName);
    CloseServiceHandle(manager);
    return status;
  }
  SERVICE_STATUS status{};
  bool done = true;
  if (std::strcmp(command->word, "start") == 0) {
    done = StartServiceA(service, 0, nullptr) && QueryServiceStatus(service, &status);
  } else if (command->control != 0) {
    done = ControlService(service, command->control, &status) != FALSE;
  } else {
    done = QueryServiceStatus(service, &status) != FALSE;
  }
  if (done && command->wanted != 0) done = WaitForState(service, command->wanted, status);
  int exitStatus = 0;
  if (!done) {
    exitStatus = Failure(command->word, serviceName);
  } else {
    Print(serviceName, status);
    if (command->wanted != 0 && status.dwCurrentState != command->wanted) exitStatus = 1;
  }
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return exitStatus;
}
