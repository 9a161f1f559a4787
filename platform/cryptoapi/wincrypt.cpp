// CryptoAPI contexts are plain tokens here: the random source is the
// kernel's, which needs no state of ours.
#include "platform/cryptoapi/wincrypt.h"

#include <sys/random.h>

#include <atomic>
#include <cerrno>

#include "platform/base/last_error.h"

namespace {

// Any nonzero value would do; one token tells a context from a stray value.
constexpr HCRYPTPROV kContext = 0x5EED;

bool SystemRandom(void* buffer, std::size_t length) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  while (length > 0) {
    const ssize_t got = getrandom(bytes, length, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += got;
    length -= static_cast<std::size_t>(got);
  }
  return true;
}

std::atomic<CryptRandomSource> g_source{nullptr};

}  // namespace

BOOL CryptAcquireContextA(HCRYPTPROV* provider, LPCSTR container, LPCSTR providerName, DWORD providerType,
                          DWORD flags) {
  if (provider == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *provider = 0;
  if (providerType != PROV_RSA_FULL) {
    SetLastError(NTE_BAD_PROV_TYPE);
    return FALSE;
  }
  if ((flags & ~(CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) != 0 || (flags & CRYPT_VERIFYCONTEXT) == 0 ||
      (container != nullptr && *container != '\0') || (providerName != nullptr && *providerName != '\0')) {
    SetLastError(NTE_BAD_FLAGS);
    return FALSE;
  }
  *provider = kContext;
  return TRUE;
}

BOOL CryptGenRandom(HCRYPTPROV provider, DWORD length, BYTE* buffer) {
  if (provider != kContext) {
    SetLastError(NTE_BAD_UID);
    return FALSE;
  }
  if (buffer == nullptr && length != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const CryptRandomSource source = g_source.load();
  if (!(source != nullptr ? source(buffer, length) : SystemRandom(buffer, length))) {
    SetLastError(NTE_FAIL);
    return FALSE;
  }
  return TRUE;
}

BOOL CryptReleaseContext(HCRYPTPROV provider, DWORD flags) {
  if (provider != kContext) {
    SetLastError(NTE_BAD_UID);
    return FALSE;
  }
  if (flags != 0) {
    SetLastError(NTE_BAD_FLAGS);
    return FALSE;
  }
  return TRUE;
}

void SetCryptRandomSource(CryptRandomSource source) { g_source.store(source); }
