// The backend seam's default answers: a backend without a call answers
// ERROR_NOT_SUPPORTED. Kept apart from netapi.cpp so that the backend
// module (netapi_backend_module.cpp) takes only these with it.
#include "platform/netapi/netapi_backend.h"

#include "platform/base/certificate_failure.h"
#include "platform/base/last_error.h"

DWORD INetApiBackend::GetDcName(const std::string&, const std::string&, DWORD, CDomainControllerInfo&) {
  return ERROR_NOT_SUPPORTED;
}

DWORD INetApiBackend::UserSetPassword(const std::string&, const std::string&, const std::string&, DWORD&) {
  return ERROR_NOT_SUPPORTED;
}

DWORD INetApiBackend::UserGetInfo(const std::string&, const std::string&, CUserRecord&) { return ERROR_NOT_SUPPORTED; }

DWORD INetApiBackend::UserSetInfo(const std::string&, const std::string&, const CUserRecord&, DWORD&) {
  return ERROR_NOT_SUPPORTED;
}

DWORD INetApiBackend::UserChangePassword(const std::string&, const std::string&, const std::string&,
                                         const std::string&) {
  return ERROR_NOT_SUPPORTED;
}

DWORD INetApiBackend::UserChangePasswordReady(const std::string&) { return ERROR_NOT_SUPPORTED; }

// Compiled into each copy of the layer, so that it reads the note of the
// copy the backend runs in.
std::string INetApiBackend::LastCertificateFailure() { return CertificateFailure(); }

DWORD INetApiBackend::GetPrimaryDcName(const std::string&, const std::string&, std::string&) {
  return ERROR_NOT_SUPPORTED;
}
