// The process user's name and the computer's name, with Windows' rules for
// the caller's buffer.
#include "platform/base/user_and_computer_name.h"

#include <pwd.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/base/last_error.h"

namespace {

// Copies `name` and its zero when `*size` holds them; else the size needed.
bool CopyName(const std::string& name, LPSTR buffer, DWORD* size) {
  const auto needed = static_cast<DWORD>(name.size() + 1);
  if (buffer == nullptr || *size < needed) {
    *size = needed;
    return false;
  }
  std::memcpy(buffer, name.c_str(), needed);
  return true;
}

}  // namespace

BOOL GetUserNameA(LPSTR buffer, DWORD* size) {
  if (size == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> scratch(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  int error = 0;
  while ((error = getpwuid_r(geteuid(), &entry, scratch.data(), scratch.size(), &found)) == ERANGE &&
         scratch.size() < (1u << 20)) {
    scratch.resize(scratch.size() * 2);
  }
  if (found == nullptr) {
    SetLastError(error != 0 ? Win32ErrorFromErrno(error) : ERROR_INVALID_DATA);
    return FALSE;
  }
  if (!CopyName(found->pw_name, buffer, size)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  *size = static_cast<DWORD>(std::strlen(found->pw_name) + 1);
  return TRUE;
}

BOOL GetComputerNameA(LPSTR buffer, DWORD* size) {
  if (size == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0) {
    SetLastErrorFromErrno();
    return FALSE;
  }
  std::string name(host);
  name = name.substr(0, name.find('.'));
  if (!CopyName(name, buffer, size)) {
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return FALSE;
  }
  *size = static_cast<DWORD>(name.size());
  return TRUE;
}
