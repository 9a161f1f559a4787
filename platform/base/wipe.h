// Wiping buffers that held a password or an answer, so no copy outlives its use.
// glibc's explicit_bzero is a store the compiler may not drop, and it keeps
// programs that need no cryptography free of libcrypto.
#pragma once

#include <string.h>

#include <cstddef>
#include <string>

// The one wipe: every buffer that held a secret is set to zero bytes
// through it.
inline void WipeBytes(void* bytes, std::size_t size) {
  if (size != 0) ::explicit_bzero(bytes, size);
}

template <class Char>
void WipeString(std::basic_string<Char>& text) {
  WipeBytes(text.data(), text.size() * sizeof(Char));
  text.clear();
}

// Wipes a string when it goes out of scope.
template <class Char>
class CWipeOnExit {
 public:
  explicit CWipeOnExit(std::basic_string<Char>& text) : m_text(text) {}
  ~CWipeOnExit() { WipeString(m_text); }
  CWipeOnExit(const CWipeOnExit&) = delete;
  CWipeOnExit& operator=(const CWipeOnExit&) = delete;

 private:
  std::basic_string<Char>& m_text;
};
