// The system directory from the environment.
#include "platform/base/system_directory.h"

#include <cstdlib>
#include <cstring>

#include "platform/base/text.h"

namespace {
constexpr char kDefaultSystemDirectory[] = "/etc/varnok";

template <class Char>
UINT CopyOut(const std::basic_string<Char>& path, Char* buffer, UINT size) {
  if (path.size() + 1 > size || buffer == nullptr) return static_cast<UINT>(path.size() + 1);
  std::memcpy(buffer, path.data(), path.size() * sizeof(Char));
  buffer[path.size()] = 0;
  return static_cast<UINT>(path.size());
}
}  // namespace

std::string SystemDirectoryPath() {
  const char* configured = std::getenv("VARNOK_SYSTEM_DIR");
  std::string path = (configured != nullptr && *configured != '\0') ? configured : kDefaultSystemDirectory;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) { return CopyOut(SystemDirectoryPath(), buffer, size); }

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) {
  return CopyOut(Utf8ToUtf16(SystemDirectoryPath()), buffer, size);
}
