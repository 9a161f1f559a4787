// The Pellucor program end to end through the service manager layer: a copy
// of the program with its own token file (a port claimed for it), registry,
// question file and rules; installed, started, paused, continued, stopped and
// removed with the program's own options and the command varnok-service;
// its reports read from a notify socket as systemd would; the console's break
// events; a port already taken; a stop while it starts.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/command_output.h"
#include "tests/support/file_bytes.h"
#include "tests/support/notify_socket.h"
#include "tests/support/service_fixture.h"
#include "tests/support/service_port.h"
#include "platform/service/service_manager.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
constexpr auto kPatience = std::chrono::seconds(30);
constexpr const char* kServiceName = "VNK Pellucor";

class PellucorServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef PELLUCOR_PATH
    GTEST_SKIP() << "Pellucor is not built";
#else
    program = files.Folder() + "/Pellucor";
    fs::copy_file(PELLUCOR_PATH, program);
    port = claimedPort.Port();
    ASSERT_NE(port, 0);
    std::ofstream(files.Folder() + "/Pellucor.cfg") << "PORT = " << port << "\n";
    files.WriteQuestionFile("TESTDOM\\jsmith\tFirst pet?\trex\tdog\nTESTDOM\\jsmith\tCity?\tparis\n");
    fs::create_directory(files.Folder() + "/services");
    setenv("VARNOK_SERVICE_DIR", (files.Folder() + "/services").c_str(), 1);
    setenv("VARNOK_RUN_DIR", (files.Folder() + "/run").c_str(), 1);
    unsetenv("VARNOK_SERVICE_NAME");
    notify.emplace(files.Folder() + "/notify");
    ASSERT_TRUE(notify->Bound());
