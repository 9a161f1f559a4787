// Opening a directory object over libldap, and its one-attribute changes.
#include "platform/adsi/adsi_ldap_object.h"

#include <algorithm>
#include <new>

#include "platform/adsi/adsi_ldap_error.h"
#include "platform/adsi/adsi_ldap_search.h"
#include "platform/adsi/adsi_user_password.h"
#include "platform/ldap/directory_settings.h"
#include "platform/adsi/ds_errors.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"

namespace {

// The Win32 code for a path without a server when no local controller is set.
constexpr DWORD kNoSuchDomain = 1355;
// Win32 code of a refused logon.
constexpr DWORD kLogonFailure = 1326;

// "DC=test,DC=lan" -> "test.lan"; empty when the DN names no DC parts.
std::string DnsDomainOf(const std::string& namingContext) {
  std::string domain;
  std::size_t start = 0;
  while (start <= namingContext.size()) {
    std::size_t end = namingContext.find(',', start);
    if (end == std::string::npos) end = namingContext.size();
    const std::string part = namingContext.substr(start, end - start);
    if (part.size() > 3 && LowerCase(part.substr(0, 3)) == "dc=") {
      if (!domain.empty()) domain += '.';
      domain += part.substr(3);
    }
    start = end + 1;
  }
  return domain;
}

}  // namespace

CAdsLdapObject::CAdsLdapObject(CAdsPath objectPath) : path(std::move(objectPath)) {}

CAdsLdapObject::~CAdsLdapObject() { DropPending(); }

