// gethostbyname: addresses and names that resolve here, and the codes of
// those that do not.
#include "platform/winsock/host_lookup.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(HostLookup, DottedAddressAndLocalName) {
  for (const char* name : {"127.0.0.1", "localhost"}) {
    HOSTENT* host = winsock::gethostbyname(name);
    ASSERT_NE(host, nullptr) << name;
    EXPECT_EQ(host->h_addrtype, AF_INET);
    EXPECT_EQ(host->h_length, 4);
    EXPECT_EQ(host->h_aliases[0], nullptr);
    ASSERT_NE(host->h_addr_list[0], nullptr);
    in_addr first;
    std::memcpy(&first, host->h_addr_list[0], sizeof first);
    EXPECT_EQ(ntohl(first.s_addr), INADDR_LOOPBACK) << name;
  }
}

TEST(HostLookup, FailuresSetTheWindowsCodes) {
  WSASetLastError(0);
  EXPECT_EQ(winsock::gethostbyname(nullptr), nullptr);
  EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
  // .invalid never resolves (RFC 2606).
  EXPECT_EQ(winsock::gethostbyname("no-such-host.invalid"), nullptr);
  const int code = WSAGetLastError();
  EXPECT_TRUE(code == WSAHOST_NOT_FOUND || code == WSATRY_AGAIN) << code;
}

}  // namespace
