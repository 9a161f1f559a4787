// port_churn: a stranger in the tests' network that keeps taking and
// giving up loopback ports, as the in-process servers of other tests do:
// bind to 127.0.0.1 port 0 and listen, a window of the newest listeners
// held, the oldest closed (with whatever connected to it: the client sees
// a reset). Run beside the suite to show which tests race on ports:
//
//   port_churn [SECONDS [HELD [PAUSE_MICROSECONDS]]]   (600, 300, 100)
//
// Bounded in time (at most an hour) and in the listeners held (at most
// 900); SIGTERM or SIGINT ends it early. Prints how many ports it took.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <thread>

namespace {

constexpr long kMostSeconds = 3600;
constexpr long kMostHeld = 900;

volatile std::sig_atomic_t stopAsked = 0;
void AskStop(int) { stopAsked = 1; }

long Argument(int argc, char** argv, int index, long fallback, long most) {
  if (argc <= index) return fallback;
  char* end = nullptr;
  const long value = std::strtol(argv[index], &end, 10);
  if (end == argv[index] || *end != '\0' || value < 0) {
    std::fprintf(stderr, "port_churn: not a count: %s\n", argv[index]);
    std::exit(2);
  }
  return std::min(value, most);
}

// A listener on a loopback port of the kernel's choosing; -1 when none.
int TakePort() {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(s, 16) != 0) {
    close(s);
    return -1;
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const long seconds = Argument(argc, argv, 1, 600, kMostSeconds);
  const auto held = static_cast<std::size_t>(std::max(1L, Argument(argc, argv, 2, 300, kMostHeld)));
  const auto pause = std::chrono::microseconds(Argument(argc, argv, 3, 100, 1000000));
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::seconds(seconds);
  std::signal(SIGTERM, AskStop);
  std::signal(SIGINT, AskStop);
  std::deque<int> listeners;
  unsigned long taken = 0;
  unsigned long failed = 0;
  while (stopAsked == 0 && std::chrono::steady_clock::now() < deadline) {
    const int s = TakePort();
    if (s >= 0) {
      ++taken;
      listeners.push_back(s);
    } else {
      ++failed;
    }
    // A bind that failed (no descriptor or port left) gives one back too.
    if (!listeners.empty() && (listeners.size() > held || s < 0)) {
      close(listeners.front());
      listeners.pop_front();
    }
    std::this_thread::sleep_for(pause);
  }
  for (const int s : listeners) close(s);
  const auto ran = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
  std::printf("port_churn: %lu ports taken, %lu binds failed, in %ld s\n", taken, failed,
              static_cast<long>(ran.count()));
  return 0;
}
