// The dictionary check: the file read once into its table, the password's
// keys looked up in it, and the check's log lines.
#include "rules/dictionary.h"

#include <chrono>

#include "platform/base/last_error.h"
#include "platform/base/system_directory.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"
#include "platform/windows/message_box.h"
#include "rules/dictionary_table.h"
#include "rules/rule_engine.h"
#include "rules/rule_log.h"
#include "rules/wildcard_patterns.h"

std::string DictionaryPath() { return SystemDirectoryPath() + "/" + DICTIONARY_FILE_NAME; }

CDictionaryVerdict::~CDictionaryVerdict() { WipeString(pattern); }

bool ReadDictionaryVerdict(const std::string& path, std::u16string_view password, CDictionaryVerdict& verdict) {
  CDictionaryTable table;
  if (!table.Read(path)) return false;
  verdict.entries = table.Size();
  if (table.Empty()) return true;
  verdict.exact = table.Contains(password);
  if (verdict.exact) {
    verdict.found = true;
    verdict.pattern.assign(password);
  } else {
    verdict.found = FindWildcardEntryIn(table, password, verdict.pattern, WILDCARD_PAST_EXACT) != FALSE;
  }
  if (verdict.found) verdict.line = table.LineOf(verdict.pattern);
  return true;
}

BOOL CheckDictionary(HWND ownerWindow, std::u16string_view newPassword, std::u16string& message) {
  const auto started = std::chrono::steady_clock::now();
  const std::string path = DictionaryPath();
  WriteRulesLog("Dictionary: Loading '%s'", path.c_str());
  std::u16string password = LowerCase(newPassword);
  CWipeOnExit wipe(password);
  CDictionaryVerdict verdict;
  if (!ReadDictionaryVerdict(path, password, verdict)) {
    WriteRulesLog("Dictionary: '%s' - not opened - error %d", path.c_str(), static_cast<int>(GetLastError()));
    return TRUE;
  }
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  WriteRulesLog("Dictionary: %d entries loaded in %d.%03d seconds", static_cast<int>(verdict.entries),
                static_cast<int>(elapsed / 1000), static_cast<int>(elapsed % 1000));
  if (verdict.entries == 0) return TRUE;

  // The password itself never reaches the log, SEVERE or not.
  WriteRulesLog("Dictionary: Checked %s status = %d", "pwd", verdict.exact ? 1 : 0);
  if (!verdict.found) return TRUE;

  // An entry that holds the whole password (the word itself, or it with a
  // star) would show it: such an entry is named by its line instead.
  std::u16string rule = verdict.pattern;
  if (verdict.pattern.find(password) != std::u16string::npos) {
    WipeString(rule);
    rule = u"line " + Utf8ToUtf16(std::to_string(verdict.line));
  }
  message = u"Password excluded by dictionary rule: " + rule;
  if (ownerWindow != nullptr)
    MessageBoxW(ownerWindow, message.c_str(), Utf8ToUtf16(RULE_ENFORCER_CAPTION).c_str(), MB_ICONERROR);
  WriteRulesLog("Dictionary: Excluded by dictionary rule: %s", Utf16ToUtf8(rule).c_str());
  WipeString(rule);
  return FALSE;
}
