// Windows Sockets over POSIX sockets: the errno map, the per-thread last
// socket error, and the calls with Windows semantics (EINTR retried, no
// SIGPIPE, close-on-exec, closing wakes blocked threads).
#include "platform/winsock/winsock.h"

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

thread_local int g_lastSocketError = 0;

int FailWithErrno() {
  g_lastSocketError = WsaErrorFromErrno(errno);
  return SOCKET_ERROR;
}

bool IsBlocking(SOCKET s) {
  const int flags = fcntl(s, F_GETFL);
  return flags != -1 && (flags & O_NONBLOCK) == 0;
}

// EAGAIN on a blocking socket can only be SO_RCVTIMEO or SO_SNDTIMEO running
// out, which Windows reports as a time-out rather than "would block".
int FailTransfer(SOCKET s) {
  const int error = errno;
  if ((error == EAGAIN || error == EWOULDBLOCK) && IsBlocking(s)) {
    g_lastSocketError = WSAETIMEDOUT;
    return SOCKET_ERROR;
  }
  g_lastSocketError = WsaErrorFromErrno(error);
  return SOCKET_ERROR;
}

// Errors that Linux hands out from accept for a connection that failed while
// it waited in the queue; Windows drops such connections silently.
bool IsPendingConnectionError(int error) {
  switch (error) {
    case ECONNABORTED:
    case ENETDOWN:
    case EPROTO:
    case ENOPROTOOPT:
    case EHOSTDOWN:
    case ENONET:
    case EHOSTUNREACH:
    case EOPNOTSUPP:
    case ENETUNREACH:
      return true;
    default:
      return false;
  }
}

}  // namespace

int WsaErrorFromErrno(int error) {
  switch (error) {
    case 0: return 0;
    case ENOMEM: return WSA_NOT_ENOUGH_MEMORY;
    case EINTR: return WSAEINTR;
    case EACCES:
    case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE:
    case ENFILE: return WSAEMFILE;
    case EAGAIN: return WSAEWOULDBLOCK;  // EWOULDBLOCK is the same value here
    case EINPROGRESS: return WSAEINPROGRESS;
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK:
    case EBADF: return WSAENOTSOCK;
    case EDESTADDRREQ: return WSAEDESTADDRREQ;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;  // ENOTSUP is the same value here
    case EPFNOSUPPORT: return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE: return WSAECONNRESET;
    case ENOBUFS: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case EHOSTDOWN: return WSAEHOSTDOWN;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    default: return WSASYSCALLFAILURE;
  }
}

int WSAStartup(WORD versionRequested, WSADATA* data) {
  const BYTE major = static_cast<BYTE>(versionRequested & 0xFF);
  const BYTE minor = static_cast<BYTE>(versionRequested >> 8);
  if (major < 1) return WSAVERNOTSUPPORTED;
  if (data != nullptr) {
    data->wHighVersion = MAKEWORD(2, 2);
    data->wVersion = (major > 2 || (major == 2 && minor > 2)) ? MAKEWORD(2, 2) : versionRequested;
  }
  return 0;
}

int WSACleanup() { return 0; }

int WSAGetLastError() { return g_lastSocketError; }

void WSASetLastError(int code) { g_lastSocketError = code; }

int closesocket(SOCKET s) {
  // A listening or unconnected socket answers ENOTCONN here; that is fine.
  ::shutdown(s, SHUT_RDWR);
  // close is not retried on EINTR: Linux has released the descriptor anyway.
  if (::close(s) != 0) return FailWithErrno();
  return 0;
}

int WSAPoll(WSAPOLLFD* sockets, ULONG count, int timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout);
  int left = timeout;
  for (;;) {
    const int ready = ::poll(sockets, count, left);
    if (ready >= 0) return ready;
    if (errno != EINTR) return FailWithErrno();
    if (timeout >= 0) {
      const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      left = remaining.count() > 0 ? static_cast<int>(remaining.count()) : 0;
    }
  }
}

