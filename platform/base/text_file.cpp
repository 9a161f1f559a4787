// Whole-file read, then a split into lines.
#include "platform/base/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/base/last_error.h"
#include "platform/base/wipe.h"

namespace {

bool ReadWholeFile(const std::string& path, std::string& content) {
  const int fd = OpenRegularTextFile(path);
  if (fd < 0) return false;
  struct stat info{};
  ::fstat(fd, &info);
  if (info.st_size > 0) content.reserve(static_cast<std::size_t>(info.st_size));
  char chunk[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetLastErrorFromErrno();
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    content.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

}  // namespace

int OpenRegularTextFile(const std::string& path) {
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
  return fd;
}

bool ReadTextFile(const std::string& path, std::string& content) {
  content.clear();
  if (!ReadWholeFile(path, content)) return false;
  if (std::string_view(content).substr(0, 3) == "\xEF\xBB\xBF") content.erase(0, 3);
  return true;
}

bool ForEachTextFileLine(const std::string& path, const std::function<void(std::string_view)>& onLine) {
  std::string content;
  if (!ReadTextFile(path, content)) return false;
  ForEachLine(content, onLine);
  WipeString(content);
  return true;
}
