#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "platform/base/last_error.h"
#include "platform/base/system_directory.h"

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
