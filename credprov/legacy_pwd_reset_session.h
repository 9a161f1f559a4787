// The session over the fixed record (RemoteSvr/common/pwd_reset_record.h),
// protocol version 1: one lookup brings every question, hint and stored
// answer; the answers are checked here, a wrong one is reported to the
// service, and only the reset or unlock goes back to it. The record
// exchange itself is legacy_record_exchange.cpp.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "RemoteSvr/common/pwd_reset_record.h"
#include "RemoteSvr/common/record_client.h"
#include "credprov/pwd_reset_session.h"
#include "credprov/socket.h"
#include "credprov/wide_string_array.h"

class CLegacyPwdResetSession : public IPwdResetSession {
 public:
  CLegacyPwdResetSession() = default;
  // Closes the connection; the stored answers are wiped.
  ~CLegacyPwdResetSession() override;

  // Refuses TLS and requires Basic security (the record's own encipherment),
  // then tries each server in order.
  bool Connect(const CWideStringArray& servers, std::uint16_t port, bool basic, bool tls) override;
  using IPwdResetSession::Connect;
  // Looks the user up; a lookup that succeeds without any question is refused.
  bool EstablishIdentity(const char16_t* domain, const char16_t* user) override;
  bool NextQuestion() override;
  // A wrong answer ends the dialogue (no retry) after one failure notice.
  bool AnswerQuestion(const char16_t* answer, bool& retry, bool& done) override;
  // Not offered by this protocol.
  bool SkipQuestion(bool& done) override;
  // A password of more than 255 bytes is refused with retry, never cut.
  bool ResetPassword(const char16_t* newPassword, bool& retry) override;
  bool UnlockAccount() override;
  std::uint32_t GetQuestionCount() const override { return questionCount; }
  std::uint32_t GetQuestionNumber() const override { return currentIndex + 1; }
  std::uint32_t GetSkipsRemaining() const override { return 0; }
  const char16_t* GetQuestionText() const override { return questions.Get(currentIndex); }
  const char16_t* GetHintText() const override { return hints.Get(currentIndex); }

  // How long a reply may take (tests shorten it).
  void SetReplyTimeLimit(std::chrono::milliseconds limit) { replyTimeLimit = limit; }

 private:
  // Enciphers and sends the whole record on the connection; the record is
  // left enciphered.
  bool SendRecord(PwdResetRecord& record);
  // SendRecord, then the one reply into the same record, deciphered. A
  // failed transfer closes the connection: a late reply must never pass for
  // the answer to a later request.
  bool TransactRecord(PwdResetRecord& record);
  // The message becomes the reply's text.
  void TakeReplyMessage(const PwdResetRecord& reply);
  // The guards of a reset or unlock: a user named, every question answered.
  bool ReadyToChangeAccount();
  // Sends the reset or unlock record and takes its reply; the result, or
  // nothing when the transfer failed.
  std::optional<bool> RequestAccountChange(PwdResetRecord& record);

  CSocket socket;
  std::optional<std::u16string> domain;
  std::optional<std::u16string> user;
  std::uint32_t questionCount = 0;
  std::uint32_t currentIndex = 0;
  CWideStringArray questions;
  CWideStringArray answers;
  CWideStringArray hints;
  std::chrono::milliseconds replyTimeLimit = REPLY_TIME_LIMIT;
};
