// The web reset object's type library as a table: every member of
// IPwdResetRequest with its DISPID, kind, parameters, result and help
// string, and the call that reaches the object's method. Scripts find the
// members by name through it, and its type information reads the same.
#include "webobject/pwd_reset_request.h"
#include "webobject/pwd_reset_request_table.h"

namespace {

IPwdResetRequest* Self(IDispatch* object) { return static_cast<IPwdResetRequest*>(object); }

constexpr char16_t kLastErrorHelp[] = u"Get the most recent error message.";
constexpr char16_t kAnswerHelp[] = u"Get or set the proposed answer to the specified question.";
constexpr char16_t kCountHelp[] = u"Get or set the number of questions to be answered.";

const CDispatchMember kMembers[] = {
    {DISPID_CONNECT, DISPATCH_METHOD, u"Connect", u"Connect to a Varnok Password Reset central server.", 1,
     {VT_BSTR}, {u"Address"}, VT_EMPTY,
     [](IDispatch* o, VARIANT* a, VARIANT*) { return Self(o)->Connect(a[0].bstrVal); }},
    {DISPID_LOAD_QUESTIONS, DISPATCH_METHOD, u"LoadQuestions",
     u"Load the security questions for the specified user account.", 2, {VT_BSTR, VT_BSTR},
     {u"Domain", u"Username"}, VT_EMPTY,
     [](IDispatch* o, VARIANT* a, VARIANT*) { return Self(o)->LoadQuestions(a[0].bstrVal, a[1].bstrVal); }},
    {DISPID_DISCONNECT, DISPATCH_METHOD, u"Disconnect", u"Disconnect from the central server.", 0, {}, {}, VT_EMPTY,
     [](IDispatch* o, VARIANT*, VARIANT*) { return Self(o)->Disconnect(); }},
    {DISPID_LAST_ERROR, DISPATCH_PROPERTYGET, u"LastError", kLastErrorHelp, 0, {}, {}, VT_BSTR,
     [](IDispatch* o, VARIANT*, VARIANT* r) { return Self(o)->get_LastError(&r->bstrVal); }},
    {DISPID_QUESTION, DISPATCH_PROPERTYGET, u"Question", u"Get the specified question.", 1, {VT_I2}, {u"Index"},
     VT_BSTR, [](IDispatch* o, VARIANT* a, VARIANT* r) { return Self(o)->get_Question(a[0].iVal, &r->bstrVal); }},
    {DISPID_ANSWER, DISPATCH_PROPERTYGET, u"Answer", kAnswerHelp, 1, {VT_I2}, {u"Index"}, VT_BSTR,
     [](IDispatch* o, VARIANT* a, VARIANT* r) { return Self(o)->get_Answer(a[0].iVal, &r->bstrVal); }},
    {DISPID_ANSWER, DISPATCH_PROPERTYPUT, u"Answer", kAnswerHelp, 2, {VT_I2, VT_BSTR}, {u"Index"}, VT_EMPTY,
     [](IDispatch* o, VARIANT* a, VARIANT*) { return Self(o)->put_Answer(a[0].iVal, a[1].bstrVal); }},
    {DISPID_QUESTION_COUNT, DISPATCH_PROPERTYGET, u"QuestionCount", kCountHelp, 0, {}, {}, VT_I2,
     [](IDispatch* o, VARIANT*, VARIANT* r) { return Self(o)->get_QuestionCount(&r->iVal); }},
    {DISPID_QUESTION_COUNT, DISPATCH_PROPERTYPUT, u"QuestionCount", kCountHelp, 1, {VT_I2}, {}, VT_EMPTY,
     [](IDispatch* o, VARIANT* a, VARIANT*) { return Self(o)->put_QuestionCount(a[0].iVal); }},
    {DISPID_HINT, DISPATCH_PROPERTYGET, u"Hint", u"Get the hint associated with the specified question.", 1,
     {VT_I2}, {u"Index"}, VT_BSTR,
     [](IDispatch* o, VARIANT* a, VARIANT* r) { return Self(o)->get_Hint(a[0].iVal, &r->bstrVal); }},
    {DISPID_UNLOCK_ACCOUNT, DISPATCH_METHOD, u"UnlockAccount", u"Attempt to unlock the specified user account.", 2,
     {VT_BSTR, VT_BSTR}, {u"Domain", u"Username"}, VT_I4,
     [](IDispatch* o, VARIANT* a, VARIANT* r) {
       return Self(o)->UnlockAccount(a[0].bstrVal, a[1].bstrVal, &r->lVal);
     }},
    {DISPID_RESET_PASSWORD, DISPATCH_METHOD, u"ResetPassword",
     u"Attempt to set the specified password on the user account.", 3, {VT_BSTR, VT_BSTR, VT_BSTR},
     {u"Domain", u"Username", u"Password"}, VT_I4,
     [](IDispatch* o, VARIANT* a, VARIANT* r) {
       return Self(o)->ResetPassword(a[0].bstrVal, a[1].bstrVal, a[2].bstrVal, &r->lVal);
     }},
};

const CDispatchInterface* const kInterfaces[] = {&PWD_RESET_REQUEST_DISPATCH};

}  // namespace

const CDispatchInterface PWD_RESET_REQUEST_DISPATCH = {
    u"IPwdResetRequest", IID_IPwdResetRequest, u"Varnok Password Reset operations", kMembers,
    sizeof kMembers / sizeof kMembers[0]};

const CTypeLibrary KESTRINE_TYPE_LIBRARY = {
    LIBID_KESTRINELib, 1, 0, u"KESTRINELib", u"Varnok Password Reset Kestrine 1.0 Type Library", kInterfaces, 1};
