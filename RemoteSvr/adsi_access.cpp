// CAdsiAccess over the platform's ADSI layer.
#include "RemoteSvr/adsi_access.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "RemoteSvr/common/split_string.h"
#include "platform/adsi/adsi.h"
#include "platform/base/certificate_failure.h"
#include "platform/base/format_message.h"
#include "platform/base/last_error.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"

namespace {

struct AdsiErrorName {
  HRESULT code;
  const char* name;
};

// The names given to ADSI's own results.
constexpr AdsiErrorName kAdsiErrorNames[] = {
    {E_ADS_BAD_PATHNAME, "E_ADS_BAD_PATHNAME"},
    {E_ADS_INVALID_DOMAIN_OBJECT, "E_ADS_INVALID_DOMAIN_OBJECT"},
    {E_ADS_INVALID_USER_OBJECT, "E_ADS_INVALID_USER_OBJECT"},
    {E_ADS_INVALID_COMPUTER_OBJECT, "E_ADS_INVALID_COMPUTER_OBJECT"},
    {E_ADS_UNKNOWN_OBJECT, "E_ADS_UNKNOWN_OBJECT"},
    {E_ADS_PROPERTY_NOT_SET, "E_ADS_PROPERTY_NOT_SET"},
    {E_ADS_PROPERTY_NOT_SUPPORTED, "E_ADS_PROPERTY_NOT_SUPPORTED"},
    {E_ADS_PROPERTY_INVALID, "E_ADS_PROPERTY_INVALID"},
    {E_ADS_BAD_PARAMETER, "E_ADS_BAD_PARAMETER"},
    {E_ADS_OBJECT_UNBOUND, "E_ADS_OBJECT_UNBOUND"},
    {E_ADS_PROPERTY_NOT_MODIFIED, "E_ADS_PROPERTY_NOT_MODIFIED"},
    {E_ADS_PROPERTY_MODIFIED, "E_ADS_PROPERTY_MODIFIED"},
    {E_ADS_CANT_CONVERT_DATATYPE, "E_ADS_CANT_CONVERT_DATATYPE"},
    {E_ADS_PROPERTY_NOT_FOUND, "E_ADS_PROPERTY_NOT_FOUND"},
    {E_ADS_OBJECT_EXISTS, "E_ADS_OBJECT_EXISTS"},
    {E_ADS_SCHEMA_VIOLATION, "E_ADS_SCHEMA_VIOLATION"},
    {E_ADS_COLUMN_NOT_SET, "E_ADS_COLUMN_NOT_SET"},
    {E_ADS_INVALID_FILTER, "E_ADS_INVALID_FILTER"},
};

constexpr DWORD kSystemDefaultLanguage = 0x800;
constexpr DWORD kErrorBufferLength = 259;
// ADsGetLastError's extended error that is not reported.
constexpr DWORD kUnreportedExtendedError = 13;

// The pointer ADsOpenObject takes for an optional text.
LPCWSTR TextOrNone(const std::optional<std::u16string>& text) { return text.has_value() ? text->c_str() : nullptr; }

// COM for the length of one search or change on this thread.
class CComScope {
 public:
  CComScope() { CoInitialize(nullptr); }
  ~CComScope() { CoUninitialize(); }
  CComScope(const CComScope&) = delete;
  CComScope& operator=(const CComScope&) = delete;
};

}  // namespace

std::mutex& AdsiLock() {
  static std::mutex* const lock = new std::mutex;
  return *lock;
}

CAdsiAccess::~CAdsiAccess() { WipeCredentials(); }

void CAdsiAccess::WipeCredentials() {
  if (userName.has_value()) WipeString(*userName);
  if (password.has_value()) WipeString(*password);
  userName.reset();
  password.reset();
}

CAdsiAccess::CCallCredentials::~CCallCredentials() {
  if (userName.has_value()) WipeString(*userName);
  if (password.has_value()) WipeString(*password);
}

void CAdsiAccess::CopyCredentials(CCallCredentials& copy) const {
  std::lock_guard<std::mutex> hold(AdsiLock());
  copy.userName = userName;
  copy.password = password;
  copy.bindFlags = bindFlags;
}

