// What the tests of the dialog extension read off the window model: a
// window's rectangle in its parent's client coordinates, its text and
// height, its children's ids; and a scripted user for the modal dialogs
// that lives as long as a scope.
#pragma once

#include <functional>
#include <optional>
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

// The last rectangle InvalidateRect marked in the window, in its client
// coordinates; nothing when none was.
std::optional<RECT> LastInvalidatedRect(HWND window);
// The resource id of the template the dialog was made from; 0 for none.
WORD DialogTemplateIdOf(HWND dialog);

// Installs `agent` as the desktop's scripted user while it lives; an
// enclosing scope's agent comes back after (scopes nest as the dialogs do).
class CModalAgentScope {
 public:
  explicit CModalAgentScope(std::function<bool(HWND)> agent);
  ~CModalAgentScope();
  CModalAgentScope(const CModalAgentScope&) = delete;
  CModalAgentScope& operator=(const CModalAgentScope&) = delete;
};
