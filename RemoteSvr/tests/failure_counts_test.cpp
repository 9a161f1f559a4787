// FailureCountTable and the lock line: exact counts under concurrent
// notifications, one whole line per write, a line end first where the file
// lacks one, and one lock line while the key is locked in the file.
#include "RemoteSvr/failure_counts.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "tests/support/service_fixture.h"

namespace {

TEST(FailureCounts, LockLineFormat) {
  EXPECT_EQ(LockLine("corp\\alice", 3, "Wed Dec  9 11:22:24 2026"),
            "corp\\alice\t{{LOCKED}} # 3 failed attempts at Wed Dec  9 11:22:24 2026\n");
}

TEST(FailureCounts, AppendsOnceWhileLockedAndStartsItsOwnLine) {
  CServiceFiles files;
  files.WriteQuestionFile("corp\\alice\tPet?\tRex");  // no line end
  int error = 0;
  ASSERT_EQ(AppendLockLine(files.QuestionFilePath(), "corp\\alice", 3, error), 1);
  ASSERT_EQ(AppendLockLine(files.QuestionFilePath(), "corp\\alice", 4, error), 1);
  ASSERT_EQ(AppendLockLine(files.QuestionFilePath(), "corp\\bob", 1, error), 1);
  const std::vector<std::string> lines = files.QuestionFileLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "corp\\alice\tPet?\tRex");
  EXPECT_EQ(lines[1].rfind("corp\\alice\t{{LOCKED}} # 3 failed attempts at ", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2].rfind("corp\\bob\t{{LOCKED}} # 1 failed attempts at ", 0), 0u) << lines[2];

  // A hand-written lock line in another case counts as locked too.
  files.WriteQuestionFile("CORP\\Carol\t{{locked}}#hand\n");
  ASSERT_EQ(AppendLockLine(files.QuestionFilePath(), "corp\\carol", 9, error), 1);
  EXPECT_EQ(files.QuestionFileLines().size(), 1u);

  EXPECT_EQ(AppendLockLine(files.Folder() + "/missing/Pellucor.txt", "corp\\alice", 1, error), 0);
  EXPECT_EQ(error, ENOENT);
  // A FIFO in the file's place takes no line (it would hold it for a reader).
  const std::string fifo = files.Folder() + "/fifo.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(AppendLockLine(fifo, "corp\\alice", 1, error), 0);
  EXPECT_EQ(error, EACCES);
}

TEST(FailureCounts, ConcurrentFailuresLoseNoCount) {
  CServiceFiles files;
  CFailureCountTable table;
  constexpr int kThreads = 32;
  constexpr int kEach = 50;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        table.RecordFailure("corp\\shared", kThreads * kEach, files.QuestionFilePath());
        table.RecordFailure("corp\\user" + std::to_string(t), 1, files.QuestionFilePath());
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(table.Count("corp\\shared"), kThreads * kEach);
  EXPECT_EQ(table.Count("corp\\user7"), kEach);
  EXPECT_EQ(table.Count("corp\\nobody"), 0);
  // One line per user, each whole: the shared one at the exact total.
  const std::vector<std::string> lines = files.QuestionFileLines();
  EXPECT_EQ(lines.size(), static_cast<std::size_t>(kThreads) + 1);
  int shared = 0;
  for (const std::string& line : lines) {
    EXPECT_NE(line.find("\t{{LOCKED}} # "), std::string::npos) << line;
    if (line.rfind("corp\\shared\t", 0) == 0) {
      ++shared;
      EXPECT_NE(line.find("# " + std::to_string(kThreads * kEach) + " failed"), std::string::npos) << line;
    }
  }
  EXPECT_EQ(shared, 1);
}

}  // namespace