void CAdsiAccess::SetCredentials(const char* newUserName, const char* newPassword, std::int32_t useSsl) {
  std::lock_guard<std::mutex> hold(AdsiLock());
  WipeCredentials();
  if (newUserName != nullptr) userName = Utf8ToUtf16(newUserName);
  if (newPassword != nullptr) password = Utf8ToUtf16(newPassword);
  bindFlags = ADS_FAST_BIND | (useSsl != 0 ? ADS_USE_ENCRYPTION : 0);
}

std::string CAdsiAccess::FormatResult(HRESULT result) {
  if (SUCCEEDED(result)) return "Success";
  std::string text;
  const auto named = std::find_if(std::begin(kAdsiErrorNames), std::end(kAdsiErrorNames),
                                  [result](const AdsiErrorName& entry) { return entry.code == result; });
  if (named != std::end(kAdsiErrorNames)) {
    text = named->name;
  } else if (HRESULT_FACILITY(result) == FACILITY_WIN32 || IsCertificateStatus(static_cast<DWORD>(result))) {
    // A controller's certificate that did not verify has a system text of
    // its own, with the reason.
    const DWORD code = HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : static_cast<DWORD>(result);
    char buffer[1024] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                        kSystemDefaultLanguage, buffer, sizeof buffer, nullptr);
    if (length > 0) {
      text.assign(buffer, length);
    } else {
      char number[32];
      std::snprintf(number, sizeof number, "Error %ld", static_cast<long>(result));
      text = number;
    }
  }

  DWORD extended = 0;
  WCHAR errorBuffer[kErrorBufferLength] = {};
  WCHAR providerBuffer[kErrorBufferLength] = {};
  if (SUCCEEDED(ADsGetLastError(&extended, errorBuffer, kErrorBufferLength, providerBuffer, kErrorBufferLength)) &&
      extended != kUnreportedExtendedError) {
    text += " (";
    text += Utf16ToUtf8(providerBuffer);
    text += " : ";
    if (errorBuffer[0] != 0) {
      text += Utf16ToUtf8(errorBuffer);
    } else {
      char number[32];
      std::snprintf(number, sizeof number, "Error=%08X", static_cast<unsigned>(result));
      text += number;
    }
    text += ")";
  }
  std::erase_if(text, [](char c) { return c == '\n' || c == '\r' || c == '\t'; });
  return text;
}

int CAdsiAccess::Search(const std::string& path, const std::string& filter, const std::string& attributes,
                        std::vector<std::string>& names, std::vector<std::string>& values, std::string& errorText) {
  CCallCredentials credentials;
  CopyCredentials(credentials);
  names.clear();
  values.clear();
  const std::u16string widePath = Utf8ToUtf16(path);
  const std::u16string searchText = Utf8ToUtf16("(&" + filter + ")");
  CComScope com;

  IDirectorySearch* search = nullptr;
  HRESULT result = ADsOpenObject(widePath.c_str(), TextOrNone(credentials.userName),
                                 TextOrNone(credentials.password), credentials.bindFlags, IID_IDirectorySearch,
                                 reinterpret_cast<void**>(&search));
  if (result != S_OK) {
    errorText = FormatResult(result);
    return 0;
  }

  std::vector<std::string> fields;
  SplitString(attributes, ',', fields);
  std::vector<std::u16string> wideNames;
  for (const std::string& field : fields) wideNames.push_back(Utf8ToUtf16(field));
  std::vector<LPWSTR> nameList;
  for (std::u16string& name : wideNames) nameList.push_back(name.data());
  const DWORD count = nameList.empty() ? static_cast<DWORD>(-1) : static_cast<DWORD>(nameList.size());

  ADS_SEARCHPREF_INFO preferences[3] = {};
  const struct {
    ADS_SEARCHPREF_ENUM preference;
    DWORD value;
  } wanted[3] = {{ADS_SEARCHPREF_SEARCH_SCOPE, ADS_SCOPE_SUBTREE},
                 {ADS_SEARCHPREF_SIZE_LIMIT, 1000000},
                 {ADS_SEARCHPREF_PAGESIZE, 5000}};
  for (int i = 0; i < 3; ++i) {
    preferences[i].dwSearchPref = wanted[i].preference;
    preferences[i].vValue.dwType = ADSTYPE_INTEGER;
    preferences[i].vValue.Integer = wanted[i].value;
  }
  result = search->SetSearchPreference(preferences, 3);
  if (SUCCEEDED(result)) {
    ADS_SEARCH_HANDLE handle = nullptr;
    result = search->ExecuteSearch(searchText.c_str(), nameList.empty() ? nullptr : nameList.data(), count, &handle);
    if (result == S_OK) {
      result = search->GetFirstRow(handle);
      while (result == S_OK) {
        LPWSTR column = nullptr;
        while (search->GetNextColumnName(handle, &column) == S_OK) {
          ADS_SEARCH_COLUMN found{};
          if (search->GetColumn(handle, column, &found) == S_OK) {
            const std::string columnName = Utf16ToUtf8(column);
            for (DWORD i = 0; i < found.dwNumValues; ++i) {
              const LPWSTR value = found.pADsValues[i].CaseIgnoreString;
              names.push_back(columnName);
              values.push_back(value != nullptr ? Utf16ToUtf8(value) : std::string());
            }
            search->FreeColumn(&found);
          }
          FreeADsMem(column);
          column = nullptr;
        }
        FreeADsMem(column);
        names.emplace_back();
        values.emplace_back();
        result = search->GetNextRow(handle);
      }
      search->CloseSearchHandle(handle);
    }
  }
  // The extended error is read before Release, which talks to no one.
  if (FAILED(result)) errorText = FormatResult(result);
  search->Release();
  return FAILED(result) ? 0 : 1;
}

