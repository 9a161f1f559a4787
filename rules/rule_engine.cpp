// EnforcePasswordRules: read the rules, skip exempt users, run the 23 rows in
// their fixed order, then the dictionary.
#include "rules/rule_engine.h"

#include <exception>

#include "platform/base/last_error.h"
#include "platform/windows/message_box.h"
#include "platform/base/system_directory.h"
#include "platform/base/text.h"
#include "platform/base/text_file.h"
#include "platform/base/wipe.h"
#include "rules/dictionary.h"
#include "rules/exclusions.h"
#include "rules/password_measures.h"
#include "rules/rule_log.h"
#include "rules/rule_state.h"
#include "rules/rules_file.h"

namespace {

// Log arguments are UTF-8.
std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

// What reading the rules file found, beside the tokens.
struct RulesReading {
  std::string path;
  bool opened = false;
  bool zeroByte = false;  // not text: a binary file, or text in UTF-16
};

RulesReading LoadRulesFile(RuleEngineState& state) {
  RulesReading reading;
  reading.path = SystemDirectoryPath() + "/" + RULES_FILE_NAME;
  const std::string& path = reading.path;
  WriteRulesLog("Rules: opening '%s'", path.c_str());
  reading.opened = ForEachTextFileLine(path, [&](std::string_view bytes) {
    if (bytes.find('\0') != std::string_view::npos) reading.zeroByte = true;
    std::optional<RulesLine> line = ParseRulesLine(Utf8ToUtf16(bytes));
    if (!line) return;
    state.ruleTokenMap[line->token] = line->value;
    WriteRulesLog("Rules: loaded token [%s] = value [%s]", U8(line->token).c_str(), U8(line->value).c_str());
    if (line->value.empty()) return;
    if (line->token == u"LOGDIR") {
      SwitchRulesLog(U8(line->value));
    } else if (line->token == u"EXCLUDE_USER") {
      state.excludedUserMap.Insert(LowerCase(line->value));
    } else if (line->token == u"EXCLUDE_GROUP") {
      state.excludedGroupMap.Insert(LowerCase(line->value));
    }
  });
  if (!reading.opened) {
    WriteRulesLog("Rules: '%s' - not opened - error %d", path.c_str(), static_cast<int>(GetLastError()));
  }
  return reading;
}

// With ACTIVE off every password is accepted; unless the administrator wrote
// a number that reads 0, the log says why.
void LogWhyNotActive(const RulesReading& reading) {
  const auto& tokens = EngineState().ruleTokenMap;
  const auto active = tokens.find(u"ACTIVE");
  if (!reading.opened) {
    WriteRulesLog("Rules: no rules read, so every password is accepted");
  } else if (reading.zeroByte) {
    WriteRulesLog("Rules: '%s' is not a text file (it holds a zero byte), so every password is accepted",
                  reading.path.c_str());
  } else if (active == tokens.end()) {
    WriteRulesLog("Rules: no ACTIVE line, so every password is accepted");
  } else if (!HoldsRuleNumber(active->second)) {
    WriteRulesLog("Rules: ACTIVE [%s] is not a number, so every password is accepted", U8(active->second).c_str());
  }
}

void LogOldPasswordNote() {
  WriteRulesLog("%s", "");
  WriteRulesLog("----------------- N o t e ------------------");
  WriteRulesLog("The old password has not been supplied. This");
  WriteRulesLog("is only available when the enforcer routines");
  WriteRulesLog("are called directly from the Vantrope.");
  WriteRulesLog("--------------------------------------------");
  WriteRulesLog("%s", "");
}

std::int32_t Finish(const char* verdict, std::int32_t result) {
  WriteRulesLog("%s", verdict);
  WriteRulesLog("---- End ----");
  return result;
}

std::int32_t RunEngine(HWND ownerWindow, std::u16string_view userName, std::u16string_view fullName,
                       std::u16string_view newPassword, std::u16string_view oldPassword, std::u16string& message) {
  RuleEngineState& state = EngineState();
  message.clear();
  state.ruleTokenMap.clear();
  state.excludedUserMap.Clear();
  state.excludedGroupMap.Clear();

  WriteRulesLog("--- Start ---");
  const RulesReading reading = LoadRulesFile(state);

  if (IsTokenOn(u"TRACE")) {
    WriteRulesLog("---");
    WriteRulesLog("PasswordFilter");
  }
  if (!IsTokenOn(u"ACTIVE")) {
    LogWhyNotActive(reading);
    return Finish("Password Filter: not active", 1);
  }

  if (IsUserExcluded(ownerWindow, userName, message) || IsUserInExcludedGroup(ownerWindow, userName, message)) {
    WriteRulesLog("%s", U8(message).c_str());
    return Finish("Password Filter: no checks performed", 1);
  }

  if (oldPassword.empty()) LogOldPasswordNote();

  const std::int32_t oldForward = ConsecutiveCharactersAlsoIn(oldPassword, newPassword, false);
  const std::int32_t oldReversed = ConsecutiveCharactersAlsoIn(oldPassword, newPassword, true);
  const std::int32_t userForward = ConsecutiveCharactersAlsoIn(userName, newPassword, false);
  const std::int32_t userReversed = ConsecutiveCharactersAlsoIn(userName, newPassword, true);
  const std::int32_t fullForward = ConsecutiveCharactersAlsoIn(fullName, newPassword, false);
  const std::int32_t fullReversed = ConsecutiveCharactersAlsoIn(fullName, newPassword, true);
  const bool dictionary = IsTokenOn(u"DICTIONARY");
  const PasswordCounts n = CountPasswordCharacters(newPassword, state.characterMap);

  const RuleTest rules[] = {
      {n.initialRun, RULE_MIN, u"MIN_INIT_ALPHA", "Minimum initial alphabetic characters"},
      {n.initialDigits, RULE_MIN, u"MIN_INIT_DIGIT", "Minimum initial digits"},
      {n.alphabetic, RULE_MIN, u"MIN_ALPHA", "Minimum alphabetic characters"},
      {n.alphabetic, RULE_MAX, u"MAX_ALPHA", "Maximum alphabetic characters"},
      {n.digits, RULE_MIN, u"MIN_DIGIT", "Minimum digits"},
      {n.digits, RULE_MAX, u"MAX_DIGIT", "Maximum digits"},
      {n.mixed, RULE_MIN, u"ALLOW_MIXED_CASE", "Allow mixed case characters"},
      {n.lower, RULE_MIN, u"MIN_LOWER", "Minimum lowercase characters"},
      {n.lower, RULE_MAX, u"MAX_LOWER", "Maximum lowercase characters"},
      {n.upper, RULE_MIN, u"MIN_UPPER", "Minimum uppercase characters"},
      {n.upper, RULE_MAX, u"MAX_UPPER", "Maximum uppercase characters"},
      {n.special, RULE_MIN, u"MIN_SPECIAL", "Minimum special characters"},
      {n.special, RULE_MAX, u"MAX_SPECIAL", "Maximum special characters"},
      {n.unique, RULE_MIN, u"MIN_UNIQUE", "Minimum unique characters"},
      {n.unique, RULE_MAX, u"MAX_UNIQUE", "Maximum unique characters"},
      {n.length, RULE_MIN, u"MIN_LENGTH", "Minimum password length"},
      {n.length, RULE_MAX, u"MAX_LENGTH", "Maximum password length"},
      {oldForward, RULE_MAX, u"MAX_CONSEC_OLD_PWD_FWD", "Maximum consecutive characters also in old password"},
      {oldReversed, RULE_MAX, u"MAX_CONSEC_OLD_PWD_REV", "Maximum consecutive characters also in reversed password"},
      {userForward, RULE_MAX, u"MAX_CONSEC_USERNAME_FWD", "Maximum consecutive characters also in username"},
      {userReversed, RULE_MAX, u"MAX_CONSEC_USERNAME_REV", "Maximum consecutive characters also in reversed username"},
      {fullForward, RULE_MAX, u"MAX_CONSEC_FULLNAME_FWD", "Maximum consecutive characters also in full name"},
      {fullReversed, RULE_MAX, u"MAX_CONSEC_FULLNAME_REV",
       "Maximum consecutive characters also in reversed full name"},
  };
  static_assert(std::size(rules) == 23, "the rule table has 23 rows");
  for (const RuleTest& rule : rules) {
    if (!TestRule(ownerWindow, rule.count, rule.option, rule.token, rule.description, message))
      return Finish("Password Filter: rejected", 0);
  }

  if (dictionary && !CheckDictionary(ownerWindow, newPassword, message))
    return Finish("Password Filter: rejected", 0);
  return Finish("Password Filter: accepted", 1);
}

}  // namespace

