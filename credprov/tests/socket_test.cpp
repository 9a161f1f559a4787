// The client socket against listeners on loopback: connect, send, receive,
// peek and close; names that do not resolve, addresses that refuse and
// connects that time out (one name of several addresses:
// socket_hosts_test.cpp).
#include "credprov/socket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "RemoteSvr/common/tests/loopback.h"

namespace {

// A listening socket on `address` at a free port (or `port`), accepting
// nothing until asked.
class CListener {
 public:
  explicit CListener(const char* address = "127.0.0.1", std::uint16_t wanted = 0, int backlog = 4) {
    s = winsock::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(wanted);
    inet_pton(AF_INET, address, &local.sin_addr);
    EXPECT_EQ(winsock::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof(local)), 0);
    EXPECT_EQ(winsock::listen(s, backlog), 0);
    int length = sizeof(local);
    winsock::getsockname(s, reinterpret_cast<sockaddr*>(&local), &length);
    port = ntohs(local.sin_port);
  }
  ~CListener() { closesocket(s); }
  // The next connection; INVALID_SOCKET when none comes (a bound so that a
  // failing test ends, not one its outcome depends on).
  SOCKET Accept() {
    WSAPOLLFD entry{s, POLLIN, 0};
    if (WSAPoll(&entry, 1, 10000) != 1) return INVALID_SOCKET;
    return winsock::accept(s, nullptr, nullptr);
  }

  SOCKET s;
  std::uint16_t port;
};

// A port on which nothing listens.
std::uint16_t ClosedPort() {
  const CListener listener;
  return listener.port;
}

TEST(Socket, SendsReceivesPeeksAndSeesThePeerClose) {
  CListener listener;
  CSocket socket;
  ASSERT_NE(socket.Create(SOCK_STREAM), 0);
  ASSERT_NE(socket.Connect("127.0.0.1", listener.port), 0);
  const SOCKET peer = listener.Accept();
  ASSERT_NE(peer, INVALID_SOCKET);

  EXPECT_EQ(socket.Send("request", 7, 0), 7);
  EXPECT_EQ(ReceiveBytes(peer, 7), "request");
  ASSERT_EQ(winsock::send(peer, "reply!", 6, 0), 6);
  char buffer[16] = {};
  // A peek leaves the bytes for the next receive.
  ASSERT_EQ(socket.Recv(buffer, 6, MSG_PEEK | MSG_WAITALL), 6);
  EXPECT_EQ(std::string(buffer, 6), "reply!");
  std::memset(buffer, 0, sizeof(buffer));
  EXPECT_EQ(socket.Recv(buffer, 6, MSG_WAITALL), 6);
  EXPECT_EQ(std::string(buffer, 6), "reply!");
  closesocket(peer);
  EXPECT_EQ(socket.Recv(buffer, sizeof(buffer), 0), 0);
  EXPECT_EQ(socket.Close(), 0);
  EXPECT_EQ(socket.GetHandle(), INVALID_SOCKET);
  EXPECT_EQ(socket.Send("x", 1, 0), SOCKET_ERROR);
}

TEST(Socket, NamesThatDoNotResolveAndAddressesThatRefuse) {
  CSocket socket;
  ASSERT_NE(socket.Create(SOCK_STREAM), 0);
  EXPECT_EQ(socket.Connect("no-such-host.invalid", 7257), 0);
  EXPECT_EQ(socket.Connect("", 7257), 0);
  EXPECT_EQ(socket.Connect(nullptr, 7257), 0);
  EXPECT_EQ(socket.Connect("127.0.0.1", ClosedPort()), 0);
  EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
  // The same object connects afterwards, on a fresh socket.
  CListener listener;
  ASSERT_NE(socket.Connect("localhost", listener.port), 0);
  const SOCKET peer = listener.Accept();
  EXPECT_EQ(socket.Send("ok", 2, 0), 2);
  EXPECT_EQ(ReceiveBytes(peer, 2), "ok");
  closesocket(peer);
}

TEST(Socket, AConnectThatTimedOutIsNotRetriedOnItsSocket) {
  // A listener whose queue is full drops every further SYN unanswered; its
  // one queued connection is the filler's.
  CListener full("127.0.0.2", 0, 0);
  CSocket filler;
  ASSERT_NE(filler.Create(SOCK_STREAM), 0);
  ASSERT_NE(filler.Connect("127.0.0.2", full.port), 0);
  WSAPOLLFD queued{full.s, POLLIN, 0};
  ASSERT_EQ(WSAPoll(&queued, 1, 10000), 1);
  CListener open("127.0.0.1", full.port);

  CSocket socket;
  socket.SetTimeLimit(std::chrono::milliseconds(300));
  ASSERT_NE(socket.Create(SOCK_STREAM), 0);
  EXPECT_EQ(socket.Connect("127.0.0.2", full.port), 0);
  // The next server gets a socket of its own, not the one still connecting.
  ASSERT_NE(socket.Connect("127.0.0.1", full.port), 0) << WSAGetLastError();
  const SOCKET peer = open.Accept();
  EXPECT_EQ(socket.Send("ok", 2, 0), 2);
  EXPECT_EQ(ReceiveBytes(peer, 2), "ok");
  closesocket(peer);
}

TEST(Socket, NothingConnectsWithoutCreate) {
  CListener listener;
  CSocket socket;
  EXPECT_EQ(socket.Connect("127.0.0.1", listener.port), 0);
}

}  // namespace
