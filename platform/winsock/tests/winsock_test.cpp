// The socket layer over real loopback sockets: the errno map, the last socket
// error after each kind of failure, no SIGPIPE, closing that wakes a blocked
// accept, and the Windows form of the receive time-out.
#include "platform/winsock/winsock.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "tests/support/closed_port.h"
#include "tests/support/loopback_pair.h"

namespace {

TEST(WsaErrorFromErrno, MapsSocketErrnosToWindowsSocketsCodes) {
  const struct {
    int error;
    int code;
  } cases[] = {
      {0, 0},
      {ECONNREFUSED, WSAECONNREFUSED},
      {ECONNRESET, WSAECONNRESET},
      {EPIPE, WSAECONNRESET},
      {ETIMEDOUT, WSAETIMEDOUT},
      {EADDRINUSE, WSAEADDRINUSE},
      {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
      {EAGAIN, WSAEWOULDBLOCK},
      {EINTR, WSAEINTR},
      {EBADF, WSAENOTSOCK},
      {ENOTSOCK, WSAENOTSOCK},
      {ENOTCONN, WSAENOTCONN},
      {EHOSTUNREACH, WSAEHOSTUNREACH},
      {ENETUNREACH, WSAENETUNREACH},
      {EMFILE, WSAEMFILE},
      {ENOMEM, WSA_NOT_ENOUGH_MEMORY},
      {EINVAL, WSAEINVAL},
      {EACCES, WSAEACCES},
      {EDOM, WSASYSCALLFAILURE},
  };
  for (const auto& c : cases) EXPECT_EQ(WsaErrorFromErrno(c.error), c.code) << "errno " << c.error;
}

TEST(WinsockStartup, GrantsUpToTwoPointTwoAndRefusesBelowOne) {
  WSADATA data{};
  EXPECT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
  EXPECT_EQ(data.wVersion, MAKEWORD(2, 0));
  EXPECT_EQ(WSAStartup(MAKEWORD(3, 1), &data), 0);
  EXPECT_EQ(data.wVersion, MAKEWORD(2, 2));
  EXPECT_EQ(data.wHighVersion, MAKEWORD(2, 2));
  EXPECT_EQ(WSAStartup(MAKEWORD(0, 9), &data), WSAVERNOTSUPPORTED);
  EXPECT_EQ(WSACleanup(), 0);
}

TEST(WinsockSockets, OpenCloseOnExec) {
  const SOCKET s = winsock::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_NE(s, INVALID_SOCKET);
  EXPECT_NE(fcntl(s, F_GETFD) & FD_CLOEXEC, 0);
  LoopbackPair pair;
  EXPECT_NE(fcntl(pair.server, F_GETFD) & FD_CLOEXEC, 0);
  closesocket(s);
}

TEST(WinsockRecv, PeerClosingGivesZeroAndGracefulShutdownError) {
  LoopbackPair pair;
  closesocket(pair.client);
  pair.client = INVALID_SOCKET;
  WSASetLastError(0);
  char buffer[20];
  EXPECT_EQ(winsock::recv(pair.server, buffer, sizeof(buffer), MSG_PEEK), 0);
  EXPECT_EQ(WSAGetLastError(), WSAEDISCON);
}

TEST(WinsockRecv, PeekWithWaitAllWaitsForTheWholeHeaderAndLeavesIt) {
  LoopbackPair pair;
  std::thread writer([&] {
    winsock::send(pair.client, "V", 1, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    winsock::send(pair.client, "NK*0123456789abcdef", 19, 0);
  });
  char buffer[20];
  EXPECT_EQ(winsock::recv(pair.server, buffer, 20, MSG_PEEK | MSG_WAITALL), 20);
  writer.join();
  EXPECT_EQ(winsock::recv(pair.server, buffer, 20, MSG_WAITALL), 20);
  EXPECT_EQ(std::string(buffer, 4), "VNK*");
}

TEST(WinsockRecv, ReceiveTimeOutInMillisecondsGivesTimedOut) {
  LoopbackPair pair;
  const DWORD limit = 50;
  ASSERT_EQ(winsock::setsockopt(pair.server, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit),
                                sizeof(limit)),
            0);
  DWORD stored = 0;
  int size = sizeof(stored);
  ASSERT_EQ(winsock::getsockopt(pair.server, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<char*>(&stored), &size), 0);
  EXPECT_EQ(size, static_cast<int>(sizeof(DWORD)));
  // The kernel keeps it in clock ticks, so it may come back rounded up.
  EXPECT_GE(stored, 50u);
  EXPECT_LT(stored, 70u);
  char byte;
  EXPECT_EQ(winsock::recv(pair.server, &byte, 1, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
}

TEST(WinsockSend, PeerGoneFailsWithResetAndNoSignal) {
  LoopbackPair pair;
  closesocket(pair.server);
  pair.server = INVALID_SOCKET;
  // The first send may still be accepted; the peer's reset fails a later one,
  // and without MSG_NOSIGNAL that one would end the test process.
  const char block[4096] = {};
  int result = 0;
  for (int i = 0; i < 100 && result != SOCKET_ERROR; ++i) {
    result = winsock::send(pair.client, block, sizeof(block), 0);
    if (result != SOCKET_ERROR) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(result, SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
}

TEST(WinsockErrors, SuccessfulCallKeepsTheLastErrorAndFailedCloseSetsIt) {
  LoopbackPair pair;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  winsock::getsockname(pair.listener.Socket(), reinterpret_cast<sockaddr*>(&address), &length);
  const SOCKET second = winsock::socket(AF_INET, SOCK_STREAM, 0);
  EXPECT_EQ(winsock::bind(second, reinterpret_cast<sockaddr*>(&address), sizeof(address)), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEADDRINUSE);
  EXPECT_EQ(closesocket(second), 0);
  EXPECT_EQ(WSAGetLastError(), WSAEADDRINUSE);
  EXPECT_EQ(closesocket(second), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
}

TEST(WinsockConnect, RefusedPortGivesConnectionRefused) {
  const ClosedPort closed;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(closed.Port());
  const SOCKET s = winsock::socket(AF_INET, SOCK_STREAM, 0);
  EXPECT_EQ(winsock::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
  closesocket(s);
}

TEST(WinsockClose, ClosingAListeningSocketWakesABlockedAccept) {
  const SOCKET listener = winsock::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(winsock::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(winsock::listen(listener, 4), 0);
  SOCKET accepted = 0;
  std::thread acceptor([&] { accepted = winsock::accept(listener, nullptr, nullptr); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  closesocket(listener);
  acceptor.join();
  EXPECT_EQ(accepted, INVALID_SOCKET);
}

TEST(WinsockClose, ClosingAConnectedSocketWakesABlockedRecv) {
  LoopbackPair pair;
  int received = 1;
  std::thread reader([&] {
    char byte;
    received = winsock::recv(pair.server, &byte, 1, 0);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  closesocket(pair.server);
  reader.join();
  pair.server = INVALID_SOCKET;
  EXPECT_LE(received, 0);
}

TEST(WinsockPoll, TimesOutAndReportsReadable) {
  LoopbackPair pair;
  WSAPOLLFD entry{pair.server, POLLIN, 0};
  EXPECT_EQ(WSAPoll(&entry, 1, 10), 0);
  winsock::send(pair.client, "x", 1, 0);
  EXPECT_EQ(WSAPoll(&entry, 1, 1000), 1);
  EXPECT_NE(entry.revents & POLLIN, 0);
}

}  // namespace
