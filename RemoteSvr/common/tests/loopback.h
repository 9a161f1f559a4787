// A connected pair of real loopback TCP sockets for the transfer tests, and
// helpers to write raw bytes to one end in pieces.
#pragma once

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/winsock/winsock.h"

struct LoopbackPair {
  SOCKET client = INVALID_SOCKET;  // the requesting side
  SOCKET server = INVALID_SOCKET;  // the accepted side

  LoopbackPair() {
    const SOCKET listener = winsock::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(winsock::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    EXPECT_EQ(winsock::listen(listener, 1), 0);
    int length = sizeof(address);
    winsock::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    client = winsock::socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_EQ(winsock::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    server = winsock::accept(listener, nullptr, nullptr);
    closesocket(listener);
    // Small writes go out as their own segments.
    const int on = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
  }
  ~LoopbackPair() {
    CloseClient();
    CloseServer();
  }
  void CloseClient() {
    if (client != INVALID_SOCKET) closesocket(client);
    client = INVALID_SOCKET;
  }
  void CloseServer() {
    if (server != INVALID_SOCKET) closesocket(server);
    server = INVALID_SOCKET;
  }
  LoopbackPair(const LoopbackPair&) = delete;
  LoopbackPair& operator=(const LoopbackPair&) = delete;
};

// Sends `bytes` in `pieces` writes of about equal size with a short pause
// between them, so they arrive as separate segments.
inline void SendInPieces(SOCKET s, const std::string& bytes, int pieces,
                         std::chrono::milliseconds pause = std::chrono::milliseconds(2)) {
  std::size_t at = 0;
  for (int i = 0; i < pieces && at < bytes.size(); ++i) {
    const std::size_t left = bytes.size() - at;
    const std::size_t size = i == pieces - 1 ? left : std::max<std::size_t>(1, left / static_cast<std::size_t>(pieces - i));
    ASSERT_EQ(winsock::send(s, bytes.data() + at, static_cast<int>(size), 0), static_cast<int>(size));
    at += size;
    std::this_thread::sleep_for(pause);
  }
}

// Reads exactly `length` bytes, or fewer when the peer closes.
inline std::string ReceiveBytes(SOCKET s, std::size_t length) {
  std::string bytes(length, '\0');
  std::size_t at = 0;
  while (at < length) {
    const int count = winsock::recv(s, bytes.data() + at, static_cast<int>(length - at), 0);
    if (count <= 0) break;
    at += static_cast<std::size_t>(count);
  }
  bytes.resize(at);
  return bytes;
}
