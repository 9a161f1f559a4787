// kernel32's console control handlers over signals: SIGINT is the console's
// interrupt key (CTRL_C_EVENT), SIGQUIT its break key (CTRL_BREAK_EVENT).
// Handlers run on a thread of the layer's own, never in a signal handler.
#pragma once

#include "platform/base/wintypes.h"

inline constexpr DWORD CTRL_C_EVENT = 0;
inline constexpr DWORD CTRL_BREAK_EVENT = 1;

using PHANDLER_ROUTINE = BOOL(WINAPI*)(DWORD ctrlType);

// Adds (add nonzero) or removes a handler. At an event the handlers are
// called, the last added first, until one returns TRUE; when none does, the
// signal's default action ends the process, as Windows' default handler
// does. Removing a handler not added, or a null handler, fails with
// ERROR_INVALID_PARAMETER.
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add);
