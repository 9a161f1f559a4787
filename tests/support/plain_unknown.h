/* IUnknown as an object written in C sees it, for the tests' objects made
 * without C++: every COM object's first word points to a table that begins
 * with these three functions, each taking the object first. */
#pragma once

#include <stdint.h>
#include <string.h>

#define PLAIN_S_OK ((int32_t)0)
#define PLAIN_E_NOINTERFACE ((int32_t)0x80004002u)

struct PlainUnknownTable {
  int32_t (*QueryInterface)(void* self, const void* riid, void** object);
  uint32_t (*AddRef)(void* self);
  uint32_t (*Release)(void* self);
};

/* The table of any COM object. */
static inline const struct PlainUnknownTable* PlainTableOf(void* object) {
  return *(const struct PlainUnknownTable* const*)object;
}

/* Whether `riid` (16 bytes in the layout of a GUID) is IID_IUnknown. */
static inline int PlainIsIUnknown(const void* riid) {
  static const unsigned char unknown[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  return memcmp(riid, unknown, sizeof unknown) == 0;
}
