// The notify socket a service reports its state to, read as systemd reads
// it: a datagram socket at a path of the test's own that NOTIFY_SOCKET names
// while the object lives.
#pragma once

#include <chrono>
#include <string>

class NotifySocket {
 public:
  // Binds at `path` and points NOTIFY_SOCKET at it; a failure fails the test.
  explicit NotifySocket(const std::string& path);
  // Closes it and unsets NOTIFY_SOCKET.
  ~NotifySocket();
  NotifySocket(const NotifySocket&) = delete;
  NotifySocket& operator=(const NotifySocket&) = delete;

  bool Bound() const { return bound; }
  // The next datagram; "" when none comes within `patience`.
  std::string NextNotice(std::chrono::milliseconds patience) const;

 private:
  int socket = -1;
  bool bound = false;
};
