// The codes a TLS socket leaves as its last error (and the thread's), with the
// values the platform's security package gives them, so a code reads the
// same whichever side of the port it came from. Socket failures leave the
// Windows Sockets code instead (platform/winsock/winsock.h).
#pragma once

#include "platform/base/wintypes.h"

inline constexpr DWORD ERROR_OUTOFMEMORY = 14;
// The peer closed the connection during the handshake.
inline constexpr DWORD ERROR_VC_DISCONNECTED = 240;

inline constexpr DWORD SEC_E_INTERNAL_ERROR = 0x80090304u;
// No certificate, or one for another name or address.
inline constexpr DWORD SEC_E_WRONG_PRINCIPAL = 0x80090322u;
// The chain does not end at a certificate of the trust store.
inline constexpr DWORD SEC_E_UNTRUSTED_ROOT = 0x80090325u;
// Any other reason the chain was refused.
inline constexpr DWORD SEC_E_CERT_UNKNOWN = 0x80090327u;
// Outside its validity period.
inline constexpr DWORD SEC_E_CERT_EXPIRED = 0x80090328u;
// A record that would not decrypt.
inline constexpr DWORD SEC_E_DECRYPT_FAILURE = 0x80090330u;
// The certificate is listed in a revocation list at hand.
inline constexpr DWORD CRYPT_E_REVOKED = 0x80092010u;
// The peer closed the TLS session.
inline constexpr DWORD SEC_I_CONTEXT_EXPIRED = 0x00090317u;
// The server asked for a client certificate; none is ever offered.
inline constexpr DWORD SEC_I_INCOMPLETE_CREDENTIALS = 0x00090320u;
