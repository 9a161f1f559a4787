/* The aggregating object in C. */
#include "webobject/tests/plain_outer.h"

static uint32_t AddRef(void* self) { return ++((struct PlainOuter*)self)->references; }

static uint32_t Release(void* self) { return --((struct PlainOuter*)self)->references; }

static int32_t QueryInterface(void* self, const void* riid, void** object) {
  struct PlainOuter* outer = self;
  if (PlainIsIUnknown(riid)) {
    *object = outer;
    AddRef(outer);
    return PLAIN_S_OK;
  }
  if (outer->inner == NULL) {
    *object = NULL;
    return PLAIN_E_NOINTERFACE;
  }
  return PlainTableOf(outer->inner)->QueryInterface(outer->inner, riid, object);
}

static const struct PlainUnknownTable kTable = {QueryInterface, AddRef, Release};

void PlainOuterInit(struct PlainOuter* outer) {
  outer->table = &kTable;
  outer->references = 1;
  outer->inner = NULL;
}
