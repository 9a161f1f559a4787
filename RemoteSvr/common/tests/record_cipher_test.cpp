// The field encipherment of a whole record against a golden record made by
// tests/golden/make_golden.py (Python laying the record out by hand and
// calling libcrypto's Blowfish through ctypes; none of our code).
#include "RemoteSvr/common/record_cipher.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <fstream>
#include <string>

#include "RemoteSvr/common/record_client.h"

namespace {

PwdResetRecord GoldenPlainRecord() {
  PwdResetRecord record;
  BuildRequest(record, REQUEST_SET_PASSWORD, "CORP.EXAMPLE.ORG", "j.doe", "N3w-P\u00e4ssw\u00f6rd!");
  const char* questions[] = {"Name of your first pet?", "City you were born in?", "Favourite teacher?"};
  const char* hints[] = {"furry", "", "maths"};
  const char* answers[] = {"Rex", "md5:0190-9850-D23C-B04F-96D6-7D3F-E128-727F", "Mrs \u00c5ngstr\u00f6m"};
  for (int i = 0; i < 3; ++i) {
    SetRecordText(record.questions[i], questions[i]);
    SetRecordText(record.hints[i], hints[i]);
    SetRecordText(record.answers[i], answers[i]);
  }
  return record;
}

std::string ReadGoldenRecord() {
  std::ifstream file(std::string(GOLDEN_DIR) + "/enciphered_record.hex");
  std::string hex, line;
  while (std::getline(file, line)) hex += line;
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::string Bytes(const PwdResetRecord& record) {
  return std::string(reinterpret_cast<const char*>(&record), sizeof(record));
}

TEST(RecordCipher, WholeRecordMatchesTheGoldenRecordAndComesBack) {
  const std::string golden = ReadGoldenRecord();
  ASSERT_EQ(golden.size(), RECORD_SIZE);
  PwdResetRecord record = GoldenPlainRecord();
  EncipherRecordFields(record);
  EXPECT_EQ(record.encrypted, 1u);
  EXPECT_EQ(Bytes(record), golden);

  DecipherRecordFields(record);
  EXPECT_EQ(record.encrypted, 0u);
  PwdResetRecord expected = GoldenPlainRecord();
  expected.encrypted = 0;
  EXPECT_EQ(Bytes(record), Bytes(expected));
}

TEST(RecordCipher, OnlyTheFiveFieldsChange) {
  PwdResetRecord record = GoldenPlainRecord();
  SetRecordText(record.replyText, "left alone");
  record.result = 7;
  const PwdResetRecord before = record;
  EncipherRecordFields(record);
  EXPECT_EQ(std::memcmp(&record.header, &before.header, sizeof(record.header)), 0);
  EXPECT_EQ(record.result, 7u);
  EXPECT_EQ(std::memcmp(record.domain, before.domain, sizeof(record.domain)), 0);
  EXPECT_EQ(std::memcmp(record.replyText, before.replyText, sizeof(record.replyText)), 0);
  EXPECT_NE(std::memcmp(record.userName, before.userName, sizeof(record.userName)), 0);
  EXPECT_NE(std::memcmp(record.hints, before.hints, sizeof(record.hints)), 0);
}

TEST(RecordCipher, DomainsDifferingOnlyAfterByte72GiveTheSameKey) {
  const std::string base(72, 'd');
  PwdResetRecord first = GoldenPlainRecord();
  PwdResetRecord second = GoldenPlainRecord();
  PwdResetRecord third = GoldenPlainRecord();
  SetRecordText(first.domain, base + "-one");
  SetRecordText(second.domain, base + "-other-tail");
  SetRecordText(third.domain, base.substr(0, 71) + "e");
  EncipherRecordFields(first);
  EncipherRecordFields(second);
  EncipherRecordFields(third);
  constexpr std::size_t kEnciphered = offsetof(PwdResetRecord, replyText) - offsetof(PwdResetRecord, userName);
  EXPECT_EQ(std::memcmp(first.userName, second.userName, kEnciphered), 0);
  EXPECT_NE(std::memcmp(first.userName, third.userName, sizeof(first.userName)), 0);
}

TEST(RecordCipher, PlainRecordIsNotDeciphered) {
  PwdResetRecord record = GoldenPlainRecord();
  const std::string plain = Bytes(record);
  DecipherRecordFields(record);
  EXPECT_EQ(Bytes(record), plain);
}

TEST(RecordCipher, SlotsAreOneChainNotFive) {
  // The same text in slots 0 and 1 enciphers differently in slot 1, since the
  // chain runs on from slot 0.
  PwdResetRecord record = GoldenPlainRecord();
  SetRecordText(record.questions[1], "Name of your first pet?");
  EncipherRecordFields(record);
  EXPECT_NE(std::memcmp(record.questions[0], record.questions[1], 256), 0);
}

}  // namespace
