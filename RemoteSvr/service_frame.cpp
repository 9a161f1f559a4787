// The service frame: command line, install and remove, dispatcher, status
// reports, controls and console events. Progress lines are traces at level
// 1; failures of the manager's calls are five-line error blocks.
#include "RemoteSvr/service_frame.h"

#include <limits.h>
#include <strings.h>

#include <algorithm>
#include <cinttypes>
#include <cstring>

#include "RemoteSvr/common/build_number.h"
#include "RemoteSvr/log_file.h"
#include "platform/base/command_line.h"
#include "platform/service/console_control.h"
#include "platform/base/format_message.h"
#include "platform/base/last_error.h"
#include "platform/base/module_file_name.h"
#include "platform/base/synchapi.h"
#include "platform/base/wipe.h"

namespace {

constexpr std::int32_t kFrameTraceLevel = 1;
constexpr DWORD kAllControls = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE | SERVICE_ACCEPT_SHUTDOWN;
constexpr std::size_t kErrorTextSize = 1024;
constexpr std::size_t kServiceNameBuffer = 512;

// The process's one frame, for the callbacks.
std::atomic<CWindowsService*> instance{nullptr};
// The dispatch table's name: a copy of the service name.
char dispatchName[kServiceNameBuffer];
// From RegisterServiceCtrlHandlerA on the service thread; read by SetStatus
// on the handler's thread too.
std::atomic<SERVICE_STATUS_HANDLE> statusHandle{nullptr};

void TraceLine(const char* text) { LogFile().Trace(kFrameTraceLevel, "%s", text); }

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string_view::npos) return std::string_view();
  return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

}  // namespace

CWindowsService::CWindowsService(const char* serviceNameText, const char* displayNameText,
                                 const char* descriptionText, const char* noticeText)
    : noticeLine(noticeText), displayName(displayNameText), descriptionLine(descriptionText),
      serviceName(serviceNameText) {
  instance.store(this);
  std::strncpy(dispatchName, serviceName.c_str(), sizeof(dispatchName) - 1);
  // Linux paths may be longer than MAX_PATH; a cut path would install a
  // program that is not there.
  char path[PATH_MAX + 1];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  if (length == 0 || length >= sizeof(path)) {
    LogError("Error Creating Service", length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
  } else {
    programPath.assign(path, length);
  }
  ParseCommandLine();
}

CWindowsService::~CWindowsService() {
  CWindowsService* self = this;
  instance.compare_exchange_strong(self, nullptr);
  WipeString(password);
  stopEvent.Close();
}

void CWindowsService::ParseCommandLine() { ParseCommandLine(GetCommandLineA()); }

void CWindowsService::ParseCommandLine(const std::string& commandLine) {
  arguments.clear();
  showUsage = install = remove = 0;
  consoleMode = 0;
  startType = SERVICE_DEMAND_START;
  account.clear();
  WipeString(password);

  std::string_view text = TrimBlanks(commandLine);
  while (!text.empty()) {
    const std::size_t blank = text.find(' ');
    arguments.emplace_back(text.substr(0, blank));
    text = blank == std::string_view::npos ? std::string_view() : TrimBlanks(text.substr(blank));
  }

  // The words after "install" are its arguments, not options.
  std::size_t consumedUntil = 0;
  std::size_t passwordWord = 0;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    const bool isPassword = passwordWord != 0 && i == passwordWord;
    LogFile().Trace(kFrameTraceLevel, "Argument [%u] = %s", static_cast<unsigned>(i),
                    isPassword ? "<set>" : word.c_str());
    if (i < consumedUntil) continue;
    if (word.empty() || (word[0] != '-' && word[0] != '/')) continue;
    const char* option = word.c_str() + 1;
    if (::strcasecmp(option, "?") == 0 || ::strcasecmp(option, "h") == 0) {
      showUsage = 1;
    } else if (::strcasecmp(option, "debug") == 0) {
      TraceLine("Argument set to Debug Mode");
      consoleMode = 1;
    } else if (::strcasecmp(option, "install") == 0) {
      install = 1;
      if (i + 1 < arguments.size() && ::strcasecmp(arguments[i + 1].c_str(), "auto") == 0) {
        startType = SERVICE_AUTO_START;
      }
      if (i + 2 < arguments.size()) account = arguments[i + 2];
      if (i + 3 < arguments.size()) {
        password = arguments[i + 3];
        passwordWord = i + 3;
      }
      consumedUntil = std::min(i + 4, arguments.size());
    } else if (::strcasecmp(option, "remove") == 0) {
      remove = 1;
    }
  }
}

