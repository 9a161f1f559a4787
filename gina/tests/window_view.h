// What the tests of the dialog extension read off the window model: a
// window's rectangle in its parent's client coordinates, its text and
// height, its children's ids; and a scripted user for the modal dialogs
// that lives as long as a scope.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gina/tests/fake_gina_record.h"
#include "platform/windows/window.h"

// The window's rectangle in its parent's client coordinates.
RECT ClientRectOf(HWND window);
LONG HeightOf(HWND window);
std::string WindowTextOf(HWND window);
// The control ids of the window's children, oldest first.
std::vector<int> ChildIds(HWND window);

// Installs `agent` as the desktop's scripted user while it lives; the one
// it replaced comes back after.
class CModalAgentScope {
 public:
  explicit CModalAgentScope(std::function<bool(HWND)> agent);
  ~CModalAgentScope();
  CModalAgentScope(const CModalAgentScope&) = delete;
  CModalAgentScope& operator=(const CModalAgentScope&) = delete;

 private:
  std::function<bool(HWND)> m_previous;
};
