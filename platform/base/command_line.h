// kernel32's GetCommandLineA: the process's command line as one text, the
// argument words of /proc/self/cmdline joined by single blanks (a word that
// holds blanks is not quoted, so a reader that splits at blanks sees several).
#pragma once

#include "platform/base/wintypes.h"

// Valid for the whole process; the same text at every call.
LPSTR GetCommandLineA();
