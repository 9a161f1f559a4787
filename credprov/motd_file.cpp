// Reading the rules text.
#include "credprov/motd_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/base/text.h"

std::optional<std::u16string> ReadMotdFile(const char16_t* path) {
  if (path == nullptr) return std::nullopt;
  const int file = ::open(Utf16ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return std::nullopt;
  std::optional<std::u16string> text;
  struct stat info {};
  if (::fstat(file, &info) == 0 && S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) < MOTD_FILE_LIMIT) {
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
      const ssize_t n = ::read(file, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    if (got == bytes.size()) text = Utf8ToUtf16(bytes);
  }
  ::close(file);
  return text;
}
