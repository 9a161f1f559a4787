// The BUTTON class: a push button tells its parent of a click
// (BN_CLICKED) unless it is disabled. Its other messages are any window's.
#include "platform/windows/window.h"
#include "platform/windows/window_table.h"

LRESULT ButtonControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == BM_CLICK) {
    const HWND parent = GetParent(window);
    if (parent != nullptr && IsWindowEnabled(window)) {
      SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(window)), BN_CLICKED),
                   reinterpret_cast<LPARAM>(window));
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
