// The auto-reset event of the service frame (service_frame.h): a flag that
// one Set raises and one Wait takes down again, over a mutex and a
// condition variable.
#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/base/synchapi.h"

class CAutoResetEvent {
 public:
  // Not signalled.
  CAutoResetEvent() = default;
  CAutoResetEvent(const CAutoResetEvent&) = delete;
  CAutoResetEvent& operator=(const CAutoResetEvent&) = delete;

  // Signals the event: one waiter (now or the next to come) is released.
  void Set();
  // Waits up to `milliseconds` (INFINITE: without limit) for the signal and
  // takes it: WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED once closed.
  DWORD Wait(DWORD milliseconds);
  // After Close, Set does nothing and Wait fails.
  void Close();

  // The default wait time of the event's owner.
  DWORD timeout = INFINITE;

 private:
  std::mutex lock;
  std::condition_variable signal;
  bool signalled = false;  // guarded by lock
  bool closed = false;     // guarded by lock
};
