// systemd's readiness protocol: state lines sent as one datagram to the
// socket that NOTIFY_SOCKET names (a path, or "@" for the abstract space).
#pragma once

#include <string_view>

// Sends `message` ("READY=1\nSTATUS=Running", ...). False when NOTIFY_SOCKET
// is unset or the datagram could not be sent.
bool NotifySystemd(std::string_view message);
