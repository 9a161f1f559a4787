// The manager's side of the service calls: handles, the unit files, and the
// controls and queries sent over a running service's control socket.
#include "platform/service/service_manager.h"

#include <fcntl.h>
#include <pwd.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <string>

#include "platform/base/last_error.h"
#include "platform/service/service_control_socket.h"
#include "platform/service/service_launch.h"
#include "platform/service/service_unit_file.h"

struct SC_HANDLE__ {
  bool manager;             // the manager's handle, else a service's
  std::string serviceName;  // a service's name as opened
};

namespace {

// The variables that place the layer's files: a service sees the registry
// and folders that were in force when it was installed.
constexpr const char* kLayerVariables[] = {"VARNOK_REGISTRY", "VARNOK_SYSTEM_DIR", "VARNOK_RUN_DIR"};

struct HandleTable {
  std::mutex lock;
  std::set<SC_HANDLE> open;
};

HandleTable& Handles() {
  static HandleTable* const table = new HandleTable;
  return *table;
}

SC_HANDLE NewHandle(bool manager, std::string serviceName) {
  SC_HANDLE handle = new SC_HANDLE__{manager, std::move(serviceName)};
  std::lock_guard<std::mutex> hold(Handles().lock);
  Handles().open.insert(handle);
  return handle;
}

// The handle when it is open and of the kind asked for, else null with
// ERROR_INVALID_HANDLE.
SC_HANDLE Check(SC_HANDLE handle, bool manager) {
  std::lock_guard<std::mutex> hold(Handles().lock);
  if (handle == nullptr || Handles().open.count(handle) == 0 || handle->manager != manager) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return handle;
}

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

bool ReadUnit(const std::string& serviceName, ServiceUnit& unit, DWORD& error) {
  std::ifstream in(UnitFilePath(serviceName), std::ios::binary);
  if (!in) {
    error = ERROR_SERVICE_DOES_NOT_EXIST;
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!ParseUnitFile(text, unit)) {
    error = ERROR_INVALID_DATA;
    return false;
  }
  return true;
}

// The Linux user of a Windows account: none for LocalSystem, ".\name" for a
// local account, else the name as it stands (a winbind user "DOMAIN\name"
// included). False when no such user exists here.
bool AccountUser(LPCSTR account, std::string& user) {
  user.clear();
  if (account == nullptr || account[0] == '\0' || ::strcasecmp(account, "LocalSystem") == 0 ||
      ::strcasecmp(account, ".\\LocalSystem") == 0) {
    return true;
  }
  std::string name = account;
  if (name.rfind(".\\", 0) == 0) name.erase(0, 2);
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == ':' || c == '/' || c == ' ') return false;
  }
  if (name.empty() || ::getpwnam(name.c_str()) == nullptr) return false;
  user = name;
  return true;
}

// Writes the file under a temporary name, then links it in place, so that
// the unit appears whole or not at all and an existing one is never replaced.
DWORD WriteUnitFile(const std::string& path, const std::string& text) {
  std::string temporary = path + ".XXXXXX";
  const int file = ::mkstemp(temporary.data());
  if (file < 0) return Win32ErrorFromErrno(errno);
  bool written = ::fchmod(file, 0644) == 0;
  std::size_t done = 0;
  while (written && done < text.size()) {
    const ssize_t wrote = ::write(file, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    written = wrote > 0;
    if (written) done += static_cast<std::size_t>(wrote);
  }
  written = written && ::fsync(file) == 0;
  int error = written ? 0 : errno;
  ::close(file);
  if (written && ::link(temporary.c_str(), path.c_str()) != 0) error = errno;
  ::unlink(temporary.c_str());
  if (error == EEXIST) return ERROR_SERVICE_EXISTS;
  return error == 0 ? ERROR_SUCCESS : Win32ErrorFromErrno(error);
}

}  // namespace

