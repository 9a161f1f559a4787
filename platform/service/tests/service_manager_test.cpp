// The service manager end to end: unit files in a folder of the test's own,
// a real service program (service_probe) started, controlled and stopped
// through the layer, its reports read from a notify socket as systemd would,
// and the command varnok-service.
#include "platform/service/service_manager.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/service/service_unit_file.h"
#include "tests/support/command_output.h"
#include "tests/support/file_bytes.h"
#include "tests/support/notify_socket.h"
#include "tests/support/scratch_folder.h"

namespace {

constexpr const char* kServiceName = "probe svc";
// Only for finding out that something never happens: no test waits this
// long when the code works.
constexpr auto kPatience = std::chrono::seconds(30);

// The folders of the layer and a notify socket, all in a temporary folder,
// named to the layer through its environment variables.
class ServiceManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(root + "/services");
    setenv("VARNOK_SERVICE_DIR", (root + "/services").c_str(), 1);
    setenv("VARNOK_RUN_DIR", (root + "/run").c_str(), 1);
    setenv("PROBE_LOG", (root + "/probe.log").c_str(), 1);
    unsetenv("VARNOK_SERVICE_NAME");
    unsetenv("PROBE_GATE");
    notify.emplace(root + "/notify");
    ASSERT_TRUE(notify->Bound());
  }

  void TearDown() override {
    // A service left running by a failed test is stopped, not left behind.
    if (service != nullptr) {
      SERVICE_STATUS status{};
      ControlService(service, SERVICE_CONTROL_STOP, &status);
      WaitForState(SERVICE_STOPPED);
      CloseServiceHandle(service);
    }
    if (manager != nullptr) CloseServiceHandle(manager);
    notify.reset();
    unsetenv("PROBE_GATE");
  }

  void Install(const std::string& program = SERVICE_PROBE, const char* account = nullptr) {
    manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr) << GetLastError();
    service = CreateServiceA(manager, kServiceName, "Probe service", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                             SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, program.c_str(), nullptr, nullptr, nullptr,
                             account, "secret-password");
    ASSERT_NE(service, nullptr) << GetLastError();
  }

  // Queries until the state is reached (true) or patience runs out.
  bool WaitForState(DWORD state) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    SERVICE_STATUS status{};
    while (std::chrono::steady_clock::now() < deadline) {
      if (QueryServiceStatus(service, &status) && status.dwCurrentState == state) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  // The next datagram on the notify socket; "" when none comes.
  std::string NextNotice() { return notify->NextNotice(kPatience); }

  std::vector<std::string> ProbeLog() { return FileLines(root + "/probe.log"); }

  ScratchFolder scratch{"varnok-svc"};
  std::string root = scratch.Path();
  std::optional<NotifySocket> notify;
  SC_HANDLE manager = nullptr;
  SC_HANDLE service = nullptr;
};

