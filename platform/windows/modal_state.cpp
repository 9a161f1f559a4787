// The desktop's share of modal dialogs: the host's agent and the stack of
// dialogs whose loops run.
#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/windows/user_agent.h"
#include "platform/windows/window_table.h"

namespace {

std::mutex g_modalLock;
ModalAgent g_agent;
std::vector<HWND> g_open;

}  // namespace

void SetModalAgent(ModalAgent agent) {
  std::lock_guard<std::mutex> hold(g_modalLock);
  g_agent = std::move(agent);
}

std::function<bool(HWND)> CurrentModalAgent() {
  std::lock_guard<std::mutex> hold(g_modalLock);
  return g_agent;
}

void PushModalDialog(HWND dialog) {
  std::lock_guard<std::mutex> hold(g_modalLock);
  g_open.push_back(dialog);
}

void PopModalDialog(HWND dialog) {
  std::lock_guard<std::mutex> hold(g_modalLock);
  const auto found = std::find(g_open.rbegin(), g_open.rend(), dialog);
  if (found != g_open.rend()) g_open.erase(std::next(found).base());
}

std::vector<HWND> OpenModalDialogs() {
  std::lock_guard<std::mutex> hold(g_modalLock);
  return g_open;
}
