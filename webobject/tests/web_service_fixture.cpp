// The web object's service fixture.
#include "webobject/tests/web_service_fixture.h"

#include "RemoteSvr/common/pwd_reset_record.h"

void CWebServiceTest::StartService(const std::string& questionFile) {
  ASSERT_NE(KestrineExports().registerServer, nullptr) << "Kestrine did not load";
  ASSERT_EQ(KestrineExports().registerServer(), S_OK);
  files.WriteQuestionFile(questionFile);
  service = MakeServiceRunner("Pellucor", DEFAULT_PORT);
  ASSERT_NE(service, nullptr) << "the Pellucor program is not built";
  ASSERT_TRUE(service->Start(files)) << files.LogText();
}

void CWebServiceTest::StopService() {
  if (service != nullptr) service->Stop();
  service.reset();
}

CScriptObject NewObject() {
  CScriptObject object;
  EXPECT_EQ(CreateScriptObject(u"Varnok.PasswordResetRequest.1", object), S_OK);
  return object;
}

std::string LastError(CScriptObject& object) { return object.Get(u"LastError").Text(); }

HRESULT Load(CScriptObject& object, const std::u16string& domain, const std::u16string& user) {
  return object.Call(u"LoadQuestions", {domain, user}).status;
}

void AnswerAll(CScriptObject& object, const std::map<std::u16string, std::u16string>& answers) {
  const CScriptResult count = object.Get(u"QuestionCount");
  ASSERT_EQ(count.status, S_OK);
  for (long i = 1; i <= std::get<long>(count.value); ++i) {
    const CScriptResult question = object.Get(u"Question", {i});
    ASSERT_EQ(question.status, S_OK);
    const auto found = answers.find(std::get<std::u16string>(question.value));
    const std::u16string answer = found == answers.end() ? u"" : found->second;
    ASSERT_EQ(object.Put(u"Answer", {i}, answer).status, S_OK);
  }
}

CRequestOutcome Reset(CScriptObject& object, const std::u16string& domain, const std::u16string& user,
                                       const std::u16string& password) {
  const CScriptResult result = object.Call(u"ResetPassword", {domain, user, password});
  CRequestOutcome outcome{result.status, std::holds_alternative<long>(result.value) ? std::get<long>(result.value) : 1,
                          LastError(object)};
  return outcome;
}

CRequestOutcome Unlock(CScriptObject& object, const std::u16string& domain,
                                        const std::u16string& user) {
  const CScriptResult result = object.Call(u"UnlockAccount", {domain, user});
  CRequestOutcome outcome{result.status, std::holds_alternative<long>(result.value) ? std::get<long>(result.value) : 1,
                          LastError(object)};
  return outcome;
}

int CWebServiceTest::LoggedRequests(const std::string& heading) const {
  const std::string log = files.LogText();
  int count = 0;
  for (std::size_t at = log.find(heading); at != std::string::npos; at = log.find(heading, at + 1)) ++count;
  return count;
}
