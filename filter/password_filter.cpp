// The password filter: the LSA's counted strings into the rule engine.
#include "filter/password_filter.h"

#include <string>

#include "platform/base/wipe.h"
#include "rules/rule_engine.h"

namespace {

// The string a counted string holds: its counted units, cut at a zero unit.
std::u16string CountedString(const UNICODE_STRING* text) {
  std::u16string_view units = CountedStringView(text);
  return std::u16string(units.substr(0, units.find(u'\0')));
}

}  // namespace

std::int32_t RunPasswordFilter(const UNICODE_STRING* accountName, const UNICODE_STRING* fullName,
                               const UNICODE_STRING* password) {
  const std::u16string account = CountedString(accountName);
  const std::u16string full = CountedString(fullName);
  std::u16string newPassword = CountedString(password);
  CWipeOnExit wipe(newPassword);
  std::u16string message;
  return EnforcePasswordRules(nullptr, account, full, u"", newPassword, u"", message);
}

BOOLEAN NTAPI InitializeChangeNotify(void) { return TRUE; }

NTSTATUS NTAPI PasswordChangeNotify(PUNICODE_STRING, ULONG, PUNICODE_STRING) { return STATUS_SUCCESS; }

BOOLEAN NTAPI PasswordFilter(PUNICODE_STRING accountName, PUNICODE_STRING fullName, PUNICODE_STRING password,
                             BOOLEAN) {
  // Nothing may unwind into the LSA; a check that cannot run refuses.
  try {
    return RunPasswordFilter(accountName, fullName, password) == 1 ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}
