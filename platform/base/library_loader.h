// kernel32's library loading over dlopen: LoadLibraryA, GetProcAddress and
// FreeLibrary. A bare file name is a library of the system directory
// (platform/base/system_directory.h), ".DLL" standing for ".so" and the name
// matched ignoring ASCII case, so "MSGINA.DLL" opens msgina.so there; a name
// with a "/" is opened as the path it is.
#pragma once

#include <string>

#include "platform/base/wintypes.h"

struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
// A function found in a library; the caller casts it to what it is.
using FARPROC = void (*)();

inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;

// The library loaded (again: each load is matched by one FreeLibrary), or
// null with the last error ERROR_MOD_NOT_FOUND (no such file, or one that is
// not a library that loads here) or ERROR_INVALID_PARAMETER (no name).
HMODULE LoadLibraryA(LPCSTR fileName);
// The exported function, or null with ERROR_PROC_NOT_FOUND.
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);

// The file that a bare library name stands for in `directory` (empty when
// there is none): the file itself when present, else the one whose name
// matches ignoring ASCII case, with ".so" for a last ".dll" and added to a
// name without an extension.
std::string LibraryFileInDirectory(const std::string& directory, const std::string& fileName);

inline constexpr DWORD DLL_PROCESS_DETACH = 0;
inline constexpr DWORD DLL_PROCESS_ATTACH = 1;
// A library's wish not to hear of threads starting and ending: nothing
// tells libraries of threads here, so it is granted at once.
BOOL DisableThreadLibraryCalls(HMODULE module);
