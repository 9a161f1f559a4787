// The password-rule engine: judges a new password against the rules file
// "MorrowenRules.txt" in the system directory, re-read on every call, and
// writes every step to the rule log. One engine behind two entries: UTF-16
// (the password filter) and UTF-8 byte strings (the service, the dialog
// extension). Whole calls are serialised by the engine lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/wintypes.h"

// Which side of the token's value a row's count must stay on.
enum RuleOption : std::int32_t {
  RULE_MIN = 0,  // fails when the count is below the value
  RULE_MAX = 1,  // fails when the count is above the value
};

// One row of the rule table.
struct RuleTest {
  std::int32_t count;
  RuleOption option;
  const char16_t* token;
  const char* description;
};

inline constexpr char RULE_ENFORCER_CAPTION[] = "VNK Password Enforcer";

// 1 accepts the password, 0 rejects it with the reason in `message` (which
// is emptied on entry). With an owner window a rejection is also shown in a
// message box. `domainName` is not read.
std::int32_t EnforcePasswordRules(HWND ownerWindow, std::u16string_view userName, std::u16string_view fullName,
                                  std::u16string_view domainName, std::u16string_view newPassword,
                                  std::u16string_view oldPassword, std::u16string& message);
std::int32_t EnforcePasswordRules(HWND ownerWindow, std::string_view userName, std::string_view fullName,
                                  std::string_view domainName, std::string_view newPassword,
                                  std::string_view oldPassword, std::string& message);

// The pieces below are used inside an engine call, under the engine lock.

// 1 when the row passes (or its token is absent), 0 with the rejection in
// `message` when it fails.
std::int32_t TestRule(HWND ownerWindow, std::int32_t count, RuleOption option, std::u16string_view token,
                      const char* description, std::u16string& message);

// TRUE when the rules file set the token to a non-zero number.
BOOL IsTokenOn(std::u16string_view token);
