// Writing and reading the record's text fields within their widths.
#include "RemoteSvr/common/pwd_reset_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "RemoteSvr/common/record_client.h"

namespace {

TEST(RecordText, CopyKeepsAtMostWidthLessOneBytesAndZeroFills) {
  PwdResetRecord record;
  std::memset(&record, 0x5A, sizeof(record));
  SetRecordText(record.userName, std::string(300, 'u'));
  EXPECT_EQ(RecordText(record.userName), std::string(255, 'u'));
  EXPECT_EQ(record.userName[255], '\0');

  SetRecordText(record.domain, "CORP");
  EXPECT_EQ(RecordText(record.domain), "CORP");
  for (std::size_t i = 4; i < FIELD_SIZE; ++i) ASSERT_EQ(record.domain[i], '\0') << i;
  // The neighbour is untouched.
  EXPECT_EQ(static_cast<unsigned char>(record.userName[0]), 'u');
}

TEST(RecordText, CutNeverSplitsAUtf8Character) {
  PwdResetRecord record;
  // 254 bytes, then a two-byte character that would end at byte 256.
  SetRecordText(record.hints[0], std::string(254, 'h') + "\u00e9");
  EXPECT_EQ(RecordText(record.hints[0]), std::string(254, 'h'));
  SetRecordText(record.replyText, std::string(509, 'r') + "\u20ac");  // 3 bytes: 512 in all
  EXPECT_EQ(RecordText(record.replyText), std::string(509, 'r'));
  SetRecordText(record.replyText, std::string(508, 'r') + "\u20ac");
  EXPECT_EQ(RecordText(record.replyText), std::string(508, 'r') + "\u20ac");
}

TEST(RecordText, UnterminatedFieldIsReadOnlyToItsWidth) {
  PwdResetRecord record;
  std::memset(&record, 'x', sizeof(record));
  EXPECT_EQ(RecordText(record.domain).size(), FIELD_SIZE);
  EXPECT_EQ(RecordText(record.questions[4]).size(), FIELD_SIZE);
  EXPECT_EQ(RecordText(record.replyText).size(), REPLY_TEXT_SIZE);
}

TEST(BuildRequest, FillsTheRecordFromZero) {
  PwdResetRecord record;
  std::memset(&record, 0x5A, sizeof(record));
  BuildRequest(record, REQUEST_LOOKUP_USER, "CORP", "jdoe", "ignored for a lookup");
  EXPECT_EQ(record.header.totalLength, RECORD_SIZE);
  EXPECT_EQ(std::memcmp(&record.header.magic, "VNK*", 4), 0);
  EXPECT_EQ(record.header.reserved1, 0u);
  EXPECT_EQ(record.header.messageType, REQUEST_LOOKUP_USER);
  EXPECT_EQ(record.header.reserved2, 0u);
  EXPECT_EQ(record.encrypted, 0u);
  EXPECT_EQ(record.result, 0u);
  EXPECT_EQ(RecordText(record.domain), "CORP");
  EXPECT_EQ(RecordText(record.userName), "jdoe");
  const char* rest = record.newPassword;
  const std::size_t restSize = sizeof(record) - offsetof(PwdResetRecord, newPassword);
  for (std::size_t i = 0; i < restSize; ++i) ASSERT_EQ(rest[i], '\0') << i;

  BuildRequest(record, REQUEST_SET_PASSWORD, "CORP", "jdoe", "S3cret!");
  EXPECT_EQ(RecordText(record.newPassword), "S3cret!");
}

}  // namespace
