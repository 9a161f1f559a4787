/* An in-process server written in C, for creation by class to reach: its
 * class factory and its objects are structures whose first word points to
 * a table of functions (the object first), with no C++ type information
 * behind them. The objects answer for IUnknown only. */
#include <stdlib.h>

#include "tests/support/plain_unknown.h"

#define EXPORTED __attribute__((visibility("default")))

static const int32_t kOutOfMemory = (int32_t)0x8007000Eu;
static const int32_t kNoAggregation = (int32_t)0x80040110u;

/* The references held on the factory and the objects alive. */
static uint32_t live;

struct Object {
  const struct PlainUnknownTable* table;
  uint32_t references;
};

static uint32_t ObjectAddRef(void* self) { return ++((struct Object*)self)->references; }

static uint32_t ObjectRelease(void* self) {
  struct Object* object = self;
  const uint32_t left = --object->references;
  if (left == 0) {
    free(object);
    --live;
  }
  return left;
}

static int32_t ObjectQueryInterface(void* self, const void* riid, void** object) {
  if (!PlainIsIUnknown(riid)) {
    *object = NULL;
    return PLAIN_E_NOINTERFACE;
  }
  *object = self;
  ObjectAddRef(self);
  return PLAIN_S_OK;
}

static const struct PlainUnknownTable kObjectTable = {ObjectQueryInterface, ObjectAddRef, ObjectRelease};

/* IClassFactory: IUnknown's slots, then CreateInstance and LockServer. */
struct FactoryTable {
  struct PlainUnknownTable unknown;
  int32_t (*CreateInstance)(void* self, void* outer, const void* riid, void** object);
  int32_t (*LockServer)(void* self, int lock);
};

static const unsigned char kIClassFactory[16] = {1, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};

static uint32_t FactoryAddRef(void* self) {
  (void)self;
  return ++live;
}

static uint32_t FactoryRelease(void* self) {
  (void)self;
  return --live;
}

static int32_t FactoryQueryInterface(void* self, const void* riid, void** object) {
  if (!PlainIsIUnknown(riid) && memcmp(riid, kIClassFactory, sizeof kIClassFactory) != 0) {
    *object = NULL;
    return PLAIN_E_NOINTERFACE;
  }
  *object = self;
  FactoryAddRef(self);
  return PLAIN_S_OK;
}

static int32_t FactoryCreateInstance(void* self, void* outer, const void* riid, void** object) {
  (void)self;
  *object = NULL;
  if (outer != NULL) return kNoAggregation;
  struct Object* made = malloc(sizeof *made);
  if (made == NULL) return kOutOfMemory;
  made->table = &kObjectTable;
  made->references = 1;
  ++live;
  const int32_t asked = ObjectQueryInterface(made, riid, object);
  ObjectRelease(made);
  return asked;
}

static int32_t FactoryLockServer(void* self, int lock) {
  (void)self;
  (void)lock;
  return PLAIN_S_OK;
}

static const struct FactoryTable kFactoryTable = {
    {FactoryQueryInterface, FactoryAddRef, FactoryRelease}, FactoryCreateInstance, FactoryLockServer};
static struct {
  const struct FactoryTable* table;
} factory = {&kFactoryTable};

EXPORTED int32_t DllGetClassObject(const void* clsid, const void* riid, void** object) {
  (void)clsid;
  return FactoryQueryInterface(&factory, riid, object);
}

EXPORTED uint32_t PlainServerLiveReferences(void) { return live; }
