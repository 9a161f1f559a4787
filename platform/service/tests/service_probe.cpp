// A service for the layer's tests: reports its states through the layer,
// and writes what it is told to the file PROBE_LOG, one line per event
// ("pid N", "control N", "state N"). With PROBE_GATE set it stays start
// pending until that file exists.
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "platform/base/last_error.h"
#include "platform/service/service_manager.h"

namespace {

SERVICE_STATUS_HANDLE statusHandle = nullptr;
std::mutex lock;
std::condition_variable stopSignal;
bool stopRequested = false;
DWORD checkPoint = 0;

void Note(const std::string& line) {
  const char* path = std::getenv("PROBE_LOG");
  if (path == nullptr) return;
  std::FILE* file = std::fopen(path, "a");
  if (file == nullptr) return;
  std::fprintf(file, "%s\n", line.c_str());
  std::fclose(file);
}

void Report(DWORD state) {
  const DWORD accepted = state == SERVICE_START_PENDING ? 0 : SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE;
  const bool pending = state != SERVICE_RUNNING && state != SERVICE_STOPPED;
  SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, state, accepted, 0, 0, pending ? ++checkPoint : 0,
                        pending ? 5000u : 0u};
  Note("state " + std::to_string(state));
  SetServiceStatus(statusHandle, &status);
}

DWORD current = SERVICE_START_PENDING;

void WINAPI Handler(DWORD control) {
  Note("control " + std::to_string(control));
  std::lock_guard<std::mutex> hold(lock);
  switch (control) {
    case SERVICE_CONTROL_STOP:
      stopRequested = true;
      stopSignal.notify_all();
      break;
    case SERVICE_CONTROL_PAUSE:
      current = SERVICE_PAUSED;
      Report(current);
      break;
    case SERVICE_CONTROL_CONTINUE:
      current = SERVICE_RUNNING;
      Report(current);
      break;
    default:
      Report(current);
  }
}

void WINAPI ProbeMain(DWORD argc, LPSTR* argv) {
  Note("main " + std::to_string(argc) + " " + (argc > 0 ? argv[0] : ""));
  statusHandle = RegisterServiceCtrlHandlerA(argv[0], Handler);
  {
    std::lock_guard<std::mutex> hold(lock);
    Report(SERVICE_START_PENDING);
  }
  if (const char* gate = std::getenv("PROBE_GATE")) {
    while (access(gate, F_OK) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::unique_lock<std::mutex> hold(lock);
  current = SERVICE_RUNNING;
  Report(current);
  stopSignal.wait(hold, [] { return stopRequested; });
  Report(SERVICE_STOP_PENDING);
  Report(SERVICE_STOPPED);
}

}  // namespace

int main() {
  Note("pid " + std::to_string(getpid()));
  char name[] = "probe";
  const SERVICE_TABLE_ENTRYA table[] = {{name, ProbeMain}, {nullptr, nullptr}};
  if (!StartServiceCtrlDispatcherA(table)) {
    Note("dispatcher " + std::to_string(GetLastError()));
    return 3;
  }
  Note("ended");
  return 0;
}
