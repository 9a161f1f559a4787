#include "platform/base/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <vector>

#include "platform/base/last_error.h"

namespace {

std::vector<std::string> Lines(const std::string& content) {
  char name[] = "/tmp/text_file_test.XXXXXX";
  const int fd = ::mkstemp(name);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
  ::close(fd);
  std::vector<std::string> lines;
  EXPECT_TRUE(ForEachTextFileLine(name, [&](std::string_view line) { lines.emplace_back(line); }));
  ::unlink(name);
  return lines;
}

TEST(TextFileTest, SplitsLinesOfEitherEnd) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Lines(""), V{});
  EXPECT_EQ(Lines("a\nb\n"), (V{"a", "b"}));
  EXPECT_EQ(Lines("a\r\nb"), (V{"a", "b"}));
  EXPECT_EQ(Lines("\n\r\n"), (V{"", ""}));
  EXPECT_EQ(Lines("\xEF\xBB\xBF" "ACTIVE 1\r\n"), (V{"ACTIVE 1"}));
  EXPECT_EQ(Lines("x\ry\n"), (V{"x\ry"}));  // a lone CR is text
  EXPECT_EQ(Lines(std::string("a\0b\n", 4)), (V{std::string("a\0b", 3)}));
  EXPECT_EQ(Lines(std::string(70000, 'x')).at(0).size(), 70000u);
}

TEST(TextFileTest, ReportsWhyAFileCouldNotBeRead) {
  EXPECT_FALSE(ForEachTextFileLine("/nonexistent/file.txt", [](std::string_view) {}));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(ForEachTextFileLine("/tmp", [](std::string_view) {}));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  // Neither waited on (a FIFO without a writer) nor read without end.
  char folder[] = "/tmp/text_file_test.XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string fifo = std::string(folder) + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    EXPECT_FALSE(ForEachTextFileLine(path, [](std::string_view) {})) << path;
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << path;
  }
  ::unlink(fifo.c_str());
  ::rmdir(folder);
}

// The large-buffer form reads what the string form reads, drops the same
// byte-order mark, and leaves zero bytes after the file's bytes, also for a
// file larger than a huge page and for one whose size the system does not
// tell (/proc/version: a size of 0, read until its end).
TEST(TextFileTest, LargeBufferHoldsTheSameBytesAndZeroSlack) {
  char name[] = "/tmp/text_file_test.XXXXXX";
  const int fd = ::mkstemp(name);
  ASSERT_GE(fd, 0);
  ::close(fd);
  std::string big;
  for (int i = 0; big.size() < (5u << 20); ++i) big += "line " + std::to_string(i) + "\r\n";
  for (const std::string& content : {std::string(), std::string("\xEF\xBB\xBF"), std::string("\xEF\xBB\xBFok\n"),
                                     std::string("no end"), big}) {
    std::ofstream(name, std::ios::binary | std::ios::trunc) << content;
    for (const std::string& path : {std::string(name), std::string("/proc/version")}) {
      std::string expected;
      ASSERT_TRUE(ReadTextFile(path, expected));
      CLargeBuffer buffer;
      std::size_t size = 99;
      ASSERT_TRUE(ReadTextFile(path, buffer, size));
      ASSERT_EQ(size, expected.size()) << path;
      ASSERT_GE(buffer.Capacity(), size + LARGE_TEXT_SLACK);
      EXPECT_EQ(std::string_view(buffer.Data(), size), expected) << path;
      EXPECT_EQ(std::string(buffer.Data() + size, LARGE_TEXT_SLACK), std::string(LARGE_TEXT_SLACK, '\0')) << path;
    }
  }
  ::unlink(name);
  CLargeBuffer buffer;
  std::size_t size = 0;
  EXPECT_FALSE(ReadTextFile("/nonexistent/file.txt", buffer, size));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(ReadTextFile("/tmp", buffer, size));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

}  // namespace
