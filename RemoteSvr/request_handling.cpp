// The request loop of one connection: receive a record, decipher it, serve
// its code, encipher and send the reply (codes 0 to 2 only). The record
// buffer is wiped when the connection ends, since it held passwords and
// answers, also when an exception ends it (the connection's thread catches
// that).
#include "RemoteSvr/request_handling.h"

#include "RemoteSvr/common/record_cipher.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/pwd_reset_connection.h"
#include "RemoteSvr/question_file.h"
#include "RemoteSvr/record_transfer.h"
#include "platform/base/wipe.h"

std::string UserKey(std::string_view domain, std::string_view userName) {
  std::string key(domain);
  key += '\\';
  key.append(userName);
  return key;
}

bool HasInvalidUser(const PwdResetRecord& record) {
  return HasLineBreakOrTab(RecordText(record.domain)) || HasLineBreakOrTab(RecordText(record.userName));
}

void SetReplyText(PwdResetRecord& record, std::string_view text) { SetRecordText(record.replyText, text); }

void WipeSecretFields(PwdResetRecord& record) {
  WipeBytes(record.newPassword, sizeof record.newPassword);
  WipeBytes(record.questions, sizeof record.questions);
  WipeBytes(record.hints, sizeof record.hints);
  WipeBytes(record.answers, sizeof record.answers);
}

namespace {

// The record buffer is wiped however the loop ends, an exception included.
struct CRecordWipe {
  PwdResetRecord& record;
  ~CRecordWipe() { WipeRecord(record); }
};

}  // namespace

void CPwdResetConnection::HandleRequests() {
  PwdResetRecord record;
  const CRecordWipe wipe{record};
  for (;;) {
    LogFile().Reopen();
    ClearRecord(record);
    if (!ReceiveRecord(socket, record)) break;
    DecipherRecordFields(record);
    const std::uint32_t code = record.header.messageType;
    switch (code) {
      case REQUEST_LOOKUP_USER:
        LookupUser(record);
        break;
      case REQUEST_SET_PASSWORD:
        SetPassword(record);
        break;
      case REQUEST_UNLOCK_ACCOUNT:
        UnlockAccount(record);
        break;
      case REQUEST_FAILURE_NOTIFICATION:
        FailureNotification(record);
        break;
      default:
        break;
    }
    EncipherRecordFields(record);
    if (code <= REQUEST_UNLOCK_ACCOUNT && !SendReply(socket, record)) break;
  }
}
