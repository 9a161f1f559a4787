// The control socket between a running service's dispatcher and the layer's
// manager calls (ControlService, QueryServiceStatus, StartServiceA): a Unix
// stream socket "<run folder>/<unit name>.sock", one request line and one
// reply line per connection.
//   request: "query\n" or "control <code>\n"
//   reply:   "<error> <type> <state> <accepted> <exit code> <specific exit
//            code> <check point> <wait hint>\n" (decimal; error 0 = done)
#pragma once

#include <string>

#include "platform/service/service_manager.h"

// How long either side waits for the other's line.
inline constexpr int CONTROL_SOCKET_TIMEOUT_MS = 30000;

// ---- Client ----

enum class ControlReach {
  Answered,    // `error` and `status` hold the reply
  NotRunning,  // no socket, or no process behind it
  Failed,      // the connection broke or sent no valid reply; `error` says why
};

// Sends one request (control 0 = query) and reads the reply.
ControlReach SendControlRequest(const std::string& socketPath, DWORD control, DWORD& error,
                                SERVICE_STATUS& status);

// ---- Dispatcher ----

// Binds and listens at `path`, replacing a socket file that no process
// answers on. -1 with the Win32 code in `error` (ERROR_SERVICE_ALREADY_RUNNING
// when a process answers there, ERROR_FILENAME_EXCED_RANGE for a path too
// long for a Unix socket).
int OpenControlSocket(const std::string& path, DWORD& error);

// Reads one request from an accepted connection: true with `control` (0 for
// a query), false for a broken or malformed one.
bool ReadControlRequest(int connection, DWORD& control);

// Writes the reply line.
void WriteControlReply(int connection, DWORD error, const SERVICE_STATUS& status);
