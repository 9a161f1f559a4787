// Deadline-bounded receives: SO_RCVTIMEO holds the time left before each
// blocking call, and poll waits for the first byte.
#include "RemoteSvr/common/socket_transfer.h"

namespace {

// Sets the receive time-out to what is left before the deadline; false, with
// WSAETIMEDOUT, when nothing is left.
bool LimitReceive(SOCKET s, TransferClock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TransferClock::now());
  if (left.count() <= 0) {
    WSASetLastError(WSAETIMEDOUT);
    return false;
  }
  const DWORD milliseconds = static_cast<DWORD>(left.count());
  return winsock::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&milliseconds),
                             sizeof(milliseconds)) == 0;
}

// Whether the peer has shut its side down (or the connection failed), so
// bytes still missing will never come.
bool PeerHasClosed(SOCKET s) {
  WSAPOLLFD entry{s, POLLIN | POLLRDHUP, 0};
  return WSAPoll(&entry, 1, 0) == 1 && (entry.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

}  // namespace

bool SetSocketTimeLimits(SOCKET s, std::chrono::milliseconds limit) {
  const DWORD milliseconds = static_cast<DWORD>(limit.count());
  const char* value = reinterpret_cast<const char*>(&milliseconds);
  return winsock::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, value, sizeof(milliseconds)) == 0 &&
         winsock::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, value, sizeof(milliseconds)) == 0;
}

int WaitReadable(SOCKET s) {
  WSAPOLLFD entry{s, POLLIN, 0};
  const int ready = WSAPoll(&entry, 1, -1);
  return ready == SOCKET_ERROR ? SOCKET_ERROR : 1;
}

int WaitReadable(SOCKET s, TransferClock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TransferClock::now());
  WSAPOLLFD entry{s, POLLIN, 0};
  const int ready = WSAPoll(&entry, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
  if (ready == SOCKET_ERROR) return SOCKET_ERROR;
  if (ready == 0) {
    WSASetLastError(WSAETIMEDOUT);
    return 0;
  }
  return 1;
}

int PeekFull(SOCKET s, char* buffer, int length, TransferClock::time_point deadline) {
  if (!LimitReceive(s, deadline)) return SOCKET_ERROR;
  const int peeked = winsock::recv(s, buffer, length, MSG_PEEK | MSG_WAITALL);
  if (peeked > 0 && peeked < length) {
    // A header cut short by the peer's close never completes: report the close.
    if (PeerHasClosed(s)) {
      WSASetLastError(WSAEDISCON);
      return 0;
    }
    if (TransferClock::now() >= deadline) {
      WSASetLastError(WSAETIMEDOUT);
      return SOCKET_ERROR;
    }
  }
  return peeked;
}

int ReceiveFull(SOCKET s, char* buffer, int length, TransferClock::time_point deadline) {
  int received = 0;
  while (received < length) {
    if (!LimitReceive(s, deadline)) return WSAGetLastError() == WSAETIMEDOUT ? received : SOCKET_ERROR;
    const int count = winsock::recv(s, buffer + received, length - received, MSG_WAITALL);
    if (count == SOCKET_ERROR) return WSAGetLastError() == WSAETIMEDOUT ? received : SOCKET_ERROR;
    if (count == 0) return received;
    received += count;
  }
  return received;
}

CKeepReceiveTimeout::CKeepReceiveTimeout(SOCKET s) : socket(s) {
  const int error = WSAGetLastError();
  int length = sizeof(milliseconds);
  known = winsock::getsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<char*>(&milliseconds), &length) == 0;
  WSASetLastError(error);
}

CKeepReceiveTimeout::~CKeepReceiveTimeout() {
  if (!known) return;
  // The transfer's own error is what the caller reads next.
  const int error = WSAGetLastError();
  winsock::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&milliseconds),
                      sizeof(milliseconds));
  WSASetLastError(error);
}
