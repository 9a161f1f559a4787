// Progress lines into the log list box.
#include "gina/log_list.h"

#include <cstdarg>
#include <cstdio>
#include <string>

void AddLogLine(HWND list, std::string_view line) {
  if (list == nullptr) return;
  const std::string text(line);
  SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void AddLogLineF(HWND list, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string line;
  if (length > 0) {
    line.resize(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(line.data(), line.size(), format, again);
    line.resize(static_cast<std::size_t>(length));
  }
  va_end(again);
  AddLogLine(list, line);
}
