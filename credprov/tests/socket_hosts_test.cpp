// CSocket::Connect with one name of three addresses, where only the last
// listens: run with two_addresses.hosts over /etc/hosts in a mount namespace
// of its own (see CMakeLists.txt).
#include "credprov/socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <gtest/gtest.h>

#include "tests/support/loopback_listener.h"
#include "tests/support/socket_bytes.h"

namespace {

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
  const LoopbackListener listener;
  CSocket socket;
  ASSERT_NE(socket.Create(SOCK_STREAM), 0);
  ASSERT_NE(socket.Connect("two-addresses.test", listener.Port()), 0);
  const SOCKET peer = listener.Accept();
  EXPECT_EQ(socket.Send("hello", 5, 0), 5);
  EXPECT_EQ(ReceiveBytes(peer, 5), "hello");
  closesocket(peer);
}

}  // namespace
