// Field encipherment over CCipherContext.
#include "RemoteSvr/common/record_cipher.h"

#include "RemoteSvr/common/cipher_context.h"

namespace {

template <class Step>
void ForEachEncipheredField(PwdResetRecord& record, Step step) {
  step(record.userName, sizeof(record.userName));
  step(record.newPassword, sizeof(record.newPassword));
  step(record.questions, sizeof(record.questions));
  step(record.hints, sizeof(record.hints));
  step(record.answers, sizeof(record.answers));
}

static_assert(sizeof(PwdResetRecord::questions) == 1280 && sizeof(PwdResetRecord::questions) % 8 == 0,
              "each array of five slots is one chain of whole blocks");

}  // namespace

void EncipherRecordFields(PwdResetRecord& record) {
  const CCipherContext cipher(record.domain, sizeof(record.domain));
  ForEachEncipheredField(record, [&](void* field, std::uint32_t size) { cipher.EncryptInPlace(field, size); });
  record.encrypted = 1;
}

void DecipherRecordFields(PwdResetRecord& record) {
  if (record.encrypted == 0) return;
  const CCipherContext cipher(record.domain, sizeof(record.domain));
  ForEachEncipheredField(record, [&](void* field, std::uint32_t size) { cipher.DecryptInPlace(field, size); });
  record.encrypted = 0;
}
