// The control socket's wire: connect, one line each way, and the listening
// side's set-up.
#include "platform/service/service_control_socket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "platform/base/last_error.h"

namespace {

// A request line is short; a client that does not send it soon must not
// hold the dispatcher, which serves one connection at a time.
constexpr int kRequestTimeoutMs = 5000;
constexpr std::size_t kLineLimit = 256;

bool SocketAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof(address));
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

void SetTimeouts(int socket, int milliseconds) {
  timeval time{};
  time.tv_sec = milliseconds / 1000;
  time.tv_usec = (milliseconds % 1000) * 1000;
  ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &time, sizeof(time));
  ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &time, sizeof(time));
}

bool SendAll(int socket, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t sent = ::send(socket, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    done += static_cast<std::size_t>(sent);
  }
  return true;
}

enum class LineRead { Line, Closed, TimedOut, Broken };

// Reads up to a line feed (not kept).
LineRead ReadLine(int socket, std::string& line) {
  line.clear();
  char c = 0;
  while (line.size() < kLineLimit) {
    const ssize_t got = ::recv(socket, &c, 1, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got == 0) return LineRead::Closed;
    if (got < 0) return errno == EAGAIN || errno == EWOULDBLOCK ? LineRead::TimedOut : LineRead::Broken;
    if (c == '\n') return LineRead::Line;
    line += c;
  }
  return LineRead::Broken;
}

// 0 when `path` has a socket that a process answers on, else the errno of
// the failed connect (ENOENT: none; ECONNREFUSED: nobody listens).
int ConnectTo(const std::string& path, int& socket) {
  socket = -1;
  sockaddr_un address{};
  if (!SocketAddress(path, address)) return ENAMETOOLONG;
  const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return errno;
  int result;
  do {
    result = ::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  } while (result < 0 && errno == EINTR);
  if (result < 0) {
    const int error = errno;
    ::close(s);
    return error;
  }
  socket = s;
  return 0;
}

}  // namespace

ControlReach SendControlRequest(const std::string& socketPath, DWORD control, DWORD& error,
                                SERVICE_STATUS& status) {
  status = SERVICE_STATUS{SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED, 0, 0, 0, 0, 0};
  int socket = -1;
  const int connectError = ConnectTo(socketPath, socket);
  if (connectError == ENOENT || connectError == ECONNREFUSED) return ControlReach::NotRunning;
  if (connectError != 0) {
    error = connectError == ENAMETOOLONG ? ERROR_FILENAME_EXCED_RANGE : Win32ErrorFromErrno(connectError);
    return ControlReach::Failed;
  }
  SetTimeouts(socket, CONTROL_SOCKET_TIMEOUT_MS);
  const std::string request = control == 0 ? std::string("query\n") : "control " + std::to_string(control) + "\n";
  std::string reply;
  ControlReach reach = ControlReach::Failed;
  error = ERROR_SERVICE_REQUEST_TIMEOUT;
  const LineRead read = SendAll(socket, request) ? ReadLine(socket, reply) : LineRead::Closed;
  if (read == LineRead::Line) {
    unsigned long fields[8] = {};
    char extra = 0;
    if (std::sscanf(reply.c_str(), "%lu %lu %lu %lu %lu %lu %lu %lu %c", &fields[0], &fields[1], &fields[2],
                    &fields[3], &fields[4], &fields[5], &fields[6], &fields[7], &extra) == 8) {
      error = static_cast<DWORD>(fields[0]);
      status = SERVICE_STATUS{static_cast<DWORD>(fields[1]), static_cast<DWORD>(fields[2]),
                              static_cast<DWORD>(fields[3]), static_cast<DWORD>(fields[4]),
                              static_cast<DWORD>(fields[5]), static_cast<DWORD>(fields[6]),
                              static_cast<DWORD>(fields[7])};
      reach = ControlReach::Answered;
    } else {
      error = ERROR_INVALID_DATA;
    }
  } else if (read != LineRead::TimedOut) {
    // The process went away in between: it no longer runs.
    reach = ControlReach::NotRunning;
  }
  ::close(socket);
  return reach;
}

int OpenControlSocket(const std::string& path, DWORD& error) {
  sockaddr_un address{};
  if (!SocketAddress(path, address)) {
    error = ERROR_FILENAME_EXCED_RANGE;
    return -1;
  }
  const std::size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    const std::string folder = path.substr(0, slash);
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
      error = Win32ErrorFromErrno(errno);
      return -1;
    }
  }
  int existing = -1;
  const int connectError = ConnectTo(path, existing);
  if (connectError == 0) {
    ::close(existing);
    error = ERROR_SERVICE_ALREADY_RUNNING;
    return -1;
  }
  // A file nobody answers on is what a process that ended left behind.
  if (connectError == ECONNREFUSED) ::unlink(path.c_str());
  const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) {
    error = Win32ErrorFromErrno(errno);
    return -1;
  }
  // Nobody can connect between bind and listen, so the socket is the
  // owner's (and root's) before anyone reaches it.
  if (::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
      ::chmod(path.c_str(), 0600) != 0 || ::listen(s, 16) != 0) {
    error = errno == EADDRINUSE ? ERROR_SERVICE_ALREADY_RUNNING : Win32ErrorFromErrno(errno);
    ::close(s);
    return -1;
  }
  error = ERROR_SUCCESS;
  return s;
}

bool ReadControlRequest(int connection, DWORD& control) {
  SetTimeouts(connection, kRequestTimeoutMs);
  std::string line;
  if (ReadLine(connection, line) != LineRead::Line) return false;
  if (line == "query") {
    control = 0;
    return true;
  }
  unsigned long code = 0;
  char extra = 0;
  if (std::sscanf(line.c_str(), "control %lu %c", &code, &extra) != 1 || code == 0 || code > 255) return false;
  control = static_cast<DWORD>(code);
  return true;
}

void WriteControlReply(int connection, DWORD error, const SERVICE_STATUS& status) {
  char line[kLineLimit];
  std::snprintf(line, sizeof(line), "%" PRIu32 " %" PRIu32 " %" PRIu32 " %" PRIu32 " %" PRIu32 " %" PRIu32 " %" PRIu32
                " %" PRIu32 "\n",
                error, status.dwServiceType, status.dwCurrentState, status.dwControlsAccepted, status.dwWin32ExitCode,
                status.dwServiceSpecificExitCode, status.dwCheckPoint, status.dwWaitHint);
  SendAll(connection, line);
}
