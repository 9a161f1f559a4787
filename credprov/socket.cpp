// The client socket: creation with the clients' time-outs, and connection to
// each address of a name in turn.
#include "credprov/socket.h"

#include <netdb.h>

#include <string>

#include "platform/winsock/host_lookup.h"

namespace {

// Frees the address list in every case.
class CAddressList {
 public:
  ~CAddressList() {
    if (list != nullptr) ::freeaddrinfo(list);
  }
  addrinfo* list = nullptr;
};

}  // namespace

CSocket::~CSocket() {
  if (handle != INVALID_SOCKET) Close();
}

int CSocket::Create(int type) {
  // This object's own close: a fresh handle leaves a derived socket's state
  // (a TLS socket's plain mode) as it is.
  if (handle != INVALID_SOCKET) CSocket::Close();
  socketType = type;
  connectTried = false;
  handle = winsock::socket(AF_INET, type, 0);
  if (handle == INVALID_SOCKET) return 0;
  if (!SetSocketTimeLimits(handle, timeLimit)) {
    Close();
    return 0;
  }
  return 1;
}

bool CSocket::Reopen() {
  const int type = socketType;
  return Create(type) != 0;
}

int CSocket::Connect(const char* host, std::uint16_t port) {
  if (host == nullptr) return 0;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  CAddressList addresses;
  const std::string service = std::to_string(port);
  if (::getaddrinfo(host, service.c_str(), &hints, &addresses.list) != 0) {
    WSASetLastError(WSAHOST_NOT_FOUND);
    return 0;
  }
  for (const addrinfo* address = addresses.list; address != nullptr; address = address->ai_next) {
    if (connectTried && !Reopen()) return 0;
    connectTried = true;
    if (winsock::connect(handle, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0) return 1;
  }
  return 0;
}

int CSocket::Close() {
  const int result = closesocket(handle);
  handle = INVALID_SOCKET;
  connectTried = false;
  return result;
}

int CSocket::Send(const char* data, int length, int flags) { return winsock::send(handle, data, length, flags); }

int CSocket::Recv(char* buffer, int size, int flags) { return winsock::recv(handle, buffer, size, flags); }
