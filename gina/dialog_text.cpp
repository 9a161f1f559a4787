// Dialog item texts for the reset dialogs.
#include "gina/dialog_text.h"

#include "RemoteSvr/common/pwd_reset_record.h"
#include "platform/base/wipe.h"

std::string ReadItemText(HWND dialog, int id) {
  const HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) return std::string();
  const int length = GetWindowTextLengthA(item);
  if (length <= 0) return std::string();
  // Read into storage of the final size, so no shorter copy is left behind.
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetDlgItemTextA(dialog, id, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

bool ItemTextBlank(HWND dialog, int id) {
  std::string text = ReadItemText(dialog, id);
  const bool blank = text.find_last_not_of(" \t\n\v\f\r") == std::string::npos;
  WipeString(text);
  return blank;
}

bool FitsRecordField(const std::string& text) { return text.size() <= FIELD_SIZE - 1; }
