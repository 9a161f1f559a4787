// The dialogue over the fixed record: connect, look the user up, check the
// answers here, and send the one request that changes the account.
#include "credprov/legacy_pwd_reset_session.h"

#include <string>
#include <vector>

#include "RemoteSvr/common/hashed_answer.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"

namespace {

constexpr char16_t kTlsRefused[] = u"TLS is not supported by this version of the Varnok Password Reset server.";
constexpr char16_t kBasicRequired[] =
    u"Basic encryption is required for this version of the Varnok Password Reset server.";
constexpr char16_t kNoServerAvailable[] =
    u"There are no Varnok Password Reset servers available to service your request.";
constexpr char16_t kNoCommunication[] = u"Could not communicate with the Varnok Password Reset server.";
constexpr char16_t kNoMoreQuestions[] = u"There are no more questions to answer.";
constexpr char16_t kNoQuestions[] = u"You do not have any security questions defined.";
constexpr char16_t kIncorrectAnswer[] = u"Incorrect answer.";
constexpr char16_t kNoSkipping[] =
    u"Skipping questions is not supported by this version of the Varnok Password Reset server.";
constexpr char16_t kNoSession[] = u"You have not yet established a Varnok Password Reset session.";
constexpr char16_t kNotEnoughAnswers[] = u"You have not answered enough security questions to continue.";
// The record's field holds 255 bytes; a password is never sent cut.
constexpr char16_t kPasswordTooLong[] =
    u"The new password is too long for the Varnok Password Reset server. Please choose a shorter password.";

// The record's text form of a wide text (null counts as empty).
std::string Narrow(const char16_t* text) { return text == nullptr ? std::string() : Utf16ToUtf8(text); }

}  // namespace

CLegacyPwdResetSession::~CLegacyPwdResetSession() {
  if (socket.GetHandle() != INVALID_SOCKET) socket.Close();
}

// ---------------------------------------------------------------------------
// Connection

bool CLegacyPwdResetSession::Connect(const CWideStringArray& servers, std::uint16_t port, bool basic, bool tls) {
  if (tls) {
    SetMessage(kTlsRefused);
    return false;
  }
  if (!basic) {
    SetMessage(kBasicRequired);
    return false;
  }
  if (socket.Create(SOCK_STREAM)) {
    for (std::uint32_t i = 0; i < servers.GetCount(); ++i) {
      if (socket.Connect(Narrow(servers.Get(i)).c_str(), port)) return true;
    }
  }
  SetMessage(kNoServerAvailable);
  return false;
}

// ---------------------------------------------------------------------------
// Identity and questions

bool CLegacyPwdResetSession::EstablishIdentity(const char16_t* domainName, const char16_t* userName) {
  domain.reset();
  user.reset();
  questionCount = 0;
  currentIndex = 0;
  questions.Clear();
  answers.Clear();
  hints.Clear();

  PwdResetRecord record;
  BuildRequest(record, REQUEST_LOOKUP_USER, Narrow(domainName), Narrow(userName));
  if (!TransactRecord(record)) {
    WipeRecord(record);
    SetMessage(kNoCommunication);
    return false;
  }
  if (!ReplySucceeded(record)) {
    TakeReplyMessage(record);
    WipeRecord(record);
    return false;
  }
  std::vector<std::string> replyQuestions, replyHints, replyAnswers;
  const int count = ReplyQuestions(record, replyQuestions, replyHints, replyAnswers);
  WipeRecord(record);
  bool stored = true;
  for (int i = 0; i < count && stored; ++i) {
    stored = answers.AddNarrow(replyAnswers[i]) >= 0 && questions.AddNarrow(replyQuestions[i]) >= 0 &&
             hints.AddNarrow(replyHints[i]) >= 0;
  }
  for (std::string& answer : replyAnswers) WipeString(answer);
  if (!stored) {
    questions.Clear();
    answers.Clear();
    hints.Clear();
    SetMessage(kNoCommunication);
    return false;
  }
  // A user without questions would otherwise go straight on to the reset.
  if (count == 0) {
    SetMessage(kNoQuestions);
    return false;
  }
  questionCount = static_cast<std::uint32_t>(count);
  domain.emplace(domainName == nullptr ? u"" : domainName);
  user.emplace(userName == nullptr ? u"" : userName);
  return true;
}

bool CLegacyPwdResetSession::NextQuestion() {
  if (currentIndex < questionCount) return true;
  SetMessage(kNoMoreQuestions);
  return false;
}

bool CLegacyPwdResetSession::AnswerQuestion(const char16_t* answer, bool& retry, bool& done) {
  retry = false;
  done = false;
  if (questionCount == 0) {
    SetMessage(kNoQuestions);
    return false;
  }
  if (currentIndex >= questionCount) {
    SetMessage(kNoMoreQuestions);
    return false;
  }
  std::string typed = Narrow(answer);
  std::string expected = Narrow(answers.Get(currentIndex));
  CWipeOnExit<char> wipeTyped(typed);
  CWipeOnExit<char> wipeExpected(expected);
  if (AnswerMatches(expected, typed)) {
    ++currentIndex;
    done = currentIndex == questionCount;
    return true;
  }
  SetMessage(kIncorrectAnswer);
  // The service counts it against the user this connection looked up.
  PwdResetRecord notice;
  BuildRequest(notice, REQUEST_FAILURE_NOTIFICATION, {}, {});
  if (!SendRecord(notice)) SetMessage(kNoCommunication);
  return false;
}

bool CLegacyPwdResetSession::SkipQuestion(bool& done) {
  done = false;
  SetMessage(kNoSkipping);
  return false;
}

// ---------------------------------------------------------------------------
// Account changes

bool CLegacyPwdResetSession::ReadyToChangeAccount() {
  if (!domain || !user) {
    SetMessage(kNoSession);
    return false;
  }
  if (currentIndex < questionCount) {
    SetMessage(kNotEnoughAnswers);
    return false;
  }
  return true;
}

std::optional<bool> CLegacyPwdResetSession::RequestAccountChange(PwdResetRecord& record) {
  const bool transferred = TransactRecord(record);
  if (transferred) TakeReplyMessage(record);
  const bool succeeded = transferred && ReplySucceeded(record);
  WipeRecord(record);
  if (!transferred) {
    SetMessage(kNoCommunication);
    return std::nullopt;
  }
  return succeeded;
}

bool CLegacyPwdResetSession::ResetPassword(const char16_t* newPassword, bool& retry) {
  retry = false;
  if (!ReadyToChangeAccount()) return false;
  std::string password = Narrow(newPassword);
  CWipeOnExit<char> wipePassword(password);
  if (password.size() > FIELD_SIZE - 1) {
    SetMessage(kPasswordTooLong);
    retry = true;
    return false;
  }
  PwdResetRecord record;
  BuildRequest(record, REQUEST_SET_PASSWORD, Narrow(domain->c_str()), Narrow(user->c_str()), password);
  const std::optional<bool> result = RequestAccountChange(record);
  if (!result) return false;
  retry = !*result;
  return *result;
}

bool CLegacyPwdResetSession::UnlockAccount() {
  if (!ReadyToChangeAccount()) return false;
  PwdResetRecord record;
  BuildRequest(record, REQUEST_UNLOCK_ACCOUNT, Narrow(domain->c_str()), Narrow(user->c_str()));
  return RequestAccountChange(record).value_or(false);
}

void CLegacyPwdResetSession::TakeReplyMessage(const PwdResetRecord& reply) {
  SetMessage(Utf8ToUtf16(ReplyText(reply)));
}