namespace winsock {

SOCKET socket(int af, int type, int protocol) {
  const int s = ::socket(af, type | SOCK_CLOEXEC, protocol);
  if (s < 0) return FailWithErrno();
  return s;
}

int bind(SOCKET s, const sockaddr* address, int length) {
  if (::bind(s, address, static_cast<socklen_t>(length)) != 0) return FailWithErrno();
  return 0;
}

int listen(SOCKET s, int backlog) {
  if (::listen(s, backlog) != 0) return FailWithErrno();
  return 0;
}

SOCKET accept(SOCKET s, sockaddr* address, int* length) {
  for (;;) {
    socklen_t size = length != nullptr ? static_cast<socklen_t>(*length) : 0;
    const int accepted = ::accept4(s, address, length != nullptr ? &size : nullptr, SOCK_CLOEXEC);
    if (accepted >= 0) {
      if (length != nullptr) *length = static_cast<int>(size);
      return accepted;
    }
    if (errno != EINTR && !IsPendingConnectionError(errno)) return FailWithErrno();
  }
}

int connect(SOCKET s, const sockaddr* address, int length) {
  if (::connect(s, address, static_cast<socklen_t>(length)) == 0) return 0;
  // A blocking connect cut short by SO_SNDTIMEO ends "in progress" on Linux;
  // Windows calls that a time-out.
  if (errno == EINPROGRESS && IsBlocking(s)) {
    g_lastSocketError = WSAETIMEDOUT;
    return SOCKET_ERROR;
  }
  if (errno != EINTR) return FailTransfer(s);
  // An interrupted connect goes on in the background: wait for its outcome.
  WSAPOLLFD entry{s, POLLOUT, 0};
  if (WSAPoll(&entry, 1, -1) == SOCKET_ERROR) return SOCKET_ERROR;
  int error = 0;
  socklen_t size = sizeof(error);
  if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return FailWithErrno();
  if (error != 0) {
    g_lastSocketError = WsaErrorFromErrno(error);
    return SOCKET_ERROR;
  }
  return 0;
}

int getsockname(SOCKET s, sockaddr* address, int* length) {
  socklen_t size = length != nullptr ? static_cast<socklen_t>(*length) : 0;
  if (::getsockname(s, address, &size) != 0) return FailWithErrno();
  if (length != nullptr) *length = static_cast<int>(size);
  return 0;
}

int recv(SOCKET s, char* buffer, int length, int flags) {
  if (length < 0) {
    g_lastSocketError = WSAEINVAL;
    return SOCKET_ERROR;
  }
  for (;;) {
    const ssize_t received = ::recv(s, buffer, static_cast<std::size_t>(length), flags);
    if (received > 0) return static_cast<int>(received);
    if (received == 0) {
      if (length > 0) g_lastSocketError = WSAEDISCON;
      return 0;
    }
    if (errno != EINTR) return FailTransfer(s);
  }
}

int send(SOCKET s, const char* buffer, int length, int flags) {
  if (length < 0) {
    g_lastSocketError = WSAEINVAL;
    return SOCKET_ERROR;
  }
  for (;;) {
    const ssize_t sent = ::send(s, buffer, static_cast<std::size_t>(length), flags | MSG_NOSIGNAL);
    if (sent >= 0) return static_cast<int>(sent);
    if (errno != EINTR) return FailTransfer(s);
  }
}

int setsockopt(SOCKET s, int level, int name, const char* value, int length) {
  if (level == SOL_SOCKET && (name == SO_RCVTIMEO || name == SO_SNDTIMEO)) {
    if (value == nullptr || length < static_cast<int>(sizeof(DWORD))) {
      g_lastSocketError = WSAEFAULT;
      return SOCKET_ERROR;
    }
    DWORD milliseconds;
    std::memcpy(&milliseconds, value, sizeof(milliseconds));
    timeval limit{};
    limit.tv_sec = static_cast<time_t>(milliseconds / 1000);
    limit.tv_usec = static_cast<suseconds_t>((milliseconds % 1000) * 1000);
    if (::setsockopt(s, level, name, &limit, sizeof(limit)) != 0) return FailWithErrno();
    return 0;
  }
  if (::setsockopt(s, level, name, value, static_cast<socklen_t>(length)) != 0) return FailWithErrno();
  return 0;
}

int getsockopt(SOCKET s, int level, int name, char* value, int* length) {
  if (value == nullptr || length == nullptr || *length < 0) {
    g_lastSocketError = WSAEFAULT;
    return SOCKET_ERROR;
  }
  if (level == SOL_SOCKET && (name == SO_RCVTIMEO || name == SO_SNDTIMEO)) {
    if (*length < static_cast<int>(sizeof(DWORD))) {
      g_lastSocketError = WSAEFAULT;
      return SOCKET_ERROR;
    }
    timeval limit{};
    socklen_t size = sizeof(limit);
    if (::getsockopt(s, level, name, &limit, &size) != 0) return FailWithErrno();
    const DWORD milliseconds = static_cast<DWORD>(limit.tv_sec * 1000 + limit.tv_usec / 1000);
    std::memcpy(value, &milliseconds, sizeof(milliseconds));
    *length = sizeof(milliseconds);
    return 0;
  }
  socklen_t size = static_cast<socklen_t>(*length);
  if (::getsockopt(s, level, name, value, &size) != 0) return FailWithErrno();
  *length = static_cast<int>(size);
  return 0;
}

}  // namespace winsock