void CWindowsService::Start() {
  TraceLine("Start()");
  if (showUsage) {
    ShowUsage();
  } else if (consoleMode) {
    RunAsConsole();
  } else if (install) {
    Install();
  } else if (remove) {
    Remove();
  } else {
    StartDispatcher();
  }
}

void CWindowsService::ShowUsage() {
  CLogFile& log = LogFile();
  log.Log("Command line");
  log.Log("============");
  log.Log("-install <Auto/Manual> <username> <password> to install the service");
  log.Log("-remove                                      to remove the service");
  log.Log("-debug                                       to run on console (debug)");
  log.Log("-?                                           displays this message");
}

void CWindowsService::RunAsConsole() {
  TraceLine("Starting as Console Application");
  SetConsoleCtrlHandler(ConsoleCtrlHandler, TRUE);
  Run();
}

void CWindowsService::Install() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (manager == nullptr) {
    LogError("Error Opening The Service Control Manager", GetLastError());
    return;
  }
  CLogFile& log = LogFile();
  log.Log("Installing Service");
  log.Log("  Service name = %s", serviceName.c_str());
  log.Log("  Display name = %s", displayName.c_str());
  log.Log("  Start mode   = %s", startType == SERVICE_DEMAND_START ? "Demand" : "Auto");
  log.Log("  Executable   = %s", programPath.c_str());
  log.Log("  Username     = %s", account.c_str());
  // The password itself never reaches the log.
  log.Log("  Password     = %s", password.empty() ? "" : "<set>");
  log.Log("%s", "");
  SC_HANDLE service = CreateServiceA(manager, serviceName.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
                                     SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL, programPath.c_str(),
                                     nullptr, nullptr, nullptr, account.empty() ? nullptr : account.c_str(),
                                     password.empty() ? nullptr : password.c_str());
  if (service != nullptr) {
    CloseServiceHandle(service);
  } else {
    LogError("Error Creating Service", GetLastError());
  }
  CloseServiceHandle(manager);
}

void CWindowsService::Remove() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (manager == nullptr) {
    LogError("Error Opening The Service Control Manager", GetLastError());
    return;
  }
  SC_HANDLE service = OpenServiceA(manager, serviceName.c_str(), SERVICE_ALL_ACCESS);
  if (service == nullptr) {
    LogError("Error Opening The Service Control Manager", GetLastError());
    CloseServiceHandle(manager);
    return;
  }
  TraceLine("Stopping Service");
  SERVICE_STATUS serviceStatus{};
  if (ControlService(service, SERVICE_CONTROL_STOP, &serviceStatus)) {
    Sleep(1000);
    while (QueryServiceStatus(service, &serviceStatus) && serviceStatus.dwCurrentState == SERVICE_STOP_PENDING) {
      TraceLine("  .");
      Sleep(1000);
    }
    TraceLine(serviceStatus.dwCurrentState == SERVICE_STOPPED ? "  Stopped." : "  Failed to stop.");
  }
  TraceLine(DeleteService(service) ? "  Removed." : "  Failed to remove.");
  TraceLine("");
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
}

void CWindowsService::StartDispatcher() {
  TraceLine("Start()");
  LogFile().Trace(kFrameTraceLevel, "  Service name = %s", serviceName.c_str());
  LogFile().Trace(kFrameTraceLevel, "  Service proc = %08" PRIxPTR, reinterpret_cast<std::uintptr_t>(&ServiceMain));
  TraceLine("");
  const SERVICE_TABLE_ENTRYA table[] = {{dispatchName, ServiceMain}, {nullptr, nullptr}};
  if (!StartServiceCtrlDispatcherA(table)) {
    LogError("Error starting Service Control Dispatcher", GetLastError());
    dispatcherFailed = 1;
  }
  TraceLine("Start()");
  TraceLine("  Started");
  TraceLine("");
}

void WINAPI CWindowsService::ServiceMain(DWORD /*argc*/, LPSTR* /*argv*/) {
  CWindowsService* self = instance.load();
  CLogFile& log = LogFile();
  if (self != nullptr) {
    log.Log("%s", self->descriptionLine.c_str());
    log.Log("%s", self->noticeLine.c_str());
  }
  log.Log("%s", "");
  log.Log("Build date : %s at %s", BuildDateText(), BuildTimeText());
  log.Log("%s", "");
  if (self == nullptr) return;
  const SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerA(self->serviceName.c_str(), ServiceControlHandler);
  if (handle == nullptr) return;
  statusHandle.store(handle);
  self->Run();
}

