// GetModuleFileNameA from the link /proc/self/exe.
#include "platform/base/module_file_name.h"

#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/base/last_error.h"

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  if (module != nullptr || (buffer == nullptr && size > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // The link's length is unknown in advance: grow until readlink leaves room.
  std::string path(256, '\0');
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length < 0) {
      SetLastErrorFromErrno();
      return 0;
    }
    if (static_cast<std::size_t>(length) < path.size()) {
      path.resize(static_cast<std::size_t>(length));
      break;
    }
    path.resize(path.size() * 2);
  }
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() >= size) {
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(buffer, path.data(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}
