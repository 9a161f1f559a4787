// The ports the tests hold, against what the suite's other servers do: a
// closed port refuses and nobody else binds it; service ports lie outside
// the range a bind to port 0 draws from and are never handed out twice;
// a listener counts as a process's only when the socket is its own.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <memory>
#include <set>
#include <vector>

#include "tests/support/closed_port.h"
#include "tests/support/loopback_listener.h"
#include "tests/support/service_port.h"

namespace {

sockaddr_in Address(in_addr_t host, std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(host);
  address.sin_port = htons(port);
  return address;
}

// The errno of a bind of a fresh socket (SO_REUSEADDR set), 0 when it bound.
int BindError(in_addr_t host, std::uint16_t port) {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  const sockaddr_in address = Address(host, port);
  const int error = bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? 0 : errno;
  close(s);
  return error;
}

TEST(TestPorts, AClosedPortRefusesAndNoOtherSocketBindsIt) {
  const ClosedPort closed;
  ASSERT_NE(closed.Port(), 0);
  const int client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = Address(INADDR_LOOPBACK, closed.Port());
  EXPECT_NE(connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(errno, ECONNREFUSED);
  close(client);
  EXPECT_EQ(BindError(INADDR_LOOPBACK, closed.Port()), EADDRINUSE);
  EXPECT_EQ(BindError(INADDR_ANY, closed.Port()), EADDRINUSE);
}

TEST(TestPorts, ServicePortsLieOutsideTheEphemeralRangeAndAreNeverShared) {
  unsigned low = 0, high = 0;
  std::ifstream("/proc/sys/net/ipv4/ip_local_port_range") >> low >> high;
  ASSERT_LT(low, high);
  std::vector<std::unique_ptr<ServicePort>> ports;
  std::set<std::uint16_t> numbers;
  for (int i = 0; i < 50; ++i) {
    ports.push_back(std::make_unique<ServicePort>());
    const std::uint16_t port = ports.back()->Port();
    ASSERT_NE(port, 0);
    EXPECT_TRUE(port < low || port > high) << port;
    EXPECT_TRUE(numbers.insert(port).second) << port << " handed out twice";
  }
  // The next one of a port given up is neither it nor one still held.
  const std::uint16_t before = ports.front()->Port();
  ports.front()->Next();
  EXPECT_NE(ports.front()->Port(), before);
  EXPECT_EQ(numbers.count(ports.front()->Port()), 0u);
  // Claimed, not bound: the server it is for binds it.
  EXPECT_EQ(BindError(INADDR_ANY, ports.back()->Port()), 0);
}

TEST(TestPorts, AListenerIsAProcesssOnlyWhenTheSocketIsItsOwn) {
  const LoopbackListener listener;
  const ClosedPort closed;
  EXPECT_TRUE(ProcessListensOn(getpid(), listener.Port()));
  EXPECT_FALSE(ProcessListensOn(getpid(), closed.Port()));
  // Another process, on the number this one listens on.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    pause();
    _exit(0);
  }
  // A child shares the parent's descriptors until it closes them; this one
  // does not, so ask about a listener made after the fork.
  const LoopbackListener later;
  EXPECT_FALSE(ProcessListensOn(child, later.Port()));
  EXPECT_TRUE(ProcessListensOn(getpid(), later.Port()));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}

}  // namespace
