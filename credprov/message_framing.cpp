// Sending and receiving typed messages: header, IV, body, the message key
// and the sequence number.
#include "credprov/message_framing.h"

#include <cstring>

#include "RemoteSvr/common/cipher_context.h"
#include "RemoteSvr/common/socket_transfer.h"
#include "credprov/message_key.h"
#include "credprov/typed_message.h"
#include "platform/cryptoapi/wincrypt.h"

namespace {

// Eight bytes from the system's random source; false when it has none.
bool RandomIv(unsigned char (&iv)[MESSAGE_IV_SIZE]) {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return false;
  const BOOL filled = CryptGenRandom(provider, MESSAGE_IV_SIZE, iv);
  CryptReleaseContext(provider, 0);
  return filled != FALSE;
}

// Sets the socket's receive time-out to what is left; false when nothing is.
bool LimitReceive(SOCKET s, std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) {
    WSASetLastError(WSAETIMEDOUT);
    return false;
  }
  const DWORD milliseconds = static_cast<DWORD>(left.count());
  winsock::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&milliseconds),
                      sizeof(milliseconds));
  return true;
}

}  // namespace

bool CMessageFraming::StartBasicSecurity(const unsigned char* key, std::uint32_t length) {
  if (key == nullptr || length == 0 || length > MAX_SESSION_KEY_LENGTH) return false;
  CSecretBuffer copy;
  if (!copy.Append(key, length)) return false;
  sessionKey = std::move(copy);
  basicActive = true;
  sequenceNumber = 0;
  return true;
}

void CMessageFraming::Reset() {
  sessionKey.Clear();
  basicActive = false;
  sequenceNumber = 0;
}

bool CMessageFraming::Send(std::uint32_t type, const unsigned char* body, std::uint32_t length) {
  const bool enciphered = basicActive && length > 0;
  // Room for the header, the IV and the padding within the largest message.
  if (length > MAX_MESSAGE_BODY - MESSAGE_IV_SIZE - CIPHER_BLOCK_SIZE) return false;
  const std::uint32_t padded = enciphered ? (length + CIPHER_BLOCK_SIZE - 1) / CIPHER_BLOCK_SIZE * CIPHER_BLOCK_SIZE
                                          : length;
  const std::uint32_t ivSize = enciphered ? MESSAGE_IV_SIZE : 0;
  const std::uint32_t totalLength = static_cast<std::uint32_t>(HEADER_SIZE) + ivSize + padded;

  CSecretBuffer message;
  if (!message.Resize(totalLength)) return false;
  unsigned char* const header = message.Data();
  PutWord32(header, totalLength);
  PutWord32(header + 4, MESSAGE_MAGIC);
  PutWord32(header + 8, 0);
  PutWord32(header + 12, type);
  PutWord32(header + 16, 0);
  unsigned char* const bodyAt = header + HEADER_SIZE + ivSize;
  if (length > 0) std::memcpy(bodyAt, body, length);
  if (enciphered) {
    // Drawn before anything is sent: without random bytes nothing goes out.
    unsigned char iv[MESSAGE_IV_SIZE];
    if (!RandomIv(iv)) return false;
    std::memcpy(header + HEADER_SIZE, iv, MESSAGE_IV_SIZE);
    const CMessageKey key(sequenceNumber, totalLength, sessionKey.Data(), static_cast<std::uint32_t>(sessionKey.Size()));
    CCipherContext cipher(key.Data(), key.Length());
    cipher.SetIV(iv);
    cipher.EncryptInPlace(bodyAt, padded);
    ++sequenceNumber;  // wraps at 65536
  }
  for (std::uint32_t sent = 0; sent < totalLength;) {
    const int count = socket.Send(reinterpret_cast<const char*>(header + sent), static_cast<int>(totalLength - sent), 0);
    if (count < 1) return false;
    sent += static_cast<std::uint32_t>(count);
  }
  return true;
}

bool CMessageFraming::ReceiveExactly(unsigned char* buffer, std::uint32_t length,
                                     std::chrono::steady_clock::time_point deadline) {
  for (std::uint32_t received = 0; received < length;) {
    if (!LimitReceive(socket.GetHandle(), deadline)) return false;
    const int count = socket.Recv(reinterpret_cast<char*>(buffer + received), static_cast<int>(length - received), 0);
    if (count < 1) return false;
    received += static_cast<std::uint32_t>(count);
  }
  return true;
}

bool CMessageFraming::Receive(CSecretBuffer& body) {
  body.Clear();
  const auto deadline = std::chrono::steady_clock::now() + timeLimit;
  const CKeepReceiveTimeout keepTimeout(socket.GetHandle());

  unsigned char header[HEADER_SIZE];
  if (!ReceiveExactly(header, HEADER_SIZE, deadline)) return false;
  const std::uint32_t totalLength = GetWord32(header);
  if (GetWord32(header + 4) != MESSAGE_MAGIC || GetWord32(header + 8) != 0 || GetWord32(header + 16) != 0) return false;
  // Checked by subtraction, so no sum can wrap.
  if (totalLength < HEADER_SIZE || totalLength - HEADER_SIZE > MAX_MESSAGE_BODY) return false;
  std::uint32_t bodyLength = totalLength - static_cast<std::uint32_t>(HEADER_SIZE);

  unsigned char iv[MESSAGE_IV_SIZE] = {};
  if (basicActive) {
    if (bodyLength < MESSAGE_IV_SIZE) return false;
    bodyLength -= MESSAGE_IV_SIZE;
    // A body that is not whole blocks could not have been enciphered.
    if (bodyLength % CIPHER_BLOCK_SIZE != 0) return false;
    if (!ReceiveExactly(iv, MESSAGE_IV_SIZE, deadline)) return false;
  }
  if (!body.Resize(bodyLength)) return false;
  if (bodyLength > 0 && !ReceiveExactly(body.Data(), bodyLength, deadline)) {
    body.Clear();
    return false;
  }
  if (basicActive) {
    const std::uint16_t number = sequenceNumber++;
    if (bodyLength > 0) {
      const CMessageKey key(number, totalLength, sessionKey.Data(), static_cast<std::uint32_t>(sessionKey.Size()));
      CCipherContext cipher(key.Data(), key.Length());
      cipher.SetIV(iv);
      cipher.DecryptInPlace(body.Data(), bodyLength);
    }
  }
  return true;
}
