// Watches the connection of one libldap handle: where it went, and a
// deadline for every read and write on its socket. libldap bounds the TCP
// connect (LDAP_OPT_NETWORK_TIMEOUT) and the wait for a result
// (LDAP_OPT_TIMEOUT), but not the TLS handshake of ldaps, a write the
// server does not take or the rest of a message that stopped half-way: a
// server that stops answering holds those for ever. The watch puts a layer
// of its own between the socket and TLS, so every byte of the connection
// waits at most until the deadline its session set (ldap_session.h). Its
// writes go out with MSG_NOSIGNAL, so a server that has gone never ends the
// process with SIGPIPE.
#pragma once

#include <ldap.h>
#include <sys/socket.h>

#include <chrono>

class CLdapSocketWatch {
 public:
  CLdapSocketWatch() = default;
  CLdapSocketWatch(const CLdapSocketWatch&) = delete;
  CLdapSocketWatch& operator=(const CLdapSocketWatch&) = delete;

  // Watches the connections `ld` makes from now on, forgetting any earlier
  // handle's; the watch must outlive the handle. Outside a call (between
  // Stop and Start, as when a caller drives the handle itself) each wait
  // on its own ends after `idleSeconds`. Answers an LDAP option result.
  int Attach(LDAP* ld, int idleSeconds);

  // A call begins: every socket wait until Stop ends `seconds` from now,
  // and Expired() starts false again.
  void Start(int seconds);
  // The call has ended.
  void Stop() { limited = false; }
  // Whether a wait ran out since the last Start.
  bool Expired() const { return expired; }

  // Whether the handle holds a connection now.
  bool Connected() const { return fd >= 0; }
  // The address of the last connection made; a length of 0 before any.
  const sockaddr_storage& Peer() const { return peer; }
  socklen_t PeerLength() const { return peerLength; }

 private:
  static int OnConnect(LDAP* ld, Sockbuf* sb, LDAPURLDesc* srv, sockaddr* address, ldap_conncb* self);
  static void OnDisconnect(LDAP* ld, Sockbuf* sb, ldap_conncb* self);
  static ber_slen_t Read(Sockbuf_IO_Desc* layer, void* buffer, ber_len_t length);
  static ber_slen_t Write(Sockbuf_IO_Desc* layer, void* buffer, ber_len_t length);
  static int Setup(Sockbuf_IO_Desc* layer, void* self);
  static int Remove(Sockbuf_IO_Desc* layer);
  static int Control(Sockbuf_IO_Desc* layer, int option, void* argument);
  static int Close(Sockbuf_IO_Desc* layer);
  static const Sockbuf_IO kLayer;

  // The connection's socket, seen from one of its layers.
  static int Socket(Sockbuf_IO_Desc* layer);
  // Waits for `events` on `socket` until the deadline; false (and
  // Expired()) when it runs out first.
  bool Wait(int socket, short events);

  ldap_conncb callbacks{};
  int fd = -1;
  std::chrono::steady_clock::time_point deadline{};
  bool limited = false;  // within a call: `deadline` holds
  std::chrono::seconds idleLimit{0};
  bool expired = false;
  sockaddr_storage peer{};
  socklen_t peerLength = 0;
};
