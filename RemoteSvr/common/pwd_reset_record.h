// The fixed 5148-byte record of the reset protocol, the same in both
// directions, between the service and its three clients; its constants, and
// the safe way into and out of its text fields. Field encipherment is in
// record_cipher.h, the transfer in record_client.h and the service's own.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr std::uint32_t RECORD_SIZE = 5148;
inline constexpr int MAX_QUESTIONS = 5;
// Peek attempts and send calls per record.
inline constexpr int MAX_TRANSFER_CALLS = 10;
inline constexpr std::size_t HEADER_SIZE = 20;
inline constexpr std::size_t FIELD_SIZE = 256;
inline constexpr std::size_t REPLY_TEXT_SIZE = 512;
inline constexpr std::uint16_t DEFAULT_PORT = 7257;

// The bytes "VNK*" in this order, read as one little-endian word.
inline constexpr std::uint32_t MESSAGE_MAGIC = 0x2A4B4E56;

enum RequestCode : std::uint32_t {
  REQUEST_LOOKUP_USER = 0,           // questions, hints and stored answers of a user
  REQUEST_SET_PASSWORD = 1,          // set newPassword after the rule check
  REQUEST_UNLOCK_ACCOUNT = 2,        // clear the account's lock-out
  REQUEST_FAILURE_NOTIFICATION = 3,  // count one wrong answer; no reply
};

inline constexpr std::uint32_t RESULT_FAILURE = 0;
inline constexpr std::uint32_t RESULT_SUCCESS = 1;

// Also the start of every typed message.
struct MessageHeader {
  std::uint32_t totalLength;  // RECORD_SIZE
  std::uint32_t magic;        // MESSAGE_MAGIC
  std::uint32_t reserved1;    // 0 from clients; the service leaves it
  std::uint32_t messageType;  // a RequestCode; a reply keeps the request's
  std::uint32_t reserved2;    // as reserved1
};

// Text fields hold UTF-8, zero-ended and zero-filled; read and write them only
// through RecordText and SetRecordText.
struct PwdResetRecord {
  MessageHeader header;
  std::uint32_t encrypted;  // nonzero: the five fields below domain are enciphered
  std::uint32_t result;     // reply: RESULT_SUCCESS or RESULT_FAILURE; 0 in a request
  char domain[FIELD_SIZE];  // plain; its first 72 bytes are the cipher key
  char userName[FIELD_SIZE];
  char newPassword[FIELD_SIZE];
  char questions[MAX_QUESTIONS][FIELD_SIZE];
  char hints[MAX_QUESTIONS][FIELD_SIZE];
  char answers[MAX_QUESTIONS][FIELD_SIZE];  // as stored: plain or "md5:" form
  char replyText[REPLY_TEXT_SIZE];          // plain; the service's message
};

static_assert(std::endian::native == std::endian::little, "the record's integers travel little-endian as stored");
static_assert(sizeof(MessageHeader) == HEADER_SIZE);
static_assert(sizeof(PwdResetRecord) == RECORD_SIZE);
static_assert(offsetof(PwdResetRecord, encrypted) == 20);
static_assert(offsetof(PwdResetRecord, domain) == 28);
static_assert(offsetof(PwdResetRecord, userName) == 284);
static_assert(offsetof(PwdResetRecord, newPassword) == 540);
static_assert(offsetof(PwdResetRecord, questions) == 796);
static_assert(offsetof(PwdResetRecord, hints) == 2076);
static_assert(offsetof(PwdResetRecord, answers) == 3356);
static_assert(offsetof(PwdResetRecord, replyText) == 4636);

// The text of a field: up to its first zero byte, never past its width, so a
// field that a peer left unterminated is read safely.
template <std::size_t N>
std::string_view RecordText(const char (&field)[N]) {
  std::size_t length = 0;
  while (length < N && field[length] != '\0') ++length;
  return std::string_view(field, length);
}

// Writes at most width - 1 bytes of `text`, cut on a UTF-8 character
// boundary, and fills the rest of the field with zero bytes (the domain
// field's zero fill is part of the cipher key).
void SetRecordTextBytes(char* field, std::size_t width, std::string_view text);
template <std::size_t N>
void SetRecordText(char (&field)[N], std::string_view text) {
  SetRecordTextBytes(field, N, text);
}

// Clears all bytes (a new request cycle, a new request).
void ClearRecord(PwdResetRecord& record);

// Clears all bytes in a way the compiler keeps: for a record that held a
// password or answers and is done with.
void WipeRecord(PwdResetRecord& record);

// totalLength, magic and both reserved words as every sender sets them.
void SetRecordHeader(PwdResetRecord& record, std::uint32_t messageType);
