// The netapi backend: Samba's libnetapi, and LDAP to the same controller
// where libnetapi mishandles a call. libnetapi keeps one context per
// process and is not thread-safe, so every call holds one lock. Calls run as
// the CredentialsFile account when one is configured, else with the
// process's Kerberos credentials; "the local computer" is the Platform key's
// LocalDomainController. (Samba's header shares netapi's names, so this file
// sees only it and the backend seam, never platform/netapi.h.)
#include <cstdint>
// Samba's header expects the fixed-width types already declared.
#include <netapi.h>

#include <mutex>

#include "platform/directory_settings.h"
#include "platform/netapi_backend.h"
#include "platform/netapi_ldap.h"

namespace {

// netapi's own codes for what libnetapi itself cannot do.
constexpr DWORD kNotEnoughMemory = 8;
constexpr DWORD kInvalidComputer = 2351;
constexpr DWORD kNoSuchDomain = 1355;

std::string Text(const char* text) { return text == nullptr ? std::string() : std::string(text); }

// NetWkstaGetInfo's level-100 record as libnetapi lays it out (its public
// header names the call but not the record).
struct CWkstaInfo100 {
  uint32_t platformId;
  const char* computerName;
  const char* lanGroup;
  uint32_t versionMajor;
  uint32_t versionMinor;
};

// An IPv4 or IPv6 address rather than a host name.
bool LooksLikeAddress(const std::string& name) {
  return !name.empty() && (name.find_first_not_of("0123456789.") == std::string::npos || name.find(':') != std::string::npos);
}

class CSambaNetApiBackend : public INetApiBackend {
 public:
  ~CSambaNetApiBackend() override {
    if (m_context != nullptr) libnetapi_free(m_context);
  }

  DWORD UserGetGroups(const std::string& server, const std::string& user, std::vector<std::string>& groups) override {
    return ListGroups<GROUP_USERS_INFO_0>(
        server, groups,
        [&](const char* target, uint8_t** buffer, uint32_t* read, uint32_t* total) {
          return ::NetUserGetGroups(target, user.c_str(), 0, buffer, UINT32_MAX, read, total);
        },
        [](const GROUP_USERS_INFO_0& g) { return g.grui0_name; });
  }

  // Over LDAP to the same controller: libnetapi's own call cannot name
  // domain-local groups (see netapi_ldap.h).
  DWORD UserGetLocalGroups(const std::string& server, const std::string& user, bool indirect,
                           std::vector<std::string>& groups) override {
    const std::string target = server.empty() ? LocalDomainController() : server;
    return LdapUserGetLocalGroups(StripUncPrefix(target), user, indirect, groups);
  }

  // libnetapi needs a domain name unless a controller is asked, which then
  // answers for its own domain.
  DWORD GetDcName(const std::string& server, const std::string& domain, DWORD flags,
                  CDomainControllerInfo& info) override {
    // Nobody to ask: answered before libnetapi is even loaded.
    if (domain.empty() && server.empty() && LocalDomainController().empty()) return kNoSuchDomain;
    std::lock_guard<std::mutex> hold(m_lock);
    std::string target;
    DWORD status = Prepare(server, target);
    if (status != 0) return status;
    if (target.empty() && domain.empty()) return kNoSuchDomain;
    // libnetapi's locator needs a domain name (it fails on none): for the
    // computer's own domain the controller that answers for it tells its
    // name, and answers as itself when it cannot locate itself.
    std::string lookFor = domain;
    if (lookFor.empty()) {
      status = OwnDomainOf(target, lookFor);
      if (status != 0) return status;
    }
    DOMAIN_CONTROLLER_INFO* answer = nullptr;
    status = static_cast<DWORD>(::DsGetDcName(ServerName(target), lookFor.c_str(), nullptr, nullptr, flags, &answer));
    if (status != 0 && domain.empty()) {
      if (answer != nullptr) ::NetApiBufferFree(answer);
      const std::string name = StripUncPrefix(target);
      info.controllerName = "\\\\" + name;
      info.controllerAddress = "\\\\" + name;
      info.addressType = LooksLikeAddress(name) ? 1 : 2;  // DS_INET_ADDRESS, DS_NETBIOS_ADDRESS
      info.domainName = lookFor;
      return 0;
    }
    if (status == 0 && answer == nullptr) status = kNoSuchDomain;
    if (status == 0) {
      info.controllerName = Text(answer->domain_controller_name);
      info.controllerAddress = Text(answer->domain_controller_address);
      info.addressType = answer->domain_controller_address_type;
      const GUID& guid = answer->domain_guid;
      const uint32_t parts[] = {guid.time_low, guid.time_mid, guid.time_hi_and_version};
      info.domainGuid = {static_cast<uint8_t>(parts[0]),       static_cast<uint8_t>(parts[0] >> 8),
                         static_cast<uint8_t>(parts[0] >> 16), static_cast<uint8_t>(parts[0] >> 24),
                         static_cast<uint8_t>(parts[1]),       static_cast<uint8_t>(parts[1] >> 8),
                         static_cast<uint8_t>(parts[2]),       static_cast<uint8_t>(parts[2] >> 8),
                         guid.clock_seq[0],                    guid.clock_seq[1],
                         guid.node[0],                         guid.node[1],
                         guid.node[2],                         guid.node[3],
                         guid.node[4],                         guid.node[5]};
      info.domainName = Text(answer->domain_name);
      info.forestName = Text(answer->dns_forest_name);
      info.flags = answer->flags;
      info.controllerSite = Text(answer->dc_site_name);
      info.clientSite = Text(answer->client_site_name);
    }
    if (answer != nullptr) ::NetApiBufferFree(answer);
    return status;
  }

