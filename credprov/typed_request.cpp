// Building the request bodies: the strings first, then the fixed part that
// counts them.
#include "credprov/typed_request.h"

#include <string>

#include "platform/base/text.h"
#include "platform/base/wipe.h"

CModernPwdResetSession::Request::Request(std::uint32_t type, std::uint32_t fixedSize)
    : messageType(type), fixedPartSize(fixedSize) {
  // Room for the fixed part and a few strings, in steps of 256 bytes.
  built = buffer.Reserve((fixedSize + 511) / 256 * 256) && buffer.Resize(fixedSize);
}

bool CModernPwdResetSession::Request::AppendString(const char16_t* text, std::uint32_t& count) {
  count = 0;
  if (text == nullptr) return true;
  std::string utf8 = Utf16ToUtf8(text);
  CWipeOnExit<char> wipe(utf8);
  const std::size_t bytes = utf8.size() + 1;  // with its NUL
  if (bytes > MAX_MESSAGE_BODY || buffer.Size() + bytes > MAX_MESSAGE_BODY) return false;
  if (!buffer.Reserve((buffer.Size() + bytes + 255) / 256 * 256)) return false;
  if (!buffer.Append(utf8.c_str(), bytes)) return false;
  count = static_cast<std::uint32_t>(bytes);
  return true;
}

void CModernPwdResetSession::Request::SetFixedWord(std::uint32_t offset, std::uint32_t value) {
  if (offset + 4 <= fixedPartSize && offset + 4 <= buffer.Size()) PutWord32(buffer.Data() + offset, value);
}

CModernPwdResetSession::RequestEstablishSession::RequestEstablishSession(std::uint32_t flags)
    : Request(MESSAGE_ESTABLISH_SESSION, ESTABLISH_SESSION_FIXED_SIZE) {
  if (!built) return;
  SetFixedWord(8, TYPED_PROTOCOL_VERSION);
  SetFixedWord(12, flags);
}

CModernPwdResetSession::RequestEstablishIdentity::RequestEstablishIdentity(const char16_t* domain,
                                                                           const char16_t* user)
    : Request(MESSAGE_ESTABLISH_IDENTITY, 8) {
  std::uint32_t domainLength = 0, userLength = 0;
  built = built && AppendString(domain, domainLength) && AppendString(user, userLength);
  SetFixedWord(0, domainLength);
  SetFixedWord(4, userLength);
}

CModernPwdResetSession::RequestNextQuestion::RequestNextQuestion() : Request(MESSAGE_NEXT_QUESTION, 0) {}

CModernPwdResetSession::RequestUserResponse::RequestUserResponse(bool skip, const char16_t* answer)
    : Request(MESSAGE_USER_RESPONSE, 8) {
  std::uint32_t answerLength = 0;
  built = built && (skip || AppendString(answer, answerLength));
  SetFixedWord(0, skip ? 1 : 0);
  SetFixedWord(4, answerLength);
}

CModernPwdResetSession::RequestResetPassword::RequestResetPassword(const char16_t* newPassword)
    : Request(MESSAGE_RESET_PASSWORD, 4) {
  std::uint32_t passwordLength = 0;
  built = built && AppendString(newPassword, passwordLength);
  SetFixedWord(0, passwordLength);
}

CModernPwdResetSession::RequestUnlockAccount::RequestUnlockAccount() : Request(MESSAGE_UNLOCK_ACCOUNT, 0) {}
