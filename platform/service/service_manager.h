// The Windows service control manager as our services and their tools call
// it (advapi32's names), over systemd: an installed service is a unit file
// "<name>.service" in VARNOK_SERVICE_DIR (default /etc/systemd/system), a
// running one answers on its control socket (service_control_socket.h) in
// VARNOK_RUN_DIR (default /run/varnok) and reports to systemd's notify socket.
#pragma once

#include "platform/base/wintypes.h"

// The codes the manager's calls leave as the last error.
inline constexpr DWORD ERROR_INVALID_NAME = 123;
inline constexpr DWORD ERROR_INVALID_SERVICE_CONTROL = 1052;
inline constexpr DWORD ERROR_SERVICE_REQUEST_TIMEOUT = 1053;
inline constexpr DWORD ERROR_SERVICE_ALREADY_RUNNING = 1056;
inline constexpr DWORD ERROR_INVALID_SERVICE_ACCOUNT = 1057;
inline constexpr DWORD ERROR_SERVICE_DOES_NOT_EXIST = 1060;
inline constexpr DWORD ERROR_SERVICE_CANNOT_ACCEPT_CTRL = 1061;
inline constexpr DWORD ERROR_SERVICE_NOT_ACTIVE = 1062;
inline constexpr DWORD ERROR_FAILED_SERVICE_CONTROLLER_CONNECT = 1063;
inline constexpr DWORD ERROR_PROCESS_ABORTED = 1067;
inline constexpr DWORD ERROR_SERVICE_LOGON_FAILED = 1069;
inline constexpr DWORD ERROR_SERVICE_MARKED_FOR_DELETE = 1072;
inline constexpr DWORD ERROR_SERVICE_EXISTS = 1073;

// Access rights. The layer checks only that the service folder is writable
// when a right to change it is asked for.
inline constexpr DWORD SC_MANAGER_CONNECT = 0x0001;
inline constexpr DWORD SC_MANAGER_CREATE_SERVICE = 0x0002;
inline constexpr DWORD SC_MANAGER_ALL_ACCESS = 0xF003F;
inline constexpr DWORD SERVICE_QUERY_STATUS = 0x0004;
inline constexpr DWORD SERVICE_START = 0x0010;
inline constexpr DWORD SERVICE_STOP = 0x0020;
inline constexpr DWORD SERVICE_PAUSE_CONTINUE = 0x0040;
inline constexpr DWORD SERVICE_INTERROGATE = 0x0080;
inline constexpr DWORD SERVICE_ALL_ACCESS = 0xF01FF;
inline constexpr DWORD DELETE = 0x10000;

// Service type: one service in a process of its own is the only kind.
inline constexpr DWORD SERVICE_WIN32_OWN_PROCESS = 0x00000010;

// Start types: automatic (the unit is wanted by multi-user.target), on demand,
// disabled (installed but never started).
inline constexpr DWORD SERVICE_AUTO_START = 2;
inline constexpr DWORD SERVICE_DEMAND_START = 3;
inline constexpr DWORD SERVICE_DISABLED = 4;
inline constexpr DWORD SERVICE_ERROR_NORMAL = 1;

// States.
inline constexpr DWORD SERVICE_STOPPED = 1;
inline constexpr DWORD SERVICE_START_PENDING = 2;
inline constexpr DWORD SERVICE_STOP_PENDING = 3;
inline constexpr DWORD SERVICE_RUNNING = 4;
inline constexpr DWORD SERVICE_CONTINUE_PENDING = 5;
inline constexpr DWORD SERVICE_PAUSE_PENDING = 6;
inline constexpr DWORD SERVICE_PAUSED = 7;

// Controls a service accepts (SERVICE_STATUS::dwControlsAccepted).
inline constexpr DWORD SERVICE_ACCEPT_STOP = 0x1;
inline constexpr DWORD SERVICE_ACCEPT_PAUSE_CONTINUE = 0x2;
inline constexpr DWORD SERVICE_ACCEPT_SHUTDOWN = 0x4;

// Control codes. Shutdown reaches a handler only from the system (here:
// never); ControlService refuses it.
inline constexpr DWORD SERVICE_CONTROL_STOP = 1;
inline constexpr DWORD SERVICE_CONTROL_PAUSE = 2;
inline constexpr DWORD SERVICE_CONTROL_CONTINUE = 3;
inline constexpr DWORD SERVICE_CONTROL_INTERROGATE = 4;
inline constexpr DWORD SERVICE_CONTROL_SHUTDOWN = 5;

struct SERVICE_STATUS {
  DWORD dwServiceType;
  DWORD dwCurrentState;
  DWORD dwControlsAccepted;
  DWORD dwWin32ExitCode;
  DWORD dwServiceSpecificExitCode;
  DWORD dwCheckPoint;
  DWORD dwWaitHint;
};
using LPSERVICE_STATUS = SERVICE_STATUS*;

struct SC_HANDLE__;
using SC_HANDLE = SC_HANDLE__*;
struct SERVICE_STATUS_HANDLE__;
using SERVICE_STATUS_HANDLE = SERVICE_STATUS_HANDLE__*;

using LPSERVICE_MAIN_FUNCTIONA = void(WINAPI*)(DWORD argc, LPSTR* argv);
using LPHANDLER_FUNCTION = void(WINAPI*)(DWORD control);

