// The bound, never listening socket of a closed port.
#include "tests/support/closed_port.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

ClosedPort::ClosedPort() {
  holder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  const bool bound = holder >= 0 && bind(holder, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
                     getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  EXPECT_TRUE(bound) << "binding a closed port";
  if (bound) port = ntohs(address.sin_port);
}

ClosedPort::~ClosedPort() {
  if (holder >= 0) close(holder);
}
