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
#include <string>
#include <thread>

#include "platform/windows/window.h"

struct CWindowRecord {
  HWND handle = nullptr;
  std::u16string className;
  int id = 0;
  std::u16string text;
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
// The live windows whose record passes `test`, oldest first.
std::vector<HWND> FindWindowRecords(const std::function<bool(const CWindowRecord&)>& test);

// Whether `window` is a child, grandchild, ... of `parent`.
bool IsDescendantWindow(HWND parent, HWND window);
// The focus window of `thread`'s windows: SwapFocus sets it and answers the
// one before; ForgetFocus clears it wherever it is `window`.
HWND SwapFocus(std::thread::id thread, HWND window);
HWND FocusOf(std::thread::id thread);
void ForgetFocus(HWND window);

// The window's procedure on the calling thread; 0 for no window.
LRESULT CallWindowProcedureHere(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Makes sure the calling thread has its message queue (message_queue.cpp).
void EnsureThreadQueue();

// The built-in classes' procedures.
LRESULT EditControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);   // edit_control.cpp
LRESULT DialogWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);  // dialog.cpp
