// libFuzzer target: a dictionary as the engine reads it at every check, and
// the check of one password against it. Input (FuzzedDataProvider): the
// password as a random-length string, then the dictionary's bytes.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/text.h"
#include "rules/dictionary.h"
#include "rules/rule_engine.h"
#include "rules/rule_log.h"
#include "rules/rules_file.h"
#include "tests/fuzz/scratch_directory.h"

namespace {

const CScratchDirectory& SystemDirectory() {
  static const CScratchDirectory* const scratch = [] {
    static CScratchDirectory directory;
    ::setenv("VARNOK_SYSTEM_DIR", directory.Path().c_str(), 1);
    directory.Write(RULES_FILE_NAME, "ACTIVE 1\nDICTIONARY 1\nSEVERE 1\n");
    return &directory;
  }();
  return *scratch;
}

// "line " and decimal digits: how an entry that holds the password is named.
bool NamesALine(std::string_view rule) {
  constexpr std::string_view kLine = "line ";
  if (rule.substr(0, kLine.size()) != kLine || rule.size() == kLine.size()) return false;
  return rule.substr(kLine.size()).find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const CScratchDirectory& system = SystemDirectory();
  FuzzedDataProvider input(data, size);
  const std::string password = input.ConsumeRandomLengthString(300);
  system.Write(DICTIONARY_FILE_NAME, input.ConsumeRemainingBytesAsString());

  std::string message;
  const std::int32_t result = EnforcePasswordRules(nullptr, "user", "", "", password, "", message);
  if ((result == 1) != message.empty()) __builtin_trap();
  if (result == 0) {
    // The refusal names a pattern that does not hold the whole password, or
    // the line of the entry that does: never the password.
    constexpr std::string_view kPrefix = "Password excluded by dictionary rule: ";
    if (message.compare(0, kPrefix.size(), kPrefix) != 0) __builtin_trap();
    const std::string rule = message.substr(kPrefix.size());
    if (!NamesALine(rule) && rule.find(LowerCase(password)) != std::string::npos) __builtin_trap();
  }
  system.Remove(RULES_LOG_NAME);
  return 0;
}
