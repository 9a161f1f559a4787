// COM's per-thread initialisation (a count, as nothing here needs more),
// task memory, and the text form of identities.
#include "platform/com/objbase.h"

#include <cstdlib>

namespace {

thread_local int comInitialisations = 0;

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The 16 bytes in the order the text shows them: Data1 to Data3 as numbers,
// then Data4 as it is.
void TextOrderBytes(REFGUID guid, std::uint8_t (&bytes)[16]) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(guid.Data1 >> (24 - 8 * i));
  bytes[4] = static_cast<std::uint8_t>(guid.Data2 >> 8);
  bytes[5] = static_cast<std::uint8_t>(guid.Data2);
  bytes[6] = static_cast<std::uint8_t>(guid.Data3 >> 8);
  bytes[7] = static_cast<std::uint8_t>(guid.Data3);
  for (int i = 0; i < 8; ++i) bytes[8 + i] = guid.Data4[i];
}

// Where the dashes of the text stand (after the braces' opening one).
bool IsDashPosition(int position) { return position == 9 || position == 14 || position == 19 || position == 24; }

}  // namespace

HRESULT CoInitialize(void*) { return comInitialisations++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (comInitialisations > 0) --comInitialisations;
}

void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }

void CoTaskMemFree(void* memory) { std::free(memory); }

int StringFromGUID2(REFGUID guid, LPOLESTR text, int size) {
  if (text == nullptr || size < GUID_TEXT_LENGTH + 1) return 0;
  std::uint8_t bytes[16];
  TextOrderBytes(guid, bytes);
  int at = 0;
  text[at++] = u'{';
  for (int i = 0; i < 16; ++i) {
    if (IsDashPosition(at)) text[at++] = u'-';
    text[at++] = kHexDigits[bytes[i] >> 4];
    text[at++] = kHexDigits[bytes[i] & 0xF];
  }
  text[at++] = u'}';
  text[at++] = 0;
  return at;
}

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
  if (clsid == nullptr) return E_INVALIDARG;
  *clsid = GUID_NULL;
  if (text == nullptr || text[0] != u'{') return CO_E_CLASSSTRING;
  std::uint8_t bytes[16] = {};
  int at = 1;
  for (int i = 0; i < 16; ++i) {
    if (IsDashPosition(at) && text[at++] != u'-') return CO_E_CLASSSTRING;
    // A zero ends the text; HexValue refuses it before anything past it is read.
    const int high = HexValue(text[at]);
    if (high < 0) return CO_E_CLASSSTRING;
    const int low = HexValue(text[at + 1]);
    if (low < 0) return CO_E_CLASSSTRING;
    bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    at += 2;
  }
  if (text[at] != u'}' || text[at + 1] != 0) return CO_E_CLASSSTRING;
  GUID guid{};
  guid.Data1 = static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
               static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
  guid.Data2 = static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]);
  guid.Data3 = static_cast<std::uint16_t>(bytes[6] << 8 | bytes[7]);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = bytes[8 + i];
  *clsid = guid;
  return NOERROR;
}
