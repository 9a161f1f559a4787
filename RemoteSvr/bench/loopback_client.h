// The load generator's connection to the service on 127.0.0.1, with
// TCP_NODELAY so that back-to-back records are not held back.
#pragma once

#include <arpa/inet.h>
#include <netinet/tcp.h>

#include <cstdint>

#include "platform/winsock/winsock.h"

// INVALID_SOCKET when nothing accepts on `port`.
inline SOCKET ConnectToLoopback(int port) {
  const SOCKET s = winsock::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (winsock::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  const int on = 1;
  winsock::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  return s;
}
