// The web object against the real Pellucor on the clients' port 7257: the
// service's folder and question file, Kestrine registered in its registry
// file, and a page's script steps over the object.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "tests/support/service_fixture.h"
#include "webobject/tests/kestrine_fixture.h"
#include "webobject/tests/script_host.h"

// What a final request came to: Status and LastError.
struct CRequestOutcome {
  HRESULT result = E_FAIL;
  long status = 1;
  std::string lastError;
};

// A page's steps over the object.
// new ActiveXObject("Varnok.PasswordResetRequest.1").
CScriptObject NewObject();
std::string LastError(CScriptObject& object);
// LoadQuestions; its HRESULT.
HRESULT Load(CScriptObject& object, const std::u16string& domain, const std::u16string& user);
// Answer(i) = answers[Question(i)] for every question (empty where none is given).
void AnswerAll(CScriptObject& object, const std::map<std::u16string, std::u16string>& answers);
CRequestOutcome Reset(CScriptObject& object, const std::u16string& domain, const std::u16string& user,
                      const std::u16string& password);
CRequestOutcome Unlock(CScriptObject& object, const std::u16string& domain, const std::u16string& user);

class CWebServiceTest : public ::testing::Test {
 protected:
  // Registers Kestrine into the service's registry file, writes the
  // question file and starts Pellucor on port 7257.
  void StartService(const std::string& questionFile);
  void StopService();

  // How often the service's log shows a request of this heading ("Set
  // password", "Unlock account", "Failure notification").
  int LoggedRequests(const std::string& heading) const;

  CServiceFiles files;
  std::unique_ptr<IServiceRunner> service;
};
