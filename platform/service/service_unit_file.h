// The service manager's files: where installed services (systemd unit files)
// and running ones (control sockets, output) live, how a service name becomes
// a unit name, and the unit file the layer writes and reads back to start a
// service itself. Used by service_manager.cpp and the dispatcher.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/wintypes.h"

// VARNOK_SERVICE_DIR, default /etc/systemd/system.
std::string ServiceDirectory();
// VARNOK_RUN_DIR, default /run/varnok.
std::string ServiceRunDirectory();
// The two defaults, for telling whether systemd's own folders are in use.
inline constexpr const char* SYSTEMD_SERVICE_DIRECTORY = "/etc/systemd/system";
inline constexpr const char* DEFAULT_RUN_DIRECTORY = "/run/varnok";

// The environment variable that tells a program it was started as a
// service, holding the service's name; the unit file and StartServiceA set it.
inline constexpr const char* SERVICE_NAME_VARIABLE = "VARNOK_SERVICE_NAME";

// A service name is 1 to 256 bytes without "/", "\" or control characters
// (as Windows refuses "/" and "\"), and short enough that its unit name fits.
bool IsValidServiceName(std::string_view serviceName);

// The name systemd-escaped for a unit: letters, digits, ":" and "_" stay, as
// does "." after the first place; every other byte becomes "\xNN". "VNK
// Pellucor" gives "VNK\x20Pellucor".
std::string EscapedUnitName(std::string_view serviceName);

// <folder>/<escaped name>.service, .sock, .out.
std::string UnitFilePath(std::string_view serviceName);
std::string ControlSocketPath(std::string_view serviceName);
std::string ServiceOutputPath(std::string_view serviceName);

// What an installed service is.
struct ServiceUnit {
  std::string description;
  std::vector<std::string> command;  // the program, then its arguments
  std::string user;                  // empty: root (LocalSystem)
  std::vector<std::pair<std::string, std::string>> environment;
  bool autoStart = false;  // wanted by multi-user.target
  // A folder below /run that systemd makes for the service's user (and
  // keeps); empty: none.
  std::string runtimeDirectory;
};

// The unit file's text: [Unit] Description, [Service] Type=notify with
// ExecStart, User and Environment quoted as systemd reads them ("%" and "$"
// doubled where systemd would expand them), [Install] for an automatic
// start. False when a text holds a control character (a line end would let
// it write lines of its own).
bool FormatUnitFile(const ServiceUnit& unit, std::string& text);

// Reads back what FormatUnitFile writes (and plain hand-written units of the
// same keys): Description, ExecStart, User, Environment, WantedBy. False
// when there is no ExecStart or a quote is not closed.
bool ParseUnitFile(std::string_view text, ServiceUnit& unit);

// Splits a Windows service program text into program and arguments: a
// quoted program path, or the whole text when it names an existing file
// (program paths with blanks stay whole), or else words at blanks.
std::vector<std::string> SplitBinaryPath(std::string_view binaryPathName);
