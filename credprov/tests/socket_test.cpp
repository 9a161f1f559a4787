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

#include "tests/support/closed_port.h"
#include "tests/support/loopback_listener.h"
#include "tests/support/service_port.h"
#include "tests/support/socket_bytes.h"

namespace {

TEST(Socket, SendsReceivesPeeksAndSeesThePeerClose) {
  LoopbackListener listener;
  CSocket socket;
  ASSERT_NE(socket.Create(SOCK_STREAM), 0);
  ASSERT_NE(socket.Connect("127.0.0.1", listener.Port()), 0);
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
  const ClosedPort closed;
  EXPECT_EQ(socket.Connect("127.0.0.1", closed.Port()), 0);
  EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
  // The same object connects afterwards, on a fresh socket.
  LoopbackListener listener;
  ASSERT_NE(socket.Connect("localhost", listener.Port()), 0);
  const SOCKET peer = listener.Accept();
  EXPECT_EQ(socket.Send("ok", 2, 0), 2);
  EXPECT_EQ(ReceiveBytes(peer, 2), "ok");
  closesocket(peer);
}

TEST(Socket, AConnectThatTimedOutIsNotRetriedOnItsSocket) {
  // One port on two addresses: a claimed one, since the number a bind to
  // port 0 gives on one address may be another server's on the other.
  const ServicePort number;
  ASSERT_NE(number.Port(), 0);
  // A listener whose queue is full drops every further SYN unanswered; its
  // one queued connection is the filler's.
  LoopbackListener full("127.0.0.2", number.Port(), 0);
  CSocket filler;
  ASSERT_NE(filler.Create(SOCK_STREAM), 0);
  ASSERT_NE(filler.Connect("127.0.0.2", full.Port()), 0);
  WSAPOLLFD queued{full.Socket(), POLLIN, 0};
  ASSERT_EQ(WSAPoll(&queued, 1, 10000), 1);
  LoopbackListener open("127.0.0.1", number.Port());

  CSocket socket;
  socket.SetTimeLimit(std::chrono::milliseconds(300));
  ASSERT_NE(socket.Create(SOCK_STREAM), 0);
  EXPECT_EQ(socket.Connect("127.0.0.2", full.Port()), 0);
  // The next server gets a socket of its own, not the one still connecting.
  ASSERT_NE(socket.Connect("127.0.0.1", full.Port()), 0) << WSAGetLastError();
  const SOCKET peer = open.Accept();
  EXPECT_EQ(socket.Send("ok", 2, 0), 2);
  EXPECT_EQ(ReceiveBytes(peer, 2), "ok");
  closesocket(peer);
}

TEST(Socket, NothingConnectsWithoutCreate) {
  LoopbackListener listener;
  CSocket socket;
  EXPECT_EQ(socket.Connect("127.0.0.1", listener.Port()), 0);
}

}  // namespace
