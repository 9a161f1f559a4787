// The Windows-shaped LDAP layer's process backend: libldap through the one
// LDAP session of the directory layers (time-outs, verified TLS settings,
// GSSAPI with a minimum strength). libldap's own client codes are negative;
// the Windows ones are the same list from 0x51 up.
#include <ldap.h>

#include <climits>

#include "platform/ldap/ldap_session.h"
#include "platform/ldap/winldap_backend.h"

namespace {

// libldap's client codes run from LDAP_SERVER_DOWN (-1) to
// LDAP_REFERRAL_LIMIT_EXCEEDED (-17); Windows numbers them 0x51 to 0x61.
constexpr std::uint32_t kWindowsClientBase = 0x50;
constexpr int kLastClientCode = 17;
constexpr std::uint32_t kWindowsLocalError = 0x52;

std::uint32_t FromLibLdap(int rc) {
  if (rc >= 0) return static_cast<std::uint32_t>(rc);
  if (rc >= -kLastClientCode) return kWindowsClientBase + static_cast<std::uint32_t>(-rc);
  return kWindowsLocalError;
}

int ToLibLdap(std::uint32_t code) {
  if (code > kWindowsClientBase && code <= kWindowsClientBase + kLastClientCode)
    return -static_cast<int>(code - kWindowsClientBase);
  return code > INT_MAX ? INT_MAX : static_cast<int>(code);
}

std::vector<CLdapEntry> Entries(LDAP* ld, LDAPMessage* result) {
  std::vector<CLdapEntry> entries;
  for (LDAPMessage* entry = ldap_first_entry(ld, result); entry != nullptr; entry = ldap_next_entry(ld, entry)) {
    CLdapEntry found;
    found.dn = LdapEntryDn(ld, entry);
    BerElement* position = nullptr;
    for (char* name = ldap_first_attribute(ld, entry, &position); name != nullptr;
         name = ldap_next_attribute(ld, entry, position)) {
      found.attributes.push_back({name, LdapValues(ld, entry, name)});
      ldap_memfree(name);
    }
    if (position != nullptr) ber_free(position, 0);
    entries.push_back(std::move(found));
  }
  return entries;
}

class CLibLdapConnection : public IWinLdapConnection {
 public:
  std::uint32_t Open(const std::string& host, std::uint32_t port) {
    if (port == 0 || port > 65535) return FromLibLdap(LDAP_PARAM_ERROR);
    return FromLibLdap(m_session.Open(host, static_cast<int>(port), false));
  }

  std::uint32_t Connect(long timeoutMilliseconds) override {
    if (timeoutMilliseconds >= 0) {
      timeval limit{timeoutMilliseconds / 1000, (timeoutMilliseconds % 1000) * 1000};
      ldap_set_option(m_session.Handle(), LDAP_OPT_NETWORK_TIMEOUT, &limit);
    }
    return FromLibLdap(m_session.Connect());
  }

  std::uint32_t BindNegotiate(unsigned minimumSsf) override {
    return FromLibLdap(m_session.BindNegotiate(minimumSsf));
  }

  std::uint32_t Search(const std::string& base, std::uint32_t scope, const std::string& filter,
                       const std::vector<std::string>& attributes, std::vector<CLdapEntry>& entries) override {
    LDAPMessage* result = nullptr;
    const int rc = m_session.Search(base, static_cast<int>(scope), filter, attributes, nullptr, &result);
    if (result != nullptr) {
      entries = Entries(m_session.Handle(), result);
      ldap_msgfree(result);
    }
    return FromLibLdap(rc);
  }

  std::uint32_t Modify(const std::string& dn, const std::vector<CLdapModification>& modifications,
                       const std::vector<CLdapControlValue>& serverControls) override {
    // The request points into the caller's strings: no further copy of a
    // password value is made here.
    std::vector<std::vector<berval>> values(modifications.size());
    std::vector<std::vector<berval*>> valuePointers(modifications.size());
    std::vector<LDAPMod> mods(modifications.size());
    std::vector<LDAPMod*> modPointers;
    for (std::size_t i = 0; i < modifications.size(); ++i) {
      const CLdapModification& m = modifications[i];
      for (const std::string& v : m.values)
        values[i].push_back({static_cast<ber_len_t>(v.size()), const_cast<char*>(v.data())});
      for (berval& v : values[i]) valuePointers[i].push_back(&v);
      valuePointers[i].push_back(nullptr);
      mods[i].mod_op = static_cast<int>(m.operation) | LDAP_MOD_BVALUES;
      mods[i].mod_type = const_cast<char*>(m.attribute.c_str());
      mods[i].mod_bvalues = valuePointers[i].data();
      modPointers.push_back(&mods[i]);
    }
    modPointers.push_back(nullptr);
    std::vector<LDAPControl> controls(serverControls.size());
    std::vector<LDAPControl*> controlPointers;
    for (std::size_t i = 0; i < serverControls.size(); ++i) {
      const CLdapControlValue& c = serverControls[i];
      controls[i].ldctl_oid = const_cast<char*>(c.oid.c_str());
      controls[i].ldctl_value = {static_cast<ber_len_t>(c.value.size()),
                                 c.value.empty() ? nullptr : const_cast<char*>(c.value.data())};
      controls[i].ldctl_iscritical = c.critical ? 1 : 0;
      controlPointers.push_back(&controls[i]);
    }
    controlPointers.push_back(nullptr);
    return FromLibLdap(m_session.Modify(dn, modPointers.data(), controls.empty() ? nullptr : controlPointers.data()));
  }

 private:
  CLdapSession m_session;
};

class CLibLdapBackend : public IWinLdapBackend {
 public:
  std::unique_ptr<IWinLdapConnection> Open(const std::string& host, std::uint32_t port,
                                           std::uint32_t& result) override {
    auto connection = std::make_unique<CLibLdapConnection>();
    result = connection->Open(host, port);
    if (result != 0) return nullptr;
    return connection;
  }
};

}  // namespace

IWinLdapBackend& LibLdapBackend() {
  static CLibLdapBackend backend;
  return backend;
}

const char* LibLdapResultText(std::uint32_t code) {
  const char* text = ldap_err2string(ToLibLdap(code));
  return text != nullptr ? text : "Unknown error";
}
