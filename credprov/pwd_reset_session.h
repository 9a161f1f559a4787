// The one way the reset tile talks to a reset service: IPwdResetSession,
// with the fixed-record implementation in legacy_pwd_reset_session.h. The
// session factory (pwd_reset_session_factory.h) picks and connects one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "credprov/wide_string_array.h"

// The operations stand in this order, each slot after the destructor, as
// every implementation keeps them. Boolean results: true is success. After a
// failure (and where an implementation says so, after success) GetMessage
// holds the text for the user.
class IPwdResetSession {
 public:
  // Deleting a session closes its connection.
  virtual ~IPwdResetSession();

  // Connects to the first reachable server of `servers`, in order, and
  // agrees on the encryption: Basic security and TLS as asked.
  virtual bool Connect(const CWideStringArray& servers, std::uint16_t port, bool basic, bool tls) = 0;
  // The same for one server: a list of one.
  virtual bool Connect(const char16_t* server, std::uint16_t port, bool basic, bool tls);
  // Names the account; loads the number of questions and the skips allowed.
  virtual bool EstablishIdentity(const char16_t* domain, const char16_t* user) = 0;
  // Makes the next question current.
  virtual bool NextQuestion() = 0;
  // Checks the answer to the current question. `done` becomes true when no
  // question is left; `retry` true after a failure lets the user answer again.
  virtual bool AnswerQuestion(const char16_t* answer, bool& retry, bool& done) = 0;
  virtual bool SkipQuestion(bool& done) = 0;
  // `retry` true after a failure lets the user choose another password.
  virtual bool ResetPassword(const char16_t* newPassword, bool& retry) = 0;
  virtual bool UnlockAccount() = 0;
  virtual std::uint32_t GetQuestionCount() const = 0;
  // The current question's number, counted from 1.
  virtual std::uint32_t GetQuestionNumber() const = 0;
  virtual std::uint32_t GetSkipsRemaining() const = 0;
  // Texts owned by the session, or nullptr.
  virtual const char16_t* GetQuestionText() const = 0;
  virtual const char16_t* GetHintText() const = 0;

  // The text the last operation left for the user, or nullptr.
  const char16_t* GetMessage() const { return message ? message->c_str() : nullptr; }

 protected:
  IPwdResetSession() = default;
  IPwdResetSession(const IPwdResetSession&) = delete;
  IPwdResetSession& operator=(const IPwdResetSession&) = delete;

  void SetMessage(std::u16string_view text) { message.emplace(text); }

 private:
  std::optional<std::u16string> message;
};
