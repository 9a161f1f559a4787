// The tile's dialogue with the reset service: one step per Submit, the hint,
// skip and rules links, and what the user is shown on the way.
#include <cstdio>
#include <memory>
#include <string>

#include "RemoteSvr/common/build_number.h"
#include "credprov/pwd_reset_credential.h"
#include "credprov/pwd_reset_session_factory.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"
#include "platform/com/shell_strings.h"
#include "platform/windows/message_box.h"

namespace {

constexpr char16_t kCaption[] = u"Varnok Password Reset";
constexpr char16_t kNoServers[] = u"There are no Password Reset servers configured to service your request.";
constexpr char16_t kEnterUsername[] = u"Please enter your username to continue.";
constexpr char16_t kNoMatch[] = u"Passwords do not match.";
constexpr char16_t kNoHint[] = u"No hint is available for this question.";
constexpr char16_t kRulesCaption[] = u"Password Rules";

const char16_t* OrEmpty(const char16_t* text) { return text != nullptr ? text : u""; }

// printf-style text of at most `limit` characters (the formats here are
// ASCII apart from their %s arguments, which arrive already converted).
std::u16string Formatted(std::size_t limit, const char* format, int first, int second) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, format, first, second);
  std::u16string text = Utf8ToUtf16(buffer);
  if (text.size() > limit) text.resize(limit);
  return text;
}

}  // namespace

HWND CPwdResetUICredential::OwnerWindow() {
  HWND owner = nullptr;
  if (events == nullptr || FAILED(events->OnCreatingWindow(&owner))) return nullptr;
  return owner;
}

int CPwdResetUICredential::ShowMessage(const char16_t* text, const char16_t* caption, UINT type) {
  return MessageBoxW(OwnerWindow(), OrEmpty(text), OrEmpty(caption), type);
}

void CPwdResetUICredential::ApplyResetRule() { state = scenario == CPUS_CREDUI ? STATE_CANCELLED : STATE_USERNAME; }

HRESULT CPwdResetUICredential::GetSerialization(CREDENTIAL_PROVIDER_GET_SERIALIZATION_RESPONSE* response,
                                                CREDENTIAL_PROVIDER_CREDENTIAL_SERIALIZATION*, LPWSTR* statusText,
                                                CREDENTIAL_PROVIDER_STATUS_ICON* statusIcon) {
  CREDENTIAL_PROVIDER_GET_SERIALIZATION_RESPONSE answer = CPGSR_NO_CREDENTIAL_NOT_FINISHED;
  switch (state) {
    case STATE_USERNAME:
      StepUsername(answer, statusText, statusIcon);
      break;
    case STATE_QUESTION:
      StepQuestion(answer);
      break;
    case STATE_NEW_PASSWORD:
      StepNewPassword(answer);
      break;
    default:
      if (state != STATE_CANCELLED) state = STATE_COMPLETE;
      answer = CPGSR_NO_CREDENTIAL_FINISHED;
      break;
  }
  if (response != nullptr) *response = answer;
  Refresh();
  if (state == STATE_USERNAME || state == STATE_CANCELLED) session.reset();
  return S_OK;
}

void CPwdResetUICredential::StepUsername(CREDENTIAL_PROVIDER_GET_SERIALIZATION_RESPONSE& response,
                                         LPWSTR* statusText, CREDENTIAL_PROVIDER_STATUS_ICON* statusIcon) {
  CPwdResetSessionFactory factory;
  std::optional<std::u16string> message;
  bool goOn = true;
  if (configuration->GetServers().GetCount() == 0) {
    message = kNoServers;
    goOn = false;
  }
  const std::u16string typed = FieldText(FIELD_USERNAME);
  if (typed.empty()) {
    ShowMessage(kEnterUsername, kCaption, MB_ICONINFORMATION);
    goOn = false;
  }
  // "DOMAIN\user", "DOMAIN/user", or a bare name in the default domain.
  std::size_t split = typed.find(u'\\');
  if (split == std::u16string::npos) split = typed.find(u'/');
  if (split != std::u16string::npos) {
    domain = typed.substr(0, split);
    user = typed.substr(split + 1);
  } else {
    user = typed;
    domain = std::u16string(OrEmpty(configuration->GetDefaultDomain()));
  }
  session = factory.CreateSession(*configuration, RESET_SERVICE_PORT);
  if (goOn) {
    if (session == nullptr) {
      message = OrEmpty(factory.GetMessage());
    } else if (!session->EstablishIdentity(domain->c_str(), user->c_str())) {
      message = OrEmpty(session->GetMessage());
    } else if (session->GetQuestionCount() == 0) {
      state = STATE_NEW_PASSWORD;
      return;
    } else if (session->NextQuestion()) {
      state = STATE_QUESTION;
      return;
    } else {
      message = OrEmpty(session->GetMessage());
    }
  }
  if (message) {
    if (statusText != nullptr) {
      const std::u16string status = Utf8ToUtf16("Varnok Password Reset\nVersion 2.0." + std::to_string(GetBuildNumber()) +
                                                "\n\n") + *message;
      SHStrDupW(status.c_str(), statusText);
    }
    if (statusIcon != nullptr) *statusIcon = CPSI_ERROR;
    if (scenario == CPUS_CREDUI) ShowMessage(message->c_str(), kCaption, MB_ICONERROR);
  }
  response = CPGSR_NO_CREDENTIAL_FINISHED;
  ApplyResetRule();
}

