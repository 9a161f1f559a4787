// The netapi backend: Samba's libnetapi, and LDAP to the same controller
// where libnetapi mishandles a call. libnetapi keeps one context per
// process and is not thread-safe, so every call holds one lock. Calls run as
// the CredentialsFile account when one is configured, else with the
// process's Kerberos credentials; "the local computer" is the Platform key's
// LocalDomainController. (Samba's header shares netapi's names, so this file
// sees only it and the backend seam, never platform/netapi/netapi.h.)
#include <cstdint>
// Samba's header expects the fixed-width types already declared.
#include <netapi.h>

#include <mutex>

#include "platform/ldap/directory_settings.h"
#include "platform/ldap/kerberos_environment.h"
#include "platform/netapi/netapi_backend.h"
#include "platform/netapi/netapi_ldap.h"
#include "platform/netapi/netapi_user_ldap.h"

namespace {

// netapi's own codes for what libnetapi itself cannot do.
constexpr DWORD kNotEnoughMemory = 8;
constexpr DWORD kBadNetPath = 53;
constexpr DWORD kInvalidComputer = 2351;
constexpr DWORD kInternalError = 2140;
constexpr DWORD kNoneMapped = 1332;
constexpr DWORD kUserNotFound = 2221;
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
    CLibnetapiCall inCall(m_lock);
    // libnetapi's locator needs a domain name (it fails on none): for the
    // computer's own domain the controller that answers for it tells its
    // name, and answers as itself when it cannot locate itself.
    std::string target, lookFor;
    DWORD status = PrepareForDomain(server, domain, target, lookFor);
    if (status != 0) return status;
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

  DWORD UserSetPassword(const std::string& server, const std::string& user, const std::string& password,
                        DWORD& parmError) override {
    if (NoServer(server)) return kBadNetPath;
    CLibnetapiCall inCall(m_lock);
    std::string target;
    DWORD status = Prepare(server, target);
    if (status != 0) return status;
    USER_INFO_1003 info{password.c_str()};
    uint32_t refused = 0;
    status = static_cast<DWORD>(
        ::NetUserSetInfo(ServerName(target), user.c_str(), 1003, reinterpret_cast<uint8_t*>(&info), &refused));
    parmError = refused;
    return UserStatus(status);
  }

  DWORD UserGetInfo(const std::string& server, const std::string& user, CUserRecord& record) override {
    if (NoServer(server)) return kBadNetPath;
    CLibnetapiCall inCall(m_lock);
    std::string target;
    DWORD status = Prepare(server, target);
    if (status != 0) return status;
    uint8_t* buffer = nullptr;
    status = static_cast<DWORD>(::NetUserGetInfo(ServerName(target), user.c_str(), 3, &buffer));
    if (status == 0 && buffer == nullptr) status = kInternalError;
    if (status == 0) CopyUserRecord(*reinterpret_cast<const USER_INFO_3*>(buffer), record, Text);
    if (buffer != nullptr) ::NetApiBufferFree(buffer);
    return UserStatus(status);
  }

  // Over LDAP: libnetapi's own level-3 set sends the UF_ flags unconverted.
  DWORD UserSetInfo(const std::string& server, const std::string& user, const CUserRecord& record,
                    DWORD& parmError) override {
    parmError = 0;
    return LdapUserSetAccountState(StripUncPrefix(LocalOr(server)), user, record);
  }

  // Over LDAP: libnetapi answers "not supported" without asking.
  DWORD UserChangePassword(const std::string& domainOrServer, const std::string& user, const std::string& oldPassword,
                           const std::string& newPassword) override {
    return LdapUserChangePassword(StripUncPrefix(LocalOr(domainOrServer)), user, oldPassword, newPassword);
  }

  DWORD GetPrimaryDcName(const std::string& server, const std::string& domain, std::string& name) override {
    if (NoServer(server)) return kBadNetPath;
    CLibnetapiCall inCall(m_lock);
    // As with the locator: no domain name into libnetapi.
    std::string target, lookFor;
    DWORD status = PrepareForDomain(server, domain, target, lookFor);
    if (status != 0) return status;
    uint8_t* buffer = nullptr;
    status = static_cast<DWORD>(::NetGetDCName(ServerName(target), lookFor.c_str(), &buffer));
    if (status == 0 && buffer == nullptr) status = kNoSuchDomain;
    if (status == 0) {
      name = reinterpret_cast<const char*>(buffer);
      if (name.rfind("\\\\", 0) != 0) name = "\\\\" + name;
    }
    if (buffer != nullptr) ::NetApiBufferFree(buffer);
    return status;
  }

 private:
  // libnetapi tells an unknown user by the failed name lookup
  // (ERROR_NONE_MAPPED); netapi's own answer is NERR_UserNotFound.
  static DWORD UserStatus(DWORD status) { return status == kNoneMapped ? kUserNotFound : status; }

  // No server named and no LocalDomainController: libnetapi would turn to
  // this machine and prompt for a password; nobody answers here.
  static bool NoServer(const std::string& server) { return server.empty() && LocalDomainController().empty(); }

  static std::string LocalOr(const std::string& server) { return server.empty() ? LocalDomainController() : server; }


  static const char* ServerName(const std::string& server) { return server.empty() ? nullptr : server.c_str(); }

  // Prepare, and the domain to name to libnetapi: `domain`, or for none the
  // own domain of the controller asked.
  DWORD PrepareForDomain(const std::string& server, const std::string& domain, std::string& target,
                         std::string& lookFor) {
    DWORD status = Prepare(server, target);
    if (status != 0) return status;
    if (target.empty() && domain.empty()) return kNoSuchDomain;
    lookFor = domain;
    return lookFor.empty() ? OwnDomainOf(target, lookFor) : 0;
  }

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
    CLibnetapiCall inCall(m_lock);
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

  // Opens the context, then sets the account afresh for every call, as the
  // settings are read afresh. A context that has talked to one server
  // answers "access denied" for every other (seen against a Samba DC), so a
  // call to another server starts a fresh one.
  DWORD Prepare(const std::string& server, std::string& target) {
    target = StripUncPrefix(server.empty() ? LocalDomainController() : server);
    if (m_context != nullptr && target != m_server) {
      libnetapi_free(m_context);
      m_context = nullptr;
    }
    m_server = target;
    if (m_context == nullptr) {
      if (libnetapi_init(&m_context) != NET_API_STATUS_SUCCESS || m_context == nullptr) {
        m_context = nullptr;
        return kNotEnoughMemory;
      }
      libnetapi_set_debuglevel(m_context, "0");
    }
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

  // One libnetapi call: the context's lock, and the Kerberos environment
  // that Samba's library may change put back afterwards.
  struct CLibnetapiCall {
    explicit CLibnetapiCall(std::mutex& lock) : hold(lock) {}
    std::lock_guard<std::mutex> hold;
    CForeignKerberosScope environment;
  };

  std::mutex m_lock;
  libnetapi_ctx* m_context = nullptr;
  std::string m_server;  // the one m_context has talked to
};

}  // namespace

INetApiBackend& SambaNetApiBackend() {
  static CSambaNetApiBackend backend;
  return backend;
}
