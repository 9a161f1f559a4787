// CAutoResetEvent: set, wait with a time-out, close.
#include "RemoteSvr/auto_reset_event.h"

#include <chrono>

void CAutoResetEvent::Set() {
  {
    std::lock_guard<std::mutex> hold(lock);
    if (closed) return;
    signalled = true;
  }
  signal.notify_one();
}

DWORD CAutoResetEvent::Wait(DWORD milliseconds) {
  std::unique_lock<std::mutex> hold(lock);
  const auto ready = [this] { return signalled || closed; };
  if (milliseconds == INFINITE) {
    signal.wait(hold, ready);
  } else if (!signal.wait_for(hold, std::chrono::milliseconds(milliseconds), ready)) {
    return WAIT_TIMEOUT;
  }
  if (closed) return WAIT_FAILED;
  signalled = false;
  return WAIT_OBJECT_0;
}

void CAutoResetEvent::Close() {
  {
    std::lock_guard<std::mutex> hold(lock);
    closed = true;
  }
  signal.notify_all();
}