TEST_F(ServiceManagerTest, InstallWritesAUnitWithoutThePassword) {
  setenv("VARNOK_REGISTRY", "/etc/varnok/test.reg", 1);
  Install(SERVICE_PROBE, ".\\root");
  unsetenv("VARNOK_REGISTRY");
  const std::string unit = ReadFileBytes(root + "/services/probe\\x20svc.service");
  EXPECT_NE(unit.find("\nDescription=Probe service\n"), std::string::npos) << unit;
  EXPECT_NE(unit.find("\nType=notify\n"), std::string::npos) << unit;
  EXPECT_NE(unit.find(std::string("\nExecStart=\"") + SERVICE_PROBE + "\"\n"), std::string::npos) << unit;
  EXPECT_NE(unit.find("\nUser=root\n"), std::string::npos) << unit;
  EXPECT_NE(unit.find("\nEnvironment=\"VARNOK_SERVICE_NAME=probe svc\"\n"), std::string::npos) << unit;
  EXPECT_NE(unit.find("\nEnvironment=\"VARNOK_REGISTRY=/etc/varnok/test.reg\"\n"), std::string::npos) << unit;
  EXPECT_NE(unit.find("\nEnvironment=\"VARNOK_RUN_DIR=" + root + "/run\"\n"), std::string::npos) << unit;
  EXPECT_EQ(unit.find("secret-password"), std::string::npos);
  EXPECT_EQ(unit.find("[Install]"), std::string::npos);

  // Installed already, under any program.
  EXPECT_EQ(CreateServiceA(manager, kServiceName, "", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                           SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, "/bin/true", nullptr, nullptr, nullptr, nullptr,
                           nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SERVICE_EXISTS);
  // Nothing but the unit itself is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root + "/services"),
                          std::filesystem::directory_iterator()),
            1);

  EXPECT_TRUE(DeleteService(service));
  EXPECT_FALSE(std::filesystem::exists(root + "/services/probe\\x20svc.service"));
  EXPECT_FALSE(DeleteService(service));
  EXPECT_EQ(GetLastError(), ERROR_SERVICE_MARKED_FOR_DELETE);
  EXPECT_EQ(OpenServiceA(manager, kServiceName, SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
  EXPECT_TRUE(CloseServiceHandle(service));
  service = nullptr;
}

TEST_F(ServiceManagerTest, RefusalsCarryWindowsCodes) {
  EXPECT_EQ(OpenSCManagerA("otherhost", nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(OpenSCManagerA(nullptr, "ServicesFailed", SC_MANAGER_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
  setenv("VARNOK_SERVICE_DIR", (root + "/missing").c_str(), 1);
  EXPECT_EQ(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  setenv("VARNOK_SERVICE_DIR", (root + "/services").c_str(), 1);

  manager = OpenSCManagerA(nullptr, "ServicesActive", SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(manager, nullptr);
  const auto create = [&](const char* name, const char* program, DWORD startType, const char* account) {
    return CreateServiceA(manager, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, startType,
                          SERVICE_ERROR_NORMAL, program, nullptr, nullptr, nullptr, account, nullptr);
  };
  const struct {
    const char* name;
    const char* program;
    DWORD startType;
    const char* account;
    DWORD error;
  } cases[] = {
      {"a/b", "/bin/true", SERVICE_DEMAND_START, nullptr, ERROR_INVALID_NAME},
      {"", "/bin/true", SERVICE_DEMAND_START, nullptr, ERROR_INVALID_NAME},
      {"ok", "", SERVICE_DEMAND_START, nullptr, ERROR_INVALID_PARAMETER},
      {"ok", "/bin/true", 7, nullptr, ERROR_INVALID_PARAMETER},
      {"ok", "/bin/true", SERVICE_DEMAND_START, "no-such-user-here", ERROR_INVALID_SERVICE_ACCOUNT},
      {"ok", "/bin/true", SERVICE_DEMAND_START, "root\nGroup=root", ERROR_INVALID_SERVICE_ACCOUNT},
      {"ok", "/bin/true\nExecStartPre=/bin/false", SERVICE_DEMAND_START, nullptr, ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(create(c.name, c.program, c.startType, c.account), nullptr) << c.name << " " << c.program;
    EXPECT_EQ(GetLastError(), c.error) << c.name << " " << c.program;
  }
  EXPECT_TRUE(std::filesystem::is_empty(root + "/services"));

  EXPECT_EQ(OpenServiceA(manager, "absent", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
  EXPECT_FALSE(CloseServiceHandle(reinterpret_cast<SC_HANDLE>(root.data())));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  SERVICE_STATUS status{};
  EXPECT_FALSE(QueryServiceStatus(manager, &status));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(ServiceManagerTest, DispatcherFailsOutsideTheManager) {
  char name[] = "probe";
  const SERVICE_TABLE_ENTRYA table[] = {{name, [](DWORD, LPSTR*) {}}, {nullptr, nullptr}};
  EXPECT_FALSE(StartServiceCtrlDispatcherA(table));
  EXPECT_EQ(GetLastError(), ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
  EXPECT_EQ(RegisterServiceCtrlHandlerA(name, [](DWORD) {}), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
  SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, SERVICE_RUNNING, 0, 0, 0, 0, 0};
  EXPECT_FALSE(SetServiceStatus(reinterpret_cast<SERVICE_STATUS_HANDLE>(std::uintptr_t{1}), &status));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(ServiceManagerTest, StartPauseContinueStopThroughTheLayer) {
  Install();
  SERVICE_STATUS status{};
  ASSERT_TRUE(QueryServiceStatus(service, &status));
  EXPECT_EQ(status.dwCurrentState, SERVICE_STOPPED);
  EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(GetLastError(), ERROR_SERVICE_NOT_ACTIVE);
  EXPECT_EQ(status.dwCurrentState, SERVICE_STOPPED);

  ASSERT_TRUE(StartServiceA(service, 0, nullptr)) << GetLastError();
  ASSERT_TRUE(WaitForState(SERVICE_RUNNING));
  EXPECT_FALSE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_SERVICE_ALREADY_RUNNING);
  EXPECT_EQ(NextNotice(), "STATUS=Start Pending");
  EXPECT_EQ(NextNotice(), "READY=1\nSTATUS=Running");

  ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_PAUSE, &status)) << GetLastError();
  EXPECT_EQ(status.dwCurrentState, SERVICE_PAUSED);
  EXPECT_EQ(status.dwControlsAccepted, SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE);
  EXPECT_EQ(NextNotice(), "STATUS=Paused");
  ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_INTERROGATE, &status));
  EXPECT_EQ(status.dwCurrentState, SERVICE_PAUSED);
  EXPECT_EQ(NextNotice(), "STATUS=Paused");
  ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_CONTINUE, &status));
  EXPECT_EQ(status.dwCurrentState, SERVICE_RUNNING);
  EXPECT_EQ(NextNotice(), "STATUS=Running");
  EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_SHUTDOWN, &status));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  ASSERT_TRUE(WaitForState(SERVICE_STOPPED));
  EXPECT_EQ(NextNotice(), "STOPPING=1\nSTATUS=Stop Pending");
  EXPECT_EQ(NextNotice(), "STATUS=Stopped");
  // The dispatcher returned and took its socket away.
  for (auto deadline = std::chrono::steady_clock::now() + kPatience;
       std::chrono::steady_clock::now() < deadline && ProbeLog().back() != "ended";) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::vector<std::string> log = ProbeLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[1], "main 1 probe svc");
  EXPECT_EQ(log.back(), "ended");
  EXPECT_FALSE(std::filesystem::exists(ControlSocketPath(kServiceName)));
  EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_INTERROGATE, &status));
  EXPECT_EQ(GetLastError(), ERROR_SERVICE_NOT_ACTIVE);
}

TEST_F(ServiceManagerTest, TerminateWhileStartingStopsOnceRunning) {
  const std::string gate = root + "/gate";
  setenv("PROBE_GATE", gate.c_str(), 1);
  Install();
  ASSERT_TRUE(StartServiceA(service, 0, nullptr)) << GetLastError();
  ASSERT_TRUE(WaitForState(SERVICE_START_PENDING));
  EXPECT_EQ(NextNotice(), "STATUS=Start Pending");
  SERVICE_STATUS status{};
  // A starting service takes no controls, as on Windows ...
  EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(GetLastError(), ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  EXPECT_EQ(status.dwCurrentState, SERVICE_START_PENDING);
  // ... but systemd's stop (SIGTERM) is kept until it does.
  const std::vector<std::string> log = ProbeLog();
  ASSERT_FALSE(log.empty());
  ASSERT_EQ(log[0].rfind("pid ", 0), 0u);
  ASSERT_EQ(kill(std::stoi(log[0].substr(4)), SIGTERM), 0);
  std::ofstream(gate) << "open";
  EXPECT_EQ(NextNotice(), "READY=1\nSTATUS=Running");
  EXPECT_EQ(NextNotice(), "STOPPING=1\nSTATUS=Stop Pending");
  EXPECT_EQ(NextNotice(), "STATUS=Stopped");
  ASSERT_TRUE(WaitForState(SERVICE_STOPPED));
  const std::vector<std::string> events = ProbeLog();
  const auto running = std::find(events.begin(), events.end(), "state 4");
  const auto stop = std::find(events.begin(), events.end(), "control 1");
  EXPECT_NE(running, events.end());
  EXPECT_NE(stop, events.end());
  EXPECT_LT(running, stop);
}

TEST_F(ServiceManagerTest, StartFailuresAreReported) {
  Install("/bin/true");
  EXPECT_FALSE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PROCESS_ABORTED);
  EXPECT_TRUE(DeleteService(service));
  CloseServiceHandle(service);
  service = CreateServiceA(manager, kServiceName, "", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                           SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "\"/no/such/program\" -x", nullptr, nullptr,
                           nullptr, nullptr, nullptr);
  ASSERT_NE(service, nullptr);
  EXPECT_FALSE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  CloseServiceHandle(service);
  service = nullptr;
}

TEST_F(ServiceManagerTest, CommandStartsControlsAndStops) {
  Install();
  const std::string command = std::string("'") + SERVICE_COMMAND + "' ";
  std::string output;
  EXPECT_EQ(RunCommand(command + "query 'probe svc'", output), 0);
  EXPECT_EQ(output.substr(0, output.find('\n')), "probe svc: Stopped");
  EXPECT_EQ(RunCommand(command + "stop 'probe svc'", output), 1);
  EXPECT_EQ(output, "varnok-service: stop probe svc: 1062 The service has not been started.\n");
  EXPECT_EQ(RunCommand(command + "start 'probe svc'", output), 0) << output;
  EXPECT_EQ(output.substr(0, output.find('\n')), "probe svc: Running");
  EXPECT_EQ(RunCommand(command + "pause 'probe svc'", output), 0) << output;
  EXPECT_NE(output.find("probe svc: Paused\n  State ..........: 7\n"), std::string::npos) << output;
  EXPECT_EQ(RunCommand(command + "continue 'probe svc'", output), 0) << output;
  EXPECT_EQ(output.substr(0, output.find('\n')), "probe svc: Running");
  EXPECT_EQ(RunCommand(command + "stop 'probe svc'", output), 0) << output;
  EXPECT_EQ(output.substr(0, output.find('\n')), "probe svc: Stopped");
  EXPECT_EQ(RunCommand(command + "query absent", output), 1);
  EXPECT_EQ(output, "varnok-service: opening absent: 1060 The specified service does not exist as an installed "
                    "service.\n");
  EXPECT_EQ(RunCommand(command + "restart 'probe svc'", output), 2);
}

}  // namespace
