// CSocket::Connect with one name of three addresses, where only the last
// listens: run with two_addresses.hosts over /etc/hosts in a mount namespace
// of its own (see CMakeLists.txt).
#include "credprov/socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <gtest/gtest.h>

#include "RemoteSvr/common/tests/loopback.h"

namespace {

// Listens on 127.0.0.1 at a free port.
class CListener {
 public:
  CListener() {
    s = winsock::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(winsock::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof(local)), 0);
    EXPECT_EQ(winsock::listen(s, 4), 0);
    int length = sizeof(local);
    winsock::getsockname(s, reinterpret_cast<sockaddr*>(&local), &length);
    port = ntohs(local.sin_port);
  }
  ~CListener() { closesocket(s); }

  SOCKET s;
  std::uint16_t port;
};

TEST(SocketHosts, ConnectsToTheAddressThatAcceptsAfterThoseThatRefuse) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  int count = 0;
  if (getaddrinfo("two-addresses.test", "1", &hints, &list) == 0) {
    for (const addrinfo* item = list; item != nullptr; item = item->ai_next) ++count;
    freeaddrinfo(list);
  }
  ASSERT_EQ(count, 3) << "runs with the hosts file two_addresses.hosts over /etc/hosts";
  const CListener listener;
  CSocket socket;
  ASSERT_NE(socket.Create(SOCK_STREAM), 0);
  ASSERT_NE(socket.Connect("two-addresses.test", listener.port), 0);
  const SOCKET peer = winsock::accept(listener.s, nullptr, nullptr);
  EXPECT_EQ(socket.Send("hello", 5, 0), 5);
  EXPECT_EQ(ReceiveBytes(peer, 5), "hello");
  closesocket(peer);
}

}  // namespace
