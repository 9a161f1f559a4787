// The netapi backend: Samba's libnetapi, and LDAP to the same controller
// where libnetapi mishandles a call or the controller's SAM server may be
// what asks (the group look-ups). libnetapi keeps one context per
// process and is not thread-safe, so every call holds one lock. Calls run as
// the CredentialsFile account when one is configured, else with the
// process's Kerberos credentials; "the local computer" is the Platform key's
// LocalDomainController. libnetapi keeps its connection to a server for
// later calls, and keeps it too when it broke (the server restarted): a
// failed call drops the context, and a call that failed on a kept
// connection is made once more on a fresh one. (Samba's header shares
// netapi's names, so this file sees only it and the backend seam, never
// platform/netapi/netapi.h.)
#include <cstdint>
// Samba's header expects the fixed-width types already declared.
#include <netapi.h>

#include <chrono>
#include <mutex>
#include <optional>

#include "platform/ldap/directory_settings.h"
#include "platform/ldap/kerberos_environment.h"
#include "platform/ldap/ldap_limits.h"
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
constexpr DWORD kRpcServerUnavailable = 1722;
constexpr DWORD kTimeout = 1460;  // ERROR_TIMEOUT

// libnetapi's answers when the connection it kept is gone: the server
// closed it (ERROR_NETNAME_DELETED, ERROR_UNEXP_NET_ERR,
// ERROR_CONNECTION_ABORTED), or no pipe opens on it any more
// (NERR_DestNotFound). The call may be made again: a write of the same
// value twice does no harm.
bool BrokenConnection(DWORD status) { return status == 64 || status == 59 || status == 1236 || status == 2152; }

// libnetapi's answers when it could make no connection to the server, or
// open no pipe on it: nothing was asked of it.
bool NothingAsked(DWORD status) { return status == 1003 || status == 2152 || status == 53; }

