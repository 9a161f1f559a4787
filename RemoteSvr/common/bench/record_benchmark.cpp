// Benchmarks of the record protocol: the field cipher (decipher a request and
// encipher its reply, a fresh key schedule each, as the service does per
// request) on one core and on all, which bounds the service's request rate;
// and request/reply round trips over loopback through the service's own
// receive and send code, beside a plain echo of the same record.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/tcp.h>

#include <thread>

#include "RemoteSvr/common/record_cipher.h"
#include "RemoteSvr/common/record_client.h"
#include "RemoteSvr/record_transfer.h"
#include "platform/winsock/winsock.h"

namespace {

PwdResetRecord SampleRequest() {
  PwdResetRecord record;
  BuildRequest(record, REQUEST_LOOKUP_USER, "CORP.EXAMPLE.ORG", "j.doe");
  for (int i = 0; i < MAX_QUESTIONS; ++i) {
    SetRecordText(record.questions[i], "What was the name of your first school?");
    SetRecordText(record.hints[i], "primary");
    SetRecordText(record.answers[i], "md5:0190-9850-D23C-B04F-96D6-7D3F-E128-727F");
  }
  EncipherRecordFields(record);
  return record;
}

void BM_DecipherAndEncipherRecord(benchmark::State& state) {
  PwdResetRecord record = SampleRequest();
  for (auto _ : state) {
    DecipherRecordFields(record);
    EncipherRecordFields(record);
    benchmark::DoNotOptimize(record);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecipherAndEncipherRecord)
    ->Threads(1)
    ->Threads(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())))
    ->UseRealTime();

// ---------------------------------------------------------------------------
// Loopback servers: one thread per accepted connection, as the service runs.

bool SendAll(SOCKET s, const char* bytes, int length) {
  int sent = 0;
  while (sent < length) {
    const int count = winsock::send(s, bytes + sent, length - sent, 0);
    if (count <= 0) return false;
    sent += count;
  }
  return true;
}

bool ReceiveAll(SOCKET s, char* bytes, int length) {
  return winsock::recv(s, bytes, length, MSG_WAITALL) == length;
}

void ServeWithServiceCode(SOCKET s) {
  PwdResetRecord record;
  while (ReceiveRecord(s, record) == 1 && SendReply(s, record) == 1) {
  }
  closesocket(s);
}

void ServeWithPlainEcho(SOCKET s) {
  PwdResetRecord record;
  char* const bytes = reinterpret_cast<char*>(&record);
  while (ReceiveAll(s, bytes, RECORD_SIZE) && SendAll(s, bytes, RECORD_SIZE)) {
  }
  closesocket(s);
}

void SetNoDelay(SOCKET s) {
  const int on = 1;
  winsock::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof(on));
}

// Listens on a free loopback port for the life of the program.
class LoopbackServer {
 public:
  explicit LoopbackServer(void (*serve)(SOCKET)) {
    listener = winsock::socket(AF_INET, SOCK_STREAM, 0);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    winsock::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    winsock::listen(listener, 256);
    int length = sizeof(address);
    winsock::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::thread([this, serve] {
      for (;;) {
        const SOCKET s = winsock::accept(listener, nullptr, nullptr);
        if (s == INVALID_SOCKET) return;
        SetNoDelay(s);
        std::thread(serve, s).detach();
      }
    }).detach();
  }

  SOCKET Connect() const {
    const SOCKET s = winsock::socket(AF_INET, SOCK_STREAM, 0);
    winsock::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    SetNoDelay(s);
    return s;
  }

 private:
  SOCKET listener = INVALID_SOCKET;
  sockaddr_in address{};
};

const LoopbackServer& ServiceServer() {
  static const LoopbackServer* const server = new LoopbackServer(ServeWithServiceCode);
  return *server;
}

const LoopbackServer& EchoServer() {
  static const LoopbackServer* const server = new LoopbackServer(ServeWithPlainEcho);
  return *server;
}

// Each benchmark thread is one client connection doing request/reply cycles.
void RoundTrips(benchmark::State& state, const LoopbackServer& server) {
  const SOCKET s = server.Connect();
  PwdResetRecord record = SampleRequest();
  char* const bytes = reinterpret_cast<char*>(&record);
  for (auto _ : state) {
    if (!SendAll(s, bytes, RECORD_SIZE) || !ReceiveAll(s, bytes, RECORD_SIZE)) {
      state.SkipWithError("transfer failed");
      break;
    }
  }
  closesocket(s);
  state.SetItemsProcessed(state.iterations());
}

void BM_RoundTripServiceCode(benchmark::State& state) { RoundTrips(state, ServiceServer()); }
void BM_RoundTripPlainEcho(benchmark::State& state) { RoundTrips(state, EchoServer()); }

BENCHMARK(BM_RoundTripServiceCode)->Threads(1)->Threads(64)->UseRealTime();
BENCHMARK(BM_RoundTripPlainEcho)->Threads(1)->Threads(64)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
