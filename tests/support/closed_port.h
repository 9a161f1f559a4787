// A loopback port that refuses every connection while the object lives,
// for the tests of what a client does when nobody listens.
#pragma once

#include <cstdint>

// A socket bound to 127.0.0.1 at a port of the kernel's choosing that never
// listens: a connect to it is refused. Without SO_REUSEADDR, so no other
// socket binds the port, and no bind to port 0 or outgoing connection is
// given it, until the object goes.
class ClosedPort {
 public:
  // A failure to bind fails the test (Port 0).
  ClosedPort();
  ~ClosedPort();
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;

  std::uint16_t Port() const { return port; }

 private:
  int holder = -1;
  std::uint16_t port = 0;
};
