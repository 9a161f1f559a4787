// ADSI as the reset service calls it: opening a directory object by its
// "LDAP://server[:port]/DN" path, a paged subtree search over it, and
// one-attribute replacements, with ADSI's HRESULTs and its per-thread
// extended error. Backed by libldap (adsi_ldap_*.cpp); the paths are
// adsi_path.h.
#pragma once

#include "platform/com/oleauto.h"

// ADsOpenObject's authentication flags.
inline constexpr DWORD ADS_SECURE_AUTHENTICATION = 0x1;  // no user: the process's Kerberos credentials
inline constexpr DWORD ADS_USE_ENCRYPTION = 0x2;         // ldaps (port 636 unless the path gives one)
inline constexpr DWORD ADS_FAST_BIND = 0x20;             // nothing read of the object beyond its existence

// ADSI's own results.
inline constexpr HRESULT E_ADS_BAD_PATHNAME = static_cast<HRESULT>(0x80005000u);
inline constexpr HRESULT E_ADS_INVALID_DOMAIN_OBJECT = static_cast<HRESULT>(0x80005001u);
inline constexpr HRESULT E_ADS_INVALID_USER_OBJECT = static_cast<HRESULT>(0x80005002u);
inline constexpr HRESULT E_ADS_INVALID_COMPUTER_OBJECT = static_cast<HRESULT>(0x80005003u);
inline constexpr HRESULT E_ADS_UNKNOWN_OBJECT = static_cast<HRESULT>(0x80005004u);
inline constexpr HRESULT E_ADS_PROPERTY_NOT_SET = static_cast<HRESULT>(0x80005005u);
inline constexpr HRESULT E_ADS_PROPERTY_NOT_SUPPORTED = static_cast<HRESULT>(0x80005006u);
inline constexpr HRESULT E_ADS_PROPERTY_INVALID = static_cast<HRESULT>(0x80005007u);
inline constexpr HRESULT E_ADS_BAD_PARAMETER = static_cast<HRESULT>(0x80005008u);
inline constexpr HRESULT E_ADS_OBJECT_UNBOUND = static_cast<HRESULT>(0x80005009u);
inline constexpr HRESULT E_ADS_PROPERTY_NOT_MODIFIED = static_cast<HRESULT>(0x8000500Au);
inline constexpr HRESULT E_ADS_PROPERTY_MODIFIED = static_cast<HRESULT>(0x8000500Bu);
inline constexpr HRESULT E_ADS_CANT_CONVERT_DATATYPE = static_cast<HRESULT>(0x8000500Cu);
inline constexpr HRESULT E_ADS_PROPERTY_NOT_FOUND = static_cast<HRESULT>(0x8000500Du);
inline constexpr HRESULT E_ADS_OBJECT_EXISTS = static_cast<HRESULT>(0x8000500Eu);
inline constexpr HRESULT E_ADS_SCHEMA_VIOLATION = static_cast<HRESULT>(0x8000500Fu);
inline constexpr HRESULT E_ADS_COLUMN_NOT_SET = static_cast<HRESULT>(0x80005010u);
inline constexpr HRESULT E_ADS_INVALID_FILTER = static_cast<HRESULT>(0x80005014u);
inline constexpr HRESULT S_ADS_ERRORSOCCURRED = 0x00005011;  // some search preferences were refused
inline constexpr HRESULT S_ADS_NOMORE_ROWS = 0x00005012;
inline constexpr HRESULT S_ADS_NOMORE_COLUMNS = 0x00005013;

// The interfaces ADsOpenObject hands out, by their published identities.
inline constexpr IID IID_IADs{0xFD8256D0, 0xFD15, 0x11CE, {0xAB, 0xC4, 0x02, 0x60, 0x8C, 0x9E, 0x75, 0x53}};
inline constexpr IID IID_IDirectorySearch{
    0x109BA8EC, 0x92F0, 0x11D0, {0xA7, 0x90, 0x00, 0xC0, 0x4F, 0xD8, 0xD5, 0xA8}};

// A value as a search preference or a search column carries it.
enum ADSTYPE {
  ADSTYPE_INVALID = 0,
  ADSTYPE_CASE_IGNORE_STRING = 3,  // every column here: the values as text
  ADSTYPE_INTEGER = 7,             // search preferences
};

struct ADSVALUE {
  ADSTYPE dwType;
  union {
    LPWSTR CaseIgnoreString;
    DWORD Integer;
  };
};
using PADSVALUE = ADSVALUE*;

enum ADS_SEARCHPREF_ENUM {
  ADS_SEARCHPREF_SIZE_LIMIT = 2,    // rows in all; 0: no limit
  ADS_SEARCHPREF_SEARCH_SCOPE = 5,  // an ADS_SCOPEENUM
  ADS_SEARCHPREF_PAGESIZE = 7,      // entries per page (RFC 2696); 0: one unpaged search
};

enum ADS_SCOPEENUM {
  ADS_SCOPE_BASE = 0,
  ADS_SCOPE_ONELEVEL = 1,
  ADS_SCOPE_SUBTREE = 2,
};

