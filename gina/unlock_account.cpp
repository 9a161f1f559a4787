// The unlock request of unlock mode, sent once every question was answered.
#include <string>

#include "RemoteSvr/common/record_client.h"
#include "gina/log_list.h"
#include "gina/reset_dialog_state.h"
#include "gina/reset_dialogs.h"
#include "gina/reset_record_client.h"
#include "platform/windows/message_box.h"

int DoUnlockAccount(HWND owner) {
  const CResetDialogState& state = ResetDialogState();
  PwdResetRecord record;
  BuildRequest(record, REQUEST_UNLOCK_ACCOUNT, state.domain, state.userName);
  if (!TransactRecord(state.logList, record)) {
    WipeRecord(record);
    return 0;
  }
  const std::string text = ReplyText(record);
  const bool unlocked = ReplySucceeded(record);
  WipeRecord(record);
  AddLogLine(state.logList, text);
  MessageBoxA(owner, text.c_str(), "Unlock Account", unlocked ? MB_ICONINFORMATION : MB_ICONERROR);
  return unlocked ? 1 : 0;
}
