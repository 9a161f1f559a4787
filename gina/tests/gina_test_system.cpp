// The test's system directory and registry file.
#include "gina/tests/gina_test_system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "gina/tests/fake_gina_record.h"

std::string FakeGinaPath(FakeGinaVariant variant) {
  switch (variant) {
    case FakeGinaVariant::Full:
      return FAKE_GINA_FULL;
    case FakeGinaVariant::NoNegotiate:
      return FAKE_GINA_NO_NEGOTIATE;
    case FakeGinaVariant::NoShutdown:
      return FAKE_GINA_NO_SHUTDOWN;
    case FakeGinaVariant::NoStartApplication:
      return FAKE_GINA_NO_START_APPLICATION;
    case FakeGinaVariant::NoStatusMessages:
      return FAKE_GINA_NO_STATUS_MESSAGES;
    case FakeGinaVariant::NoVersion14:
      return FAKE_GINA_NO_VERSION_14;
  }
  return {};
}

CGinaTestSystem::CGinaTestSystem() {
  std::string pattern = (std::filesystem::temp_directory_path() / "gina-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp";
  m_folder = pattern;
  m_systemDirectory = m_folder + "/system32";
  std::filesystem::create_directory(m_systemDirectory);
  m_registryPath = m_folder + "/registry.reg";
  setenv("VARNOK_SYSTEM_DIR", m_systemDirectory.c_str(), 1);
  setenv("VARNOK_REGISTRY", m_registryPath.c_str(), 1);
  ResetFakeGina();
}

CGinaTestSystem::CGinaTestSystem(FakeGinaVariant variant) : CGinaTestSystem() {
  // A copy of its own in every test's directory: a library loaded once is
  // never written over.
  std::error_code error;
  std::filesystem::copy_file(FakeGinaPath(variant), m_systemDirectory + "/msgina.so", error);
  if (error) ADD_FAILURE() << "cannot copy the fake chained library: " << error.message();
}

CGinaTestSystem::~CGinaTestSystem() {
  unsetenv("VARNOK_SYSTEM_DIR");
  unsetenv("VARNOK_REGISTRY");
  std::error_code ignored;
  std::filesystem::remove_all(m_folder, ignored);
}

void CGinaTestSystem::WriteSystemFile(const std::string& name, const std::string& content) const {
  std::ofstream(m_systemDirectory + "/" + name, std::ios::binary | std::ios::trunc) << content;
}

void CGinaTestSystem::WriteRegistry(const std::string& winlogonValues, const std::string& productValues) const {
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon]\r\n" +
                     winlogonValues + "\r\n";
  if (!productValues.empty()) {
    text += "[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Varnok Password Reset]\r\n" + productValues + "\r\n";
  }
  std::ofstream(m_registryPath, std::ios::binary | std::ios::trunc) << text;
}

void CGinaTestSystem::SetSwitches(int resetPassword, int enforcePassword) const {
  std::string values;
  char line[64];
  if (resetPassword >= 0) {
    std::snprintf(line, sizeof line, "\"VNKResetPassword\"=dword:%08x\r\n", static_cast<unsigned>(resetPassword));
    values += line;
  }
  if (enforcePassword >= 0) {
    std::snprintf(line, sizeof line, "\"VNKEnforcePassword\"=dword:%08x\r\n", static_cast<unsigned>(enforcePassword));
    values += line;
  }
  WriteRegistry(values);
}
