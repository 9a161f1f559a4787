// The A calls of windows: UTF-8 (the ANSI code page) in and out, the
// records' UTF-16 inside. A copy into a caller's buffer keeps at most
// size - 1 bytes, cut on a character boundary, and a zero. The converted
// copies of a window's text are wiped: it may be a password.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/text.h"
#include "platform/base/wipe.h"
#include "platform/windows/window.h"

namespace {

std::u16string Wide(LPCSTR text) { return text != nullptr ? Utf8ToUtf16(text) : std::u16string(); }

// Copies `text` into `buffer` of `size` bytes; the bytes copied.
int CopyOut(const std::string& text, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  const std::size_t count = Utf8CutPoint(text, static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), count);
  buffer[count] = 0;
  return static_cast<int>(count);
}

std::string WindowTextUtf8(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  CWipeOnExit<char16_t> wipeText(text);
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return Utf16ToUtf8(text);
}

// Line `index` of a list or combo box through its wide messages; nothing
// when there is no such line.
std::optional<std::string> LineUtf8(HWND window, UINT lengthMessage, UINT textMessage, WPARAM index) {
  const LRESULT length = SendMessageW(window, lengthMessage, index, 0);
  if (length < 0) return std::nullopt;
  std::u16string line(static_cast<std::size_t>(length) + 1, u'\0');
  const LRESULT copied = SendMessageW(window, textMessage, index, reinterpret_cast<LPARAM>(line.data()));
  if (copied < 0) return std::nullopt;
  line.resize(static_cast<std::size_t>(std::min(copied, length)));
  return Utf16ToUtf8(line);
}

}  // namespace

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, std::intptr_t menuOrId, HINSTANCE instance, void* param) {
  if (className == nullptr || IS_INTRESOURCE(className)) {
    return CreateWindowExW(exStyle, reinterpret_cast<LPCWSTR>(className), nullptr, style, x, y, width, height,
                           parent, menuOrId, instance, param);
  }
  const std::u16string wideClass = Wide(className);
  const std::u16string wideName = Wide(windowName);
  return CreateWindowExW(exStyle, wideClass.c_str(), windowName != nullptr ? wideName.c_str() : nullptr, style, x, y,
                         width, height, parent, menuOrId, instance, param);
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
  std::u16string wide = Wide(text);
  CWipeOnExit<char16_t> wipeWide(wide);
  return SetWindowTextW(window, wide.c_str());
}

int GetWindowTextA(HWND window, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  std::string text = WindowTextUtf8(window);
  CWipeOnExit<char> wipeText(text);
  return CopyOut(text, buffer, size);
}

int GetWindowTextLengthA(HWND window) {
  std::string text = WindowTextUtf8(window);
  CWipeOnExit<char> wipeText(text);
  return static_cast<int>(text.size());
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int size) {
  const HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) {
    if (buffer != nullptr && size > 0) buffer[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowTextA(item, buffer, size));
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? SetWindowTextA(item, text) : FALSE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT:
    case LB_ADDSTRING:
    case CB_ADDSTRING:
    case CB_FINDSTRINGEXACT: {
      if (lParam == 0) return SendMessageW(window, message, wParam, 0);
      std::u16string wide = Wide(reinterpret_cast<LPCSTR>(lParam));
      CWipeOnExit<char16_t> wipeWide(wide);
      return SendMessageW(window, message, wParam, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    case WM_GETTEXT:
      return GetWindowTextA(window, reinterpret_cast<LPSTR>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
      return GetWindowTextLengthA(window);
    case LB_GETTEXT:
    case CB_GETLBTEXT: {
      // The caller's buffer is as long as the matching length message said.
      const bool list = message == LB_GETTEXT;
      const auto line = LineUtf8(window, list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, message, wParam);
      if (!line) return list ? LB_ERR : CB_ERR;
      if (lParam != 0) std::memcpy(reinterpret_cast<char*>(lParam), line->c_str(), line->size() + 1);
      return static_cast<LRESULT>(line->size());
    }
    case LB_GETTEXTLEN:
    case CB_GETLBTEXTLEN: {
      const bool list = message == LB_GETTEXTLEN;
      const auto line = LineUtf8(window, message, list ? LB_GETTEXT : CB_GETLBTEXT, wParam);
      if (!line) return list ? LB_ERR : CB_ERR;
      return static_cast<LRESULT>(line->size());
    }
    default:
      return SendMessageW(window, message, wParam, lParam);
  }
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? SendMessageA(item, message, wParam, lParam) : 0;
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) { return SetWindowLongPtrW(window, index, value); }
LONG_PTR GetWindowLongPtrA(HWND window, int index) { return GetWindowLongPtrW(window, index); }
LONG GetWindowLongA(HWND window, int index) { return GetWindowLongW(window, index); }
