// Exclusion checks: EXCLUDE_USER by name, EXCLUDE_GROUP through netapi.
#include "rules/exclusions.h"

#include "platform/netapi/netapi.h"
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
  {
    CNetApiBuffer buffer;
    DWORD read = 0, total = 0;
    if (NetUserGetGroups(nullptr, user.c_str(), 0, buffer.Out(), kPreferredMaximumLength, &read, &total) ==
        NERR_Success) {
      excluded = AnyGroupExcluded<GROUP_USERS_INFO_0>(
          ownerWindow, userName, buffer, read, "User %s: in global group %s",
          [](const GROUP_USERS_INFO_0& g) { return g.grui0_name; }, message);
    }
  }
  {
    // Asked even when a global group already exempts the user.
    CNetApiBuffer buffer;
    DWORD read = 0, total = 0;
    if (NetUserGetLocalGroups(nullptr, user.c_str(), 0, LG_INCLUDE_INDIRECT, buffer.Out(), kPreferredMaximumLength,
                              &read, &total) == NERR_Success) {
      excluded |= AnyGroupExcluded<LOCALGROUP_USERS_INFO_0>(
          ownerWindow, userName, buffer, read, "User %s: in local group %s",
          [](const LOCALGROUP_USERS_INFO_0& g) { return g.lgrui0_name; }, message);
    }
  }
  return excluded;
}
