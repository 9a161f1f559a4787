// kernel32's FormatMessageA over a system message table of our own: the
// texts of the Win32 codes that this layer's calls set (platform/base/last_error.h).
#pragma once

#include <cstdarg>

#include "platform/base/wintypes.h"

inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;

// The last error when the table has no text for a code.
inline constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;

// Only FORMAT_MESSAGE_FROM_SYSTEM is served (any language); the texts hold no
// inserts. The text of a certificate's status (certificate_failure.h) ends
// with the reason noted on this thread. Copies the text, which ends with CR
// LF as Windows' system texts do, and a zero into `buffer` and returns its
// length without the zero; 0 with the last error set when the code is
// unknown (ERROR_MR_MID_NOT_FOUND), the buffer is too small
// (ERROR_INSUFFICIENT_BUFFER) or the flags are not served
// (ERROR_INVALID_PARAMETER).
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, LPSTR buffer,
                     DWORD size, va_list* arguments);
