// A claim on a port is a Unix socket bound at an abstract name: the network
// namespace scopes it like the port, and it goes with the process that held
// it, however that ended.
#include "tests/support/service_port.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <system_error>

namespace {

// Clear of the well-known and registered ports the tests meet (the
// service's 7257, the DC's) and of the dynamic RPC range the DC takes its
// endpoints from (49152 and up).
constexpr std::uint32_t kLowest = 20000;
constexpr std::uint32_t kDynamicRpcStart = 49152;

struct PortRange {
  std::uint32_t first = 0;
  std::uint32_t last = 0;  // first > last: empty
};

// The ports below the ephemeral range, else those above it.
PortRange Candidates() {
  std::uint32_t ephemeralLow = 32768;
  std::uint32_t ephemeralHigh = 60999;
  std::ifstream("/proc/sys/net/ipv4/ip_local_port_range") >> ephemeralLow >> ephemeralHigh;
  const std::uint32_t below = std::min(ephemeralLow, kDynamicRpcStart);
  if (below > kLowest + 100) return {kLowest, below - 1};
  return {std::max(ephemeralHigh + 1, kLowest), 65535};
}

// A Unix socket at the port's abstract name; -1 when another holds it.
int ClaimName(std::uint16_t port) {
  const int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return -1;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const int length = std::snprintf(address.sun_path + 1, sizeof(address.sun_path) - 1, "varnok-test-port-%u",
                                   static_cast<unsigned>(port));
  const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<std::size_t>(length));
  if (bind(s, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
    close(s);
    return -1;
  }
  return s;
}

// Whether nothing holds the port on any IPv4 address now (no
// SO_REUSEADDR, so a port that a socket still lingers on counts as held).
bool Bindable(std::uint16_t port) {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(port);
  const bool bound = bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(s);
  return bound;
}

// The inodes of the sockets listening on `port` in one /proc/net table.
void AddListenerInodes(const char* table, std::uint16_t port, std::set<std::string>& inodes) {
  constexpr const char* kListen = "0A";
  std::ifstream in(table);
  std::string line;
  std::getline(in, line);  // the heading
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
    if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode)) {
      continue;
    }
    const std::size_t colon = local.rfind(':');
    if (colon == std::string::npos || state != kListen) continue;
    if (std::stoul(local.substr(colon + 1), nullptr, 16) == port) inodes.insert(inode);
  }
}

}  // namespace

ServicePort::ServicePort() {
  const PortRange range = Candidates();
  std::random_device random;
  const std::uint32_t start = range.first + random() % (range.last - range.first + 1);
  EXPECT_TRUE(ClaimAfter(static_cast<std::uint16_t>(start))) << "no free port in " << range.first << "-"
                                                             << range.last;
}

ServicePort::~ServicePort() {
  if (claim >= 0) close(claim);
}

void ServicePort::Next() {
  const int held = claim;
  claim = -1;
  EXPECT_TRUE(ClaimAfter(port)) << "no free port after " << port;
  if (held >= 0) close(held);
}

bool ServicePort::ClaimAfter(std::uint16_t after) {
  const PortRange range = Candidates();
  const std::uint32_t count = range.last - range.first + 1;
  const std::uint32_t offset = after >= range.first && after <= range.last ? after - range.first + 1 : 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto candidate = static_cast<std::uint16_t>(range.first + (offset + i) % count);
    const int named = ClaimName(candidate);
    if (named < 0) continue;
    if (!Bindable(candidate)) {
      close(named);
      continue;
    }
    claim = named;
    port = candidate;
    return true;
  }
  port = 0;
  return false;
}

bool ProcessListensOn(pid_t pid, std::uint16_t port) {
  std::set<std::string> inodes;
  AddListenerInodes("/proc/net/tcp", port, inodes);
  AddListenerInodes("/proc/net/tcp6", port, inodes);
  if (inodes.empty()) return false;
  namespace fs = std::filesystem;
  std::error_code error;
  for (fs::directory_iterator fd("/proc/" + std::to_string(pid) + "/fd", error), end; !error && fd != end;
       fd.increment(error)) {
    // "socket:[inode]"; a descriptor closed meanwhile reads as nothing.
    const std::string target = fs::read_symlink(fd->path(), error).string();
    if (error) {
      error.clear();
      continue;
    }
    if (target.rfind("socket:[", 0) == 0 && inodes.count(target.substr(8, target.size() - 9)) != 0) return true;
  }
  return false;
}
