// The rule engine's process-wide objects and its engine lock. Every use of
// them, but the filter library's load and unload lines, happens under the
// lock, which EnforcePasswordRules holds for a whole call.
#pragma once

#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "rules/wildcard_patterns.h"

struct RuleEngineState {
  // Token to value, as the rules file last gave them (the last line wins).
  std::unordered_map<std::u16string, std::u16string> ruleTokenMap;
  // Scratch set for counting a password's distinct characters.
  std::unordered_set<char16_t> characterMap;
  // Lower-cased EXCLUDE_USER and EXCLUDE_GROUP patterns.
  CWildcardPatternSet excludedUserMap;
  CWildcardPatternSet excludedGroupMap;
  // The rule log chosen by LOGDIR (UTF-8 path); empty: the system directory's.
  std::string rulesLogPath;
};

// Built on first use, so it outlives every object that logs from its
// destructor after using it (the filter library's application object).
RuleEngineState& EngineState();
std::mutex& EngineLock();
