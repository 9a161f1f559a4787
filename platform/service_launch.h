// Starting an installed service: through systemctl when systemd manages the
// machine's services, or by launching the unit's program ourselves, detached,
// as systemd would (its User=, its environment, output to a file).
#pragma once

#include <string>
#include <vector>

#include "platform/service_unit_file.h"
#include "platform/wintypes.h"

// True when systemd runs the machine (/run/systemd/system exists) and the
// service folder is its own, so that it knows the unit files.
bool SystemdManagesServices();

// Runs systemctl with `arguments`; true when it exits with 0.
bool RunSystemctl(const std::vector<std::string>& arguments);

// Launches the unit's program as the service `serviceName` and waits until
// its dispatcher answers on the control socket. ERROR_SUCCESS, or the Win32
// code of StartServiceA's failures.
DWORD LaunchService(const std::string& serviceName, const ServiceUnit& unit);
