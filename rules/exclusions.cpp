// Exclusion checks.
#include "rules/exclusions.h"

#include "rules/rule_state.h"

BOOL IsUserExcluded(HWND, std::u16string_view, std::u16string&) { return FALSE; }

BOOL IsUserInExcludedGroup(HWND, std::u16string_view, std::u16string&) { return FALSE; }
