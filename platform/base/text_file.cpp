// Whole-file read, then a split into lines.
#include "platform/base/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/base/last_error.h"
#include "platform/base/wipe.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

int OpenRegularTextFile(const std::string& path, std::size_t& expected) {
  // O_NONBLOCK: a FIFO in the file's place must not hold the caller in
  // open() until a writer comes; it is refused below, as is any other file
  // that is not a regular one (a directory, a device that never ends).
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    SetLastErrorFromErrno();
    return -1;
  }
  struct stat info{};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return -1;
  }
  expected = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
  return fd;
}

// Reads the file to its end straight into memory that `room(needed, kept)`
// provides: at least `needed` bytes, the first `kept` of them the bytes read
// so far; nullptr when there is no more memory. A file that grows while it
// is read is read to its new end.
template <class Room>
bool ReadWholeFile(const std::string& path, Room&& room, std::size_t& size) {
  size = 0;
  std::size_t expected = 0;
  const int fd = OpenRegularTextFile(path, expected);
  if (fd < 0) return false;
  // One byte more than the file, so the read that finds its end needs no room of its own.
  std::size_t capacity = expected + 1;
  char* data = room(capacity, 0);
  for (;;) {
    if (data == nullptr) {
      ::close(fd);
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    const ssize_t n = ::read(fd, data + size, capacity - size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastErrorFromErrno();
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    size += static_cast<std::size_t>(n);
    if (size == capacity) {
      capacity = capacity < (std::size_t{1} << 16) ? std::size_t{1} << 16 : capacity * 2;
      data = room(capacity, size);
    }
  }
  ::close(fd);
  if (std::string_view(data, size).substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    std::memmove(data, data + kByteOrderMark.size(), size - kByteOrderMark.size());
    size -= kByteOrderMark.size();
    std::memset(data + size, 0, kByteOrderMark.size());
  }
  return true;
}

}  // namespace

bool ReadTextFile(const std::string& path, std::string& content) {
  content.clear();
  std::size_t size = 0;
  const bool read = ReadWholeFile(
      path,
      [&](std::size_t needed, std::size_t) {
        content.resize(needed);
        return content.data();
      },
      size);
  content.resize(read ? size : 0);
  return read;
}

bool ReadTextFile(const std::string& path, CLargeBuffer& content, std::size_t& size) {
  content.Release();
  const bool read = ReadWholeFile(
      path,
      [&](std::size_t needed, std::size_t kept) -> char* {
        if (needed > SIZE_MAX - LARGE_TEXT_SLACK) return nullptr;
        const std::size_t bytes = needed + LARGE_TEXT_SLACK;
        if (kept == 0) return content.Allocate(bytes) ? content.Data() : nullptr;
        return content.Grow(bytes, kept) ? content.Data() : nullptr;
      },
      size);
  if (!read) size = 0;
  return read;
}

bool ForEachTextFileLine(const std::string& path, const std::function<void(std::string_view)>& onLine) {
  std::string content;
  if (!ReadTextFile(path, content)) return false;
  ForEachLine(content, onLine);
  WipeString(content);
  return true;
}
