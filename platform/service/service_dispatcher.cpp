// The service's side of the manager: the dispatcher that runs ServiceMain and
// serves the control socket and SIGTERM, the control handler's registration,
// and the status reports to the layer and to systemd.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/service/service_control_socket.h"
#include "platform/service/service_launch.h"
#include "platform/service/service_manager.h"
#include "platform/service/service_unit_file.h"
#include "platform/service/signal_pipe.h"
#include "platform/service/systemd_notify.h"

namespace {

// The one status handle of an own-process service.
SERVICE_STATUS_HANDLE const kStatusHandle = reinterpret_cast<SERVICE_STATUS_HANDLE>(std::uintptr_t{1});

struct DispatcherState {
  std::mutex lock;  // guards everything below
  bool running = false;
  std::string serviceName;
  // Until the service reports, it is starting, as the manager shows a
  // service it has just started.
  SERVICE_STATUS status{};
  LPHANDLER_FUNCTION handler = nullptr;
  bool readySent = false;
  // A SIGTERM that came while the service did not accept stops yet.
  bool stopWanted = false;
  int wakeWrite = -1;  // SetServiceStatus and the end of ServiceMain wake the dispatcher
};

DispatcherState& State() {
  // Never destroyed: a service thread may report while the process exits.
  static DispatcherState* const state = new DispatcherState;
  return *state;
}

void Wake(int wakeWrite) {
  if (wakeWrite < 0) return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
}

// Takes what poll found waiting: one read, since the signal pipe's read end
// blocks.
void Drain(int readEnd) {
  char bytes[64];
  [[maybe_unused]] const ssize_t got = ::read(readEnd, bytes, sizeof(bytes));
}

bool IsPending(DWORD state) {
  return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
}

// The dispatcher's answer to one control: calls the handler (on this
// thread, as Windows calls it on the dispatcher's) when the service takes it.
DWORD Control(DWORD control, SERVICE_STATUS& status) {
  DispatcherState& state = State();
  LPHANDLER_FUNCTION handler;
  {
    std::lock_guard<std::mutex> hold(state.lock);
    status = state.status;
    handler = state.handler;
  }
  if (control == 0) return ERROR_SUCCESS;
  if (status.dwCurrentState == SERVICE_STOPPED) return ERROR_SERVICE_NOT_ACTIVE;
  DWORD needed = 0;
  switch (control) {
    case SERVICE_CONTROL_STOP:
      needed = SERVICE_ACCEPT_STOP;
      break;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE:
      needed = SERVICE_ACCEPT_PAUSE_CONTINUE;
      break;
    case SERVICE_CONTROL_INTERROGATE:
      break;
    default:
      if (control < 128) return ERROR_INVALID_PARAMETER;
  }
  if (handler == nullptr) return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
  if ((status.dwControlsAccepted & needed) != needed) {
    return IsPending(status.dwCurrentState) ? ERROR_SERVICE_CANNOT_ACCEPT_CTRL : ERROR_INVALID_SERVICE_CONTROL;
  }
  handler(control);
  std::lock_guard<std::mutex> hold(state.lock);
  status = state.status;
  return ERROR_SUCCESS;
}

// Hands a stop asked for by SIGTERM to the handler once the service takes
// stops; drops it once the service has stopped.
void DeliverWantedStop() {
  DispatcherState& state = State();
  LPHANDLER_FUNCTION handler;
  {
    std::lock_guard<std::mutex> hold(state.lock);
    if (!state.stopWanted) return;
    if (state.status.dwCurrentState == SERVICE_STOPPED) {
      state.stopWanted = false;
      return;
    }
    if (state.handler == nullptr || (state.status.dwControlsAccepted & SERVICE_ACCEPT_STOP) == 0) return;
    state.stopWanted = false;
    handler = state.handler;
  }
  handler(SERVICE_CONTROL_STOP);
}

// Tells the layer's start command, once, whether the dispatcher is up; the
// pipe is closed either way, so no later child of the service holds it.
void TellStarter(bool ready) {
  static bool told = false;
  if (told) return;
  told = true;
  const char* text = std::getenv(START_FD_VARIABLE);
  if (text == nullptr || std::strcmp(text, std::to_string(START_FD_NUMBER).c_str()) != 0) return;
  if (::fcntl(START_FD_NUMBER, F_GETFD) < 0) return;
  if (ready) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(START_FD_NUMBER, &byte, 1);
  }
  ::close(START_FD_NUMBER);
}

void ServeConnection(int listener) {
  const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (connection < 0) return;
  DWORD control = 0;
  if (ReadControlRequest(connection, control)) {
    SERVICE_STATUS status{};
    const DWORD error = Control(control, status);
    WriteControlReply(connection, error, status);
  }
  ::close(connection);
}

}  // namespace

const char* ServiceStateName(DWORD state) {
  switch (state) {
    case SERVICE_STOPPED:
      return "Stopped";
    case SERVICE_START_PENDING:
      return "Start Pending";
    case SERVICE_STOP_PENDING:
      return "Stop Pending";
    case SERVICE_RUNNING:
      return "Running";
    case SERVICE_CONTINUE_PENDING:
      return "Continue Pending";
    case SERVICE_PAUSE_PENDING:
      return "Pause Pending";
    case SERVICE_PAUSED:
      return "Paused";
    default:
      return "Unknown";
  }
}

