// Who and where the process runs: advapi32's GetUserNameA (the effective
// user's login name, from the password database) and kernel32's
// GetComputerNameA (the host name up to its first dot).
#pragma once

#include "platform/base/wintypes.h"

// In: *size is the buffer's size in bytes. Success: the name and a zero,
// *size = bytes written with the zero. Too small: FALSE,
// ERROR_INSUFFICIENT_BUFFER and *size = the size needed (zero included).
// Other failures: FALSE with the last error.
BOOL GetUserNameA(LPSTR buffer, DWORD* size);
// In: *size is the buffer's size in bytes. Success: the name and a zero,
// *size = the name's length without the zero. Too small: FALSE,
// ERROR_BUFFER_OVERFLOW and *size = the size needed (zero included).
BOOL GetComputerNameA(LPSTR buffer, DWORD* size);
