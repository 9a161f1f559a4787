// Receiving requests and sending replies, with the service's log and trace
// lines.
#include "RemoteSvr/record_transfer.h"

#include "RemoteSvr/common/wsa_error_text.h"
#include "RemoteSvr/log_file.h"

namespace {

constexpr int kHeaderBytes = static_cast<int>(HEADER_SIZE);
constexpr std::int32_t kTransferTraceLevel = 9;

void TracePeekFailure() {
  const CWsaErrorText error(WSAGetLastError());
  LogFile().Trace(kTransferTraceLevel, "Error peeking %d bytes - %s", kHeaderBytes, error.text.c_str());
}

}  // namespace

int ReceiveRecord(SOCKET s, PwdResetRecord& record, std::chrono::milliseconds limit) {
  char* const bytes = reinterpret_cast<char*>(&record);
  bool begun = false;
  TransferClock::time_point deadline{};
  for (int attempt = 0; attempt < MAX_TRANSFER_CALLS; ++attempt) {
    if (!begun) {
      // Idle connections may wait for ever; the clock starts with the first byte.
      if (WaitReadable(s) == SOCKET_ERROR) {
        TracePeekFailure();
        return 0;
      }
      begun = true;
      deadline = TransferClock::now() + limit;
    }
    const int peeked = PeekFull(s, bytes, kHeaderBytes, deadline);
    if (peeked == SOCKET_ERROR || peeked == 0) {
      TracePeekFailure();
      return 0;
    }
    if (peeked < kHeaderBytes) continue;
    if (record.header.magic != MESSAGE_MAGIC) {
      LogFile().Log("Invalid message received, header mask %08X", static_cast<unsigned>(record.header.magic));
      continue;
    }
    if (record.header.totalLength != RECORD_SIZE) {
      LogFile().Log("Invalid message received, header size %d", static_cast<int>(record.header.totalLength));
      continue;
    }
    // The whole record, header included, however many pieces it comes in.
    return ReceiveFull(s, bytes, static_cast<int>(RECORD_SIZE), deadline) == static_cast<int>(RECORD_SIZE) ? 1 : 0;
  }
  return 0;
}

int SendReply(SOCKET s, PwdResetRecord& record) {
  record.header.totalLength = RECORD_SIZE;
  const char* const bytes = reinterpret_cast<const char*>(&record);
  std::uint32_t sent = 0;
  for (int call = 0; call < MAX_TRANSFER_CALLS && sent < RECORD_SIZE; ++call) {
    const std::uint32_t remaining = RECORD_SIZE - sent;
    const int count = winsock::send(s, bytes + sent, static_cast<int>(remaining), 0);
    if (count == SOCKET_ERROR) {
      LogFile().Trace(kTransferTraceLevel, "Error sending %u bytes to socket %u", static_cast<unsigned>(remaining),
                      static_cast<unsigned>(s));
      return 0;
    }
    sent += static_cast<std::uint32_t>(count);
  }
  if (sent < RECORD_SIZE) {
    const CWsaErrorText error(WSAGetLastError());
    LogFile().Trace(kTransferTraceLevel, "Failed to send %u bytes to socket %u: %s", static_cast<unsigned>(RECORD_SIZE),
                    static_cast<unsigned>(s), error.text.c_str());
    return 0;
  }
  return 1;
}