BOOL StartServiceCtrlDispatcherA(const SERVICE_TABLE_ENTRYA* serviceTable) {
  if (serviceTable == nullptr || serviceTable[0].lpServiceName == nullptr ||
      serviceTable[0].lpServiceProc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const char* startedAs = std::getenv(SERVICE_NAME_VARIABLE);
  if (startedAs == nullptr || startedAs[0] == '\0' || !IsValidServiceName(startedAs)) {
    SetLastError(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
    return FALSE;
  }
  const std::string serviceName = startedAs;
  DispatcherState& state = State();
  int wake[2];
  {
    std::lock_guard<std::mutex> hold(state.lock);
    if (state.running) {
      SetLastError(ERROR_SERVICE_ALREADY_RUNNING);
      return FALSE;
    }
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
      SetLastErrorFromErrno();
      return FALSE;
    }
    state.running = true;
    state.serviceName = serviceName;
    state.status = SERVICE_STATUS{SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, 0, 0, 0, 0};
    state.handler = nullptr;
    state.readySent = false;
    state.stopWanted = false;
    state.wakeWrite = wake[1];
  }
  const auto finish = [&](DWORD error) {
    std::lock_guard<std::mutex> hold(state.lock);
    state.running = false;
    state.handler = nullptr;
    state.wakeWrite = -1;
    ::close(wake[0]);
    ::close(wake[1]);
    if (error != ERROR_SUCCESS) SetLastError(error);
    return error == ERROR_SUCCESS ? TRUE : FALSE;
  };

  const std::string socketPath = ControlSocketPath(serviceName);
  DWORD error = ERROR_SUCCESS;
  const int listener = OpenControlSocket(socketPath, error);
  if (listener < 0) {
    TellStarter(false);
    return finish(error);
  }
  const int terminate = WatchSignals({SIGTERM});
  if (terminate < 0) {
    const DWORD watchError = Win32ErrorFromErrno(errno);
    ::close(listener);
    ::unlink(socketPath.c_str());
    TellStarter(false);
    return finish(watchError);
  }
  TellStarter(true);

  // ServiceMain gets the service's name as its one argument, as on Windows.
  std::vector<char> nameBuffer(serviceName.begin(), serviceName.end());
  nameBuffer.push_back('\0');
  const LPSERVICE_MAIN_FUNCTIONA serviceMain = serviceTable[0].lpServiceProc;
  std::atomic<bool> serviceEnded{false};
  std::thread serviceThread([&, serviceMain] {
    LPSTR argv[] = {nameBuffer.data(), nullptr};
    serviceMain(1, argv);
    serviceEnded.store(true);
    Wake(wake[1]);
  });

  while (!serviceEnded.load()) {
    pollfd events[3] = {{listener, POLLIN, 0}, {wake[0], POLLIN, 0}, {terminate, POLLIN, 0}};
    if (::poll(events, 3, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (events[2].revents & POLLIN) {
      Drain(terminate);
      std::lock_guard<std::mutex> hold(state.lock);
      state.stopWanted = true;
    }
    if (events[1].revents & POLLIN) Drain(wake[0]);
    DeliverWantedStop();
    if (events[0].revents & POLLIN) ServeConnection(listener);
  }
  serviceThread.join();
  // Queries find no socket now, so the service counts as stopped.
  ::unlink(socketPath.c_str());
  ::close(listener);
  UnwatchSignal(SIGTERM);
  ::close(terminate);
  return finish(ERROR_SUCCESS);
}

SERVICE_STATUS_HANDLE RegisterServiceCtrlHandlerA(LPCSTR /*serviceName*/, LPHANDLER_FUNCTION handler) {
  DispatcherState& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  if (!state.running) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  if (handler == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  state.handler = handler;
  return kStatusHandle;
}

BOOL SetServiceStatus(SERVICE_STATUS_HANDLE handle, LPSERVICE_STATUS status) {
  DispatcherState& state = State();
  std::string message;
  {
    std::lock_guard<std::mutex> hold(state.lock);
    if (handle != kStatusHandle || !state.running) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    if (status == nullptr || status->dwCurrentState < SERVICE_STOPPED || status->dwCurrentState > SERVICE_PAUSED) {
      SetLastError(ERROR_INVALID_DATA);
      return FALSE;
    }
    const DWORD before = state.status.dwCurrentState;
    state.status = *status;
    const DWORD now = status->dwCurrentState;
    if (now == SERVICE_RUNNING && !state.readySent) {
      message += "READY=1\n";
      state.readySent = true;
    }
    if (now == SERVICE_STOP_PENDING && before != SERVICE_STOP_PENDING) message += "STOPPING=1\n";
    message += "STATUS=";
    message += ServiceStateName(now);
    Wake(state.wakeWrite);
  }
  NotifySystemd(message);
  return TRUE;
}
