// The process's shared icons: one handle per module and icon resource,
// kept until the process ends as LoadIcon's icons are.
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <utility>

#include "platform/windows/desktop_state.h"
#include "platform/windows/icon.h"
#include "platform/windows/window_table.h"

namespace {

struct CIcons {
  std::mutex lock;
  std::map<std::pair<HINSTANCE, WORD>, std::unique_ptr<IconDescription>> byResource;
};

CIcons& Icons() { return DesktopState<CIcons>(); }

const IconDescription* Known(const CIcons& icons, HICON icon) {
  for (const auto& [key, held] : icons.byResource) {
    if (reinterpret_cast<HICON>(held.get()) == icon) return held.get();
  }
  return nullptr;
}

}  // namespace

HICON SharedIcon(HINSTANCE module, WORD id) {
  CIcons& icons = Icons();
  std::lock_guard<std::mutex> hold(icons.lock);
  auto& held = icons.byResource[{module, id}];
  if (held == nullptr) held.reset(new (std::nothrow) IconDescription{module, id});
  return reinterpret_cast<HICON>(held.get());
}

std::optional<IconDescription> DescribeIcon(HICON icon) {
  CIcons& icons = Icons();
  std::lock_guard<std::mutex> hold(icons.lock);
  const IconDescription* known = Known(icons, icon);
  if (known == nullptr) return std::nullopt;
  return *known;
}

BOOL DestroyIcon(HICON icon) {
  CIcons& icons = Icons();
  std::lock_guard<std::mutex> hold(icons.lock);
  return Known(icons, icon) != nullptr ? TRUE : FALSE;
}
