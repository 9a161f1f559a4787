// The object as a script meets it, created by its ProgID through the keys
// that DllRegisterServer wrote: its members by name (ignoring case) and
// DISPID, their help strings in the type information, the coercion of a
// script's arguments, the bounds of the indexed properties, and the
// dispatch errors. No service is needed here (service_test.cpp has one).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/text.h"
#include "webobject/pwd_reset_request_interface.h"
#include "webobject/tests/kestrine_fixture.h"
#include "webobject/tests/plain_outer.h"
#include "webobject/tests/script_host.h"

namespace {

class DispatchTest : public CRegistryFolderTest {
 protected:
  void SetUp() override {
    CRegistryFolderTest::SetUp();
    ASSERT_EQ(KestrineExports().registerServer(), S_OK);
    ASSERT_EQ(CreateScriptObject(u"Varnok.PasswordResetRequest", object), S_OK);
  }

  std::string LastError() { return object.Get(u"LastError").Text(); }

  CScriptObject object;
};

struct MemberRow {
  const char16_t* name;
  DISPID id;
  INVOKEKIND kind;
  SHORT params;
  VARTYPE result;
  const char16_t* help;
};

const MemberRow kMembers[] = {
    {u"Connect", 1, INVOKE_FUNC, 1, VT_VOID, u"Connect to a Varnok Password Reset central server."},
    {u"LoadQuestions", 2, INVOKE_FUNC, 2, VT_VOID, u"Load the security questions for the specified user account."},
    {u"Disconnect", 4, INVOKE_FUNC, 0, VT_VOID, u"Disconnect from the central server."},
    {u"LastError", 5, INVOKE_PROPERTYGET, 0, VT_BSTR, u"Get the most recent error message."},
    {u"Question", 6, INVOKE_PROPERTYGET, 1, VT_BSTR, u"Get the specified question."},
    {u"Answer", 7, INVOKE_PROPERTYGET, 1, VT_BSTR, u"Get or set the proposed answer to the specified question."},
    {u"Answer", 7, INVOKE_PROPERTYPUT, 2, VT_VOID, u"Get or set the proposed answer to the specified question."},
    {u"QuestionCount", 8, INVOKE_PROPERTYGET, 0, VT_I2, u"Get or set the number of questions to be answered."},
    {u"QuestionCount", 8, INVOKE_PROPERTYPUT, 1, VT_VOID, u"Get or set the number of questions to be answered."},
    {u"Hint", 9, INVOKE_PROPERTYGET, 1, VT_BSTR, u"Get the hint associated with the specified question."},
    {u"UnlockAccount", 10, INVOKE_FUNC, 2, VT_I4, u"Attempt to unlock the specified user account."},
    {u"ResetPassword", 11, INVOKE_FUNC, 3, VT_I4, u"Attempt to set the specified password on the user account."},
};

TEST_F(DispatchTest, NamesFindTheirDispidsIgnoringCase) {
  for (const MemberRow& row : kMembers) {
    std::u16string upper = row.name;
    for (char16_t& c : upper)
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    for (const std::u16string& asked : {std::u16string(row.name), LowerCase(std::u16string(row.name)), upper}) {
      HRESULT status = E_FAIL;
      EXPECT_EQ(IdOfName(object.Dispatch(), asked.c_str(), &status), row.id) << Utf16ToUtf8(asked);
      EXPECT_EQ(status, S_OK);
    }
  }
  // A member with its parameters' names.
  LPOLESTR names[] = {const_cast<LPOLESTR>(u"resetpassword"), const_cast<LPOLESTR>(u"PASSWORD"),
                      const_cast<LPOLESTR>(u"Domain"), const_cast<LPOLESTR>(u"Nothing")};
  DISPID ids[4] = {};
  EXPECT_EQ(object.Dispatch()->GetIDsOfNames(IID_NULL, names, 4, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 11);
  EXPECT_EQ(ids[1], 2);
  EXPECT_EQ(ids[2], 0);
  EXPECT_EQ(ids[3], DISPID_UNKNOWN);
  // Unknown members, DISPID 3 among them, and a foreign interface.
  for (const char16_t* unknown : {u"Connectx", u"", u"Status", u"Password"}) {
    HRESULT status = S_OK;
    EXPECT_EQ(IdOfName(object.Dispatch(), unknown, &status), DISPID_UNKNOWN);
    EXPECT_EQ(status, DISP_E_UNKNOWNNAME);
  }
  DISPID id = 0;
  EXPECT_EQ(object.Dispatch()->GetIDsOfNames(IID_IDispatch, names, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(object.Invoke(3, DISPATCH_METHOD, {}, nullptr).status, DISP_E_MEMBERNOTFOUND);
}

TEST_F(DispatchTest, TheTypeInformationDescribesEveryMember) {
  UINT count = 0;
  ASSERT_EQ(object.Dispatch()->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(object.Dispatch()->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
  EXPECT_EQ(info, nullptr);
  ASSERT_EQ(object.Dispatch()->GetTypeInfo(0, 0, &info), S_OK);

  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_IPwdResetRequest));
  EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
  EXPECT_EQ(attributes->wTypeFlags & TYPEFLAG_FDUAL, TYPEFLAG_FDUAL);
  ASSERT_EQ(attributes->cFuncs, sizeof kMembers / sizeof kMembers[0]);
  info->ReleaseTypeAttr(attributes);

  BSTR name = nullptr, help = nullptr;
  ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr), S_OK);
  EXPECT_EQ(std::u16string(name), u"IPwdResetRequest");
  EXPECT_EQ(std::u16string(help), u"Varnok Password Reset operations");
  SysFreeString(name);
  SysFreeString(help);

  for (UINT i = 0; i < sizeof kMembers / sizeof kMembers[0]; ++i) {
    const MemberRow& row = kMembers[i];
    SCOPED_TRACE(Utf16ToUtf8(row.name));
    FUNCDESC* function = nullptr;
    ASSERT_EQ(info->GetFuncDesc(i, &function), S_OK);
    EXPECT_EQ(function->memid, row.id);
    EXPECT_EQ(function->invkind, row.kind);
    EXPECT_EQ(function->cParams, row.params);
    EXPECT_EQ(function->elemdescFunc.tdesc.vt, row.result);
    info->ReleaseFuncDesc(function);
    ASSERT_EQ(info->GetDocumentation(row.id, &name, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(std::u16string(name), row.name);
    EXPECT_EQ(std::u16string(help), row.help);
    SysFreeString(name);
    SysFreeString(help);
  }
  FUNCDESC* none = nullptr;
  EXPECT_EQ(info->GetFuncDesc(12, &none), TYPE_E_ELEMENTNOTFOUND);

  BSTR names[5] = {};
  UINT got = 0;
  ASSERT_EQ(info->GetNames(11, names, 5, &got), S_OK);
  ASSERT_EQ(got, 4u);
  EXPECT_EQ(std::u16string(names[0]), u"ResetPassword");
  EXPECT_EQ(std::u16string(names[1]), u"Domain");
  EXPECT_EQ(std::u16string(names[2]), u"Username");
  EXPECT_EQ(std::u16string(names[3]), u"Password");
  for (UINT i = 0; i < got; ++i) SysFreeString(names[i]);
  EXPECT_EQ(info->GetNames(3, names, 5, &got), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(info->Release(), 0u);
}

TEST_F(DispatchTest, ArgumentsAreCoercedToTheDeclaredTypes) {
  // QuestionCount takes a 16-bit number: a script's number, text or empty.
  struct Case {
    const char* what;
    CScriptValue value;
    HRESULT status;
    long answers;  // proposed answers afterwards, -1 when unchanged
  };
  const Case cases[] = {
      {"a number", 3L, S_OK, 3},
      {"a text of digits", std::u16string(u" 2 "), S_OK, 2},
      {"empty", std::monostate{}, S_OK, 0},
      {"past 16 bits", 70000L, DISP_E_OVERFLOW, -1},
      {"a text of digits past 16 bits", std::u16string(u"40000"), DISP_E_OVERFLOW, -1},
      {"a text that is no number", std::u16string(u"three"), DISP_E_TYPEMISMATCH, -1},
      {"a negative count", -1L, E_INVALIDARG, -1},
  };
  long answers = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const CScriptResult put = object.Put(u"QuestionCount", {}, c.value);
    EXPECT_EQ(put.status, c.status);
    if (c.status == DISP_E_OVERFLOW || c.status == DISP_E_TYPEMISMATCH) {
      EXPECT_EQ(put.argError, 0u);
    }
    if (c.answers >= 0) answers = c.answers;
    // Without questions loaded the count reads 0; the answers were resized.
    EXPECT_EQ(object.Get(u"QuestionCount").Text(), "0");
    EXPECT_EQ(object.Put(u"Answer", {answers}, std::u16string(u"x")).status, answers > 0 ? S_OK : E_INVALIDARG);
    EXPECT_EQ(object.Put(u"Answer", {answers + 1}, std::u16string(u"x")).status, E_INVALIDARG);
  }
  // An index given as text, and a number given where a text is declared.
  ASSERT_EQ(object.Put(u"QuestionCount", {}, 2L).status, S_OK);
  ASSERT_EQ(object.Put(u"Answer", {std::u16string(u"2")}, 42L).status, S_OK);
  const CScriptResult read = object.Get(u"Answer", {2L});
  EXPECT_EQ(read.status, S_OK);
  EXPECT_EQ(read.Text(), "42");
  // The argument that failed is named by its place in rgvarg (last first).
  const CScriptResult wrong = object.Invoke(DISPID_ANSWER, DISPATCH_PROPERTYPUT, {std::u16string(u"first")}, &read.value);
  EXPECT_EQ(wrong.status, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(wrong.argError, 1u);
}

TEST_F(DispatchTest, IndexedPropertiesKeepTheirBounds) {
  ASSERT_EQ(object.Put(u"QuestionCount", {}, 3L).status, S_OK);
  EXPECT_EQ(object.Get(u"QuestionCount").Text(), "0");
  struct Case {
    const char16_t* member;
    long index;
    HRESULT status;
  };
  // Three proposed answers, no questions and no hints.
  const Case cases[] = {
      {u"Answer", 0, E_INVALIDARG},   {u"Answer", 1, S_OK},           {u"Answer", 3, S_OK},
      {u"Answer", 4, E_INVALIDARG},   {u"Answer", -1, E_INVALIDARG},  {u"Question", 0, E_INVALIDARG},
      {u"Question", 1, E_INVALIDARG}, {u"Hint", 1, E_INVALIDARG},     {u"Hint", 0, E_INVALIDARG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.member) + "(" + std::to_string(c.index) + ")");
    ASSERT_EQ(object.Put(u"QuestionCount", {}, 3L).status, S_OK);
    object.Put(u"Answer", {1L}, std::u16string(u"reset"));  // a last error of nothing
    const CScriptResult got = object.Get(c.member, {c.index});
    EXPECT_EQ(got.status, c.status);
    if (FAILED(c.status)) {
      EXPECT_EQ(LastError(), "Index out of bounds.");
    }
    if (std::u16string(c.member) == u"Answer") {
      EXPECT_EQ(object.Put(c.member, {c.index}, std::u16string(u"v")).status, c.status);
    }
  }
  // A put of an answer keeps its text; a null text is an empty entry.
  ASSERT_EQ(object.Put(u"Answer", {2L}, std::u16string(u"Blue")).status, S_OK);
  EXPECT_EQ(object.Get(u"Answer", {2L}).Text(), "Blue");
  VARIANT index, value;
  VariantInit(&index);
  VariantInit(&value);
  index.vt = VT_I2;
  index.iVal = 2;
  value.vt = VT_BSTR;
  value.bstrVal = nullptr;
  VARIANT args[] = {value, index};
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{args, &named, 2, 1};
  EXPECT_EQ(object.Dispatch()->Invoke(DISPID_ANSWER, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                                      nullptr),
            S_OK);
  EXPECT_EQ(object.Get(u"Answer", {2L}).Text(), "");
}

TEST_F(DispatchTest, WrongCallsAreDispatchErrors) {
  struct Case {
    const char* what;
    DISPID id;
    WORD flags;
    std::vector<CScriptValue> args;
    bool put;
    HRESULT status;
  };
  const CScriptValue text = std::u16string(u"x");
  const Case cases[] = {
      {"a method with too few arguments", DISPID_CONNECT, DISPATCH_METHOD, {}, false, DISP_E_BADPARAMCOUNT},
      {"a method with too many", DISPID_LOAD_QUESTIONS, DISPATCH_METHOD, {text, text, text}, false,
       DISP_E_BADPARAMCOUNT},
      {"a property read with an argument", DISPID_LAST_ERROR, DISPATCH_PROPERTYGET, {1L}, false,
       DISP_E_BADPARAMCOUNT},
      {"an indexed read without its index", DISPID_QUESTION, DISPATCH_PROPERTYGET, {}, false, DISP_E_BADPARAMCOUNT},
      {"a put without its index", DISPID_ANSWER, DISPATCH_PROPERTYPUT, {}, true, DISP_E_BADPARAMCOUNT},
      {"a put without a value", DISPID_ANSWER, DISPATCH_PROPERTYPUT, {1L, text}, false, DISP_E_PARAMNOTFOUND},
      {"a put of a read-only property", DISPID_LAST_ERROR, DISPATCH_PROPERTYPUT, {}, true, DISP_E_MEMBERNOTFOUND},
      {"a put of a method", DISPID_DISCONNECT, DISPATCH_PROPERTYPUT, {}, true, DISP_E_MEMBERNOTFOUND},
      {"a method read as a property", DISPID_DISCONNECT, DISPATCH_PROPERTYGET, {}, false, DISP_E_MEMBERNOTFOUND},
      {"a property called as a method only", DISPID_LAST_ERROR, DISPATCH_METHOD, {}, false, DISP_E_MEMBERNOTFOUND},
      {"no such DISPID", 12, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, false, DISP_E_MEMBERNOTFOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(object.Invoke(c.id, c.flags, c.args, c.put ? &text : nullptr).status, c.status);
  }
  // Named arguments other than a put's value are not taken.
  VARIANT arg = ToVariant(text);
  DISPID named = 0;
  DISPPARAMS params{&arg, &named, 1, 1};
  EXPECT_EQ(object.Dispatch()->Invoke(DISPID_CONNECT, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            DISP_E_NONAMEDARGS);
  VariantClear(&arg);
  DISPPARAMS empty{nullptr, nullptr, 0, 0};
  EXPECT_EQ(object.Dispatch()->Invoke(DISPID_DISCONNECT, IID_IDispatch, 0, DISPATCH_METHOD, &empty, nullptr, nullptr,
                                      nullptr),
            DISP_E_UNKNOWNINTERFACE);
}

// A C caller drives the interface through its table of functions, the
// object first, in the slot order of IUnknown, IDispatch and the members.
TEST_F(DispatchTest, TheInterfaceSlotsStandInTheirOrder) {
  IPwdResetRequest* request = nullptr;
  ASSERT_EQ(object.Dispatch()->QueryInterface(IID_IPwdResetRequest, reinterpret_cast<void**>(&request)), S_OK);
  void** slots = *reinterpret_cast<void***>(request);
  using PutCount = HRESULT (*)(void*, SHORT);
  using GetText = HRESULT (*)(void*, SHORT, BSTR*);
  using GetError = HRESULT (*)(void*, BSTR*);
  using Release = ULONG (*)(void*);
  using TypeInfoCount = HRESULT (*)(void*, UINT*);
  UINT count = 0;
  EXPECT_EQ(reinterpret_cast<TypeInfoCount>(slots[3])(request, &count), S_OK);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(reinterpret_cast<PutCount>(slots[15])(request, 2), S_OK);
  BSTR text = nullptr;
  EXPECT_EQ(reinterpret_cast<GetText>(slots[12])(request, 3, &text), E_INVALIDARG);
  EXPECT_EQ(reinterpret_cast<GetError>(slots[10])(request, &text), S_OK);
  EXPECT_EQ(std::u16string(text), u"Index out of bounds.");
  SysFreeString(text);
  reinterpret_cast<Release>(slots[2])(request);
}

// A host written in C aggregates the object through the creation path: the
// script reaches the members through the outer object, its references
// count on the outer object and its IUnknown is the outer object's.
TEST_F(DispatchTest, AnObjectAggregatedByAHostInCAnswersThroughItsOuterObject) {
  PlainOuter outer;
  PlainOuterInit(&outer);
  IUnknown* const outerUnknown = reinterpret_cast<IUnknown*>(&outer);
  ASSERT_EQ(CreateAggregatedObject(u"Varnok.PasswordResetRequest", outerUnknown, &outer.inner), S_OK);
  EXPECT_EQ(outer.references, 1u);
  void* dispatch = nullptr;
  ASSERT_EQ(outer.table->QueryInterface(&outer, &IID_IDispatch, &dispatch), S_OK);
  EXPECT_EQ(outer.references, 2u);
  {
    CScriptObject script(static_cast<IDispatch*>(dispatch));
    EXPECT_EQ(script.Put(u"QuestionCount", {}, 2L).status, S_OK);
    EXPECT_EQ(script.Put(u"Answer", {2L}, std::u16string(u"kept")).status, S_OK);
    EXPECT_EQ(script.Get(u"Answer", {2L}).Text(), "kept");
    EXPECT_EQ(script.Get(u"Answer", {3L}).status, E_INVALIDARG);
    EXPECT_EQ(script.Get(u"LastError").Text(), "Index out of bounds.");
    IUnknown* unknown = nullptr;
    ASSERT_EQ(script.Dispatch()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown, outerUnknown);
    EXPECT_EQ(outer.references, 3u);
    outer.table->Release(&outer);
  }
  EXPECT_EQ(outer.references, 1u);
  EXPECT_EQ(static_cast<IUnknown*>(outer.inner)->Release(), 0u);
}

}  // namespace
