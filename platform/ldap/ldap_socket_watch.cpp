// The connection callbacks and the socket layer of CLdapSocketWatch.
#include "platform/ldap/ldap_socket_watch.h"

#include <netinet/in.h>
#include <poll.h>

#include <cerrno>
#include <cstring>

namespace {

// Above the TCP provider (and libldap's debug layer at its level), below
// TLS and SASL: the layer sees the bytes on the wire.
constexpr int kWatchLevel = LBER_SBIOD_LEVEL_PROVIDER + 5;

socklen_t AddressLength(const sockaddr* address) {
  if (address == nullptr) return 0;
  switch (address->sa_family) {
    case AF_INET: return sizeof(sockaddr_in);
    case AF_INET6: return sizeof(sockaddr_in6);
    default: return 0;
  }
}

}  // namespace

const Sockbuf_IO CLdapSocketWatch::kLayer = {Setup, Remove, Control, Read, Write, Close};

int CLdapSocketWatch::Attach(LDAP* ld, int idleSeconds) {
  idleLimit = std::chrono::seconds(idleSeconds);
  fd = -1;
  peerLength = 0;
  limited = false;
  expired = false;
  callbacks.lc_add = OnConnect;
  callbacks.lc_del = OnDisconnect;
  callbacks.lc_arg = this;
  return ldap_set_option(ld, LDAP_OPT_CONNECT_CB, &callbacks);
}

void CLdapSocketWatch::Start(int seconds) {
  deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  limited = true;
  expired = false;
}

int CLdapSocketWatch::OnConnect(LDAP*, Sockbuf* sb, LDAPURLDesc*, sockaddr* address, ldap_conncb* callbacks) {
  auto* self = static_cast<CLdapSocketWatch*>(callbacks->lc_arg);
  int socket = -1;
  ber_sockbuf_ctrl(sb, LBER_SB_OPT_GET_FD, &socket);
  if (socket < 0) return LDAP_LOCAL_ERROR;
  // No layer, no bound: the connection is refused rather than left open to
  // a wait without limit.
  if (ber_sockbuf_add_io(sb, const_cast<Sockbuf_IO*>(&kLayer), kWatchLevel, self) != 0) return LDAP_LOCAL_ERROR;
  self->peerLength = AddressLength(address);
  if (self->peerLength > 0) std::memcpy(&self->peer, address, self->peerLength);
  self->fd = socket;
  return LDAP_SUCCESS;
}

void CLdapSocketWatch::OnDisconnect(LDAP*, Sockbuf* sb, ldap_conncb* callbacks) {
  // Called with no Sockbuf just before the handle goes.
  if (sb != nullptr) static_cast<CLdapSocketWatch*>(callbacks->lc_arg)->fd = -1;
}

int CLdapSocketWatch::Socket(Sockbuf_IO_Desc* layer) {
  int socket = -1;
  ber_sockbuf_ctrl(layer->sbiod_sb, LBER_SB_OPT_GET_FD, &socket);
  return socket;
}

bool CLdapSocketWatch::Wait(int socket, short events) {
  if (socket < 0) return true;
  const auto until = limited ? deadline : std::chrono::steady_clock::now() + idleLimit;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    pollfd entry{socket, events, 0};
    const int ready = poll(&entry, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
    if (ready > 0) return true;  // readable, writable, or an error the call itself reports
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return true;
    expired = true;
    return false;
  }
}

ber_slen_t CLdapSocketWatch::Read(Sockbuf_IO_Desc* layer, void* buffer, ber_len_t length) {
  auto* self = static_cast<CLdapSocketWatch*>(layer->sbiod_pvt);
  if (!self->Wait(Socket(layer), POLLIN)) {
    // Not EAGAIN: TLS would take that as "try again" and wait once more.
    errno = ETIMEDOUT;
    return -1;
  }
  return LBER_SBIOD_READ_NEXT(layer, buffer, length);
}

ber_slen_t CLdapSocketWatch::Write(Sockbuf_IO_Desc* layer, void* buffer, ber_len_t length) {
  auto* self = static_cast<CLdapSocketWatch*>(layer->sbiod_pvt);
  const int socket = Socket(layer);
  if (!self->Wait(socket, POLLOUT)) {
    errno = ETIMEDOUT;
    return -1;
  }
  // Straight to the socket, as the layer below would write, but with
  // MSG_NOSIGNAL: a server that has gone must not end the process.
  for (;;) {
    const ssize_t sent = send(socket, buffer, length, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    return sent;
  }
}

int CLdapSocketWatch::Setup(Sockbuf_IO_Desc* layer, void* self) {
  layer->sbiod_pvt = self;
  return 0;
}

int CLdapSocketWatch::Remove(Sockbuf_IO_Desc*) { return 0; }

int CLdapSocketWatch::Control(Sockbuf_IO_Desc* layer, int option, void* argument) {
  return LBER_SBIOD_CTRL_NEXT(layer, option, argument);
}

// The socket below closes itself.
int CLdapSocketWatch::Close(Sockbuf_IO_Desc*) { return 0; }
