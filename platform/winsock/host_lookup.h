// Windows Sockets' old name resolution, gethostbyname, over getaddrinfo:
// IPv4 addresses only, the answer in storage of the calling thread that the
// next call on that thread replaces, failures as Windows Sockets codes.
#pragma once

#include "platform/winsock/winsock.h"

inline constexpr int WSAHOST_NOT_FOUND = 11001;
inline constexpr int WSATRY_AGAIN = 11002;
inline constexpr int WSANO_RECOVERY = 11003;
inline constexpr int WSANO_DATA = 11004;

// The layout of Windows' HOSTENT: the official name, a list of aliases, the
// family and length of an address, and the list of addresses (network byte
// order), both lists ended by a null pointer.
struct HOSTENT {
  char* h_name;
  char** h_aliases;
  short h_addrtype;
  short h_length;
  char** h_addr_list;
};

namespace winsock {

// A name or a dotted IPv4 address. Null on failure, with the last socket
// error WSAHOST_NOT_FOUND (no such name), WSATRY_AGAIN (the resolver could
// not answer now), WSANO_DATA (a name without IPv4 addresses), WSAEFAULT (no
// name) or WSANO_RECOVERY.
HOSTENT* gethostbyname(const char* name);

}  // namespace winsock
