// Reading the window model for the dialog extension's tests.
#include "gina/tests/window_view.h"

#include "platform/base/text.h"
#include "platform/windows/user_agent.h"

RECT ClientRectOf(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

LONG HeightOf(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect.bottom - rect.top;
}

std::string WindowTextOf(HWND window) {
  const auto description = DescribeWindow(window);
  return description ? Utf16ToUtf8(description->text) : std::string();
}

std::vector<int> ChildIds(HWND window) {
  std::vector<int> ids;
  for (const HWND child : ChildWindows(window)) ids.push_back(GetDlgCtrlID(child));
  return ids;
}

namespace {

// The scopes' agents, innermost last: the innermost acts.
std::vector<std::function<bool(HWND)>>& AgentStack() {
  static std::vector<std::function<bool(HWND)>> stack;
  return stack;
}

void InstallTopAgent() {
  if (AgentStack().empty()) {
    SetModalAgent({});
  } else {
    SetModalAgent(AgentStack().back());
  }
}

}  // namespace

CModalAgentScope::CModalAgentScope(std::function<bool(HWND)> agent) {
  AgentStack().push_back(std::move(agent));
  InstallTopAgent();
}

CModalAgentScope::~CModalAgentScope() {
  AgentStack().pop_back();
  InstallTopAgent();
}

std::optional<RECT> LastInvalidatedRect(HWND window) {
  const auto description = DescribeWindow(window);
  return description ? description->invalidated : std::nullopt;
}

WORD DialogTemplateIdOf(HWND dialog) {
  const auto description = DescribeWindow(dialog);
  return description ? description->dialogTemplateId : 0;
}
