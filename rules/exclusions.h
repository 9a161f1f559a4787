// Users exempt from the rules, by name (EXCLUDE_USER) or through a group
// (EXCLUDE_GROUP). Called by the engine under its lock.
#pragma once

#include <string>
#include <string_view>

#include "platform/wintypes.h"

// TRUE when the user name matches an EXCLUDE_USER pattern.
BOOL IsUserExcluded(HWND ownerWindow, std::u16string_view userName, std::u16string& message);

// TRUE when one of the user's global or local groups matches an
// EXCLUDE_GROUP pattern.
BOOL IsUserInExcludedGroup(HWND ownerWindow, std::u16string_view userName, std::u16string& message);
