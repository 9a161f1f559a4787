// Windows' system directory: the folder named by VARNOK_SYSTEM_DIR, by
// default /etc/varnok. The rules file, the dictionary and the rules text live
// there.
#pragma once

#include <string>

#include "platform/base/wintypes.h"

// As on Windows: copies the path and its zero into `buffer` and returns its
// length without the zero; when `size` is too small returns the size needed
// (zero included) and copies nothing.
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);

// The same folder as a UTF-8 path, of any length.
std::string SystemDirectoryPath();
