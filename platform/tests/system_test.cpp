#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "platform/last_error.h"
#include "platform/message_box.h"
#include "platform/system_directory.h"

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

TEST(MessageBoxTest, OnlyABoxWithAnOwnerReachesTheSink) {
  std::vector<MessageBoxRequest> shown;
  SetMessageBoxSink([&](const MessageBoxRequest& request) {
    shown.push_back(request);
    return IDOK;
  });
  HWND owner = reinterpret_cast<HWND>(0x10);
  EXPECT_EQ(MessageBoxW(nullptr, u"lost", u"caption", MB_ICONERROR), 0);
  EXPECT_EQ(MessageBoxW(owner, u"caf\u00E9", u"caption", MB_ICONERROR), IDOK);
  EXPECT_EQ(MessageBoxA(owner, "bytes", nullptr, MB_OK), IDOK);
  SetMessageBoxSink(nullptr);

  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "caf\xC3\xA9");
  EXPECT_EQ(shown[0].caption, "caption");
  EXPECT_EQ(shown[0].type, MB_ICONERROR);
  EXPECT_EQ(shown[1].caption, "");
}

}  // namespace
