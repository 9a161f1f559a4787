// OLE automation as our callers and servers use it: BSTR (UTF-16, length
// in bytes in the 4 bytes before it; a null BSTR counts as empty), VARIANT
// in its 24-byte layout with the value kinds used here and their
// coercions, a one-dimensional SAFEARRAY of VARIANTs, and the dispatch
// interface with the type information behind it. A server describes its
// dispatch interface in a static table (dispatch_table.h) that stands for
// its type library.
#pragma once

#include <cstddef>

#include "platform/com/objbase.h"

// Length-prefixed UTF-16 text, ended by a zero as well.
using BSTR = WCHAR*;
using VARTYPE = USHORT;
using SHORT = std::int16_t;
using LCID = DWORD;
using DISPID = LONG;
using MEMBERID = DISPID;

// The value kinds used here.
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_NULL = 1;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_VARIANT = 12;
inline constexpr VARTYPE VT_VOID = 24;  // a function's result: none
inline constexpr VARTYPE VT_ARRAY = 0x2000;
inline constexpr VARTYPE VT_BYREF = 0x4000;

struct SAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
};

struct SAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];
};

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONG lVal;      // VT_I4
    SHORT iVal;     // VT_I2
    BSTR bstrVal;   // VT_BSTR
    SAFEARRAY* parray;  // VT_ARRAY | VT_VARIANT
    SHORT* piVal;   // VT_BYREF | VT_I2
    LONG* plVal;    // VT_BYREF | VT_I4
    BSTR* pbstrVal;  // VT_BYREF | VT_BSTR
    VARIANT* pvarVal;  // VT_BYREF | VT_VARIANT
    void* byref;
    void* recordParts[2];  // the record form's two pointers, which give the value its 16 bytes
  };
};
static_assert(sizeof(VARIANT) == 24, "VARIANT keeps the Windows 64-bit layout");
static_assert(offsetof(VARIANT, lVal) == 8, "the value is at offset 8");
using VARIANTARG = VARIANT;

// ---------------------------------------------------------------- BSTR

// A copy of `text`; nullptr for nullptr or when memory runs out.
BSTR SysAllocString(const WCHAR* text);
// `length` characters from `text` (zeros among them kept), or that many
// zeros for a null `text`; nullptr when memory runs out.
BSTR SysAllocStringLen(const WCHAR* text, UINT length);
// Frees a BSTR, first wiping its characters (they may be a password).
void SysFreeString(BSTR text);
// Characters (0 for a null BSTR).
UINT SysStringLen(BSTR text);

// ---------------------------------------------------------------- arrays

// A zero-based vector of `count` elements; only VT_VARIANT is served
// (nullptr otherwise). The elements start as VT_EMPTY.
SAFEARRAY* SafeArrayCreateVector(VARTYPE type, LONG lowerBound, ULONG count);
// Clears every element and frees the array.
HRESULT SafeArrayDestroy(SAFEARRAY* array);

// ---------------------------------------------------------------- VARIANT

inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
inline constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
inline constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
inline constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
inline constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);

void VariantInit(VARIANT* value);
// Frees what the variant holds (a BSTR, an array of variants; nothing of a
// reference) and makes it VT_EMPTY.
HRESULT VariantClear(VARIANT* value);
// `source` (a reference followed to its value) as `type` into `dest`,
// whose old value is cleared; `dest` may be `source`. Served: VT_EMPTY, VT_I2,
// VT_I4 and VT_BSTR each into VT_I2, VT_I4 and VT_BSTR (empty is 0 or the
// empty text; a text is a decimal number with blanks around it). Failures
// leave `dest` as it was: DISP_E_OVERFLOW for a number out of range,
// DISP_E_TYPEMISMATCH for a text that is no number, DISP_E_BADVARTYPE for a
// kind not served, E_OUTOFMEMORY.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT flags, VARTYPE type);

// ---------------------------------------------------------------- dispatch

inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr MEMBERID MEMBERID_NIL = -1;

// The arguments of Invoke: rgvarg holds them last first; the first
// cNamedArgs of them are named by rgdispidNamedArgs.
struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

// Exception details of Invoke; nothing here fills them.
struct EXCEPINFO;

inline constexpr IID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_ITypeInfo{0x00020401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class ITypeInfo;

class IDispatch : public IUnknown {
 public:
  // How many type informations the object gives: 0 or 1.
  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) = 0;
  // names[0] is a member, the others its parameters; riid is IID_NULL.
  virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* exception, UINT* argError) = 0;

 protected:
  ~IDispatch() = default;
};

// ---------------------------------------------------------------- type information

