// CWindowsService: the frame of an own-process service that can also run on
// the console. It reads the process command line, installs or removes itself
// through the service manager (platform/service/service_manager.h), runs the
// dispatcher, reports status, answers controls and the console's break
// events, and calls Run, which the service body implements
// (pwd_reset_service.h). All output goes through the service log.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "RemoteSvr/auto_reset_event.h"
#include "platform/service/service_manager.h"

// The values of runState.
inline constexpr std::int32_t RUN_STATE_RUNNING = 1;
inline constexpr std::int32_t RUN_STATE_STARTING = 2;
inline constexpr std::int32_t RUN_STATE_STOPPING = 3;  // a stop was asked for
inline constexpr std::int32_t RUN_STATE_CREATED = 4;

class CWindowsService {
 public:
  // Reads the program's path and parses the process command line. The one
  // instance of the process: the manager's callbacks and the console's
  // handler reach it through a process-wide pointer.
  CWindowsService(const char* serviceName, const char* displayName, const char* descriptionLine,
                  const char* noticeLine);
  virtual ~CWindowsService();
  CWindowsService(const CWindowsService&) = delete;
  CWindowsService& operator=(const CWindowsService&) = delete;

  // Parses GetCommandLineA(): the argument words, the usage, install and
  // remove flags, console mode and the install arguments.
  void ParseCommandLine();
  // The same for a given command line, in place of what was parsed before.
  void ParseCommandLine(const std::string& commandLine);

  // Runs exactly one of: usage, console, install, remove, dispatcher.
  void Start();
  void ShowUsage();
  void RunAsConsole();
  void Install();
  void Remove();
  void StartDispatcher();

  // Reports a state (nonzero on success); on the console it is only kept.
  BOOL SetStatus(DWORD state, DWORD waitHint, DWORD exitCode);
  // The current state again.
  BOOL ReportStatus(DWORD waitHint, DWORD exitCode);

  void Pause();
  void Continue();
  // Asks Run to stop: runState 3 and the stop event signalled.
  void Stop();

  // "Stopped", "Start Pending", "Stop pending", "Running", "Continue
  // Pending", "Pause Pending", "Paused", or "Unknown".
  static const char* StateName(DWORD state);
  // The system's text for an error code, without its line end; "Error %u"
  // when there is none.
  static std::string ErrorText(DWORD code);

  // The manager's and the console's callbacks.
  static void WINAPI ServiceMain(DWORD argc, LPSTR* argv);
  static void WINAPI ServiceControlHandler(DWORD code);
  static BOOL WINAPI ConsoleCtrlHandler(DWORD type);

  // The service's work, from start pending to stopped.
  virtual void Run() = 0;

  void SetConsoleMode(std::int32_t mode) { consoleMode = mode; }
  std::int32_t ConsoleMode() const { return consoleMode; }
  std::int32_t ShowUsageFlag() const { return showUsage; }
  std::int32_t InstallFlag() const { return install; }
  std::int32_t RemoveFlag() const { return remove; }
  DWORD StartType() const { return startType; }
  const std::string& Account() const { return account; }
  const std::string& Password() const { return password; }
  const std::string& ProgramPath() const { return programPath; }
  const std::vector<std::string>& Arguments() const { return arguments; }
  // A copy of the status record as last set.
  SERVICE_STATUS Status();
  // Nonzero when the dispatcher could not be started (the program was not
  // started as a service).
  std::int32_t DispatcherFailed() const { return dispatcherFailed; }

 protected:
  // The five-line error block: heading, its underline, code, text, empty.
  static void LogError(const char* heading, DWORD code);

  CAutoResetEvent stopEvent;
  // Written by Run and by Stop from another thread.
  std::atomic<std::int32_t> runState{RUN_STATE_CREATED};

 private:
  std::int32_t consoleMode = 0;
  std::int32_t showUsage = 0;
  std::int32_t install = 0;
  std::int32_t remove = 0;
  DWORD checkPoint = 1;  // guarded by statusLock
  DWORD startType = SERVICE_DEMAND_START;
  std::string noticeLine;
  std::string displayName;
  std::string password;  // never logged; wiped when the frame goes
  std::string descriptionLine;
  std::string serviceName;
  std::string account;
  std::string programPath;
  std::vector<std::string> arguments;
  // Set from Run's thread and from the control handler's: one report at a
  // time, so check points go out in order.
  std::mutex statusLock;
  SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, 0, 0, 0, 0, 0, 0};
  std::int32_t dispatcherFailed = 0;
};
