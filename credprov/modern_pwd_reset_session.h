// The session over the typed messages (protocol version 2): the server keeps
// the questions and checks the answers, one request and one reply per
// operation. The connection starts plain, negotiates Basic security (a
// per-session key, message_framing.h), TLS (ssl_socket.h) or both, and
// keeps the current question, its hint and the counters for the tile.
// Request and reply bodies: typed_request.h, typed_response.h.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "credprov/message_framing.h"
#include "credprov/pwd_reset_session.h"
#include "credprov/ssl_socket.h"

class CModernPwdResetSession : public IPwdResetSession {
 public:
  // Outgoing bodies (typed_request.h).
  class Request;
  class RequestEstablishSession;
  class RequestEstablishIdentity;
  class RequestNextQuestion;
  class RequestUserResponse;
  class RequestResetPassword;
  class RequestUnlockAccount;
  // Received bodies and their readings (typed_response.h).
  class ResponsePacket;
  class ResponseEstablishSession;
  class ResponseEstablishIdentity;
  class ResponseNextQuestion;
  class ResponseUserResponse;
  class ResponseResetPassword;
  class ResponseUnlockAccount;

  CModernPwdResetSession();
  // Closes the connection (TLS shut down first); the session key is wiped.
  ~CModernPwdResetSession() override;

  // Connects to the first server of the list that takes the connection and
  // negotiates there; the others are not tried, even when that fails.
  bool Connect(const CWideStringArray& servers, std::uint16_t port, bool basic, bool tls) override;
  using IPwdResetSession::Connect;
  bool EstablishIdentity(const char16_t* domain, const char16_t* user) override;
  bool NextQuestion() override;
  bool AnswerQuestion(const char16_t* answer, bool& retry, bool& done) override;
  // A skip the server accepts gives its number back to the next question.
  bool SkipQuestion(bool& done) override;
  bool ResetPassword(const char16_t* newPassword, bool& retry) override;
  bool UnlockAccount() override;
  std::uint32_t GetQuestionCount() const override { return questionCount; }
  std::uint32_t GetQuestionNumber() const override { return questionNumber; }
  std::uint32_t GetSkipsRemaining() const override { return skipsRemaining; }
  const char16_t* GetQuestionText() const override { return questionText ? questionText->c_str() : nullptr; }
  const char16_t* GetHintText() const override { return hintText ? hintText->c_str() : nullptr; }

  // How long connecting and each reply may take (tests shorten it); set
  // before Connect.
  void SetTimeLimit(std::chrono::milliseconds limit);

  // Whether Basic security and TLS are in force.
  bool BasicActive() const { return framing.BasicActive(); }
  bool TlsActive() const { return socket.IsSecure(); }

 private:
  // The first exchange on a connection: the flags asked for, and the reply
  // that must agree to exactly those.
  bool EstablishSession(std::uint32_t flags);
  // Sends `request` and reads the one reply into `reply`; false when either
  // transfer failed, after which the connection is closed so that a late
  // reply can never pass for the answer to a later request.
  bool Transact(Request& request, ResponsePacket& reply);
  // The reply's text as the message, or `fallback` when it brought none.
  void SetReplyMessage(const std::optional<std::u16string>& text, std::u16string_view fallback);
  // How one request of the dialogue went.
  enum class Outcome {
    Failed,    // not sent, or its reply unreadable: the message says which
    Refused,   // the reply's result is 0: its text (or a general one) is the message
    Accepted,  // the reply's result is not 0
  };
  // Sends `request` and reads its reply into `reply` (one of the Response
  // classes), with `notSent` or `notUnderstood` as the message on failure.
  template <typename Reply>
  Outcome Exchange(Request& request, Reply& reply, std::u16string_view notSent, std::u16string_view notUnderstood);

  CSslSocket socket;
  CMessageFraming framing;
  std::uint32_t questionNumber = 0;
  std::uint32_t questionCount = 0;
  std::uint32_t skipsRemaining = 0;
  std::optional<std::u16string> questionText;
  std::optional<std::u16string> hintText;
};
