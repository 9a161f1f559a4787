// Users exempt from the rules, by name (EXCLUDE_USER) or through a global or
// local group (EXCLUDE_GROUP), the groups read through the netapi layer.
// Called by the engine under its lock.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/wintypes.h"

// TRUE when the user name matches an EXCLUDE_USER pattern.
BOOL IsUserExcluded(HWND ownerWindow, std::u16string_view userName, std::u16string& message);

// TRUE when the group name matches an EXCLUDE_GROUP pattern.
BOOL IsGroupExcluded(HWND ownerWindow, std::u16string_view userName, std::u16string_view groupName,
                     std::u16string& message);

// TRUE when one of the user's global or local groups (the latter also
// through nested groups) is excluded. Asks for no group while no group is
// excluded; a failed look-up counts as no groups, and only one refused for
// the controller's certificate is told, once a check, in the rule log.
BOOL IsUserInExcludedGroup(HWND ownerWindow, std::u16string_view userName, std::u16string& message);
