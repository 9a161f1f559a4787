// The one directory object behind ADsOpenObject: a bound LDAP session to
// the object's server, the object's DN, its pending changes (IADs) and its
// searches (IDirectorySearch, adsi_ldap_search.cpp). Only the layer's own
// files include it: it sees <ldap.h>.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/adsi/adsi.h"
#include "platform/adsi/adsi_path.h"
#include "platform/ldap/ldap_session.h"

class CAdsLdapSearch;

class CAdsLdapObject final : public IADs, public IDirectorySearch {
 public:
  explicit CAdsLdapObject(CAdsPath path);
  CAdsLdapObject(const CAdsLdapObject&) = delete;
  CAdsLdapObject& operator=(const CAdsLdapObject&) = delete;

  // Connects, binds as the flags and credentials say, and reads the object
  // (base search, no attributes) to see that it exists.
  HRESULT Bind(LPCWSTR userName, LPCWSTR password, DWORD flags);

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT PutEx(LONG controlCode, BSTR name, VARIANT value) override;
  HRESULT SetInfo() override;

  HRESULT SetSearchPreference(PADS_SEARCHPREF_INFO preferences, DWORD count) override;
  HRESULT ExecuteSearch(LPCWSTR filter, LPWSTR* attributeNames, DWORD count, PADS_SEARCH_HANDLE handle) override;
  HRESULT GetFirstRow(ADS_SEARCH_HANDLE handle) override;
  HRESULT GetNextRow(ADS_SEARCH_HANDLE handle) override;
  HRESULT GetNextColumnName(ADS_SEARCH_HANDLE handle, LPWSTR* name) override;
  HRESULT GetColumn(ADS_SEARCH_HANDLE handle, LPCWSTR name, PADS_SEARCH_COLUMN column) override;
  HRESULT FreeColumn(PADS_SEARCH_COLUMN column) override;
  HRESULT CloseSearchHandle(ADS_SEARCH_HANDLE handle) override;

  CLdapSession& Session() { return session; }
  const CAdsPath& Path() const { return path; }

 private:
  ~CAdsLdapObject();
  // The bind name for a user: a bare name (no "@", "\" or "=") gets the
  // DNS domain of the server's default naming context.
  std::string QualifiedUserName(const std::string& userName);
  // The open search behind a handle this object gave out, or nullptr.
  CAdsLdapSearch* Find(ADS_SEARCH_HANDLE handle) const;

  // One attribute's new values (UTF-8), wiped once written or dropped.
  struct CPendingChange {
    std::string name;
    std::vector<std::string> values;
  };
  void DropPending();

  ULONG references = 1;
  CAdsPath path;
  CLdapSession session;
  std::vector<CPendingChange> pending;
  // Search preferences for the next ExecuteSearch.
  int scope = LDAP_SCOPE_SUBTREE;  // as libldap names it
  DWORD sizeLimit = 0;
  DWORD pageSize = 0;
  std::vector<std::unique_ptr<CAdsLdapSearch>> searches;
};
