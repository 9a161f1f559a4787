// The service log: file name per month, trace levels, formats taken once,
// cut lines, socket-error lines, the move to the console, and whole lines
// from many threads.
#include "RemoteSvr/log_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <thread>

#include "tests/support/file_bytes.h"
#include "tests/support/scratch_folder.h"
#include "platform/winsock/winsock.h"

namespace {

constexpr std::time_t kDecember2016 = 1480680000;  // 2 Dec 2016 12:00 UTC
constexpr std::time_t kJanuary2017 = 1483228805;   // 1 Jan 2017 00:00:05 UTC

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    log = std::make_unique<CLogFile>();
    log->OpenInDirectory(folder.Path(), 0, 1, "VNK-Pellucor", ".txt");
  }
  void TearDown() override {
    unsetenv("TZ");
    tzset();
  }
  std::vector<std::string> Lines() const { return FileLines(log->Path()); }

  ScratchFolder folder;
  std::unique_ptr<CLogFile> log;
};

TEST_F(LogFileTest, FileIsNamedForItsMonth) {
  EXPECT_EQ(CLogFile::LogFilePath("/opt/varnok", "VNK-Pellucor", kDecember2016, ".txt"),
            "/opt/varnok/VNK-Pellucor-1612-December-2016.txt");
  EXPECT_EQ(CLogFile::LogFilePath("", "VNK-Pellucor", kJanuary2017, ".txt"), "/VNK-Pellucor-1701-January-2017.txt");
  EXPECT_EQ(log->Path(), CLogFile::LogFilePath(folder.Path(), "VNK-Pellucor", std::time(nullptr), ".txt"));
  struct stat info {};
  ASSERT_EQ(stat(log->Path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(LogFileTest, TraceLinesUpToTheDebugLevelOnly) {
  log->debugLevel = 5;
  log->Log("always %d", 1);
  log->Trace(5, "level %d", 5);
  log->Trace(6, "level %d", 6);
  log->Trace(0, "level %d", 0);
  log->debugLevel = 0;
  log->Trace(1, "not at level 0");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"always 1", "TRACE (5) : level 5", "TRACE (0) : level 0"}));
}

TEST_F(LogFileTest, TextIsFormattedOnceOnly) {
  log->debugLevel = 9;
  log->Trace(9, "%s", "100% sure %d %s");
  log->Log("%s", "%n%n%s");
  WSASetLastError(10061);
  log->LogSocketError("%s", "50% %s lost");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"TRACE (9) : 100% sure %d %s", "%n%n%s", "WSAError : 50% %s lost",
                                               "WSAError : Error code = 10061",
                                               "WSAError : Error text = Connection refused."}));
}

TEST_F(LogFileTest, LongLinesAreCutAt4095Bytes) {
  log->debugLevel = 9;
  const std::string longText(10000, 'x');
  log->Log("%s", longText.c_str());
  log->Trace(1, "%s", longText.c_str());
  // A character that would cross the limit is left out whole.
  log->Log("%s\u00e9", std::string(4094, 'y').c_str());
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], std::string(4095, 'x'));
  EXPECT_EQ(lines[1], "TRACE (1) : " + std::string(4095 - 12, 'x'));
  EXPECT_EQ(lines[2], std::string(4094, 'y'));
}

TEST_F(LogFileTest, SocketErrorIsTheOneBeforeTheMessageWasFormatted) {
  WSASetLastError(10048);
  log->LogSocketError("Socket Bind failure.");
  log->debugLevel = 0;
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "WSAError : Socket Bind failure.");
  EXPECT_EQ(lines[1], "WSAError : Error code = 10048");
  EXPECT_EQ(lines[2], "WSAError : Error text = Address already in use.");
}

TEST_F(LogFileTest, NewMonthStartsANewFileAndLeavesTheOldOne) {
  log->ReopenAt(kDecember2016);
  const std::string december = log->Path();
  log->Log("in december");
  log->ReopenAt(kJanuary2017);
  log->Log("in january");
  log->ReopenAt(kJanuary2017);
  log->Log("still january");
  EXPECT_NE(log->Path(), december);
  EXPECT_EQ(FileLines(december), (std::vector<std::string>{"in december"}));
  EXPECT_EQ(Lines(), (std::vector<std::string>{"in january", "still january"}));
}

TEST_F(LogFileTest, FileThatCannotBeOpenedSendsLinesToTheConsoleForGood) {
  CLogFile console;
  console.OpenInDirectory(folder.Path() + "/missing/folder", 0, 1, "VNK-Pellucor", ".txt");
  testing::internal::CaptureStdout();
  console.Log("to the console");
  console.Reopen();
  console.Log("still the console");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "to the console\nstill the console\n");
  EXPECT_FALSE(std::filesystem::exists(folder.Path() + "/missing"));
}

TEST_F(LogFileTest, ConsoleAndFileTogether) {
  CLogFile both;
  both.OpenInDirectory(folder.Path(), 1, 1, "Both", ".log");
  testing::internal::CaptureStdout();
  both.Log("line %s", "one");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "line one\n");
  EXPECT_EQ(FileLines(both.Path()), (std::vector<std::string>{"line one"}));
  EXPECT_EQ(both.Path().rfind(folder.Path() + "/Both-", 0), 0u);
}

TEST_F(LogFileTest, NothingIsWrittenWithoutOutputs) {
  CLogFile silent;
  testing::internal::CaptureStdout();
  silent.Log("before open");
  silent.OpenInDirectory(folder.Path(), 0, 0, "Silent", ".txt");
  silent.Log("no outputs");
  silent.Reopen();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);  // only the fixture's file
}

TEST_F(LogFileTest, SixteenThreadsWriteWholeLines) {
  log->debugLevel = 9;
  constexpr int kThreads = 16, kLines = 400;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string filler(150 + t * 10, static_cast<char>('a' + t));
      for (int i = 0; i < kLines; ++i) {
        if (i % 2) {
          log->Trace(9, "thread %02d line %04d %s", t, i, filler.c_str());
        } else {
          log->Log("thread %02d line %04d %s", t, i, filler.c_str());
        }
        if (i % 100 == 0) log->Reopen();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
  std::vector<int> next(kThreads, 0);
  for (const std::string& line : lines) {
    const bool trace = line.rfind("TRACE (9) : ", 0) == 0;
    const std::string body = trace ? line.substr(12) : line;
    const int t = std::stoi(body.substr(7, 2));
    const int i = std::stoi(body.substr(15, 4));
    ASSERT_EQ(body, "thread " + std::string(t < 10 ? "0" : "") + std::to_string(t) + " line " +
                        std::string(4 - std::to_string(i).size(), '0') + std::to_string(i) + " " +
                        std::string(150 + t * 10, static_cast<char>('a' + t)));
    EXPECT_EQ(trace, i % 2 == 1);
    EXPECT_EQ(i, next[t]++) << "thread " << t << " out of order";
  }
}

}  // namespace
