// The service frame and the service body in this process: the command line,
// the entry's options, the event, install and remove through the service
// manager layer (in a folder of the test's own), and Run's status reports on
// the console, a stop that comes during start-up and a port already taken.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "RemoteSvr/auto_reset_event.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/program_options.h"
#include "RemoteSvr/pwd_reset_server.h"
#include "RemoteSvr/pwd_reset_service.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_folder.h"
#include "platform/service/service_manager.h"

namespace {

// Only bounds a failure: a working service never makes a test wait this long.
constexpr auto kPatience = std::chrono::seconds(30);

// The reset service on a port the test chooses (0: any free one).
class CTestService : public CPwdResetService {
 public:
  CTestService() : CPwdResetService("VNK Test Pellucor", "VNK Test Display", "Test description", "Test notice") {}
  std::uint16_t port = 0;

 protected:
  std::unique_ptr<CPwdResetServer> CreateServer() override { return std::make_unique<CPwdResetServer>(port); }
};

class ServiceFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(folder.Path() + "/services");
    setenv("VARNOK_SERVICE_DIR", (folder.Path() + "/services").c_str(), 1);
    setenv("VARNOK_RUN_DIR", (folder.Path() + "/run").c_str(), 1);
    setenv("VARNOK_REGISTRY", (folder.Path() + "/registry.reg").c_str(), 1);
    LogFile().OpenInDirectory(folder.Path(), 0, 1, "VNK-Pellucor", ".txt");
    LogFile().debugLevel = 9;
    service = std::make_unique<CTestService>();
  }
  void TearDown() override {
    service.reset();
    LogFile().debugLevel = 0;
    LogFile().OpenInDirectory("", 0, 0, "VNK-Pellucor", ".txt");
  }

  std::vector<std::string> LogLines() { return FileLines(LogFile().Path()); }
  std::string LogText() {
    std::string text;
    for (const std::string& line : LogLines()) text += line + "\n";
    return text;
  }
  // The states that SetStatus traced, in order.
  std::vector<std::string> ReportedStates() {
    std::vector<std::string> states;
    const std::string prefix = "TRACE (1) :   New state = ";
    for (const std::string& line : LogLines()) {
      if (line.rfind(prefix, 0) == 0) states.push_back(line.substr(prefix.size()));
    }
    return states;
  }
  std::string UnitFile() {
    std::ifstream in(folder.Path() + "/services/VNK\\x20Test\\x20Pellucor.service", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  // Runs the service's Run on a thread of its own; true once it returned.
  bool RunUntilReturned(const std::function<void()>& whileRunning = {}) {
    std::packaged_task<void()> task([this] { service->Run(); });
    std::future<void> done = task.get_future();
    std::thread thread(std::move(task));
    if (whileRunning) whileRunning();
    const bool returned = done.wait_for(kPatience) == std::future_status::ready;
    if (!returned) service->Stop();
    thread.join();
    return returned;
  }

  ScratchFolder folder;
  std::unique_ptr<CTestService> service;
};

TEST_F(ServiceFrameTest, CommandLineWords) {
  const struct {
    const char* commandLine;
    int usage, install, remove, console;
    DWORD startType;
    const char* account;
    const char* password;
  } cases[] = {
      {"  prog -install auto svcuser pw  ", 0, 1, 0, 0, SERVICE_AUTO_START, "svcuser", "pw"},
      {"prog /INSTALL Manual", 0, 1, 0, 0, SERVICE_DEMAND_START, "", ""},
      // The words after -install are its arguments, whatever they look like.
      {"prog -install -remove", 0, 1, 0, 0, SERVICE_DEMAND_START, "", ""},
      {"prog -install AUTO -debug -h", 0, 1, 0, 0, SERVICE_AUTO_START, "-debug", "-h"},
      {"prog -? -install", 1, 1, 0, 0, SERVICE_DEMAND_START, "", ""},
      {"prog /DEBUG -remove", 0, 0, 1, 1, SERVICE_DEMAND_START, "", ""},
      {"prog xdebug -xyz --debug", 0, 0, 0, 0, SERVICE_DEMAND_START, "", ""},
      {"/opt/my apps/prog -h", 1, 0, 0, 0, SERVICE_DEMAND_START, "", ""},
  };
  for (const auto& c : cases) {
    service->ParseCommandLine(c.commandLine);
    EXPECT_EQ(service->ShowUsageFlag(), c.usage) << c.commandLine;
    EXPECT_EQ(service->InstallFlag(), c.install) << c.commandLine;
    EXPECT_EQ(service->RemoveFlag(), c.remove) << c.commandLine;
    EXPECT_EQ(service->ConsoleMode(), c.console) << c.commandLine;
    EXPECT_EQ(service->StartType(), c.startType) << c.commandLine;
    EXPECT_EQ(service->Account(), c.account) << c.commandLine;
    EXPECT_EQ(service->Password(), c.password) << c.commandLine;
  }
  // Quotes mean nothing: a path with a blank is two words.
  EXPECT_EQ(service->Arguments(), (std::vector<std::string>{"/opt/my", "apps/prog", "-h"}));
}

TEST_F(ServiceFrameTest, ArgumentTraceShowsNoPassword) {
  service->ParseCommandLine("prog -install auto svcuser s3cret-pw -debug");
  const std::vector<std::string> lines = LogLines();
  for (const char* expected : {"TRACE (1) : Argument [0] = prog", "TRACE (1) : Argument [1] = -install",
                               "TRACE (1) : Argument [2] = auto", "TRACE (1) : Argument [3] = svcuser",
                               "TRACE (1) : Argument [4] = <set>", "TRACE (1) : Argument [5] = -debug",
                               "TRACE (1) : Argument set to Debug Mode"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
  }
  EXPECT_EQ(LogText().find("s3cret-pw"), std::string::npos);
}

TEST(ProgramOptions, EachWordWithoutItsFirstCharacter) {
  const struct {
    std::vector<const char*> words;
    int console, file, banner, level;
  } cases[] = {
      {{"prog"}, 0, 1, 0, 0},
      {{"prog", "-debug"}, 1, 1, 0, 9},
      {{"prog", "xDEBUG"}, 1, 1, 0, 9},
      {{"prog", "/Version"}, 1, 0, 1, 0},
      {{"prog", "-debug", "-version"}, 1, 0, 1, 0},
      {{"prog", "-version", "-debug"}, 1, 0, 1, 0},
      {{"prog", "-install", "-remove", "-xyz", "", "debug"}, 0, 1, 0, 0},
  };
  for (const auto& c : cases) {
    const ProgramOptions options = ReadProgramOptions(static_cast<int>(c.words.size()), c.words.data());
    EXPECT_EQ(options.consoleOutput, c.console) << c.words.back();
    EXPECT_EQ(options.fileOutput, c.file) << c.words.back();
    EXPECT_EQ(options.banner, c.banner) << c.words.back();
    EXPECT_EQ(DebugLevelFor(options), c.level) << c.words.back();
  }
}

TEST(AutoResetEvent, OneSetReleasesOneWait) {
  CAutoResetEvent event;
  EXPECT_EQ(event.Wait(0), WAIT_TIMEOUT);
  event.Set();
  event.Set();
  EXPECT_EQ(event.Wait(0), WAIT_OBJECT_0);
  EXPECT_EQ(event.Wait(0), WAIT_TIMEOUT);
  std::thread setter([&event] { event.Set(); });
  EXPECT_EQ(event.Wait(INFINITE), WAIT_OBJECT_0);
  setter.join();
  event.Close();
  event.Set();
  EXPECT_EQ(event.Wait(0), WAIT_FAILED);
}

TEST_F(ServiceFrameTest, TextsOfStatesAndErrors) {
  const char* names[] = {"Unknown", "Stopped", "Start Pending", "Stop pending", "Running",
                         "Continue Pending", "Pause Pending", "Paused", "Unknown"};
  for (DWORD state = 0; state <= 8; ++state) EXPECT_STREQ(CWindowsService::StateName(state), names[state]);
  EXPECT_EQ(CWindowsService::ErrorText(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT),
            "The service process could not connect to the service controller.");
  EXPECT_EQ(CWindowsService::ErrorText(424242), "Error 424242");
}

TEST_F(ServiceFrameTest, UsageWinsOverEverything) {
  service->ParseCommandLine("prog -debug -? -install");
  service->Start();
  const std::vector<std::string> lines = LogLines();
  const std::vector<std::string> usage = {
      "Command line",
      "============",
      "-install <Auto/Manual> <username> <password> to install the service",
      "-remove                                      to remove the service",
      "-debug                                       to run on console (debug)",
      "-?                                           displays this message",
  };
  const auto found = std::search(lines.begin(), lines.end(), usage.begin(), usage.end());
  EXPECT_NE(found, lines.end()) << LogText();
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path() + "/services"));
}

