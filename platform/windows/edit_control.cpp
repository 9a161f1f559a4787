// The EDIT class: its text, its selection, and the notice to its parent
// when it takes the focus. No caret or scrolling is modelled; scrolling the
// caret into view always succeeds.
#include <algorithm>
#include <limits>

#include "platform/windows/window.h"
#include "platform/windows/window_table.h"

LRESULT EditControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
      WithWindowRecord(window, [](CWindowRecord& r) { r.selectionStart = r.selectionEnd = 0; });
      return result;
    }
    case EM_SETSEL: {
      // -1 as the start removes the selection; -1 as the end is the text's end.
      WithWindowRecord(window, [&](CWindowRecord& r) {
        const auto length = static_cast<DWORD>(r.text.size());
        const auto start = static_cast<std::intptr_t>(wParam);
        const auto end = static_cast<std::intptr_t>(lParam);
        if (start == -1) {
          r.selectionStart = r.selectionEnd = std::min<DWORD>(r.selectionEnd, length);
          return;
        }
        const DWORD from = start < 0 ? length : std::min<DWORD>(static_cast<DWORD>(start), length);
        const DWORD to = end < 0 ? length : std::min<DWORD>(static_cast<DWORD>(end), length);
        r.selectionStart = std::min(from, to);
        r.selectionEnd = std::max(from, to);
      });
      return 0;
    }
    case EM_GETSEL: {
      DWORD start = 0, end = 0;
      WithWindowRecord(window, [&](CWindowRecord& r) {
        start = r.selectionStart;
        end = r.selectionEnd;
      });
      if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = start;
      if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = end;
      if (start > std::numeric_limits<WORD>::max() || end > std::numeric_limits<WORD>::max()) return -1;
      return static_cast<LRESULT>(MAKELPARAM(static_cast<WORD>(start), static_cast<WORD>(end)));
    }
    case EM_SCROLLCARET:
      return TRUE;
    case WM_SETFOCUS: {
      const HWND parent = GetParent(window);
      if (parent != nullptr) {
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(window)), EN_SETFOCUS),
                     reinterpret_cast<LPARAM>(window));
      }
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