HRESULT CAdsLdapObject::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (riid == IID_IUnknown || riid == IID_IADs) {
    *object = static_cast<IADs*>(this);
  } else if (riid == IID_IDirectorySearch) {
    *object = static_cast<IDirectorySearch*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG CAdsLdapObject::AddRef() { return ++references; }

ULONG CAdsLdapObject::Release() {
  const ULONG left = --references;
  if (left == 0) delete this;
  return left;
}

std::string CAdsLdapObject::QualifiedUserName(const std::string& userName) {
  if (userName.find_first_of("@\\=") != std::string::npos) return userName;
  LDAPMessage* result = nullptr;
  std::string domain;
  if (session.Search("", LDAP_SCOPE_BASE, "(objectClass=*)", {"defaultNamingContext"}, nullptr, &result) ==
      LDAP_SUCCESS) {
    if (LDAPMessage* entry = ldap_first_entry(session.Handle(), result)) {
      const std::vector<std::string> values = LdapValues(session.Handle(), entry, "defaultNamingContext");
      if (!values.empty()) domain = DnsDomainOf(values.front());
    }
  }
  if (result != nullptr) ldap_msgfree(result);
  return domain.empty() ? userName : userName + "@" + domain;
}

HRESULT CAdsLdapObject::Bind(LPCWSTR userName, LPCWSTR password, DWORD flags) {
  const std::string host = path.server.empty() ? LocalDomainController() : path.host;
  if (host.empty()) return HRESULT_FROM_WIN32(kNoSuchDomain);
  const bool tls = (flags & ADS_USE_ENCRYPTION) != 0;
  const int port = path.port != 0 ? path.port : tls ? LDAPS_PORT : LDAP_PORT;
  int rc = session.Open(host, port, tls);
  if (rc != LDAP_SUCCESS) return AdsLdapFailure(rc, session);

  const std::string user = userName != nullptr ? Utf16ToUtf8(userName) : std::string();
  if (!user.empty()) {
    std::string secret = password != nullptr ? Utf16ToUtf8(password) : std::string();
    CWipeOnExit<char> wipeSecret(secret);
    // A name with an empty password would be an unauthenticated bind, which
    // a server may take as anonymous: refused here instead.
    if (secret.empty()) return HRESULT_FROM_WIN32(kLogonFailure);
    // A simple bind shows the password to anyone on the way unless TLS
    // protects it: refused before anything is sent.
    if (!tls) return HRESULT_FROM_WIN32(ERROR_DS_CONFIDENTIALITY_REQUIRED);
    rc = session.BindSimple(QualifiedUserName(user), secret);
  } else if ((flags & ADS_SECURE_AUTHENTICATION) != 0) {
    // Without TLS the session itself must be sealed: values such as a new
    // password travel in it.
    rc = session.BindNegotiate(tls ? 0 : kLdapSealedSsf);
  } else {
    rc = LDAP_SUCCESS;  // anonymous
  }
  if (rc != LDAP_SUCCESS) return AdsLdapFailure(rc, session);

  LDAPMessage* result = nullptr;
  rc = session.Search(path.dn, LDAP_SCOPE_BASE, "(objectClass=*)", {LDAP_NO_ATTRS}, nullptr, &result);
  if (result != nullptr) ldap_msgfree(result);
  if (rc != LDAP_SUCCESS) return AdsLdapFailure(rc, session);
  return S_OK;
}

void CAdsLdapObject::DropPending() {
  for (CPendingChange& change : pending)
    for (std::string& value : change.values) WipeString(value);
  pending.clear();
}

HRESULT CAdsLdapObject::PutEx(LONG controlCode, BSTR name, VARIANT value) {
  if (name == nullptr || name[0] == 0) return E_ADS_BAD_PARAMETER;
  if (controlCode != ADS_PROPERTY_UPDATE) return E_NOTIMPL;
  CPendingChange change{Utf16ToUtf8(name), {}};
  if (value.vt == VT_BSTR) {
    change.values.push_back(Utf16ToUtf8(value.bstrVal != nullptr ? value.bstrVal : u""));
  } else if (value.vt == (VT_ARRAY | VT_VARIANT) && value.parray != nullptr) {
    const auto* elements = static_cast<const VARIANT*>(value.parray->pvData);
    for (ULONG i = 0; i < value.parray->rgsabound[0].cElements; ++i) {
      if (elements[i].vt != VT_BSTR) {
        for (std::string& text : change.values) WipeString(text);
        return E_ADS_CANT_CONVERT_DATATYPE;
      }
      change.values.push_back(Utf16ToUtf8(elements[i].bstrVal != nullptr ? elements[i].bstrVal : u""));
    }
  } else {
    return E_ADS_CANT_CONVERT_DATATYPE;
  }
  if (change.values.empty()) return E_ADS_BAD_PARAMETER;
  // A later change of the same attribute replaces the earlier one.
  const auto same = std::find_if(pending.begin(), pending.end(), [&](const CPendingChange& kept) {
    return LowerCase(kept.name) == LowerCase(change.name);
  });
  if (same != pending.end()) {
    for (std::string& text : same->values) WipeString(text);
    *same = std::move(change);
  } else {
    pending.push_back(std::move(change));
  }
  return S_OK;
}

HRESULT CAdsLdapObject::SetInfo() {
  AdsClearLastError();
  if (pending.empty()) return S_OK;
  // A password that the directory would keep as readable text, and not as
  // the password, is not written at all.
  const bool writesUserPassword = std::any_of(pending.begin(), pending.end(), [](const CPendingChange& change) {
    return LowerCase(change.name) == "userpassword";
  });
  if (writesUserPassword) {
    const HRESULT allowed = CheckUserPasswordIsThePassword(session);
    if (FAILED(allowed)) {
      DropPending();
      return allowed;
    }
  }
  std::vector<std::vector<berval>> values(pending.size());
  std::vector<std::vector<berval*>> valueLists(pending.size());
  std::vector<LDAPMod> mods(pending.size());
  std::vector<LDAPMod*> list;
  for (std::size_t i = 0; i < pending.size(); ++i) {
    for (std::string& text : pending[i].values)
      values[i].push_back(berval{static_cast<ber_len_t>(text.size()), text.data()});
    for (berval& item : values[i]) valueLists[i].push_back(&item);
    valueLists[i].push_back(nullptr);
    mods[i].mod_op = LDAP_MOD_REPLACE | LDAP_MOD_BVALUES;
    mods[i].mod_type = pending[i].name.data();
    mods[i].mod_bvalues = valueLists[i].data();
    list.push_back(&mods[i]);
  }
  list.push_back(nullptr);
  const int rc = session.Modify(path.dn, list.data(), nullptr);
  // Written or not, the values (a password, say) are not kept.
  DropPending();
  return rc == LDAP_SUCCESS ? S_OK : AdsLdapFailure(rc, session);
}

HRESULT ADsOpenObject(LPCWSTR path, LPCWSTR userName, LPCWSTR password, DWORD flags, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  AdsClearLastError();
  if (riid != IID_IADs && riid != IID_IDirectorySearch) return E_NOINTERFACE;
  CAdsPath parsed;
  if (path == nullptr || !ParseAdsPath(Utf16ToUtf8(path), parsed)) return E_ADS_BAD_PATHNAME;
  auto* opened = new (std::nothrow) CAdsLdapObject(std::move(parsed));
  if (opened == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = opened->Bind(userName, password, flags);
  if (FAILED(result)) {
    opened->Release();
    return result;
  }
  if (riid == IID_IADs)
    *object = static_cast<IADs*>(opened);
  else
    *object = static_cast<IDirectorySearch*>(opened);
  return S_OK;
}
