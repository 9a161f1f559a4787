// Where the reset dialog finds the reset service when it opens: the
// workstation's default domain from the Winlogon key, the configured central
// server and the domain's controller, each name resolved and tried in turn
// through the record client, every step a line in the log list.
#pragma once

#include <string>
#include <vector>

#include "platform/windows/window.h"

// DefaultDomainName of the Winlogon key (at most 256 bytes, any type); empty
// when it is absent or cannot be read.
std::string DefaultDomainName();

// The server names to try: CentralServer of the product key when it can be
// read, then the domain controller of `domain` (NetGetDCName). Writes the
// lines of the search; false when no name was found.
bool FindServerNames(HWND list, const std::string& domain, std::vector<std::string>& names);

// Resolves each name (without its "\" characters) and connects to the first
// that answers; "Could not connect to any servers" when none does. True when
// connected.
bool ConnectToAnyServer(HWND list, const std::vector<std::string>& names);
