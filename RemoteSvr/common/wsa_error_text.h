// The English text of a Windows Sockets error code, from a fixed table; the
// socket layer (platform/winsock/winsock.h) maps errno onto these codes.
#pragma once

#include <cstdint>
#include <string>

class CWsaErrorText {
 public:
  // Callers pass WSAGetLastError().
  explicit CWsaErrorText(std::int32_t errorCode);

  std::int32_t known;  // 1 when the code is in the table
  std::int32_t code;
  // The table's text, or "Unknown Windows socket error %d".
  std::string text;
};
