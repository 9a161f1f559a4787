// The process's shared icons: one handle per module and icon resource,
// kept until the process ends as LoadIcon's icons are.
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <utility>

#include "platform/windows/icon.h"
#include "platform/windows/window_table.h"

namespace {

std::mutex g_iconsLock;
std::map<std::pair<HINSTANCE, WORD>, std::unique_ptr<IconDescription>> g_icons;

const IconDescription* Known(HICON icon) {
  for (const auto& [key, held] : g_icons) {
    if (reinterpret_cast<HICON>(held.get()) == icon) return held.get();
  }
  return nullptr;
}

}  // namespace

HICON SharedIcon(HINSTANCE module, WORD id) {
  std::lock_guard<std::mutex> hold(g_iconsLock);
  auto& held = g_icons[{module, id}];
  if (held == nullptr) held.reset(new (std::nothrow) IconDescription{module, id});
  return reinterpret_cast<HICON>(held.get());
}

std::optional<IconDescription> DescribeIcon(HICON icon) {
  std::lock_guard<std::mutex> hold(g_iconsLock);
  const IconDescription* known = Known(icon);
  if (known == nullptr) return std::nullopt;
  return *known;
}

BOOL DestroyIcon(HICON icon) {
  std::lock_guard<std::mutex> hold(g_iconsLock);
  return Known(icon) != nullptr ? TRUE : FALSE;
}
