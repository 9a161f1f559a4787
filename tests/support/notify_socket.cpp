// A Unix datagram socket bound at a path, polled for each notice.
#include "tests/support/notify_socket.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

NotifySocket::NotifySocket(const std::string& path) {
  socket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) {
    ADD_FAILURE() << "notify socket path too long: " << path;
    return;
  }
  std::strcpy(address.sun_path, path.c_str());
  bound = bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
  EXPECT_TRUE(bound) << "binding the notify socket at " << path;
  setenv("NOTIFY_SOCKET", path.c_str(), 1);
}

NotifySocket::~NotifySocket() {
  if (socket >= 0) close(socket);
  unsetenv("NOTIFY_SOCKET");
}

std::string NotifySocket::NextNotice(std::chrono::milliseconds patience) const {
  pollfd event{socket, POLLIN, 0};
  if (poll(&event, 1, static_cast<int>(patience.count())) <= 0) return "";
  char buffer[512];
  const ssize_t got = recv(socket, buffer, sizeof(buffer), 0);
  return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : "";
}
