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

}  // namespace
