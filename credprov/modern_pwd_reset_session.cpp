// The typed-message session's dialogue: identity, questions one at a time,
// answers and skips checked by the server, then the reset or the unlock.
#include "credprov/modern_pwd_reset_session.h"

#include "credprov/typed_request.h"
#include "credprov/typed_response.h"

namespace {

constexpr char16_t kNoSession[] = u"Could not establish a session with the Password Reset server.";
constexpr char16_t kSessionNotUnderstood[] = u"Could not understand a session with the Password Reset server.";
constexpr char16_t kResponseNotUnderstood[] = u"Could not understand the response from the Password Reset server.";
constexpr char16_t kNoQuestionsConfigured[] = u"You do not have any questions configured.";
constexpr char16_t kNoNextQuestion[] = u"Could not retrieve the next question from the Password Reset server.";
constexpr char16_t kAnswerNotSent[] = u"Could not send your answer to the Password Reset server.";
constexpr char16_t kSkipNotSent[] = u"Could not send your skip question request to the Password Reset server.";
constexpr char16_t kResetNotSent[] = u"Could not send the reset password request to the Password Reset server.";
constexpr char16_t kUnlockNotSent[] = u"Could not send the unlock account request to the Password Reset server.";
constexpr char16_t kPasswordReset[] = u"Your password has been reset.";
constexpr char16_t kAccountUnlocked[] = u"Your account has been unlocked.";
// A refusal that brought no text of its own.
constexpr char16_t kRequestRefused[] = u"The Password Reset server refused the request.";

}  // namespace

template <typename Reply>
CModernPwdResetSession::Outcome CModernPwdResetSession::Exchange(Request& request, Reply& reply,
                                                                 std::u16string_view notSent,
                                                                 std::u16string_view notUnderstood) {
  ResponsePacket packet;
  if (!Transact(request, packet)) {
    SetMessage(notSent);
    return Outcome::Failed;
  }
  if (!reply.Parse(packet)) {
    SetMessage(notUnderstood);
    return Outcome::Failed;
  }
  if (reply.result == 0) {
    SetReplyMessage(reply.text, kRequestRefused);
    return Outcome::Refused;
  }
  return Outcome::Accepted;
}

bool CModernPwdResetSession::EstablishIdentity(const char16_t* domain, const char16_t* user) {
  RequestEstablishIdentity request(domain, user);
  ResponseEstablishIdentity reply;
  if (Exchange(request, reply, kNoSession, kSessionNotUnderstood) != Outcome::Accepted) return false;
  if (reply.questionCount == 0) {
    SetMessage(kNoQuestionsConfigured);
    return false;
  }
  questionCount = reply.questionCount;
  skipsRemaining = reply.skipsAllowed;
  questionNumber = 0;
  return true;
}

bool CModernPwdResetSession::NextQuestion() {
  RequestNextQuestion request;
  ResponseNextQuestion reply;
  if (Exchange(request, reply, kNoNextQuestion, kSessionNotUnderstood) != Outcome::Accepted) return false;
  questionText = std::move(reply.question);
  hintText = std::move(reply.hint);
  ++questionNumber;
  return true;
}

bool CModernPwdResetSession::AnswerQuestion(const char16_t* answer, bool& retry, bool& done) {
  retry = false;
  done = false;
  RequestUserResponse request(false, answer);
  ResponseUserResponse reply;
  const Outcome outcome = Exchange(request, reply, kAnswerNotSent, kResponseNotUnderstood);
  if (outcome == Outcome::Refused) retry = reply.more != 0;
  if (outcome != Outcome::Accepted) return false;
  done = reply.more == 0;
  return true;
}

bool CModernPwdResetSession::SkipQuestion(bool& done) {
  done = false;
  RequestUserResponse request(true, nullptr);
  ResponseUserResponse reply;
  if (Exchange(request, reply, kSkipNotSent, kResponseNotUnderstood) != Outcome::Accepted) return false;
  done = reply.more == 0;
  // The next question takes the skipped one's number; neither count goes
  // below zero, whatever the server allowed.
  if (questionNumber > 0) --questionNumber;
  if (skipsRemaining > 0) --skipsRemaining;
  return true;
}

bool CModernPwdResetSession::ResetPassword(const char16_t* newPassword, bool& retry) {
  retry = false;
  RequestResetPassword request(newPassword);
  ResponseResetPassword reply;
  const Outcome outcome = Exchange(request, reply, kResetNotSent, kResponseNotUnderstood);
  if (outcome == Outcome::Refused) retry = reply.retry != 0;
  if (outcome != Outcome::Accepted) return false;
  SetReplyMessage(reply.text, kPasswordReset);
  return true;
}

bool CModernPwdResetSession::UnlockAccount() {
  RequestUnlockAccount request;
  ResponseUnlockAccount reply;
  if (Exchange(request, reply, kUnlockNotSent, kResponseNotUnderstood) != Outcome::Accepted) return false;
  SetReplyMessage(reply.text, kAccountUnlocked);
  return true;
}
