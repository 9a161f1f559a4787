// libFuzzer target: the service's record receiver on bytes a peer sent. The
// input is the peer's whole stream: written into one end of a socket pair,
// which is then shut, and the service's request cycle reads the other end
// until the receiver ends the connection (nothing waits: every byte and the
// end of the stream are there before the first read).
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "RemoteSvr/common/pwd_reset_record.h"
#include "RemoteSvr/common/record_cipher.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/record_transfer.h"

namespace {

// The stream must fit the pair's buffers, or writing it would block before
// the service reads: -max_len keeps inputs far below this.
constexpr std::size_t kLargestStream = 64 * 1024;

bool SendAll(int socket, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

// Every text field read as the request handling reads it.
std::size_t ReadFields(const PwdResetRecord& record) {
  std::size_t total = RecordText(record.domain).size() + RecordText(record.userName).size() +
                      RecordText(record.newPassword).size() + RecordText(record.replyText).size();
  for (int k = 0; k < MAX_QUESTIONS; ++k) {
    total += RecordText(record.questions[k]).size() + RecordText(record.hints[k]).size() +
             RecordText(record.answers[k]).size();
  }
  return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kLargestStream) return 0;
  LogFile().debugLevel = 9;  // the trace lines are formatted (nothing is open to write them to)
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 0;
  const int peer = pair[0], service = pair[1];
  if (SendAll(peer, data, size) && ::shutdown(peer, SHUT_WR) == 0) {
    PwdResetRecord record;
    for (;;) {
      ClearRecord(record);
      if (!ReceiveRecord(service, record)) break;
      // A record is received only whole and with a good header.
      if (record.header.magic != MESSAGE_MAGIC || record.header.totalLength != RECORD_SIZE) __builtin_trap();
      DecipherRecordFields(record);
      if (ReadFields(record) > RECORD_SIZE) __builtin_trap();
      EncipherRecordFields(record);
      if (record.header.messageType <= REQUEST_UNLOCK_ACCOUNT && !SendReply(service, record)) break;
    }
    WipeRecord(record);
  }
  ::close(peer);
  ::close(service);
  return 0;
}
