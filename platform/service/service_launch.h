// Starting an installed service: through systemctl when systemd manages the
// machine's services, or by launching the unit's program ourselves, detached,
// as systemd would (its User=, its environment, output to a file).
#pragma once

#include <string>
#include <vector>

#include "platform/service/service_unit_file.h"
#include "platform/base/wintypes.h"

// True when systemd runs the machine (/run/systemd/system exists) and the
// service folder is its own, so that it knows the unit files.
bool SystemdManagesServices();

// Runs systemctl with `arguments`; true when it exits with 0.
bool RunSystemctl(const std::vector<std::string>& arguments);

// The layer's own start hands the service a pipe on this descriptor, named
// in this variable; the dispatcher writes one byte to it once its control
// socket listens (service_dispatcher.cpp) and closes it.
inline constexpr const char* START_FD_VARIABLE = "VARNOK_START_FD";
inline constexpr int START_FD_NUMBER = 3;

// Launches the unit's program as the service `serviceName` and waits until
// its dispatcher has opened its control socket. ERROR_SUCCESS, or the Win32
// code of StartServiceA's failures.
DWORD LaunchService(const std::string& serviceName, const ServiceUnit& unit);
