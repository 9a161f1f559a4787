// CPwdResetRequest, the scriptable web reset object: its lists of
// questions, proposed answers, stored answers and hints, its last error,
// and the user whose questions it loaded. COM plumbing (IUnknown with
// aggregation, IDispatch over the member table) is pwd_reset_request.cpp;
// the members are pwd_reset_request_members.cpp; the answer check and the
// two final requests pwd_reset_request_final.cpp. The connection is the
// process's one (web_record_client.h), not the object's.
#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "platform/com/dispatch_table.h"
#include "webobject/own_string_array.h"
#include "webobject/pwd_reset_request_interface.h"

// The interface and its members as the type library describes them.
extern const CDispatchInterface PWD_RESET_REQUEST_DISPATCH;

class CPwdResetRequest final : public IPwdResetRequest {
 public:
  // A new object with one reference on the IUnknown it hands out: its own,
  // or, aggregated in `outer`, its inner (non-delegating) one.
  static HRESULT Create(IUnknown* outer, IUnknown** inner);

  // IUnknown: delegated to the outer object when aggregated.
  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IDispatch over PWD_RESET_REQUEST_DISPATCH.
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argError) override;

  HRESULT Connect(BSTR address) override;
  HRESULT LoadQuestions(BSTR domain, BSTR userName) override;
  HRESULT Disconnect() override;
  HRESULT get_LastError(BSTR* value) override;
  HRESULT get_Question(SHORT index, BSTR* value) override;
  HRESULT get_Answer(SHORT index, BSTR* value) override;
  HRESULT put_Answer(SHORT index, BSTR value) override;
  HRESULT get_QuestionCount(SHORT* value) override;
  HRESULT put_QuestionCount(SHORT value) override;
  HRESULT get_Hint(SHORT index, BSTR* value) override;
  HRESULT UnlockAccount(BSTR domain, BSTR userName, LONG* status) override;
  HRESULT ResetPassword(BSTR domain, BSTR userName, BSTR password, LONG* status) override;

 private:
  // The object's own IUnknown, which an aggregating object holds.
  class CInnerUnknown final : public IUnknown {
   public:
    explicit CInnerUnknown(CPwdResetRequest& object) : object(object) {}
    HRESULT QueryInterface(REFIID riid, void** result) override;
    ULONG AddRef() override;
    ULONG Release() override;

   private:
    CPwdResetRequest& object;
  };

  explicit CPwdResetRequest(IUnknown* outer);
  ~CPwdResetRequest();

  // Entry `index` - 1 of `list` as a new BSTR; "Index out of bounds." and
  // E_INVALIDARG outside 1..size.
  HRESULT GetEntry(const COwnStringArray& list, SHORT index, BSTR* value);
  // Empties the four lists and forgets the loaded user.
  void ClearLoaded();
  // Whether the proposed answers pass against the stored ones; the last
  // error says why not.
  bool CheckAnswers();
  // The part that ResetPassword and UnlockAccount share: refusals that send
  // nothing, the answer check and the failure notification. True when the
  // request itself may go; *status is 0 then.
  bool ReadyForRequest(BSTR domain, BSTR userName, BSTR password, LONG* status, HRESULT& result);
  // The last error for a request whose exchange failed, or the reply text.
  void TakeRequestOutcome(int outcome, const std::u16string& replyText);

  CInnerUnknown inner{*this};
  IUnknown* const controlling;  // the outer object, or `inner`
  std::atomic<ULONG> references{0};

  COwnStringArray questions;
  COwnStringArray proposedAnswers;
  COwnStringArray storedAnswers;
  COwnStringArray hints;
  std::u16string lastError;
  // The domain and user of the last successful LoadQuestions: the only
  // account the answers were checked for.
  std::optional<std::u16string> loadedDomain;
  std::optional<std::u16string> loadedUser;
};

// The last-error texts of the object.
inline constexpr char16_t INDEX_OUT_OF_BOUNDS_TEXT[] = u"Index out of bounds.";
inline constexpr char16_t COUNT_LOADED_TEXT[] = u"Cannot change count when loaded.";
inline constexpr char16_t NO_QUESTIONS_TEXT[] = u"No questions set.";
inline constexpr char16_t INCORRECT_ANSWERS_TEXT[] = u"One or more answers were incorrect.";
inline constexpr char16_t NO_COMMUNICATION_TEXT[] = u"Could not communicate with the Varnok Password Reset server.";
inline constexpr char16_t OTHER_USER_TEXT[] =
    u"The security questions were loaded for another user: load this user's questions first.";
inline constexpr char16_t TEXT_NOT_SENDABLE_TEXT[] =
    u"A name or password is too long or holds characters that cannot be sent to the Varnok Password Reset server.";
