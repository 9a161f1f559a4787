// Load generator for the reset service: clients on loopback sending lookups
// to the server (in this process, or a running service with --port), with
// lookups per second and latency percentiles for 1, 16 and 256 connections
// against a question file of 100,000 users, beside the time of reading and
// splitting that file once and of a bare read of it (one lookup against the
// bare read, and the many-connection rates against eight cores' worth of
// bare reads, as ratios); then requests per second with 64 connections
// against a small file, beside the cipher-bound rate of the record protocol
// (decipher a request and encipher its reply on every core, as
// RemoteSvr/common/bench measures it). With --resets, instead: password
// resets per second through each path against the fixture domain
// controller, with 1 and 8 connections (reset_load.h; run it with
// bench/reset_benchmark.sh).
//
//   remotesvr_load_generator [--seconds S] [--port P --file PATH]
//   remotesvr_load_generator --resets [--seconds S]
//
// With --port the service must already read PATH as its question file. The
// exit status is 1 when a figure misses its bound: one lookup within twice
// the read-and-split time, and the small-file rate at least half the
// cipher-bound one.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "RemoteSvr/bench/loopback_client.h"
#include "RemoteSvr/bench/reset_load.h"
#include "RemoteSvr/common/record_cipher.h"
#include "RemoteSvr/common/record_client.h"
#include "RemoteSvr/common/split_string.h"
#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/pwd_reset_server.h"
#include "platform/base/text_file.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr int kLargeUsers = 100000;
constexpr int kQuestionsEach = 3;
constexpr int kSmallUsers = 10;

struct COptions {
  double seconds = 2.0;
  int port = 0;
  std::string file;
  bool resets = false;
};

std::string UserName(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "user%06d", n);
  return text;
}

void WriteQuestionFile(const std::string& path, int users) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "ANSWER_QUESTIONS 3\nDOMAIN_ALIAS CORP corp.example.org\n";
  for (int u = 0; u < users; ++u) {
    const std::string name = UserName(u);
    for (int q = 0; q < kQuestionsEach; ++q) {
      out << "corp.example.org\\" << name << "\tWhat is question " << q << " of " << name << "?\tanswer-" << q
          << "-" << name << "\thint " << q << "\n";
    }
  }
}

// The file read and split as a lookup needs it, once: lines, then fields.
double ReadAndSplitSeconds(const std::string& path) {
  double best = 1e9;
  for (int rep = 0; rep < 5; ++rep) {
    const auto start = Clock::now();
    std::string content;
    ReadTextFile(path, content);
    std::vector<std::string> fields;
    std::size_t count = 0;
    ForEachLine(content, [&](std::string_view line) {
      SplitString(line, '\t', fields);
      count += fields.size();
    });
    const double took = Seconds(Clock::now() - start).count();
    if (count == 0) std::fprintf(stderr, "empty file %s\n", path.c_str());
    best = std::min(best, took);
  }
  return best;
}

// The file read once and nothing more: plain reads into one piece of 64 KiB
// from the page cache, the least any reading of it costs.
double BareReadSeconds(const std::string& path) {
  double best = 1e9;
  std::vector<char> piece(1 << 16);
  for (int rep = 0; rep < 20; ++rep) {
    const auto start = Clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t total = 0;
    for (ssize_t n; (n = ::read(fd, piece.data(), piece.size())) > 0;) total += static_cast<std::size_t>(n);
    ::close(fd);
    const double took = Seconds(Clock::now() - start).count();
    if (total == 0) std::fprintf(stderr, "empty file %s\n", path.c_str());
    best = std::min(best, took);
  }
  return best;
}

bool SendAll(SOCKET s, const char* bytes, int length) {
  for (int sent = 0; sent < length;) {
    const int n = winsock::send(s, bytes + sent, length - sent, 0);
    if (n <= 0) return false;
    sent += n;
  }
  return true;
}

bool ReceiveAll(SOCKET s, char* bytes, int length) { return winsock::recv(s, bytes, length, MSG_WAITALL) == length; }

struct CRunResult {
  std::vector<double> latencies;  // seconds, all connections
  double seconds = 0;
  bool failed = false;
};

