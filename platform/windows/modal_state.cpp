// The desktop's share of modal dialogs: the host's agent and the stack of
// dialogs whose loops run.
#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/windows/desktop_state.h"
#include "platform/windows/user_agent.h"
#include "platform/windows/window_table.h"

namespace {

struct CModalState {
  std::mutex lock;
  ModalAgent agent;
  std::vector<HWND> open;
};

CModalState& Modal() { return DesktopState<CModalState>(); }

}  // namespace

void SetModalAgent(ModalAgent agent) {
  CModalState& modal = Modal();
  std::lock_guard<std::mutex> hold(modal.lock);
  modal.agent = std::move(agent);
}

std::function<bool(HWND)> CurrentModalAgent() {
  CModalState& modal = Modal();
  std::lock_guard<std::mutex> hold(modal.lock);
  return modal.agent;
}

void PushModalDialog(HWND dialog) {
  CModalState& modal = Modal();
  std::lock_guard<std::mutex> hold(modal.lock);
  modal.open.push_back(dialog);
}

void PopModalDialog(HWND dialog) {
  CModalState& modal = Modal();
  std::lock_guard<std::mutex> hold(modal.lock);
  const auto found = std::find(modal.open.rbegin(), modal.open.rend(), dialog);
  if (found != modal.open.rend()) modal.open.erase(std::next(found).base());
}

std::vector<HWND> OpenModalDialogs() {
  CModalState& modal = Modal();
  std::lock_guard<std::mutex> hold(modal.lock);
  return modal.open;
}
