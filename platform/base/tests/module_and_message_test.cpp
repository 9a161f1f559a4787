// The program's own path and the system message texts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "platform/base/format_message.h"
#include "platform/base/last_error.h"
#include "platform/base/module_file_name.h"

namespace {

std::string ExePath() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path));
  return std::string(path, static_cast<std::size_t>(length));
}

TEST(GetModuleFileName, GivesTheProgramPath) {
  char buffer[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
  EXPECT_EQ(std::string(buffer), ExePath());
  EXPECT_EQ(length, ExePath().size());
}

TEST(GetModuleFileName, CutsAPathThatDoesNotFit) {
  char buffer[8];
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, sizeof(buffer)), 8u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::string(buffer), ExePath().substr(0, 7));
}

TEST(GetModuleFileName, KnowsNoOtherModule) {
  char buffer[16];
  EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(buffer), buffer, sizeof(buffer)), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(FormatMessage, SystemTextEndsWithALineBreak) {
  char buffer[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      ERROR_ACCESS_DENIED, 0, buffer, 511, nullptr);
  EXPECT_EQ(std::string(buffer), "Access is denied.\r\n");
  EXPECT_EQ(length, 19u);
}

TEST(FormatMessage, FailsForUnknownCodesAndSmallBuffers) {
  char buffer[8] = {};
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 123456, 0, buffer, sizeof(buffer), nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, buffer, sizeof(buffer),
                           nullptr),
            0u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(FormatMessageA(0, nullptr, ERROR_ACCESS_DENIED, 0, buffer, sizeof(buffer), nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
