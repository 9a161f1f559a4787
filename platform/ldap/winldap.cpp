// wldap32's Windows shapes over the backend seam: UTF-16 text in and out,
// search results held as entries, values in one block per array, and the
// thread's last LDAP result.
#include "platform/ldap/winldap.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "platform/ldap/ldap_limits.h"
#include "platform/base/text.h"
#include "platform/ldap/winldap_backend.h"
#include "platform/base/wipe.h"

inline namespace wldap32 {

struct ldap {
  std::unique_ptr<IWinLdapConnection> connection;
  bool sign = false;
  bool encrypt = false;
};

// A search result is a chain: one message per entry, then the result
// itself, as the Windows library hands it out.
struct ldapmsg {
  bool isEntry = false;
  CLdapEntry entry;
  ldapmsg* next = nullptr;
};

}  // namespace wldap32

namespace {

std::atomic<IWinLdapBackend*> g_testBackend{nullptr};
thread_local ULONG t_lastError = LDAP_SUCCESS;

ULONG Answer(ULONG result) {
  t_lastError = result;
  return result;
}

std::string Narrow(const WCHAR* text) {
  return text == nullptr ? std::string() : Utf16ToUtf8(std::u16string_view(text));
}

bool SameAttributeName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// A search result message (and its entries) from what the backend found.
PLDAPMessage MakeResult(std::vector<CLdapEntry>& entries) {
  auto* head = new (std::nothrow) ldapmsg;
  if (head == nullptr) return nullptr;
  ldapmsg* last = head;
  for (CLdapEntry& found : entries) {
    auto* message = new (std::nothrow) ldapmsg;
    if (message == nullptr) {
      ldap_msgfree(head);
      return nullptr;
    }
    message->isEntry = true;
    message->entry = std::move(found);
    last->next = message;
    last = message;
  }
  // The result message goes last: the chain begins with the first entry.
  ldapmsg* first = head->next;
  if (first == nullptr) return head;
  head->next = nullptr;
  last->next = head;
  return first;
}

// Lays out `values` as a null-terminated pointer array followed by the
// texts, in one block that ldap_value_freeW frees whole.
PWCHAR* PackValues(const std::vector<std::string>& values) {
  std::vector<std::u16string> wide;
  std::size_t bytes = (values.size() + 1) * sizeof(PWCHAR);
  for (const std::string& value : values) {
    wide.push_back(Utf8ToUtf16(value));
    bytes += (wide.back().size() + 1) * sizeof(WCHAR);
  }
  auto* block = static_cast<unsigned char*>(std::malloc(bytes));
  if (block == nullptr) return nullptr;
  auto* array = reinterpret_cast<PWCHAR*>(block);
  auto* text = reinterpret_cast<WCHAR*>(block + (values.size() + 1) * sizeof(PWCHAR));
  for (std::size_t i = 0; i < wide.size(); ++i) {
    std::memcpy(text, wide[i].c_str(), (wide[i].size() + 1) * sizeof(WCHAR));
    array[i] = text;
    text += wide[i].size() + 1;
  }
  array[values.size()] = nullptr;
  return array;
}

// The backend's form of one modification; a string value is sent as its
// UTF-8 text.
CLdapModification Modification(const LDAPModW& mod) {
  CLdapModification out;
  out.operation = mod.mod_op & ~LDAP_MOD_BVALUES;
  out.attribute = Narrow(mod.mod_type);
  if ((mod.mod_op & LDAP_MOD_BVALUES) != 0) {
    for (berval** v = mod.mod_vals.modv_bvals; v != nullptr && *v != nullptr; ++v)
      out.values.push_back((*v)->bv_val != nullptr ? std::string((*v)->bv_val, (*v)->bv_len) : std::string());
  } else {
    for (PWCHAR* v = mod.mod_vals.modv_strvals; v != nullptr && *v != nullptr; ++v) out.values.push_back(Narrow(*v));
  }
  return out;
}

}  // namespace

IWinLdapBackend& WinLdapBackend() {
  IWinLdapBackend* test = g_testBackend.load();
  return test != nullptr ? *test : LibLdapBackend();
}

