// The records behind window handles: one table for the process, guarded by
// one lock that is never held while a procedure runs. Handles are never
// reused, so a stale one is simply no window. This, the queues, the
// message-box sink, the resource tables and the bitmaps are the desktop:
// the shared library platform_windows_desktop, one per process; the calls
// of window.h, dialog.h and bitmap.h are compiled into each module, so that
// the last error they set is the caller's.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/windows/window.h"
#include "platform/base/wipe.h"

// A window's text, wiped whenever it is replaced or dropped: an edit
// control may hold a password, and every copy of a record holds its text.
class CWindowText : public std::u16string {
 public:
  CWindowText() = default;
  CWindowText(const CWindowText&) = default;
  CWindowText(CWindowText&&) = default;
  CWindowText& operator=(const CWindowText& other) {
    if (this != &other) *this = std::u16string_view(other);
    return *this;
  }
  CWindowText& operator=(CWindowText&& other) noexcept {
    Wipe();
    std::u16string::operator=(std::move(other));
    return *this;
  }
  CWindowText& operator=(std::u16string_view text) {
    Wipe();
    assign(text);
    return *this;
  }
  ~CWindowText() { Wipe(); }

 private:
  void Wipe() {
    WipeBytes(data(), size() * sizeof(char16_t));
  }
};

struct CWindowRecord {
  HWND handle = nullptr;
  std::u16string className;
  int id = 0;
  CWindowText text;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect{};
  HWND parent = nullptr;
  HWND owner = nullptr;
  WNDPROC procedure = nullptr;
  DLGPROC dialogProcedure = nullptr;
  LONG_PTR userData = 0;
  std::thread::id thread;
  // The edit control's selection.
  DWORD selectionStart = 0;
  DWORD selectionEnd = 0;
  HFONT font = nullptr;
  HICON bigIcon = nullptr;
  HICON smallIcon = nullptr;
  std::optional<RECT> invalidated;
  bool invalidatedErase = false;
  // A list or combo box's lines and selection.
  std::vector<std::u16string> items;
  int selection = -1;
  int topIndex = 0;
  // A dialog's: its template's resource id, the font it made (deleted
  // with it) and its modal state.
  WORD dialogTemplateId = 0;
  HFONT ownFont = nullptr;
  bool modal = false;
  bool ended = false;
  INT_PTR endResult = 0;
};

// Adds a record and hands out its new handle.
HWND AddWindowRecord(CWindowRecord record);
// Drops the record.
void RemoveWindowRecord(HWND window);
// Runs `change` on the record under the table's lock; false when `window`
// is no window.
bool WithWindowRecord(HWND window, const std::function<void(CWindowRecord&)>& change);
// A copy of the record, or nothing.
std::optional<CWindowRecord> WindowRecordCopy(HWND window);
// One field of the record (`&CWindowRecord::style`), or nothing; copies
// that field alone.
template <class Field>
std::optional<Field> WindowRecordField(HWND window, Field CWindowRecord::*field) {
  std::optional<Field> value;
  WithWindowRecord(window, [&](CWindowRecord& r) { value = r.*field; });
  return value;
}
// Whether `window` is a window of the table.
inline bool IsWindowRecord(HWND window) { return WindowRecordField(window, &CWindowRecord::handle).has_value(); }
// The live windows whose record passes `test`, oldest first.
std::vector<HWND> FindWindowRecords(const std::function<bool(const CWindowRecord&)>& test);

// Whether `window` is a child, grandchild, ... of `parent`.
bool IsDescendantWindow(HWND parent, HWND window);
// The screen position of the window's client origin (its own position plus
// its parents'); false when `window` is no window.
bool ScreenOriginOf(HWND window, POINT& origin);

// The desktop's foreground window.
void SetForegroundWindowRecord(HWND window);
HWND ForegroundWindowRecord();

// The shared icon of the module's icon resource (icon_objects.cpp); null
// when no memory.
HICON SharedIcon(HINSTANCE module, WORD id);

// The host's agent (user_agent.h) and the stack of running modal dialogs
// (modal_state.cpp).
std::function<bool(HWND)> CurrentModalAgent();
void PushModalDialog(HWND dialog);
void PopModalDialog(HWND dialog);
// The focus window of `thread`'s windows: SwapFocus sets it and answers the
// one before; ForgetFocus clears it wherever it is `window`.
HWND SwapFocus(std::thread::id thread, HWND window);
HWND FocusOf(std::thread::id thread);
void ForgetFocus(HWND window);

// The window's procedure on the calling thread; 0 for no window.
LRESULT CallWindowProcedureHere(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Makes sure the calling thread has its message queue (message_queue.cpp).
void EnsureThreadQueue();

// A dialog of the template (dialog.cpp): `templateId` is its resource id
// (0 for one in memory); a modal one is not shown here. Null with the last
// error.
struct DialogTemplate;
struct ResourceEntry;
HWND MakeDialog(HINSTANCE instance, const DialogTemplate* dialogTemplate, WORD templateId, HWND owner,
                DLGPROC procedure, LPARAM param, bool modal);
// The module's RT_DIALOG resource; null with the last error set.
const ResourceEntry* DialogResource(HINSTANCE instance, const void* templateName);

// The built-in classes' procedures.
LRESULT EditControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);    // edit_control.cpp
LRESULT ButtonControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);  // button_control.cpp
LRESULT ListBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);        // list_controls.cpp
LRESULT ComboBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);       // list_controls.cpp
LRESULT DialogWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);   // dialog.cpp