SC_HANDLE OpenSCManagerA(LPCSTR machineName, LPCSTR databaseName, DWORD desiredAccess) {
  if (machineName != nullptr && machineName[0] != '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (databaseName != nullptr && ::strcasecmp(databaseName, "ServicesActive") != 0) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  const std::string folder = ServiceDirectory();
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return nullptr;
  }
  if ((desiredAccess & SC_MANAGER_CREATE_SERVICE) != 0 && ::access(folder.c_str(), W_OK) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return NewHandle(true, std::string());
}

SC_HANDLE CreateServiceA(SC_HANDLE manager, LPCSTR serviceName, LPCSTR displayName, DWORD /*desiredAccess*/,
                         DWORD serviceType, DWORD startType, DWORD /*errorControl*/, LPCSTR binaryPathName,
                         LPCSTR loadOrderGroup, DWORD* tagId, LPCSTR dependencies, LPCSTR serviceStartName,
                         LPCSTR /*password: never stored*/) {
  if (Check(manager, true) == nullptr) return nullptr;
  if (serviceName == nullptr || !IsValidServiceName(serviceName)) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  const bool emptyDependencies = dependencies == nullptr || dependencies[0] == '\0';
  if (serviceType != SERVICE_WIN32_OWN_PROCESS || (startType != SERVICE_AUTO_START && startType != SERVICE_DEMAND_START) ||
      binaryPathName == nullptr || (loadOrderGroup != nullptr && loadOrderGroup[0] != '\0') || tagId != nullptr ||
      !emptyDependencies) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  ServiceUnit unit;
  unit.command = SplitBinaryPath(binaryPathName);
  if (unit.command.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!AccountUser(serviceStartName, unit.user)) {
    SetLastError(ERROR_INVALID_SERVICE_ACCOUNT);
    return nullptr;
  }
  unit.description = displayName != nullptr && displayName[0] != '\0' ? displayName : serviceName;
  unit.autoStart = startType == SERVICE_AUTO_START;
  unit.environment.emplace_back(SERVICE_NAME_VARIABLE, serviceName);
  for (const char* variable : kLayerVariables) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] != '\0') unit.environment.emplace_back(variable, value);
  }
  // Under systemd a service of its own account needs the run folder made
  // for it; the layer's own start makes it itself.
  if (!unit.user.empty() && ServiceRunDirectory() == DEFAULT_RUN_DIRECTORY) {
    unit.runtimeDirectory = std::string(DEFAULT_RUN_DIRECTORY).substr(std::string("/run/").size());
  }
  std::string text;
  if (!FormatUnitFile(unit, text)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const DWORD error = WriteUnitFile(UnitFilePath(serviceName), text);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return nullptr;
  }
  if (SystemdManagesServices()) {
    RunSystemctl({"daemon-reload"});
    if (unit.autoStart) RunSystemctl({"enable", EscapedUnitName(serviceName) + ".service"});
  }
  return NewHandle(false, serviceName);
}

SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR serviceName, DWORD /*desiredAccess*/) {
  if (Check(manager, true) == nullptr) return nullptr;
  if (serviceName == nullptr || !IsValidServiceName(serviceName)) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  struct stat info {};
  if (::stat(UnitFilePath(serviceName).c_str(), &info) != 0) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  return NewHandle(false, serviceName);
}

BOOL DeleteService(SC_HANDLE service) {
  if (Check(service, false) == nullptr) return FALSE;
  const std::string unitName = EscapedUnitName(service->serviceName) + ".service";
  const bool systemd = SystemdManagesServices();
  if (systemd) RunSystemctl({"disable", unitName});
  if (::unlink(UnitFilePath(service->serviceName).c_str()) != 0) {
    return Fail(errno == ENOENT ? ERROR_SERVICE_MARKED_FOR_DELETE : Win32ErrorFromErrno(errno));
  }
  if (systemd) RunSystemctl({"daemon-reload"});
  return TRUE;
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
  {
    std::lock_guard<std::mutex> hold(Handles().lock);
    if (handle == nullptr || Handles().open.erase(handle) == 0) return Fail(ERROR_INVALID_HANDLE);
  }
  delete handle;
  return TRUE;
}

BOOL StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* /*argv*/) {
  if (Check(service, false) == nullptr) return FALSE;
  if (argc != 0) return Fail(ERROR_INVALID_PARAMETER);
  ServiceUnit unit;
  DWORD error = ERROR_SUCCESS;
  if (!ReadUnit(service->serviceName, unit, error)) return Fail(error);
  SERVICE_STATUS status{};
  if (SendControlRequest(ControlSocketPath(service->serviceName), 0, error, status) == ControlReach::Answered) {
    return Fail(ERROR_SERVICE_ALREADY_RUNNING);
  }
  if (SystemdManagesServices()) {
    return RunSystemctl({"start", EscapedUnitName(service->serviceName) + ".service"}) ? TRUE
                                                                                       : Fail(ERROR_PROCESS_ABORTED);
  }
  error = LaunchService(service->serviceName, unit);
  return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
  if (Check(service, false) == nullptr) return FALSE;
  const bool defined = (control >= SERVICE_CONTROL_STOP && control <= SERVICE_CONTROL_INTERROGATE) ||
                       (control >= 128 && control <= 255);
  if (!defined || status == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  DWORD error = ERROR_SUCCESS;
  switch (SendControlRequest(ControlSocketPath(service->serviceName), control, error, *status)) {
    case ControlReach::NotRunning:
      return Fail(ERROR_SERVICE_NOT_ACTIVE);
    case ControlReach::Failed:
      return Fail(error);
    case ControlReach::Answered:
      break;
  }
  return error == ERROR_SUCCESS ? TRUE : Fail(error);
}

BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
  if (Check(service, false) == nullptr) return FALSE;
  if (status == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  DWORD error = ERROR_SUCCESS;
  if (SendControlRequest(ControlSocketPath(service->serviceName), 0, error, *status) == ControlReach::Failed) {
    return Fail(error);
  }
  return TRUE;
}