// `connections` clients, each sending lookups of random users back to back
// for `seconds`. The requests are enciphered once per user beforehand, and
// replies are read whole but not deciphered, so the clients cost the
// service's machine as little as they can.
CRunResult RunLookups(int port, int connections, double seconds, int users) {
  const int prepared = std::min(users, 4096);
  std::vector<PwdResetRecord> requests(static_cast<std::size_t>(prepared));
  std::mt19937 pick(12345);
  for (auto& request : requests) {
    BuildRequest(request, REQUEST_LOOKUP_USER, "CORP", UserName(static_cast<int>(pick() % static_cast<unsigned>(users))));
    EncipherRecordFields(request);
  }
  std::vector<CRunResult> results(static_cast<std::size_t>(connections));
  std::atomic<int> ready{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int c = 0; c < connections; ++c) {
    threads.emplace_back([&, c] {
      CRunResult& mine = results[static_cast<std::size_t>(c)];
      const SOCKET s = ConnectToLoopback(port);
      ++ready;
      while (!go.load()) std::this_thread::yield();
      if (s == INVALID_SOCKET) {
        mine.failed = true;
        return;
      }
      PwdResetRecord reply;
      std::size_t next = static_cast<std::size_t>(c) * 7919;
      const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(Seconds(seconds));
      while (Clock::now() < end) {
        const PwdResetRecord& request = requests[next++ % requests.size()];
        const auto start = Clock::now();
        if (!SendAll(s, reinterpret_cast<const char*>(&request), RECORD_SIZE) ||
            !ReceiveAll(s, reinterpret_cast<char*>(&reply), RECORD_SIZE) || reply.result != RESULT_SUCCESS) {
          mine.failed = true;
          break;
        }
        mine.latencies.push_back(Seconds(Clock::now() - start).count());
      }
      closesocket(s);
    });
  }
  while (ready.load() < connections) std::this_thread::yield();
  const auto start = Clock::now();
  go = true;
  for (auto& thread : threads) thread.join();
  CRunResult all;
  all.seconds = Seconds(Clock::now() - start).count();
  for (const CRunResult& one : results) {
    all.failed = all.failed || one.failed;
    all.latencies.insert(all.latencies.end(), one.latencies.begin(), one.latencies.end());
  }
  std::sort(all.latencies.begin(), all.latencies.end());
  return all;
}

double Percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  const auto at = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1));
  return sorted[at];
}

// The record protocol's cipher-bound rate: decipher a request and encipher
// its reply, a fresh key schedule each, on every core at once.
double CipherBoundPerSecond(double seconds) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  std::vector<long> counts(cores, 0);
  std::vector<std::thread> threads;
  const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(Seconds(seconds));
  for (unsigned t = 0; t < cores; ++t) {
    threads.emplace_back([&, t] {
      PwdResetRecord record;
      BuildRequest(record, REQUEST_LOOKUP_USER, "CORP.EXAMPLE.ORG", "j.doe");
      for (int i = 0; i < MAX_QUESTIONS; ++i) {
        SetRecordText(record.questions[i], "What was the name of your first school?");
        SetRecordText(record.answers[i], "md5:0190-9850-D23C-B04F-96D6-7D3F-E128-727F");
      }
      EncipherRecordFields(record);
      long done = 0;
      while (Clock::now() < end) {
        DecipherRecordFields(record);
        EncipherRecordFields(record);
        ++done;
      }
      counts[t] = done;
    });
  }
  for (auto& thread : threads) thread.join();
  long total = 0;
  for (const long c : counts) total += c;
  return static_cast<double>(total) / seconds;
}

void PrintRun(const char* label, int connections, const CRunResult& run) {
  const double rate = static_cast<double>(run.latencies.size()) / run.seconds;
  std::printf("%-22s %4d connections: %9.1f lookups/s   latency ms p50 %8.3f  p90 %8.3f  p99 %8.3f  max %8.3f%s\n",
              label, connections, rate, 1e3 * Percentile(run.latencies, 0.50), 1e3 * Percentile(run.latencies, 0.90),
              1e3 * Percentile(run.latencies, 0.99), run.latencies.empty() ? 0.0 : 1e3 * run.latencies.back(),
              run.failed ? "   (a client failed)" : "");
}

