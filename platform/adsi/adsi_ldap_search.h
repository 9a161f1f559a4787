// One search of a directory object: a subtree (or base, one-level) search
// fetched a page at a time (RFC 2696) and read row by row, each row's
// columns as text. Behind an ADS_SEARCH_HANDLE; sees <ldap.h>.
#pragma once

#include <ldap.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/adsi/adsi.h"

class CAdsLdapObject;

class CAdsLdapSearch {
 public:
  struct CSettings {
    int scope;
    DWORD sizeLimit;  // rows in all; 0: none
    DWORD pageSize;   // 0: one unpaged search
  };
  CAdsLdapSearch(CAdsLdapObject& object, std::string filter, std::vector<std::u16string> names, bool all,
                 CSettings settings);
  ~CAdsLdapSearch();
  CAdsLdapSearch(const CAdsLdapSearch&) = delete;
  CAdsLdapSearch& operator=(const CAdsLdapSearch&) = delete;

  // The first page; an unusable filter is E_ADS_INVALID_FILTER.
  HRESULT Start();
  HRESULT FirstRow();
  HRESULT NextRow();
  HRESULT NextColumnName(LPWSTR* name);
  HRESULT Column(LPCWSTR name, PADS_SEARCH_COLUMN column) const;

  ADS_SEARCH_HANDLE Handle() { return reinterpret_cast<ADS_SEARCH_HANDLE>(this); }

 private:
  // Fetches the page after `cookie` (the first with none).
  HRESULT FetchPage();
  // Moves to the next entry, fetching pages as they run out; S_ADS_NOMORE_ROWS
  // at the end or at the size limit.
  HRESULT Advance(bool first);
  void ReadColumns();
  // Tells the server that no more pages are wanted.
  void AbandonPages();
  void FreeCookie();

  CAdsLdapObject& object;
  std::string filter;
  std::vector<std::u16string> names;  // as asked; empty with `all`
  bool all;
  CSettings settings;
  std::vector<std::string> ldapAttributes;

  LDAPMessage* page = nullptr;
  LDAPMessage* entry = nullptr;
  berval cookie{0, nullptr};
  int pagesFetched = 0;
  DWORD rows = 0;
  bool started = false;
  std::vector<std::pair<std::u16string, std::vector<std::u16string>>> columns;
  std::size_t nextColumn = 0;
};