 private:
  // "\\server" names the same machine as "server".
  static std::string StripUncPrefix(const std::string& server) {
    return server.rfind("\\\\", 0) == 0 ? server.substr(2) : server;
  }

  static const char* ServerName(const std::string& server) { return server.empty() ? nullptr : server.c_str(); }

  // The domain that `server` belongs to, from its workstation record.
  static DWORD OwnDomainOf(const std::string& server, std::string& domainName) {
    uint8_t* buffer = nullptr;
    DWORD status = static_cast<DWORD>(::NetWkstaGetInfo(server.c_str(), 100, &buffer));
    if (status == 0 && buffer != nullptr) domainName = Text(reinterpret_cast<const CWkstaInfo100*>(buffer)->lanGroup);
    if (buffer != nullptr) ::NetApiBufferFree(buffer);
    if (status == 0 && domainName.empty()) status = kNoSuchDomain;
    return status;
  }

  // One group list: the call under the lock, its names copied out, its
  // buffer freed whatever the call answered.
  template <class Record, class Call, class NameOf>
  DWORD ListGroups(const std::string& server, std::vector<std::string>& groups, Call call, NameOf nameOf) {
    std::lock_guard<std::mutex> hold(m_lock);
    std::string target;
    DWORD status = Prepare(server, target);
    if (status != 0) return status;
    uint8_t* buffer = nullptr;
    uint32_t read = 0, total = 0;
    status = static_cast<DWORD>(call(ServerName(target), &buffer, &read, &total));
    if (status == 0 && buffer != nullptr) {
      const auto* records = reinterpret_cast<const Record*>(buffer);
      for (uint32_t i = 0; i < read; ++i) groups.emplace_back(nameOf(records[i]) ? nameOf(records[i]) : "");
    }
    if (buffer != nullptr) ::NetApiBufferFree(buffer);
    return status;
  }

  // Opens the context once, then sets the account afresh for every call, as
  // the settings are read afresh.
  DWORD Prepare(const std::string& server, std::string& target) {
    if (m_context == nullptr) {
      if (libnetapi_init(&m_context) != NET_API_STATUS_SUCCESS || m_context == nullptr) {
        m_context = nullptr;
        return kNotEnoughMemory;
      }
      libnetapi_set_debuglevel(m_context, "0");
    }
    target = server.empty() ? LocalDomainController() : server;
    if (target.size() > 255) return kInvalidComputer;
    CDirectoryCredentials credentials;
    if (ReadDirectoryCredentials(credentials)) {
      libnetapi_set_username(m_context, credentials.userName.c_str());
      libnetapi_set_password(m_context, credentials.password.c_str());
      if (!credentials.domain.empty()) libnetapi_set_workgroup(m_context, credentials.domain.c_str());
    } else {
      libnetapi_set_use_ccache(m_context);
    }
    return 0;
  }

  std::mutex m_lock;
  libnetapi_ctx* m_context = nullptr;
};

}  // namespace

INetApiBackend& SambaNetApiBackend() {
  static CSambaNetApiBackend backend;
  return backend;
}
