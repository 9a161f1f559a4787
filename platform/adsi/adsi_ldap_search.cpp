// Paged searches under a directory object, and the object's search calls.
#include "platform/adsi/adsi_ldap_search.h"


#include <climits>
#include <new>

#include "platform/adsi/adsi_ldap_error.h"
#include "platform/adsi/adsi_ldap_object.h"
#include "platform/adsi/adsi_path.h"
#include "platform/base/text.h"

namespace {

constexpr char16_t kPathColumn[] = u"ADsPath";

bool IsPathColumn(const std::u16string& name) { return LowerCase(name) == LowerCase(std::u16string(kPathColumn)); }

LPWSTR CopyForCaller(const std::u16string& text) {
  auto* copy = static_cast<LPWSTR>(AllocADsMem(static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR))));
  if (copy == nullptr) return nullptr;
  text.copy(copy, text.size());
  copy[text.size()] = 0;
  return copy;
}

}  // namespace

// ---------------------------------------------------------------------------
// One search

CAdsLdapSearch::CAdsLdapSearch(CAdsLdapObject& owner, std::string searchFilter, std::vector<std::u16string> asked,
                               bool allAttributes, CSettings searchSettings)
    : object(owner), filter(std::move(searchFilter)), names(std::move(asked)), all(allAttributes),
      settings(searchSettings) {
  if (!all) {
    for (const std::u16string& name : names)
      if (!IsPathColumn(name)) ldapAttributes.push_back(Utf16ToUtf8(name));
    // Only the path asked for: the entries' names and nothing else.
    if (ldapAttributes.empty()) ldapAttributes.push_back(LDAP_NO_ATTRS);
  }
}

CAdsLdapSearch::~CAdsLdapSearch() {
  AbandonPages();
  if (page != nullptr) ldap_msgfree(page);
}

void CAdsLdapSearch::FreeCookie() {
  if (cookie.bv_val != nullptr) ber_memfree(cookie.bv_val);
  cookie = berval{0, nullptr};
}

void CAdsLdapSearch::AbandonPages() {
  if (cookie.bv_len == 0) {
    FreeCookie();
    return;
  }
  // RFC 2696: a request for a page of size 0 with the cookie ends the search.
  LDAPControl* control = nullptr;
  if (ldap_create_page_control(object.Session().Handle(), 0, &cookie, 0, &control) == LDAP_SUCCESS) {
    LDAPControl* controls[] = {control, nullptr};
    LDAPMessage* result = nullptr;
    object.Session().Search(object.Path().dn, settings.scope, filter, ldapAttributes, controls, &result);
    if (result != nullptr) ldap_msgfree(result);
    ldap_control_free(control);
  }
  FreeCookie();
}

HRESULT CAdsLdapSearch::FetchPage() {
  LDAP* ld = object.Session().Handle();
  if (page != nullptr) ldap_msgfree(page);
  page = nullptr;
  entry = nullptr;
  LDAPControl* pageControl = nullptr;
  if (settings.pageSize > 0) {
    const int rc = ldap_create_page_control(ld, static_cast<ber_int_t>(settings.pageSize),
                                            cookie.bv_len > 0 ? &cookie : nullptr, 0, &pageControl);
    if (rc != LDAP_SUCCESS) return AdsLdapFailure(rc, object.Session());
  }
  LDAPControl* controls[] = {pageControl, nullptr};
  int rc = object.Session().Search(object.Path().dn, settings.scope, filter, ldapAttributes,
                                   pageControl != nullptr ? controls : nullptr, &page);
  if (pageControl != nullptr) ldap_control_free(pageControl);
  ++pagesFetched;
  FreeCookie();
  if (rc != LDAP_SUCCESS) {
    if (page != nullptr) ldap_msgfree(page);
    page = nullptr;
    if (rc == LDAP_FILTER_ERROR) {
      AdsLdapFailure(rc, object.Session());
      return E_ADS_INVALID_FILTER;
    }
    return AdsLdapFailure(rc, object.Session());
  }
  if (settings.pageSize > 0) {
    LDAPControl** answered = nullptr;
    int code = LDAP_SUCCESS;
    if (ldap_parse_result(ld, page, &code, nullptr, nullptr, nullptr, &answered, 0) == LDAP_SUCCESS &&
        answered != nullptr) {
      if (LDAPControl* response = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, answered, nullptr)) {
        ber_int_t estimate = 0;
        if (ldap_parse_pageresponse_control(ld, response, &estimate, &cookie) != LDAP_SUCCESS) FreeCookie();
      }
      ldap_controls_free(answered);
    }
  }
  return S_OK;
}

HRESULT CAdsLdapSearch::Start() { return FetchPage(); }

