// A port for a server program that a test starts with the number given to
// it (Pellucor reads it from its token file), or for one number a test binds
// on two addresses, and whether a process listens on it. A server in the
// test's own process binds port 0 and keeps its socket instead
// (loopback_listener.h); a port that refuses connections is closed_port.h.
#pragma once

#include <sys/types.h>

#include <cstdint>

// Outside the kernel's ephemeral range, so no bind to port 0 and no outgoing
// connection takes it; claimed under a name of its own in the network's
// abstract socket space while the object lives, so no other test picks it.
// A program of another kind may still have bound it, which the program's
// failed start shows: Next gives the port up for another.
class ServicePort {
 public:
  // The first free port from a random start; none fails the test (Port 0).
  ServicePort();
  ~ServicePort();
  ServicePort(const ServicePort&) = delete;
  ServicePort& operator=(const ServicePort&) = delete;

  std::uint16_t Port() const { return port; }
  // Claims the next free port after this one, then gives this one up.
  void Next();

 private:
  // Claims the first free port after `after` (wrapping around the range).
  bool ClaimAfter(std::uint16_t after);

  int claim = -1;
  std::uint16_t port = 0;
};

// Whether `pid` holds a TCP socket that listens on `port` (any local
// address), as /proc shows it: the listener is that process's, not a
// stranger's that answers on the same number.
bool ProcessListensOn(pid_t pid, std::uint16_t port);
