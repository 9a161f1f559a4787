// Writing the record's text fields, clearing and wiping it.
#include "RemoteSvr/common/pwd_reset_record.h"

#include <cstring>

#include "platform/base/text.h"
#include "platform/base/wipe.h"

void SetRecordTextBytes(char* field, std::size_t width, std::string_view text) {
  if (width == 0) return;
  const std::size_t length = Utf8CutPoint(text, width - 1);
  if (length > 0) std::memcpy(field, text.data(), length);
  std::memset(field + length, 0, width - length);
}

void ClearRecord(PwdResetRecord& record) { std::memset(&record, 0, sizeof(record)); }

void WipeRecord(PwdResetRecord& record) { WipeBytes(&record, sizeof(record)); }

void SetRecordHeader(PwdResetRecord& record, std::uint32_t messageType) {
  record.header.totalLength = RECORD_SIZE;
  record.header.magic = MESSAGE_MAGIC;
  record.header.reserved1 = 0;
  record.header.messageType = messageType;
  record.header.reserved2 = 0;
}