enum ADS_STATUSENUM {
  ADS_STATUS_S_OK = 0,
  ADS_STATUS_INVALID_SEARCHPREF = 1,
  ADS_STATUS_INVALID_SEARCHPREFVALUE = 2,
};

struct ADS_SEARCHPREF_INFO {
  ADS_SEARCHPREF_ENUM dwSearchPref;
  ADSVALUE vValue;
  ADS_STATUSENUM dwStatus;  // set by SetSearchPreference
};
using PADS_SEARCHPREF_INFO = ADS_SEARCHPREF_INFO*;

struct ADS_SEARCH_HANDLE__;
using ADS_SEARCH_HANDLE = ADS_SEARCH_HANDLE__*;
using PADS_SEARCH_HANDLE = ADS_SEARCH_HANDLE*;

struct ADS_SEARCH_COLUMN {
  LPWSTR pszAttrName;
  ADSTYPE dwADsType;
  PADSVALUE pADsValues;
  DWORD dwNumValues;
  void* hReserved;
};
using PADS_SEARCH_COLUMN = ADS_SEARCH_COLUMN*;

// IADs::PutEx's control code.
inline constexpr LONG ADS_PROPERTY_UPDATE = 2;  // replace every value

class IADs : public IUnknown {
 public:
  // Keeps the change for SetInfo. Only ADS_PROPERTY_UPDATE is served; the
  // value is a string or a variant array of strings.
  virtual HRESULT PutEx(LONG controlCode, BSTR name, VARIANT value) = 0;
  // Writes the kept changes in one modification, then forgets them.
  // HRESULT_FROM_WIN32(ERROR_TIMEOUT) when the modification went out and no
  // answer came back (in time, or before the connection ended): the changes
  // may or may not have been made. A change of userPassword on an Active
  // Directory that does not take userPassword as the password (dSHeuristics)
  // is refused, nothing written: HRESULT_FROM_WIN32(ERROR_DS_UNWILLING_TO_PERFORM).
  virtual HRESULT SetInfo() = 0;

 protected:
  ~IADs() = default;
};

class IDirectorySearch : public IUnknown {
 public:
  virtual HRESULT SetSearchPreference(PADS_SEARCHPREF_INFO preferences, DWORD count) = 0;
  // Starts a search under the object; `count` (DWORD)-1 asks for every
  // attribute. The column "ADsPath" is the entry's own path.
  virtual HRESULT ExecuteSearch(LPCWSTR filter, LPWSTR* attributeNames, DWORD count,
                                PADS_SEARCH_HANDLE handle) = 0;
  // S_OK on a row, S_ADS_NOMORE_ROWS after the last; further pages are
  // fetched here.
  virtual HRESULT GetFirstRow(ADS_SEARCH_HANDLE handle) = 0;
  virtual HRESULT GetNextRow(ADS_SEARCH_HANDLE handle) = 0;
  // The row's next column name (free it with FreeADsMem); S_ADS_NOMORE_COLUMNS
  // after the last.
  virtual HRESULT GetNextColumnName(ADS_SEARCH_HANDLE handle, LPWSTR* name) = 0;
  // The named column of the current row (E_ADS_COLUMN_NOT_SET when it has
  // none); FreeColumn frees what it holds.
  virtual HRESULT GetColumn(ADS_SEARCH_HANDLE handle, LPCWSTR name, PADS_SEARCH_COLUMN column) = 0;
  virtual HRESULT FreeColumn(PADS_SEARCH_COLUMN column) = 0;
  virtual HRESULT CloseSearchHandle(ADS_SEARCH_HANDLE handle) = 0;

 protected:
  ~IDirectorySearch() = default;
};

// Binds to the object at `path` and verifies that it exists. A user and
// password bind with them (a bare name is taken as the DC's domain's), only
// over TLS (ADS_USE_ENCRYPTION; else ERROR_DS_CONFIDENTIALITY_REQUIRED and
// nothing sent); with no user, ADS_SECURE_AUTHENTICATION binds with the
// process's Kerberos credentials, sealed unless TLS protects the session.
// `riid` is IID_IADs or IID_IDirectorySearch.
HRESULT ADsOpenObject(LPCWSTR path, LPCWSTR userName, LPCWSTR password, DWORD flags, REFIID riid, void** object);

// A VARIANT holding a variant array of `count` strings.
HRESULT ADsBuildVarArrayStr(LPWSTR* texts, DWORD count, VARIANT* value);

// The calling thread's extended error from the last directory call that
// failed: the LDAP result code, the server's text and "LDAP Provider".
// Fails (E_FAIL) when the thread's last directory call recorded none.
HRESULT ADsGetLastError(DWORD* error, LPWSTR errorBuffer, DWORD errorBufferLength, LPWSTR nameBuffer,
                        DWORD nameBufferLength);
// Records the thread's extended error; error 0 and no texts clear it.
void ADsSetLastError(DWORD error, LPCWSTR errorText, LPCWSTR provider);

// Memory the layer hands out (column names).
void* AllocADsMem(DWORD size);
BOOL FreeADsMem(void* memory);
