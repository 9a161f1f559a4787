// The rule engine's log lines in the service's own log: every rule-log
// message also becomes a level-9 trace line, as plain text.
#pragma once

#include <string_view>

// The observer the service sets on the rule log.
void TraceRulesLogMessage(std::string_view message);

// Sets it (idempotent); the server does so when it is built.
void InstallRulesLogTrace();