void WINAPI CWindowsService::ServiceControlHandler(DWORD code) {
  TraceLine("ServiceControlHandler()");
  LogFile().Trace(kFrameTraceLevel, "  Control code = %u", static_cast<unsigned>(code));
  CWindowsService* self = instance.load();
  if (self != nullptr) {
    switch (code) {
      case SERVICE_CONTROL_STOP:
      case SERVICE_CONTROL_SHUTDOWN:
        TraceLine("  Stop");
        self->Stop();
        break;
      case SERVICE_CONTROL_PAUSE:
        TraceLine("  Pause");
        self->Pause();
        break;
      case SERVICE_CONTROL_CONTINUE:
        TraceLine("  Continue");
        self->Continue();
        break;
      case SERVICE_CONTROL_INTERROGATE:
        TraceLine("  Update");
        self->ReportStatus(0, 0);
        break;
      default:
        TraceLine("  Invalid / not supported");
    }
  }
  TraceLine("");
}

BOOL WINAPI CWindowsService::ConsoleCtrlHandler(DWORD type) {
  LogFile().Trace(kFrameTraceLevel, "ServiceControlHandler(%u)", static_cast<unsigned>(type));
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  CWindowsService* self = instance.load();
  if (self != nullptr) self->Stop();
  return TRUE;
}

BOOL CWindowsService::SetStatus(DWORD state, DWORD waitHint, DWORD exitCode) {
  CLogFile& log = LogFile();
  TraceLine("Set Service Status");
  log.Trace(kFrameTraceLevel, "  New state = %s", StateName(state));
  log.Trace(kFrameTraceLevel, "  Wait hint = %u", static_cast<unsigned>(waitHint));
  log.Trace(kFrameTraceLevel, "  Exit code = %u", static_cast<unsigned>(exitCode));
  std::lock_guard<std::mutex> hold(statusLock);
  status.dwCurrentState = state;
  status.dwWin32ExitCode = exitCode;
  status.dwWaitHint = waitHint;
  if (consoleMode) return TRUE;
  status.dwControlsAccepted = kAllControls;
  if (state == SERVICE_START_PENDING) {
    status.dwControlsAccepted = 0;
    TraceLine("  Current   = Start Pending");
  }
  status.dwServiceSpecificExitCode = 0;
  if (state == SERVICE_RUNNING || state == SERVICE_STOPPED) {
    TraceLine("  Current   = Running / Stopped");
    status.dwCheckPoint = 0;
  } else {
    status.dwCheckPoint = checkPoint++;
  }
  const BOOL reported = SetServiceStatus(statusHandle.load(), &status);
  if (!reported) LogError("Error setting Service Control Status", GetLastError());
  return reported;
}

BOOL CWindowsService::ReportStatus(DWORD waitHint, DWORD exitCode) {
  DWORD state;
  {
    std::lock_guard<std::mutex> hold(statusLock);
    state = status.dwCurrentState;
  }
  return SetStatus(state, waitHint, exitCode);
}

void CWindowsService::Pause() {
  TraceLine("Pause()");
  SetStatus(SERVICE_PAUSED, 0, 0);
}

void CWindowsService::Continue() {
  TraceLine("Continue()");
  SetStatus(SERVICE_RUNNING, 0, 0);
}

void CWindowsService::Stop() {
  TraceLine("Stop()");
  runState.store(RUN_STATE_STOPPING);
  stopEvent.Set();
}

SERVICE_STATUS CWindowsService::Status() {
  std::lock_guard<std::mutex> hold(statusLock);
  return status;
}

const char* CWindowsService::StateName(DWORD state) {
  // The frame's trace spells this one in lower case, unlike the layer's.
  if (state == SERVICE_STOP_PENDING) return "Stop pending";
  return ServiceStateName(state);
}

std::string CWindowsService::ErrorText(DWORD code) {
  char text[kErrorTextSize] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                sizeof(text), nullptr);
  if (length == 0) return "Error " + std::to_string(code);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n')) --length;
  return std::string(text, length);
}

void CWindowsService::LogError(const char* heading, DWORD code) {
  CLogFile& log = LogFile();
  log.Log("%s", heading);
  log.Log("%s", std::string(std::strlen(heading), '=').c_str());
  log.Log("Status code ...: %u", static_cast<unsigned>(code));
  log.Log("Status text ...: %s", ErrorText(code).c_str());
  log.Log("%s", "");
}
