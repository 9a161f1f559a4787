// The text of a system error code, from the system message table
// (platform/base/format_message.h), on one line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CWin32ErrorText {
 public:
  explicit CWin32ErrorText(std::uint32_t errorCode);
  // The calling thread's last error.
  CWin32ErrorText();

  std::uint32_t code;
  // The system text with each CR LF or LF CR pair turned into one blank (so a
  // text that ends with a line break ends with a blank); "Unknown error %u"
  // for a code without text.
  std::string text;
};

// The line-break rule above: a pair CR LF or LF CR becomes one blank, a lone
// CR or LF stays.
std::string JoinMessageLines(std::string_view text);
