// Dictionary check.
#include "rules/dictionary.h"

BOOL CheckDictionary(HWND, std::u16string_view, std::u16string&) { return TRUE; }
