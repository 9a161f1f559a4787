/* The aggregating object in C. */
#include "webobject/tests/plain_outer.h"

#include <string.h>

/* The inner object as C sees any COM object: a pointer to its table. */
struct UnknownTable {
  int32_t (*QueryInterface)(void* self, const void* riid, void** object);
  uint32_t (*AddRef)(void* self);
  uint32_t (*Release)(void* self);
};

/* IID_IUnknown in the 16-byte layout of a GUID. */
static const unsigned char kIUnknown[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};

static const int32_t kNoInterface = (int32_t)0x80004002u;

static uint32_t AddRef(struct PlainOuter* self) { return ++self->references; }

static uint32_t Release(struct PlainOuter* self) { return --self->references; }

static int32_t QueryInterface(struct PlainOuter* self, const void* riid, void** object) {
  if (memcmp(riid, kIUnknown, sizeof kIUnknown) == 0) {
    *object = self;
    AddRef(self);
    return 0;
  }
  if (self->inner == NULL) {
    *object = NULL;
    return kNoInterface;
  }
  const struct UnknownTable* inner = *(const struct UnknownTable* const*)self->inner;
  return inner->QueryInterface(self->inner, riid, object);
}

static const struct PlainOuterTable kTable = {QueryInterface, AddRef, Release};

void PlainOuterInit(struct PlainOuter* outer) {
  outer->table = &kTable;
  outer->references = 1;
  outer->inner = NULL;
}
