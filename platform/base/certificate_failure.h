// The trust family's status codes, which the directory layers answer when a
// controller's certificate does not verify, and the reason noted on each
// thread for its last such failure. A status code cannot carry OpenSSL's
// reason, so FormatMessageA (format_message.h) ends the text of these codes
// with the thread's note.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/wintypes.h"

// HRESULT-shaped, as GetLastError and the netapi calls give them.
inline constexpr DWORD CERT_E_EXPIRED = 0x800B0101u;        // outside its validity period
inline constexpr DWORD CERT_E_UNTRUSTEDROOT = 0x800B0109u;  // chains to no CA the machine trusts
inline constexpr DWORD TRUST_E_FAIL = 0x800B010Bu;          // any other reason
inline constexpr DWORD CERT_E_REVOKED = 0x800B010Cu;
inline constexpr DWORD CERT_E_CN_NO_MATCH = 0x800B010Fu;    // issued to another name

// Whether `status` is of the trust family (facility 11, as those above).
bool IsCertificateStatus(DWORD status);

// Notes on this thread why a certificate did not verify, a whole sentence
// naming the server ("The certificate of dc1.corp.example could not be
// verified: hostname mismatch."); it stands until the next note.
void SetCertificateFailure(std::string_view note);
// This thread's note; empty when none was made.
const std::string& CertificateFailure();
