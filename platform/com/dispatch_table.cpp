// Dispatch driven by a member table: names to DISPIDs ignoring case, and
// Invoke with its arguments taken last first and coerced to their types.
#include "platform/com/dispatch_table.h"

#include <string>

#include "platform/base/text.h"

namespace {

bool SameNameIgnoringCase(LPCOLESTR a, LPCOLESTR b) {
  if (a == nullptr || b == nullptr) return false;
  return LowerCase(std::u16string_view(a)) == LowerCase(std::u16string_view(b));
}

const CDispatchMember* FindByName(const CDispatchInterface& table, LPCOLESTR name) {
  for (UINT i = 0; i < table.count; ++i)
    if (SameNameIgnoringCase(table.members[i].name, name)) return &table.members[i];
  return nullptr;
}

// The member of `id` that serves `flags`: a method first, then a get, for
// the calls that allow either (a script's call of a parameterised property).
const CDispatchMember* FindByKind(const CDispatchInterface& table, DISPID id, WORD flags) {
  for (const WORD kind : {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT}) {
    if ((flags & kind) == 0) continue;
    for (UINT i = 0; i < table.count; ++i)
      if (table.members[i].id == id && table.members[i].kind == kind) return &table.members[i];
  }
  return nullptr;
}

// The coerced arguments of one call, freed when done.
struct CArguments {
  VARIANT values[MAX_DISPATCH_PARAMS];
  CArguments() {
    for (VARIANT& value : values) VariantInit(&value);
  }
  ~CArguments() {
    for (VARIANT& value : values) VariantClear(&value);
  }
  CArguments(const CArguments&) = delete;
  CArguments& operator=(const CArguments&) = delete;
};

}  // namespace

HRESULT DispatchGetIDsOfNames(const CDispatchInterface& table, REFIID riid, LPOLESTR* names, UINT count,
                              DISPID* ids) {
  if (!IsEqualGUID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (count == 0) return S_OK;
  if (names == nullptr || ids == nullptr) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const CDispatchMember* member = FindByName(table, names[0]);
  if (member == nullptr) return DISP_E_UNKNOWNNAME;
  ids[0] = member->id;
  HRESULT status = S_OK;
  for (UINT i = 1; i < count; ++i) {
    // Parameter names are the same for every kind of the member's DISPID.
    for (UINT p = 0; p < member->paramCount; ++p)
      if (SameNameIgnoringCase(member->paramNames[p], names[i])) ids[i] = static_cast<DISPID>(p);
    if (ids[i] == DISPID_UNKNOWN) status = DISP_E_UNKNOWNNAME;
  }
  return status;
}

HRESULT DispatchInvoke(const CDispatchInterface& table, IDispatch* object, DISPID id, REFIID riid, WORD flags,
                       DISPPARAMS* params, VARIANT* result, UINT* argError) {
  if (!IsEqualGUID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (params == nullptr || (params->cArgs > 0 && params->rgvarg == nullptr) ||
      params->cNamedArgs > params->cArgs || (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr))
    return E_INVALIDARG;
  const CDispatchMember* member = FindByKind(table, id, flags);
  if (member == nullptr) return DISP_E_MEMBERNOTFOUND;

  // Positional arguments stand last first after the named ones; a put's
  // value is the one named DISPID_PROPERTYPUT.
  const bool put = member->kind == DISPATCH_PROPERTYPUT;
  const UINT named = params->cNamedArgs;
  if (put) {
    if (named == 0) return DISP_E_PARAMNOTFOUND;
    if (named != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return DISP_E_NONAMEDARGS;
  } else if (named != 0) {
    return DISP_E_NONAMEDARGS;
  }
  const UINT positional = params->cArgs - named;
  const UINT expected = put ? member->paramCount - 1 : member->paramCount;
  if (positional != expected) return DISP_E_BADPARAMCOUNT;

  CArguments args;
  for (UINT p = 0; p < member->paramCount; ++p) {
    const UINT slot = (put && p == member->paramCount - 1) ? 0 : params->cArgs - 1 - p;
    const HRESULT coerced = VariantChangeType(&args.values[p], &params->rgvarg[slot], 0, member->paramTypes[p]);
    if (FAILED(coerced)) {
      if (argError != nullptr) *argError = slot;
      return coerced == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
    }
  }

  VARIANT value;
  VariantInit(&value);
  value.vt = member->resultType;
  const HRESULT status = member->call(object, args.values, &value);
  // `result` is an out value: whatever it held is not the callee's to free.
  if (FAILED(status) || result == nullptr) {
    VariantClear(&value);
  } else {
    *result = value;
  }
  return status;
}
