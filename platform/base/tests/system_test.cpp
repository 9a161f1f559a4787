#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/base/last_error.h"
#include "platform/base/system_directory.h"
#include "platform/base/user_and_computer_name.h"

namespace {

TEST(SystemDirectoryTest, ComesFromTheEnvironment) {
  ::setenv("VARNOK_SYSTEM_DIR", "/tmp/sysdir/", 1);
  EXPECT_EQ(SystemDirectoryPath(), "/tmp/sysdir");

  char small[4];
  EXPECT_EQ(GetSystemDirectoryA(small, sizeof small), 12u);  // size needed, zero included
  char16_t wide[MAX_PATH];
  ASSERT_EQ(GetSystemDirectoryW(wide, MAX_PATH), 11u);
  EXPECT_EQ(std::u16string(wide), u"/tmp/sysdir");

  ::unsetenv("VARNOK_SYSTEM_DIR");
  EXPECT_EQ(SystemDirectoryPath(), "/etc/varnok");
}

TEST(LastErrorTest, MapsErrnoToWin32Codes) {
  const std::pair<int, DWORD> rows[] = {
      {ENOENT, ERROR_FILE_NOT_FOUND}, {ENOTDIR, ERROR_PATH_NOT_FOUND}, {EACCES, ERROR_ACCESS_DENIED},
      {ENOMEM, ERROR_NOT_ENOUGH_MEMORY}, {ELOOP, ERROR_CANT_RESOLVE_FILENAME}, {EXDEV, ERROR_GEN_FAILURE},
  };
  for (const auto& [error, code] : rows) EXPECT_EQ(Win32ErrorFromErrno(error), code) << error;

  errno = ENOENT;
  SetLastErrorFromErrno();
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace

namespace {

std::string ExpectedUserName() {
  const passwd* entry = getpwuid(geteuid());
  return entry != nullptr ? entry->pw_name : "";
}

std::string ExpectedComputerName() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  const std::string name(host);
  return name.substr(0, name.find('.'));
}

// Both names with Windows' buffer rules: the user name's size counts its
// zero on success, the computer name's does not; too small a buffer
// answers the size needed, zero included, and each its own error code.
TEST(UserAndComputerNameTest, NamesAndTheSizeRules) {
  using NameCall = BOOL (*)(LPSTR, DWORD*);
  struct Case {
    const char* what;
    NameCall call;
    std::string expected;
    DWORD zeroCounted;
    DWORD tooSmallError;
  };
  for (const Case& c : {Case{"user", GetUserNameA, ExpectedUserName(), 1, ERROR_INSUFFICIENT_BUFFER},
                        Case{"computer", GetComputerNameA, ExpectedComputerName(), 0, ERROR_BUFFER_OVERFLOW}}) {
    ASSERT_FALSE(c.expected.empty()) << c.what;
    const auto needed = static_cast<DWORD>(c.expected.size() + 1);
    char buffer[256];
    DWORD size = sizeof buffer;
    ASSERT_TRUE(c.call(buffer, &size)) << c.what;
    EXPECT_EQ(std::string(buffer), c.expected) << c.what;
    EXPECT_EQ(size, c.expected.size() + c.zeroCounted) << c.what;

    size = needed;
    EXPECT_TRUE(c.call(buffer, &size)) << c.what;  // exactly enough
    for (DWORD small : {needed - 1, DWORD{0}}) {
      std::memset(buffer, 'x', sizeof buffer);
      size = small;
      SetLastError(ERROR_SUCCESS);
      EXPECT_FALSE(c.call(buffer, &size)) << c.what << " " << small;
      EXPECT_EQ(GetLastError(), c.tooSmallError) << c.what;
      EXPECT_EQ(size, needed) << c.what;
      EXPECT_EQ(buffer[0], 'x') << c.what;
    }
    size = 0;
    EXPECT_FALSE(c.call(nullptr, &size)) << c.what;
    EXPECT_EQ(size, needed) << c.what;
    EXPECT_FALSE(c.call(buffer, nullptr)) << c.what;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << c.what;
  }
}

}  // namespace
