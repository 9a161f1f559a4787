// The end of a page's dialogue: the answer check against the stored answers
// and the request that resets the password or unlocks the account. The
// request goes only for the account whose questions were loaded, and a
// failed check is reported to the service, which counts it.
#include <string>

#include "RemoteSvr/common/hashed_answer.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"
#include "webobject/pwd_reset_request.h"
#include "webobject/web_record_client.h"

namespace {

std::u16string_view TextOf(BSTR text) { return std::u16string_view(text == nullptr ? u"" : text, SysStringLen(text)); }

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) { return LowerCase(a) == LowerCase(b); }

}  // namespace

bool CPwdResetRequest::CheckAnswers() {
  if (storedAnswers.GetSize() == 0 || storedAnswers.GetSize() != proposedAnswers.GetSize()) {
    lastError = NO_QUESTIONS_TEXT;
    return false;
  }
  for (std::size_t i = 0; i < storedAnswers.GetSize(); ++i) {
    std::string stored = Utf16ToUtf8(storedAnswers.GetAt(i));
    std::string typed = Utf16ToUtf8(proposedAnswers.GetAt(i));
    CWipeOnExit<char> wipeStored(stored);
    CWipeOnExit<char> wipeTyped(typed);
    if (!AnswerMatches(stored, typed)) {
      lastError = INCORRECT_ANSWERS_TEXT;
      return false;
    }
  }
  return true;
}

bool CPwdResetRequest::ReadyForRequest(BSTR domain, BSTR userName, BSTR password, LONG* status, HRESULT& result) {
  result = S_OK;
  if (status == nullptr) {
    result = E_POINTER;
    return false;
  }
  *status = 0;
  // Answers checked for one account never change another.
  if (loadedUser && (!SameIgnoringCase(TextOf(domain), *loadedDomain) || !SameIgnoringCase(TextOf(userName), *loadedUser))) {
    lastError = OTHER_USER_TEXT;
    return false;
  }
  if (!RecordFieldTextFits(TextOf(domain)) || !RecordFieldTextFits(TextOf(userName)) ||
      !RecordFieldTextFits(TextOf(password))) {
    lastError = TEXT_NOT_SENDABLE_TEXT;
    return false;
  }
  if (CheckAnswers()) return true;
  // A notification that did not reach the service must not leave the
  // answers for more guesses that it never counts.
  if (!NotifyFailureToServer(TextOf(domain), TextOf(userName))) storedAnswers.RemoveAll();
  return false;
}

void CPwdResetRequest::TakeRequestOutcome(int outcome, const std::u16string& replyText) {
  lastError = outcome == EXCHANGE_FAILED ? std::u16string(NO_COMMUNICATION_TEXT) : replyText;
}

HRESULT CPwdResetRequest::UnlockAccount(BSTR domain, BSTR userName, LONG* status) {
  HRESULT result = S_OK;
  if (!ReadyForRequest(domain, userName, nullptr, status, result)) return result;
  std::u16string replyText;
  const int outcome = UnlockAccountOnServer(TextOf(domain), TextOf(userName), replyText);
  TakeRequestOutcome(outcome, replyText);
  if (outcome == ACCOUNT_UNLOCKED) *status = -1;
  return S_OK;
}

HRESULT CPwdResetRequest::ResetPassword(BSTR domain, BSTR userName, BSTR password, LONG* status) {
  HRESULT result = S_OK;
  if (!ReadyForRequest(domain, userName, password, status, result)) return result;
  std::u16string replyText;
  const int outcome = SetPasswordOnServer(TextOf(domain), TextOf(userName), TextOf(password), replyText);
  TakeRequestOutcome(outcome, replyText);
  if (outcome == PASSWORD_SET) *status = -1;
  return S_OK;
}
