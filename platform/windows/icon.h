// user32's icons as the dialogs use them: an icon is a module's icon
// resource (RT_GROUP_ICON, resources.h), loaded once and shared, as
// LoadIcon's icons are; windows remember theirs (WM_SETICON, WM_GETICON)
// and a host asks which resource an icon is (DescribeIcon).
#pragma once

#include <optional>

#include "platform/windows/window_types.h"

// The module's icon resource `name` (a number, MAKEINTRESOURCE); the same
// handle for every load of it. Null with the resource's last error.
HICON LoadIconA(HINSTANCE instance, LPCSTR name);
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
// Shared icons are never destroyed; TRUE for one that was loaded.
BOOL DestroyIcon(HICON icon);

struct IconDescription {
  HINSTANCE module;
  WORD id;
};
// Which resource the icon was loaded from; nothing for no icon.
std::optional<IconDescription> DescribeIcon(HICON icon);
