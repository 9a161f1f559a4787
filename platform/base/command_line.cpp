// GetCommandLineA from /proc/self/cmdline, read once.
#include "platform/base/command_line.h"

#include <fstream>
#include <iterator>
#include <string>

LPSTR GetCommandLineA() {
  static std::string* const text = [] {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string words((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Words end with a zero each: the last one ends the text.
    if (!words.empty() && words.back() == '\0') words.pop_back();
    for (char& c : words) {
      if (c == '\0') c = ' ';
    }
    return new std::string(std::move(words));
  }();
  return text->data();
}
