// Dialog item texts for the reset dialogs.
#include "gina/dialog_text.h"

#include "RemoteSvr/common/pwd_reset_record.h"
#include "gina/dialog_helpers.h"
#include "platform/base/wipe.h"

bool ItemTextBlank(HWND dialog, int id) {
  std::string text;
  GetDlgItemString(dialog, id, text);
  const bool blank = text.find_last_not_of(" \t\n\v\f\r") == std::string::npos;
  WipeString(text);
  return blank;
}

bool FitsRecordField(const std::string& text) { return text.size() <= FIELD_SIZE - 1; }