void SetWinLdapBackend(IWinLdapBackend* backend) { g_testBackend.store(backend); }

inline namespace wldap32 {

PLDAP ldap_initW(LPCWSTR host, ULONG port) {
  if (host == nullptr || *host == 0) {
    Answer(LDAP_PARAM_ERROR);
    return nullptr;
  }
  ULONG result = LDAP_SUCCESS;
  std::unique_ptr<IWinLdapConnection> connection =
      WinLdapBackend().Open(Narrow(host), port == 0 ? LDAP_PORT : port, result);
  if (connection == nullptr) {
    Answer(result != LDAP_SUCCESS ? result : LDAP_LOCAL_ERROR);
    return nullptr;
  }
  auto* ld = new (std::nothrow) ldap;
  if (ld == nullptr) {
    Answer(LDAP_NO_MEMORY);
    return nullptr;
  }
  ld->connection = std::move(connection);
  Answer(LDAP_SUCCESS);
  return ld;
}

ULONG ldap_set_optionW(PLDAP ld, int option, const void* value) {
  if (ld == nullptr) return Answer(LDAP_PARAM_ERROR);
  switch (option) {
    case LDAP_OPT_SIGN:
    case LDAP_OPT_ENCRYPT: {
      if (value != LDAP_OPT_ON && value != LDAP_OPT_OFF) return Answer(LDAP_PARAM_ERROR);
      (option == LDAP_OPT_SIGN ? ld->sign : ld->encrypt) = value == LDAP_OPT_ON;
      return Answer(LDAP_SUCCESS);
    }
    case LDAP_OPT_PROTOCOL_VERSION:
      // The backend speaks version 3 only.
      if (value == nullptr) return Answer(LDAP_PARAM_ERROR);
      return Answer(*static_cast<const ULONG*>(value) == LDAP_VERSION3 ? LDAP_SUCCESS : LDAP_NOT_SUPPORTED);
    default:
      return Answer(LDAP_PARAM_ERROR);
  }
}

ULONG ldap_connect(PLDAP ld, l_timeval* timeout) {
  if (ld == nullptr) return Answer(LDAP_PARAM_ERROR);
  long milliseconds = -1;
  if (timeout != nullptr) {
    if (timeout->tv_sec < 0 || timeout->tv_usec < 0) return Answer(LDAP_PARAM_ERROR);
    milliseconds = static_cast<long>(timeout->tv_sec) * 1000 + timeout->tv_usec / 1000;
  }
  return Answer(ld->connection->Connect(milliseconds));
}

ULONG ldap_bind_sW(PLDAP ld, PWCHAR dn, PWCHAR cred, ULONG method) {
  if (ld == nullptr) return Answer(LDAP_PARAM_ERROR);
  // Only the service's own credentials: no other account's secret is ever
  // handed to this layer.
  if (method != LDAP_AUTH_NEGOTIATE || dn != nullptr || cred != nullptr)
    return Answer(LDAP_AUTH_METHOD_NOT_SUPPORTED);
  const unsigned minimumSsf = ld->encrypt ? kLdapSealedSsf : ld->sign ? kLdapSignedSsf : 0;
  return Answer(ld->connection->BindNegotiate(minimumSsf));
}

ULONG ldap_search_sW(PLDAP ld, PWCHAR base, ULONG scope, PWCHAR filter, PWCHAR attrs[], ULONG attrsonly,
                     PLDAPMessage* res) {
  if (res != nullptr) *res = nullptr;
  if (ld == nullptr || res == nullptr) return Answer(LDAP_PARAM_ERROR);
  // Names without values are not asked for here.
  if (attrsonly != 0) return Answer(LDAP_NOT_SUPPORTED);
  std::vector<std::string> attributes;
  for (PWCHAR* a = attrs; a != nullptr && *a != nullptr; ++a) attributes.push_back(Narrow(*a));
  std::vector<CLdapEntry> entries;
  const ULONG result =
      ld->connection->Search(Narrow(base), scope, Narrow(filter), attributes, entries);
  *res = MakeResult(entries);
  if (*res == nullptr) return Answer(LDAP_NO_MEMORY);
  return Answer(result);
}

PLDAPMessage ldap_first_entry(PLDAP, PLDAPMessage res) {
  for (ldapmsg* m = res; m != nullptr; m = m->next)
    if (m->isEntry) {
      Answer(LDAP_SUCCESS);
      return m;
    }
  Answer(res == nullptr ? LDAP_PARAM_ERROR : LDAP_SUCCESS);
  return nullptr;
}

ULONG ldap_count_entries(PLDAP, PLDAPMessage res) {
  ULONG count = 0;
  for (ldapmsg* m = res; m != nullptr; m = m->next)
    if (m->isEntry) ++count;
  Answer(LDAP_SUCCESS);
  return count;
}

PWCHAR* ldap_get_valuesW(PLDAP ld, PLDAPMessage entry, LPCWSTR attr) {
  if (entry != nullptr && !entry->isEntry) entry = ldap_first_entry(ld, entry);
  if (ld == nullptr || entry == nullptr || attr == nullptr) {
    Answer(LDAP_PARAM_ERROR);
    return nullptr;
  }
  const std::string name = Narrow(attr);
  for (const CLdapAttribute& attribute : entry->entry.attributes) {
    if (!SameAttributeName(attribute.name, name)) continue;
    PWCHAR* values = PackValues(attribute.values);
    Answer(values != nullptr ? LDAP_SUCCESS : LDAP_NO_MEMORY);
    return values;
  }
  Answer(LDAP_NO_SUCH_ATTRIBUTE);
  return nullptr;
}

ULONG ldap_count_valuesW(PWCHAR* vals) {
  ULONG count = 0;
  while (vals != nullptr && vals[count] != nullptr) ++count;
  return count;
}

ULONG ldap_value_freeW(PWCHAR* vals) {
  std::free(vals);
  return LDAP_SUCCESS;
}

ULONG ldap_msgfree(PLDAPMessage res) {
  while (res != nullptr) {
    ldapmsg* next = res->next;
    delete res;
    res = next;
  }
  return LDAP_SUCCESS;
}

ULONG ldap_modify_ext_sW(PLDAP ld, PWCHAR dn, LDAPModW* mods[], PLDAPControlW* serverControls,
                         PLDAPControlW* clientControls) {
  if (ld == nullptr || dn == nullptr || mods == nullptr || mods[0] == nullptr) return Answer(LDAP_PARAM_ERROR);
  if (clientControls != nullptr && clientControls[0] != nullptr) return Answer(LDAP_NOT_SUPPORTED);
  std::vector<CLdapModification> modifications;
  for (LDAPModW** m = mods; *m != nullptr; ++m) modifications.push_back(Modification(**m));
  std::vector<CLdapControlValue> controls;
  for (PLDAPControlW* c = serverControls; c != nullptr && *c != nullptr; ++c) {
    const LDAPControlW& control = **c;
    controls.push_back({Narrow(control.ldctl_oid),
                        std::string(control.ldctl_value.bv_val != nullptr ? control.ldctl_value.bv_val : "",
                                    control.ldctl_value.bv_val != nullptr ? control.ldctl_value.bv_len : 0),
                        control.ldctl_iscritical != 0});
  }
  const ULONG result = ld->connection->Modify(Narrow(dn), modifications, controls);
  // The values may be a password (unicodePwd): no copy outlives the call.
  for (CLdapModification& modification : modifications)
    for (std::string& value : modification.values) WipeString(value);
  return Answer(result);
}

ULONG ldap_unbind(PLDAP ld) {
  if (ld == nullptr) return Answer(LDAP_PARAM_ERROR);
  delete ld;
  return Answer(LDAP_SUCCESS);
}

ULONG LdapGetLastError() { return t_lastError; }

PCHAR ldap_err2stringA(ULONG err) { return const_cast<PCHAR>(LibLdapResultText(err)); }

}  // namespace wldap32
