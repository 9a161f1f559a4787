// gethostbyname over getaddrinfo, answered from per-thread storage as
// Windows does.
#include "platform/winsock/host_lookup.h"

#include <netdb.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct HostAnswer {
  HOSTENT entry{};
  std::string name;
  std::vector<in_addr> addresses;
  std::vector<char*> addressList;
  char* noAliases[1] = {nullptr};
};

thread_local HostAnswer g_answer;

int WsaErrorFromResolver(int status) {
  switch (status) {
    case EAI_NONAME:
      return WSAHOST_NOT_FOUND;
    case EAI_AGAIN:
      return WSATRY_AGAIN;
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
    case EAI_ADDRFAMILY:
      return WSANO_DATA;
    case EAI_MEMORY:
      return WSA_NOT_ENOUGH_MEMORY;
    default:
      return WSANO_RECOVERY;
  }
}

}  // namespace

namespace winsock {

HOSTENT* gethostbyname(const char* name) {
  if (name == nullptr) {
    WSASetLastError(WSAEFAULT);
    return nullptr;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* list = nullptr;
  const int status = ::getaddrinfo(name, nullptr, &hints, &list);
  if (status != 0) {
    WSASetLastError(WsaErrorFromResolver(status));
    return nullptr;
  }
  HostAnswer& answer = g_answer;
  answer.name = list->ai_canonname != nullptr ? list->ai_canonname : name;
  answer.addresses.clear();
  for (const addrinfo* item = list; item != nullptr; item = item->ai_next) {
    const in_addr address = reinterpret_cast<const sockaddr_in*>(item->ai_addr)->sin_addr;
    bool seen = false;
    for (const in_addr& known : answer.addresses) seen = seen || known.s_addr == address.s_addr;
    if (!seen) answer.addresses.push_back(address);
  }
  ::freeaddrinfo(list);
  answer.addressList.clear();
  for (in_addr& address : answer.addresses) answer.addressList.push_back(reinterpret_cast<char*>(&address));
  answer.addressList.push_back(nullptr);
  answer.entry.h_name = answer.name.data();
  answer.entry.h_aliases = answer.noAliases;
  answer.entry.h_addrtype = AF_INET;
  answer.entry.h_length = sizeof(in_addr);
  answer.entry.h_addr_list = answer.addressList.data();
  return &answer.entry;
}

}  // namespace winsock
