#include "platform/ldap/unicode_pwd.h"

#include <new>

#include "platform/base/text.h"
#include "platform/base/wipe.h"

bool UnicodePwdValue(const std::string& password, std::string& bytes) {
  std::u16string wide;
  CWipeOnExit<char16_t> wipeWide(wide);
  try {
    wide = Utf8ToUtf16(password);
    bytes.reserve(bytes.size() + (wide.size() + 2) * 2);
  } catch (const std::bad_alloc&) {
    return false;
  }
  bytes += '"';
  bytes += '\0';
  for (const char16_t unit : wide) {
    bytes += static_cast<char>(unit & 0xff);
    bytes += static_cast<char>(unit >> 8);
  }
  bytes += '"';
  bytes += '\0';
  return true;
}
