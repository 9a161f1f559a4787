// Reading the reply bodies, every length checked by subtraction before use.
#include "credprov/typed_response.h"

#include <string_view>

#include "credprov/typed_message.h"
#include "platform/base/text.h"

bool CModernPwdResetSession::ResponsePacket::ReadFixedPart(std::uint32_t* words, std::uint32_t count) {
  if (data.Size() / 4 < count) return false;
  for (std::uint32_t i = 0; i < count; ++i) words[i] = GetWord32(data.Data() + 4 * i);
  position = 4 * count;
  return true;
}

bool CModernPwdResetSession::ResponsePacket::ReadString(std::uint32_t count, std::optional<std::u16string>& text) {
  text.reset();
  if (count == 0) return true;
  if (count > data.Size() - position) return false;
  const auto* at = reinterpret_cast<const char*>(data.Data() + position);
  if (at[count - 1] != '\0') return false;
  // The text ends at its first NUL, which may come before the last byte.
  text.emplace(Utf8ToUtf16(std::string_view(at)));
  position += count;
  return true;
}

bool CModernPwdResetSession::ResponsePacket::ReadBytes(std::uint32_t count, CSecretBuffer& bytes) {
  bytes.Clear();
  if (count == 0) return true;
  if (count > data.Size() - position) return false;
  if (!bytes.Append(data.Data() + position, count)) return false;
  position += count;
  return true;
}

bool CModernPwdResetSession::ResponseEstablishSession::Parse(ResponsePacket& packet) {
  std::uint32_t fixed[6];
  bool readable = packet.ReadFixedPart(fixed, 6);
  if (readable) {
    status = fixed[0];
    accepted = fixed[1];
    version = fixed[2];
    flags = fixed[3];
    readable = packet.ReadString(fixed[4], text) && packet.ReadBytes(fixed[5], sessionKey) && status == 0 &&
               version == TYPED_PROTOCOL_VERSION;
  }
  if (!readable) accepted = 0;
  return readable;
}

bool CModernPwdResetSession::ResponseEstablishIdentity::Parse(ResponsePacket& packet) {
  std::uint32_t fixed[4];
  bool readable = packet.ReadFixedPart(fixed, 4);
  if (readable) {
    result = fixed[0];
    questionCount = fixed[1];
    skipsAllowed = fixed[2];
    readable = packet.ReadString(fixed[3], text);
  }
  if (!readable) result = 0;
  return readable;
}

bool CModernPwdResetSession::ResponseNextQuestion::Parse(ResponsePacket& packet) {
  std::uint32_t fixed[4];
  bool readable = packet.ReadFixedPart(fixed, 4);
  if (readable) {
    result = fixed[0];
    readable = packet.ReadString(fixed[1], text) && packet.ReadString(fixed[2], question) &&
               packet.ReadString(fixed[3], hint);
  }
  if (!readable) result = 0;
  return readable;
}

bool CModernPwdResetSession::ResponseUserResponse::Parse(ResponsePacket& packet) {
  std::uint32_t fixed[3];
  bool readable = packet.ReadFixedPart(fixed, 3);
  if (readable) {
    result = fixed[0];
    more = fixed[1];
    readable = packet.ReadString(fixed[2], text);
  }
  if (!readable) result = 0;
  return readable;
}

bool CModernPwdResetSession::ResponseResetPassword::Parse(ResponsePacket& packet) {
  std::uint32_t fixed[3];
  bool readable = packet.ReadFixedPart(fixed, 3);
  if (readable) {
    result = fixed[0];
    retry = fixed[1];
    readable = packet.ReadString(fixed[2], text);
  }
  if (!readable) result = 0;
  return readable;
}

bool CModernPwdResetSession::ResponseUnlockAccount::Parse(ResponsePacket& packet) {
  std::uint32_t fixed[2];
  bool readable = packet.ReadFixedPart(fixed, 2);
  if (readable) {
    result = fixed[0];
    readable = packet.ReadString(fixed[1], text);
  }
  if (!readable) result = 0;
  return readable;
}
