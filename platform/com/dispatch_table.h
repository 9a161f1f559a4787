// A dispatch interface described by a static table that stands for its type
// library: each member's DISPID, kind, name, help string, parameters and
// result, with a call that reaches the object's own method. An object's
// IDispatch methods hand their work to the functions below, and its type
// information (dispatch_type_info.cpp) is read from the same table.
#pragma once

#include "platform/com/oleauto.h"

inline constexpr UINT MAX_DISPATCH_PARAMS = 4;

struct CDispatchMember {
  DISPID id;
  WORD kind;  // DISPATCH_METHOD, DISPATCH_PROPERTYGET or DISPATCH_PROPERTYPUT
  LPCOLESTR name;
  LPCOLESTR helpString;
  UINT paramCount;  // [in] parameters; a put's new value is the last
  VARTYPE paramTypes[MAX_DISPATCH_PARAMS];
  LPCOLESTR paramNames[MAX_DISPATCH_PARAMS];
  VARTYPE resultType;  // of the [out, retval] parameter; VT_EMPTY for none
  // Calls the member with `args` in declared order, each of its declared
  // type; a result goes into `result`, which comes as `resultType` holding
  // zero.
  HRESULT (*call)(IDispatch* object, VARIANT* args, VARIANT* result);
};

struct CDispatchInterface {
  LPCOLESTR name;
  IID iid;
  LPCOLESTR helpString;
  const CDispatchMember* members;
  UINT count;
};

// IDispatch::GetIDsOfNames: names[0] a member, ignoring case; the others its
// parameters. DISP_E_UNKNOWNNAME (and DISPID_UNKNOWN in that place) for a
// name not found; DISP_E_UNKNOWNINTERFACE unless riid is IID_NULL.
HRESULT DispatchGetIDsOfNames(const CDispatchInterface& table, REFIID riid, LPOLESTR* names, UINT count,
                              DISPID* ids);

// IDispatch::Invoke: finds the member by DISPID and kind (a method, or a get
// when flags allow one; a put needs its value named DISPID_PROPERTYPUT),
// coerces the arguments (given last first) to the declared types and calls
// it. DISP_E_MEMBERNOTFOUND, DISP_E_BADPARAMCOUNT, DISP_E_PARAMNOTFOUND (a
// put's value not named), DISP_E_NONAMEDARGS, DISP_E_TYPEMISMATCH or
// DISP_E_OVERFLOW (*argError the index in rgvarg), DISP_E_UNKNOWNINTERFACE;
// else the member's own HRESULT. The result goes into `result` when given.
HRESULT DispatchInvoke(const CDispatchInterface& table, IDispatch* object, DISPID member, REFIID riid, WORD flags,
                       DISPPARAMS* params, VARIANT* result, UINT* argError);

// IDispatch::GetTypeInfo: index 0 gives a new type information of the
// table; any other index DISP_E_BADINDEX.
HRESULT DispatchGetTypeInfo(const CDispatchInterface& table, UINT index, ITypeInfo** typeInfo);
