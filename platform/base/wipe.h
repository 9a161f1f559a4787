// Wiping buffers that held a password or an answer, so no copy outlives its use.
#pragma once

#include <string>

#include <openssl/crypto.h>

template <class Char>
void WipeString(std::basic_string<Char>& text) {
  if (!text.empty()) OPENSSL_cleanse(text.data(), text.size() * sizeof(Char));
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
