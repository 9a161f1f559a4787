// The program's own path as GetModuleFileNameA gives it, read from
// /proc/self/exe; "beside the program" means that file's folder.
#pragma once

#include <string>

#include "platform/base/wintypes.h"

struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;

// Only the running program (module nullptr) is known. Copies its path and a
// zero into `buffer` and returns the length without the zero. A path that does
// not fit is cut to size - 1 characters and zero-ended, the result is `size` and
// the last error ERROR_INSUFFICIENT_BUFFER, as on Windows. 0 on failure, with
// the last error set.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

// The full path of the shared library (or the program) whose code holds
// `address`: what a library's own instance handle gives GetModuleFileName on
// Windows, for a library that names itself (self-registration). Empty when
// no loaded file holds it.
std::string ModulePathOfAddress(const void* address);

// The instance handle of the shared library (or program) whose code holds
// `address`: the address it was loaded at, which is what tells one module's
// resources from another's. Null when no loaded file holds it.
HMODULE ModuleHandleOfAddress(const void* address);
