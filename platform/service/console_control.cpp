// The console's break events: the signal pipe's reader thread calls the
// handlers.
#include "platform/service/console_control.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/service/signal_pipe.h"

namespace {

struct ConsoleHandlers {
  std::mutex lock;
  std::vector<PHANDLER_ROUTINE> handlers;  // in the order added
  bool watching = false;
};

ConsoleHandlers& Handlers() {
  // Never destroyed: the reader thread may run while the process exits.
  static ConsoleHandlers* const handlers = new ConsoleHandlers;
  return *handlers;
}

void DeliverEvents(int events) {
  for (;;) {
    unsigned char signal = 0;
    const ssize_t got = ::read(events, &signal, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    const DWORD event = signal == SIGQUIT ? CTRL_BREAK_EVENT : CTRL_C_EVENT;
    std::vector<PHANDLER_ROUTINE> handlers;
    {
      std::lock_guard<std::mutex> hold(Handlers().lock);
      handlers = Handlers().handlers;
    }
    const bool handled = std::any_of(handlers.rbegin(), handlers.rend(),
                                     [event](PHANDLER_ROUTINE handler) { return handler(event) != FALSE; });
    if (!handled) {
      UnwatchSignal(signal);
      ::raise(signal);
    }
  }
}

}  // namespace

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) {
  if (handler == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ConsoleHandlers& state = Handlers();
  std::lock_guard<std::mutex> hold(state.lock);
  if (!add) {
    const auto found = std::find(state.handlers.rbegin(), state.handlers.rend(), handler);
    if (found == state.handlers.rend()) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    state.handlers.erase(std::next(found).base());
    return TRUE;
  }
  if (!state.watching) {
    const int events = WatchSignals({SIGINT, SIGQUIT});
    if (events < 0) {
      SetLastErrorFromErrno();
      return FALSE;
    }
    std::thread(DeliverEvents, events).detach();
    state.watching = true;
  }
  state.handlers.push_back(handler);
  return TRUE;
}
