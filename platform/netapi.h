// netapi32, the network-management interface: netapi's names, levels, flags
// and status codes over our own backend (netapi_backend.h), which is Samba's
// libnetapi against a real domain controller. A call without a server name
// goes to "the local computer": the Platform key's LocalDomainController.
#pragma once

#include "platform/last_error.h"  // the Win32 codes netapi also answers with
#include "platform/wintypes.h"

using NET_API_STATUS = DWORD;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPVOID = void*;

inline constexpr NET_API_STATUS NERR_Success = 0;
inline constexpr NET_API_STATUS NERR_BASE = 2100;
inline constexpr NET_API_STATUS NERR_BufTooSmall = NERR_BASE + 23;         // 2123
inline constexpr NET_API_STATUS NERR_InternalError = NERR_BASE + 40;      // 2140
inline constexpr NET_API_STATUS NERR_UserNotFound = NERR_BASE + 121;      // 2221
inline constexpr NET_API_STATUS NERR_InvalidComputer = NERR_BASE + 251;   // 2351

inline constexpr DWORD MAX_PREFERRED_LENGTH = 0xFFFFFFFFu;
// NetUserGetLocalGroups: also the groups the user is in through other groups.
inline constexpr DWORD LG_INCLUDE_INDIRECT = 0x0001;

struct GROUP_USERS_INFO_0 {
  LPWSTR grui0_name;
};

struct LOCALGROUP_USERS_INFO_0 {
  LPWSTR lgrui0_name;
};

// The global groups of a user, level 0 only: an array of GROUP_USERS_INFO_0
// in one buffer that the caller frees with NetApiBufferFree (also after a
// failure, when the buffer is null).
NET_API_STATUS NetUserGetGroups(LPCWSTR serverName, LPCWSTR userName, DWORD level, LPBYTE* buffer,
                                DWORD preferredMaximumLength, LPDWORD entriesRead, LPDWORD totalEntries);

// The local groups of a user, level 0 only, with LG_INCLUDE_INDIRECT as the
// one flag.
NET_API_STATUS NetUserGetLocalGroups(LPCWSTR serverName, LPCWSTR userName, DWORD level, DWORD flags,
                                     LPBYTE* buffer, DWORD preferredMaximumLength, LPDWORD entriesRead,
                                     LPDWORD totalEntries);

// The directory service locator.
inline constexpr DWORD ERROR_NO_SUCH_DOMAIN = 1355;
// DsGetDcNameA flags: a controller that takes writes.
inline constexpr ULONG DS_WRITABLE_REQUIRED = 0x00001000;
// DomainControllerAddressType values.
inline constexpr ULONG DS_INET_ADDRESS = 1;
inline constexpr ULONG DS_NETBIOS_ADDRESS = 2;

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};

struct DOMAIN_CONTROLLER_INFOA {
  LPSTR DomainControllerName;     // "\\" and the controller's name
  LPSTR DomainControllerAddress;  // "\\" and its address
  ULONG DomainControllerAddressType;
  GUID DomainGuid;
  LPSTR DomainName;
  LPSTR DnsForestName;
  ULONG Flags;
  LPSTR DcSiteName;
  LPSTR ClientSiteName;
};
using PDOMAIN_CONTROLLER_INFOA = DOMAIN_CONTROLLER_INFOA*;

// Finds a domain controller of `domainName`, asked of `computerName` (UTF-8
// texts). No computer name: the Platform key's LocalDomainController is
// asked, else the system resolver finds one; no domain name: the computer's
// own domain, which only the LocalDomainController can answer here
// (ERROR_NO_SUCH_DOMAIN without one). The domain GUID and site name are not
// passed on. The answer is one buffer that the caller frees with
// NetApiBufferFree; *info is null after a failure.
DWORD DsGetDcNameA(LPCSTR computerName, LPCSTR domainName, GUID* domainGuid, LPCSTR siteName, ULONG flags,
                   PDOMAIN_CONTROLLER_INFOA* info);

// Frees a buffer that a netapi call returned; a null buffer is fine.
NET_API_STATUS NetApiBufferFree(LPVOID buffer);
