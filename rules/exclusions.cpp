// Exclusion checks: EXCLUDE_USER by name, EXCLUDE_GROUP through netapi.
#include "rules/exclusions.h"

#include "platform/netapi/netapi.h"
#include "platform/base/certificate_failure.h"
#include "platform/base/format_message.h"
#include "platform/base/text.h"
#include "rules/rule_engine.h"
#include "rules/rule_log.h"
#include "rules/rule_state.h"

namespace {

// Asks netapi for no more than this; every group fits.
constexpr DWORD kPreferredMaximumLength = 268435456;

// Frees a netapi buffer on every path.
class CNetApiBuffer {
 public:
  CNetApiBuffer() = default;
  ~CNetApiBuffer() { NetApiBufferFree(m_buffer); }
  CNetApiBuffer(const CNetApiBuffer&) = delete;
  CNetApiBuffer& operator=(const CNetApiBuffer&) = delete;
  LPBYTE* Out() { return &m_buffer; }
  template <class Record>
  const Record* As() const {
    return reinterpret_cast<const Record*>(m_buffer);
  }

 private:
  LPBYTE m_buffer = nullptr;
};

// Walks one group list in its order; TRUE at the first excluded group.
template <class Record, class NameOf>
BOOL AnyGroupExcluded(HWND ownerWindow, std::u16string_view userName, const CNetApiBuffer& buffer, DWORD entries,
                      const char* traceFormat, NameOf nameOf, std::u16string& message) {
  const Record* records = buffer.As<Record>();
  const bool trace = IsTokenOn(u"TRACE");
  const std::string user = Utf16ToUtf8(userName);
  for (DWORD i = 0; records != nullptr && i < entries; ++i) {
    const std::u16string_view group = nameOf(records[i]) != nullptr ? nameOf(records[i]) : u"";
    if (trace) WriteRulesLog(traceFormat, user.c_str(), Utf16ToUtf8(group).c_str());
    if (IsGroupExcluded(ownerWindow, userName, group, message)) return TRUE;
  }
  return FALSE;
}

// Exempts nobody until an administrator mends the trust, so unlike any
// other failed look-up it is told: one line a check, the status's text
// naming the controller and the reason.
class CCertificateFailureLine {
 public:
  void Tell(std::u16string_view userName, NET_API_STATUS status) {
    if (m_told || !IsCertificateStatus(status)) return;
    m_told = true;
    char text[1024] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, status, 0, text,
                                  sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n')) text[--length] = '\0';
    WriteRulesLog("User %s: groups not read: %s", Utf16ToUtf8(userName).c_str(), text);
  }

 private:
  bool m_told = false;
};

}  // namespace

BOOL IsUserExcluded(HWND, std::u16string_view userName, std::u16string&) {
  const CWildcardPatternSet& patterns = EngineState().excludedUserMap;
  if (patterns.Empty()) return FALSE;
  std::u16string matched;
  if (!FindWildcardEntry(patterns, LowerCase(userName), matched)) return FALSE;
  WriteRulesLog("User %s is in the exclusion list", Utf16ToUtf8(userName).c_str());
  return TRUE;
}

BOOL IsGroupExcluded(HWND, std::u16string_view userName, std::u16string_view groupName, std::u16string&) {
  std::u16string matched;
  if (!FindWildcardEntry(EngineState().excludedGroupMap, LowerCase(groupName), matched)) return FALSE;
  WriteRulesLog("User %s is in group %s, which is in the exclusion list", Utf16ToUtf8(userName).c_str(),
                Utf16ToUtf8(groupName).c_str());
  return TRUE;
}

BOOL IsUserInExcludedGroup(HWND ownerWindow, std::u16string_view userName, std::u16string& message) {
  if (EngineState().excludedGroupMap.Empty()) return FALSE;
  const std::u16string user(userName);
  BOOL excluded = FALSE;
  CCertificateFailureLine certificateFailure;
  {
    CNetApiBuffer buffer;
    DWORD read = 0, total = 0;
    const NET_API_STATUS status =
        NetUserGetGroups(nullptr, user.c_str(), 0, buffer.Out(), kPreferredMaximumLength, &read, &total);
    if (status == NERR_Success) {
      excluded = AnyGroupExcluded<GROUP_USERS_INFO_0>(
          ownerWindow, userName, buffer, read, "User %s: in global group %s",
          [](const GROUP_USERS_INFO_0& g) { return g.grui0_name; }, message);
    }
    certificateFailure.Tell(userName, status);
  }
  {
    // Asked even when a global group already exempts the user.
    CNetApiBuffer buffer;
    DWORD read = 0, total = 0;
    const NET_API_STATUS status = NetUserGetLocalGroups(nullptr, user.c_str(), 0, LG_INCLUDE_INDIRECT, buffer.Out(),
                                                        kPreferredMaximumLength, &read, &total);
    if (status == NERR_Success) {
      excluded |= AnyGroupExcluded<LOCALGROUP_USERS_INFO_0>(
          ownerWindow, userName, buffer, read, "User %s: in local group %s",
          [](const LOCALGROUP_USERS_INFO_0& g) { return g.lgrui0_name; }, message);
    }
    certificateFailure.Tell(userName, status);
  }
  return excluded;
}
