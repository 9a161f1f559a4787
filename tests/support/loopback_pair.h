// A connected pair of real loopback TCP sockets, with the listener they came
// from kept open while the pair lives. Small writes leave as segments of
// their own (TCP_NODELAY on both ends).
#pragma once

#include "platform/winsock/winsock.h"
#include "tests/support/loopback_listener.h"

struct LoopbackPair {
  LoopbackListener listener;
  SOCKET client = INVALID_SOCKET;  // the requesting side
  SOCKET server = INVALID_SOCKET;  // the accepted side

  LoopbackPair();
  ~LoopbackPair();
  LoopbackPair(const LoopbackPair&) = delete;
  LoopbackPair& operator=(const LoopbackPair&) = delete;

  void CloseClient();
  void CloseServer();
};