std::string CAdsiAccess::ObjectPath(const std::string& path) {
  if (path.compare(0, 7, "LDAP://") == 0) return path;
  std::string written = "LDAP://";
  for (const char c : path) {
    if (c == '/') written += '\\';
    written += c;
  }
  return written;
}

int CAdsiAccess::Modify(const std::string& path, const std::vector<std::string>& attributes,
                        const std::vector<std::string>& values, const std::vector<std::string>& operations,
                        std::string& errorText) {
  CCallCredentials credentials;
  CopyCredentials(credentials);
  outcomeUnknown = false;
  const std::u16string widePath = Utf8ToUtf16(ObjectPath(path));
  CComScope com;

  IADs* object = nullptr;
  HRESULT result = ADsOpenObject(widePath.c_str(), TextOrNone(credentials.userName),
                                 TextOrNone(credentials.password), credentials.bindFlags, IID_IADs,
                                 reinterpret_cast<void**>(&object));
  if (FAILED(result)) {
    errorText = FormatResult(result);
    return 0;
  }
  for (std::size_t i = 0; i < attributes.size() && SUCCEEDED(result); ++i) {
    if (i >= values.size() || i >= operations.size() || LowerCase(operations[i]) != "update") {
      result = E_ADS_BAD_PARAMETER;
      break;
    }
    // The value may be a password: every copy of it is wiped.
    std::u16string wideValue = Utf8ToUtf16(values[i]);
    CWipeOnExit<char16_t> wipeValue(wideValue);
    LPWSTR valueList[] = {wideValue.data()};
    VARIANT value;
    VariantInit(&value);
    result = ADsBuildVarArrayStr(valueList, 1, &value);
    if (SUCCEEDED(result)) {
      const std::u16string wideName = Utf8ToUtf16(attributes[i]);
      BSTR name = SysAllocString(wideName.c_str());
      result = name == nullptr ? E_OUTOFMEMORY : object->PutEx(ADS_PROPERTY_UPDATE, name, value);
      SysFreeString(name);
      if (SUCCEEDED(result)) {
        result = object->SetInfo();
        // The change went out and no answer came.
        outcomeUnknown = result == HRESULT_FROM_WIN32(ERROR_TIMEOUT);
      }
    }
    VariantClear(&value);
  }
  if (FAILED(result)) errorText = FormatResult(result);
  object->Release();
  return FAILED(result) ? 0 : 1;
}
