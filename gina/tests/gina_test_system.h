// A system of a test's own for the logon dialog extension: a throw-away
// system directory (VARNOK_SYSTEM_DIR) holding a fake chained library as
// msgina.so, the rules text and the rules file, and a registry file
// (VARNOK_REGISTRY) with the Winlogon key. The fake's record is reset.
#pragma once

#include <string>

// The fake chained library's variants (gina/CMakeLists.txt).
enum class FakeGinaVariant {
  Full,              // all 21 entry points
  NoNegotiate,       // no WlxNegotiate
  NoShutdown,        // lacks WlxShutdown, which every version needs
  NoStartApplication,  // lacks WlxStartApplication (needed from 1.1)
  NoStatusMessages,  // lacks WlxDisplayStatusMessage (needed from 1.3)
  NoVersion14,       // lacks the three entry points of 1.4
};

class CGinaTestSystem {
 public:
  // Without a variant the directory holds no msgina.so.
  CGinaTestSystem();
  explicit CGinaTestSystem(FakeGinaVariant variant);
  ~CGinaTestSystem();
  CGinaTestSystem(const CGinaTestSystem&) = delete;
  CGinaTestSystem& operator=(const CGinaTestSystem&) = delete;

  const std::string& SystemDirectory() const { return m_systemDirectory; }
  // A file in the system directory (Vantrope.Txt, MorrowenRules.txt, ...).
  void WriteSystemFile(const std::string& name, const std::string& content) const;

  // The registry file: the Winlogon key with `winlogonValues` and, when
  // given, the product key with `productValues` (lines such as
  // "\"VNKResetPassword\"=dword:00000001", each ending in a line break).
  void WriteRegistry(const std::string& winlogonValues, const std::string& productValues = "") const;
  // The switches alone; -1 leaves a switch out.
  void SetSwitches(int resetPassword, int enforcePassword) const;

 private:
  std::string m_folder;
  std::string m_systemDirectory;
  std::string m_registryPath;
};

// The path of a variant's built file.
std::string FakeGinaPath(FakeGinaVariant variant);
