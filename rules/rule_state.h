// The rule engine's process-wide objects and its engine lock. Every use of
// them, but the filter library's load and unload lines, happens under the
// lock, which EnforcePasswordRules holds for a whole call.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "rules/wildcard_patterns.h"

// A dictionary file known by its identity and its change times, with the
// number of distinct patterns it held.
struct DictionaryEntryCount {
  bool known = false;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  std::int64_t changed[2] = {};   // status change: seconds, nanoseconds
  std::int64_t modified[2] = {};  // content: seconds, nanoseconds
  std::size_t entries = 0;
  bool SameFile(const DictionaryEntryCount& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           changed[0] == other.changed[0] && changed[1] == other.changed[1] && modified[0] == other.modified[0] &&
           modified[1] == other.modified[1];
  }
};

struct RuleEngineState {
  // Token to value, as the rules file last gave them (the last line wins).
  std::unordered_map<std::u16string, std::u16string> ruleTokenMap;
  // Scratch set for counting a password's distinct characters.
  std::unordered_set<char16_t> characterMap;
  // The dictionary's entry count as the last full load found it, and the
  // file it read then (dictionary.cpp).
  DictionaryEntryCount dictionaryCount;
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