COptions ParseOptions(int argc, char** argv) {
  COptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--resets") {
      options.resets = true;
      continue;
    }
    if (i + 1 == argc) break;
    if (name == "--seconds") options.seconds = std::atof(argv[i + 1]);
    if (name == "--port") options.port = std::atoi(argv[i + 1]);
    if (name == "--file") options.file = argv[i + 1];
    ++i;
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  const COptions options = ParseOptions(argc, argv);
  if (options.resets) return RunResetLoad(options.seconds) ? 0 : 1;
  std::string folder = (fs::temp_directory_path() / "varnok-load-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return 2;
  fs::create_directories(folder + "/data");
  const std::string questionFile = options.port != 0 ? options.file : folder + "/data/Pellucor.txt";
  if (questionFile.empty()) {
    std::fprintf(stderr, "--port needs --file, the question file the service reads\n");
    return 2;
  }
  std::ofstream(folder + "/registry.reg", std::ios::binary)
      << "Windows Registry Editor Version 5.00\r\n\r\n"
         "[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Varnok Password Reset]\r\n\"DatabasePath\"=\""
      << folder << "/data\"\r\n";
  setenv("VARNOK_REGISTRY", (folder + "/registry.reg").c_str(), 1);
  setenv("VARNOK_SYSTEM_DIR", folder.c_str(), 1);

  WriteQuestionFile(questionFile, kLargeUsers);
  const double readAndSplit = ReadAndSplitSeconds(questionFile);
  std::printf("question file: %d users, %d lines, %.1f MB\n", kLargeUsers, kLargeUsers * kQuestionsEach + 2,
              static_cast<double>(fs::file_size(questionFile)) / 1e6);
  const double bareRead = BareReadSeconds(questionFile);
  std::printf("read and split once: %.3f ms; bare read once: %.3f ms\n\n", 1e3 * readAndSplit, 1e3 * bareRead);

  std::unique_ptr<CPwdResetServer> server;
  int port = options.port;
  if (port == 0) {
    CDatabaseSettings::Instance().Initialise();
    server = std::make_unique<CPwdResetServer>(0);
    if (!server->Start()) {
      std::fprintf(stderr, "the server did not start\n");
      return 2;
    }
    port = server->LocalPort();
  }

  bool withinBounds = true;
  double oneLookup = 0;
  // Eight cores each reading the file back to back: what many connections
  // could reach at best.
  const unsigned cores = 8;
  const double readsPerSecond = cores / bareRead;
  for (const int connections : {1, 16, 256}) {
    const CRunResult run = RunLookups(port, connections, options.seconds, kLargeUsers);
    PrintRun("100,000 users", connections, run);
    withinBounds = withinBounds && !run.failed;
    if (connections == 1) oneLookup = Percentile(run.latencies, 0.50);
    if (connections > 1) {
      const double rate = static_cast<double>(run.latencies.size()) / run.seconds;
      std::printf("%-22s %4d connections: %.2f of %u cores' worth of bare reads (%.0f/s; goal: near 1)\n", "", connections,
                  rate / readsPerSecond, cores, readsPerSecond);
    }
  }
  const bool lookupBound = oneLookup <= 2 * readAndSplit;
  std::printf("\none lookup (p50, 1 connection) %.3f ms; twice the read and split %.3f ms: %s\n", 1e3 * oneLookup,
              2e3 * readAndSplit, lookupBound ? "within" : "OVER");
  std::printf("one lookup / bare read = %.2f (goal: at most 2.5)\n\n", oneLookup / bareRead);

  WriteQuestionFile(questionFile, kSmallUsers);
  const CRunResult small = RunLookups(port, 64, options.seconds, kSmallUsers);
  PrintRun("10 users", 64, small);
  const double smallRate = static_cast<double>(small.latencies.size()) / small.seconds;
  const double cipherBound = CipherBoundPerSecond(options.seconds);
  const bool rateBound = smallRate >= 0.5 * cipherBound;
  std::printf("cipher-bound (decipher + encipher per request, %u cores): %.1f requests/s\n",
              std::max(1u, std::thread::hardware_concurrency()), cipherBound);
  std::printf("small file, 64 connections: %.1f requests/s = %.0f%% of the cipher-bound rate (at least 50%%): %s\n",
              smallRate, 100.0 * smallRate / cipherBound, rateBound ? "within" : "UNDER");

  server.reset();
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return withinBounds && lookupBound && rateBound && !small.failed ? 0 : 1;
}
