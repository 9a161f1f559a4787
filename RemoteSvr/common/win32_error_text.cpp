// System error texts through FormatMessageA.
#include "RemoteSvr/common/win32_error_text.h"

#include <cstdio>

#include "platform/base/format_message.h"
#include "platform/base/last_error.h"

namespace {

std::string LookUp(std::uint32_t code) {
  char buffer[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                      buffer, sizeof(buffer) - 1, nullptr);
  if (length == 0) {
    char unknown[64];
    std::snprintf(unknown, sizeof(unknown), "Unknown error %u", static_cast<unsigned>(code));
    return unknown;
  }
  return JoinMessageLines(std::string_view(buffer, length));
}

}  // namespace

std::string JoinMessageLines(std::string_view text) {
  std::string joined;
  joined.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool lineBreak = c == '\r' || c == '\n';
    if (lineBreak && i + 1 < text.size()) {
      const char next = text[i + 1];
      if ((next == '\r' || next == '\n') && next != c) {
        joined += ' ';
        ++i;
        continue;
      }
    }
    joined += c;
  }
  return joined;
}

CWin32ErrorText::CWin32ErrorText(std::uint32_t errorCode) : code(errorCode), text(LookUp(errorCode)) {}

CWin32ErrorText::CWin32ErrorText() : CWin32ErrorText(GetLastError()) {}
