// Pellucor run against the fixture DC.
#include "tests/support/dc_service_fixture.h"

#include <fstream>
#include <sstream>

#include "RemoteSvr/common/record_client.h"

void CDcServiceTest::SetUp() {
  ASSERT_FALSE(DcSettings().address.empty()) << "run through dc_run.sh (the fixture DC's environment)";
  WriteRegistry();
}

void CDcServiceTest::TearDown() {
  if (service != nullptr) service->Stop();
  users.DeleteAll();
}

std::string CDcServiceTest::NewUser(const std::string& prefix, const std::string& password) {
  return users.New(prefix, password);
}

void CDcServiceTest::WriteRegistry(const std::string& productValues) {
  // The DC's registry file holds the Platform key; its sections follow ours.
  std::ifstream in(DcSettings().registry, std::ios::binary);
  std::ostringstream dcKeys;
  std::string line;
  bool header = true;
  while (std::getline(in, line)) {
    if (header && line.rfind("Windows Registry Editor", 0) == 0) continue;
    header = false;
    dcKeys << line << "\n";
  }
  files.WriteRegistry(true, productValues + "\r\n" + dcKeys.str());
}

void CDcServiceTest::WriteQuestions(const std::string& domain, const std::vector<std::string>& names,
                                    const std::string& settingsLines) {
  std::string text;
  for (const std::string& name : names) text += domain + "\\" + name + "\tFavourite colour?\t" + kAnswer + "\n";
  files.WriteQuestionFile(text + settingsLines);
}

void CDcServiceTest::StartService() {
  service = MakeServiceRunner("Pellucor", servicePort);
  ASSERT_NE(service, nullptr) << "the Pellucor program is not built";
  ASSERT_TRUE(service->Start(files)) << files.LogText();
}

PwdResetRecord CDcServiceTest::LookUpAndSetPassword(const std::string& domain, const std::string& user,
                                                    const std::string& password) {
  PwdResetRecord reply{};
  CClient client(service->Port());
  EXPECT_TRUE(client.Connected());
  if (!client.Lookup(domain, user, reply) || !ReplySucceeded(reply)) return reply;
  EXPECT_TRUE(client.SetPassword(domain, user, password, reply));
  return reply;
}

PwdResetRecord CDcServiceTest::LookUpAndUnlock(const std::string& domain, const std::string& user) {
  PwdResetRecord reply{};
  CClient client(service->Port());
  EXPECT_TRUE(client.Connected());
  if (!client.Lookup(domain, user, reply) || !ReplySucceeded(reply)) return reply;
  EXPECT_TRUE(client.Unlock(domain, user, reply));
  return reply;
}
