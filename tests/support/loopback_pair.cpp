// The pair: a connect to the listener and the connection it accepts.
#include "tests/support/loopback_pair.h"

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <gtest/gtest.h>

LoopbackPair::LoopbackPair() {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(listener.Port());
  client = winsock::socket(AF_INET, SOCK_STREAM, 0);
  EXPECT_EQ(winsock::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  server = listener.Accept();
  EXPECT_NE(server, INVALID_SOCKET);
  const int on = 1;
  setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
  setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
}

LoopbackPair::~LoopbackPair() {
  CloseClient();
  CloseServer();
}

void LoopbackPair::CloseClient() {
  if (client != INVALID_SOCKET) closesocket(client);
  client = INVALID_SOCKET;
}

void LoopbackPair::CloseServer() {
  if (server != INVALID_SOCKET) closesocket(server);
  server = INVALID_SOCKET;
}
