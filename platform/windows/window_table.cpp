// The process's table of window records.
#include "platform/windows/window_table.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace {

std::mutex g_tableLock;
// Ordered by handle, which grows: oldest first.
std::map<std::uintptr_t, CWindowRecord> g_windows;
std::uintptr_t g_nextHandle = 0x10000;

std::mutex g_focusLock;
std::map<std::thread::id, HWND> g_focus;
HWND g_foreground = nullptr;

}  // namespace

HWND AddWindowRecord(CWindowRecord record) {
  std::lock_guard<std::mutex> hold(g_tableLock);
  // Steps of 4 keep handles looking like the platform's (never odd, never 0).
  const std::uintptr_t value = g_nextHandle;
  g_nextHandle += 4;
  record.handle = reinterpret_cast<HWND>(value);
  g_windows.emplace(value, std::move(record));
  return reinterpret_cast<HWND>(value);
}

void RemoveWindowRecord(HWND window) {
  std::lock_guard<std::mutex> hold(g_tableLock);
  g_windows.erase(reinterpret_cast<std::uintptr_t>(window));
}

bool WithWindowRecord(HWND window, const std::function<void(CWindowRecord&)>& change) {
  std::lock_guard<std::mutex> hold(g_tableLock);
  const auto found = g_windows.find(reinterpret_cast<std::uintptr_t>(window));
  if (found == g_windows.end()) return false;
  change(found->second);
  return true;
}

std::optional<CWindowRecord> WindowRecordCopy(HWND window) {
  std::lock_guard<std::mutex> hold(g_tableLock);
  const auto found = g_windows.find(reinterpret_cast<std::uintptr_t>(window));
  if (found == g_windows.end()) return std::nullopt;
  return found->second;
}

std::vector<HWND> FindWindowRecords(const std::function<bool(const CWindowRecord&)>& test) {
  std::lock_guard<std::mutex> hold(g_tableLock);
  std::vector<HWND> found;
  for (const auto& [value, record] : g_windows) {
    if (test(record)) found.push_back(record.handle);
  }
  return found;
}

bool IsDescendantWindow(HWND parent, HWND window) {
  std::lock_guard<std::mutex> hold(g_tableLock);
  HWND at = window;
  // Parents are made before their children, so the chain ends.
  while (at != nullptr) {
    const auto found = g_windows.find(reinterpret_cast<std::uintptr_t>(at));
    if (found == g_windows.end() || found->second.parent == nullptr) return false;
    if (found->second.parent == parent) return true;
    at = found->second.parent;
  }
  return false;
}

HWND SwapFocus(std::thread::id thread, HWND window) {
  std::lock_guard<std::mutex> hold(g_focusLock);
  HWND& focus = g_focus[thread];
  const HWND previous = focus;
  focus = window;
  return previous;
}

HWND FocusOf(std::thread::id thread) {
  std::lock_guard<std::mutex> hold(g_focusLock);
  const auto found = g_focus.find(thread);
  return found == g_focus.end() ? nullptr : found->second;
}

void ForgetFocus(HWND window) {
  std::lock_guard<std::mutex> hold(g_focusLock);
  for (auto& [thread, focus] : g_focus) {
    if (focus == window) focus = nullptr;
  }
  if (g_foreground == window) g_foreground = nullptr;
}

LRESULT CallWindowProcedureHere(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto record = WindowRecordCopy(window);
  if (!record || record->procedure == nullptr) return 0;
  return record->procedure(window, message, wParam, lParam);
}

bool ScreenOriginOf(HWND window, POINT& origin) {
  std::lock_guard<std::mutex> hold(g_tableLock);
  origin = POINT{0, 0};
  auto found = g_windows.find(reinterpret_cast<std::uintptr_t>(window));
  if (found == g_windows.end()) return false;
  // Parents are made before their children, so the chain ends.
  while (found != g_windows.end()) {
    origin.x += found->second.rect.left;
    origin.y += found->second.rect.top;
    if (found->second.parent == nullptr) break;
    found = g_windows.find(reinterpret_cast<std::uintptr_t>(found->second.parent));
  }
  return true;
}

void SetForegroundWindowRecord(HWND window) {
  std::lock_guard<std::mutex> hold(g_focusLock);
  g_foreground = window;
}

HWND ForegroundWindowRecord() {
  std::lock_guard<std::mutex> hold(g_focusLock);
  return g_foreground;
}
