// The local domain controller of the test Samba domain, found at start-up
// through the netapi layer's DsGetDcNameA: the Platform key's
// LocalDomainController answers for the computer's own domain, libnetapi
// tells its name. Runs with the DC fixture's registry file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "RemoteSvr/database_settings.h"
#include "platform/netapi/netapi.h"
#include "platform/base/text.h"

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : value;
}

TEST(SambaDomain, LocatorAnswersForTheComputersOwnDomain) {
  PDOMAIN_CONTROLLER_INFOA info = nullptr;
  ASSERT_EQ(DsGetDcNameA(nullptr, nullptr, nullptr, nullptr, DS_WRITABLE_REQUIRED, &info), 0u);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(std::string(info->DomainControllerName), "\\\\" + Env("DC_ADDRESS"));
  EXPECT_EQ(LowerCase(std::string(info->DomainName)), LowerCase(Env("DC_DOMAIN")));
  NetApiBufferFree(info);
}

TEST(SambaDomain, SettingsKnowTheLocalController) {
  CDatabaseSettings settings;
  settings.Initialise();
  const std::u16string* controller = settings.GetDomainController(Env("DC_DOMAIN").c_str());
  ASSERT_NE(controller, nullptr);
  EXPECT_EQ(Utf16ToUtf8(*controller), Env("DC_ADDRESS"));
  EXPECT_EQ(settings.IsPolicyEnforceable(Env("DC_DOMAIN").c_str()), 0);
}

}  // namespace
