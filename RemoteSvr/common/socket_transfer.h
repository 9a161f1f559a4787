// Receiving whole byte counts from a stream socket within a deadline, the
// ground that the service's record receiver and the clients' reply reader
// stand on: a record that has begun to arrive must be complete in 30 s.
// PeekFull and ReceiveFull bound each call with SO_RCVTIMEO; a caller with a
// time-out of its own keeps it with CKeepReceiveTimeout.
#pragma once

#include <chrono>

#include "platform/winsock/winsock.h"

using TransferClock = std::chrono::steady_clock;

// How long a record may take from its first byte to its last.
inline constexpr std::chrono::milliseconds RECORD_TIME_LIMIT{30000};

// How long a client's connect, one send and one stalled receive may take, so
// that a silent service never freezes a logon screen or holds a page.
inline constexpr std::chrono::milliseconds CLIENT_SOCKET_TIME_LIMIT{30000};

// Sets SO_RCVTIMEO and SO_SNDTIMEO (which also bounds connect) to `limit`.
bool SetSocketTimeLimits(SOCKET s, std::chrono::milliseconds limit = CLIENT_SOCKET_TIME_LIMIT);

// Waits until the socket has data, its peer has closed, or it failed; with a
// deadline, at most until then. 1 when it is ready, 0 when the deadline passed
// (last socket error WSAETIMEDOUT), SOCKET_ERROR.
int WaitReadable(SOCKET s);
int WaitReadable(SOCKET s, TransferClock::time_point deadline);

// Peeks `length` bytes with MSG_WAITALL, so bytes that arrive in several
// segments are seen together and nothing is consumed. recv's result:
// `length`; fewer when a signal cut the wait short; 0 when the peer closed
// (also after sending part of the bytes: WSAEDISCON);
// SOCKET_ERROR on an error or when the deadline passed first (WSAETIMEDOUT).
int PeekFull(SOCKET s, char* buffer, int length, TransferClock::time_point deadline);

// Receives until `length` bytes are in, the peer closes, an error, or the
// deadline. The count received (fewer than `length`: closed, WSAEDISCON, or
// timed out, WSAETIMEDOUT), or SOCKET_ERROR.
int ReceiveFull(SOCKET s, char* buffer, int length, TransferClock::time_point deadline);

// Puts the socket's receive time-out back as it was when this was built.
class CKeepReceiveTimeout {
 public:
  explicit CKeepReceiveTimeout(SOCKET s);
  ~CKeepReceiveTimeout();
  CKeepReceiveTimeout(const CKeepReceiveTimeout&) = delete;
  CKeepReceiveTimeout& operator=(const CKeepReceiveTimeout&) = delete;

 private:
  SOCKET socket;
  DWORD milliseconds = 0;
  bool known = false;
};
