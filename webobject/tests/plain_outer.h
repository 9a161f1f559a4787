/* An object that aggregates the web object, written in C as a host that is
 * not C++ writes it: a structure whose first word points to its table of
 * IUnknown's three functions (the object first). It keeps the inner
 * object's own IUnknown and hands every other interface on to it. */
#pragma once

#include "tests/support/plain_unknown.h"

#ifdef __cplusplus
extern "C" {
#endif

struct PlainOuter {
  const struct PlainUnknownTable* table;
  uint32_t references; /* the host's own reference is the last; it never frees */
  void* inner;         /* the aggregated object's own IUnknown, once made */
};

/* One reference, no inner object yet. */
void PlainOuterInit(struct PlainOuter* outer);

#ifdef __cplusplus
}
#endif
