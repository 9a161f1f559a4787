// The log list of the reset dialog (item 1003): the progress lines that the
// dialogs and the record client write, which the user sees with the details
// shown. Lines never carry a password or an answer.
#pragma once

#include <string_view>

#include "platform/windows/window.h"

// Appends one line (LB_ADDSTRING); a null list takes nothing.
void AddLogLine(HWND list, std::string_view line);

// Appends one printf-formatted line, however long.
void AddLogLineF(HWND list, const char* format, ...) __attribute__((format(printf, 2, 3)));
