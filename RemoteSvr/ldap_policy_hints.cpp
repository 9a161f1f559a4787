// Whether a domain controller lists a password-policy-hints control, and
// which one a connection uses.
#include <cstddef>
#include <iterator>

#include "RemoteSvr/ldap_password_client.h"
#include "platform/base/text.h"

int CLdapPasswordClient::FindPolicyHintsControl(PWCHAR* values) {
  int found = -1;
  for (PWCHAR* value = values; value != nullptr && *value != nullptr; ++value) {
    const std::string oid = Utf16ToUtf8(*value);
    for (int i = found + 1; i < static_cast<int>(std::size(PolicyHintsOids)); ++i)
      if (oid == PolicyHintsOids[i]) found = i;
  }
  return found;
}

int CLdapPasswordClient::SupportsPolicyHints() {
  std::string baseDn;
  int controlIndex = -1;
  PLDAP ld = Connect(server, baseDn, controlIndex);
  if (ld == nullptr) return 0;
  ldap_unbind(ld);
  return controlIndex == 0 || controlIndex == 1 ? 1 : 0;
}
