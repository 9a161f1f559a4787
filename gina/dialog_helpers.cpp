// CentreDialog and GetDlgItemString.
#include "gina/dialog_helpers.h"

#include "platform/windows/window.h"

void CentreDialog(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  LONG areaWidth = 0, areaHeight = 0;
  if ((static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & WS_CHILD) != 0) {
    HWND parent = GetParent(window);
    if (parent == nullptr) parent = GetDesktopWindow();
    RECT area{};
    GetWindowRect(parent, &area);
    areaWidth = area.right - area.left;
    areaHeight = area.bottom - area.top;
  } else {
    areaWidth = GetSystemMetrics(SM_CXSCREEN);
    areaHeight = GetSystemMetrics(SM_CYSCREEN);
  }
  const LONG x = (areaWidth - (rect.right - rect.left)) / 2;
  const LONG y = (areaHeight - (rect.bottom - rect.top)) / 3;
  SetWindowPos(window, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE);
  SetForegroundWindow(window);
}

void GetDlgItemString(HWND dialog, int id, std::string& text) {
  text.clear();
  const HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) return;
  // Room for the whole text: a password is never cut short for the check.
  const int length = GetWindowTextLengthA(item);
  if (length <= 0) return;
  // Read straight into the string, so no other copy of a password is left.
  text.resize(static_cast<std::size_t>(length) + 1);
  const int copied = GetDlgItemTextA(dialog, id, text.data(), static_cast<int>(text.size()));
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
}