struct SERVICE_TABLE_ENTRYA {
  LPSTR lpServiceName;
  LPSERVICE_MAIN_FUNCTIONA lpServiceProc;
};

// ---- The manager's side: install, remove, start, control, query ----

// Only the local machine (null or empty name) and the active database (null
// or "ServicesActive"). Fails with ERROR_INVALID_NAME for another database,
// ERROR_INVALID_PARAMETER for a remote machine, and the folder's error
// (ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ...) when the service folder is
// missing, or not writable while a right to create services is asked for.
SC_HANDLE OpenSCManagerA(LPCSTR machineName, LPCSTR databaseName, DWORD desiredAccess);

// Writes "<name>.service" (the name systemd-escaped: "VNK Pellucor" becomes
// "VNK\x20Pellucor.service") with Type=notify, the description, the program
// and its arguments from `binaryPathName` (a quoted program path, or one that
// names an existing file as it stands, or else the text up to its first
// blank), User= from `serviceStartName` (none, "LocalSystem" or ".\name" for
// a local account), and the layer's own environment (the service's name and
// the registry, system and run folders as set now). The password is neither
// stored nor kept. Refuses with ERROR_SERVICE_EXISTS when the file is there,
// ERROR_INVALID_NAME for an empty name or one with "/", "\" or control
// characters, ERROR_INVALID_SERVICE_ACCOUNT for an account that is no user
// here, ERROR_INVALID_PARAMETER for another service type, start type or an
// empty program. Groups, tags and dependencies are not served (must be none).
SC_HANDLE CreateServiceA(SC_HANDLE manager, LPCSTR serviceName, LPCSTR displayName, DWORD desiredAccess,
                         DWORD serviceType, DWORD startType, DWORD errorControl, LPCSTR binaryPathName,
                         LPCSTR loadOrderGroup, DWORD* tagId, LPCSTR dependencies, LPCSTR serviceStartName,
                         LPCSTR password);

// An installed service; ERROR_SERVICE_DOES_NOT_EXIST when its file is missing.
SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR serviceName, DWORD desiredAccess);

// Deletes the service's file (ERROR_SERVICE_MARKED_FOR_DELETE when it is
// gone already). A process that still runs goes on until it is stopped.
BOOL DeleteService(SC_HANDLE service);

BOOL CloseServiceHandle(SC_HANDLE handle);

// Starts the service: through systemctl when systemd manages the machine and
// the service folder is systemd's own; otherwise the layer launches the
// unit's program itself, detached, with the unit's User= and environment
// (on top of the caller's), its output appended to "<name>.out" in the run
// folder. Returns once the service's dispatcher has opened its control
// socket. ERROR_SERVICE_ALREADY_RUNNING, ERROR_SERVICE_LOGON_FAILED (User=
// cannot be taken), ERROR_PROCESS_ABORTED (the program ended first),
// ERROR_SERVICE_REQUEST_TIMEOUT (no answer within 30 s). Arguments are not
// passed on (must be none).
BOOL StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv);

// Sends a control (stop, pause, continue, interrogate, or 128 to 255) to the
// running service and fills `status` with its status after the handler ran.
// ERROR_SERVICE_NOT_ACTIVE when it does not run (status: stopped),
// ERROR_SERVICE_CANNOT_ACCEPT_CTRL while it starts or stops,
// ERROR_INVALID_SERVICE_CONTROL for a control it does not accept (both with
// its status), ERROR_INVALID_PARAMETER for an undefined code,
// ERROR_SERVICE_REQUEST_TIMEOUT when it does not answer within 30 s.
BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);

// The status last reported; a service that does not run is stopped.
BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status);

// ---- The service's side: dispatcher, control handler, status ----

// Runs the table's service when the process was started as one (by systemd,
// or by StartServiceA: both set VARNOK_SERVICE_NAME): opens the control
// socket, runs the entry's ServiceMain on a thread of its own, and serves
// controls on the calling thread, calling the handler there, until
// ServiceMain has returned. SIGTERM is a stop control; one that comes before
// the service accepts stops is delivered as soon as it does. Fails with
// ERROR_FAILED_SERVICE_CONTROLLER_CONNECT when the process was not started as
// a service, ERROR_SERVICE_ALREADY_RUNNING when the dispatcher runs already
// or another process serves the name, ERROR_INVALID_PARAMETER for an empty
// table, or the socket's error.
BOOL StartServiceCtrlDispatcherA(const SERVICE_TABLE_ENTRYA* serviceTable);

// The handler of the dispatcher's service (own process: the name is not
// compared). Null with ERROR_SERVICE_DOES_NOT_EXIST when no dispatcher runs.
SERVICE_STATUS_HANDLE RegisterServiceCtrlHandlerA(LPCSTR serviceName, LPHANDLER_FUNCTION handler);

// Records the status for queries and controls, and tells systemd when
// NOTIFY_SOCKET is set: "STATUS=<state name>", with "READY=1" once running and
// "STOPPING=1" when the stop begins. ERROR_INVALID_HANDLE for a handle not
// from RegisterServiceCtrlHandlerA, ERROR_INVALID_DATA for an unknown state.
BOOL SetServiceStatus(SERVICE_STATUS_HANDLE handle, LPSERVICE_STATUS status);

// The name of a state as the layer reports it: "Stopped", "Start Pending",
// "Stop Pending", "Running", "Continue Pending", "Pause Pending", "Paused",
// "Unknown".
const char* ServiceStateName(DWORD state);
