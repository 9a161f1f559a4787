// The process's table of window records.
#include "platform/windows/window_table.h"

#include <cstdint>
#include <map>
#include <mutex>

#include "platform/windows/desktop_state.h"

namespace {

struct CWindowTable {
  std::mutex lock;
  // Ordered by handle, which grows: oldest first.
  std::map<std::uintptr_t, CWindowRecord> byHandle;
  std::uintptr_t nextHandle = 0x10000;
};

struct CFocus {
  std::mutex lock;
  std::map<std::thread::id, HWND> byThread;
  HWND foreground = nullptr;
};

CWindowTable& Table() { return DesktopState<CWindowTable>(); }
CFocus& Focus() { return DesktopState<CFocus>(); }

}  // namespace

HWND AddWindowRecord(CWindowRecord record) {
  CWindowTable& table = Table();
  std::lock_guard<std::mutex> hold(table.lock);
  // Steps of 4 keep handles looking like the platform's (never odd, never 0).
  const std::uintptr_t value = table.nextHandle;
  table.nextHandle += 4;
  record.handle = reinterpret_cast<HWND>(value);
  table.byHandle.emplace(value, std::move(record));
  return reinterpret_cast<HWND>(value);
}

void RemoveWindowRecord(HWND window) {
  CWindowTable& table = Table();
  std::lock_guard<std::mutex> hold(table.lock);
  table.byHandle.erase(reinterpret_cast<std::uintptr_t>(window));
}

bool WithWindowRecord(HWND window, const std::function<void(CWindowRecord&)>& change) {
  CWindowTable& table = Table();
  std::lock_guard<std::mutex> hold(table.lock);
  const auto found = table.byHandle.find(reinterpret_cast<std::uintptr_t>(window));
  if (found == table.byHandle.end()) return false;
  change(found->second);
  return true;
}

std::optional<CWindowRecord> WindowRecordCopy(HWND window) {
  CWindowTable& table = Table();
  std::lock_guard<std::mutex> hold(table.lock);
  const auto found = table.byHandle.find(reinterpret_cast<std::uintptr_t>(window));
  if (found == table.byHandle.end()) return std::nullopt;
  return found->second;
}

std::vector<HWND> FindWindowRecords(const std::function<bool(const CWindowRecord&)>& test) {
  CWindowTable& table = Table();
  std::lock_guard<std::mutex> hold(table.lock);
  std::vector<HWND> found;
  for (const auto& [value, record] : table.byHandle) {
    if (test(record)) found.push_back(record.handle);
  }
  return found;
}

bool IsDescendantWindow(HWND parent, HWND window) {
  CWindowTable& table = Table();
  std::lock_guard<std::mutex> hold(table.lock);
  HWND at = window;
  // Parents are made before their children, so the chain ends.
  while (at != nullptr) {
    const auto found = table.byHandle.find(reinterpret_cast<std::uintptr_t>(at));
    if (found == table.byHandle.end() || found->second.parent == nullptr) return false;
    if (found->second.parent == parent) return true;
    at = found->second.parent;
  }
  return false;
}

HWND SwapFocus(std::thread::id thread, HWND window) {
  CFocus& state = Focus();
  std::lock_guard<std::mutex> hold(state.lock);
  HWND& focus = state.byThread[thread];
  const HWND previous = focus;
  focus = window;
  return previous;
}

HWND FocusOf(std::thread::id thread) {
  CFocus& state = Focus();
  std::lock_guard<std::mutex> hold(state.lock);
  const auto found = state.byThread.find(thread);
  return found == state.byThread.end() ? nullptr : found->second;
}

void ForgetFocus(HWND window) {
  CFocus& state = Focus();
  std::lock_guard<std::mutex> hold(state.lock);
  for (auto& [thread, focus] : state.byThread) {
    if (focus == window) focus = nullptr;
  }
  if (state.foreground == window) state.foreground = nullptr;
}

LRESULT CallWindowProcedureHere(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto procedure = WindowRecordField(window, &CWindowRecord::procedure);
  if (!procedure || *procedure == nullptr) return 0;
  return (*procedure)(window, message, wParam, lParam);
}

bool ScreenOriginOf(HWND window, POINT& origin) {
  CWindowTable& table = Table();
  std::lock_guard<std::mutex> hold(table.lock);
  origin = POINT{0, 0};
  auto found = table.byHandle.find(reinterpret_cast<std::uintptr_t>(window));
  if (found == table.byHandle.end()) return false;
  // Parents are made before their children, so the chain ends.
  while (found != table.byHandle.end()) {
    origin.x += found->second.rect.left;
    origin.y += found->second.rect.top;
    if (found->second.parent == nullptr) break;
    found = table.byHandle.find(reinterpret_cast<std::uintptr_t>(found->second.parent));
  }
  return true;
}

void SetForegroundWindowRecord(HWND window) {
  CFocus& state = Focus();
  std::lock_guard<std::mutex> hold(state.lock);
  state.foreground = window;
}

HWND ForegroundWindowRecord() {
  CFocus& state = Focus();
  std::lock_guard<std::mutex> hold(state.lock);
  return state.foreground;
}
