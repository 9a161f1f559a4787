/* An in-process server written in C, for creation by class to reach: its
 * class factory and its objects are structures whose first word points to
 * a table of functions (the object first), with no C++ type information
 * behind them. The objects answer for IUnknown only. */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#define EXPORTED __attribute__((visibility("default")))

typedef int32_t HRESULT;

static const HRESULT kOk = 0;
static const HRESULT kNoInterface = (HRESULT)0x80004002u;
static const HRESULT kOutOfMemory = (HRESULT)0x8007000Eu;
static const HRESULT kNoAggregation = (HRESULT)0x80040110u;

/* IID_IUnknown and IID_IClassFactory in the 16-byte layout of a GUID. */
static const unsigned char kIUnknown[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
static const unsigned char kIClassFactory[16] = {1, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};

/* The references held on the factory and the objects alive. */
static uint32_t live;

struct Object;
struct ObjectTable {
  HRESULT (*QueryInterface)(struct Object* self, const void* riid, void** object);
  uint32_t (*AddRef)(struct Object* self);
  uint32_t (*Release)(struct Object* self);
};
struct Object {
  const struct ObjectTable* table;
  uint32_t references;
};

static uint32_t ObjectAddRef(struct Object* self) { return ++self->references; }

static uint32_t ObjectRelease(struct Object* self) {
  const uint32_t left = --self->references;
  if (left == 0) {
    free(self);
    --live;
  }
  return left;
}

static HRESULT ObjectQueryInterface(struct Object* self, const void* riid, void** object) {
  if (memcmp(riid, kIUnknown, 16) != 0) {
    *object = NULL;
    return kNoInterface;
  }
  *object = self;
  ObjectAddRef(self);
  return kOk;
}

static const struct ObjectTable kObjectTable = {ObjectQueryInterface, ObjectAddRef, ObjectRelease};

struct Factory;
struct FactoryTable {
  HRESULT (*QueryInterface)(struct Factory* self, const void* riid, void** object);
  uint32_t (*AddRef)(struct Factory* self);
  uint32_t (*Release)(struct Factory* self);
  HRESULT (*CreateInstance)(struct Factory* self, void* outer, const void* riid, void** object);
  HRESULT (*LockServer)(struct Factory* self, int lock);
};
struct Factory {
  const struct FactoryTable* table;
};

static uint32_t FactoryAddRef(struct Factory* self) {
  (void)self;
  return ++live;
}

static uint32_t FactoryRelease(struct Factory* self) {
  (void)self;
  return --live;
}

static HRESULT FactoryQueryInterface(struct Factory* self, const void* riid, void** object) {
  if (memcmp(riid, kIUnknown, 16) != 0 && memcmp(riid, kIClassFactory, 16) != 0) {
    *object = NULL;
    return kNoInterface;
  }
  *object = self;
  FactoryAddRef(self);
  return kOk;
}

static HRESULT FactoryCreateInstance(struct Factory* self, void* outer, const void* riid, void** object) {
  (void)self;
  *object = NULL;
  if (outer != NULL) return kNoAggregation;
  struct Object* made = malloc(sizeof *made);
  if (made == NULL) return kOutOfMemory;
  made->table = &kObjectTable;
  made->references = 1;
  ++live;
  const HRESULT asked = ObjectQueryInterface(made, riid, object);
  ObjectRelease(made);
  return asked;
}

static HRESULT FactoryLockServer(struct Factory* self, int lock) {
  (void)self;
  (void)lock;
  return kOk;
}

static const struct FactoryTable kFactoryTable = {FactoryQueryInterface, FactoryAddRef, FactoryRelease,
                                                  FactoryCreateInstance, FactoryLockServer};
static struct Factory factory = {&kFactoryTable};

EXPORTED HRESULT DllGetClassObject(const void* clsid, const void* riid, void** object) {
  (void)clsid;
  return FactoryQueryInterface(&factory, riid, object);
}

EXPORTED uint32_t PlainServerLiveReferences(void) { return live; }