#endif
  }

  void TearDown() override {
    // A service that a failed test left running is stopped: through the
    // layer when it was started so, else by its pid.
    if (SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT)) {
      if (SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS)) {
        SERVICE_STATUS status{};
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        for (auto deadline = std::chrono::steady_clock::now() + kPatience;
             QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED &&
             std::chrono::steady_clock::now() < deadline;) {
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        CloseServiceHandle(service);
      }
      CloseServiceHandle(manager);
    }
    const std::string pidLine = ReadFileBytes(files.Folder() + "/service.pid");
    if (!pidLine.empty()) kill(std::stoi(pidLine), SIGKILL);
    notify.reset();
  }

  // Starts the program with `arguments`; output to console.txt. With
  // `asService` it is started as the layer's start command starts it.
  pid_t Spawn(const std::vector<std::string>& arguments, bool asService = false) {
    std::vector<std::string> words = {program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
    if (asService) environment.push_back(std::string("VARNOK_SERVICE_NAME=") + kServiceName);
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string console = files.Folder() + "/console.txt";
    posix_spawn_file_actions_addopen(&actions, 1, console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  // The exit status, or -1 when it did not exit by itself in time.
  int WaitExit(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) != pid) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  int RunProgram(const std::vector<std::string>& arguments) { return WaitExit(Spawn(arguments)); }

  // varnok-service with `arguments`; its exit status and output.
  int Command(const std::string& arguments, std::string& output) {
    return RunCommand(std::string("'") + SERVICE_COMMAND + "' " + arguments, output);
  }

  std::string NextNotice() { return notify->NextNotice(kPatience); }

  // Whether the program started as `pid` listens on the port in time: its
  // own socket, not whatever answers there.
  bool WaitUntilListening(pid_t pid) {
    for (auto deadline = std::chrono::steady_clock::now() + kPatience; std::chrono::steady_clock::now() < deadline;) {
      if (ProcessListensOn(pid, port)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  bool LookupServed() {
    CClient client(port);
    PwdResetRecord reply{};
    return client.Connected() && client.Lookup("TESTDOM", "jsmith", reply) && reply.result == RESULT_SUCCESS &&
           QuestionsOf(reply).questions.size() == 2;
  }

  std::string UnitPath() const { return files.Folder() + "/services/VNK\\x20Pellucor.service"; }

  CServiceFiles files;
  std::string program;
  ServicePort claimedPort;
  std::uint16_t port = 0;
  std::optional<NotifySocket> notify;
};

TEST_F(PellucorServiceTest, InstallStartPauseContinueStopRemove) {
  ASSERT_EQ(RunProgram({"-install", "manual", "root", "s3cret-pw"}), 0);
  ASSERT_TRUE(fs::exists(UnitPath()));
  EXPECT_EQ(ReadFileBytes(UnitPath()).find("s3cret-pw"), std::string::npos);
  EXPECT_NE(files.LogText().find("Installing Service\n"), std::string::npos) << files.LogText();
  EXPECT_EQ(files.LogText().find("s3cret-pw"), std::string::npos);

  std::string output;
  ASSERT_EQ(Command("start 'VNK Pellucor'", output), 0) << output;
  EXPECT_EQ(output.substr(0, output.find('\n')), "VNK Pellucor: Running");
  EXPECT_EQ(NextNotice(), "STATUS=Start Pending");
  EXPECT_EQ(NextNotice(), "READY=1\nSTATUS=Running");
  EXPECT_TRUE(LookupServed());

  // Start pending took check point 1; paused takes 2, each interrogation
  // while paused the next one.
  ASSERT_EQ(Command("pause 'VNK Pellucor'", output), 0) << output;
  EXPECT_NE(output.find("VNK Pellucor: Paused\n"), std::string::npos) << output;
  EXPECT_NE(output.find("  Check point ....: 2\n"), std::string::npos) << output;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_INTERROGATE);
  ASSERT_NE(service, nullptr);
  SERVICE_STATUS status{};
  for (DWORD expected : {3u, 4u}) {
    ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_INTERROGATE, &status));
    EXPECT_EQ(status.dwCurrentState, SERVICE_PAUSED);
    EXPECT_EQ(status.dwCheckPoint, expected);
    EXPECT_EQ(status.dwWaitHint, 0u);
  }
  EXPECT_EQ(status.dwControlsAccepted,
            SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE | SERVICE_ACCEPT_SHUTDOWN);
  // Paused only in name: lookups are still served.
  EXPECT_TRUE(LookupServed());
  ASSERT_EQ(Command("continue 'VNK Pellucor'", output), 0) << output;
  EXPECT_EQ(output.substr(0, output.find('\n')), "VNK Pellucor: Running");
  ASSERT_EQ(Command("stop 'VNK Pellucor'", output), 0) << output;
  EXPECT_EQ(output.substr(0, output.find('\n')), "VNK Pellucor: Stopped");
  for (const char* notice : {"STATUS=Paused", "STATUS=Paused", "STATUS=Paused", "STATUS=Running",
                             "STOPPING=1\nSTATUS=Stop Pending", "STATUS=Stopped"}) {
    EXPECT_EQ(NextNotice(), notice);
  }
  EXPECT_FALSE(CClient(port).Connected());
  CloseServiceHandle(service);
  CloseServiceHandle(manager);

  // The service's own lines in its log file.
  const std::string log = files.LogText();
  EXPECT_NE(log.find("VNK Password Reset Server\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\nBuild date : "), std::string::npos) << log;

  ASSERT_EQ(RunProgram({"-remove"}), 0);
  EXPECT_FALSE(fs::exists(UnitPath()));
}

TEST_F(PellucorServiceTest, RemoveStopsARunningService) {
  ASSERT_EQ(RunProgram({"-install"}), 0);
  std::string output;
  ASSERT_EQ(Command("start 'VNK Pellucor'", output), 0) << output;
  // Ready once it listens: the notice comes from the program this test started.
  EXPECT_EQ(NextNotice(), "STATUS=Start Pending");
  ASSERT_EQ(NextNotice(), "READY=1\nSTATUS=Running");
  ASSERT_TRUE(LookupServed());
  ASSERT_EQ(RunProgram({"-remove"}), 0);
  EXPECT_FALSE(fs::exists(UnitPath()));
  EXPECT_FALSE(CClient(port).Connected());
  EXPECT_EQ(Command("query 'VNK Pellucor'", output), 1);
}

TEST_F(PellucorServiceTest, PortInUseReportsStartPendingStopPendingStopped) {
  const int taken = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(listen(taken, 1), 0);

  // Through the layer's start ...
  ASSERT_EQ(RunProgram({"-install"}), 0);
  std::string output;
  EXPECT_EQ(Command("start 'VNK Pellucor'", output), 1) << output;
  EXPECT_EQ(output.substr(0, output.find('\n')), "VNK Pellucor: Stopped");
  EXPECT_EQ(NextNotice(), "STATUS=Start Pending");
  EXPECT_EQ(NextNotice(), "STOPPING=1\nSTATUS=Stop Pending");
  EXPECT_EQ(NextNotice(), "STATUS=Stopped");
  EXPECT_NE(files.LogText().find("WSAError : Socket Bind failure.\n"), std::string::npos) << files.LogText();

  // ... and started as the layer starts it, where its exit status shows.
  EXPECT_EQ(WaitExit(Spawn({}, true)), 1);
  EXPECT_EQ(RunProgram({"-debug"}), 1);
  close(taken);
}

TEST_F(PellucorServiceTest, ConsoleBreakEventsStopIt) {
  const struct {
    int signal;
    const char* handlerLine;
  } cases[] = {{SIGINT, "TRACE (1) : ServiceControlHandler(0)"}, {SIGQUIT, "TRACE (1) : ServiceControlHandler(1)"}};
  for (const auto& c : cases) {
    const pid_t pid = Spawn({"-debug"});
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitUntilListening(pid));
    ASSERT_EQ(kill(pid, c.signal), 0);
    EXPECT_EQ(WaitExit(pid), 0);
    const std::string console = ReadFileBytes(files.Folder() + "/console.txt");
    const std::size_t handler = console.find(std::string(c.handlerLine) + "\nTRACE (1) : Stop()\n");
    EXPECT_NE(handler, std::string::npos) << console;
    EXPECT_NE(console.find("TRACE (1) :   New state = Stopped\n", handler), std::string::npos) << console;
  }
}

