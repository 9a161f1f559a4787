// The layout arithmetic of the extension's buttons.
#include "gina/button_layout.h"

LogonButtonLayout LayoutLogonButtons(const RECT& ok, const RECT& cancel, const RECT& options) {
  LogonButtonLayout layout{};
  layout.gap = cancel.left - ok.right - 1;
  layout.width = (options.right - ok.left - layout.gap) / 2;  // truncates toward zero
  layout.height = ok.bottom - ok.top;
  const LONG top = ok.bottom + layout.gap;
  const LONG resetLeft = options.right - 2 * layout.width - layout.gap;
  const LONG unlockLeft = options.right - layout.width;
  layout.resetButton = {resetLeft, top, resetLeft + layout.width, top + layout.height};
  layout.unlockButton = {unlockLeft, top, unlockLeft + layout.width, top + layout.height};
  return layout;
}

UnlockButtonLayout LayoutUnlockButton(const RECT& p, const RECT& q, const RECT& cancel) {
  UnlockButtonLayout layout{};
  layout.growth = q.bottom - p.bottom;
  const LONG top = q.bottom + (q.top - p.bottom);
  layout.resetButton = {q.left, top, cancel.right, top + (q.bottom - q.top)};
  return layout;
}
