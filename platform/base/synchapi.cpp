// Sleep over std::this_thread.
#include "platform/base/synchapi.h"

#include <chrono>
#include <thread>

void Sleep(DWORD milliseconds) {
  if (milliseconds == INFINITE) {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
