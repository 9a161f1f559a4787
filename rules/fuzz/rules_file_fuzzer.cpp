// libFuzzer target: a rules file as the engine reads it at every check, and
// the check of one password against it. Input (FuzzedDataProvider): the new
// password, the old password, the user name and the full name as
// random-length strings, then the rules file's bytes.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "rules/rule_engine.h"
#include "rules/rule_log.h"
#include "rules/rules_file.h"
#include "tests/fuzz/scratch_directory.h"

namespace {

const CScratchDirectory& SystemDirectory() {
  static const CScratchDirectory* const scratch = [] {
    static CScratchDirectory directory;
    ::setenv("VARNOK_SYSTEM_DIR", directory.Path().c_str(), 1);
    return &directory;
  }();
  return *scratch;
}

// Two tokens reach out of the scratch folder: LOGDIR would write logs in any
// folder the input names, EXCLUDE_GROUP asks the directory for the user's
// groups. Their last letter is lowered, so they stay lines the engine stores
// and logs, with no effect.
void Defuse(std::string& rules, std::string_view token) {
  for (std::size_t at = rules.find(token); at != std::string::npos; at = rules.find(token, at + 1))
    rules[at + token.size() - 1] = static_cast<char>(rules[at + token.size() - 1] | 0x20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const CScratchDirectory& system = SystemDirectory();
  FuzzedDataProvider input(data, size);
  const std::string password = input.ConsumeRandomLengthString(300);
  const std::string oldPassword = input.ConsumeRandomLengthString(100);
  const std::string user = input.ConsumeRandomLengthString(100);
  const std::string fullName = input.ConsumeRandomLengthString(100);
  std::string rules = input.ConsumeRemainingBytesAsString();
  Defuse(rules, "LOGDIR");
  Defuse(rules, "EXCLUDE_GROUP");
  system.Write(RULES_FILE_NAME, rules);

  std::string message;
  const std::int32_t result = EnforcePasswordRules(nullptr, user, fullName, "", password, oldPassword, message);
  // A verdict is 1 with no message or 0 with the reason.
  if (result != 0 && result != 1) __builtin_trap();
  if ((result == 1) != message.empty()) __builtin_trap();
  system.Remove(RULES_LOG_NAME);
  return 0;
}
