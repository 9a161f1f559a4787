// The thread's note of its last certificate failure.
#include "platform/base/certificate_failure.h"

namespace {

constexpr DWORD kTrustFacility = 11;

thread_local std::string t_note;

}  // namespace

bool IsCertificateStatus(DWORD status) {
  return (status & 0x80000000u) != 0 && ((status >> 16) & 0x1FFF) == kTrustFacility;
}

void SetCertificateFailure(std::string_view note) { t_note.assign(note); }

const std::string& CertificateFailure() { return t_note; }
