// The process's Kerberos credentials are the cache that KRB5CCNAME names.
// Samba's client library, given an account and password, gets its tickets
// into a memory cache of its own and points KRB5CCNAME at that cache for the
// whole process, so every later Kerberos bind would look for the service's
// tickets in the wrong place. Its calls run inside a
// CForeignKerberosScope, which puts the variable back afterwards; Kerberos
// binds run inside a CKerberosBindScope, which keeps them out meanwhile.
#pragma once

#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>

class CForeignKerberosScope {
 public:
  CForeignKerberosScope();
  ~CForeignKerberosScope();
  CForeignKerberosScope(const CForeignKerberosScope&) = delete;
  CForeignKerberosScope& operator=(const CForeignKerberosScope&) = delete;

 private:
  std::unique_lock<std::shared_mutex> m_hold;
  std::optional<std::string> m_saved;  // none: the variable was unset
};

class CKerberosBindScope {
 public:
  CKerberosBindScope();
  CKerberosBindScope(const CKerberosBindScope&) = delete;
  CKerberosBindScope& operator=(const CKerberosBindScope&) = delete;

 private:
  std::shared_lock<std::shared_mutex> m_hold;
};
