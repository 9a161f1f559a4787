// Windows Sockets as our code calls it, over POSIX sockets: the handle type,
// SOCKET_ERROR with a per-thread last socket error in Windows Sockets codes,
// start-up, and the calls whose names clash with POSIX, in namespace winsock.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include "platform/base/wintypes.h"

using SOCKET = int;
inline constexpr SOCKET INVALID_SOCKET = -1;
inline constexpr int SOCKET_ERROR = -1;

// The Windows Sockets codes the errno map produces (the error-text table of
// the service knows them all).
inline constexpr int WSA_NOT_ENOUGH_MEMORY = 8;
inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEACCES = 10013;
inline constexpr int WSAEFAULT = 10014;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEMFILE = 10024;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAEALREADY = 10037;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAEDESTADDRREQ = 10039;
inline constexpr int WSAEMSGSIZE = 10040;
inline constexpr int WSAEPROTOTYPE = 10041;
inline constexpr int WSAENOPROTOOPT = 10042;
inline constexpr int WSAEPROTONOSUPPORT = 10043;
inline constexpr int WSAESOCKTNOSUPPORT = 10044;
inline constexpr int WSAEOPNOTSUPP = 10045;
inline constexpr int WSAEPFNOSUPPORT = 10046;
inline constexpr int WSAEAFNOSUPPORT = 10047;
inline constexpr int WSAEADDRINUSE = 10048;
inline constexpr int WSAEADDRNOTAVAIL = 10049;
inline constexpr int WSAENETDOWN = 10050;
inline constexpr int WSAENETUNREACH = 10051;
inline constexpr int WSAENETRESET = 10052;
inline constexpr int WSAECONNABORTED = 10053;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAENOBUFS = 10055;
inline constexpr int WSAEISCONN = 10056;
inline constexpr int WSAENOTCONN = 10057;
inline constexpr int WSAESHUTDOWN = 10058;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAEHOSTDOWN = 10064;
inline constexpr int WSAEHOSTUNREACH = 10065;
inline constexpr int WSAVERNOTSUPPORTED = 10092;
inline constexpr int WSANOTINITIALISED = 10093;
inline constexpr int WSAEDISCON = 10101;
inline constexpr int WSASYSCALLFAILURE = 10107;

#ifndef MAKEWORD
#define MAKEWORD(low, high) (static_cast<WORD>((static_cast<BYTE>(low)) | (static_cast<WORD>(static_cast<BYTE>(high)) << 8)))
#endif

// What WSAStartup reports: the version granted and the highest one offered.
struct WSADATA {
  WORD wVersion;
  WORD wHighVersion;
};

// Nothing needs starting on Linux: WSAStartup grants the version asked for
// (up to 2.2) and fails only for one below 1.0, returning WSAVERNOTSUPPORTED
// itself as Windows does; WSACleanup always succeeds.
int WSAStartup(WORD versionRequested, WSADATA* data);
int WSACleanup();

// The calling thread's last socket error. A call of this layer that fails
// sets it; one that succeeds leaves it as it was, so a caller may close a
// socket and still read why the call before failed. A receive that finds the
// connection closed (result 0) sets WSAEDISCON.
int WSAGetLastError();
void WSASetLastError(int code);

// The Windows Sockets code that stands for an errno value: ECONNREFUSED ->
// WSAECONNREFUSED, EPIPE -> WSAECONNRESET (the peer is gone), EBADF ->
// WSAENOTSOCK, ... ; 0 for 0 and WSASYSCALLFAILURE for a value without a
// counterpart.
int WsaErrorFromErrno(int error);

// Shuts the socket down, then closes it. Unlike a bare close on Linux this
// wakes a thread that is blocked on the socket (in accept or recv), as
// closesocket does on Windows. 0 or SOCKET_ERROR.
int closesocket(SOCKET s);

// Poll with the Windows name; the descriptor layout is POSIX's. Interrupted
// waits resume for the time that is left. Count of ready sockets, 0 on time-out
// (timeout in milliseconds, negative = none), SOCKET_ERROR.
using WSAPOLLFD = pollfd;
int WSAPoll(WSAPOLLFD* sockets, ULONG count, int timeout);

// Windows Sockets calls. Sockets are opened close-on-exec, every call is
// retried when a signal interrupts it, and send never raises SIGPIPE.
namespace winsock {

SOCKET socket(int af, int type, int protocol);
int bind(SOCKET s, const sockaddr* address, int length);
int listen(SOCKET s, int backlog);
// Connections that failed while pending are skipped, as Windows never hands
// them out.
SOCKET accept(SOCKET s, sockaddr* address, int* length);
int connect(SOCKET s, const sockaddr* address, int length);
int getsockname(SOCKET s, sockaddr* address, int* length);

// Bytes received (0: the peer closed the connection) or SOCKET_ERROR. A
// time-out of SO_RCVTIMEO gives WSAETIMEDOUT; flags MSG_PEEK and MSG_WAITALL
// are POSIX's.
int recv(SOCKET s, char* buffer, int length, int flags);
// Bytes sent or SOCKET_ERROR; a peer that has gone gives WSAECONNRESET.
int send(SOCKET s, const char* buffer, int length, int flags);

// As on Windows, SO_RCVTIMEO and SO_SNDTIMEO take a DWORD of milliseconds
// (0 = no time-out); other options pass through.
int setsockopt(SOCKET s, int level, int name, const char* value, int length);
int getsockopt(SOCKET s, int level, int name, char* value, int* length);

}  // namespace winsock