std::int32_t TestRule(HWND ownerWindow, std::int32_t count, RuleOption option, std::u16string_view token,
                      const char* description, std::u16string& message) {
  const auto& tokens = EngineState().ruleTokenMap;
  const auto found = tokens.find(std::u16string(token));
  const bool trace = IsTokenOn(u"TRACE");
  const std::string tokenText = U8(token);
  if (trace) {
    const std::string value = found != tokens.end() ? U8(found->second) : "- not found -";
    WriteRulesLog("Test %s: Token [%s], Option [%s], Count [%d], Value[%s]", description, tokenText.c_str(),
                  option == RULE_MIN ? "min" : "max", count, value.c_str());
  }
  if (found == tokens.end()) {
    if (trace) {
      WriteRulesLog("Test %s: Token [%s] not found", description, tokenText.c_str());
      WriteRulesLog("Test %s: Token [%s] status = TRUE by default", description, tokenText.c_str());
    }
    return 1;
  }

  const std::int32_t value = ReadRuleNumber(found->second);
  const bool failed = option == RULE_MIN ? count < value : count > value;
  if (!failed) {
    if (trace) WriteRulesLog("Test %s: Status = TRUE", description);
    return 1;
  }
  if (trace) WriteRulesLog("Test %s: Status = FALSE", description);
  message = u"Password excluded by rule: " + Utf8ToUtf16(description) + u" = " + found->second;
  if (ownerWindow != nullptr) {
    MessageBoxW(ownerWindow, message.c_str(), Utf8ToUtf16(RULE_ENFORCER_CAPTION).c_str(), MB_ICONERROR);
  }
  return 0;
}