enum TYPEKIND { TKIND_DISPATCH = 4 };
enum FUNCKIND { FUNC_DISPATCH = 4 };
enum INVOKEKIND { INVOKE_FUNC = 1, INVOKE_PROPERTYGET = 2, INVOKE_PROPERTYPUT = 4 };
enum CALLCONV { CC_STDCALL = 4 };

inline constexpr WORD TYPEFLAG_FDUAL = 0x40;
inline constexpr WORD TYPEFLAG_FDISPATCHABLE = 0x1000;
inline constexpr USHORT PARAMFLAG_FIN = 0x1;

struct TYPEDESC {
  void* lptdesc;  // the pointed-to or element type; unused here
  VARTYPE vt;
};

struct PARAMDESC {
  void* pparamdescex;
  USHORT wParamFlags;
};

struct ELEMDESC {
  TYPEDESC tdesc;
  PARAMDESC paramdesc;
};

struct IDLDESC {
  std::uintptr_t dwReserved;
  USHORT wIDLFlags;
};

struct TYPEATTR {
  GUID guid;
  LCID lcid;
  DWORD dwReserved;
  MEMBERID memidConstructor;
  MEMBERID memidDestructor;
  LPOLESTR lpstrSchema;
  ULONG cbSizeInstance;
  TYPEKIND typekind;
  WORD cFuncs;
  WORD cVars;
  WORD cImplTypes;
  WORD cbSizeVft;
  WORD cbAlignment;
  WORD wTypeFlags;
  WORD wMajorVerNum;
  WORD wMinorVerNum;
  TYPEDESC tdescAlias;
  IDLDESC idldescType;
};

struct FUNCDESC {
  MEMBERID memid;
  SCODE* lprgscode;
  ELEMDESC* lprgelemdescParam;
  FUNCKIND funckind;
  INVOKEKIND invkind;
  CALLCONV callconv;
  SHORT cParams;
  SHORT cParamsOpt;
  SHORT oVft;
  SHORT cScodes;
  ELEMDESC elemdescFunc;
  WORD wFuncFlags;
};

static_assert(sizeof(TYPEATTR) == 96 && offsetof(TYPEATTR, cFuncs) == 48, "TYPEATTR keeps the Windows 64-bit layout");
static_assert(sizeof(FUNCDESC) == 88 && offsetof(FUNCDESC, elemdescFunc) == 48,
              "FUNCDESC keeps the Windows 64-bit layout");

using HREFTYPE = DWORD;
class ITypeComp;
class ITypeLib;
struct VARDESC;

// A dispatch interface's description: its members with their DISPIDs,
// kinds, parameters and help strings. Slots this layer has nothing for
// answer E_NOTIMPL (or TYPE_E_ELEMENTNOTFOUND where an index is asked).
class ITypeInfo : public IUnknown {
 public:
  virtual HRESULT GetTypeAttr(TYPEATTR** attributes) = 0;
  virtual HRESULT GetTypeComp(ITypeComp** typeComp) = 0;
  virtual HRESULT GetFuncDesc(UINT index, FUNCDESC** function) = 0;
  virtual HRESULT GetVarDesc(UINT index, VARDESC** variable) = 0;
  // The member's name, then its parameters' names.
  virtual HRESULT GetNames(MEMBERID member, BSTR* names, UINT maxNames, UINT* count) = 0;
  virtual HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* type) = 0;
  virtual HRESULT GetImplTypeFlags(UINT index, int* flags) = 0;
  virtual HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) = 0;
  virtual HRESULT Invoke(void* instance, MEMBERID member, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* exception, UINT* argError) = 0;
  // The name and help string of a member, or of the interface for MEMBERID_NIL.
  virtual HRESULT GetDocumentation(MEMBERID member, BSTR* name, BSTR* docString, DWORD* helpContext,
                                   BSTR* helpFile) = 0;
  virtual HRESULT GetDllEntry(MEMBERID member, INVOKEKIND kind, BSTR* dllName, BSTR* name, WORD* ordinal) = 0;
  virtual HRESULT GetRefTypeInfo(HREFTYPE type, ITypeInfo** typeInfo) = 0;
  virtual HRESULT AddressOfMember(MEMBERID member, INVOKEKIND kind, void** address) = 0;
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
  virtual HRESULT GetMops(MEMBERID member, BSTR* mops) = 0;
  virtual HRESULT GetContainingTypeLib(ITypeLib** library, UINT* index) = 0;
  virtual void ReleaseTypeAttr(TYPEATTR* attributes) = 0;
  virtual void ReleaseFuncDesc(FUNCDESC* function) = 0;
  virtual void ReleaseVarDesc(VARDESC* variable) = 0;

 protected:
  ~ITypeInfo() = default;
};

inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = static_cast<HRESULT>(0x8002802Bu);