TEST_F(ServiceFrameTest, InstallAndRemoveThroughTheServiceManager) {
  service->ParseCommandLine("prog -install auto .\\root s3cret-pw");
  service->Start();
  const std::vector<std::string> install = {
      "Installing Service",
      "  Service name = VNK Test Pellucor",
      "  Display name = VNK Test Display",
      "  Start mode   = Auto",
      "  Executable   = " + service->ProgramPath(),
      "  Username     = .\\root",
      "  Password     = <set>",
      "",
  };
  std::vector<std::string> lines = LogLines();
  EXPECT_NE(std::search(lines.begin(), lines.end(), install.begin(), install.end()), lines.end()) << LogText();
  const std::string unit = UnitFile();
  EXPECT_NE(unit.find("\nExecStart=\"" + service->ProgramPath() + "\"\n"), std::string::npos) << unit;
  EXPECT_NE(unit.find("\nUser=root\n"), std::string::npos) << unit;
  EXPECT_NE(unit.find("\nWantedBy=multi-user.target\n"), std::string::npos) << unit;
  EXPECT_EQ(unit.find("s3cret-pw"), std::string::npos);
  EXPECT_EQ(LogText().find("s3cret-pw"), std::string::npos);

  // Installed already.
  service->Install();
  lines = LogLines();
  const std::vector<std::string> exists = {
      "Error Creating Service", "======================", "Status code ...: 1073",
      "Status text ...: The specified service already exists.", ""};
  EXPECT_NE(std::search(lines.begin(), lines.end(), exists.begin(), exists.end()), lines.end()) << LogText();

  // Not running: removed without the stop's lines.
  service->ParseCommandLine("prog -remove");
  service->Start();
  lines = LogLines();
  const std::vector<std::string> removed = {"TRACE (1) : Stopping Service", "TRACE (1) :   Removed.",
                                            "TRACE (1) : "};
  EXPECT_NE(std::search(lines.begin(), lines.end(), removed.begin(), removed.end()), lines.end()) << LogText();
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "TRACE (1) :   Stopped."), lines.end());
  EXPECT_TRUE(UnitFile().empty());

  service->Remove();
  lines = LogLines();
  const std::vector<std::string> missing = {
      "Error Opening The Service Control Manager", "=========================================",
      "Status code ...: 1060", "Status text ...: The specified service does not exist as an installed service.",
      ""};
  EXPECT_NE(std::search(lines.begin(), lines.end(), missing.begin(), missing.end()), lines.end()) << LogText();
}

