// The provider's TCP client socket over Windows Sockets (platform/winsock):
// the fixed-record session's connection. Close, Send and Recv are virtual so
// that a socket carrying TLS can stand wherever this one does.
#pragma once

#include <chrono>
#include <cstdint>

#include "RemoteSvr/common/socket_transfer.h"
#include "platform/winsock/winsock.h"

class CSocket {
 public:
  CSocket() = default;
  // Closes a socket still open.
  virtual ~CSocket();
  CSocket(const CSocket&) = delete;
  CSocket& operator=(const CSocket&) = delete;

  // Opens an IPv4 socket of `type` (SOCK_STREAM) with the time-outs above.
  // Nonzero on success.
  int Create(int type);
  // The time-outs of the sockets created from now on (tests shorten them).
  void SetTimeLimit(std::chrono::milliseconds limit) { timeLimit = limit; }

  // Resolves `host` to its IPv4 addresses (getaddrinfo) and connects to the
  // first that accepts, trying them in order. Each try after a failed one
  // runs on a fresh socket, since a socket whose connect failed may not be
  // connected again. Nonzero on success; 0 when the name does not resolve
  // or no address accepts.
  int Connect(const char* host, std::uint16_t port);

  // closesocket; the object holds no socket afterwards.
  virtual int Close();
  // send's result: bytes sent or SOCKET_ERROR.
  virtual int Send(const char* data, int length, int flags);
  // recv's result: bytes received, 0 when the peer closed, SOCKET_ERROR.
  // MSG_PEEK looks without taking.
  virtual int Recv(char* buffer, int size, int flags);

  SOCKET GetHandle() const { return handle; }

 private:
  // Replaces the handle with a fresh socket of the same type.
  bool Reopen();

  SOCKET handle = INVALID_SOCKET;
  int socketType = 0;
  std::chrono::milliseconds timeLimit = CLIENT_SOCKET_TIME_LIMIT;
  // A connect has run on this handle: the next one needs a fresh socket.
  bool connectTried = false;
};