// libnetapi answers NERR_DestNotFound when it cannot open the RPC pipe to
// the server; netapi's own answer is RPC_S_SERVER_UNAVAILABLE.
DWORD NetApiStatus(DWORD status) { return status == 2152 ? kRpcServerUnavailable : status; }

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
  ~CSambaNetApiBackend() override { DropContext(); }

  // Over LDAP to the same controller: a DC's check password script asks
  // while the DC's SAM server waits for it (see netapi_ldap.h).
  DWORD UserGetGroups(const std::string& server, const std::string& user, std::vector<std::string>& groups) override {
    return LdapUserGetGroups(StripUncPrefix(LocalOr(server)), user, groups);
  }

  // Over LDAP too: libnetapi's own call cannot name domain-local groups.
  DWORD UserGetLocalGroups(const std::string& server, const std::string& user, bool indirect,
                           std::vector<std::string>& groups) override {
    return LdapUserGetLocalGroups(StripUncPrefix(LocalOr(server)), user, indirect, groups);
  }

  // libnetapi needs a domain name unless a controller is asked, which then
  // answers for its own domain.
  DWORD GetDcName(const std::string& server, const std::string& domain, DWORD flags,
                  CDomainControllerInfo& info) override {
    // Nobody to ask: answered before libnetapi is even loaded.
    if (domain.empty() && server.empty() && LocalDomainController().empty()) return kNoSuchDomain;
    return OnServer(server, [&](const std::string& target) {
      // libnetapi's locator needs a domain name (it fails on none): for the
      // computer's own domain the controller that answers for it tells its
      // name, and answers as itself when it cannot locate itself.
      std::string lookFor;
      DWORD status = DomainToName(target, domain, lookFor);
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
        return DWORD{0};
      }
      if (status == 0 && answer == nullptr) status = kNoSuchDomain;
      if (status == 0) CopyControllerInfo(*answer, info);
      if (answer != nullptr) ::NetApiBufferFree(answer);
      return status;
    });
  }

  DWORD UserSetPassword(const std::string& server, const std::string& user, const std::string& password,
                        DWORD& parmError) override {
    if (NoServer(server)) return kBadNetPath;
    parmError = 0;
    return UserStatus(OnServer(server, [&](const std::string& target) {
      USER_INFO_1003 info{password.c_str()};
      uint32_t refused = 0;
      const auto status = static_cast<DWORD>(
          ::NetUserSetInfo(ServerName(target), user.c_str(), 1003, reinterpret_cast<uint8_t*>(&info), &refused));
      parmError = refused;
      return status;
    }));
  }

  DWORD UserGetInfo(const std::string& server, const std::string& user, CUserRecord& record) override {
    if (NoServer(server)) return kBadNetPath;
    return UserStatus(OnServer(server, [&](const std::string& target) {
      uint8_t* buffer = nullptr;
      auto status = static_cast<DWORD>(::NetUserGetInfo(ServerName(target), user.c_str(), 3, &buffer));
      if (status == 0 && buffer == nullptr) status = kInternalError;
      if (status == 0) CopyUserRecord(*reinterpret_cast<const USER_INFO_3*>(buffer), record, Text);
      if (buffer != nullptr) ::NetApiBufferFree(buffer);
      return status;
    }));
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

  DWORD UserChangePasswordReady(const std::string& domainOrServer) override {
    return LdapUserChangePasswordReady(StripUncPrefix(LocalOr(domainOrServer)));
  }

  DWORD GetPrimaryDcName(const std::string& server, const std::string& domain, std::string& name) override {
    if (NoServer(server)) return kBadNetPath;
    return OnServer(server, [&](const std::string& target) {
      // As with the locator: no domain name into libnetapi.
      std::string lookFor;
      DWORD status = DomainToName(target, domain, lookFor);
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
    });
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

  static void CopyControllerInfo(const DOMAIN_CONTROLLER_INFO& answer, CDomainControllerInfo& info) {
    info.controllerName = Text(answer.domain_controller_name);
    info.controllerAddress = Text(answer.domain_controller_address);
    info.addressType = answer.domain_controller_address_type;
    const GUID& guid = answer.domain_guid;
    const uint32_t parts[] = {guid.time_low, guid.time_mid, guid.time_hi_and_version};
    info.domainGuid = {static_cast<uint8_t>(parts[0]),       static_cast<uint8_t>(parts[0] >> 8),
                       static_cast<uint8_t>(parts[0] >> 16), static_cast<uint8_t>(parts[0] >> 24),
                       static_cast<uint8_t>(parts[1]),       static_cast<uint8_t>(parts[1] >> 8),
                       static_cast<uint8_t>(parts[2]),       static_cast<uint8_t>(parts[2] >> 8),
                       guid.clock_seq[0],                    guid.clock_seq[1],
                       guid.node[0],                         guid.node[1],
                       guid.node[2],                         guid.node[3],
                       guid.node[4],                         guid.node[5]};
    info.domainName = Text(answer.domain_name);
    info.forestName = Text(answer.dns_forest_name);
    info.flags = answer.flags;
    info.controllerSite = Text(answer.dc_site_name);
    info.clientSite = Text(answer.client_site_name);
  }

  // The domain to name to libnetapi: `domain`, or for none the own domain
  // of the controller asked.
  static DWORD DomainToName(const std::string& target, const std::string& domain, std::string& lookFor) {
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

  // Runs `call` (libnetapi's calls for one answer, given the server to
  // name, empty for the local computer) under the lock on a prepared
  // context. After a failure the context goes, so that the next call
  // connects afresh; a failure because the kept connection had broken is
  // tried once more on a fresh context at once.
  template <class Call>
  DWORD OnServer(const std::string& server, Call call) {
    CLibnetapiCall inCall(m_lock);
    if (!inCall.Entered()) return kTimeout;
    DWORD first = 0;
    for (int attempt = 0;; ++attempt) {
      std::string target;
      bool reused = false;
      DWORD status = Prepare(server, target, reused);
      if (status == 0) status = call(target);
      if (status == 0) return 0;
      DropContext();
      if (attempt == 0 && reused && BrokenConnection(status)) {
        first = status;
        continue;
      }
      // The fresh connection could not be made: the broken one, whose call
      // may have reached the server, tells what happened.
      if (attempt > 0 && NothingAsked(status)) status = first;
      return NetApiStatus(status);
    }
  }

  // Opens the context, then sets the account afresh for every call, as the
  // settings are read afresh. A context that has talked to one server
  // answers "access denied" for every other (seen against a Samba DC), and
  // one cannot forget an account once given, so a call to another server or
  // with another account starts a fresh one. `reused`: the context (and the
  // connection it keeps) served an earlier call.
  DWORD Prepare(const std::string& server, std::string& target, bool& reused) {
    target = StripUncPrefix(server.empty() ? LocalDomainController() : server);
    CDirectoryCredentials credentials;
    const bool withAccount = ReadDirectoryCredentials(credentials);
    const std::string account = withAccount ? credentials.userName + "\n" + credentials.domain : std::string();
    if (m_context != nullptr && (target != m_server || account != m_account)) DropContext();
    reused = m_context != nullptr;
    m_server = target;
    m_account = account;
    if (m_context == nullptr) {
      if (libnetapi_init(&m_context) != NET_API_STATUS_SUCCESS || m_context == nullptr) {
        m_context = nullptr;
        return kNotEnoughMemory;
      }
      libnetapi_set_debuglevel(m_context, "0");
    }
    if (target.size() > 255) return kInvalidComputer;
    if (withAccount) {
      libnetapi_set_username(m_context, credentials.userName.c_str());
      libnetapi_set_password(m_context, credentials.password.c_str());
      if (!credentials.domain.empty()) libnetapi_set_workgroup(m_context, credentials.domain.c_str());
    } else {
      // The process's Kerberos tickets and nothing else. Without a password
      // libnetapi asks for one on standard input and waits for it; with an
      // empty one it takes the tickets as they are, and Kerberos alone keeps
      // it from an NTLM logon with that empty password, which would count
      // as a bad logon of the account.
      libnetapi_set_password(m_context, "");
      libnetapi_set_use_kerberos(m_context);
      libnetapi_set_use_ccache(m_context);
    }
    return 0;
  }

  void DropContext() {
    if (m_context != nullptr) libnetapi_free(m_context);
    m_context = nullptr;
  }

  // One libnetapi call: the context's lock, and the Kerberos environment
  // that Samba's library may change put back afterwards. libnetapi bounds
  // each of its own waits on a controller (20 s for a connection, about 30
  // for an answer, fixed in Samba's client), but the calls queue behind one
  // another: a call gives up once it has waited the operation time-out for
  // the ones before it, rather than run long after its caller gave up.
  class CLibnetapiCall {
   public:
    explicit CLibnetapiCall(std::timed_mutex& lock) : m_hold(lock, std::chrono::seconds(kLdapOperationSeconds)) {
      if (m_hold.owns_lock()) m_environment.emplace();
    }
    bool Entered() const { return m_hold.owns_lock(); }

   private:
    std::unique_lock<std::timed_mutex> m_hold;
    std::optional<CForeignKerberosScope> m_environment;
  };

  std::timed_mutex m_lock;
  libnetapi_ctx* m_context = nullptr;
  std::string m_server;   // the one m_context has talked to
  std::string m_account;  // the account it was given ("user\ndomain"), empty for the Kerberos tickets
};

}  // namespace

INetApiBackend& SambaNetApiBackend() {
  static CSambaNetApiBackend backend;
  return backend;
}
