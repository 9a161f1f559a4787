// The signal handler that writes to a pipe, and the table of pipes by signal.
#include "platform/service/signal_pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace {

// Write ends by signal number; read by the handler, so lock-free atomics.
std::atomic<int> writeEnds[NSIG];
std::atomic<bool> tableReady{false};

void InitialiseTable() {
  static const bool done = [] {
    for (std::atomic<int>& end : writeEnds) end.store(-1);
    tableReady.store(true);
    return true;
  }();
  (void)done;
}

void OnSignal(int signal) {
  const int saved = errno;
  const int end = signal > 0 && signal < NSIG ? writeEnds[signal].load(std::memory_order_acquire) : -1;
  if (end >= 0) {
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(end, &byte, 1);
  }
  errno = saved;
}

}  // namespace

int WatchSignals(std::initializer_list<int> signals) {
  InitialiseTable();
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return -1;
  // Only the write end must never block: the handler cannot wait.
  ::fcntl(ends[1], F_SETFL, O_NONBLOCK);
  for (const int signal : signals) {
    writeEnds[signal].store(ends[1], std::memory_order_release);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  }
  return ends[0];
}

void UnwatchSignal(int signal) {
  InitialiseTable();
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal, &action, nullptr);
  // The write end stays open: a handler already running may still use it.
  writeEnds[signal].store(-1, std::memory_order_release);
}
