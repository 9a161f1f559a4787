// Pieces cut by what is left over the writes still to go.
#include "tests/support/socket_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

std::vector<std::string> CutInPieces(const std::string& bytes, int pieces) {
  std::vector<std::string> cut;
  std::size_t at = 0;
  for (int i = 0; i < pieces && at < bytes.size(); ++i) {
    const std::size_t left = bytes.size() - at;
    const std::size_t size = i == pieces - 1 ? left : std::max<std::size_t>(1, left / static_cast<std::size_t>(pieces - i));
    cut.push_back(bytes.substr(at, size));
    at += size;
  }
  return cut;
}

void SendInPieces(SOCKET s, const std::string& bytes, int pieces, std::chrono::milliseconds pause) {
  for (const std::string& piece : CutInPieces(bytes, pieces)) {
    ASSERT_EQ(winsock::send(s, piece.data(), static_cast<int>(piece.size()), 0), static_cast<int>(piece.size()));
    std::this_thread::sleep_for(pause);
  }
}

std::string ReceiveBytes(SOCKET s, std::size_t length) {
  std::string bytes(length, '\0');
  std::size_t at = 0;
  while (at < length) {
    const int count = winsock::recv(s, bytes.data() + at, static_cast<int>(length - at), 0);
    if (count <= 0) break;
    at += static_cast<std::size_t>(count);
  }
  bytes.resize(at);
  return bytes;
}
