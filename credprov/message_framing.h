// How typed messages travel on a connection (plain or inside TLS alike):
// the 20-byte header, and under Basic security an 8-byte random
// initialisation vector and a body enciphered with Blowfish-CBC under the
// per-message key (message_key.h), counted by one sequence number shared by
// both directions. Every length a peer sends is checked before it is used.
#pragma once

#include <chrono>
#include <cstdint>

#include "credprov/secret_buffer.h"
#include "credprov/socket.h"

class CMessageFraming {
 public:
  explicit CMessageFraming(CSocket& socket) : socket(socket) {}
  CMessageFraming(const CMessageFraming&) = delete;
  CMessageFraming& operator=(const CMessageFraming&) = delete;

  // How long one whole received message may take from the first read.
  void SetTimeLimit(std::chrono::milliseconds limit) { timeLimit = limit; }

  // Basic security from the next message on, keyed by a copy of `key`, the
  // sequence number at 0. False, nothing changed, for a key of 0 or more
  // than 50 bytes or when no memory could be had.
  bool StartBasicSecurity(const unsigned char* key, std::uint32_t length);
  // Back to plain framing; the key is wiped.
  void Reset();
  bool BasicActive() const { return basicActive; }
  std::uint16_t SequenceNumber() const { return sequenceNumber; }

  // Sends one message of `type` with `body` (which may be empty): all of it
  // in one send call, the header first. Under Basic security a non-empty
  // body goes padded with zeros to whole blocks and enciphered, after its
  // IV; an empty one is the bare header. False, nothing sent, when no random
  // bytes or memory could be had; false when the socket did not take it all.
  bool Send(std::uint32_t type, const unsigned char* body, std::uint32_t length);

  // Receives one message's body, deciphered under Basic security. False when
  // the transfer failed or the message broke the rules: a wrong magic, a
  // reserved word set, a length beyond 1 MiB or below its parts, under Basic
  // security a body not made of whole blocks, the peer closing, or the time
  // limit passing.
  bool Receive(CSecretBuffer& body);

 private:
  // Receives exactly `length` bytes, in as many calls as they take.
  bool ReceiveExactly(unsigned char* buffer, std::uint32_t length,
                      std::chrono::steady_clock::time_point deadline);

  CSocket& socket;
  std::chrono::milliseconds timeLimit = CLIENT_SOCKET_TIME_LIMIT;
  bool basicActive = false;
  std::uint16_t sequenceNumber = 0;
  CSecretBuffer sessionKey;
};