HRESULT CAdsLdapSearch::Advance(bool first) {
  LDAP* ld = object.Session().Handle();
  columns.clear();
  nextColumn = 0;
  if (settings.sizeLimit != 0 && rows >= settings.sizeLimit) {
    AbandonPages();
    return S_ADS_NOMORE_ROWS;
  }
  entry = first ? ldap_first_entry(ld, page) : entry != nullptr ? ldap_next_entry(ld, entry) : nullptr;
  // Pages may come empty while the server still has more.
  while (entry == nullptr && cookie.bv_len > 0) {
    const HRESULT result = FetchPage();
    if (FAILED(result)) return result;
    entry = ldap_first_entry(ld, page);
  }
  if (entry == nullptr) return S_ADS_NOMORE_ROWS;
  ++rows;
  ReadColumns();
  return S_OK;
}

HRESULT CAdsLdapSearch::FirstRow() {
  // Once past the first page, reading from the start means searching again.
  if (pagesFetched > 1) {
    AbandonPages();
    const HRESULT result = FetchPage();
    if (FAILED(result)) return result;
  }
  started = true;
  rows = 0;
  return Advance(true);
}

HRESULT CAdsLdapSearch::NextRow() {
  if (!started) return FirstRow();
  if (entry == nullptr) return S_ADS_NOMORE_ROWS;
  return Advance(false);
}

void CAdsLdapSearch::ReadColumns() {
  LDAP* ld = object.Session().Handle();
  const auto pathValue = [&] { return Utf8ToUtf16(FormatAdsPath(object.Path().server, LdapEntryDn(ld, entry))); };
  const auto valuesOf = [&](const std::string& attribute) {
    std::vector<std::u16string> values;
    for (const std::string& value : LdapValues(ld, entry, attribute.c_str())) values.push_back(Utf8ToUtf16(value));
    return values;
  };
  if (!all) {
    for (const std::u16string& name : names) {
      std::vector<std::u16string> values = IsPathColumn(name) ? std::vector<std::u16string>{pathValue()}
                                                              : valuesOf(Utf16ToUtf8(name));
      if (!values.empty()) columns.emplace_back(name, std::move(values));
    }
    return;
  }
  BerElement* position = nullptr;
  for (char* attribute = ldap_first_attribute(ld, entry, &position); attribute != nullptr;
       attribute = ldap_next_attribute(ld, entry, position)) {
    std::vector<std::u16string> values = valuesOf(attribute);
    if (!values.empty()) columns.emplace_back(Utf8ToUtf16(attribute), std::move(values));
    ldap_memfree(attribute);
  }
  if (position != nullptr) ber_free(position, 0);
  columns.emplace_back(kPathColumn, std::vector<std::u16string>{pathValue()});
}

