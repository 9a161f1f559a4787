// Raw bytes over a test's socket: written in pieces that arrive as separate
// segments, and read back to an exact length.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/winsock/winsock.h"

// `bytes` cut into at most `pieces` runs of about equal size, in order.
std::vector<std::string> CutInPieces(const std::string& bytes, int pieces);

// Sends `bytes` in `pieces` writes of about equal size with a short pause
// between them, so they arrive as separate segments; a short write fails
// the test.
void SendInPieces(SOCKET s, const std::string& bytes, int pieces,
                  std::chrono::milliseconds pause = std::chrono::milliseconds(2));
// Reads exactly `length` bytes, or fewer when the peer closes.
std::string ReceiveBytes(SOCKET s, std::size_t length);