TEST_F(ServiceFrameTest, DispatcherFailsWhenNotStartedAsAService) {
  unsetenv("VARNOK_SERVICE_NAME");
  service->ParseCommandLine("prog");
  service->Start();
  EXPECT_EQ(service->DispatcherFailed(), 1);
  const std::vector<std::string> lines = LogLines();
  const std::vector<std::string> block = {
      "Error starting Service Control Dispatcher", "=========================================",
      "Status code ...: 1063", "Status text ...: The service process could not connect to the service controller.",
      ""};
  EXPECT_NE(std::search(lines.begin(), lines.end(), block.begin(), block.end()), lines.end()) << LogText();
}

TEST_F(ServiceFrameTest, ConsoleRunReportsEachStateUntilStopped) {
  service->SetConsoleMode(1);
  ASSERT_TRUE(RunUntilReturned([this] {
    for (auto deadline = std::chrono::steady_clock::now() + kPatience;
         service->Status().dwCurrentState != SERVICE_RUNNING && std::chrono::steady_clock::now() < deadline;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    service->Stop();
  }));
  EXPECT_EQ(ReportedStates(), (std::vector<std::string>{"Start Pending", "Running", "Stop pending", "Stopped"}));
  EXPECT_EQ(service->StartFailed(), 0);
  // On the console the reports are only kept.
  const SERVICE_STATUS status = service->Status();
  EXPECT_EQ(status.dwCurrentState, SERVICE_STOPPED);
  EXPECT_EQ(status.dwCheckPoint, 0u);
}

TEST_F(ServiceFrameTest, StopDuringStartUpIsNotLost) {
  service->SetConsoleMode(1);
  // The stop comes before Run has got as far as running.
  service->Stop();
  ASSERT_TRUE(RunUntilReturned()) << "a stop that came while starting was lost";
  EXPECT_EQ(ReportedStates(), (std::vector<std::string>{"Start Pending", "Stop pending", "Stopped"}));
  EXPECT_EQ(service->StartFailed(), 0);
  // The server did come up, and was taken down again.
  const std::vector<std::string> lines = LogLines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                          [](const std::string& line) { return line.find("Listening on Socket") != line.npos; }));
}

TEST_F(ServiceFrameTest, PortInUseStopsAtOnceAndCountsAsAFailedStart) {
  const int taken = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(listen(taken, 1), 0);
  socklen_t length = sizeof(address);
  getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length);
  service->port = ntohs(address.sin_port);
  service->SetConsoleMode(1);
  ASSERT_TRUE(RunUntilReturned());
  close(taken);
  EXPECT_EQ(ReportedStates(), (std::vector<std::string>{"Start Pending", "Stop pending", "Stopped"}));
  EXPECT_EQ(service->StartFailed(), 1);
  const std::vector<std::string> lines = LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "WSAError : Socket Bind failure."), lines.end()) << LogText();
}

}  // namespace