HRESULT CAdsLdapSearch::NextColumnName(LPWSTR* name) {
  if (name == nullptr) return E_ADS_BAD_PARAMETER;
  *name = nullptr;
  if (entry == nullptr || nextColumn >= columns.size()) return S_ADS_NOMORE_COLUMNS;
  *name = CopyForCaller(columns[nextColumn++].first);
  return *name != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CAdsLdapSearch::Column(LPCWSTR name, PADS_SEARCH_COLUMN column) const {
  if (name == nullptr || column == nullptr) return E_ADS_BAD_PARAMETER;
  *column = ADS_SEARCH_COLUMN{};
  if (entry == nullptr) return E_ADS_COLUMN_NOT_SET;
  const std::u16string wanted = LowerCase(std::u16string(name));
  for (const auto& [columnName, values] : columns) {
    if (LowerCase(columnName) != wanted) continue;
    column->pszAttrName = CopyForCaller(columnName);
    column->dwADsType = ADSTYPE_CASE_IGNORE_STRING;
    column->pADsValues = static_cast<PADSVALUE>(AllocADsMem(static_cast<DWORD>(values.size() * sizeof(ADSVALUE))));
    if (column->pszAttrName == nullptr || column->pADsValues == nullptr) {
      FreeADsMem(column->pszAttrName);
      FreeADsMem(column->pADsValues);
      *column = ADS_SEARCH_COLUMN{};
      return E_OUTOFMEMORY;
    }
    column->dwNumValues = static_cast<DWORD>(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      column->pADsValues[i].dwType = ADSTYPE_CASE_IGNORE_STRING;
      column->pADsValues[i].CaseIgnoreString = CopyForCaller(values[i]);
    }
    return S_OK;
  }
  return E_ADS_COLUMN_NOT_SET;
}

// ---------------------------------------------------------------------------
// The object's search calls

CAdsLdapSearch* CAdsLdapObject::Find(ADS_SEARCH_HANDLE handle) const {
  for (const auto& search : searches)
    if (search->Handle() == handle) return search.get();
  return nullptr;
}

HRESULT CAdsLdapObject::SetSearchPreference(PADS_SEARCHPREF_INFO preferences, DWORD count) {
  if (preferences == nullptr && count != 0) return E_ADS_BAD_PARAMETER;
  bool refused = false;
  for (DWORD i = 0; i < count; ++i) {
    ADS_SEARCHPREF_INFO& preference = preferences[i];
    preference.dwStatus = ADS_STATUS_S_OK;
    const bool integer = preference.vValue.dwType == ADSTYPE_INTEGER;
    const DWORD value = integer ? preference.vValue.Integer : 0;
    switch (preference.dwSearchPref) {
      case ADS_SEARCHPREF_SEARCH_SCOPE:
        if (integer && value <= ADS_SCOPE_SUBTREE)
          scope = value == ADS_SCOPE_BASE ? LDAP_SCOPE_BASE : value == ADS_SCOPE_ONELEVEL ? LDAP_SCOPE_ONELEVEL
                                                                                           : LDAP_SCOPE_SUBTREE;
        else
          preference.dwStatus = ADS_STATUS_INVALID_SEARCHPREFVALUE;
        break;
      case ADS_SEARCHPREF_SIZE_LIMIT:
        if (integer)
          sizeLimit = value;
        else
          preference.dwStatus = ADS_STATUS_INVALID_SEARCHPREFVALUE;
        break;
      case ADS_SEARCHPREF_PAGESIZE:
        if (integer && value <= static_cast<DWORD>(INT_MAX))
          pageSize = value;
        else
          preference.dwStatus = ADS_STATUS_INVALID_SEARCHPREFVALUE;
        break;
      default:
        preference.dwStatus = ADS_STATUS_INVALID_SEARCHPREF;
        break;
    }
    refused = refused || preference.dwStatus != ADS_STATUS_S_OK;
  }
  return refused ? S_ADS_ERRORSOCCURRED : S_OK;
}

HRESULT CAdsLdapObject::ExecuteSearch(LPCWSTR filter, LPWSTR* attributeNames, DWORD count,
                                      PADS_SEARCH_HANDLE handle) {
  if (handle == nullptr) return E_ADS_BAD_PARAMETER;
  *handle = nullptr;
  AdsClearLastError();
  const bool all = count == static_cast<DWORD>(-1);
  if (!all && count != 0 && attributeNames == nullptr) return E_ADS_BAD_PARAMETER;
  std::vector<std::u16string> names;
  for (DWORD i = 0; !all && i < count; ++i) {
    if (attributeNames[i] == nullptr || attributeNames[i][0] == 0) return E_ADS_BAD_PARAMETER;
    names.emplace_back(attributeNames[i]);
  }
  const std::string text = filter != nullptr && filter[0] != 0 ? Utf16ToUtf8(filter) : "(objectClass=*)";
  auto* search = new (std::nothrow) CAdsLdapSearch(*this, text, std::move(names), all,
                                                   CAdsLdapSearch::CSettings{scope, sizeLimit, pageSize});
  if (search == nullptr) return E_OUTOFMEMORY;
  searches.emplace_back(search);
  const HRESULT result = search->Start();
  if (FAILED(result)) {
    searches.pop_back();
    return result;
  }
  *handle = search->Handle();
  return S_OK;
}

HRESULT CAdsLdapObject::GetFirstRow(ADS_SEARCH_HANDLE handle) {
  CAdsLdapSearch* search = Find(handle);
  if (search == nullptr) return E_ADS_BAD_PARAMETER;
  AdsClearLastError();
  return search->FirstRow();
}

HRESULT CAdsLdapObject::GetNextRow(ADS_SEARCH_HANDLE handle) {
  CAdsLdapSearch* search = Find(handle);
  if (search == nullptr) return E_ADS_BAD_PARAMETER;
  AdsClearLastError();
  return search->NextRow();
}

HRESULT CAdsLdapObject::GetNextColumnName(ADS_SEARCH_HANDLE handle, LPWSTR* name) {
  CAdsLdapSearch* search = Find(handle);
  return search == nullptr ? E_ADS_BAD_PARAMETER : search->NextColumnName(name);
}

HRESULT CAdsLdapObject::GetColumn(ADS_SEARCH_HANDLE handle, LPCWSTR name, PADS_SEARCH_COLUMN column) {
  CAdsLdapSearch* search = Find(handle);
  return search == nullptr ? E_ADS_BAD_PARAMETER : search->Column(name, column);
}

HRESULT CAdsLdapObject::FreeColumn(PADS_SEARCH_COLUMN column) {
  if (column == nullptr) return E_ADS_BAD_PARAMETER;
  for (DWORD i = 0; column->pADsValues != nullptr && i < column->dwNumValues; ++i)
    FreeADsMem(column->pADsValues[i].CaseIgnoreString);
  FreeADsMem(column->pADsValues);
  FreeADsMem(column->pszAttrName);
  *column = ADS_SEARCH_COLUMN{};
  return S_OK;
}

HRESULT CAdsLdapObject::CloseSearchHandle(ADS_SEARCH_HANDLE handle) {
  for (auto it = searches.begin(); it != searches.end(); ++it) {
    if ((*it)->Handle() != handle) continue;
    searches.erase(it);
    return S_OK;
  }
  return E_ADS_BAD_PARAMETER;
}
