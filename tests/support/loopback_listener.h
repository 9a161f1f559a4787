// A listening TCP socket of a test's own, on 127.0.0.1 (or another local
// address) at a free port unless one is asked for; it accepts nothing until
// asked. The peers that stand in for a service and the sockets' own tests
// build on it.
#pragma once

#include <cstdint>

#include "platform/winsock/winsock.h"

class LoopbackListener {
 public:
  // SO_REUSEADDR is set, so a fixed port that a test just used binds again.
  explicit LoopbackListener(const char* address = "127.0.0.1", std::uint16_t port = 0, int backlog = 4);
  ~LoopbackListener();
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  SOCKET Socket() const { return listener; }
  std::uint16_t Port() const { return port; }
  // Whether a client is waiting to be accepted, now.
  bool ClientWaiting() const;
  // The next connection; INVALID_SOCKET when none comes within
  // `milliseconds` (a bound so that a failing test ends, not one its
  // outcome depends on).
  SOCKET Accept(int milliseconds = 10000) const;
  // Closes the listener now (the destructor does it otherwise).
  void Close();

 private:
  SOCKET listener = INVALID_SOCKET;
  std::uint16_t port = 0;
};
