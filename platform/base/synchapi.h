// The few kernel32 waiting names our code uses: the wait results and the
// endless time-out, and Sleep.
#pragma once

#include "platform/base/wintypes.h"

inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// Sleeps the calling thread for `milliseconds` (INFINITE: for good).
void Sleep(DWORD milliseconds);