void CPwdResetUICredential::StepQuestion(CREDENTIAL_PROVIDER_GET_SERIALIZATION_RESPONSE& response) {
  bool retry = false, done = false;
  std::u16string answer = FieldText(FIELD_ANSWER);
  const CWipeOnExit<char16_t> wipeAnswer(answer);
  const bool answered = session != nullptr && session->AnswerQuestion(answer.c_str(), retry, done);
  WipeSecretFields(true, false);
  if (!answered) {
    ShowMessage(session != nullptr ? session->GetMessage() : nullptr, kCaption, MB_ICONERROR);
    if (!retry) {
      response = CPGSR_NO_CREDENTIAL_FINISHED;
      ApplyResetRule();
    }
    return;
  }
  if (!done) {
    if (!session->NextQuestion()) {
      ShowMessage(session->GetMessage(), kCaption, MB_ICONERROR);
      response = CPGSR_NO_CREDENTIAL_FINISHED;
      ApplyResetRule();
    }
    return;
  }
  if (!FinishQuestions()) response = CPGSR_NO_CREDENTIAL_FINISHED;
}

bool CPwdResetUICredential::FinishQuestions() {
  if (mode == MODE_RESET) {
    state = STATE_NEW_PASSWORD;
    return true;
  }
  if (session->UnlockAccount()) {
    ShowMessage(session->GetMessage(), kCaption, MB_ICONINFORMATION);
    state = STATE_COMPLETE;
    return true;
  }
  ShowMessage(session->GetMessage(), kCaption, MB_ICONERROR);
  ApplyResetRule();
  return false;
}

void CPwdResetUICredential::StepNewPassword(CREDENTIAL_PROVIDER_GET_SERIALIZATION_RESPONSE& response) {
  std::u16string password = FieldText(FIELD_NEW_PASSWORD);
  std::u16string confirmation = FieldText(FIELD_CONFIRM_PASSWORD);
  const CWipeOnExit<char16_t> wipePassword(password);
  const CWipeOnExit<char16_t> wipeConfirmation(confirmation);
  WipeSecretFields(false, true);
  if (password != confirmation) {
    ShowMessage(kNoMatch, kCaption, MB_ICONERROR);
    return;
  }
  bool retry = false;
  const bool reset = session != nullptr && session->ResetPassword(password.c_str(), retry);
  ShowMessage(session != nullptr ? session->GetMessage() : nullptr, kCaption,
              reset ? MB_ICONINFORMATION : MB_ICONERROR);
  if (reset) {
    state = STATE_COMPLETE;
  } else if (!retry) {
    response = CPGSR_NO_CREDENTIAL_FINISHED;
    ApplyResetRule();
  }
}

HRESULT CPwdResetUICredential::CommandLinkClicked(DWORD fieldId) {
  switch (fieldId) {
    case FIELD_HINT_LINK:
      // The links belong to the question step; elsewhere there is no
      // question (and perhaps no session) to ask about.
      if (state == STATE_QUESTION && session != nullptr) ShowHint();
      return S_OK;
    case FIELD_SKIP_LINK:
      if (state == STATE_QUESTION && session != nullptr) SkipQuestion();
      return S_OK;
    case FIELD_RULES_LINK:
      if (rulesText) ShowMessage(rulesText->c_str(), kRulesCaption, MB_ICONINFORMATION);
      return S_OK;
    default:
      return E_INVALIDARG;
  }
}

void CPwdResetUICredential::ShowHint() {
  const std::u16string caption =
      Formatted(127, "Hint for question %d/%d", static_cast<int>(session->GetQuestionNumber()),
                static_cast<int>(session->GetQuestionCount()));
  const char16_t* hint = session->GetHintText();
  if (hint != nullptr && *hint != 0) {
    ShowMessage(hint, caption.c_str(), MB_ICONINFORMATION);
  } else {
    ShowMessage(kNoHint, caption.c_str(), MB_ICONEXCLAMATION);
  }
}

void CPwdResetUICredential::SkipQuestion() {
  bool done = false;
  if (session->SkipQuestion(done)) {
    if (done) {
      FinishQuestions();
    } else if (!session->NextQuestion()) {
      ShowMessage(session->GetMessage(), kCaption, MB_ICONERROR);
      ApplyResetRule();
    }
  } else {
    ShowMessage(session->GetMessage(), kCaption, MB_ICONERROR);
    if (done) ApplyResetRule();
  }
  Refresh();
  if (state == STATE_USERNAME || state == STATE_CANCELLED) session.reset();
}
