// The listener in this process: a port already taken, closing the socket
// while the listener waits in accept, and a listener that runs out of
// descriptors and keeps listening.
#include "RemoteSvr/pwd_reset_server.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "RemoteSvr/common/record_client.h"
#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/log_file.h"
#include "tests/support/service_fixture.h"
#include "tests/support/service_port.h"

namespace {

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files.WriteQuestionFile("corp\\alice\tPet?\tRex\n");
    LogFile().OpenInDirectory(files.Folder(), 0, 1, "VNK-Pellucor", ".txt");
    LogFile().debugLevel = 9;
    CDatabaseSettings::Instance().Initialise();
  }
  void TearDown() override {
    LogFile().debugLevel = 0;
    LogFile().OpenInDirectory("", 0, 0, "VNK-Pellucor", ".txt");
  }

  static bool LookupServed(std::uint16_t port) {
    CClient client(port);
    PwdResetRecord reply;
    return client.Connected() && client.Lookup("corp", "alice", reply) && ReplySucceeded(reply);
  }

  CServiceFiles files;
};

TEST_F(ServerTest, PortInUseFailsTheStart) {
  CPwdResetServer holder(0);
  ASSERT_NE(holder.Start(), 0);
  CPwdResetServer second(holder.LocalPort());
  EXPECT_EQ(second.Start(), 0);
  const std::string log = files.LogText();
  EXPECT_NE(log.find("WSAError : Socket Bind failure.\n"), std::string::npos) << log;
  EXPECT_NE(log.find("WSAError : Error code = 10048\n"), std::string::npos);
  EXPECT_TRUE(LookupServed(holder.LocalPort()));
}

TEST_F(ServerTest, ClosingTheSocketEndsTheListenerAndLeavesServedClientsAlone) {
  // A claimed port stays closed once the listener has gone; one of port 0
  // may be the next server's at once.
  const ServicePort claimed;
  CPwdResetServer server(claimed.Port());
  ASSERT_NE(server.Start(), 0);
  const std::uint16_t port = server.LocalPort();
  CClient served(port);
  PwdResetRecord reply;
  ASSERT_TRUE(served.Lookup("corp", "alice", reply));
  // The listener waits in accept; CloseSocket returns once it has ended.
  server.CloseSocket();
  EXPECT_FALSE(CClient(port).Connected());
  // A connection already served goes on until it ends.
  ASSERT_TRUE(served.Lookup("corp", "alice", reply));
  EXPECT_TRUE(ReplySucceeded(reply));
  server.CloseSocket();  // again: nothing happens
}

// The highest descriptor number open in this process.
int HighestDescriptor() {
  int highest = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (dirent* entry = readdir(dir)) highest = std::max(highest, std::atoi(entry->d_name));
  closedir(dir);
  return highest;
}

// The service's log file, opened for reading; -1 when there is none.
int OpenServiceLog(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return -1;
  int fd = -1;
  while (dirent* entry = readdir(dir)) {
    if (std::string(entry->d_name).rfind("VNK-Pellucor-", 0) == 0) {
      fd = ::open((folder + "/" + entry->d_name).c_str(), O_RDONLY | O_CLOEXEC);
      break;
    }
  }
  closedir(dir);
  return fd;
}

// Whether the log holds `text`, read through a descriptor opened earlier.
bool LogHolds(int fd, const std::string& text) {
  std::string content;
  char buffer[4096];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
    if (n <= 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
  return content.find(text) != std::string::npos;
}

TEST_F(ServerTest, ListenerOutOfDescriptorsBacksOffAndKeepsListening) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizers test memory through a pipe of their own: in a process
  // without a free descriptor they report sound objects as broken.
  GTEST_SKIP() << "needs a process that may run out of descriptors";
#endif
  CPwdResetServer server(0);
  ASSERT_NE(server.Start(), 0);
  ASSERT_TRUE(LookupServed(server.LocalPort()));

  // Opened before the descriptors run out, to watch the listener fail.
  const int logFile = OpenServiceLog(files.Folder());
  ASSERT_GE(logFile, 0);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(HighestDescriptor() + 8);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  // Fill from a descriptor of our own: standard input may be closed.
  const int source = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(source, 0);
  std::vector<int> filler{source};
  // The service may still be closing the first lookup's socket: top up
  // until no descriptor comes free any more.
  for (int quiet = 0, round = 0; quiet < 3 && round < 40; ++round) {
    const std::size_t before = filler.size();
    for (int fd; (fd = dup(source)) >= 0;) filler.push_back(fd);
    quiet = filler.size() == before ? quiet + 1 : 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::close(filler.back());  // one descriptor left: the client's
  filler.pop_back();
  auto client = std::make_unique<CClient>(server.LocalPort());
  ASSERT_TRUE(client->Connected());
  // The service cannot accept it now: wait until the listener has failed
  // (a loaded machine may take a while to get there).
  for (int i = 0; i < 200 && !LogHolds(logFile, "Error code = 10024"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::close(logFile);
  for (const int fd : filler) ::close(fd);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);

  PwdResetRecord reply;
  ASSERT_TRUE(client->Lookup("corp", "alice", reply));
  EXPECT_TRUE(ReplySucceeded(reply));
  EXPECT_TRUE(LookupServed(server.LocalPort()));
  const std::string log = files.LogText();
  EXPECT_NE(log.find("WSAError : ::accept() failure, retrying\n"), std::string::npos) << log;
  EXPECT_NE(log.find("WSAError : Error code = 10024\n"), std::string::npos);
}

}  // namespace
