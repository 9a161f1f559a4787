// The type information of a dispatch interface, read from its member table
// (dispatch_table.h): what a script host or an object browser asks of a
// type library, the members' DISPIDs, kinds, names, parameters and help
// strings. Descriptions handed out are task memory, freed by the Release
// calls of their kind.
#include <atomic>
#include <new>

#include "platform/com/dispatch_table.h"

namespace {

INVOKEKIND InvokeKindOf(WORD kind) {
  switch (kind) {
    case DISPATCH_PROPERTYGET:
      return INVOKE_PROPERTYGET;
    case DISPATCH_PROPERTYPUT:
      return INVOKE_PROPERTYPUT;
    default:
      return INVOKE_FUNC;
  }
}

BSTR Copy(LPCOLESTR text) { return SysAllocString(text == nullptr ? u"" : text); }

class CDispatchTypeInfo final : public ITypeInfo {
 public:
  explicit CDispatchTypeInfo(const CDispatchInterface& table) : table(table) {}

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_ITypeInfo)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *object = static_cast<ITypeInfo*>(this);
    return S_OK;
  }
  ULONG AddRef() override { return ++references; }
  ULONG Release() override {
    const ULONG left = --references;
    if (left == 0) delete this;
    return left;
  }

  HRESULT GetTypeAttr(TYPEATTR** attributes) override {
    if (attributes == nullptr) return E_INVALIDARG;
    auto* made = static_cast<TYPEATTR*>(CoTaskMemAlloc(sizeof(TYPEATTR)));
    if (made == nullptr) return E_OUTOFMEMORY;
    *made = TYPEATTR{};
    made->guid = table.iid;
    made->memidConstructor = MEMBERID_NIL;
    made->memidDestructor = MEMBERID_NIL;
    made->typekind = TKIND_DISPATCH;
    made->cFuncs = static_cast<WORD>(table.count);
    made->cbSizeVft = static_cast<WORD>(7 * sizeof(void*));  // IUnknown's and IDispatch's slots
    made->cbAlignment = static_cast<WORD>(sizeof(void*));
    made->wTypeFlags = TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE;
    made->tdescAlias.vt = VT_EMPTY;
    *attributes = made;
    return S_OK;
  }

  HRESULT GetTypeComp(ITypeComp** typeComp) override {
    if (typeComp != nullptr) *typeComp = nullptr;
    return E_NOTIMPL;
  }

  HRESULT GetFuncDesc(UINT index, FUNCDESC** function) override {
    if (function == nullptr) return E_INVALIDARG;
    *function = nullptr;
    if (index >= table.count) return TYPE_E_ELEMENTNOTFOUND;
    const CDispatchMember& member = table.members[index];
    // One block: the description, then its parameters' descriptions.
    auto* made =
        static_cast<FUNCDESC*>(CoTaskMemAlloc(sizeof(FUNCDESC) + MAX_DISPATCH_PARAMS * sizeof(ELEMDESC)));
    if (made == nullptr) return E_OUTOFMEMORY;
    *made = FUNCDESC{};
    auto* params = reinterpret_cast<ELEMDESC*>(made + 1);
    for (UINT p = 0; p < member.paramCount; ++p) {
      params[p] = ELEMDESC{};
      params[p].tdesc.vt = member.paramTypes[p];
      params[p].paramdesc.wParamFlags = PARAMFLAG_FIN;
    }
    made->memid = member.id;
    made->lprgelemdescParam = member.paramCount > 0 ? params : nullptr;
    made->funckind = FUNC_DISPATCH;
    made->invkind = InvokeKindOf(member.kind);
    made->callconv = CC_STDCALL;
    made->cParams = static_cast<SHORT>(member.paramCount);
    made->elemdescFunc.tdesc.vt = member.resultType == VT_EMPTY ? VT_VOID : member.resultType;
    *function = made;
    return S_OK;
  }

  HRESULT GetVarDesc(UINT, VARDESC** variable) override {
    if (variable != nullptr) *variable = nullptr;
    return TYPE_E_ELEMENTNOTFOUND;
  }

  HRESULT GetNames(MEMBERID id, BSTR* names, UINT maxNames, UINT* count) override {
    if (names == nullptr || count == nullptr) return E_INVALIDARG;
    *count = 0;
    const CDispatchMember* member = Find(id);
    if (member == nullptr) return TYPE_E_ELEMENTNOTFOUND;
    if (maxNames == 0) return S_OK;
    names[(*count)++] = Copy(member->name);
    // A put's last parameter is its value, which has no name of its own.
    const UINT named = member->kind == DISPATCH_PROPERTYPUT ? member->paramCount - 1 : member->paramCount;
    for (UINT p = 0; p < named && *count < maxNames; ++p) names[(*count)++] = Copy(member->paramNames[p]);
    return S_OK;
  }

  HRESULT GetRefTypeOfImplType(UINT, HREFTYPE*) override { return TYPE_E_ELEMENTNOTFOUND; }
  HRESULT GetImplTypeFlags(UINT, int*) override { return TYPE_E_ELEMENTNOTFOUND; }

  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override {
    return DispatchGetIDsOfNames(table, IID_NULL, names, count, ids);
  }

  HRESULT Invoke(void* instance, MEMBERID member, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                 UINT* argError) override {
    if (instance == nullptr) return E_INVALIDARG;
    return DispatchInvoke(table, static_cast<IDispatch*>(instance), member, IID_NULL, flags, params, result,
                          argError);
  }

  HRESULT GetDocumentation(MEMBERID id, BSTR* name, BSTR* docString, DWORD* helpContext, BSTR* helpFile) override {
    LPCOLESTR itsName = table.name;
    LPCOLESTR itsHelp = table.helpString;
    if (id != MEMBERID_NIL) {
      const CDispatchMember* member = Find(id);
      if (member == nullptr) return TYPE_E_ELEMENTNOTFOUND;
      itsName = member->name;
      itsHelp = member->helpString;
    }
    if (name != nullptr) *name = Copy(itsName);
    if (docString != nullptr) *docString = Copy(itsHelp);
    if (helpContext != nullptr) *helpContext = 0;
    if (helpFile != nullptr) *helpFile = nullptr;
    return S_OK;
  }

  HRESULT GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override { return TYPE_E_ELEMENTNOTFOUND; }
  HRESULT GetRefTypeInfo(HREFTYPE, ITypeInfo** typeInfo) override {
    if (typeInfo != nullptr) *typeInfo = nullptr;
    return TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT AddressOfMember(MEMBERID, INVOKEKIND, void** address) override {
    if (address != nullptr) *address = nullptr;
    return E_NOTIMPL;
  }
  HRESULT CreateInstance(IUnknown*, REFIID, void** object) override {
    if (object != nullptr) *object = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetMops(MEMBERID, BSTR* mops) override {
    if (mops != nullptr) *mops = nullptr;
    return S_OK;
  }
  HRESULT GetContainingTypeLib(ITypeLib** library, UINT*) override {
    if (library != nullptr) *library = nullptr;
    return E_NOTIMPL;
  }
  void ReleaseTypeAttr(TYPEATTR* attributes) override { CoTaskMemFree(attributes); }
  void ReleaseFuncDesc(FUNCDESC* function) override { CoTaskMemFree(function); }
  void ReleaseVarDesc(VARDESC*) override {}

 private:
  ~CDispatchTypeInfo() = default;

  // The first member of the DISPID (a property's get, which comes first).
  const CDispatchMember* Find(MEMBERID id) const {
    for (UINT i = 0; i < table.count; ++i)
      if (table.members[i].id == id) return &table.members[i];
    return nullptr;
  }

  const CDispatchInterface& table;
  std::atomic<ULONG> references{1};
};

}  // namespace

HRESULT DispatchGetTypeInfo(const CDispatchInterface& table, UINT index, ITypeInfo** typeInfo) {
  if (typeInfo == nullptr) return E_INVALIDARG;
  *typeInfo = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  auto* made = new (std::nothrow) CDispatchTypeInfo(table);
  if (made == nullptr) return E_OUTOFMEMORY;
  *typeInfo = made;
  return S_OK;
}
