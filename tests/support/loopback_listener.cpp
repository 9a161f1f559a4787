// The listener's bind, listen and bounded accept over the socket layer.
#include "tests/support/loopback_listener.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

LoopbackListener::LoopbackListener(const char* address, std::uint16_t wanted, int backlog) {
  listener = winsock::socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(wanted);
  inet_pton(AF_INET, address, &local.sin_addr);
  EXPECT_EQ(winsock::bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof(local)), 0);
  EXPECT_EQ(winsock::listen(listener, backlog), 0);
  int length = sizeof(local);
  EXPECT_EQ(winsock::getsockname(listener, reinterpret_cast<sockaddr*>(&local), &length), 0);
  port = ntohs(local.sin_port);
}

LoopbackListener::~LoopbackListener() { Close(); }

bool LoopbackListener::ClientWaiting() const {
  WSAPOLLFD entry{listener, POLLIN, 0};
  return WSAPoll(&entry, 1, 0) == 1;
}

SOCKET LoopbackListener::Accept(int milliseconds) const {
  WSAPOLLFD entry{listener, POLLIN, 0};
  if (WSAPoll(&entry, 1, milliseconds) != 1) return INVALID_SOCKET;
  return winsock::accept(listener, nullptr, nullptr);
}

void LoopbackListener::Close() {
  if (listener != INVALID_SOCKET) closesocket(listener);
  listener = INVALID_SOCKET;
}