TEST_F(PellucorServiceTest, TerminateStopsItWhileStartingAndWhileRunning) {
  for (const bool whileStarting : {true, false}) {
    const pid_t pid = Spawn({}, true);
    ASSERT_GT(pid, 0);
    std::ofstream(files.Folder() + "/service.pid") << pid;
    ASSERT_EQ(NextNotice(), "STATUS=Start Pending");
    if (!whileStarting) {
      ASSERT_EQ(NextNotice(), "READY=1\nSTATUS=Running");
      EXPECT_TRUE(LookupServed());
    }
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    EXPECT_EQ(WaitExit(pid), 0) << (whileStarting ? "while starting" : "while running");
    std::remove((files.Folder() + "/service.pid").c_str());
    std::string last;
    for (std::string notice; !(notice = NextNotice()).empty() && notice != "STATUS=Stopped";) last = notice;
    EXPECT_EQ(last, "STOPPING=1\nSTATUS=Stop Pending");
  }
}

TEST_F(PellucorServiceTest, ShellRunsWithoutTheManager) {
  // No options: the dispatcher cannot connect, which is a failed start.
  EXPECT_EQ(RunProgram({}), 1);
  EXPECT_NE(files.LogText().find("Error starting Service Control Dispatcher\n"
                                 "=========================================\n"
                                 "Status code ...: 1063\n"),
            std::string::npos)
      << files.LogText();
  for (const auto& entry : fs::directory_iterator(files.Folder())) {
    if (entry.path().filename().string().rfind("VNK-Pellucor-", 0) == 0) fs::remove(entry.path());
  }
  // The banner goes to the console alone; no log file is made.
  EXPECT_EQ(RunProgram({"/Version", "-debug"}), 0);
  const std::string console = ReadFileBytes(files.Folder() + "/console.txt");
  EXPECT_EQ(console.substr(0, console.find("Version")),
            "VNK Password Reset Server\nVarnok AG - self-service password reset for Windows domains\n\n");
  EXPECT_NE(console.find("\nBuild date : "), std::string::npos);
  EXPECT_EQ(console.find("TRACE"), std::string::npos);
  EXPECT_TRUE(files.LogText().empty());
}

}  // namespace
