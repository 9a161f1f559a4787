// Reading a text file line by line, as the class library's text files do:
// LF and CR LF ends alike, a leading UTF-8 byte-order mark dropped. The
// rules file, the dictionary and the credentials file are read this way.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/base/large_buffer.h"

// Reads the whole file into `content`, a leading byte-order mark dropped.
// False, with the last-error code set, when it cannot be opened or read, or
// is not a regular file (ERROR_ACCESS_DENIED; a FIFO is never waited on).
bool ReadTextFile(const std::string& path, std::string& content);

// The same into a large buffer (huge pages where the system has them), for
// files of millions of lines: the file's bytes are the first `size` bytes
// of `content`, and at least LARGE_TEXT_SLACK zero bytes follow them, so a
// scan may read whole words and blocks past a line's end.
inline constexpr std::size_t LARGE_TEXT_SLACK = 64;
bool ReadTextFile(const std::string& path, CLargeBuffer& content, std::size_t& size);

// Calls `onLine` with each line of `content`, its end removed; a last line
// without an end counts.
template <class OnLine>
void ForEachLine(std::string_view content, OnLine&& onLine) {
  while (!content.empty()) {
    const std::size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    onLine(line);
  }
}

// Both at once; the file's bytes are wiped when done, since some of these
// files hold a password (the directory's credentials file).
bool ForEachTextFileLine(const std::string& path, const std::function<void(std::string_view)>& onLine);
