// Rule-log messages as trace lines; a "%" in a rules value or a password
// check's message is written unchanged, never read as a format.
#include "RemoteSvr/rules_log_trace.h"

#include "RemoteSvr/log_file.h"
#include "rules/rule_log.h"

void TraceRulesLogMessage(std::string_view message) {
  LogFile().Trace(9, "%.*s", static_cast<int>(message.size()), message.data());
}

void InstallRulesLogTrace() { SetRulesLogObserver(TraceRulesLogMessage); }
