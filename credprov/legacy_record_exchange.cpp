// The fixed-record session's record exchange, over the clients' shared
// transfer (RemoteSvr/common/record_client.h): every field enciphered as the
// protocol says, all 5148 bytes out, and one reply read with its magic and
// length checked, whatever pieces it comes in, within the time limit.
#include "credprov/legacy_pwd_reset_session.h"

bool CLegacyPwdResetSession::SendRecord(PwdResetRecord& record) {
  // The transfer's own texts name socket details the user has no use for;
  // the session's message says what failed.
  std::string detail;
  return SendRequest(socket.GetHandle(), record, detail) == 1;
}

bool CLegacyPwdResetSession::TransactRecord(PwdResetRecord& record) {
  std::string detail;
  if (SendRecord(record)) {
    WipeRecord(record);
    if (ReceiveReply(socket.GetHandle(), record, detail, replyTimeLimit) == 1) return true;
  }
  // Whatever of the exchange is still under way must not meet the next one.
  if (socket.GetHandle() != INVALID_SOCKET) socket.Close();
  return false;
}
