// The few CryptoAPI calls our code makes: a provider context with no key
// container, and random bytes from it, drawn from the system (getrandom).
// Failures answer FALSE with the thread's last error set.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/base/wintypes.h"

using HCRYPTPROV = std::uintptr_t;

inline constexpr DWORD PROV_RSA_FULL = 1;
inline constexpr DWORD CRYPT_VERIFYCONTEXT = 0xF0000000u;
inline constexpr DWORD CRYPT_SILENT = 0x00000040u;

// The CryptoAPI's own error codes (HRESULT-shaped, as GetLastError gives them).
inline constexpr DWORD NTE_BAD_UID = 0x80090001u;
inline constexpr DWORD NTE_BAD_FLAGS = 0x80090009u;
inline constexpr DWORD NTE_BAD_PROV_TYPE = 0x80090014u;
inline constexpr DWORD NTE_FAIL = 0x80090020u;

// Only a context without a key container: no container or provider name,
// PROV_RSA_FULL, CRYPT_VERIFYCONTEXT (CRYPT_SILENT allowed).
BOOL CryptAcquireContextA(HCRYPTPROV* provider, LPCSTR container, LPCSTR providerName, DWORD providerType,
                          DWORD flags);

// `length` bytes from the system's random source; NTE_FAIL when it has none
// to give.
BOOL CryptGenRandom(HCRYPTPROV provider, DWORD length, BYTE* buffer);

BOOL CryptReleaseContext(HCRYPTPROV provider, DWORD flags);

// Tests only: puts a random source in the system's place (nullptr restores
// it), so that a source that fails can be shown. It answers whether it
// filled the buffer.
using CryptRandomSource = bool (*)(void* buffer, std::size_t length);
void SetCryptRandomSource(CryptRandomSource source);
