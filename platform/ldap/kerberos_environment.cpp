// One lock for the Kerberos environment of the process.
#include "platform/ldap/kerberos_environment.h"

#include <cstdlib>

namespace {

constexpr char kCacheVariable[] = "KRB5CCNAME";

std::shared_mutex& EnvironmentLock() {
  static std::shared_mutex lock;
  return lock;
}

}  // namespace

CForeignKerberosScope::CForeignKerberosScope() : m_hold(EnvironmentLock()) {
  if (const char* value = std::getenv(kCacheVariable)) m_saved = value;
}

CForeignKerberosScope::~CForeignKerberosScope() {
  if (m_saved) {
    setenv(kCacheVariable, m_saved->c_str(), 1);
  } else {
    unsetenv(kCacheVariable);
  }
}

CKerberosBindScope::CKerberosBindScope() : m_hold(EnvironmentLock()) {}