BOOL IsTokenOn(std::u16string_view token) {
  const auto& tokens = EngineState().ruleTokenMap;
  const auto found = tokens.find(std::u16string(token));
  return found != tokens.end() && ReadRuleNumber(found->second) != 0 ? TRUE : FALSE;
}

std::int32_t EnforcePasswordRules(HWND ownerWindow, std::u16string_view userName, std::u16string_view fullName,
                                  std::u16string_view, std::u16string_view newPassword,
                                  std::u16string_view oldPassword, std::u16string& message) {
  std::lock_guard<std::mutex> hold(EngineLock());
  return RunEngine(ownerWindow, userName, fullName, newPassword, oldPassword, message);
}

// The byte entry runs the same engine on the UTF-16 form of its texts.
std::int32_t EnforcePasswordRules(HWND ownerWindow, std::string_view userName, std::string_view fullName,
                                  std::string_view domainName, std::string_view newPassword,
                                  std::string_view oldPassword, std::string& message) {
  std::u16string wideNew = Utf8ToUtf16(newPassword);
  std::u16string wideOld = Utf8ToUtf16(oldPassword);
  CWipeOnExit wipeNew(wideNew), wipeOld(wideOld);
  std::u16string wideMessage;
  const std::int32_t result = EnforcePasswordRules(ownerWindow, Utf8ToUtf16(userName), Utf8ToUtf16(fullName),
                                                   Utf8ToUtf16(domainName), wideNew, wideOld, wideMessage);
  message = Utf16ToUtf8(wideMessage);
  return result;
}
