// A directory at the LDAP layer's seam (winldap_backend.h) for tests: it
// records what the layer sends (opens, binds, searches, modifications,
// closes) and answers the root DSE and user searches with what the test
// chose. Used where the fixture DC cannot show a behaviour: it lists
// neither policy-hints control and has one entry per account name.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/ldap/winldap_backend.h"

class CRecordingLdapBackend : public IWinLdapBackend {
 public:
  struct CSearch {
    std::string base;
    std::uint32_t scope = 0;
    std::string filter;
    std::vector<std::string> attributes;
  };
  struct CModify {
    std::string dn;
    std::vector<CLdapModification> modifications;
    std::vector<CLdapControlValue> controls;
  };

  // What is answered.
  std::uint32_t openResult = 0;
  std::uint32_t connectResult = 0;
  // Hosts whose connect fails with LDAP_SERVER_DOWN (0x51).
  std::set<std::string> unreachableHosts;
  std::uint32_t bindResult = 0;
  std::uint32_t rootDseResult = 0;
  std::uint32_t userSearchResult = 0;
  std::uint32_t modifyResult = 0;
  // The root DSE; an attribute is left out when its flag is false.
  std::vector<std::string> defaultNamingContext = {"DC=corp,DC=example"};
  std::vector<std::string> supportedControl = {"1.2.840.113556.1.4.319"};
  bool listNamingContext = true;
  bool listSupportedControl = true;
  // Every search below the root DSE finds these.
  std::vector<CLdapEntry> userEntries = {{"CN=Alice,CN=Users,DC=corp,DC=example",
                                          {{"distinguishedName", {"CN=Alice,CN=Users,DC=corp,DC=example"}}}}};

  // What was sent.
  std::vector<std::pair<std::string, std::uint32_t>> opens;
  std::vector<long> connectTimeouts;
  std::vector<unsigned> bindSsfs;
  std::vector<CSearch> searches;
  std::vector<CModify> modifies;
  int closes = 0;

  std::unique_ptr<IWinLdapConnection> Open(const std::string& host, std::uint32_t port,
                                           std::uint32_t& result) override {
    opens.emplace_back(host, port);
    result = openResult;
    if (openResult != 0) return nullptr;
    return std::make_unique<CConnection>(*this, host);
  }

 private:
  class CConnection : public IWinLdapConnection {
   public:
    CConnection(CRecordingLdapBackend& backend, const std::string& host) : m_backend(backend), m_host(host) {}
    ~CConnection() override { ++m_backend.closes; }

    std::uint32_t Connect(long timeoutMilliseconds) override {
      m_backend.connectTimeouts.push_back(timeoutMilliseconds);
      return m_backend.unreachableHosts.count(m_host) != 0 ? 0x51 : m_backend.connectResult;
    }
    std::uint32_t BindNegotiate(unsigned minimumSsf) override {
      m_backend.bindSsfs.push_back(minimumSsf);
      return m_backend.bindResult;
    }
    std::uint32_t Search(const std::string& base, std::uint32_t scope, const std::string& filter,
                         const std::vector<std::string>& attributes, std::vector<CLdapEntry>& entries) override {
      m_backend.searches.push_back({base, scope, filter, attributes});
      if (base.empty() && scope == 0) {
        CLdapEntry rootDse;
        if (m_backend.listNamingContext)
          rootDse.attributes.push_back({"defaultNamingContext", m_backend.defaultNamingContext});
        if (m_backend.listSupportedControl)
          rootDse.attributes.push_back({"supportedControl", m_backend.supportedControl});
        entries.push_back(rootDse);
        return m_backend.rootDseResult;
      }
      entries = m_backend.userEntries;
      return m_backend.userSearchResult;
    }
    std::uint32_t Modify(const std::string& dn, const std::vector<CLdapModification>& modifications,
                         const std::vector<CLdapControlValue>& serverControls) override {
      m_backend.modifies.push_back({dn, modifications, serverControls});
      return m_backend.modifyResult;
    }

   private:
    CRecordingLdapBackend& m_backend;
    std::string m_host;
  };
};

// Puts a backend in force for the life of the object.
class CLdapBackendInForce {
 public:
  explicit CLdapBackendInForce(IWinLdapBackend& backend) { SetWinLdapBackend(&backend); }
  ~CLdapBackendInForce() { SetWinLdapBackend(nullptr); }
  CLdapBackendInForce(const CLdapBackendInForce&) = delete;
  CLdapBackendInForce& operator=(const CLdapBackendInForce&) = delete;
};
